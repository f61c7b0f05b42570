// Fuzzes one point importer, chosen at build time (FUZZ_PTX, FUZZ_PTS, FUZZ_PCD, FUZZ_JPGIS):
// a load, failed or not, leaves a sound matrix, and a successful one holds no more cells than
// the file can justify.
#include "fuzzsupport.h"
#include "jpgisfixture.h"
#include "pointcloudimpoperation.h"
#include "testutil.h"

#include <cmath>
#include <string>

using namespace fuzzsupport;

namespace {

[[maybe_unused]] PointCloudData FL_grid(int iWidth, int iHeight)
{
    PointCloudData data;
    data.width = iWidth;
    data.height = iHeight;
    for (int c = 0; c < iWidth; ++c)
        for (int r = 0; r < iHeight; ++r) {
            Point point;
            point.position = Vector3T<float>(0.5f * c, 0.25f * r, std::sin(0.3f * c));
            point.color = Color(static_cast<unsigned char>(20 * c), static_cast<unsigned char>(30 * r), 90, 255);
            data.pointList.push_back(point);
        }
    data.validPointNumber = static_cast<unsigned>(data.pointList.size());
    return data;
}

void FL_writeSeeds(const std::string& iFolder)
{
#if defined(FUZZ_PTX)
    testutil::writeFile(iFolder + "/seed.ptx", "2\n3\n0 0 0\n1 0 0\n0 1 0\n0 0 1\n1 0 0 0\n0 1 0 0\n0 0 1 0\n0 0 0 1\n"
                                               "0 0 0 0.5\n1 2 3 0.5 10 20 30\n-1.5 2e3 .25 1 0 0 0\n0 0 0 0.2\n"
                                               "4 5 6 0.1 255 255 255\n7 8 9 0.3 1 2 3\n");
    testutil::writeFile(iFolder + "/seed_short.ptx", "3\n1\n0 0 0\n1 0 0\n0 1 0\n0 0 1\n1 0 0 0\n0 1 0 0\n0 0 1 0\n"
                                                     "0 0 0 1\n1 1 1 1\n");
#elif defined(FUZZ_PTS)
    testutil::writeFile(iFolder + "/seed.pts", "3\n1 2 3 -100 10 20 30\n4.5 5 6 0 255 0 0\n-7 8e-3 9 12 1 1 1\n");
#elif defined(FUZZ_PCD)
    exportPCDFile(FL_grid(4, 3), iFolder + "/seed.pcd");
    exportPCDFile(FL_grid(1, 1), iFolder + "/seed_one.pcd");
#elif defined(FUZZ_JPGIS)
    testutil::writeFile(iFolder + "/seed.xml", jpgisfixture::jpgis({"0 0", "2 1"}, {"10", "20.5", "-9999", "0", "1000", "1.5"}));
    testutil::writeFile(iFolder + "/seed_line.xml", jpgisfixture::jpgis({"0 0", "3 0"}, {"1", "2", "3", "4"}));
#endif
}

bool FL_read(PointCloudData* oData, const std::string& iPath)
{
#if defined(FUZZ_PTX)
    return initByPTXFile(oData, iPath);
#elif defined(FUZZ_PTS)
    return initByPTSFile(oData, iPath);
#elif defined(FUZZ_PCD)
    return initByPCDFile(oData, iPath);
#elif defined(FUZZ_JPGIS)
    return initByJPGISFile(oData, iPath);
#endif
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
    PointCloudData cloud;
    const bool ok = FL_read(&cloud, scratch().path());
    // No cell without at least a byte of the file behind it (padding of short files included).
    require(cloud.pointList.size() <= size + 1);
    if (!ok)
        return 0;
#if defined(FUZZ_PTS)
    // A point list: only the points are appended.
    require(cloud.width == 0 && cloud.height == 0);
#else
    require(cloud.width >= 0 && cloud.height >= 0);
    require(static_cast<std::uint64_t>(cloud.width) * static_cast<std::uint64_t>(cloud.height) ==
            cloud.pointList.size());
    std::size_t valid = 0;
    for (const Point& point : cloud.pointList)
        valid += point.isValid() ? 1 : 0;
    require(cloud.validPointNumber == valid);
#endif
    return 0;
}
