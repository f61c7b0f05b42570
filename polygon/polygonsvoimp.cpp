#include "polygonsvoimp.h"

#include "camera.h"
#include "drawfunction.h"
#include "fileoperation_zrply.h"
#include "octreeblockload.h"
#include "octreedepth.h"


#include <GL/gl.h>

#include <algorithm>
#include <memory>
#include <unordered_set>

using namespace octreeload;

namespace
{

const char* const flNoBody = "Cannot access Body...";
const char* const flEmptyKeyList = "iNodeKeyList is Empty.";
const char* const flUnknownKey = "Node key is not in the loaded octree.";

PolygonSVOImp::Body* FL_newBody()
{
    PolygonSVOImp::Body* body = new PolygonSVOImp::Body;
    body->getOctree().setLoadedDepth(-1);
    return body;
}

// Builds the draw arrays (three unshared vertices per triangle) of the listed leaves from one
// read of their triangles; false, building nothing, when the read fails.
bool FL_buildDrawArrays(const NodeList& iLeafNodes, const LeafBlockPool<ElementIndexBlock>& iPool,
                        const std::string& iFilePath, std::string& iErrorMessage)
{
    std::vector<unsigned int> indices;
    for (const SparseVoxelOctreeNode* node : iLeafNodes) {
        const ElementIndexBlock* block = leafBlock(iPool, node);
        indices.insert(indices.end(), block->indices.begin(), block->indices.end());
    }
    std::vector<TriangleData> triangles;
    if (!loadZRPLYFile_PolygonData(iFilePath, &triangles, indices, iErrorMessage) || triangles.size() != indices.size())
        return false;
    std::size_t next = 0;
    for (const SparseVoxelOctreeNode* node : iLeafNodes) {
        ElementIndexBlock* block = leafBlock(iPool, node);
        const std::size_t count = block->indices.size();
        block->positions.reserve(count * 3);
        block->colors.reserve(count * 3);
        block->triangleIndices.reserve(count * 3);
        block->edgeIndices.reserve(count * 6);
        for (std::size_t t = 0; t < count; ++t, ++next) {
            const unsigned b = static_cast<unsigned>(block->positions.size());
            for (int k = 0; k < 3; ++k) {
                block->positions.push_back(triangles[next].positions[k]);
                block->colors.push_back(triangles[next].colors[k]);
            }
            block->triangleIndices.insert(block->triangleIndices.end(), {b, b + 1, b + 2});
            block->edgeIndices.insert(block->edgeIndices.end(), {b, b + 1, b + 1, b + 2, b + 2, b});
        }
    }
    return true;
}

// Gives the listed leaves that are loaded and lack them their draw arrays, all in one read or,
// when that fails, leaf by leaf. Leaves in ioFailed are skipped; those whose triangles cannot
// be read are added to it, so that they are not read again every frame.
void FL_updatePolygonDrawData(const NodeList& iLeafNodes, const LeafBlockPool<ElementIndexBlock>& iPool,
                              const std::string& iFilePath, LeafMarks* ioFailed)
{
    NodeList pending;
    std::unordered_set<const ElementIndexBlock*> seen;
    for (const SparseVoxelOctreeNode* node : iLeafNodes) {
        const ElementIndexBlock* block = leafBlock(iPool, node);
        if (block == nullptr || !block->triangleIndices.empty() || block->indices.empty() ||
            ioFailed->count(node->getFirstIndex()) != 0 || !seen.insert(block).second)
            continue;
        pending.push_back(node);
    }
    std::string message;
    const NodeList failed = readEach(pending, message, [&](const NodeList& iLeaves, std::string& oMessage) {
        return FL_buildDrawArrays(iLeaves, iPool, iFilePath, oMessage);
    });
    for (const SparseVoxelOctreeNode* node : failed)
        ioFailed->insert(node->getFirstIndex());
}

} // namespace

PolygonSVOImp::PolygonSVOImp()
{
    clearData();
}

PolygonSVOImp::~PolygonSVOImp()
{
    setBody(nullptr);
}

