#include "scangrid.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace {

// Cells k probed at most: enough for a clear vote with most of a scan empty (sky), few enough
// to read from a file in a moment.
const std::uint64_t flProbeCount = 2048;

bool FL_isUsable(const Point& iPoint)
{
    return iPoint.isValid() && iPoint.position.isFinite();
}

// An empty partner counts as far: next to a cell with a return, grid neighbours mostly have
// one too, while the other order's partner may lie across the sky line.
double FL_squaredDistance(const Point& iFrom, const Point& iTo)
{
    if (!FL_isUsable(iTo))
        return std::numeric_limits<double>::infinity();
    const Vector3T<double> d = Vector3T<double>(iTo.position) - Vector3T<double>(iFrom.position);
    return d.dot(d);
}

} // namespace

std::vector<unsigned> getScanGridProbeCells(int iWidth, int iHeight)
{
    std::vector<unsigned> cells;
    if (iWidth <= 1 || iHeight <= 1 || iWidth == iHeight)
        return cells;
    const std::uint64_t total = std::uint64_t(iWidth) * std::uint64_t(iHeight);
    // Cell numbers are 32-bit wherever a matrix is read by index.
    if (total - 1 > UINT32_MAX)
        return cells;
    // Cells k whose partner k + max(width, height) is still in the matrix.
    const std::uint64_t bases = total - std::uint64_t(std::max(iWidth, iHeight));
    const std::uint64_t count = std::min(bases, flProbeCount);
    const std::uint64_t half = std::uint64_t(std::min(iWidth, iHeight) / 2);
    cells.reserve(4 * count);
    for (std::uint64_t i = 0; i < count; ++i) {
        // Steps of the golden ratio spread the cells over the matrix without falling in step
        // with its rows or columns.
        const std::uint64_t k =
            count == bases ? i
                           : std::min(bases - 1, std::uint64_t(std::fmod((double(i) + 0.5) * 0.6180339887498949, 1.0) *
                                                               double(bases)));
        cells.push_back(unsigned(k));
        cells.push_back(unsigned(k + std::uint64_t(iWidth)));
        cells.push_back(unsigned(k + std::uint64_t(iHeight)));
        cells.push_back(unsigned(k + half));
    }
    return cells;
}

ScanGridLayout getScanGridLayout(int iWidth, int iHeight, const std::vector<Point>& iProbePoints)
{
    const int shortSide = std::min(iWidth, iHeight);
    // The walk from k to k + s is straight where k + s/2 lies off it by less than this share of
    // its length. A right short reading puts k + s/2 at least (s/2)/s of that length off the
    // walk, the run being about perpendicular to the step across it; half that leaves room for
    // noise.
    const double half = double(shortSide / 2) / double(std::max(shortSide, 1));
    const double straightShare = 0.5 * std::min(half, 1.0 - half);
    int rowVotes = 0;
    int columnVotes = 0;
    for (std::size_t t = 0; t + 3 < iProbePoints.size(); t += 4) {
        const Point& cell = iProbePoints[t];
        if (!FL_isUsable(cell))
            continue;
        const Point& shortPartner = iProbePoints[iWidth < iHeight ? t + 1 : t + 2];
        const Point& halfway = iProbePoints[t + 3];
        if (FL_isUsable(shortPartner) && FL_isUsable(halfway)) {
            const Vector3T<double> from(cell.position);
            const Vector3T<double> walk = Vector3T<double>(shortPartner.position) - from;
            const Vector3T<double> off = Vector3T<double>(halfway.position) - from - walk * half;
            const double length = walk.dot(walk);
            if (length > 0.0 && off.dot(off) < straightShare * straightShare * length) {
                // The long runs: rows where the width is the longer side.
                ++(iWidth > iHeight ? rowVotes : columnVotes);
                continue;
            }
        }
        const double acrossWidth = FL_squaredDistance(cell, iProbePoints[t + 1]);
        const double acrossHeight = FL_squaredDistance(cell, iProbePoints[t + 2]);
        if (acrossHeight < acrossWidth)
            ++columnVotes;
        else if (acrossWidth < acrossHeight)
            ++rowVotes;
    }
    ScanGridLayout layout;
    layout.runLength = std::max(columnVotes > rowVotes ? iHeight : iWidth, 0);
    layout.runCount = std::max(columnVotes > rowVotes ? iWidth : iHeight, 0);
    return layout;
}

ScanGridLayout getScanGridLayout(const PointCloudData& iData)
{
    std::vector<Point> points;
    for (unsigned cell : getScanGridProbeCells(iData.width, iData.height)) {
        if (cell >= iData.pointList.size())
            return getScanGridLayout(iData.width, iData.height, std::vector<Point>());
        points.push_back(iData.pointList[cell]);
    }
    return getScanGridLayout(iData.width, iData.height, points);
}
