#ifndef POINTCLOUD_POINTCLOUDINTERFACE_H
#define POINTCLOUD_POINTCLOUDINTERFACE_H

#include "color.h"
#include "matrix4x4.h"
#include "pointclouddata.h"
#include "vector3.h"

#include <string>
#include <vector>

class Camera;
class Deleter;
class PointCloudSVOInterface;

// The data side of a shot: where its points come from, how many, where they lie and how they
// are drawn. The shot owns nothing of it but the pointer. Compiled for each program: Brenmoor's
// build defines BRENMOOR, and its form of the interface carries the editing operations.
class PointCloudInterface
{
public:
    virtual ~PointCloudInterface() = default;

    virtual std::string getFilePath() const = 0;
    virtual int getPointNumber() const = 0;
    // Centre and full extent of the data's bounding box, model coordinates.
    virtual Vector3T<double> getCenter() const = 0;
    virtual Vector3T<double> getSize() const = 0;
    // Level 2 draws the chosen leaves as single node points; levels 0 and 1 draw their points.
    virtual void draw(int iLevel, int iPointSize) const = 0;
    virtual void draw(int iLevel, int iPointSize, Color iColor) const = 0;
#ifdef BRENMOOR
    // The editor edits every kind of point data: its points with their selected (bit 0) and
    // deleted (bit 1) marks, and the marking by planes (a, b, c, d), a point being inside when
    // a x + b y + c z <= d for every plane.
    virtual bool getPointCloudData(PointCloudData* oData) const = 0;
    virtual void selectPointALL() = 0;
    virtual void deselectPointALL() = 0;
    virtual void selectPoint(const std::vector<Vector4T<double>>& iPlanes) = 0;
    virtual void deselectPoint(const std::vector<Vector4T<double>>& iPlanes) = 0;
    virtual void deleteSelectedPoint() = 0;
#endif
    // Null when the data is not held in an octree.
    virtual PointCloudSVOInterface* getSVOInterface() = 0;
};

// What an octree-backed implementation offers besides: level-of-detail draw lists, loading the
// octree file piece by piece, releasing the data, export, and point selection and deletion.
// The editor's form leaves out the tree depth and the stoppable point load (it loads on the GUI
// thread only); its point gathering and selection are those of PointCloudInterface.
//
// Node keys are the addresses of the nodes of the octree currently held. They are handed out
// by the two key-list operations and handed back to the block loads, usually from the loader
// thread; a key that is not a node of the octree held at that moment is refused.
class PointCloudSVOInterface
{
public:
    virtual ~PointCloudSVOInterface() = default;

    virtual bool exportBinaryFile_SVO(const std::string& iFilePath, const PointCloudData& iData) const = 0;
    // Copies the point flags back into the matrix they came from.
    virtual bool updatePCD(PointCloudData* ioData) const = 0;
#ifndef BRENMOOR
    // The whole point matrix of the file, where the file kind has one.
    virtual bool getPointCloudData(PointCloudData* oData) const = 0;
#endif

    virtual bool isLoadedDrawVoxelData() const = 0;
    virtual bool isLoadedDrawLeafData() const = 0;
    virtual void updateDrawNode(const Matrix4x4T<double>& iMatrix, const Camera& iCamera, int iPointSize,
                                float iFarPlanePixelSize) = 0;
    virtual void updateDrawNode_FullLeaf() = 0;
    virtual void drawVoxelNodes(Color iColor) const = 0;
    virtual void drawVoxelNodesWithIndexColor() const = 0;
    virtual void drawPolygon() const = 0;
    virtual void drawPolygonEdge(Color iColor) const = 0;
    virtual std::vector<const void*> getDrawVoxelNodeKeyList() const = 0;
    virtual void setDrawVoxelNodeList(const std::vector<unsigned int>& iPositions) = 0;
    virtual std::vector<const void*> getDrawLeafNodeKeyList() const = 0;

#ifndef BRENMOOR
    virtual int getTreeDepth() = 0;
#endif
    virtual bool hasPointData() = 0;
    virtual void clearPointData() = 0;
    // Detaches the data into a deleter (its target null when there was none) for another
    // thread to free.
    virtual void clearPointData(Deleter** oDeleter) = 0;

    virtual bool loadSVO(std::string& iErrorMessage) = 0;
    virtual bool loadSVO_Base(std::string& iErrorMessage) = 0;
    virtual bool loadSVO_Tree(std::string& iErrorMessage) = 0;
    virtual bool loadSVO_Nodes(int iDepth, std::string& iErrorMessage) = 0;
    virtual bool loadSVO_Voxels(const std::vector<const void*>& iNodeKeyList, std::string& iErrorMessage) = 0;
    virtual bool loadSVO_Points(const std::vector<const void*>& iNodeKeyList, std::string& iErrorMessage) = 0;
#ifndef BRENMOOR
    // The stop flag belongs to the loader thread, which sets it to cut a load short.
    virtual bool loadSVO_Points(const std::vector<const void*>& iNodeKeyList, bool volatile* iStop,
                                std::string& iErrorMessage) = 0;
#endif

    virtual int getWidth() const = 0;
    virtual int getHeight() const = 0;

#ifndef BRENMOOR
    virtual void selectPointALL() = 0;
    virtual void deselectPointALL() = 0;
    // A point is inside a plane (a, b, c, d) when a x + b y + c z <= d; planes are tested in
    // order and an empty list holds every point.
    virtual void selectPoint(const std::vector<Vector4T<double>>& iPlanes) = 0;
    virtual void deselectPoint(const std::vector<Vector4T<double>>& iPlanes) = 0;
    virtual void deleteSelectedPoint() = 0;
#endif
};

#endif
