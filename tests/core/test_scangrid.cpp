// Telling the scan order of a point matrix from its points.
#include "scangrid.h"

#include "../pointcloud/scanfixture.h"

#include <gtest/gtest.h>

using scanfixture::Format;
using scanfixture::Scan;

TEST(ScanGridLayout, RunsFollowTheOrderInWhichTheScanListsItsCells)
{
    testutil::TempDir dir;
    // Tiny, wide, tall, nearly square (the other order's run neighbour is then only a diagonal
    // one), and open to the sky above 20 degrees, where most cells are empty.
    for (const Scan& scan : {Scan{3, 2, {}}, Scan{7, 3, {}}, Scan{6, 8, {}}, Scan{121, 120, {}},
                             Scan{300, 120, {0.5, 0.0, 0.0}, -20.0}})
        for (Format format : {Format::PTX, Format::PCD}) {
            PointCloudData data;
            ASSERT_TRUE(scanfixture::read(&data, dir.file("scan"), scan, format));
            const ScanGridLayout layout = getScanGridLayout(data);
            EXPECT_EQ(layout.runLength, format == Format::PTX ? scan.rows : scan.columns) << scan.columns;
            EXPECT_EQ(layout.runCount, format == Format::PTX ? scan.columns : scan.rows) << scan.columns;
        }
    // No evidence either way, a matrix shorter than its size, square grids and single runs:
    // the file order, and nothing is probed where both orders give the same neighbours.
    PointCloudData empty, shortened;
    ASSERT_TRUE(scanfixture::read(&empty, dir.file("empty"), Scan{7, 3, {}, -90.0}, Format::PTX));
    ASSERT_TRUE(scanfixture::read(&shortened, dir.file("short"), Scan{7, 3, {}}, Format::PTX));
    shortened.pointList.pop_back();
    EXPECT_EQ(getScanGridLayout(empty).runLength, 7);
    EXPECT_EQ(getScanGridLayout(shortened).runLength, 7);
    for (int size : {5, 1})
        EXPECT_TRUE(getScanGridProbeCells(5, size).empty() && getScanGridProbeCells(size, 5).empty());
    // A large grid is probed at a bounded number of cells, each triple k, k + W, k + H inside;
    // cell numbers past 32 bits cannot be read by index.
    const std::vector<unsigned> cells = getScanGridProbeCells(1580, 632);
    ASSERT_EQ(cells.size(), 3u * 2048u);
    for (std::size_t t = 0; t < cells.size(); t += 3)
        EXPECT_TRUE(cells[t + 1] < 1580u * 632u && cells[t + 1] == cells[t] + 1580u && cells[t + 2] == cells[t] + 632u);
    EXPECT_TRUE(getScanGridProbeCells(65536, 65537).empty());
}