PolygonSVOImp::Body* PolygonSVOImp::swapBody(Body* iBody)
{
    Body* old = mBody;
    mBody = iBody;
    mDrawLeafNodeList.clear();
    mDrawVoxelNodeList.clear();
    mFailedLeaves.clear();
    mFailedVoxels.clear();
    mFailedArrays.clear();
    rebuildNodeKeys();
    return old;
}

void PolygonSVOImp::setBody(Body* iBody)
{
    std::lock_guard<std::mutex> load(mLoadMutex);
    Body* old = nullptr;
    {
        std::lock_guard<std::mutex> state(mMutex);
        old = swapBody(iBody);
    }
    delete old;
}

void PolygonSVOImp::rebuildNodeKeys()
{
    mNodeKeys.clear();
    if (mBody == nullptr)
        return;
    for (const SparseVoxelOctreeNode* node : mBody->getOctree().getNodeList())
        mNodeKeys.push_back(node);
    std::sort(mNodeKeys.begin(), mNodeKeys.end(), std::less<const void*>());
}

bool PolygonSVOImp::resolveNodeKeys(const std::vector<const void*>& iKeys, NodeList* oNodes) const
{
    oNodes->clear();
    oNodes->reserve(iKeys.size());
    for (const void* key : iKeys) {
        if (!std::binary_search(mNodeKeys.begin(), mNodeKeys.end(), key, std::less<const void*>()))
            return false;
        oNodes->push_back(static_cast<const SparseVoxelOctreeNode*>(key));
    }
    return true;
}

void PolygonSVOImp::readBody(const std::function<void(const Body*)>& iReader) const
{
    std::lock_guard<std::mutex> lock(mMutex);
    iReader(mBody);
}

void PolygonSVOImp::updateIndexListForTriangle()
{
    std::lock_guard<std::mutex> lock(mMutex);
    if (mBody == nullptr)
        return;
    for (const SparseVoxelOctreeNode* node : mBody->getOctree().getNodeList())
        mDrawVoxelNodeList.push_back(node);
    for (const SparseVoxelOctreeNode* node : mBody->getOctree().getNodeList())
        if (!node->hasChild())
            mDrawLeafNodeList.push_back(node);
}

void PolygonSVOImp::setDrawLevel(int iLevel)
{
    std::lock_guard<std::mutex> lock(mMutex);
    mDrawLevel = iLevel;
}

int PolygonSVOImp::getDrawLevel() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mDrawLevel;
}

bool PolygonSVOImp::hasLoadedVoxelData(const NodeList& iNodes) const
{
    std::lock_guard<std::mutex> lock(mMutex);
    if (iNodes.empty())
        return true;
    return mBody != nullptr && missingVoxels(mBody->getVoxelBlockPool(), iNodes, &mFailedVoxels).empty();
}

// A node without a voxel entry has nothing to load and counts as loaded, as the block loads
// skip it; else the loader would be asked for it every frame.
bool PolygonSVOImp::isLoadedDrawVoxelData() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    if (mDrawVoxelNodeList.empty() && mDrawLeafNodeList.empty())
        return true;
    if (mBody == nullptr)
        return false;
    return missingVoxels(mBody->getVoxelBlockPool(), mDrawVoxelNodeList, &mFailedVoxels).empty() &&
           missingVoxels(mBody->getVoxelBlockPool(), mDrawLeafNodeList, &mFailedVoxels).empty();
}

bool PolygonSVOImp::isLoadedDrawLeafData() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    if (mDrawLeafNodeList.empty())
        return true;
    if (mBody == nullptr)
        return false;
    return missingLeaves(mBody->getLeafBlockPool(), mFailedLeaves, mDrawLeafNodeList).empty();
}

