#ifndef POLYGON_POLYGONIMP_H
#define POLYGON_POLYGONIMP_H

#include "polygoninterface.h"
#include "polygonmesh.h"

#include <string>
#include <vector>

// Draws meshes held in memory with client arrays; needs a current GL context.
class PolygonDrawer
{
public:
    // Nothing when the point and colour lists differ in length.
    void drawNode(const std::vector<Vector3T<float>>& iPoints, const std::vector<Color>& iColors,
                  int iPointSize) const;
    // Nothing as well when an index lies outside the points.
    void drawTriangle(const std::vector<Vector3T<float>>& iPoints, const std::vector<Color>& iColors,
                      const std::vector<unsigned>& iIndices) const;
    // Lines, width 1, in iColor; nothing when an index lies outside the points.
    void drawTriangleEdge(const std::vector<Vector3T<float>>& iPoints, const std::vector<unsigned>& iIndices,
                          const Color& iColor) const;
};

// A whole mesh in memory, read from an STL or JPGIS file. The creator sets the path, counts
// and box and builds the index lists once; the mesh never changes afterwards.
class PolygonImp : public PolygonInterface
{
public:
    // Takes ownership of iData (may be null: an empty mesh).
    explicit PolygonImp(PolygonData* iData = nullptr);
    ~PolygonImp() override;
    PolygonImp(const PolygonImp&) = delete;
    PolygonImp& operator=(const PolygonImp&) = delete;

    const PolygonData* getData() const { return data; }
    const std::vector<unsigned>& getTriangleIndexList() const { return triangleIndexList; }
    const std::vector<unsigned>& getEdgeIndexList() const { return edgeIndexList; }

    std::string getFilePath() const override { return filePath; }
    int getElementNumber() const override { return elementNumber; }
    int getPointNumber() const override { return pointNumber; }
    Vector3T<double> getCenter() const override { return center; }
    Vector3T<double> getSize() const override { return size; }
    void updateIndexListForNode() override {}
    // Three indices per triangle.
    void updateIndexListForTriangle() override;
    // Six per triangle: its three sides as separate segments.
    void updateIndexListForTriangleEdge() override;
    void drawNode(int iPointSize) const override;
    void drawPolygon() const override;
    void drawPolygonEdge(Color iColor) const override;
    PolygonSVOInterface* getSVOInterface() override { return nullptr; }

    std::string filePath;
    int elementNumber = 0;
    int pointNumber = 0;
    Vector3T<double> center;
    Vector3T<double> size;

private:
    PolygonData* data;
    std::vector<unsigned> triangleIndexList;
    std::vector<unsigned> edgeIndexList;
};

#endif
