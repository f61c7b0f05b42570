#include "svobuilder.h"

#include "pointblockoperation.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace {

using IndexSystem = SVOSystem<ColorBlock, PointIndexBlock>;
using PointSystem = SVOSystem<ColorBlock, PointBlock>;

Point makePoint(float x, float y, float z, const Color& iColor = Color(), unsigned iFlag = 0)
{
    Point p;
    p.position = Vector3T<float>(x, y, z);
    p.color = iColor;
    p.flag = iFlag;
    return p;
}

PointCloudData makeData(const std::vector<Point>& iPoints)
{
    PointCloudData data;
    data.width = static_cast<int>(iPoints.size());
    data.height = 1;
    data.pointList = iPoints;
    for (const Point& p : iPoints)
        data.validPointNumber += p.isValid() ? 1u : 0u;
    return data;
}

template <typename L>
std::unique_ptr<SVOSystem<ColorBlock, L>> build(const PointCloudData& iData, int n,
                                                std::vector<std::string>* oLines = nullptr)
{
    auto system = std::make_unique<SVOSystem<ColorBlock, L>>();
    testutil::CoutCapture capture;
    const bool ok = createSparseVoxelOctree(&system->getOctree(), &system->getVoxelBlockPool(),
                                            &system->getLeafBlockPool(), iData, n);
    EXPECT_TRUE(ok);
    if (oLines)
        *oLines = capture.lines();
    return system;
}

// Deterministic pseudo-random numbers in [0, 1).
class Lcg
{
public:
    explicit Lcg(std::uint32_t iSeed) : mState(iSeed) {}
    float next()
    {
        mState = mState * 1664525u + 1013904223u;
        return static_cast<float>(mState >> 8) / 16777216.0f;
    }

private:
    std::uint32_t mState;
};

Vector3T<float> childCenter(const SparseVoxelOctree& iOctree, const SparseVoxelOctreeNode& iParent, int iOctant)
{
    const Vector3T<float> size =
        getNodeSize(iParent.getDepth() + 1, Vector3T<float>(iOctree.getBoundingBox().getSize()));
    const Vector3T<float> sign = getAreaNornal(iOctant);
    const Vector3T<float>& c = iParent.getCenter();
    return Vector3T<float>(c.x + size.x * sign.x * 0.5f, c.y + size.y * sign.y * 0.5f, c.z + size.z * sign.z * 0.5f);
}

bool sameCoordinate(float a, float b)
{
    return a == b || (std::isnan(a) && std::isnan(b));
}

// Why a leaf may hold n^3 or more points: the builder's stop rules, checked independently.
bool mayStopDividing(const SparseVoxelOctree& iOctree, const SparseVoxelOctreeNode& iNode,
                     const std::vector<Vector3T<float>>& iPoints)
{
    if (iNode.getDepth() >= svoMaxBuildDepth)
        return true;
    bool samePosition = true;
    bool sameOctant = true;
    const int octant = getAreaIndex(iPoints[0], iNode.getCenter());
    for (const Vector3T<float>& p : iPoints) {
        for (int a = 0; a < 3; ++a)
            samePosition = samePosition && sameCoordinate(p[a], iPoints[0][a]);
        sameOctant = sameOctant && getAreaIndex(p, iNode.getCenter()) == octant;
    }
    if (samePosition)
        return true;
    if (!sameOctant)
        return false;
    const Vector3T<float> c = childCenter(iOctree, iNode, octant);
    return sameCoordinate(c.x, iNode.getCenter().x) && sameCoordinate(c.y, iNode.getCenter().y) &&
           sameCoordinate(c.z, iNode.getCenter().z);
}

