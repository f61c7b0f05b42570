#include "pointcloudsvoimp.h"

#include "camera.h"
#include "deleter.h"
#include "drawfunction.h"
#include "fileoperation_svo.h"
#include "fileoperation_svob.h"
#include "fileoperation_zrpcd.h"
#include "octreeblockload.h"
#include "octreedepth.h"
#include "pointblockoperation.h"
#include "scangrid.h"


#include <algorithm>
#include <cstdint>
#include <functional>
#include <iostream>
#include <iterator>
#include <memory>
#include <numeric>
#include <unordered_map>
#include <unordered_set>

namespace {

using namespace octreeload;

const char* const flNoBody = "Cannot access Body...";
const char* const flEmptyKeyList = "iNodeKeyList is Empty.";
const char* const flUnknownKey = "Node key is not in the loaded octree.";

bool FL_stopped(bool volatile* iStop)
{
    return iStop != nullptr && *iStop;
}

// ---------------------------------------------------------------------------
// Blocks
// ---------------------------------------------------------------------------

// The points a selection works on: a point-matrix block's own points, not its neighbours.
PointBlock* FL_ownPoints(PointBlock* iBlock)
{
    return iBlock;
}

PointBlock* FL_ownPoints(PointIndexBlock* iBlock)
{
    return &iBlock->points;
}

const PointBlock* FL_ownPoints(const PointBlock* iBlock)
{
    return iBlock;
}

const PointBlock* FL_ownPoints(const PointIndexBlock* iBlock)
{
    return &iBlock->points;
}


// The points of every listed leaf whose block is loaded (a block's own points only).
template <typename L>
void FL_drawLeafPoints(const LeafBlockPool<L>& iPool, const NodeList& iNodes, int iPointSize)
{
    for (const SparseVoxelOctreeNode* node : iNodes)
        if (const L* block = leafBlock(iPool, node))
            drawPoints(FL_ownPoints(block)->positions, FL_ownPoints(block)->colors, iPointSize);
}

#ifdef BRENMOOR
// The editor draws a point-matrix leaf in one colour with its triangles and edges.
void FL_drawMesh(const LeafBlockPool<PointBlock>&, const SparseVoxelOctreeNode&, const Color&)
{
}
void FL_drawMesh(const LeafBlockPool<PointIndexBlock>& iPool, const SparseVoxelOctreeNode& iNode, const Color& iColor);
#endif

template <typename L>
void FL_drawLeafPoints(const LeafBlockPool<L>& iPool, const NodeList& iNodes, const Color& iColor, int iPointSize)
{
    for (const SparseVoxelOctreeNode* node : iNodes)
        if (const L* block = leafBlock(iPool, node)) {
            drawPoints(FL_ownPoints(block)->positions, iColor, iPointSize);
#ifdef BRENMOOR
            FL_drawMesh(iPool, *node, iColor);
#endif
        }
}

// What a leaf load read from the point matrix in one go; the editor prints it.
#ifdef BRENMOOR
void FL_printMatrixRead(std::size_t iBlockNumber, const char* iListName, const std::vector<Point>& iPoints)
{
    const auto valid = std::count_if(iPoints.begin(), iPoints.end(), [](const Point& p) { return p.isValid(); });
    std::cout << "BlockNumber = " << iBlockNumber << std::endl;
    std::cout << iListName << ".size() = " << iPoints.size() << ", Invalidate = " << valid << std::endl;
}
#else
void FL_printMatrixRead(std::size_t, const char*, const std::vector<Point>&)
{
}
#endif



// Addresses of the nodes, ascending, as node keys.
std::vector<const void*> FL_sortedKeys(const SVONodeList& iNodes)
{
    std::vector<const void*> keys;
    keys.reserve(iNodes.size());
    for (const std::unique_ptr<SparseVoxelOctreeNode>& node : iNodes)
        keys.push_back(node.get());
    std::sort(keys.begin(), keys.end(), std::less<const void*>());
    return keys;
}

// An empty vector with room for iCount elements whose memory has been written once, so that
// filling it later costs no page faults.
template <typename T>
std::vector<T> FL_touchedBuffer(std::size_t iCount)
{
    std::vector<T> buffer(iCount);
    buffer.clear();
    return buffer;
}


// Hands points read for several blocks in one go out block by block, as many to each as it
// has indices, and marks the blocks as holding their points.
void FL_handOutOwnPoints(const std::vector<PointIndexBlock*>& iBlocks, const std::vector<Point>& iPoints)
{
    std::size_t offset = 0;
    for (PointIndexBlock* block : iBlocks) {
        const std::size_t count = block->indices.size();
        const std::vector<Point> share(iPoints.begin() + std::ptrdiff_t(offset),
                                       iPoints.begin() + std::ptrdiff_t(offset + count));
        initWithPoints(&block->points, share);
        block->pointsLoaded = 1;
        offset += count;
    }
}

// The scan-grid neighbours of cell k that can span triangles with it, L being the run length
// of the matrix's scan order: S = k + L (next run), T = k + L + 1 and R = k + 1 (the last two
// not at the end of a run). Absent ones are UINT64_MAX. Computed in 64 bits so that no
// neighbour of a large matrix wraps round.
struct FL_Corners
{
    std::uint64_t s = UINT64_MAX;
    std::uint64_t t = UINT64_MAX;
    std::uint64_t r = UINT64_MAX;
};

FL_Corners FL_corners(unsigned iCell, std::uint64_t iRunLength)
{
    FL_Corners corners;
    const std::uint64_t q = iCell / iRunLength;
    const std::uint64_t r = iCell % iRunLength;
    corners.s = (q + 1) * iRunLength + r;
    if (r + 1 < iRunLength) {
        corners.t = (q + 1) * iRunLength + r + 1;
        corners.r = q * iRunLength + r + 1;
    }
    return corners;
}

// Cells outside the block that its own cells need as corners, ascending; only cells of the
// matrix (below iCellCount).
std::vector<unsigned> FL_neighbourCells(const std::vector<unsigned>& iOwn, std::uint64_t iRunLength,
                                        std::uint64_t iCellCount)
{
    const std::unordered_set<unsigned> own(iOwn.begin(), iOwn.end());
    std::vector<unsigned> cells;
    for (unsigned cell : iOwn) {
        const FL_Corners corners = FL_corners(cell, iRunLength);
        for (std::uint64_t corner : {corners.s, corners.t, corners.r})
            if (corner < iCellCount && own.count(unsigned(corner)) == 0)
                cells.push_back(unsigned(corner));
    }
    std::sort(cells.begin(), cells.end());
    cells.erase(std::unique(cells.begin(), cells.end()), cells.end());
    return cells;
}

// Triangles (k, S, T) and (k, T, R) of every own cell k over the vertex list own ++ neighbour
// points, with a corner that is marked deleted leaving its triangle out; then three edges per
// triangle. The block's own and neighbour points must be complete.
void FL_buildMesh(PointIndexBlock* ioBlock, std::uint64_t iRunLength)
{
    if (iRunLength == 0)
        return;
    const std::size_t ownCount = ioBlock->indices.size();
    std::unordered_map<unsigned, unsigned> firstPosition;
    firstPosition.reserve(ownCount + ioBlock->neighbourIndices.size());
    unsigned position = 0;
    for (unsigned cell : ioBlock->indices)
        firstPosition.emplace(cell, position++);
    for (unsigned cell : ioBlock->neighbourIndices)
        firstPosition.emplace(cell, position++);
    auto find = [&](std::uint64_t iCell, unsigned* oPosition) {
        if (iCell > UINT32_MAX)
            return false;
        const auto it = firstPosition.find(unsigned(iCell));
        if (it == firstPosition.end())
            return false;
        *oPosition = it->second;
        return true;
    };
    auto deleted = [&](unsigned iPosition) {
        const unsigned flag = iPosition < ownCount ? ioBlock->points.flags[iPosition]
                                                   : ioBlock->neighbourPoints.flags[iPosition - ownCount];
        return (flag & Point::Deleted) != 0;
    };
    for (unsigned i = 0; i < ownCount; ++i) {
        const FL_Corners corners = FL_corners(ioBlock->indices[i], iRunLength);
        unsigned s = 0;
        unsigned t = 0;
        unsigned r = 0;
        const bool hasS = find(corners.s, &s);
        const bool hasT = find(corners.t, &t);
        const bool hasR = find(corners.r, &r);
        if (hasS && hasT && !deleted(s) && !deleted(t))
            ioBlock->triangles.insert(ioBlock->triangles.end(), {i, s, t});
        if (hasT && hasR && !deleted(t) && !deleted(r))
            ioBlock->triangles.insert(ioBlock->triangles.end(), {i, t, r});
    }
    const std::size_t triangleCount = ioBlock->triangles.size() / 3;
    if (triangleCount == 0 || ioBlock->triangles.size() != 3 * triangleCount)
        return;
    ioBlock->edges.reserve(ioBlock->edges.size() + 6 * triangleCount);
    for (std::size_t k = 0; k < triangleCount; ++k) {
        const unsigned a = ioBlock->triangles[3 * k];
        const unsigned b = ioBlock->triangles[3 * k + 1];
        const unsigned c = ioBlock->triangles[3 * k + 2];
        ioBlock->edges.insert(ioBlock->edges.end(), {a, b, b, c, c, a});
    }
}

std::vector<Vector3T<float>> FL_link(const std::vector<Vector3T<float>>& iFirst,
                                     const std::vector<Vector3T<float>>& iSecond)
{
    std::vector<Vector3T<float>> linked;
    linked.reserve(iFirst.size() + iSecond.size());
    linked.insert(linked.end(), iFirst.begin(), iFirst.end());
    linked.insert(linked.end(), iSecond.begin(), iSecond.end());
    return linked;
}

std::vector<Color> FL_link(const std::vector<Color>& iFirst, const std::vector<Color>& iSecond)
{
    std::vector<Color> linked;
    linked.reserve(iFirst.size() + iSecond.size());
    linked.insert(linked.end(), iFirst.begin(), iFirst.end());
    linked.insert(linked.end(), iSecond.begin(), iSecond.end());
    return linked;
}

// ---------------------------------------------------------------------------
// The file kinds: octree point file (.zrpcd) and point-matrix octree file (.zrpmd)
// ---------------------------------------------------------------------------

using PointBody = SVOSystem<ColorBlock, PointBlock>;
using MatrixBody = SVOSystem<ColorBlock, PointIndexBlock>;

// Picks the file kind where no body is at hand.
template <typename L>
struct FL_Kind
{
};

// The octree point file is read through its file operator, whose message is copied after
// every call.

bool FL_readWhole(const std::string& iFilePath, PointBody* oBody, int* oPointNumber, int*, int*,
                  std::string& iErrorMessage)
{
    SVOBFileOperator file(iFilePath);
    const bool ok =
        file.load(oPointNumber, &oBody->getOctree(), &oBody->getVoxelBlockPool(), &oBody->getLeafBlockPool());
    iErrorMessage = file.getErrorMessage();
    return ok;
}

bool FL_readBase(const std::string& iFilePath, PointBody* oBody, int* oPointNumber, int*, int*,
                 std::string& iErrorMessage)
{
    SVOBFileOperator file(iFilePath);
    const bool ok = file.load_Base(oPointNumber, &oBody->getOctree());
    iErrorMessage = file.getErrorMessage();
    return ok;
}

bool FL_readTree(const std::string& iFilePath, PointBody* oBody, std::string& iErrorMessage)
{
    SVOBFileOperator file(iFilePath);
    const bool ok = file.load_Tree(&oBody->getOctree());
    iErrorMessage = file.getErrorMessage();
    return ok;
}

bool FL_readNodes(FL_Kind<PointBlock>, const std::string& iFilePath, const std::vector<int>& iLayers,
                  std::size_t iPresent, int iDepth, SVONodeList* oNodes, std::string& iErrorMessage)
{
    SVOBFileOperator file(iFilePath);
    const bool ok = file.load_Node(iLayers, iPresent, iDepth, oNodes);
    iErrorMessage = file.getErrorMessage();
    return ok;
}

bool FL_readVoxels(const std::string& iFilePath, const PointBody&, VoxelBlockPool<ColorBlock>* oPool,
                   const NodeList& iNodes, int iVoxelCount, std::string& iErrorMessage)
{
    SVOBFileOperator file(iFilePath);
    const bool ok = file.load_Voxel(oPool, iNodes, iVoxelCount);
    iErrorMessage = file.getErrorMessage();
    return ok;
}

// The points lie in the leaf blocks themselves and are read without interruption. Leaves that
// cannot be read are marked; the others are installed.
bool FL_loadLeaves(const std::string& iFilePath, PointBody* ioBody, std::mutex& iStateLock, LeafMarks* ioFailed,
                   int, int, int*, const NodeList& iNodes, bool volatile*, bool, std::string& iErrorMessage)
{
    const NodeList missing = missingLeaves(ioBody->getLeafBlockPool(), *ioFailed, iNodes);
    if (missing.empty())
        return true;
    const int resolution = ioBody->getOctree().getVoxelResolution();
    LeafBlockPool<PointBlock> staged;
    const std::vector<int> failed =
        entriesOf(readEach(missing, iErrorMessage, [&](const NodeList& iLeaves, std::string& oMessage) {
            SVOBFileOperator file(iFilePath);
            const bool ok = file.load_Leaf(&staged, iLeaves, resolution * resolution * resolution);
            oMessage = file.getErrorMessage();
            return ok;
        }));
    dropLeaves(&staged, failed);
    std::lock_guard<std::mutex> lock(iStateLock);
    install(&ioBody->getLeafBlockPool(), &staged);
    ioFailed->insert(failed.begin(), failed.end());
    return failed.empty();
}

void FL_drawPolygon(const PointBody&, const NodeList&)
{
}

void FL_drawPolygonEdge(const PointBody&, const NodeList&, const Color&)
{
}

bool FL_export(const std::string& iFilePath, const PointCloudData&, int iPointNumber, const PointBody& iBody)
{
    SVOBFileOperator file(iFilePath);
    return file.save(iPointNumber, iBody.getOctree(), iBody.getVoxelBlockPool(), iBody.getLeafBlockPool());
}

bool FL_updatePCD(const PointBody*, PointCloudData*)
{
    return true;
}

#ifndef BRENMOOR
// This file kind has no point matrix.
bool FL_getPointCloudData(FL_Kind<PointBlock>, const std::string&, PointCloudData*)
{
    return false;
}
#else
// The editor takes every point of the leaf blocks, in pool and block order, as one row with its
// flags. False, with nothing appended, unless the whole octree with every leaf block is loaded:
// a part would pass for the whole file.
bool FL_getPointCloudData(const PointBody* iBody, const std::string&, PointCloudData* oData)
{
    if (iBody == nullptr)
        return false;
    const SparseVoxelOctree& octree = iBody->getOctree();
    const std::vector<int>& layers = octree.getLayerSizeList();
    if (octree.getNodeNumber() != std::size_t(std::accumulate(layers.begin(), layers.end(), 0LL)))
        return false;
    const LeafBlockPool<PointBlock>& pool = iBody->getLeafBlockPool();
    for (const SparseVoxelOctreeNode* node : octree.getNodeList())
        if (node != nullptr && !node->hasChild() && node->getFirstIndex() >= 0 && leafBlock(pool, node) == nullptr)
            return false;
    unsigned valid = 0;
    for (const LeafInfo<PointBlock>* entry : pool.getEntries()) {
        const PointBlock* block = entry != nullptr ? entry->getBlock() : nullptr;
        if (block == nullptr)
            continue;
        const std::size_t count = std::min({block->colors.size(), block->positions.size(), block->flags.size()});
        for (std::size_t i = 0; i < count; ++i) {
            Point point;
            point.color = block->colors[i];
            point.position = block->positions[i];
            point.flag = block->flags[i];
            oData->pointList.push_back(point);
            valid += point.isValid() ? 1 : 0;
        }
    }
    oData->height = 1;
    oData->width = int(oData->pointList.size());
    oData->validPointNumber = valid;
    return true;
}
#endif

// The point-matrix file keeps the matrix apart; the leaves hold cell indices into it.

bool FL_readWhole(const std::string& iFilePath, MatrixBody* oBody, int* oPointNumber, int* oWidth, int* oHeight,
                  std::string& iErrorMessage)
{
    PointCloudData matrix;
    if (!loadZRPCDFile(iFilePath, &matrix, &oBody->getOctree(), &oBody->getVoxelBlockPool(),
                       &oBody->getLeafBlockPool(), iErrorMessage))
        return false;
    *oWidth = matrix.width;
    *oHeight = matrix.height;
    *oPointNumber = int(matrix.validPointNumber);
    std::vector<Point> points;
    for (LeafInfo<PointIndexBlock>* entry : oBody->getLeafBlockPool().getEntries()) {
        PointIndexBlock* block = entry != nullptr ? entry->getBlock() : nullptr;
        if (block == nullptr)
            continue;
        points.clear();
        for (unsigned cell : block->indices)
            if (cell < matrix.pointList.size()) // checked by the loader already
                points.push_back(matrix.pointList[cell]);
        initWithPoints(&block->points, points);
        // So that a leaf load does not append the points a second time.
        block->pointsLoaded = 1;
    }
    return true;
}

bool FL_readBase(const std::string& iFilePath, MatrixBody* oBody, int* oPointNumber, int* oWidth, int* oHeight,
                 std::string& iErrorMessage)
{
    return loadZRPCDFile_Base(iFilePath, oWidth, oHeight, oPointNumber, &oBody->getOctree(), iErrorMessage);
}

bool FL_readTree(const std::string& iFilePath, MatrixBody* oBody, std::string& iErrorMessage)
{
    return loadZRPCDFile_Tree(iFilePath, &oBody->getOctree(), iErrorMessage);
}

bool FL_readNodes(FL_Kind<PointIndexBlock>, const std::string& iFilePath, const std::vector<int>& iLayers,
                  std::size_t iPresent, int iDepth, SVONodeList* oNodes, std::string& iErrorMessage)
{
    return loadZRPCDFile_Nodes(iFilePath, iLayers, iPresent, iDepth, oNodes, iErrorMessage);
}

bool FL_readVoxels(const std::string& iFilePath, const MatrixBody&, VoxelBlockPool<ColorBlock>* oPool,
                   const NodeList& iNodes, int iVoxelCount, std::string& iErrorMessage)
{
    LeafBlockPool<PointIndexBlock> noLeaves;
    return loadZRPCDFile_VoxelAndPoints(iFilePath, oPool, &noLeaves, iNodes, NodeList(), iVoxelCount,
                                        iErrorMessage);
}

// A leaf is read in steps: its index list, the points at those cells and, for the mesh, the
// neighbour cells next to them. Everything is read into this call's own lists and handed to
// the body in one locked step at the end. A leaf whose index list or own points cannot be read
// is marked and left out; a failed neighbour read hands over nothing of the mesh step, so that
// the next mesh load tries it again; a stopped load hands over nothing but the marks.
// The caller holds the load lock: the body's blocks and the marks change only here (and with
// the body), so they can be read without the state lock. *ioRunLength is the run length of the
// matrix's scan order, 0 until the first mesh load tells it from a few cells of the file.
bool FL_loadLeaves(const std::string& iFilePath, MatrixBody* ioBody, std::mutex& iStateLock, LeafMarks* ioFailed,
                   int iWidth, int iHeight, int* ioRunLength, const NodeList& iNodes, bool volatile* iStop,
                   bool iMesh, std::string& iErrorMessage)
{
    if (!iMesh && FL_stopped(iStop))
        return false;
    LeafBlockPool<PointIndexBlock>& pool = ioBody->getLeafBlockPool();
    const int resolution = ioBody->getOctree().getVoxelResolution();
    LeafBlockPool<PointIndexBlock> staged;
    std::vector<int> failed = entriesOf(readEach(
        missingLeaves(pool, *ioFailed, iNodes), iErrorMessage, [&](const NodeList& iLeaves, std::string& oMessage) {
            VoxelBlockPool<ColorBlock> noVoxels;
            return loadZRPCDFile_VoxelAndPoints(iFilePath, &noVoxels, &staged, NodeList(), iLeaves,
                                                resolution * resolution * resolution, oMessage);
        }));
    dropLeaves(&staged, failed);
    const auto markFailed = [&] {
        std::lock_guard<std::mutex> lock(iStateLock);
        ioFailed->insert(failed.begin(), failed.end());
    };
    if (!iMesh && FL_stopped(iStop)) {
        markFailed();
        return false;
    }

    // The blocks of the listed leaves in node order, each once, with their entry numbers; the
    // staged ones are new.
    std::vector<PointIndexBlock*> blocks;
    std::vector<int> entries;
    std::unordered_set<const PointIndexBlock*> seen;
    for (const SparseVoxelOctreeNode* node : iNodes) {
        if (ioFailed->count(node->getFirstIndex()) != 0)
            continue;
        PointIndexBlock* block = leafBlock(pool, node);
        if (block == nullptr)
            block = leafBlock(staged, node);
        if (block != nullptr && seen.insert(block).second) {
            blocks.push_back(block);
            entries.push_back(node->getFirstIndex());
        }
    }
    const bool meshDone = std::all_of(blocks.begin(), blocks.end(), [](const PointIndexBlock* iBlock) {
        return iBlock->meshBuilt != 0 && !iBlock->triangles.empty();
    });

    // Own points of the blocks that lack them, read in one go where the file allows.
    std::vector<std::size_t> pending;
    for (std::size_t b = 0; b < blocks.size(); ++b)
        if (blocks[b]->pointsLoaded == 0 && !(iMesh && meshDone))
            pending.push_back(b);
    std::vector<PointIndexBlock*> read;
    std::vector<Point> ownPoints;
    if (pending.empty() && iMesh && !meshDone)
        FL_printMatrixRead(0, "InnerPointList", ownPoints);
    const std::vector<std::size_t> unread =
        readEach(pending, iErrorMessage, [&](const std::vector<std::size_t>& iBlocks, std::string& oMessage) {
            std::vector<unsigned> cells;
            for (std::size_t b : iBlocks)
                cells.insert(cells.end(), blocks[b]->indices.begin(), blocks[b]->indices.end());
            std::vector<Point> points;
            const bool ok = iMesh ? loadZRPCDFile_Matrix(iFilePath, &points, cells, oMessage)
                                  : loadZRPCDFile_Matrix(iFilePath, &points, cells, iStop, oMessage);
            if (ok) {
                FL_printMatrixRead(iBlocks.size(), "InnerPointList", points);
                for (std::size_t b : iBlocks)
                    read.push_back(blocks[b]);
                ownPoints.insert(ownPoints.end(), points.begin(), points.end());
            }
            return ok;
        });
    if (!unread.empty()) {
        std::vector<int> unreadEntries;
        for (std::size_t b : unread)
            unreadEntries.push_back(entries[b]);
        for (std::size_t k = unread.size(); k-- > 0;) {
            blocks.erase(blocks.begin() + std::ptrdiff_t(unread[k]));
            entries.erase(entries.begin() + std::ptrdiff_t(unread[k]));
        }
        // Only staged blocks lack their points: installed ones got them when they were installed.
        dropLeaves(&staged, unreadEntries);
        failed.insert(failed.end(), unreadEntries.begin(), unreadEntries.end());
    }
    if (!iMesh && FL_stopped(iStop)) {
        markFailed();
        return failed.empty();
    }
    if (!iMesh || meshDone) {
        std::lock_guard<std::mutex> lock(iStateLock);
        install(&pool, &staged);
        FL_handOutOwnPoints(read, ownPoints);
        ioFailed->insert(failed.begin(), failed.end());
        return failed.empty();
    }

    // The scan order, needed before the neighbours can be named; a failed read counts as a
    // failed neighbour read.
    bool neighboursRead = true;
    if (*ioRunLength == 0) {
        const std::vector<unsigned> probe = getScanGridProbeCells(iWidth, iHeight);
        std::vector<Point> probePoints;
        neighboursRead = probe.empty() || loadZRPCDFile_Matrix(iFilePath, &probePoints, probe, iErrorMessage);
        if (neighboursRead)
            *ioRunLength = getScanGridLayout(iWidth, iHeight, probePoints).runLength;
    }

    // Neighbour cells of the blocks without a mesh, read in one go.
    const std::uint64_t runLength = neighboursRead ? std::uint64_t(*ioRunLength) : 0;
    const std::uint64_t cellCount = std::uint64_t(std::max(iWidth, 0)) * std::uint64_t(std::max(iHeight, 0));
    std::vector<PointIndexBlock*> meshBlocks;
    std::vector<std::vector<unsigned>> neighbourCells;
    std::vector<unsigned> request;
    for (PointIndexBlock* block : blocks) {
        if (block->meshBuilt != 0)
            continue;
        meshBlocks.push_back(block);
        neighbourCells.push_back(runLength != 0 ? FL_neighbourCells(block->indices, runLength, cellCount)
                                                : std::vector<unsigned>());
        request.insert(request.end(), neighbourCells.back().begin(), neighbourCells.back().end());
    }
    std::vector<Point> neighbourPoints;
    neighboursRead = neighboursRead && (request.empty() || loadZRPCDFile_Matrix(iFilePath, &neighbourPoints,
                                                                                 request, iErrorMessage));
    if (neighboursRead)
        FL_printMatrixRead(meshBlocks.size(), "AroundPointList", neighbourPoints);

    std::lock_guard<std::mutex> lock(iStateLock);
    install(&pool, &staged);
    FL_handOutOwnPoints(read, ownPoints);
    ioFailed->insert(failed.begin(), failed.end());
    if (!neighboursRead)
        return false; // the blocks keep their points and get their mesh next time
    std::size_t offset = 0;
    for (std::size_t b = 0; b < meshBlocks.size(); ++b) {
        PointIndexBlock* block = meshBlocks[b];
        const std::vector<unsigned>& neighbours = neighbourCells[b];
        const std::vector<Point> share(neighbourPoints.begin() + std::ptrdiff_t(offset),
                                       neighbourPoints.begin() + std::ptrdiff_t(offset + neighbours.size()));
        offset += neighbours.size();
        block->neighbourIndices.insert(block->neighbourIndices.end(), neighbours.begin(), neighbours.end());
        initWithPoints(&block->neighbourPoints, share);
        if (block->points.flags.size() == block->indices.size() &&
            block->neighbourPoints.flags.size() == block->neighbourIndices.size())
            FL_buildMesh(block, runLength);
        block->meshBuilt = 1;
    }
    return failed.empty();
}

void FL_drawPolygon(const MatrixBody& iBody, const NodeList& iNodes)
{
    for (const SparseVoxelOctreeNode* node : iNodes)
        if (const PointIndexBlock* block = leafBlock(iBody.getLeafBlockPool(), node))
            drawTriangles(block->triangles, FL_link(block->points.positions, block->neighbourPoints.positions),
                             FL_link(block->points.colors, block->neighbourPoints.colors));
}

void FL_drawTriangleEdges(const SparseVoxelOctreeNode& iNode, const LeafBlockPool<PointIndexBlock>& iPool,
                          const Color& iColor)
{
    if (const PointIndexBlock* block = leafBlock(iPool, &iNode))
        drawTriangleEdges(block->edges, FL_link(block->points.positions, block->neighbourPoints.positions), iColor);
}

void FL_drawPolygonEdge(const MatrixBody& iBody, const NodeList& iNodes, const Color& iColor)
{
    for (const SparseVoxelOctreeNode* node : iNodes)
        FL_drawTriangleEdges(*node, iBody.getLeafBlockPool(), iColor);
}

#ifdef BRENMOOR
void FL_drawMesh(const LeafBlockPool<PointIndexBlock>& iPool, const SparseVoxelOctreeNode& iNode, const Color& iColor)
{
    if (const PointIndexBlock* block = leafBlock(iPool, &iNode))
        drawTriangles(block->triangles, FL_link(block->points.positions, block->neighbourPoints.positions), iColor);
    FL_drawTriangleEdges(iNode, iPool, iColor);
}

#endif

bool FL_export(const std::string& iFilePath, const PointCloudData& iData, int, const MatrixBody& iBody)
{
    return exportZRPCDFile(iFilePath, iData, iBody.getOctree(), iBody.getVoxelBlockPool(),
                           iBody.getLeafBlockPool());
}

// Writes nothing unless every loaded point's cell lies inside the matrix: a matrix that does
// not match the file would be marked at the wrong cells.
bool FL_updatePCD(const MatrixBody* iBody, PointCloudData* ioData)
{
    if (iBody == nullptr)
        return true;
    const std::vector<LeafInfo<PointIndexBlock>*>& entries = iBody->getLeafBlockPool().getEntries();
    for (const bool write : {false, true}) {
        for (const LeafInfo<PointIndexBlock>* entry : entries) {
            const PointIndexBlock* block = entry != nullptr ? entry->getBlock() : nullptr;
            if (block == nullptr)
                continue;
            const std::size_t count = std::min(block->indices.size(), block->points.flags.size());
            for (std::size_t i = 0; i < count; ++i) {
                const unsigned cell = block->indices[i];
                if (!write && cell >= ioData->pointList.size())
                    return false;
                if (write)
                    ioData->pointList[cell].flag = block->points.flags[i];
            }
        }
    }
    return true;
}

bool FL_getPointCloudData(FL_Kind<PointIndexBlock>, const std::string& iFilePath, PointCloudData* oData)
{
    std::string errorMessage;
    return loadZRPCDFile_Matrix(iFilePath, oData, errorMessage);
}

#ifdef BRENMOOR
// The point matrix of the file, as in the viewer.
bool FL_getPointCloudData(const MatrixBody*, const std::string& iFilePath, PointCloudData* oData)
{
    return FL_getPointCloudData(FL_Kind<PointIndexBlock>(), iFilePath, oData);
}
#endif

} // namespace