void PolygonSVOImp::updateDrawNode(const Matrix4x4T<double>& iMatrix, const Camera& iCamera, int iPointSize,
                                   float iPixelSize)
{
    std::lock_guard<std::mutex> lock(mMutex);
    mDrawVoxelNodeList.clear();
    mDrawLeafNodeList.clear();
    if (mBody == nullptr || mBody->getOctree().getNodeList().empty())
        return;
    const SparseVoxelOctree& octree = mBody->getOctree();
    // The octree's own root box, which the node sizes derive from.
    collectRenderingVoxel_Recursively(&mDrawVoxelNodeList, &mDrawLeafNodeList, octree.getNodeList(),
                                      octree.getNode(0), octree.getLoadedDepth(), 0, iMatrix,
                                      octree.getBoundingBox().getSize(), iPointSize, iCamera, iPixelSize, true);
}

void PolygonSVOImp::drawVoxelNodes(Color iColor) const
{
    std::lock_guard<std::mutex> lock(mMutex);
    if (mBody != nullptr && hasCurrentGLContext())
        drawNodes(mDrawVoxelNodeList, iColor, mBody->getOctree().getVoxelResolution());
}

void PolygonSVOImp::drawVoxelNodesWithIndexColor() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    if (mBody != nullptr && hasCurrentGLContext())
        drawNodesByIndexColor(mDrawVoxelNodeList, mBody->getOctree().getVoxelResolution());
}

std::vector<const void*> PolygonSVOImp::getDrawVoxelNodeKeyList() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return std::vector<const void*>(mDrawVoxelNodeList.begin(), mDrawVoxelNodeList.end());
}

std::vector<const void*> PolygonSVOImp::getDrawLeafNodeKeyList() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return std::vector<const void*>(mDrawLeafNodeList.begin(), mDrawLeafNodeList.end());
}

void PolygonSVOImp::setDrawVoxelNodeList(const std::vector<unsigned int>& iPositions)
{
    std::lock_guard<std::mutex> lock(mMutex);
    NodeList kept;
    kept.reserve(iPositions.size());
    for (unsigned int position : iPositions)
        if (position < mDrawVoxelNodeList.size())
            kept.push_back(mDrawVoxelNodeList[position]);
    mDrawVoxelNodeList.swap(kept);
}

bool PolygonSVOImp::hasData() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mBody != nullptr;
}

void PolygonSVOImp::clearData()
{
    setBody(nullptr);
}

void PolygonSVOImp::updateLeafDrawData() const
{
    FL_updatePolygonDrawData(mDrawLeafNodeList, mBody->getLeafBlockPool(), filePath, &mFailedArrays);
}

// iPass: 0 points, 1 triangles, 2 edges.
void PolygonSVOImp::drawAtLevel(int iPass, int iPointSize, const Color& iColor) const
{
    std::lock_guard<std::mutex> lock(mMutex);
    if (mBody == nullptr || !hasCurrentGLContext())
        return;
    const SparseVoxelOctree& octree = mBody->getOctree();
    const VoxelBlockPool<ColorBlock>& voxels = mBody->getVoxelBlockPool();
    const int size = iPass == 0 ? iPointSize : 4;
    switch (mDrawLevel) {
    case 2:
        drawNodes(mDrawVoxelNodeList, Color(255, 255, 255, 255), size);
        drawNodes(mDrawLeafNodeList, Color(0, 0, 0, 255), size);
        return;
    case 1:
        drawVoxels(mDrawVoxelNodeList, octree, voxels, Color(255, 255, 0, 255), size);
        drawVoxels(mDrawLeafNodeList, octree, voxels, Color(255, 0, 0, 255), size);
        return;
    case 0:
        break;
    default:
        return;
    }

    // Leaves that are not loaded, or whose triangles cannot be read, draw nothing.
    updateLeafDrawData();
    const LeafBlockPool<ElementIndexBlock>& pool = mBody->getLeafBlockPool();
    if (iPass == 0) {
        drawVoxels(mDrawVoxelNodeList, octree, voxels, Color(0, 255, 255, 255), iPointSize);
        for (const SparseVoxelOctreeNode* node : mDrawLeafNodeList)
            if (const ElementIndexBlock* block = leafBlock(pool, node); block && !block->triangleIndices.empty())
                drawPoints(block->positions, block->colors, iPointSize);
    } else if (iPass == 1) {
        drawVoxels(mDrawVoxelNodeList, octree, voxels, Color(0, 0, 0, 255), 4);
        for (const SparseVoxelOctreeNode* node : mDrawLeafNodeList)
            if (const ElementIndexBlock* block = leafBlock(pool, node); block && !block->triangleIndices.empty())
                drawTriangles(block->triangleIndices, block->positions, block->colors);
    } else {
        drawVoxels(mDrawVoxelNodeList, octree, voxels, iColor, 1);
        glLineWidth(1.0f);
        for (const SparseVoxelOctreeNode* node : mDrawLeafNodeList)
            if (const ElementIndexBlock* block = leafBlock(pool, node); block && !block->triangleIndices.empty())
                drawTriangleEdges(block->edgeIndices, block->positions, iColor);
    }
}

