#ifndef POLYGON_POLYGONINTERFACE_H
#define POLYGON_POLYGONINTERFACE_H

#include "color.h"
#include "matrix4x4.h"
#include "vector3.h"

#include <string>
#include <vector>

class Camera;
class PolygonSVOInterface;

// The data side of a mesh object: where the mesh comes from, its counts and box, and its
// drawing in the point, triangle and edge passes. The mesh object only points to it.
class PolygonInterface
{
public:
    virtual ~PolygonInterface() = default;

    virtual std::string getFilePath() const = 0;
    // Triangles and vertices.
    virtual int getElementNumber() const = 0;
    virtual int getPointNumber() const = 0;
    // Centre and full extent of the mesh's bounding box, model coordinates.
    virtual Vector3T<double> getCenter() const = 0;
    virtual Vector3T<double> getSize() const = 0;
    virtual void updateIndexListForNode() = 0;
    virtual void updateIndexListForTriangle() = 0;
    virtual void updateIndexListForTriangleEdge() = 0;
    virtual void drawNode(int iPointSize) const = 0;
    virtual void drawPolygon() const = 0;
    virtual void drawPolygonEdge(Color iColor) const = 0;
    // Null when the mesh is not held in an octree.
    virtual PolygonSVOInterface* getSVOInterface() = 0;
};

// What an octree-backed mesh offers besides: level-of-detail draw lists chosen per view, their
// index-colour pass, and loading the polygon octree file piece by piece.
//
// Draw levels: 2 node centres only, 1 voxels, 0 voxels of the far nodes and the triangles of the
// near leaves. Node keys are the addresses of the nodes of the octree held at the moment; they
// are handed out by the two key-list operations and handed back to the block loads, usually
// from the loader thread; a key that is not a node of the octree held then is refused.
class PolygonSVOInterface
{
public:
    virtual ~PolygonSVOInterface() = default;

    virtual void setDrawLevel(int iLevel) = 0;
    virtual bool isLoadedDrawVoxelData() const = 0;
    virtual bool isLoadedDrawLeafData() const = 0;
    virtual void updateDrawNode(const Matrix4x4T<double>& iMatrix, const Camera& iCamera, int iPointSize,
                                float iPixelSize) = 0;
    virtual void drawVoxelNodes(Color iColor) const = 0;
    virtual void drawVoxelNodesWithIndexColor() const = 0;
    virtual std::vector<const void*> getDrawVoxelNodeKeyList() const = 0;
    virtual void setDrawVoxelNodeList(const std::vector<unsigned int>& iPositions) = 0;
    virtual std::vector<const void*> getDrawLeafNodeKeyList() const = 0;
    virtual bool hasData() const = 0;
    virtual void clearData() = 0;
    virtual bool loadSVO(std::string& iErrorMessage) = 0;
    virtual bool loadSVO_Base(std::string& iErrorMessage) = 0;
    virtual bool loadSVO_Tree(std::string& iErrorMessage) = 0;
    virtual bool loadSVO_Nodes(int iDepth, std::string& iErrorMessage) = 0;
    virtual bool loadSVO_Voxels(const std::vector<const void*>& iNodeKeyList, std::string& iErrorMessage) = 0;
    virtual bool loadSVO_Leafs(const std::vector<const void*>& iNodeKeyList, std::string& iErrorMessage) = 0;
};

#endif
