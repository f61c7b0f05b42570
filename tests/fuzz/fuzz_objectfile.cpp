// Fuzzes the object file reader in both forms (Vistrel's with the Visible section, the editor's
// without): a failed read leaves the record as it was; a record read is written and read back
// to the same bytes.
#include "fileoperation_object.h"
#include "fuzzsupport.h"
#include "testutil.h"

#include <cstring>
#include <string>

using namespace fuzzsupport;

namespace {

void FL_writeSeeds(const std::string& iFolder)
{
    ObjectInfo info;
    info.name = "Shot 1";
    info.visible = false;
    info.color = Color(10, 20, 30, 255);
    info.matrix(0, 3) = 412345.678;
    info.matrix(1, 1) = -1;
    info.center = Vector3T<double>(1.5, -2.25, 3);
    info.size = Vector3T<double>(4, 5, 6);
    info.dataFilePath = "scan.zrpcd";
    std::string error;
    saveObjectFile(info, iFolder + "/seed.shot", error);
    saveObjectFile(info, iFolder + "/seed_editor.shot", error, ObjectFileForm::WithoutVisible);
}

bool FL_same(const ObjectInfo& a, const ObjectInfo& b)
{
    return a.name == b.name && a.visible == b.visible && a.color == b.color && a.dataFilePath == b.dataFilePath &&
           std::memcmp(&a.matrix, &b.matrix, sizeof a.matrix) == 0 &&
           std::memcmp(&a.center, &b.center, sizeof a.center) == 0 &&
           std::memcmp(&a.size, &b.size, sizeof a.size) == 0;
}

void FL_check(ObjectFileForm iForm)
{
    const ObjectInfo before;
    ObjectInfo info;
    std::string error;
    if (!loadObjectFile(&info, scratch().path(), error, iForm)) {
        require(FL_same(info, before));
        return;
    }
    const std::string first = scratch().path() + ".first";
    const std::string second = scratch().path() + ".second";
    ObjectInfo again;
    if (!saveObjectFile(info, first, error, iForm))
        return;
    require(loadObjectFile(&again, first, error, iForm));
    require(saveObjectFile(again, second, error, iForm));
    require(testutil::readFile(first) == testutil::readFile(second));
    std::remove(first.c_str());
    std::remove(second.c_str());
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
    FL_check(ObjectFileForm::WithVisible);
    FL_check(ObjectFileForm::WithoutVisible);
    return 0;
}