// ---------------------------------------------------------------------------
// Shared layer
// ---------------------------------------------------------------------------

template <typename C, typename L>
PointCloudSVOImp<C, L>::~PointCloudSVOImp()
{
    // A block load still running on another thread would be working on the body.
    std::lock_guard<std::mutex> loadLock(mLoadMutex);
    delete mBody;
    mBody = nullptr;
}

template <typename C, typename L>
void PointCloudSVOImp<C, L>::readBody(const std::function<void(const Body*)>& iReader) const
{
    std::lock_guard<std::mutex> lock(mMutex);
    iReader(mBody);
}

template <typename C, typename L>
int PointCloudSVOImp<C, L>::getPointNumber() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mPointNumber;
}

template <typename C, typename L>
Vector3T<double> PointCloudSVOImp<C, L>::getCenter() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mBody != nullptr ? mBody->getOctree().getBoundingBox().getCenter() : Vector3T<double>();
}

template <typename C, typename L>
Vector3T<double> PointCloudSVOImp<C, L>::getSize() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mBody != nullptr ? mBody->getOctree().getBoundingBox().getSize() : Vector3T<double>();
}

template <typename C, typename L>
void PointCloudSVOImp<C, L>::draw(int iLevel, int iPointSize) const
{
    std::lock_guard<std::mutex> lock(mMutex);
    if (mBody == nullptr || !hasCurrentGLContext())
        return;
    drawNodes(mDrawVoxelNodeList, iPointSize);
    if (iLevel == 2)
        drawNodes(mDrawLeafNodeList, iPointSize);
#ifdef BRENMOOR
    // The editor's level 1 shows the leaves' voxels.
    else if (iLevel == 1)
        drawVoxels(mDrawLeafNodeList, mBody->getOctree(), mBody->getVoxelBlockPool(), iPointSize);
#endif
    else
        FL_drawLeafPoints(mBody->getLeafBlockPool(), mDrawLeafNodeList, iPointSize);
}

