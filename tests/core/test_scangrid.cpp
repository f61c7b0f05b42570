#include "scangrid.h"
#include "scanfixture.h"

#include <gtest/gtest.h>

using scanfixture::CellFunction;
using scanfixture::kDegree;
using scanfixture::kNone;

namespace {

// Cells of the scanners below carry up to 1 cm of noise.
const double kNoise = 0.01;

CellFunction scanned(scanfixture::Scan iScan)
{
    iScan.noise = kNoise;
    return [iScan](int iColumn, int iRow, double oPoint[3]) { return scanfixture::point(iScan, iColumn, iRow, oPoint); };
}

scanfixture::Scan withPlanes(scanfixture::Scan iScan, std::array<double, 3> iLow, std::array<double, 3> iHigh)
{
    iScan.low = iLow;
    iScan.high = iHigh;
    return iScan;
}

// A profile scanner 3 m above the ground, moved 0.5 m along x between lines; each line sweeps
// 120 degrees across, between walls 5 m to either side.
bool lineScanner(int iColumn, int iRow, double oPoint[3])
{
    const double a = (-60.0 + 120.0 * iColumn / 10000.0) * kDegree;
    const double down = std::cos(a), side = std::sin(a);
    const double reach = std::min(3.0 / down, 5.0 / std::abs(side)) + kNoise * scanfixture::cellNoise(iColumn, iRow);
    oPoint[0] = 0.5 * iRow;
    oPoint[1] = reach * side;
    oPoint[2] = 3.0 - reach * down;
    return true;
}

// An elevation grid of 1 m cells over rolling ground.
bool terrain(int iColumn, int iRow, double oPoint[3])
{
    oPoint[0] = iColumn;
    oPoint[1] = iRow;
    oPoint[2] = 3.0 * std::sin(iColumn / 7.0) + 2.0 * std::cos(iRow / 5.0) + kNoise * scanfixture::cellNoise(iColumn, iRow);
    return true;
}

// A 640 x 480 depth camera with a 57 degree wide view, 2.5 m before a wall with a box in front.
bool depthCamera(int iColumn, int iRow, double oPoint[3])
{
    const double f = 320.0 / std::tan(28.5 * kDegree);
    const double x = (iColumn - 319.5) / f, y = (iRow - 239.5) / f;
    const double depth = (std::abs(x) < 0.2 && std::abs(y) < 0.15 ? 1.6 : 2.5) + kNoise * scanfixture::cellNoise(iColumn, iRow);
    oPoint[0] = x * depth;
    oPoint[1] = y * depth;
    oPoint[2] = depth;
    return true;
}

} // namespace

// Each grid stored row after row and column after column: the order told from the points is
// the stored one.
TEST(ScanGridLayout, EveryScanShapeIsReadInTheOrderItIsStored)
{
    const scanfixture::Scan street = withPlanes(scanfixture::lidar(3600, {0, 0, 0}), {-kNone, -4.0, -1.8}, {kNone, 4.0, kNone});
    const scanfixture::Scan ground = withPlanes(scanfixture::lidar(1800, {0, 0, 0}), {-kNone, -kNone, -1.8}, {kNone, kNone, kNone});
    const struct
    {
        const char* name;
        int columns;
        int rows;
        CellFunction cell;
    } grids[] = {
        {"16-ring lidar, 0.1 degree steps, in a street", 3600, 16, scanned(street)},
        {"16-ring lidar, 0.2 degree steps, over open ground", 1800, 16, scanned(ground)},
        {"16-ring lidar in a room", 3600, 16, scanned(scanfixture::lidar(3600, {0.5, 0.2, 0.0}))},
        {"line scanner", 10000, 20, lineScanner},
        {"room scan, wide", 300, 120, scanned(scanfixture::room(300, 120, {0.5, 0.2, 0.0}))},
        {"room scan, tall", 120, 300, scanned(scanfixture::room(120, 300, {0.5, 0.2, 0.0}))},
        {"room scan, 90 % sky", 300, 120, scanned(scanfixture::room(300, 120, {0, 0, 0}, -42.0))},
        {"depth camera", 640, 480, depthCamera},
        {"elevation grid", 200, 50, terrain},
        {"elevation grid, tall", 50, 200, terrain},
        {"elevation grid of two rows", 400, 2, terrain},
        {"elevation grid of three rows", 400, 3, terrain},
    };
    for (const auto& grid : grids)
        for (const bool rowMajor : {true, false}) {
            SCOPED_TRACE(std::string(grid.name) + (rowMajor ? ", row after row" : ", column after column"));
            const ScanGridLayout layout = getScanGridLayout(scanfixture::matrix(grid.columns, grid.rows, grid.cell, rowMajor));
            EXPECT_EQ(layout.runLength, rowMajor ? grid.columns : grid.rows);
            EXPECT_EQ(layout.runCount, rowMajor ? grid.rows : grid.columns);
        }
}
