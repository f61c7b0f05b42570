#include "polygonimp.h"

#include "drawfunction.h"

void PolygonDrawer::drawNode(const std::vector<Vector3T<float>>& iPoints, const std::vector<Color>& iColors,
                             int iPointSize) const
{
    drawPoints(iPoints, iColors, iPointSize);
}

void PolygonDrawer::drawTriangle(const std::vector<Vector3T<float>>& iPoints, const std::vector<Color>& iColors,
                                 const std::vector<unsigned>& iIndices) const
{
    drawTriangles(iIndices, iPoints, iColors);
}

void PolygonDrawer::drawTriangleEdge(const std::vector<Vector3T<float>>& iPoints,
                                     const std::vector<unsigned>& iIndices, const Color& iColor) const
{
    drawTriangleEdges(iIndices, iPoints, iColor);
}

PolygonImp::PolygonImp(PolygonData* iData) : data(iData)
{
}

PolygonImp::~PolygonImp()
{
    delete data;
}

void PolygonImp::updateIndexListForTriangle()
{
    if (!data)
        return;
    triangleIndexList.clear();
    triangleIndexList.reserve(data->triangles.size() * 3);
    for (const Triangle& triangle : data->triangles)
        triangleIndexList.insert(triangleIndexList.end(), {triangle.index[0], triangle.index[1], triangle.index[2]});
}

void PolygonImp::updateIndexListForTriangleEdge()
{
    if (!data)
        return;
    edgeIndexList.clear();
    edgeIndexList.reserve(data->triangles.size() * 6);
    for (const Triangle& triangle : data->triangles) {
        const unsigned i0 = triangle.index[0], i1 = triangle.index[1], i2 = triangle.index[2];
        edgeIndexList.insert(edgeIndexList.end(), {i0, i1, i1, i2, i2, i0});
    }
}

void PolygonImp::drawNode(int iPointSize) const
{
    if (data)
        PolygonDrawer().drawNode(data->points, data->colors, iPointSize);
}

void PolygonImp::drawPolygon() const
{
    if (data)
        PolygonDrawer().drawTriangle(data->points, data->colors, triangleIndexList);
}

void PolygonImp::drawPolygonEdge(Color iColor) const
{
    if (data)
        PolygonDrawer().drawTriangleEdge(data->points, edgeIndexList, iColor);
}