template <typename C, typename L>
void PointCloudSVOImp<C, L>::draw(int iLevel, int iPointSize, Color iColor) const
{
    std::lock_guard<std::mutex> lock(mMutex);
    if (mBody == nullptr || !hasCurrentGLContext())
        return;
    drawNodes(mDrawVoxelNodeList, iColor, iPointSize);
    if (iLevel == 2)
        drawNodes(mDrawLeafNodeList, iColor, iPointSize);
#ifdef BRENMOOR
    else if (iLevel == 1)
        drawVoxels(mDrawLeafNodeList, mBody->getOctree(), mBody->getVoxelBlockPool(), iColor, iPointSize);
#endif
    else
        FL_drawLeafPoints(mBody->getLeafBlockPool(), mDrawLeafNodeList, iColor, iPointSize);
}

template <typename C, typename L>
bool PointCloudSVOImp<C, L>::exportBinaryFile_SVO(const std::string& iFilePath, const PointCloudData& iData) const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mBody != nullptr && FL_export(iFilePath, iData, mPointNumber, *mBody);
}

template <typename C, typename L>
bool PointCloudSVOImp<C, L>::updatePCD(PointCloudData* ioData) const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return FL_updatePCD(mBody, ioData);
}

template <typename C, typename L>
bool PointCloudSVOImp<C, L>::getPointCloudData(PointCloudData* oData) const
{
#ifdef BRENMOOR
    std::lock_guard<std::mutex> lock(mMutex);
    return FL_getPointCloudData(mBody, mFilePath, oData);
#else
    return FL_getPointCloudData(FL_Kind<L>(), mFilePath, oData);
#endif
}