// Checks every structural rule of a built octree against the matrix it was built from, and
// recomputes each node's voxels from its points with the octree's own voxel functions.
void checkTree(const IndexSystem& iSystem, const PointCloudData& iData, int n)
{
    const SparseVoxelOctree& octree = iSystem.getOctree();
    const VoxelBlockPool<ColorBlock>& voxels = iSystem.getVoxelBlockPool();
    const LeafBlockPool<PointIndexBlock>& leaves = iSystem.getLeafBlockPool();
    const std::vector<SparseVoxelOctreeNode*>& nodes = octree.getNodeList();
    ASSERT_FALSE(nodes.empty());
    EXPECT_EQ(octree.getVoxelResolution(), n);

    // Breadth-first order with contiguous children: walking the children from the root
    // reproduces the list exactly.
    std::vector<const SparseVoxelOctreeNode*> walk{nodes[0]};
    std::vector<long long> parent(nodes.size(), -1);
    std::vector<int> octantOf(nodes.size(), -1);
    for (size_t i = 0; i < walk.size() && walk.size() <= nodes.size(); ++i) {
        const SparseVoxelOctreeNode& node = *walk[i];
        int k = 0;
        for (int o = 0; o < 8; ++o) {
            if (!node.getChildFlag(o))
                continue;
            const long long at = static_cast<long long>(node.getFirstIndex()) + k++;
            const SparseVoxelOctreeNode* child = octree.getNode(at);
            ASSERT_NE(child, nullptr);
            parent[size_t(at)] = static_cast<long long>(i);
            octantOf[size_t(at)] = o;
            EXPECT_EQ(child->getDepth(), node.getDepth() + 1);
            EXPECT_EQ(child->getCenter(), childCenter(octree, node, o));
            walk.push_back(child);
        }
    }
    ASSERT_EQ(walk.size(), nodes.size());
    for (size_t i = 0; i < nodes.size(); ++i) {
        ASSERT_EQ(walk[i], nodes[i]) << "node " << i;
        EXPECT_EQ(nodes[i]->getIndex(), i);
        EXPECT_EQ(nodes[i]->getVoxelInfoIndex(), static_cast<int>(i)) << "voxel entries follow node order";
    }

    // Layers.
    const std::vector<int>& layers = octree.getLayerSizeList();
    EXPECT_EQ(octree.getLoadedDepth(), static_cast<int>(layers.size()));
    EXPECT_LE(layers.size(), static_cast<size_t>(svoMaxBuildDepth + 1));
    size_t at = 0;
    for (size_t d = 0; d < layers.size(); ++d) {
        for (int k = 0; k < layers[d]; ++k, ++at) {
            ASSERT_LT(at, nodes.size());
            EXPECT_EQ(nodes[at]->getDepth(), static_cast<int>(d));
        }
    }
    EXPECT_EQ(at, nodes.size());

    // Leaves: entries in node order with running first indices; every valid cell in exactly
    // one leaf, inside every box on its path.
    std::vector<Vector3T<float>> positions;
    std::vector<Color> colors;
    std::vector<unsigned> valid;
    getValidDataList(&positions, &colors, &valid, iData.pointList);
    std::vector<int> seen(iData.pointList.size(), 0);
    std::vector<std::vector<unsigned>> cellsBelow(nodes.size());
    unsigned running = 0;
    int nextEntry = 0;
    for (size_t i = 0; i < nodes.size(); ++i) {
        const SparseVoxelOctreeNode& node = *nodes[i];
        if (node.hasChild())
            continue;
        ASSERT_EQ(node.getFirstIndex(), nextEntry++) << "leaf entries follow node order";
        const LeafInfo<PointIndexBlock>* entry = leaves.getEntry(node.getFirstIndex());
        ASSERT_NE(entry, nullptr);
        ASSERT_NE(entry->getBlock(), nullptr);
        const std::vector<unsigned>& cells = entry->getBlock()->indices;
        EXPECT_EQ(entry->getFirstIndex(), running);
        EXPECT_EQ(entry->getCount(), cells.size());
        EXPECT_TRUE(entry->getBlock()->points.positions.empty());
        running += entry->getCount();
        EXPECT_TRUE(std::is_sorted(cells.begin(), cells.end()));
        if (i != 0) {
            EXPECT_FALSE(cells.empty());
        }
        std::vector<Vector3T<float>> points;
        for (unsigned cell : cells) {
            ASSERT_LT(cell, iData.pointList.size());
            EXPECT_TRUE(iData.pointList[cell].isValid());
            ++seen[cell];
            points.push_back(positions[cell]);
            for (size_t c = i; parent[c] >= 0; c = size_t(parent[c]))
                EXPECT_EQ(getAreaIndex(positions[cell], nodes[size_t(parent[c])]->getCenter()), octantOf[c]);
            const Vector3T<float> half =
                getNodeSize(node.getDepth(), Vector3T<float>(octree.getBoundingBox().getSize())) * 0.5f;
            for (int a = 0; a < 3; ++a) {
                if (!std::isfinite(positions[cell][a]))
                    continue;
                const float slack = half[a] * 1e-5f + std::fabs(node.getCenter()[a]) * 1e-6f;
                EXPECT_LE(std::fabs(positions[cell][a] - node.getCenter()[a]), half[a] + slack);
            }
        }
        if (static_cast<long long>(cells.size()) >= static_cast<long long>(n) * n * n) {
            EXPECT_TRUE(mayStopDividing(octree, node, points)) << "leaf " << i << " of " << cells.size();
        }
        cellsBelow[i] = cells;
    }
    EXPECT_EQ(static_cast<size_t>(nextEntry), leaves.getEntries().size());
    EXPECT_EQ(leaves.getTotal(), running);
    EXPECT_EQ(leaves.getTotal(), valid.size());
    for (size_t cell = 0; cell < seen.size(); ++cell)
        EXPECT_EQ(seen[cell], iData.pointList[cell].isValid() ? 1 : 0) << "cell " << cell;

    // Inner nodes were divided because they held n^3 or more points.
    for (size_t i = nodes.size(); i-- > 1;) {
        std::vector<unsigned>& up = cellsBelow[size_t(parent[i])];
        up.insert(up.end(), cellsBelow[i].begin(), cellsBelow[i].end());
    }
    for (size_t i = 0; i < nodes.size(); ++i) {
        std::sort(cellsBelow[i].begin(), cellsBelow[i].end());
        if (nodes[i]->hasChild()) {
            EXPECT_GE(static_cast<long long>(cellsBelow[i].size()), static_cast<long long>(n) * n * n);
        }
    }

    // Voxels: one entry per node, recomputed from the node's points in cell order.
    ASSERT_EQ(voxels.getEntries().size(), nodes.size());
    const Vector3T<float> rootSize(octree.getBoundingBox().getSize());
    unsigned colourRunning = 0;
    for (size_t i = 0; i < nodes.size(); ++i) {
        const VoxelInfo<ColorBlock>* entry = voxels.getEntry(static_cast<long long>(i));
        ASSERT_NE(entry, nullptr);
        ASSERT_NE(entry->getBlock(), nullptr);
        std::vector<int> slots;
        getIndexForEachVoxel(&slots, positions, cellsBelow[i], *nodes[i], rootSize, n, n * n * n);
        std::vector<Bit8Block> bits;
        decideVoxelFlag(&bits, slots);
        ColorBlock expected;
        decideVoxelColor(&expected, slots, colors);
        EXPECT_EQ(entry->getFirstIndex(), colourRunning);
        EXPECT_EQ(entry->getCount(), getVoxelDataNumber(slots));
        ASSERT_EQ(entry->getOccupancy().size(), bits.size());
        for (size_t b = 0; b < bits.size(); ++b)
            EXPECT_EQ(entry->getOccupancy()[b].bits, bits[b].bits) << "node " << i << " byte " << b;
        EXPECT_EQ(entry->getBlock()->colors, expected.colors) << "node " << i;
        EXPECT_EQ(nodes[i]->getColor(), expected.colors.empty() ? Color() : expected.colors.front());
        colourRunning += entry->getCount();
    }
    EXPECT_EQ(voxels.getTotal(), colourRunning);
}

