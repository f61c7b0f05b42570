#ifndef CORE_POINTBLOCKOPERATION_H
#define CORE_POINTBLOCKOPERATION_H

#include "color.h"
#include "pointclouddata.h"
#include "sparsevoxeloctree.h"
#include "vector3.h"

#include <vector>

// Box of the cells whose deleted bit is clear: minimum and maximum per axis and the centre and
// size taken in float, stored as doubles. Non-finite coordinates are left out so that one bad
// cell cannot spoil the box of the whole cloud; centre and size are 0 on an axis without any
// finite coordinate (and on every axis without valid cells).
void getBoundingBox(Vector3T<double>* oCenter, Vector3T<double>* oSize, const PointCloudData& iData);

// Appends the position and colour of every cell (empty cells included, so both lists run
// parallel to the matrix) and the index of every cell whose deleted bit is clear, in cell order.
// Cell indices are 32-bit: the callers refuse larger matrices.
void getValidDataList(std::vector<Vector3T<float>>* oPositions, std::vector<Color>* oColors,
                      std::vector<unsigned int>* oIndices, const std::vector<Point>& iPoints);

// Whether a point lies inside every plane (a, b, c, d): a x + b y + c z <= d, with the sum
// formed in double as ((0 + a x) + b y) + c z; planes are tested in order up to the first that
// fails. An empty list holds every point.
bool isInsidePlanes(const Vector3T<float>& iPosition, const std::vector<Vector4T<double>>& iPlanes);

// Appends each point's colour, position and flags to the block's parallel lists.
void initWithPoints(PointBlock* oBlock, const std::vector<Point>& iPoints);

// Fills a leaf block from the working lists of getValidDataList and the cell indices of the
// leaf. Other leaf kinds add their own specialisation next to their block type.
template <typename L>
void initLeafDataBlock(L* oBlock, const std::vector<Vector3T<float>>& iPositions, const std::vector<Color>& iColors,
                       const std::vector<unsigned int>& iIndices);

// Appends, for each index in order, that cell's colour and position with flags 0. An index
// without a position or colour gives a default point, so the block still has one point per index.
template <>
void initLeafDataBlock<PointBlock>(PointBlock* oBlock, const std::vector<Vector3T<float>>& iPositions,
                                   const std::vector<Color>& iColors, const std::vector<unsigned int>& iIndices);

// Replaces the block's index list with iIndices, then appends the points to its own point block
// as above.
template <>
void initLeafDataBlock<PointIndexBlock>(PointIndexBlock* oBlock, const std::vector<Vector3T<float>>& iPositions,
                                        const std::vector<Color>& iColors, const std::vector<unsigned int>& iIndices);

#endif