// A node without a voxel entry has nothing to load and a voxel block whose read failed is not
// read again: both count as loaded, as for the leaves below.
template <typename C, typename L>
bool PointCloudSVOImp<C, L>::isLoadedDrawVoxelData() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    if (mDrawVoxelNodeList.empty() && mDrawLeafNodeList.empty())
        return true;
    if (mBody == nullptr)
        return false;
    const VoxelBlockPool<C>& pool = mBody->getVoxelBlockPool();
    return missingVoxels(pool, mDrawVoxelNodeList, &mFailedVoxels).empty() &&
           missingVoxels(pool, mDrawLeafNodeList, &mFailedVoxels).empty();
}

// A leaf without a leaf entry has nothing to load and a leaf whose read failed is not read
// again; both count as loaded, so that they do not keep the loader asking for them frame after
// frame.
template <typename C, typename L>
bool PointCloudSVOImp<C, L>::isLoadedDrawLeafData() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    if (mDrawLeafNodeList.empty())
        return true;
    if (mBody == nullptr)
        return false;
    const LeafBlockPool<L>& pool = mBody->getLeafBlockPool();
    for (const SparseVoxelOctreeNode* node : mDrawLeafNodeList) {
        const int leaf = node->getFirstIndex();
        if (leaf >= 0 && pool.getEntry(leaf) == nullptr && mFailedLeaves.count(leaf) == 0)
            return false;
    }
    return true;
}