// Two builds hold the same nodes, voxel entries and leaf entries (the blocks aside).
template <typename LA, typename LB>
void checkSameTrees(const SVOSystem<ColorBlock, LA>& iA, const SVOSystem<ColorBlock, LB>& iB)
{
    const SparseVoxelOctree& a = iA.getOctree();
    const SparseVoxelOctree& b = iB.getOctree();
    EXPECT_EQ(a.getBoundingBox(), b.getBoundingBox());
    EXPECT_EQ(a.getLayerSizeList(), b.getLayerSizeList());
    EXPECT_EQ(a.getLoadedDepth(), b.getLoadedDepth());
    ASSERT_EQ(a.getNodeNumber(), b.getNodeNumber());
    for (size_t i = 0; i < a.getNodeNumber(); ++i) {
        const SparseVoxelOctreeNode& x = *a.getNodeList()[i];
        const SparseVoxelOctreeNode& y = *b.getNodeList()[i];
        EXPECT_EQ(x.getIndex(), y.getIndex());
        EXPECT_EQ(x.getFirstIndex(), y.getFirstIndex());
        EXPECT_TRUE(std::equal(x.getChildFlags(), x.getChildFlags() + 8, y.getChildFlags()));
        EXPECT_EQ(x.getDepth(), y.getDepth());
        EXPECT_EQ(x.getCenter(), y.getCenter());
        EXPECT_EQ(x.getColor(), y.getColor());
        EXPECT_EQ(x.getVoxelInfoIndex(), y.getVoxelInfoIndex());
    }
    const auto& va = iA.getVoxelBlockPool().getEntries();
    const auto& vb = iB.getVoxelBlockPool().getEntries();
    ASSERT_EQ(va.size(), vb.size());
    EXPECT_EQ(iA.getVoxelBlockPool().getTotal(), iB.getVoxelBlockPool().getTotal());
    for (size_t i = 0; i < va.size(); ++i) {
        EXPECT_EQ(va[i]->getFirstIndex(), vb[i]->getFirstIndex());
        EXPECT_EQ(va[i]->getCount(), vb[i]->getCount());
        ASSERT_EQ(va[i]->getOccupancy().size(), vb[i]->getOccupancy().size());
        for (size_t k = 0; k < va[i]->getOccupancy().size(); ++k)
            EXPECT_EQ(va[i]->getOccupancy()[k].bits, vb[i]->getOccupancy()[k].bits);
        EXPECT_EQ(va[i]->getBlock()->colors, vb[i]->getBlock()->colors);
    }
    const auto& la = iA.getLeafBlockPool().getEntries();
    const auto& lb = iB.getLeafBlockPool().getEntries();
    ASSERT_EQ(la.size(), lb.size());
    EXPECT_EQ(iA.getLeafBlockPool().getTotal(), iB.getLeafBlockPool().getTotal());
    for (size_t i = 0; i < la.size(); ++i) {
        EXPECT_EQ(la[i]->getFirstIndex(), lb[i]->getFirstIndex());
        EXPECT_EQ(la[i]->getCount(), lb[i]->getCount());
    }
}

// A point-leaf build equals the index-leaf build of the same matrix, with copies of the
// indexed cells' positions and colours (flags 0) in its leaves.
void checkSameAsIndexTree(const PointSystem& iPoints, const IndexSystem& iIndices, const PointCloudData& iData)
{
    checkSameTrees(iPoints, iIndices);
    const auto& la = iPoints.getLeafBlockPool().getEntries();
    const auto& lb = iIndices.getLeafBlockPool().getEntries();
    ASSERT_EQ(la.size(), lb.size());
    for (size_t i = 0; i < la.size(); ++i) {
        const PointBlock& block = *la[i]->getBlock();
        const std::vector<unsigned>& cells = lb[i]->getBlock()->indices;
        ASSERT_EQ(block.positions.size(), cells.size());
        ASSERT_EQ(block.colors.size(), cells.size());
        ASSERT_EQ(block.flags.size(), cells.size());
        for (size_t k = 0; k < cells.size(); ++k) {
            // Bitwise, so that NaN coordinates compare too.
            EXPECT_EQ(std::memcmp(&block.positions[k], &iData.pointList[cells[k]].position, sizeof(Vector3T<float>)),
                      0);
            EXPECT_EQ(block.colors[k], iData.pointList[cells[k]].color);
            EXPECT_EQ(block.flags[k], 0u);
        }
    }
}

void checkBothKinds(const PointCloudData& iData, int n)
{
    SCOPED_TRACE("resolution " + std::to_string(n));
    const auto indices = build<PointIndexBlock>(iData, n);
    checkTree(*indices, iData, n);
    const auto points = build<PointBlock>(iData, n);
    checkSameAsIndexTree(*points, *indices, iData);
}

// Cell i is the corner of [0, 2]^3 whose coordinate on axis a is 2 when bit a of i is set.
std::vector<Point> cubeCorners()
{
    std::vector<Point> points;
    for (int i = 0; i < 8; ++i)
        points.push_back(makePoint((i & 1) ? 2.0f : 0.0f, (i & 2) ? 2.0f : 0.0f, (i & 4) ? 2.0f : 0.0f,
                                   Color(static_cast<unsigned char>(10 * i), static_cast<unsigned char>(100 + i),
                                         static_cast<unsigned char>(200 - i), static_cast<unsigned char>(255 - i))));
    return points;
}

} // namespace

TEST(SvoBuilderEdges, FewerPointsThanVoxelsGiveOneLeaf)
{
    Lcg random(7);
    for (int n : {2, 4}) {
        std::vector<Point> points;
        for (int k = 0; k < n * n * n - 1; ++k)
            points.push_back(makePoint(random.next(), random.next(), random.next(), Color(1, 2, 3)));
        const PointCloudData data = makeData(points);
        std::vector<std::string> lines;
        const auto system = build<PointIndexBlock>(data, n, &lines);
        const SparseVoxelOctree& octree = system->getOctree();
        ASSERT_EQ(octree.getNodeNumber(), 1u);
        EXPECT_EQ(octree.getLayerSizeList(), std::vector<int>{1});
        EXPECT_EQ(octree.getLoadedDepth(), 1);
        EXPECT_EQ(octree.getNode(0)->getFirstIndex(), 0);
        ASSERT_EQ(system->getLeafBlockPool().getEntries().size(), 1u);
        EXPECT_EQ(system->getLeafBlockPool().getEntries()[0]->getCount(), unsigned(n * n * n - 1));
        EXPECT_EQ(system->getVoxelBlockPool().getEntries().size(), 1u);
        // The builder itself prints nothing; the lines are the re-layout's.
        EXPECT_EQ(lines, (std::vector<std::string>{"sortDepth()", "Layer Size 0: 1", "Layer Size (total): 1"}));
        checkTree(*system, data, n);
    }
}