void PolygonSVOImp::drawNode(int iPointSize) const
{
    drawAtLevel(0, iPointSize, Color());
}

void PolygonSVOImp::drawPolygon() const
{
    drawAtLevel(1, 4, Color());
}

void PolygonSVOImp::drawPolygonEdge(Color iColor) const
{
    drawAtLevel(2, 4, iColor);
}

bool PolygonSVOImp::loadSVO(std::string& iErrorMessage)
{
    std::unique_ptr<Body> body(FL_newBody());
    if (!loadCompletely(body.get(), filePath, iErrorMessage))
        return false;
    setBody(body.release());
    return true;
}

bool PolygonSVOImp::loadSVO_Base(std::string& iErrorMessage)
{
    std::lock_guard<std::mutex> load(mLoadMutex);
    {
        std::lock_guard<std::mutex> state(mMutex);
        if (mBody != nullptr)
            return true;
    }
    std::unique_ptr<Body> body(FL_newBody());
    if (!loadTreePart(body.get(), filePath, iErrorMessage))
        return false;
    std::lock_guard<std::mutex> state(mMutex);
    delete swapBody(body.release());
    return true;
}

bool PolygonSVOImp::loadSVO_Tree(std::string& iErrorMessage)
{
    return loadSVO_Base(iErrorMessage);
}

bool PolygonSVOImp::loadSVO_Nodes(int iDepth, std::string& iErrorMessage)
{
    std::lock_guard<std::mutex> load(mLoadMutex);
    std::lock_guard<std::mutex> state(mMutex);
    if (mBody == nullptr) {
        iErrorMessage = flNoBody;
        return false;
    }
    if (mBody->getOctree().getLoadedDepth() >= iDepth)
        return true;
    const bool ok = loadNodePart(mBody, filePath, iDepth, iErrorMessage);
    rebuildNodeKeys();
    return ok;
}

bool PolygonSVOImp::findMissing(const std::vector<const void*>& iKeys, bool iLeaves, NodeList* oMissing,
                                int* oVoxelCount, std::string& iErrorMessage) const
{
    std::lock_guard<std::mutex> state(mMutex);
    if (mBody == nullptr) {
        iErrorMessage = flNoBody;
        return false;
    }
    NodeList nodes;
    if (!resolveNodeKeys(iKeys, &nodes)) {
        iErrorMessage = flUnknownKey;
        return false;
    }
    *oMissing = iLeaves ? missingLeaves(mBody->getLeafBlockPool(), mFailedLeaves, nodes)
                        : missingVoxels(mBody->getVoxelBlockPool(), nodes, &mFailedVoxels);
    const int n = mBody->getOctree().getVoxelResolution();
    *oVoxelCount = n * n * n;
    return true;
}