template <typename C, typename L>
void PointCloudSVOImp<C, L>::updateDrawNode(const Matrix4x4T<double>& iMatrix, const Camera& iCamera, int iPointSize,
                                            float iFarPlanePixelSize)
{
    std::lock_guard<std::mutex> lock(mMutex);
    mDrawVoxelNodeList.clear();
    mDrawLeafNodeList.clear();
    if (mBody == nullptr || mBody->getOctree().getNodeList().empty())
        return;
    const SparseVoxelOctree& octree = mBody->getOctree();
#ifdef BRENMOOR
    collectRenderingVoxel_Recursively(&mDrawVoxelNodeList, &mDrawLeafNodeList, octree.getNodeList(),
                                      octree.getNode(0), iMatrix, octree.getBoundingBox().getSize(), iPointSize,
                                      iCamera, iFarPlanePixelSize, true);
#else
    collectRenderingVoxel_Recursively(&mDrawVoxelNodeList, &mDrawLeafNodeList, octree.getNodeList(),
                                      octree.getNode(0), octree.getLoadedDepth(), 0, iMatrix,
                                      octree.getBoundingBox().getSize(), iPointSize, iCamera, iFarPlanePixelSize,
                                      true);
#endif
}

template <typename C, typename L>
void PointCloudSVOImp<C, L>::updateDrawNode_FullLeaf()
{
    std::lock_guard<std::mutex> lock(mMutex);
    mDrawVoxelNodeList.clear();
    mDrawLeafNodeList.clear();
    if (mBody == nullptr)
        return;
    for (const SparseVoxelOctreeNode* node : mBody->getOctree().getNodeList())
        if (node != nullptr && !node->hasChild())
            mDrawLeafNodeList.push_back(node);
}