TEST(SvoBuilderEdges, ExactlyAsManyPointsAsVoxelsAreDivided)
{
    Lcg random(11);
    for (int n : {2, 4}) {
        std::vector<Point> points;
        for (int k = 0; k < n * n * n; ++k)
            points.push_back(makePoint(random.next(), random.next(), random.next()));
        const PointCloudData data = makeData(points);
        const auto system = build<PointIndexBlock>(data, n);
        EXPECT_TRUE(system->getOctree().getNode(0)->hasChild());
        EXPECT_GT(system->getOctree().getLayerSizeList().size(), 1u);
        checkTree(*system, data, n);
    }
}

TEST(SvoBuilderEdges, NoValidPointGivesEmptyWhiteRootLeaf)
{
    const PointCloudData allDeleted =
        makeData({makePoint(1, 2, 3, Color(1, 1, 1), Point::Deleted), makePoint(4, 5, 6, Color(2, 2, 2), 3u)});
    for (const PointCloudData& data : {makeData({}), allDeleted}) {
        for (int n : {2, 4}) {
            const auto system = build<PointBlock>(data, n);
            const SparseVoxelOctree& octree = system->getOctree();
            EXPECT_EQ(octree.getBoundingBox(), BoundingBox());
            ASSERT_EQ(octree.getNodeNumber(), 1u);
            const SparseVoxelOctreeNode& root = *octree.getNode(0);
            EXPECT_FALSE(root.hasChild());
            EXPECT_EQ(root.getFirstIndex(), 0);
            EXPECT_EQ(root.getColor(), Color(255, 255, 255, 255));
            EXPECT_EQ(octree.getLayerSizeList(), std::vector<int>{1});
            EXPECT_EQ(octree.getLoadedDepth(), 1);

            const LeafBlockPool<PointBlock>& leaves = system->getLeafBlockPool();
            ASSERT_EQ(leaves.getEntries().size(), 1u);
            EXPECT_EQ(leaves.getEntries()[0]->getCount(), 0u);
            EXPECT_EQ(leaves.getEntries()[0]->getFirstIndex(), 0u);
            EXPECT_TRUE(leaves.getEntries()[0]->getBlock()->positions.empty());
            EXPECT_EQ(leaves.getTotal(), 0u);

            const VoxelBlockPool<ColorBlock>& voxels = system->getVoxelBlockPool();
            ASSERT_EQ(voxels.getEntries().size(), 1u);
            const VoxelInfo<ColorBlock>& entry = *voxels.getEntries()[0];
            EXPECT_EQ(entry.getCount(), 0u);
            EXPECT_EQ(entry.getFirstIndex(), 0u);
            ASSERT_EQ(entry.getOccupancy().size(), static_cast<size_t>((n * n * n + 7) / 8));
            for (const Bit8Block& byte : entry.getOccupancy())
                EXPECT_EQ(byte.bits, 0);
            EXPECT_TRUE(entry.getBlock()->colors.empty());
            EXPECT_EQ(voxels.getTotal(), 0u);
        }
    }
}

TEST(SvoBuilderEdges, DeletedCellsAreLeftOutButKeepCellIndices)
{
    // Deleted cells carry a colour that must not reach any voxel.
    const Color deleted(13, 13, 13);
    std::vector<Point> points;
    for (int k = 0; k < 40; ++k) {
        const float f = static_cast<float>(k);
        if (k % 3 == 1)
            points.push_back(makePoint(f * 0.1f, 0.5f, 99.0f, deleted, Point::Deleted));
        else
            points.push_back(makePoint(f * 0.1f, f * 0.05f, f * 0.01f, Color(static_cast<unsigned char>(k), 0, 0)));
    }
    const PointCloudData data = makeData(points);
    const auto system = build<PointIndexBlock>(data, 2);
    checkTree(*system, data, 2);
    for (const VoxelInfo<ColorBlock>* entry : system->getVoxelBlockPool().getEntries()) {
        for (const Color& c : entry->getBlock()->colors)
            EXPECT_NE(c, deleted);
    }
    // The box ignores the deleted cells at z = 99.
    EXPECT_FLOAT_EQ(static_cast<float>(system->getOctree().getBoundingBox().getSize().z), 0.39f);

    // Fewer than n^3 valid cells: the one leaf names them by cell index.
    const PointCloudData few = makeData({makePoint(0, 0, 0), makePoint(1, 1, 1, Color(), Point::Deleted),
                                         makePoint(2, 2, 2), makePoint(3, 3, 3, Color(), Point::Deleted),
                                         makePoint(4, 4, 4, Color(), Point::Selected)});
    const auto single = build<PointIndexBlock>(few, 2);
    ASSERT_EQ(single->getLeafBlockPool().getEntries().size(), 1u);
    EXPECT_EQ(single->getLeafBlockPool().getEntries()[0]->getBlock()->indices, (std::vector<unsigned>{0, 2, 4}));
}

