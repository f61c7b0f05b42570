// Fuzzes the project file (.bgp) reader and the editor's render settings (version 0.0 only): a
// project file read gives a one-line project name and a known version; settings read are
// written and read back to the same bytes, and a failed read leaves them as they were.
#include "fuzzsupport.h"
#include "pointcloudparameter.h"
#include "projectoperator.h"
#include "testutil.h"

#include <fstream>
#include <string>
#include <sys/stat.h>

using namespace fuzzsupport;

namespace {

void FL_writeSeeds(const std::string& iFolder)
{
    std::ofstream(iFolder + "/seed.bgp", std::ios::binary) << "ProjectData 0.1\n* ProjectName\nSite 7\n";
    std::ofstream(iFolder + "/seed_old.bgp", std::ios::binary) << "ProjectData\n* ProjectName\nP\n";
    std::string error;
    exportPointCloudRenderSetting_Ver0_0(iFolder + "/seed_settings.txt", PointCloudParameter(), error);
}

// The input's folder, made once.
const std::string& FL_folder()
{
    static const std::string folder = [] {
        const std::string path = scratch().path() + ".project";
        mkdir(path.c_str(), 0700);
        return path;
    }();
    return folder;
}

void FL_checkProject(const std::string& iPath)
{
    ProjectOperator project;
    std::string error;
    if (!project.loadProjectFile(iPath, error))
        return;
    const std::string name = project.getProjectName();
    require(!name.empty() && name.find('\n') == std::string::npos && name.find('\r') == std::string::npos);
    require(project.getProjectVersion() == "0.0" || project.getProjectVersion() == "0.1");
}

void FL_checkSettings(const std::string& iPath)
{
    const std::string out = scratch().path() + ".out";
    PointCloudParameter read;
    std::string error;
    static const std::string before = [&] {
        exportPointCloudRenderSetting_Ver0_0(out, read, error);
        return testutil::readFile(out);
    }();
    if (!initPointCloudRenderSetting_Ver0_0(iPath, &read, error)) {
        exportPointCloudRenderSetting_Ver0_0(out, read, error);
        require(testutil::readFile(out) == before);
        return;
    }
    require(exportPointCloudRenderSetting_Ver0_0(out, read, error));
    const std::string first = testutil::readFile(out);
    PointCloudParameter again;
    require(initPointCloudRenderSetting_Ver0_0(out, &again, error));
    require(exportPointCloudRenderSetting_Ver0_0(out, again, error));
    require(testutil::readFile(out) == first);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    silence();
    handleMakeSeeds(argc, argv, &FL_writeSeeds);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // In a folder of its own, so that the operator's folder checks pass.
    const std::string path = FL_folder() + "/Input.bgp";
    testutil::writeFile(path, std::string(reinterpret_cast<const char*>(data), size));
    FL_checkProject(path);
    FL_checkSettings(path);
    return 0;
}
