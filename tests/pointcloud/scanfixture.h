#ifndef TESTS_POINTCLOUD_SCANFIXTURE_H
#define TESTS_POINTCLOUD_SCANFIXTURE_H

#include "pointcloudimpoperation.h"
#include "testutil.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <locale>
#include <sstream>

namespace scanfixture {

// A terrestrial scan of a box room, 8 x 6 x 3 m, from iScanner: columns are azimuths over a full
// turn, rows elevations from -55 degrees up, ranges with up to 1 mm of noise; rays through the
// window or above iSkyAbove degrees meet nothing. Written as a scanner gives it, a .ptx column
// after column, an ASCII .pcd row after row, and read back by the project's own importers.
inline bool read(PointCloudData* oData, const std::string& iPath, int iColumns, int iRows,
                 const std::array<double, 3>& iScanner, double iSkyAbove = 90.0)
{
    const bool ptx = iPath.substr(iPath.size() - 4) == ".ptx";
    const double degree = std::acos(-1.0) / 180.0, low[3] = {-3.0, -2.0, -1.5}, high[3] = {5.0, 4.0, 1.5};
    std::ostringstream out;
    out.imbue(std::locale::classic());
    out.precision(9);
    if (ptx)
        out << iColumns << "\n" << iRows << "\n0 0 0\n1 0 0\n0 1 0\n0 0 1\n1 0 0 0\n0 1 0 0\n0 0 1 0\n0 0 0 1";
    else
        out << "# .PCD v.7\nVERSION .7\nFIELDS x y z rgb\nSIZE 4 4 4 4\nTYPE F F F F\nCOUNT 1 1 1 1\nWIDTH " << iColumns
            << "\nHEIGHT " << iRows << "\nVIEWPOINT 0 0 0 1 0 0 0\nPOINTS 0\nDATA ascii";
    for (int k = 0; k < iColumns * iRows; ++k) {
        const int column = ptx ? k / iRows : k % iColumns, row = ptx ? k % iRows : k / iColumns;
        const double elevation = -55.0 + 135.0 * row / iRows, e = elevation * degree;
        const double azimuth = 360.0 * degree * column / iColumns;
        const double d[3] = {std::cos(e) * std::cos(azimuth), std::cos(e) * std::sin(azimuth), std::sin(e)};
        double reach = 1e9, p[3];
        for (int a = 0; a < 3; ++a)
            if (d[a] != 0.0)
                reach = std::min(reach, ((d[a] > 0.0 ? high[a] : low[a]) - iScanner[a]) / d[a]);
        reach += 1e-6 * double((unsigned(column) * 2654435761u ^ unsigned(row) * 40503u) % 2001u) - 0.001;
        for (int a = 0; a < 3; ++a)
            p[a] = iScanner[a] + reach * d[a];
        if ((p[0] > 4.99 && p[1] > 0.5 && p[1] < 2.0 && p[2] > -0.3 && p[2] < 0.9) || elevation > iSkyAbove)
            out << (ptx ? "\n0 0 0 0" : "\nnan nan nan 0");
        else
            out << "\n" << p[0] << " " << p[1] << " " << p[2] << (ptx ? " 0.5" : " 0");
    }
    testutil::writeFile(iPath, out.str() + "\n");
    testutil::CoutCapture quiet;
    return ptx ? initByPTXFile(oData, iPath) : initByPCDFile(oData, iPath);
}

} // namespace scanfixture

#endif