TEST(SvoBuilderHand, CubeCornersWithResolutionOne)
{
    // n = 1: every node with a point would be divided; a node with one point (one position)
    // stops. Octant k of the root holds cell 7 - k.
    const std::vector<Point> corners = cubeCorners();
    const PointCloudData data = makeData(corners);
    std::vector<std::string> lines;
    const auto system = build<PointIndexBlock>(data, 1, &lines);
    const SparseVoxelOctree& octree = system->getOctree();
    EXPECT_EQ(octree.getBoundingBox(), BoundingBox(Vector3T<double>(1, 1, 1), Vector3T<double>(2, 2, 2)));
    EXPECT_EQ(octree.getLayerSizeList(), (std::vector<int>{1, 8}));
    EXPECT_EQ(octree.getLoadedDepth(), 2);
    EXPECT_EQ(lines.back(), "Layer Size (total): 9");
    ASSERT_EQ(octree.getNodeNumber(), 9u);

    const SparseVoxelOctreeNode& root = *octree.getNode(0);
    EXPECT_EQ(root.getFirstIndex(), 1);
    for (int o = 0; o < 8; ++o)
        EXPECT_EQ(root.getChildFlag(o), 1);
    EXPECT_EQ(root.getCenter(), Vector3T<float>(1, 1, 1));
    EXPECT_EQ(root.getColor(), corners[7].color) << "the single voxel keeps the last point";

    const auto& voxels = system->getVoxelBlockPool().getEntries();
    const auto& leaves = system->getLeafBlockPool().getEntries();
    ASSERT_EQ(voxels.size(), 9u);
    ASSERT_EQ(leaves.size(), 8u);
    EXPECT_EQ(voxels[0]->getCount(), 1u);
    ASSERT_EQ(voxels[0]->getOccupancy().size(), 1u);
    EXPECT_EQ(voxels[0]->getOccupancy()[0].bits, 0x01);
    EXPECT_EQ(voxels[0]->getBlock()->colors, std::vector<Color>{corners[7].color});
    for (int k = 0; k < 8; ++k) {
        SCOPED_TRACE("octant " + std::to_string(k));
        const SparseVoxelOctreeNode& child = *octree.getNode(1 + k);
        const unsigned cell = 7u - unsigned(k);
        EXPECT_EQ(child.getDepth(), 1);
        EXPECT_FALSE(child.hasChild());
        EXPECT_EQ(child.getCenter(), Vector3T<float>((k & 1) ? 0.5f : 1.5f, (k & 2) ? 0.5f : 1.5f,
                                                     (k & 4) ? 0.5f : 1.5f));
        EXPECT_EQ(child.getFirstIndex(), k);
        EXPECT_EQ(child.getVoxelInfoIndex(), 1 + k);
        EXPECT_EQ(child.getColor(), corners[cell].color);
        EXPECT_EQ(leaves[size_t(k)]->getFirstIndex(), unsigned(k));
        EXPECT_EQ(leaves[size_t(k)]->getBlock()->indices, std::vector<unsigned>{cell});
        EXPECT_EQ(voxels[size_t(1 + k)]->getFirstIndex(), unsigned(1 + k));
        EXPECT_EQ(voxels[size_t(1 + k)]->getOccupancy()[0].bits, 0x01);
        EXPECT_EQ(voxels[size_t(1 + k)]->getBlock()->colors, std::vector<Color>{corners[cell].color});
    }
    EXPECT_EQ(system->getVoxelBlockPool().getTotal(), 9u);
    checkTree(*system, data, 1);
}

TEST(SvoBuilderHand, CubeCornersWithResolutionTwo)
{
    // n = 2: eight points are divided into eight one-point leaves. In the root's 2 x 2 x 2 grid
    // (origin 0, voxel size 1) cell i falls into voxel i; in its child's grid too (the far
    // corner's fraction 2 is clamped to 1).
    const std::vector<Point> corners = cubeCorners();
    const PointCloudData data = makeData(corners);
    const auto system = build<PointBlock>(data, 2);
    const SparseVoxelOctree& octree = system->getOctree();
    EXPECT_EQ(octree.getLayerSizeList(), (std::vector<int>{1, 8}));
    ASSERT_EQ(octree.getNodeNumber(), 9u);
    const auto& voxels = system->getVoxelBlockPool().getEntries();
    const auto& leaves = system->getLeafBlockPool().getEntries();
    ASSERT_EQ(voxels.size(), 9u);
    ASSERT_EQ(leaves.size(), 8u);

    EXPECT_EQ(voxels[0]->getCount(), 8u);
    EXPECT_EQ(voxels[0]->getOccupancy()[0].bits, 0xFF);
    std::vector<Color> all;
    for (const Point& p : corners)
        all.push_back(p.color);
    EXPECT_EQ(voxels[0]->getBlock()->colors, all);
    EXPECT_EQ(octree.getNode(0)->getColor(), corners[0].color) << "lowest occupied voxel";

    for (int k = 0; k < 8; ++k) {
        SCOPED_TRACE("octant " + std::to_string(k));
        const unsigned cell = 7u - unsigned(k);
        const SparseVoxelOctreeNode& child = *octree.getNode(1 + k);
        EXPECT_EQ(child.getFirstIndex(), k);
        EXPECT_EQ(child.getColor(), corners[cell].color);
        const VoxelInfo<ColorBlock>& entry = *voxels[size_t(1 + k)];
        EXPECT_EQ(entry.getFirstIndex(), unsigned(8 + k));
        EXPECT_EQ(entry.getCount(), 1u);
        EXPECT_EQ(entry.getOccupancy()[0].bits, 1u << cell);
        const PointBlock& block = *leaves[size_t(k)]->getBlock();
        EXPECT_EQ(block.positions, std::vector<Vector3T<float>>{corners[cell].position});
        EXPECT_EQ(block.colors, std::vector<Color>{corners[cell].color});
        EXPECT_EQ(block.flags, std::vector<unsigned>{0u});
    }
    EXPECT_EQ(system->getVoxelBlockPool().getTotal(), 16u);
}

TEST(SvoBuilderHand, SkippedOctantsPairListsWithTheRightChildren)
{
    // Points only in octants 2 and 5 of the root: child 0 is octant 2, child 1 octant 5, each
    // with its own voxels and colours.
    std::vector<Point> points;
    for (int k = 0; k < 4; ++k)
        points.push_back(makePoint(1.0f + 0.1f * k, -1.0f - 0.1f * k, 1.0f, Color(200, 0, 0)));
    for (int k = 0; k < 4; ++k)
        points.push_back(makePoint(-1.0f - 0.1f * k, 1.0f + 0.1f * k, -1.0f, Color(0, 200, 0)));
    const PointCloudData data = makeData(points);
    const auto system = build<PointIndexBlock>(data, 2);
    const SparseVoxelOctreeNode& root = *system->getOctree().getNode(0);
    for (int o = 0; o < 8; ++o)
        EXPECT_EQ(root.getChildFlag(o), (o == 2 || o == 5) ? 1 : 0);
    ASSERT_EQ(system->getOctree().getNodeNumber(), 3u);
    EXPECT_EQ(system->getOctree().getNode(1)->getColor(), Color(200, 0, 0));
    EXPECT_EQ(system->getOctree().getNode(2)->getColor(), Color(0, 200, 0));
    checkTree(*system, data, 2);
}

