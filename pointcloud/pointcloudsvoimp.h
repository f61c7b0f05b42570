#ifndef POINTCLOUD_POINTCLOUDSVOIMP_H
#define POINTCLOUD_POINTCLOUDSVOIMP_H

#include "pointcloudinterface.h"
#include "sparsevoxeloctree.h"

#include <functional>
#include <mutex>
#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

// A shot's data over an octree file that is read piece by piece: the body (octree, voxel
// pool, leaf pool) is made by the first load and grows by node layers, voxel blocks and leaf
// blocks as the level of detail asks for them.
//
// <ColorBlock, PointBlock> reads octree point files (.zrpcd); <ColorBlock, PointIndexBlock>
// reads point-matrix octree files (.zrpmd), whose leaves hold matrix cell indices, reads the
// points at those cells and can join scan-grid neighbours into a triangle mesh.
//
// Threads. The GUI thread draws, rebuilds the draw lists and loads node layers while the
// loader thread loads node layers, voxel blocks and leaf blocks of the same object. Two locks
// keep them apart:
// - the state lock guards the body pointer, the node list, the pool entries, the block
//   contents, the draw lists and the failed-block marks; it is held only for short steps, never
//   for a file read;
// - the load lock serialises the block loads and every replacement of the body, so that a
//   body is never freed or replaced while a block load works on it.
// A block load reads the file into pools of its own without the state lock and then hands
// the complete entries and points over to the body in one locked step: drawing never sees a
// half-read block. A node load takes what the read needs from the body (layer sizes, node
// count) under the state lock, reads the node records without any lock and appends them in
// one locked step, to the same body only: one cleared or replaced meanwhile gets nothing.
//
// Failed blocks. A leaf whose block or points could not be read, and a voxel block that could
// not be read, is marked and counts as loaded for isLoadedDrawLeafData and
// isLoadedDrawVoxelData, so that the loader does not read (and report) it again every frame;
// it is drawn without them. The marks go with the body: once the data is cleared or replaced
// and loaded again, the block is read again.
//
// Node keys. Nodes are separate heap objects that only ever get appended to the node list, so
// a key stays the address of the same node until the body is replaced or cleared; nothing
// re-sorts or frees nodes of an installed body. A key handed back to a load is looked up
// among the nodes of the body held at that moment and refused when it is not one of them
// (a key kept across clearPointData, say). Callers should still stop the loader before they
// clear or replace the body: the replacement waits for a running block load to finish.
template <typename C, typename L>
class PointCloudSVOImp : public PointCloudInterface, public PointCloudSVOInterface
{
public:
    using Body = SVOSystem<C, L>;

    PointCloudSVOImp() = default;
    explicit PointCloudSVOImp(const std::string& iFilePath) : mFilePath(iFilePath) {}
    ~PointCloudSVOImp() override;
    PointCloudSVOImp(const PointCloudSVOImp&) = delete;
    PointCloudSVOImp& operator=(const PointCloudSVOImp&) = delete;

    // Set before the first load.
    void setFilePath(const std::string& iFilePath) { mFilePath = iFilePath; }
    // Runs iReader on the body held at this moment (null when there is none) under the state
    // lock, for looking into the loaded blocks; the reader must not call back into this object.
    void readBody(const std::function<void(const Body*)>& iReader) const;

    // PointCloudInterface
    std::string getFilePath() const override { return mFilePath; }
    int getPointNumber() const override;
    Vector3T<double> getCenter() const override;
    Vector3T<double> getSize() const override;
    void draw(int iLevel, int iPointSize) const override;
    void draw(int iLevel, int iPointSize, Color iColor) const override;
    PointCloudSVOInterface* getSVOInterface() override { return this; }

