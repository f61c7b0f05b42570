#ifndef CORE_POLYGONMESH_H
#define CORE_POLYGONMESH_H

#include "color.h"
#include "pointclouddata.h"
#include "vector3.h"

#include <vector>

// A triangle mesh: vertex positions, one colour per vertex, triangles of three vertex indices.
struct PolygonData
{
    std::vector<Vector3T<float>> points;
    std::vector<Color> colors;
    std::vector<Triangle> triangles;
};

// One triangle ready to draw: its corners' positions in triangle order, then their colours.
struct TriangleData
{
    Vector3T<float> positions[3];
    Color colors[3];
};

static_assert(sizeof(TriangleData) == 48, "TriangleData holds three positions and three colours");

#endif