TEST(SvoBuilderStop, IdenticalPointsStopDividing)
{
    // n^3 + 1 points at one position: the box is flat, the root a leaf of all of them.
    std::vector<Point> points(9, makePoint(3, 4, 5, Color(9, 8, 7)));
    const PointCloudData same = makeData(points);
    const auto system = build<PointIndexBlock>(same, 2);
    EXPECT_EQ(system->getOctree().getNodeNumber(), 1u);
    EXPECT_EQ(system->getLeafBlockPool().getEntries()[0]->getCount(), 9u);
    EXPECT_EQ(system->getOctree().getNode(0)->getColor(), Color(9, 8, 7));
    checkTree(*system, same, 2);

    // With one more point elsewhere the cluster becomes a leaf one level down.
    points.push_back(makePoint(-3, -4, -5));
    const PointCloudData withOther = makeData(points);
    const auto other = build<PointIndexBlock>(withOther, 2);
    EXPECT_EQ(other->getOctree().getLayerSizeList(), (std::vector<int>{1, 2}));
    EXPECT_EQ(other->getLeafBlockPool().getEntries()[0]->getCount(), 9u);
    checkTree(*other, withOther, 2);

    // n = 1: a single point is a leaf at once.
    const PointCloudData one = makeData({makePoint(1, 2, 3)});
    const auto single = build<PointBlock>(one, 1);
    EXPECT_EQ(single->getOctree().getNodeNumber(), 1u);
}

TEST(SvoBuilderStop, PointsOneUlpApart)
{
    // 1.0 and the next float up: the box centre rounds to 1.0, both sides stay in octant 0 and
    // the child's centre would round back to 1.0, so the root stays a leaf of all 65.
    const float up = std::nextafter(1.0f, 2.0f);
    std::vector<Point> points;
    for (int k = 0; k < 65; ++k)
        points.push_back(makePoint(k % 2 ? up : 1.0f, 0, 0));
    const PointCloudData inseparable = makeData(points);
    const auto stuck = build<PointIndexBlock>(inseparable, 4);
    EXPECT_EQ(stuck->getOctree().getNodeNumber(), 1u);
    EXPECT_EQ(stuck->getLeafBlockPool().getTotal(), 65u);
    checkTree(*stuck, inseparable, 4);

    // 1.0 and the next float down: the centre 1.0 separates them at the root.
    const float down = std::nextafter(1.0f, 0.0f);
    for (int k = 0; k < 65; ++k)
        points[size_t(k)].position.x = k % 2 ? down : 1.0f;
    const PointCloudData separable = makeData(points);
    const auto split = build<PointIndexBlock>(separable, 4);
    EXPECT_EQ(split->getOctree().getLayerSizeList(), (std::vector<int>{1, 2}));
    const SparseVoxelOctreeNode& root = *split->getOctree().getNode(0);
    EXPECT_EQ(root.getChildFlag(0), 1);
    EXPECT_EQ(root.getChildFlag(1), 1);
    EXPECT_EQ(split->getLeafBlockPool().getEntries()[0]->getCount(), 33u);
    EXPECT_EQ(split->getLeafBlockPool().getEntries()[1]->getCount(), 32u);
    checkTree(*split, separable, 4);
}

TEST(SvoBuilderStop, DepthCapEndsDivisionNearZero)
{
    // With n = 1 the two points near the origin stay together in octant 7 while the centre
    // halves towards them; only the depth cap ends that.
    const PointCloudData data = makeData({makePoint(0, 0, 0), makePoint(1e-30f, 0, 0), makePoint(1, 1, 1)});
    const auto system = build<PointIndexBlock>(data, 1);
    const SparseVoxelOctree& octree = system->getOctree();
    ASSERT_EQ(octree.getLayerSizeList().size(), static_cast<size_t>(svoMaxBuildDepth + 1));
    EXPECT_EQ(octree.getLoadedDepth(), svoMaxBuildDepth + 1);
    const SparseVoxelOctreeNode& deepest = *octree.getNodeList().back();
    EXPECT_EQ(deepest.getDepth(), svoMaxBuildDepth);
    EXPECT_FALSE(deepest.hasChild());
    EXPECT_EQ(system->getLeafBlockPool().getEntry(deepest.getFirstIndex())->getBlock()->indices,
              (std::vector<unsigned>{0, 1}));
    checkTree(*system, data, 1);
}

TEST(SvoBuilderInvariants, RandomCloudsWithClusters)
{
    Lcg random(20240601);
    std::vector<Point> points;
    auto colour = [&]() {
        return Color(static_cast<unsigned char>(random.next() * 256), static_cast<unsigned char>(random.next() * 256),
                     static_cast<unsigned char>(random.next() * 256));
    };
    for (int k = 0; k < 3000; ++k) {
        const unsigned flag = random.next() < 0.1f ? Point::Deleted : 0u;
        points.push_back(makePoint(random.next() * 10 - 5, random.next() * 10 - 5, random.next() * 4, colour(), flag));
    }
    // A cluster of identical points, one of points a few ulps apart, and points on the box faces.
    for (int k = 0; k < 100; ++k)
        points.push_back(makePoint(1.25f, -2.5f, 3.0f, colour()));
    for (int k = 0; k < 80; ++k) {
        float x = 0.3f;
        for (int u = 0; u < k % 3; ++u)
            x = std::nextafter(x, 1.0f);
        points.push_back(makePoint(x, 0.7f, 1.1f, colour()));
    }
    points.push_back(makePoint(-5, -5, 0, colour()));
    points.push_back(makePoint(5, 5, 4, colour()));
    const PointCloudData data = makeData(points);
    for (int n : {1, 2, 4})
        checkBothKinds(data, n);
}

