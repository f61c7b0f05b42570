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
// told from the points. Where width equals height, or one of them is 1, both readings give the
// same neighbours.
struct ScanGridLayout
{
    int runLength = 0;
    int runCount = 0;
};

// The cells whose points getScanGridLayout compares: quadruples k, k + width, k + height,
// k + min(width, height) / 2 for cells k spread over the matrix. Empty where there is nothing
// to decide.
std::vector<unsigned> getScanGridProbeCells(int iWidth, int iHeight);

// The layout of a width x height matrix from the points at getScanGridProbeCells, in that order.
//
// Each quadruple whose cell k has a point votes. The short reading (runs of s = min(width,
// height) cells) is tested first: where it is wrong, k + s lies s cells on along k's own run,
// and the cell halfway, k + s/2, lies on the straight walk between them; where it is right, that
// cell is half a run away while k + s is k's neighbour. A straight walk votes for the long
// runs. This decides the grids whose steps differ much between the two directions (lidar rings,
// line scanners), where s cells along a line lie nearer than the next line.
//
// Otherwise the order whose run neighbour lies nearer wins the vote, an empty partner counting as
// farthest. Runs of width cells (the file order of row-major formats) unless the other order
// wins, so that grids that give no evidence (empty) keep the file order.
ScanGridLayout getScanGridLayout(int iWidth, int iHeight, const std::vector<Point>& iProbePoints);

// The same for a matrix held whole.
ScanGridLayout getScanGridLayout(const PointCloudData& iData);

#endif