template <typename C, typename L>
void PointCloudSVOImp<C, L>::drawVoxelNodes(Color iColor) const
{
    std::lock_guard<std::mutex> lock(mMutex);
    if (mBody != nullptr && hasCurrentGLContext())
        drawNodes(mDrawVoxelNodeList, iColor, mBody->getOctree().getVoxelResolution());
}

template <typename C, typename L>
void PointCloudSVOImp<C, L>::drawVoxelNodesWithIndexColor() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    if (mBody != nullptr && hasCurrentGLContext())
        drawNodesByIndexColor(mDrawVoxelNodeList, mBody->getOctree().getVoxelResolution());
}

template <typename C, typename L>
void PointCloudSVOImp<C, L>::drawPolygon() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    if (mBody != nullptr && hasCurrentGLContext())
        FL_drawPolygon(*mBody, mDrawLeafNodeList);
}

template <typename C, typename L>
void PointCloudSVOImp<C, L>::drawPolygonEdge(Color iColor) const
{
    std::lock_guard<std::mutex> lock(mMutex);
    if (mBody != nullptr && hasCurrentGLContext())
        FL_drawPolygonEdge(*mBody, mDrawLeafNodeList, iColor);
}

template <typename C, typename L>
std::vector<const void*> PointCloudSVOImp<C, L>::getDrawVoxelNodeKeyList() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return std::vector<const void*>(mDrawVoxelNodeList.begin(), mDrawVoxelNodeList.end());
}

template <typename C, typename L>
void PointCloudSVOImp<C, L>::setDrawVoxelNodeList(const std::vector<unsigned int>& iPositions)
{
    std::lock_guard<std::mutex> lock(mMutex);
    NodeList chosen;
    chosen.reserve(iPositions.size());
    for (unsigned position : iPositions)
        if (position < mDrawVoxelNodeList.size())
            chosen.push_back(mDrawVoxelNodeList[position]);
    mDrawVoxelNodeList.swap(chosen);
}

template <typename C, typename L>
std::vector<const void*> PointCloudSVOImp<C, L>::getDrawLeafNodeKeyList() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return std::vector<const void*>(mDrawLeafNodeList.begin(), mDrawLeafNodeList.end());
}

