// Fuzzes the project file (.bgp) reader and the editor's render settings (version 0.0 only): a
// project file read names a project that is written and read back alike; settings read are
// written and read back to the same bytes, and a failed read leaves them as they were.
#include "fuzzsupport.h"
#include "pointcloudparameter.h"
#include "projectoperator.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>

using namespace fuzzsupport;

namespace {

std::string FL_readAll(const std::string& iPath)
{
    std::ifstream in(iPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void FL_writeSeeds(const std::string& iFolder)
{
    std::ofstream(iFolder + "/seed.bgp", std::ios::binary) << "ProjectData 0.1\n* ProjectName\nSite 7\n";
    std::ofstream(iFolder + "/seed_old.bgp", std::ios::binary) << "ProjectData\n* ProjectName\nP\n";
    std::string error;
    exportPointCloudRenderSetting_Ver0_0(iFolder + "/seed_settings.txt", PointCloudParameter(), error);
}

// A folder of its own for the project file, so that the operator's folder checks pass.
const std::string& FL_folder()
{
    static const std::string folder = [] {
        const std::string path = scratch().path() + ".project";
        mkdir(path.c_str(), 0700);
        return path;
    }();
    return folder;
}

void FL_checkProject(const std::uint8_t* iData, std::size_t iSize)
{
    const std::string path = FL_folder() + "/Input.bgp";
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(iData), static_cast<std::streamsize>(iSize));
    }
    ProjectOperator project;
    std::string error;
    if (!project.loadProjectFile(path, error))
        return;
    const std::string name = project.getProjectName();
    require(!name.empty() && name.find('\n') == std::string::npos && name.find('\r') == std::string::npos);
    require(project.getProjectVersion() == "0.0" || project.getProjectVersion() == "0.1");
}

void FL_checkSettings()
{
    const std::string out = scratch().path() + ".out";
    PointCloudParameter read;
    std::string error;
    std::string before;
    {
        exportPointCloudRenderSetting_Ver0_0(out, read, error);
        before = FL_readAll(out);
    }
    if (!initPointCloudRenderSetting_Ver0_0(scratch().path(), &read, error)) {
        exportPointCloudRenderSetting_Ver0_0(out, read, error);
        require(FL_readAll(out) == before);
        return;
    }
    require(exportPointCloudRenderSetting_Ver0_0(out, read, error));
    const std::string first = FL_readAll(out);
    PointCloudParameter again;
    require(initPointCloudRenderSetting_Ver0_0(out, &again, error));
    require(exportPointCloudRenderSetting_Ver0_0(out, again, error));
    require(FL_readAll(out) == first);
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
    if (!scratch().write(data, size))
        return 0;
    FL_checkProject(data, size);
    FL_checkSettings();
    return 0;
}