bool PolygonSVOImp::loadSVO_Voxels(const std::vector<const void*>& iNodeKeyList, std::string& iErrorMessage)
{
    if (iNodeKeyList.empty()) {
        iErrorMessage = flEmptyKeyList;
        return true;
    }
    std::lock_guard<std::mutex> load(mLoadMutex);
    NodeList missing;
    int voxelCount = 0;
    if (!findMissing(iNodeKeyList, false, &missing, &voxelCount, iErrorMessage))
        return false;
    if (missing.empty())
        return true;
    // Read without the state lock into pools of its own; the body stays, as the load lock keeps
    // it from being replaced. Each read that succeeds hands its complete blocks on.
    VoxelBlockPool<ColorBlock> staged;
    const std::vector<int> failed = readVoxelBlocks(
        missing, &staged, iErrorMessage,
        [&](const NodeList& iNodes, VoxelBlockPool<ColorBlock>* oPool, std::string& oMessage) {
            LeafBlockPool<ElementIndexBlock> unusedLeaves;
            return loadZRPLYFile_Voxels(filePath, oPool, &unusedLeaves, iNodes, voxelCount, oMessage);
        });
    std::lock_guard<std::mutex> state(mMutex);
    install(&mBody->getVoxelBlockPool(), &staged);
    mFailedVoxels.insert(failed.begin(), failed.end());
    return failed.empty();
}

bool PolygonSVOImp::loadSVO_Leafs(const std::vector<const void*>& iNodeKeyList, std::string& iErrorMessage)
{
    if (iNodeKeyList.empty()) {
        iErrorMessage = flEmptyKeyList;
        return true;
    }
    std::lock_guard<std::mutex> load(mLoadMutex);
    NodeList missing;
    int voxelCount = 0;
    if (!findMissing(iNodeKeyList, true, &missing, &voxelCount, iErrorMessage))
        return false;
    if (missing.empty())
        return true;
    VoxelBlockPool<ColorBlock> unusedVoxels;
    LeafBlockPool<ElementIndexBlock> staged;
    const std::vector<int> failed =
        entriesOf(readEach(missing, iErrorMessage, [&](const NodeList& iLeaves, std::string& oMessage) {
            return loadZRPLYFile_Leafs(filePath, &unusedVoxels, &staged, iLeaves, voxelCount, oMessage);
        }));
    dropLeaves(&staged, failed);
    std::lock_guard<std::mutex> state(mMutex);
    install(&mBody->getLeafBlockPool(), &staged);
    mFailedLeaves.insert(failed.begin(), failed.end());
    return failed.empty();
}

bool PolygonSVOImp::loadCompletely(Body* ioBody, const std::string& iFilePath, std::string& iErrorMessage)
{
    PolygonData mesh;
    return loadZRPLYFile(iFilePath, &mesh, &ioBody->getOctree(), &ioBody->getVoxelBlockPool(),
                         &ioBody->getLeafBlockPool(), iErrorMessage);
}

bool PolygonSVOImp::loadBasePart(Body* ioBody, const std::string& iFilePath, std::string& iErrorMessage)
{
    return loadTreePart(ioBody, iFilePath, iErrorMessage);
}

bool PolygonSVOImp::loadTreePart(Body* ioBody, const std::string& iFilePath, std::string& iErrorMessage)
{
    return loadZRPLYFile_Tree(iFilePath, &ioBody->getOctree(), iErrorMessage);
}

bool PolygonSVOImp::loadNodePart(Body* ioBody, const std::string& iFilePath, int iDepth,
                                 std::string& iErrorMessage)
{
    return loadZRPLYFile_Nodes(iFilePath, &ioBody->getOctree(), iDepth, iErrorMessage);
}

bool PolygonSVOImp::loadVoxelPart(Body* ioBody, const std::string& iFilePath, const NodeList& iNodes,
                                  std::string& iErrorMessage)
{
    const int n = ioBody->getOctree().getVoxelResolution();
    return loadZRPLYFile_Voxels(iFilePath, &ioBody->getVoxelBlockPool(), &ioBody->getLeafBlockPool(), iNodes,
                                n * n * n, iErrorMessage);
}

bool PolygonSVOImp::loadLeafPart(Body* ioBody, const std::string& iFilePath, const NodeList& iNodes,
                                 std::string& iErrorMessage)
{
    const int n = ioBody->getOctree().getVoxelResolution();
    return loadZRPLYFile_Leafs(iFilePath, &ioBody->getVoxelBlockPool(), &ioBody->getLeafBlockPool(), iNodes,
                               n * n * n, iErrorMessage);
}
