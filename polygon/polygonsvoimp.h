#ifndef POLYGON_POLYGONSVOIMP_H
#define POLYGON_POLYGONSVOIMP_H

#include "polygoninterface.h"
#include "sparsevoxeloctree.h"

#include <functional>
#include <mutex>
#include <string>
#include <unordered_set>
#include <vector>

// A mesh over a polygon octree file (.zrply) read piece by piece: the body (octree, voxel pool,
// leaf pool) is made by the first tree load and grows by node layers, voxel blocks and leaf
// blocks as the level of detail asks for them. Leaves drawn with their triangles get draw
// arrays (three unshared vertices per triangle) read from the file when first drawn.
//
// Threads. The GUI thread draws, chooses the draw lists and loads node layers; the loader
// thread loads voxel and leaf blocks. The state lock guards the body pointer, the node list,
// the pool entries, the block contents, the draw lists and the failed-leaf marks, and is held
// for short steps only; the load lock serialises block loads and every replacement of the
// body, so that a body is never freed while a block load reads for it. A block load reads into
// pools of its own and hands the complete entries over in one locked step.
//
// A leaf or voxel block that could not be read, and a leaf whose triangles could not be read
// for its draw arrays, is marked and counts as loaded, so that it is not read (and reported)
// again every frame; it draws nothing. The marks go with the body.
class PolygonSVOImp : public PolygonInterface, public PolygonSVOInterface
{
public:
    using Body = SVOSystem<ColorBlock, ElementIndexBlock>;
    using NodeList = std::vector<const SparseVoxelOctreeNode*>;

    PolygonSVOImp();
    ~PolygonSVOImp() override;
    PolygonSVOImp(const PolygonSVOImp&) = delete;
    PolygonSVOImp& operator=(const PolygonSVOImp&) = delete;

    // Takes iBody (may be null) and empties the draw lists; the held body is destroyed once a
    // running block load is done with it.
    void setBody(Body* iBody);
    // True for an empty list; else whether a body is held and every node's voxel block is loaded.
    bool hasLoadedVoxelData(const NodeList& iNodes) const;
    int getDrawLevel() const;
    // Runs iReader on the body held at this moment (null when there is none) under the state
    // lock; the reader must not call back into this object.
    void readBody(const std::function<void(const Body*)>& iReader) const;

    // PolygonInterface
    std::string getFilePath() const override { return filePath; }
    int getElementNumber() const override { return elementNumber; }
    int getPointNumber() const override { return pointNumber; }
    Vector3T<double> getCenter() const override { return center; }
    Vector3T<double> getSize() const override { return size; }
    void updateIndexListForNode() override {}
    // Appends every node to the voxel draw list and every leaf to the leaf draw list.
    void updateIndexListForTriangle() override;
    void updateIndexListForTriangleEdge() override {}
    void drawNode(int iPointSize) const override;
    void drawPolygon() const override;
    void drawPolygonEdge(Color iColor) const override;
    PolygonSVOInterface* getSVOInterface() override { return this; }

    // PolygonSVOInterface
    void setDrawLevel(int iLevel) override;
    bool isLoadedDrawVoxelData() const override;
    bool isLoadedDrawLeafData() const override;
    void updateDrawNode(const Matrix4x4T<double>& iMatrix, const Camera& iCamera, int iPointSize,
                        float iPixelSize) override;
    void drawVoxelNodes(Color iColor) const override;
    void drawVoxelNodesWithIndexColor() const override;
    std::vector<const void*> getDrawVoxelNodeKeyList() const override;
    void setDrawVoxelNodeList(const std::vector<unsigned int>& iPositions) override;
    std::vector<const void*> getDrawLeafNodeKeyList() const override;
    bool hasData() const override;
    void clearData() override;
    // The whole file into a new body, which replaces the held one only on success.
    bool loadSVO(std::string& iErrorMessage) override;
    // The tree header into a new body when none is held.
    bool loadSVO_Base(std::string& iErrorMessage) override;
    bool loadSVO_Tree(std::string& iErrorMessage) override;
    bool loadSVO_Nodes(int iDepth, std::string& iErrorMessage) override;
    bool loadSVO_Voxels(const std::vector<const void*>& iNodeKeyList, std::string& iErrorMessage) override;
    bool loadSVO_Leafs(const std::vector<const void*>& iNodeKeyList, std::string& iErrorMessage) override;

    // The file readers on a body of the caller's (no locking); each reports the reader's result.
    static bool loadCompletely(Body* ioBody, const std::string& iFilePath, std::string& iErrorMessage);
    static bool loadBasePart(Body* ioBody, const std::string& iFilePath, std::string& iErrorMessage);
    static bool loadTreePart(Body* ioBody, const std::string& iFilePath, std::string& iErrorMessage);
    static bool loadNodePart(Body* ioBody, const std::string& iFilePath, int iDepth, std::string& iErrorMessage);
    static bool loadVoxelPart(Body* ioBody, const std::string& iFilePath, const NodeList& iNodes,
                              std::string& iErrorMessage);
    static bool loadLeafPart(Body* ioBody, const std::string& iFilePath, const NodeList& iNodes,
                             std::string& iErrorMessage);

    // Set by the creator before the first load.
    std::string filePath;
    int elementNumber = 0;
    int pointNumber = 0;
    Vector3T<double> center;
    Vector3T<double> size;

private:
    // Under the state lock: installs iBody and returns the old one.
    Body* swapBody(Body* iBody);
    void rebuildNodeKeys();
    bool resolveNodeKeys(const std::vector<const void*>& iKeys, NodeList* oNodes) const;
    // The keyed nodes whose voxel (or, with iLeaves, leaf) blocks are still to be read, and the
    // voxels per node; false, with the message, without a body or for a key of no node held.
    bool findMissing(const std::vector<const void*>& iKeys, bool iLeaves, NodeList* oMissing, int* oVoxelCount,
                     std::string& iErrorMessage) const;
    // The draw arrays of the drawn leaves that lack them, as far as their triangles can be read.
    void updateLeafDrawData() const;
    void drawAtLevel(int iPass, int iPointSize, const Color& iColor) const;

    Body* mBody = nullptr;
    NodeList mDrawVoxelNodeList;
    NodeList mDrawLeafNodeList;
    int mDrawLevel = 1;
    // Addresses of the body's nodes, ascending, for checking node keys.
    std::vector<const void*> mNodeKeys;
    std::unordered_set<int> mFailedLeaves;
    std::unordered_set<int> mFailedVoxels;
    // Leaves whose triangles could not be read for their draw arrays; filled while drawing.
    mutable std::unordered_set<int> mFailedArrays;

    mutable std::mutex mMutex; // the state lock
    std::mutex mLoadMutex;     // the load lock
};

#endif
