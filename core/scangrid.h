#ifndef CORE_SCANGRID_H
#define CORE_SCANGRID_H

#include "pointclouddata.h"

#include <vector>

// How the cells of a scan matrix follow one another. A matrix is stored as runCount runs of
// runLength cells: cell k = run · runLength + position. Neighbours on the scanner's grid are
// k ± 1 within a run and k ± runLength across runs.
//
// Scanners list their grids either row after row (PCD, JPGIS: runs of width cells) or column
// after column (PTX: runs of height cells), and the files do not record which. The order is
// told from the points: in the true order the cells one run apart are grid neighbours, while
// in the other they lie |width − height| rows or columns apart. Where width equals height, or
// one of them is 1, both readings give the same neighbours.
struct ScanGridLayout
{
    int runLength = 0;
    int runCount = 0;
};

// The cells whose points getScanGridLayout compares: triples k, k + width, k + height for cells
// k spread over the matrix. Empty where there is nothing to decide.
std::vector<unsigned> getScanGridProbeCells(int iWidth, int iHeight);

// The layout of a width x height matrix from the points at getScanGridProbeCells, in that order.
// Each triple whose cell k has a point votes for the order whose run neighbour lies nearer, an
// empty partner counting as farthest; runs of width cells (the file order of row-major
// formats) unless the other order wins the vote, so that grids that give no evidence (flat,
// empty) keep the file order.
ScanGridLayout getScanGridLayout(int iWidth, int iHeight, const std::vector<Point>& iProbePoints);

// The same for a matrix held whole.
ScanGridLayout getScanGridLayout(const PointCloudData& iData);

#endif
