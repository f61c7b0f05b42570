#ifndef TESTS_POINTCLOUD_SCANFIXTURE_H
#define TESTS_POINTCLOUD_SCANFIXTURE_H

#include "pointcloudimpoperation.h"
#include "testutil.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <locale>
#include <sstream>
#include <string>

// A terrestrial scan of a box room, 8 x 6 x 3 m: columns are azimuths over a full turn, rows
// elevations from -55 degrees up, ranges with up to 1 mm of noise; rays through the window or
// above skyAbove degrees meet nothing. Written as a scanner gives it, PTX column after column
// and ASCII PCD row after row, and read back by the project's own importers.
namespace scanfixture {

enum class Format { PTX, PCD };

struct Scan
{
    int columns;
    int rows;
    double scanner[3];
    double skyAbove = 90.0;
};

// Where the ray of (column, row) meets the room; not a number where it meets nothing.
inline Vector3T<double> hit(const Scan& iScan, int iColumn, int iRow)
{
    const double degree = std::acos(-1.0) / 180.0, elevation = -55.0 + 135.0 * iRow / iScan.rows;
    const double azimuth = 360.0 * degree * iColumn / iScan.columns, e = elevation * degree;
    const Vector3T<double> d(std::cos(e) * std::cos(azimuth), std::cos(e) * std::sin(azimuth), std::sin(e));
    const double low[3] = {-3.0, -2.0, -1.5}, high[3] = {5.0, 4.0, 1.5};
    double reach = std::numeric_limits<double>::infinity();
    for (int a = 0; a < 3; ++a)
        if (d[a] != 0.0)
            reach = std::min(reach, ((d[a] > 0.0 ? high[a] : low[a]) - iScan.scanner[a]) / d[a]);
    const unsigned hash = (unsigned(iColumn) * 2654435761u) ^ (unsigned(iRow) * 40503u);
    reach += 0.001 * (double(hash % 2001u) / 1000.0 - 1.0);
    const Vector3T<double> p = Vector3T<double>(iScan.scanner[0], iScan.scanner[1], iScan.scanner[2]) + d * reach;
    const bool window = p.x > 4.99 && p.y > 0.5 && p.y < 2.0 && p.z > -0.3 && p.z < 0.9;
    return window || elevation > iScan.skyAbove ? Vector3T<double>(std::nan(""), 0.0, 0.0) : p;
}

inline bool read(PointCloudData* oData, const std::string& iPath, const Scan& iScan, Format iFormat)
{
    const bool ptx = iFormat == Format::PTX;
    std::ostringstream out;
    out.imbue(std::locale::classic());
    out.precision(9);
    if (ptx)
        out << iScan.columns << "\n" << iScan.rows << "\n0 0 0\n1 0 0\n0 1 0\n0 0 1\n"
            << "1 0 0 0\n0 1 0 0\n0 0 1 0\n0 0 0 1\n";
    else
        out << "# .PCD v.7\nVERSION .7\nFIELDS x y z rgb\nSIZE 4 4 4 4\nTYPE F F F F\nCOUNT 1 1 1 1\nWIDTH "
            << iScan.columns << "\nHEIGHT " << iScan.rows << "\nVIEWPOINT 0 0 0 1 0 0 0\nPOINTS 0\nDATA ascii\n";
    for (int k = 0; k < iScan.columns * iScan.rows; ++k) {
        const Vector3T<double> p =
            hit(iScan, ptx ? k / iScan.rows : k % iScan.columns, ptx ? k % iScan.rows : k / iScan.columns);
        if (std::isnan(p.x))
            out << (ptx ? "0 0 0 0\n" : "nan nan nan 0\n");
        else
            out << p.x << " " << p.y << " " << p.z << (ptx ? " 0.5\n" : " 0\n");
    }
    testutil::writeFile(iPath, out.str());
    testutil::CoutCapture quiet;
    return ptx ? initByPTXFile(oData, iPath) : initByPCDFile(oData, iPath);
}

} // namespace scanfixture

#endif
