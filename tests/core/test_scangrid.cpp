// Telling the scan order of a point matrix from its points.
#include "scangrid.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace {

// A scanner's grid over a sphere of 2 m, 0.02 rad between columns and between rows, listed
// column after column (as PTX) or row after row (as PCD); iEmpty marks cells without a return,
// and ranges get up to iNoise metres of noise.
PointCloudData makeScan(int iWidth, int iHeight, bool iColumnMajor,
                        const std::function<bool(int, int)>& iEmpty = nullptr, double iNoise = 0.0)
{
    PointCloudData data;
    data.width = iWidth;
    data.height = iHeight;
    for (int k = 0; k < iWidth * iHeight; ++k) {
        const int column = iColumnMajor ? k / iHeight : k % iWidth;
        const int row = iColumnMajor ? k % iHeight : k / iWidth;
        const double azimuth = 0.02 * column, elevation = 0.02 * row - 0.01 * iHeight;
        const double range = 2.0 + iNoise * std::sin(12345.678 * k);
        Point point;
        point.position = Vector3T<float>(float(range * std::cos(elevation) * std::cos(azimuth)),
                                         float(range * std::cos(elevation) * std::sin(azimuth)),
                                         float(range * std::sin(elevation)));
        if (iEmpty && iEmpty(column, row))
            point.flag = Point::Deleted;
        data.pointList.push_back(point);
    }
    return data;
}

} // namespace

TEST(ScanGridLayout, RunsFollowTheOrderInWhichTheScanListsItsCells)
{
    // Open sky above most of the scan, and one return in ten lost.
    const auto sky = [](int iColumn, int iRow) {
        return (iRow > 30 && iColumn < 250) || (iColumn * 7 + iRow * 3) % 10 == 0;
    };
    for (bool columnMajor : {true, false}) {
        SCOPED_TRACE(columnMajor);
        // Tiny, wide, tall, nearly square (the wrong run neighbour is only a diagonal one),
        // noisy, and mostly empty.
        for (const PointCloudData& scan :
             {makeScan(3, 2, columnMajor), makeScan(7, 3, columnMajor), makeScan(3, 7, columnMajor),
              makeScan(300, 120, columnMajor), makeScan(121, 120, columnMajor, nullptr, 0.005),
              makeScan(300, 120, columnMajor, sky)}) {
            const ScanGridLayout layout = getScanGridLayout(scan);
            EXPECT_EQ(layout.runLength, columnMajor ? scan.height : scan.width) << scan.width << "x" << scan.height;
            EXPECT_EQ(layout.runCount, columnMajor ? scan.width : scan.height) << scan.width << "x" << scan.height;
        }
    }
    // No evidence either way: every cell empty, every point in one place, a matrix shorter
    // than its size says. The file order stands.
    PointCloudData empty = makeScan(7, 3, true, [](int, int) { return true; });
    PointCloudData flat = makeScan(7, 3, true);
    for (Point& point : flat.pointList)
        point.position = Vector3T<float>(1.0f, 2.0f, 3.0f);
    PointCloudData shortened = makeScan(7, 3, true);
    shortened.pointList.pop_back();
    for (const PointCloudData& scan : {empty, flat, shortened})
        EXPECT_EQ(getScanGridLayout(scan).runLength, 7);
}

TEST(ScanGridLayout, ProbesOnlyWhereTheOrdersDiffer)
{
    // Square grids and single runs have the same neighbours in either order.
    for (const auto& size : {std::make_pair(5, 5), std::make_pair(6, 1), std::make_pair(1, 6), std::make_pair(0, 4),
                             std::make_pair(-3, 4)}) {
        EXPECT_TRUE(getScanGridProbeCells(size.first, size.second).empty()) << size.first << "x" << size.second;
        const ScanGridLayout layout = getScanGridLayout(makeScan(std::max(size.first, 0), size.second, true));
        EXPECT_EQ(layout.runLength, std::max(size.first, 0));
    }
    // A large grid is probed at a bounded number of cells, each triple k, k + W, k + H inside.
    const std::vector<unsigned> cells = getScanGridProbeCells(1580, 632);
    ASSERT_EQ(cells.size(), 3u * 2048u);
    for (std::size_t t = 0; t < cells.size(); t += 3) {
        EXPECT_LT(cells[t + 1], 1580u * 632u);
        EXPECT_EQ(cells[t + 1] - cells[t], 1580u);
        EXPECT_EQ(cells[t + 2] - cells[t], 632u);
    }
    // Cell numbers past 32 bits cannot be read by index.
    EXPECT_TRUE(getScanGridProbeCells(65536, 65537).empty());
}