TEST(SvoBuilderInvariants, FlatAndFarFromOriginClouds)
{
    Lcg random(99);
    // A flat grid (zero box height) and a small cloud far from the origin, where float runs out
    // of resolution after a few levels.
    std::vector<Point> flat;
    for (int i = 0; i < 40; ++i)
        for (int j = 0; j < 40; ++j)
            flat.push_back(makePoint(i * 0.25f, j * 0.25f, 7.0f, Color(static_cast<unsigned char>(i * 6), 0, 0)));
    std::vector<Point> far;
    for (int k = 0; k < 2000; ++k)
        far.push_back(makePoint(100000.0f + random.next(), 200000.0f + random.next() * 0.5f, 50.0f + random.next()));
    for (int k = 0; k < 300; ++k)
        far.push_back(makePoint(100000.5f, 200000.25f, std::nextafter(50.5f, 60.0f)));
    for (const PointCloudData& data : {makeData(flat), makeData(far)}) {
        for (int n : {1, 2, 4})
            checkBothKinds(data, n);
    }
}

TEST(SvoBuilderInvariants, NonFiniteCoordinatesStillLandInOneLeaf)
{
    // Such cells spoil neither the box nor the division; they end in some leaf like any other.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    Lcg random(3);
    std::vector<Point> points;
    for (int k = 0; k < 500; ++k)
        points.push_back(makePoint(random.next(), random.next(), random.next()));
    for (int k = 0; k < 70; ++k)
        points.push_back(makePoint(nan, 0.5f, k % 2 ? nan : 0.25f));
    points.push_back(makePoint(std::numeric_limits<float>::infinity(), 0, 0));
    const PointCloudData data = makeData(points);
    for (int n : {1, 2, 4})
        checkBothKinds(data, n);
    const auto system = build<PointIndexBlock>(data, 2);
    const Vector3T<double>& size = system->getOctree().getBoundingBox().getSize();
    for (int a = 0; a < 3; ++a)
        EXPECT_TRUE(size[a] > 0.5 && size[a] <= 1.0) << a;
}

TEST(SvoBuilderGuards, BadResolutionOrUsedContainersAreRefused)
{
    const PointCloudData data = makeData(cubeCorners());
    for (int n : {0, -1, 1291, INT_MIN}) {
        IndexSystem system;
        testutil::CoutCapture capture;
        EXPECT_FALSE(createSparseVoxelOctree(&system.getOctree(), &system.getVoxelBlockPool(),
                                             &system.getLeafBlockPool(), data, n));
        EXPECT_EQ(system.getOctree().getNodeNumber(), 0u);
        EXPECT_EQ(system.getOctree().getLoadedDepth(), -1);
        EXPECT_TRUE(system.getVoxelBlockPool().getEntries().empty());
        EXPECT_TRUE(system.getLeafBlockPool().getEntries().empty());
        EXPECT_TRUE(capture.text().empty());
    }

    // A second build into the same containers would corrupt the first.
    const auto built = build<PointIndexBlock>(data, 2);
    testutil::CoutCapture capture;
    EXPECT_FALSE(createSparseVoxelOctree(&built->getOctree(), &built->getVoxelBlockPool(),
                                         &built->getLeafBlockPool(), data, 2));
    EXPECT_EQ(built->getOctree().getNodeNumber(), 9u);
    EXPECT_EQ(built->getLeafBlockPool().getEntries().size(), 8u);
}

TEST(SvoBuilderSteps, CreateLeafFollowsTheThresholdAndRunningSums)
{
    SparseVoxelOctree octree;
    octree.setBoundingBox(BoundingBox(Vector3T<double>(0, 0, 0), Vector3T<double>(8, 8, 8)));
    octree.setVoxelResolution(2);
    std::vector<Vector3T<float>> positions;
    std::vector<Color> colors;
    for (int k = 0; k < 10; ++k) {
        positions.emplace_back(static_cast<float>(k) - 4.0f, 0.5f * k - 2.0f, 0.0f);
        colors.emplace_back(static_cast<unsigned char>(k), 0, 0);
    }
    LeafBlockPool<PointBlock> pool;
    SparseVoxelOctreeNode a;
    SparseVoxelOctreeNode b;
    SparseVoxelOctreeNode c;
    EXPECT_TRUE(createLeaf(octree, &pool, &a, positions, colors, {9, 1, 4}));
    EXPECT_TRUE(createLeaf(octree, &pool, &b, positions, colors, {0, 2, 3, 5, 6, 7, 8}));
    EXPECT_FALSE(createLeaf(octree, &pool, &c, positions, colors, {0, 1, 2, 3, 4, 5, 6, 7}));
    EXPECT_FALSE(createLeaf(octree, &pool, &c, positions, colors, {0, 10}));
    EXPECT_EQ(a.getFirstIndex(), 0);
    EXPECT_EQ(b.getFirstIndex(), 1);
    EXPECT_EQ(c.getFirstIndex(), -1);
    ASSERT_EQ(pool.getEntries().size(), 2u);
    EXPECT_EQ(pool.getEntries()[1]->getFirstIndex(), 3u);
    EXPECT_EQ(pool.getEntries()[1]->getCount(), 7u);
    EXPECT_EQ(pool.getTotal(), 10u);
    const PointBlock& block = *pool.getEntries()[0]->getBlock();
    EXPECT_EQ(block.positions, (std::vector<Vector3T<float>>{positions[9], positions[1], positions[4]}));
    EXPECT_EQ(block.colors, (std::vector<Color>{colors[9], colors[1], colors[4]}));
}

