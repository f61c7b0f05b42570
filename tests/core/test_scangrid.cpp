// Telling the scan order of a point matrix from its points.
#include "scangrid.h"

#include "../pointcloud/scanfixture.h"

#include <gtest/gtest.h>

using scanfixture::Format;
using scanfixture::Scan;

TEST(ScanGridLayout, RunsFollowTheOrderInWhichTheScanListsItsCells)
{
    testutil::TempDir dir;
    // Tiny, nearly square (the other order's run neighbour is then only a diagonal one), open
    // to the sky above -20 degrees (most cells empty), and without any point (file order).
    for (const Scan& scan : {Scan{3, 2, {}}, Scan{121, 120, {}}, Scan{300, 120, {0.5, 0, 0}, -20}, Scan{7, 3, {}, -90}})
        for (Format format : {Format::PTX, Format::PCD}) {
            PointCloudData data;
            ASSERT_TRUE(scanfixture::read(&data, dir.file("scan"), scan, format));
            const bool byColumn = format == Format::PTX && scan.skyAbove > -90;
            EXPECT_EQ(getScanGridLayout(data).runLength, byColumn ? scan.rows : scan.columns) << scan.columns;
        }
    // A large grid is probed at a bounded number of cells k, with k + W and k + H inside.
    const std::vector<unsigned> cells = getScanGridProbeCells(1580, 632);
    ASSERT_EQ(cells.size(), 3u * 2048u);
    for (std::size_t t = 0; t < cells.size(); t += 3)
        EXPECT_TRUE(cells[t + 1] < 1580u * 632u && cells[t + 1] == cells[t] + 1580u && cells[t + 2] == cells[t] + 632u);
}
