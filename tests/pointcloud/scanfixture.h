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

// A terrestrial scan of a box room, 8 x 6 x 3 m with a window that opens on nothing, written
// as the text a scanner would give and read back by the project's own importers: PTX lists the
// cells column after column, ASCII PCD row after row. Columns are azimuths over a full turn,
// rows elevations from -55 degrees up; ranges carry up to 1 mm of noise.
namespace scanfixture {

enum class Format { PTX, PCD };

struct Scan
{
    int columns;
    int rows;
    double scanner[3];
};

// Where the ray of (column, row) meets the room; not a number through the window.
inline Vector3T<double> hit(const Scan& iScan, int iColumn, int iRow)
{
    const double degree = std::acos(-1.0) / 180.0;
    const double azimuth = 360.0 * degree * iColumn / iScan.columns;
    const double elevation = (-55.0 + 135.0 * iRow / iScan.rows) * degree;
    const double d[3] = {std::cos(elevation) * std::cos(azimuth), std::cos(elevation) * std::sin(azimuth),
                         std::sin(elevation)};
    const double low[3] = {-3.0, -2.0, -1.5}, high[3] = {5.0, 4.0, 1.5};
    double reach = std::numeric_limits<double>::infinity();
    for (int a = 0; a < 3; ++a)
        if (d[a] != 0.0)
            reach = std::min(reach, ((d[a] > 0.0 ? high[a] : low[a]) - iScan.scanner[a]) / d[a]);
    const Vector3T<double> p(iScan.scanner[0] + reach * d[0], iScan.scanner[1] + reach * d[1],
                             iScan.scanner[2] + reach * d[2]);
    if (p.x > 4.999 && p.y > 0.5 && p.y < 2.0 && p.z > -0.3 && p.z < 0.9)
        return Vector3T<double>(std::nan(""), 0.0, 0.0);
    const unsigned hash = (unsigned(iColumn) * 2654435761u) ^ (unsigned(iRow) * 40503u);
    const double noise = 0.001 * (double(hash % 2001u) / 1000.0 - 1.0);
    return p + Vector3T<double>(d[0], d[1], d[2]) * noise;
}

inline std::string text(const Scan& iScan, Format iFormat)
{
    std::ostringstream out;
    out.imbue(std::locale::classic());
    out.precision(9);
    const int cells = iScan.columns * iScan.rows;
    if (iFormat == Format::PTX)
        out << iScan.columns << "\n"
            << iScan.rows << "\n0 0 0\n1 0 0\n0 1 0\n0 0 1\n1 0 0 0\n0 1 0 0\n0 0 1 0\n0 0 0 1\n";
    else
        out << "# .PCD v.7 - Point Cloud Data file format\nVERSION .7\nFIELDS x y z rgb\nSIZE 4 4 4 4\n"
               "TYPE F F F F\nCOUNT 1 1 1 1\nWIDTH "
            << iScan.columns << "\nHEIGHT " << iScan.rows << "\nVIEWPOINT 0 0 0 1 0 0 0\nPOINTS " << cells
            << "\nDATA ascii\n";
    for (int k = 0; k < cells; ++k) {
        const bool ptx = iFormat == Format::PTX;
        const Vector3T<double> p =
            hit(iScan, ptx ? k / iScan.rows : k % iScan.columns, ptx ? k % iScan.rows : k / iScan.columns);
        if (std::isnan(p.x))
            out << (ptx ? "0 0 0 0\n" : "nan nan nan 0\n");
        else
            out << p.x << " " << p.y << " " << p.z << (ptx ? " 0.5\n" : " 0\n");
    }
    return out.str();
}

// The scan as the importer of its format reads it from a file written at iPath.
inline bool read(PointCloudData* oData, const std::string& iPath, const Scan& iScan, Format iFormat)
{
    testutil::writeFile(iPath, text(iScan, iFormat));
    testutil::CoutCapture quiet;
    return iFormat == Format::PTX ? initByPTXFile(oData, iPath) : initByPCDFile(oData, iPath);
}

} // namespace scanfixture

#endif
