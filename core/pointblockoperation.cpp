#include "pointblockoperation.h"

#include <cmath>
#include <limits>

namespace {

void FL_appendPoints(PointBlock* oBlock, const std::vector<Vector3T<float>>& iPositions,
                     const std::vector<Color>& iColors, const std::vector<unsigned int>& iIndices)
{
    // Filled directly rather than through a temporary Point list: leaves are many and small.
    const size_t count = iIndices.size();
    oBlock->colors.reserve(oBlock->colors.size() + count);
    oBlock->positions.reserve(oBlock->positions.size() + count);
    oBlock->flags.reserve(oBlock->flags.size() + count);
    for (unsigned int index : iIndices) {
        oBlock->colors.push_back(index < iColors.size() ? iColors[index] : Color());
        oBlock->positions.push_back(index < iPositions.size() ? iPositions[index] : Vector3T<float>());
        oBlock->flags.push_back(0u);
    }
}

} // namespace

void getBoundingBox(Vector3T<double>* oCenter, Vector3T<double>* oSize, const PointCloudData& iData)
{
    const float inf = std::numeric_limits<float>::infinity();
    Vector3T<float> lo(inf, inf, inf);
    Vector3T<float> hi(-inf, -inf, -inf);
    for (const Point& point : iData.pointList) {
        if (point.flag & Point::Deleted)
            continue;
        for (int a = 0; a < 3; ++a) {
            const float v = point.position[a];
            if (!std::isfinite(v))
                continue;
            if (v < lo[a])
                lo[a] = v;
            if (v > hi[a])
                hi[a] = v;
        }
    }
    Vector3T<float> center;
    Vector3T<float> size;
    for (int a = 0; a < 3; ++a) {
        if (lo[a] <= hi[a]) {
            center[a] = (hi[a] + lo[a]) * 0.5f;
            size[a] = hi[a] - lo[a];
        }
    }
    if (oCenter)
        *oCenter = Vector3T<double>(center);
    if (oSize)
        *oSize = Vector3T<double>(size);
}

void getValidDataList(std::vector<Vector3T<float>>* oPositions, std::vector<Color>* oColors,
                      std::vector<unsigned int>* oIndices, const std::vector<Point>& iPoints)
{
    if (!oPositions || !oColors || !oIndices)
        return;
    const size_t count = iPoints.size();
    oPositions->reserve(oPositions->size() + count);
    oColors->reserve(oColors->size() + count);
    oIndices->reserve(oIndices->size() + count);
    for (size_t k = 0; k < count; ++k) {
        const Point& point = iPoints[k];
        oPositions->push_back(point.position);
        oColors->push_back(point.color);
        if (!(point.flag & Point::Deleted))
            oIndices->push_back(static_cast<unsigned int>(k));
    }
}

void initWithPoints(PointBlock* oBlock, const std::vector<Point>& iPoints)
{
    if (!oBlock)
        return;
    oBlock->colors.reserve(oBlock->colors.size() + iPoints.size());
    oBlock->positions.reserve(oBlock->positions.size() + iPoints.size());
    oBlock->flags.reserve(oBlock->flags.size() + iPoints.size());
    for (const Point& point : iPoints) {
        oBlock->colors.push_back(point.color);
        oBlock->positions.push_back(point.position);
        oBlock->flags.push_back(point.flag);
    }
}

template <>
void initLeafDataBlock<PointBlock>(PointBlock* oBlock, const std::vector<Vector3T<float>>& iPositions,
                                   const std::vector<Color>& iColors, const std::vector<unsigned int>& iIndices)
{
    if (oBlock)
        FL_appendPoints(oBlock, iPositions, iColors, iIndices);
}

template <>
void initLeafDataBlock<PointIndexBlock>(PointIndexBlock* oBlock, const std::vector<Vector3T<float>>& iPositions,
                                        const std::vector<Color>& iColors, const std::vector<unsigned int>& iIndices)
{
    if (!oBlock)
        return;
    oBlock->indices = iIndices;
    FL_appendPoints(&oBlock->points, iPositions, iColors, iIndices);
}

bool isInsidePlanes(const Vector3T<float>& iPosition, const std::vector<Vector4T<double>>& iPlanes)
{
    const double x = iPosition.x;
    const double y = iPosition.y;
    const double z = iPosition.z;
    for (const Vector4T<double>& plane : iPlanes)
        if (!(((0.0 + plane.x * x) + plane.y * y) + plane.z * z <= plane.w))
            return false;
    return true;
}
