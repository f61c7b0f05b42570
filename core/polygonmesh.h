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

    // The two builders below append to the lists and are defined in the polygon file library.

    // Triangulates a regular grid sampled every iSamplingPitch cells, printing its progress: a
    // vertex for every non-empty cell with finite coordinates, two triangles for each full quad
    // and one for a quad with one empty corner. With iRowMajor the cells lie row after row,
    // else column after column. False, with nothing added, for a pitch below 1 or a grid whose
    // cell count is not width x height; else whether the mesh holds a triangle.
    bool init(const PointCloudData& iGrid, bool iRowMajor, int iSamplingPitch);
    // A flat iColumns x iRows test grid of spacing 0.1; false for a count below 1.
    bool init(int iColumns, int iRows);
};

// One triangle ready to draw: its corners' positions in triangle order, then their colours.
struct TriangleData
{
    Vector3T<float> positions[3];
    Color colors[3];
};

static_assert(sizeof(TriangleData) == 48, "TriangleData holds three positions and three colours");

#endif