#ifndef BRENMOOR
template <typename C, typename L>
int PointCloudSVOImp<C, L>::getTreeDepth()
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mBody != nullptr ? mBody->getOctree().getLoadedDepth() : -1;
}
#endif

template <typename C, typename L>
bool PointCloudSVOImp<C, L>::hasPointData()
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mBody != nullptr;
}

template <typename C, typename L>
void PointCloudSVOImp<C, L>::clearPointData()
{
    setBody(nullptr, true);
}

template <typename C, typename L>
void PointCloudSVOImp<C, L>::clearPointData(Deleter** oDeleter)
{
    Body* old = setBody(nullptr, false);
    if (oDeleter != nullptr)
        *oDeleter = new TDeleter<Body>(old);
    else
        delete old;
}

template <typename C, typename L>
typename PointCloudSVOImp<C, L>::Body* PointCloudSVOImp<C, L>::setBody(Body* iBody, bool iDeleteOld,
                                                                      const FileInfo* iInfo)
{
    Body* old = nullptr;
    {
        std::lock_guard<std::mutex> loadLock(mLoadMutex);
        std::lock_guard<std::mutex> lock(mMutex);
        old = mBody;
        mBody = iBody;
        ++mBodyGeneration;
        mFailedLeaves.clear();
        mFailedVoxels.clear();
        mRunLength = 0;
        mDrawVoxelNodeList.clear();
        mDrawLeafNodeList.clear();
        if (iInfo != nullptr) {
            mPointNumber = iInfo->pointNumber;
            mWidth = iInfo->width;
            mHeight = iInfo->height;
        }
        rebuildNodeKeys();
    }
    if (!iDeleteOld)
        return old;
    delete old;
    return nullptr;
}

template <typename C, typename L>
void PointCloudSVOImp<C, L>::rebuildNodeKeys()
{
    mNodeKeys.clear();
    if (mBody == nullptr)
        return;
    const std::vector<SparseVoxelOctreeNode*>& nodes = mBody->getOctree().getNodeList();
    mNodeKeys.reserve(nodes.size());
    for (const SparseVoxelOctreeNode* node : nodes)
        if (node != nullptr)
            mNodeKeys.push_back(node);
    std::sort(mNodeKeys.begin(), mNodeKeys.end(), std::less<const void*>());
}

template <typename C, typename L>
bool PointCloudSVOImp<C, L>::resolveNodeKeys(const std::vector<const void*>& iKeys, NodeList* oNodes) const
{
    oNodes->reserve(iKeys.size());
    for (const void* key : iKeys) {
        if (!std::binary_search(mNodeKeys.begin(), mNodeKeys.end(), key, std::less<const void*>()))
            return false;
        oNodes->push_back(static_cast<const SparseVoxelOctreeNode*>(key));
    }
    return true;
}

template <typename C, typename L>
bool PointCloudSVOImp<C, L>::loadSVO(std::string& iErrorMessage)
{
    std::unique_ptr<Body> body(new Body);
    FileInfo info;
    if (!FL_readWhole(mFilePath, body.get(), &info.pointNumber, &info.width, &info.height, iErrorMessage))
        return false;
    // Every layer is present, as after a build; the file loaders leave the depth as it was.
    SparseVoxelOctree& octree = body->getOctree();
    octree.setLoadedDepth(int(octree.getLayerSizeList().size()));
    setBody(body.release(), true, &info);
    return true;
}

template <typename C, typename L>
bool PointCloudSVOImp<C, L>::loadSVO_Base(std::string& iErrorMessage)
{
    if (hasPointData())
        return true;
    std::unique_ptr<Body> body(new Body);
    FileInfo info;
    if (!FL_readBase(mFilePath, body.get(), &info.pointNumber, &info.width, &info.height, iErrorMessage))
        return false;
    setBody(body.release(), true, &info);
    return true;
}

// The tree part carries no numbers; those of an earlier base load are kept.
template <typename C, typename L>
bool PointCloudSVOImp<C, L>::loadSVO_Tree(std::string& iErrorMessage)
{
    if (hasPointData())
        return true;
    std::unique_ptr<Body> body(new Body);
    if (!FL_readTree(mFilePath, body.get(), iErrorMessage))
        return false;
    setBody(body.release(), true);
    return true;
}

// The records are read without the state lock, into nodes of this call's own, and appended in
// one locked step to the body they were read for. The new node list and key list are given
// their memory beforehand too, so the locked step only copies pointers. Node loads may run on
// two threads at once (the frame's own and the loader's): nodes keep their list positions, so
// whatever the other load appended meanwhile is skipped here.
template <typename C, typename L>
bool PointCloudSVOImp<C, L>::loadSVO_Nodes(int iDepth, std::string& iErrorMessage)
{
    for (;;) {
        std::vector<int> layers;
        std::size_t present = 0;
        std::uint64_t generation = 0;
        {
            std::lock_guard<std::mutex> lock(mMutex);
            if (mBody == nullptr) {
                iErrorMessage = flNoBody;
                return false;
            }
            const SparseVoxelOctree& octree = mBody->getOctree();
            if (octree.getLoadedDepth() >= iDepth)
                return true;
            layers = octree.getLayerSizeList();
            present = octree.getNodeNumber();
            generation = mBodyGeneration;
        }
        SVONodeList staged;
        if (!FL_readNodes(FL_Kind<L>(), mFilePath, layers, present, iDepth, &staged, iErrorMessage))
            return false;
        std::vector<const void*> keys = FL_sortedKeys(staged);
        // Freed after the lock: the lists replaced end up here.
        std::vector<SparseVoxelOctreeNode*> nodes = FL_touchedBuffer<SparseVoxelOctreeNode*>(present + staged.size());
        std::vector<const void*> allKeys = FL_touchedBuffer<const void*>(present + staged.size());

        std::lock_guard<std::mutex> lock(mMutex);
        if (mBody == nullptr) {
            iErrorMessage = flNoBody;
            return false;
        }
        // Read for a body that has been replaced since: read again for the one installed now.
        if (mBodyGeneration != generation)
            continue;
        SparseVoxelOctree& octree = mBody->getOctree();
        const std::size_t skipped = std::min(staged.size(), octree.getNodeNumber() - present);
        if (skipped != 0) {
            staged.erase(staged.begin(), staged.begin() + std::ptrdiff_t(skipped));
            keys = FL_sortedKeys(staged);
        }
        nodes.assign(octree.getNodeList().begin(), octree.getNodeList().end());
        for (std::unique_ptr<SparseVoxelOctreeNode>& node : staged)
            nodes.push_back(node.release());
        octree.swapNodeList(&nodes);
        if (octree.getLoadedDepth() < iDepth)
            octree.setLoadedDepth(iDepth);
        std::merge(mNodeKeys.begin(), mNodeKeys.end(), keys.begin(), keys.end(), std::back_inserter(allKeys),
                   std::less<const void*>());
        mNodeKeys.swap(allKeys);
        return true;
    }
}

