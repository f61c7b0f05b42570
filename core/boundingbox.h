#ifndef CORE_BOUNDINGBOX_H
#define CORE_BOUNDINGBOX_H

#include "vector3.h"

#include <vector>

// Axis-aligned box as centre and full size (not half size).
class BoundingBox
{
public:
    BoundingBox() = default;
    BoundingBox(const Vector3T<double>& iCenter, const Vector3T<double>& iSize) : mCenter(iCenter), mSize(iSize) {}

    const Vector3T<double>& getCenter() const { return mCenter; }
    const Vector3T<double>& getSize() const { return mSize; }
    void setCenter(const Vector3T<double>& iCenter) { mCenter = iCenter; }
    void setSize(const Vector3T<double>& iSize) { mSize = iSize; }

    // Minimum and maximum per axis, compared in single precision.
    void init(const std::vector<Vector3T<double>>& iPoints);
    static BoundingBox* create(const std::vector<Vector3T<double>>& iPoints);

    // Appends the eight corners: the lower z face counter-clockwise from (lo, lo), then the upper.
    void getBoundingPoints(std::vector<Vector3T<double>>* oPoints) const;

    bool operator==(const BoundingBox& o) const { return mCenter == o.mCenter && mSize == o.mSize; }
    bool operator!=(const BoundingBox& o) const { return !(*this == o); }

private:
    Vector3T<double> mCenter;
    Vector3T<double> mSize;
};

#endif