    // PointCloudSVOInterface (the editor's PointCloudInterface declares getPointCloudData and the
    // point selection; one definition serves whichever base declares them)
    bool exportBinaryFile_SVO(const std::string& iFilePath, const PointCloudData& iData) const override;
    bool updatePCD(PointCloudData* ioData) const override;
    bool getPointCloudData(PointCloudData* oData) const override;
    bool isLoadedDrawVoxelData() const override;
    bool isLoadedDrawLeafData() const override;
    void updateDrawNode(const Matrix4x4T<double>& iMatrix, const Camera& iCamera, int iPointSize,
                        float iFarPlanePixelSize) override;
    void updateDrawNode_FullLeaf() override;
    void drawVoxelNodes(Color iColor) const override;
    void drawVoxelNodesWithIndexColor() const override;
    void drawPolygon() const override;
    void drawPolygonEdge(Color iColor) const override;
    std::vector<const void*> getDrawVoxelNodeKeyList() const override;
    void setDrawVoxelNodeList(const std::vector<unsigned int>& iPositions) override;
    std::vector<const void*> getDrawLeafNodeKeyList() const override;
#ifndef BRENMOOR
    int getTreeDepth() override;
#endif
    bool hasPointData() override;
    void clearPointData() override;
    void clearPointData(Deleter** oDeleter) override;
    bool loadSVO(std::string& iErrorMessage) override;
    bool loadSVO_Base(std::string& iErrorMessage) override;
    bool loadSVO_Tree(std::string& iErrorMessage) override;
    bool loadSVO_Nodes(int iDepth, std::string& iErrorMessage) override;
    bool loadSVO_Voxels(const std::vector<const void*>& iNodeKeyList, std::string& iErrorMessage) override;
    bool loadSVO_Points(const std::vector<const void*>& iNodeKeyList, std::string& iErrorMessage) override;
#ifndef BRENMOOR
    bool loadSVO_Points(const std::vector<const void*>& iNodeKeyList, bool volatile* iStop,
                        std::string& iErrorMessage) override;
#endif
    int getWidth() const override;
    int getHeight() const override;
    void selectPointALL() override;
    void deselectPointALL() override;
    void selectPoint(const std::vector<Vector4T<double>>& iPlanes) override;
    void deselectPoint(const std::vector<Vector4T<double>>& iPlanes) override;
    void deleteSelectedPoint() override;

private:
    using NodeList = std::vector<const SparseVoxelOctreeNode*>;

    // The numbers a base or whole-file load reads besides the octree.
    struct FileInfo
    {
        int pointNumber = 0;
        int width = 0;
        int height = 0;
    };

    // Installs iBody (may be null), empties the draw lists and destroys the old body when
    // iDeleteOld is set; returns the old body when it is kept.
    Body* setBody(Body* iBody, bool iDeleteOld, const FileInfo* iInfo = nullptr);
    void rebuildNodeKeys();
    // The listed keys as nodes of the current body; false when one of them is not.
    bool resolveNodeKeys(const std::vector<const void*>& iKeys, NodeList* oNodes) const;
    // The checks shared by the block loads; on success the load lock is held through ioLock.
    bool beginBlockLoad(const std::vector<const void*>& iKeys, std::unique_lock<std::mutex>* ioLock,
                        NodeList* oNodes, bool* oResult, std::string& iErrorMessage);
    template <typename F>
    void forEachOwnPoint(F iFunction);

    std::string mFilePath;
    int mPointNumber = 0;
    int mWidth = 0;
    int mHeight = 0;
    // Cells of one run of the matrix's scan order, told from the file by the first mesh load
    // and kept with the body; 0 until then. Guarded by the load lock.
    int mRunLength = 0;
    Body* mBody = nullptr;
    NodeList mDrawVoxelNodeList;
    NodeList mDrawLeafNodeList;
    // Addresses of the body's nodes, ascending, for checking node keys.
    std::vector<const void*> mNodeKeys;
    // Counts body changes, so that a node load can tell whether its body is still installed.
    std::uint64_t mBodyGeneration = 0;
    // Leaf entry numbers of the body's leaves, and voxel entry numbers of its voxel blocks,
    // whose read failed.
    std::unordered_set<int> mFailedLeaves;
    std::unordered_set<int> mFailedVoxels;

    mutable std::mutex mMutex; // the state lock
    std::mutex mLoadMutex;     // the load lock
};

extern template class PointCloudSVOImp<ColorBlock, PointBlock>;
extern template class PointCloudSVOImp<ColorBlock, PointIndexBlock>;

#endif
