#ifndef CORE_POINTCLOUDDATA_H
#define CORE_POINTCLOUDDATA_H

#include "color.h"
#include "vector3.h"

#include <cstdint>
#include <vector>

// One cell of a point matrix, stored raw as 20 bytes.
struct Point
{
    enum Flag : unsigned { Selected = 1u, Deleted = 2u };

    Color color;
    Vector3T<float> position;
    unsigned flag = 0;

    bool isValid() const { return (flag & Deleted) == 0; }
};

static_assert(sizeof(Point) == 20, "Point is stored raw as 20 bytes");

// A scan matrix; the cell order is that of its source (see the readers).
struct PointCloudData
{
    int flag = 0;
    int width = 0;
    int height = 0;
    unsigned validPointNumber = 0;
    std::vector<Point> pointList;
};

// Three vertex indices, stored raw as 12 bytes.
struct Triangle
{
    std::uint32_t index[3] = {0, 0, 0};
};

static_assert(sizeof(Triangle) == 12, "Triangle is stored raw as 12 bytes");

#endif
