#ifndef TESTS_SUPPORT_SCANFIXTURE_H
#define TESTS_SUPPORT_SCANFIXTURE_H

#include "pointcloudimpoperation.h"
#include "testutil.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <limits>
#include <locale>
#include <sstream>

namespace scanfixture {

const double kDegree = std::acos(-1.0) / 180.0;
const double kNone = std::numeric_limits<double>::infinity();

// A scanner turning about its vertical axis: columns are azimuths over a full turn, rows
// elevations from lowElevation up in steps of elevationSpan / rows degrees. Rays meet the
// axis-aligned planes at low and high (none where infinite), with range noise of up to ±noise;
// rays through the window in the x = 5 wall or above skyAbove degrees meet nothing.
struct Scan
{
    int columns = 0;
    int rows = 0;
    std::array<double, 3> scanner = {0, 0, 0};
    double skyAbove = 90.0;
    double lowElevation = -55.0;
    double elevationSpan = 135.0;
    std::array<double, 3> low = {-3.0, -2.0, -1.5};
    std::array<double, 3> high = {5.0, 4.0, 1.5};
    double noise = 0.001;
};

// A box room, 8 x 6 x 3 m.
inline Scan room(int iColumns, int iRows, const std::array<double, 3>& iScanner, double iSkyAbove = 90.0)
{
    Scan scan;
    scan.columns = iColumns;
    scan.rows = iRows;
    scan.scanner = iScanner;
    scan.skyAbove = iSkyAbove;
    return scan;
}

// A spinning lidar of 16 rings from -15 to +15 degrees, 0.6 m above the floor of a room of the
// same plan 2 m high, so that its rings reach floor and ceiling.
inline Scan lidar(int iColumns, const std::array<double, 3>& iScanner)
{
    Scan scan = room(iColumns, 16, iScanner);
    scan.lowElevation = -15.0;
    scan.elevationSpan = 32.0;
    scan.low[2] = -0.6;
    scan.high[2] = 1.4;
    return scan;
}

// Noise in [-1, 1] that is the same for a cell on every run.
inline double cellNoise(int iColumn, int iRow)
{
    return double((unsigned(iColumn) * 2654435761u ^ unsigned(iRow) * 40503u) % 2001u) / 1000.0 - 1.0;
}

inline bool point(const Scan& iScan, int iColumn, int iRow, double oPoint[3])
{
    const double elevation = iScan.lowElevation + iScan.elevationSpan * iRow / iScan.rows;
    const double e = elevation * kDegree, azimuth = 360.0 * kDegree * iColumn / iScan.columns;
    const double d[3] = {std::cos(e) * std::cos(azimuth), std::cos(e) * std::sin(azimuth), std::sin(e)};
    double reach = kNone;
    for (int a = 0; a < 3; ++a)
        if (d[a] != 0.0)
            reach = std::min(reach, ((d[a] > 0.0 ? iScan.high[a] : iScan.low[a]) - iScan.scanner[a]) / d[a]);
    if (!std::isfinite(reach) || elevation > iScan.skyAbove)
        return false;
    reach += iScan.noise * cellNoise(iColumn, iRow);
    for (int a = 0; a < 3; ++a)
        oPoint[a] = iScan.scanner[a] + reach * d[a];
    return !(oPoint[0] > 4.99 && oPoint[1] > 0.5 && oPoint[1] < 2.0 && oPoint[2] > -0.3 && oPoint[2] < 0.9);
}

// The point of a cell, or false where the cell is empty.
using CellFunction = std::function<bool(int iColumn, int iRow, double oPoint[3])>;

// A columns x rows matrix held row after row or column after column.
inline PointCloudData matrix(int iColumns, int iRows, const CellFunction& iCell, bool iRowMajor)
{
    PointCloudData data;
    data.width = iColumns;
    data.height = iRows;
    data.pointList.resize(std::size_t(iColumns) * std::size_t(iRows));
    for (int k = 0; k < iColumns * iRows; ++k) {
        const int column = iRowMajor ? k % iColumns : k / iRows, row = iRowMajor ? k / iColumns : k % iRows;
        double p[3];
        Point& cell = data.pointList[std::size_t(k)];
        if (iCell(column, row, p)) {
            cell.position = Vector3T<float>(float(p[0]), float(p[1]), float(p[2]));
            ++data.validPointNumber;
        } else {
            cell.flag = Point::Deleted;
        }
    }
    return data;
}

// The scan written as a scanner gives it, a .ptx column after column, an ASCII .pcd row after
// row, and read back by the project's own importers.
inline bool read(PointCloudData* oData, const std::string& iPath, const Scan& iScan)
{
    const bool ptx = iPath.substr(iPath.size() - 4) == ".ptx";
    std::ostringstream out;
    out.imbue(std::locale::classic());
    out.precision(9);
    if (ptx)
        out << iScan.columns << "\n" << iScan.rows << "\n0 0 0\n1 0 0\n0 1 0\n0 0 1\n1 0 0 0\n0 1 0 0\n0 0 1 0\n0 0 0 1";
    else
        out << "# .PCD v.7\nVERSION .7\nFIELDS x y z rgb\nSIZE 4 4 4 4\nTYPE F F F F\nCOUNT 1 1 1 1\nWIDTH "
            << iScan.columns << "\nHEIGHT " << iScan.rows << "\nVIEWPOINT 0 0 0 1 0 0 0\nPOINTS 0\nDATA ascii";
    for (int k = 0; k < iScan.columns * iScan.rows; ++k) {
        const int column = ptx ? k / iScan.rows : k % iScan.columns, row = ptx ? k % iScan.rows : k / iScan.columns;
        double p[3];
        if (point(iScan, column, row, p))
            out << "\n" << p[0] << " " << p[1] << " " << p[2] << (ptx ? " 0.5" : " 0");
        else
            out << (ptx ? "\n0 0 0 0" : "\nnan nan nan 0");
    }
    testutil::writeFile(iPath, out.str() + "\n");
    testutil::CoutCapture quiet;
    return ptx ? initByPTXFile(oData, iPath) : initByPCDFile(oData, iPath);
}

} // namespace scanfixture

#endif