template <typename C, typename L>
bool PointCloudSVOImp<C, L>::beginBlockLoad(const std::vector<const void*>& iKeys,
                                            std::unique_lock<std::mutex>* ioLock, NodeList* oNodes, bool* oResult,
                                            std::string& iErrorMessage)
{
    if (iKeys.empty()) {
        iErrorMessage = flEmptyKeyList;
        *oResult = true;
        return false;
    }
    *ioLock = std::unique_lock<std::mutex>(mLoadMutex);
    std::lock_guard<std::mutex> lock(mMutex);
    *oResult = false;
    if (mBody == nullptr) {
        iErrorMessage = flNoBody;
        return false;
    }
    if (!resolveNodeKeys(iKeys, oNodes)) {
        iErrorMessage = flUnknownKey;
        return false;
    }
    return true;
}

template <typename C, typename L>
bool PointCloudSVOImp<C, L>::loadSVO_Voxels(const std::vector<const void*>& iNodeKeyList, std::string& iErrorMessage)
{
    std::unique_lock<std::mutex> loadLock;
    NodeList nodes;
    bool result = false;
    if (!beginBlockLoad(iNodeKeyList, &loadLock, &nodes, &result, iErrorMessage))
        return result;
    // Block loads and body changes wait for the load lock, so the body, its pools and the marks
    // can be read here without the state lock; only changes to them need it.
    const NodeList missing = missingVoxels(mBody->getVoxelBlockPool(), nodes, &mFailedVoxels);
    if (missing.empty())
        return true;
    const int resolution = mBody->getOctree().getVoxelResolution();
    VoxelBlockPool<C> staged;
    const std::vector<int> failed = readVoxelBlocks(
        missing, &staged, iErrorMessage, [&](const NodeList& iNodes, VoxelBlockPool<C>* oPool, std::string& oMessage) {
            return FL_readVoxels(mFilePath, *mBody, oPool, iNodes, resolution * resolution * resolution, oMessage);
        });
    std::lock_guard<std::mutex> lock(mMutex);
    install(&mBody->getVoxelBlockPool(), &staged);
    mFailedVoxels.insert(failed.begin(), failed.end());
    return failed.empty();
}

template <typename C, typename L>
bool PointCloudSVOImp<C, L>::loadSVO_Points(const std::vector<const void*>& iNodeKeyList, std::string& iErrorMessage)
{
    std::unique_lock<std::mutex> loadLock;
    NodeList nodes;
    bool result = false;
    if (!beginBlockLoad(iNodeKeyList, &loadLock, &nodes, &result, iErrorMessage))
        return result;
    return FL_loadLeaves(mFilePath, mBody, mMutex, &mFailedLeaves, mWidth, mHeight, &mRunLength, nodes, nullptr, true,
                         iErrorMessage);
}

#ifndef BRENMOOR
template <typename C, typename L>
bool PointCloudSVOImp<C, L>::loadSVO_Points(const std::vector<const void*>& iNodeKeyList, bool volatile* iStop,
                                            std::string& iErrorMessage)
{
    std::unique_lock<std::mutex> loadLock;
    NodeList nodes;
    bool result = false;
    if (!beginBlockLoad(iNodeKeyList, &loadLock, &nodes, &result, iErrorMessage))
        return result;
    return FL_loadLeaves(mFilePath, mBody, mMutex, &mFailedLeaves, mWidth, mHeight, &mRunLength, nodes, iStop, false,
                         iErrorMessage);
}
#endif

template <typename C, typename L>
int PointCloudSVOImp<C, L>::getWidth() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mWidth;
}

template <typename C, typename L>
int PointCloudSVOImp<C, L>::getHeight() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mHeight;
}

template <typename C, typename L>
template <typename F>
void PointCloudSVOImp<C, L>::forEachOwnPoint(F iFunction)
{
    std::lock_guard<std::mutex> lock(mMutex);
    if (mBody == nullptr)
        return;
    for (LeafInfo<L>* entry : mBody->getLeafBlockPool().getEntries()) {
        L* block = entry != nullptr ? entry->getBlock() : nullptr;
        if (block == nullptr)
            continue;
        PointBlock* points = FL_ownPoints(block);
        const std::size_t count = std::min(points->positions.size(), points->flags.size());
        for (std::size_t i = 0; i < count; ++i)
            iFunction(points->positions[i], &points->flags[i]);
    }
}

template <typename C, typename L>
void PointCloudSVOImp<C, L>::selectPointALL()
{
    forEachOwnPoint([](const Vector3T<float>&, unsigned* ioFlag) { *ioFlag |= Point::Selected; });
}

template <typename C, typename L>
void PointCloudSVOImp<C, L>::deselectPointALL()
{
    forEachOwnPoint([](const Vector3T<float>&, unsigned* ioFlag) { *ioFlag &= ~unsigned(Point::Selected); });
}

template <typename C, typename L>
void PointCloudSVOImp<C, L>::selectPoint(const std::vector<Vector4T<double>>& iPlanes)
{
    forEachOwnPoint([&](const Vector3T<float>& iPosition, unsigned* ioFlag) {
        if (isInsidePlanes(iPosition, iPlanes))
            *ioFlag |= Point::Selected;
    });
}

template <typename C, typename L>
void PointCloudSVOImp<C, L>::deselectPoint(const std::vector<Vector4T<double>>& iPlanes)
{
    forEachOwnPoint([&](const Vector3T<float>& iPosition, unsigned* ioFlag) {
        if (isInsidePlanes(iPosition, iPlanes))
            *ioFlag &= ~unsigned(Point::Selected);
    });
}

template <typename C, typename L>
void PointCloudSVOImp<C, L>::deleteSelectedPoint()
{
    forEachOwnPoint([](const Vector3T<float>&, unsigned* ioFlag) {
        if (*ioFlag & Point::Selected)
            *ioFlag |= Point::Deleted;
    });
}

template class PointCloudSVOImp<ColorBlock, PointBlock>;
template class PointCloudSVOImp<ColorBlock, PointIndexBlock>;