TEST(SvoBuilderSteps, VoxelsOfATreeGrownFromOtherPointsAreRefused)
{
    const PointCloudData data = makeData(cubeCorners());
    SparseVoxelOctree octree;
    octree.setBoundingBox(BoundingBox(Vector3T<double>(1, 1, 1), Vector3T<double>(2, 2, 2)));
    octree.setVoxelResolution(2);
    octree.addNewNode(new SparseVoxelOctreeNode(), nullptr, 0);
    std::vector<Vector3T<float>> positions;
    std::vector<Color> colors;
    std::vector<unsigned> numbers;
    getValidDataList(&positions, &colors, &numbers, data.pointList);
    LeafBlockPool<PointIndexBlock> leaves;
    ASSERT_TRUE(growOctreeCompletely(&octree, &leaves, positions, colors, numbers));
    EXPECT_EQ(octree.getNodeNumber(), 9u);

    VoxelBlockPool<ColorBlock> voxels;
    EXPECT_FALSE(createVoxelALL(&octree, &voxels, positions, colors, {0, 1, 2, 3, 4, 5, 6}));
    VoxelBlockPool<ColorBlock> more;
    EXPECT_TRUE(createVoxelALL(&octree, &more, positions, colors, numbers));
    EXPECT_EQ(more.getEntries().size(), 9u);

    SparseVoxelOctree rootless;
    rootless.setVoxelResolution(2);
    EXPECT_FALSE(growOctreeCompletely(&rootless, &leaves, positions, colors, numbers));
}

TEST(SvoBuilderSteps, StepByStepBuildEqualsTheWholeBuild)
{
    // The whole build grows and makes voxels in one walk; the separate steps must agree.
    Lcg random(5);
    std::vector<Point> points;
    for (int k = 0; k < 2500; ++k)
        points.push_back(makePoint(random.next() * 3, random.next(), random.next() * 2,
                                   Color(static_cast<unsigned char>(k), static_cast<unsigned char>(k >> 8), 7),
                                   k % 11 == 0 ? unsigned(Point::Deleted) : 0u));
    for (int k = 0; k < 70; ++k)
        points.push_back(makePoint(1.5f, 0.5f, 1.0f));
    const PointCloudData data = makeData(points);
    for (int n : {1, 2, 4}) {
        SCOPED_TRACE("resolution " + std::to_string(n));
        const auto whole = build<PointIndexBlock>(data, n);

        IndexSystem steps;
        SparseVoxelOctree& octree = steps.getOctree();
        Vector3T<double> center;
        Vector3T<double> size;
        getBoundingBox(&center, &size, data);
        octree.setBoundingBox(BoundingBox(center, size));
        octree.setVoxelResolution(n);
        octree.addNewNode(new SparseVoxelOctreeNode(), nullptr, 0);
        std::vector<Vector3T<float>> positions;
        std::vector<Color> colors;
        std::vector<unsigned> numbers;
        getValidDataList(&positions, &colors, &numbers, data.pointList);
        ASSERT_TRUE(growOctreeCompletely(&octree, &steps.getLeafBlockPool(), positions, colors, numbers));
        ASSERT_TRUE(createVoxelALL(&octree, &steps.getVoxelBlockPool(), positions, colors, numbers));
        testutil::CoutCapture capture;
        ASSERT_TRUE(octree.sortDepth());
        octree.setLoadedDepth(static_cast<int>(octree.getLayerSizeList().size()));
        checkSameTrees(*whole, steps);
        for (size_t i = 0; i < steps.getLeafBlockPool().getEntries().size(); ++i)
            EXPECT_EQ(steps.getLeafBlockPool().getEntries()[i]->getBlock()->indices,
                      whole->getLeafBlockPool().getEntries()[i]->getBlock()->indices);
    }
}

TEST(SvoBuilderSteps, VoxelsFollowTheNodesAsTheyAre)
{
    // createVoxel and createVoxelALL take each node's grid from the node itself, even when a
    // node was moved after the growth.
    const PointCloudData data = makeData(cubeCorners());
    SparseVoxelOctree octree;
    octree.setBoundingBox(BoundingBox(Vector3T<double>(1, 1, 1), Vector3T<double>(2, 2, 2)));
    octree.setVoxelResolution(2);
    octree.addNewNode(new SparseVoxelOctreeNode(), nullptr, 0);
    std::vector<Vector3T<float>> positions;
    std::vector<Color> colors;
    std::vector<unsigned> numbers;
    getValidDataList(&positions, &colors, &numbers, data.pointList);
    LeafBlockPool<PointIndexBlock> leaves;
    ASSERT_TRUE(growOctreeCompletely(&octree, &leaves, positions, colors, numbers));
    ASSERT_EQ(octree.getNodeNumber(), 9u);
    // Octant 0 holds cell 7 at (2, 2, 2), in voxel (1, 1, 1) of its own grid; with the node
    // moved to (2.5, 2.5, 1.5) the point lies in voxel (0, 0, 1), number 4.
    SparseVoxelOctreeNode* child = octree.getNode(1);
    child->setCenter(Vector3T<float>(2.5f, 2.5f, 1.5f));
    VoxelBlockPool<ColorBlock> voxels;
    ASSERT_TRUE(createVoxelALL(&octree, &voxels, positions, colors, numbers));
    ASSERT_EQ(voxels.getEntries().size(), 9u);
    EXPECT_EQ(voxels.getEntries()[1]->getOccupancy()[0].bits, 1u << 4);

    VoxelBlockPool<ColorBlock> single;
    SparseVoxelOctreeNode node;
    node.setCenter(Vector3T<float>(1, 1, 1));
    ASSERT_TRUE(createVoxel(octree, &single, &node, positions, colors, {7, 0, 5}));
    ASSERT_EQ(single.getEntries().size(), 1u);
    EXPECT_EQ(single.getEntries()[0]->getOccupancy()[0].bits, (1u << 7) | (1u << 0) | (1u << 5));
    EXPECT_EQ(single.getEntries()[0]->getBlock()->colors,
              (std::vector<Color>{colors[0], colors[5], colors[7]}));
    EXPECT_EQ(node.getColor(), colors[0]);
    EXPECT_EQ(node.getVoxelInfoIndex(), 0);
    EXPECT_FALSE(createVoxel(octree, &single, &node, positions, colors, {8}));
    EXPECT_EQ(single.getEntries().size(), 1u);
}
