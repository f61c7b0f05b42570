#include "boundingbox.h"

#include <algorithm>

void BoundingBox::init(const std::vector<Vector3T<double>>& iPoints)
{
    if (iPoints.empty()) {
        mCenter = Vector3T<double>();
        mSize = Vector3T<double>();
        return;
    }
    Vector3T<float> lo(iPoints[0]);
    Vector3T<float> hi = lo;
    for (const Vector3T<double>& p : iPoints) {
        const Vector3T<float> q(p);
        for (int a = 0; a < 3; ++a) {
            lo[a] = std::min(lo[a], q[a]);
            hi[a] = std::max(hi[a], q[a]);
        }
    }
    mCenter = Vector3T<double>((lo + hi) * 0.5f);
    mSize = Vector3T<double>(hi - lo);
}

BoundingBox* BoundingBox::create(const std::vector<Vector3T<double>>& iPoints)
{
    BoundingBox* box = new BoundingBox();
    box->init(iPoints);
    return box;
}

void BoundingBox::getBoundingPoints(std::vector<Vector3T<double>>* oPoints) const
{
    if (oPoints->capacity() < 8)
        oPoints->reserve(8);
    const Vector3T<double> half = mSize * 0.5;
    const Vector3T<double> lo(Vector3T<float>(mCenter - half));
    const Vector3T<double> hi(Vector3T<float>(mCenter + half));
    oPoints->emplace_back(lo.x, lo.y, lo.z);
    oPoints->emplace_back(hi.x, lo.y, lo.z);
    oPoints->emplace_back(hi.x, hi.y, lo.z);
    oPoints->emplace_back(lo.x, hi.y, lo.z);
    oPoints->emplace_back(lo.x, lo.y, hi.z);
    oPoints->emplace_back(hi.x, lo.y, hi.z);
    oPoints->emplace_back(hi.x, hi.y, hi.z);
    oPoints->emplace_back(lo.x, hi.y, hi.z);
}
