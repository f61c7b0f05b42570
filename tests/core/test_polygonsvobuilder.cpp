#include "fileoperation_svo.h"
#include "fileoperation_zrply.h"
#include "polygonsvobuilder.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>
#include <string>

using testutil::CoutCapture;

namespace {

using System = SVOSystem<ColorBlock, ElementIndexBlock>;

Vector3F V(float x, float y, float z)
{
    return Vector3F(x, y, z);
}

Triangle tri(unsigned a, unsigned b, unsigned c)
{
    Triangle t;
    t.index[0] = a;
    t.index[1] = b;
    t.index[2] = c;
    return t;
}

void addTriangle(PolygonData* ioData, const Vector3F& a, const Vector3F& b, const Vector3F& c)
{
    const unsigned first = static_cast<unsigned>(ioData->points.size());
    for (const Vector3F& p : {a, b, c}) {
        ioData->points.push_back(p);
        ioData->colors.push_back(Color(1, 2, 3, 4));
    }
    ioData->triangles.push_back(tri(first, first + 1, first + 2));
}

// Two vertices no triangle uses, fixing the root box to [lo, hi] on every axis.
void fixBox(PolygonData* ioData, float iLo, float iHi)
{
    ioData->points.push_back(V(iLo, iLo, iLo));
    ioData->points.push_back(V(iHi, iHi, iHi));
    ioData->colors.resize(ioData->points.size());
}

bool build(System* oSystem, const PolygonData& iData, int iResolution)
{
    CoutCapture quiet;
    return createSparseVoxelOctree(&oSystem->getOctree(), &oSystem->getVoxelBlockPool(),
                                   &oSystem->getLeafBlockPool(), iData, iResolution);
}

// A wavy grid surface of 2 g^2 triangles over [0, g] x [0, g].
PolygonData waveMesh(int iGrid)
{
    PolygonData data;
    for (int j = 0; j <= iGrid; ++j)
        for (int i = 0; i <= iGrid; ++i) {
            data.points.push_back(V(float(i), float(j), std::sin(i * 0.7f) * std::cos(j * 0.5f) * 2.0f));
            data.colors.push_back(Color(i * 10, j * 10, 100, 255));
        }
    const unsigned row = iGrid + 1;
    for (int j = 0; j < iGrid; ++j)
        for (int i = 0; i < iGrid; ++i) {
            const unsigned v = j * row + i;
            data.triangles.push_back(tri(v, v + 1, v + row + 1));
            data.triangles.push_back(tri(v, v + row + 1, v + row));
        }
    return data;
}

struct Grid
{
    double origin[3];
    double voxel[3];
    int n;
};

Grid gridOf(const SparseVoxelOctree& iOctree, const SparseVoxelOctreeNode& iNode)
{
    const Vector3F size = getNodeSize(iNode.getDepth(), Vector3F(iOctree.getBoundingBox().getSize()));
    Grid g;
    g.n = iOctree.getVoxelResolution();
    for (int a = 0; a < 3; ++a) {
        g.origin[a] = double(iNode.getCenter()[a]) - double(size[a]) * 0.5;
        g.voxel[a] = double(size[a]) / g.n;
    }
    return g;
}

struct P3
{
    double v[3];
};

// Points of the triangle on a barycentric lattice, edges and corners included.
std::vector<P3> samples(const PolygonData& iData, unsigned iTriangle, int iSteps = 150)
{
    const Triangle& t = iData.triangles[iTriangle];
    std::vector<P3> out;
    for (int i = 0; i <= iSteps; ++i)
        for (int j = 0; i + j <= iSteps; ++j) {
            const double u = double(i) / iSteps;
            const double w = double(j) / iSteps;
            P3 p;
            for (int a = 0; a < 3; ++a)
                p.v[a] = (1 - u - w) * iData.points[t.index[0]][a] + u * iData.points[t.index[1]][a] +
                         w * iData.points[t.index[2]][a];
            out.push_back(p);
        }
    return out;
}

// Voxels whose closed box holds the point (two or more when it lies on a face).
std::vector<int> voxelsHolding(const P3& iPoint, const Grid& iGrid)
{
    int lo[3];
    int hi[3];
    for (int a = 0; a < 3; ++a) {
        if (iGrid.voxel[a] == 0) {
            if (std::fabs(iPoint.v[a] - iGrid.origin[a]) > 1e-9)
                return {};
            lo[a] = hi[a] = 0;
            continue;
        }
        const double f = (iPoint.v[a] - iGrid.origin[a]) / iGrid.voxel[a];
        lo[a] = std::max(0, int(std::ceil(f - 1e-9)) - 1);
        hi[a] = std::min(iGrid.n - 1, int(std::floor(f + 1e-9)));
        if (f < -1e-9 || f > iGrid.n + 1e-9)
            return {};
    }
    std::vector<int> out;
    for (int k = lo[2]; k <= hi[2]; ++k)
        for (int j = lo[1]; j <= hi[1]; ++j)
            for (int i = lo[0]; i <= hi[0]; ++i)
                out.push_back(i + iGrid.n * (j + iGrid.n * k));
    return out;
}

double distanceToVoxel(const P3& iPoint, const Grid& iGrid, int iVoxel)
{
    const int index[3] = {iVoxel % iGrid.n, (iVoxel / iGrid.n) % iGrid.n, iVoxel / iGrid.n / iGrid.n};
    double sum = 0;
    for (int a = 0; a < 3; ++a) {
        const double lo = iGrid.origin[a] + index[a] * iGrid.voxel[a];
        const double hi = lo + iGrid.voxel[a];
        const double d = iPoint.v[a] < lo ? lo - iPoint.v[a] : (iPoint.v[a] > hi ? iPoint.v[a] - hi : 0.0);
        sum += d * d;
    }
    return std::sqrt(sum);
}

std::set<int> occupied(const System& iSystem, const SparseVoxelOctreeNode& iNode)
{
    std::set<int> out;
    const VoxelInfo<ColorBlock>* entry = iSystem.getVoxelBlockPool().getEntry(iNode.getVoxelInfoIndex());
    if (!entry)
        return out;
    for (size_t b = 0; b < entry->getOccupancy().size(); ++b)
        for (int bit = 0; bit < 8; ++bit)
            if (entry->getOccupancy()[b].get(bit))
                out.insert(int(b * 8 + bit));
    return out;
}

// Colour of each occupied voxel, by voxel number.
std::vector<std::pair<int, Color>> voxelColors(const System& iSystem, const SparseVoxelOctreeNode& iNode)
{
    std::vector<std::pair<int, Color>> out;
    const VoxelInfo<ColorBlock>* entry = iSystem.getVoxelBlockPool().getEntry(iNode.getVoxelInfoIndex());
    size_t k = 0;
    for (int v : occupied(iSystem, iNode))
        out.emplace_back(v, entry->getBlock()->colors[k++]);
    return out;
}

// Expected voxels of one triangle in a node's grid: every voxel holding a sample must be in
// iMarked; every voxel of iMarked must lie within iSlack of some sample.
void expectMarksOf(const PolygonData& iData, unsigned iTriangle, const Grid& iGrid, const std::set<int>& iMarked,
                   double iSlack, bool iOnlyThis = true)
{
    const std::vector<P3> points = samples(iData, iTriangle, iOnlyThis ? 150 : 40);
    std::set<int> hit;
    for (const P3& p : points)
        for (int v : voxelsHolding(p, iGrid))
            hit.insert(v);
    for (int v : hit)
        EXPECT_TRUE(iMarked.count(v)) << "triangle " << iTriangle << " misses voxel " << v;
    if (!iOnlyThis)
        return;
    for (int v : iMarked) {
        double best = std::numeric_limits<double>::infinity();
        for (const P3& p : points)
            best = std::min(best, distanceToVoxel(p, iGrid, v));
        EXPECT_LE(best, iSlack) << "triangle " << iTriangle << " marks far voxel " << v;
    }
}

// Every triangle number 0..T-1 lies in exactly one leaf; returns the leaf of each.
std::vector<const SparseVoxelOctreeNode*> leafOfEachTriangle(const System& iSystem, size_t iTriangles)
{
    std::vector<const SparseVoxelOctreeNode*> out(iTriangles, nullptr);
    for (const SparseVoxelOctreeNode* node : iSystem.getOctree().getNodeList()) {
        if (node->hasChild())
            continue;
        const LeafInfo<ElementIndexBlock>* entry = iSystem.getLeafBlockPool().getEntry(node->getFirstIndex());
        EXPECT_TRUE(entry && entry->getBlock());
        if (!entry || !entry->getBlock())
            continue;
        for (unsigned t : entry->getBlock()->indices) {
            EXPECT_LT(t, iTriangles);
            if (t >= iTriangles)
                continue;
            EXPECT_EQ(out[t], nullptr) << "triangle " << t << " in two leaves";
            out[t] = node;
        }
    }
    for (size_t t = 0; t < iTriangles; ++t)
        EXPECT_NE(out[t], nullptr) << "triangle " << t << " in no leaf";
    return out;
}

int maxDepth(const SparseVoxelOctree& iOctree)
{
    int depth = 0;
    for (const SparseVoxelOctreeNode* node : iOctree.getNodeList())
        depth = std::max(depth, node->getDepth());
    return depth;
}

} // namespace

// ---------------------------------------------------------------------------
// Leaf voxels
// ---------------------------------------------------------------------------

TEST(PolygonSVOBuilderTest, SingleTriangleMarksExactlyTheVoxelsItPassesThrough)
{
    struct Case
    {
        const char* name;
        Vector3F a, b, c;
    };
    const Case cases[] = {
        {"general", V(0.3f, 0.2f, 0.5f), V(3.7f, 1.1f, 2.9f), V(1.2f, 3.8f, 3.6f)},
        {"steep", V(0.1f, 3.9f, 0.1f), V(3.9f, 0.1f, 0.4f), V(2.1f, 2.2f, 3.95f)},
        {"on inner face x=2", V(2, 0.5f, 0.5f), V(2, 3.5f, 0.7f), V(2, 0.6f, 3.4f)},
        {"on inner edge x=y=2", V(2, 2, 0.2f), V(2, 2, 3.8f), V(2.5f, 2.5f, 2)},
        {"on node face x=0", V(0, 0.5f, 0.5f), V(0, 3.5f, 1.5f), V(0, 1.5f, 3.5f)},
        {"thin sliver", V(0.2f, 0.3f, 0.4f), V(3.8f, 3.7f, 3.6f), V(0.2001f, 0.3f, 0.4001f)},
        {"segment", V(0.5f, 0.5f, 0.5f), V(3.5f, 2.5f, 1.5f), V(2.0f, 1.5f, 1.0f)},
        {"segment on edge line", V(2, 2, 0.2f), V(2, 2, 3.8f), V(2, 2, 2)},
        {"point", V(1.5f, 2.5f, 0.5f), V(1.5f, 2.5f, 0.5f), V(1.5f, 2.5f, 0.5f)},
        {"point on a corner", V(1, 1, 1), V(1, 1, 1), V(1, 1, 1)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PolygonData data;
        addTriangle(&data, c.a, c.b, c.c);
        fixBox(&data, 0.0f, 4.0f);
        System system;
        ASSERT_TRUE(build(&system, data, 4));
        ASSERT_EQ(system.getOctree().getNodeNumber(), 1u);
        const SparseVoxelOctreeNode& root = *system.getOctree().getNodeList()[0];
        const std::set<int> marked = occupied(system, root);
        expectMarksOf(data, 0, gridOf(system.getOctree(), root), marked, 1e-2);
        for (const auto& vc : voxelColors(system, root))
            EXPECT_EQ(vc.second, Color(0, 0, 0, 255));
    }

    // Hand-counted: the triangle y + z <= 4 on the face x = 2 meets the 13 voxel columns with
    // j + k <= 4 (its long edge touches the corners at j + k = 4) in both layers beside the face;
    // the edge x = y = 2 the four voxel columns around it; a point on a corner the eight voxels
    // meeting there.
    const auto count = [](const Vector3F& a, const Vector3F& b, const Vector3F& c) {
        PolygonData data;
        addTriangle(&data, a, b, c);
        fixBox(&data, 0.0f, 4.0f);
        System system;
        EXPECT_TRUE(build(&system, data, 4));
        return occupied(system, *system.getOctree().getNodeList()[0]).size();
    };
    EXPECT_EQ(count(V(2, 0, 0), V(2, 4, 0), V(2, 0, 4)), 2u * 13u);
    EXPECT_EQ(count(V(2, 2, 0), V(2, 2, 4), V(2, 2, 2)), 4u * 4u);
    EXPECT_EQ(count(V(1, 1, 1), V(1, 1, 1), V(1, 1, 1)), 8u);
    EXPECT_EQ(count(V(0, 0, 0), V(0, 0, 0), V(0, 0, 0)), 1u);
}

TEST(PolygonSVOBuilderTest, CubeMarksOnlySurfaceVoxels)
{
    PolygonData cube;
    for (int k = 0; k < 8; ++k) {
        cube.points.push_back(V(k & 1 ? 3.0f : -1.0f, k & 2 ? 5.0f : 1.0f, k & 4 ? 2.0f : -2.0f));
        cube.colors.push_back(Color());
    }
    const unsigned faces[6][4] = {{0, 2, 6, 4}, {1, 3, 7, 5}, {0, 1, 5, 4}, {2, 3, 7, 6}, {0, 1, 3, 2}, {4, 5, 7, 6}};
    for (const auto& f : faces) {
        cube.triangles.push_back(tri(f[0], f[1], f[2]));
        cube.triangles.push_back(tri(f[0], f[2], f[3]));
    }
    for (int n : {4, 3, 5}) {
        SCOPED_TRACE(n);
        System system;
        ASSERT_TRUE(build(&system, cube, n));
        ASSERT_EQ(system.getOctree().getNodeNumber(), 1u);
        const std::set<int> marked = occupied(system, *system.getOctree().getNodeList()[0]);
        for (int v = 0; v < n * n * n; ++v) {
            const int i = v % n, j = (v / n) % n, k = v / n / n;
            const bool surface = i == 0 || j == 0 || k == 0 || i == n - 1 || j == n - 1 || k == n - 1;
            EXPECT_EQ(marked.count(v) == 1, surface) << v;
        }
    }
}

TEST(PolygonSVOBuilderTest, LaterTriangleWinsAVoxel)
{
    PolygonData data;
    addTriangle(&data, V(0.1f, 0.1f, 0.1f), V(0.9f, 0.1f, 0.1f), V(0.1f, 0.9f, 0.1f));
    addTriangle(&data, V(0.2f, 0.2f, 0.3f), V(0.8f, 0.2f, 0.3f), V(0.2f, 0.8f, 0.3f));
    addTriangle(&data, V(3.5f, 3.5f, 3.5f), V(3.6f, 3.5f, 3.5f), V(3.5f, 3.6f, 3.5f));
    fixBox(&data, 0.0f, 4.0f);
    System system;
    ASSERT_TRUE(build(&system, data, 4));
    const SparseVoxelOctreeNode& root = *system.getOctree().getNodeList()[0];
    const std::vector<std::pair<int, Color>> colors = voxelColors(system, root);
    ASSERT_EQ(colors.size(), 2u);
    EXPECT_EQ(colors[0], std::make_pair(0, Color(0, 0, 1, 255)));
    EXPECT_EQ(colors[1], std::make_pair(63, Color(0, 0, 2, 255)));
    EXPECT_EQ(root.getColor(), Color(0, 0, 1, 255));
}

TEST(PolygonSVOBuilderTest, TrianglesBeyondTheirLeafMarkWhatTheyCross)
{
    // Many small triangles force division; one large triangle across the whole box sits in one
    // leaf and must mark every voxel of that leaf it passes through.
    PolygonData data = waveMesh(8);
    addTriangle(&data, V(0, 0, -2), V(8, 0, 2), V(0, 8, 2));
    const unsigned big = static_cast<unsigned>(data.triangles.size() - 1);
    System system;
    ASSERT_TRUE(build(&system, data, 4));
    ASSERT_GT(system.getOctree().getNodeNumber(), 1u);
    const auto leaves = leafOfEachTriangle(system, data.triangles.size());
    for (unsigned t = 0; t < data.triangles.size(); ++t) {
        const SparseVoxelOctreeNode& leaf = *leaves[t];
        expectMarksOf(data, t, gridOf(system.getOctree(), leaf), occupied(system, leaf), 0, false);
    }
    const Vector3F rootSize(system.getOctree().getBoundingBox().getSize());
    EXPECT_LT(getNodeSize(leaves[big]->getDepth(), rootSize).x, 8.0f);
}

TEST(PolygonSVOBuilderTest, FlatMeshUsesOneVoxelLayerOnItsFlatAxis)
{
    PolygonData data;
    addTriangle(&data, V(0, 0, 1), V(4, 0, 1), V(0, 4, 1));
    addTriangle(&data, V(4, 4, 1), V(4, 0, 1), V(0, 4, 1));
    System system;
    ASSERT_TRUE(build(&system, data, 4));
    const std::set<int> marked = occupied(system, *system.getOctree().getNodeList()[0]);
    EXPECT_EQ(marked.size(), 16u);
    for (int v : marked)
        EXPECT_LT(v, 16);
}

TEST(PolygonSVOBuilderTest, NonFiniteVertexMarksNothingButStaysInALeaf)
{
    PolygonData data;
    addTriangle(&data, V(0, 0, 0), V(1, 0, 0), V(0, 1, 0));
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    addTriangle(&data, V(nan, 0, 0), V(1, 1, 1), V(0, 1, 1));
    addTriangle(&data, V(inf, 0, 0), V(1, 1, 1), V(0, 1, 1));
    System system;
    ASSERT_TRUE(build(&system, data, 2));
    leafOfEachTriangle(system, 3);
    for (const SparseVoxelOctreeNode* node : system.getOctree().getNodeList())
        for (const auto& vc : voxelColors(system, *node))
            EXPECT_EQ(vc.second, Color(0, 0, 0, 255));
    EXPECT_TRUE(checkSVOData(system.getOctree(), system.getVoxelBlockPool(), system.getLeafBlockPool(), 3));
}

// ---------------------------------------------------------------------------
// Index colours, division and inner voxels
// ---------------------------------------------------------------------------

TEST(PolygonSVOBuilderTest, IndexColoursAreTriangleNumbersInBase255)
{
    // iCount - 1 identical small triangles in one corner, then triangle iCount - 1 alone in the
    // opposite corner: its leaf's voxels and the root's voxel there carry its index colour.
    const auto lastColor = [](unsigned iCount) {
        PolygonData data;
        addTriangle(&data, V(0.1f, 0.1f, 0.1f), V(0.3f, 0.1f, 0.1f), V(0.1f, 0.3f, 0.1f));
        data.triangles.resize(iCount - 1, data.triangles[0]);
        addTriangle(&data, V(7.7f, 7.7f, 7.7f), V(7.9f, 7.7f, 7.7f), V(7.7f, 7.9f, 7.9f));
        fixBox(&data, 0.0f, 8.0f);
        System system;
        EXPECT_TRUE(build(&system, data, 4));
        const auto leaves = leafOfEachTriangle(system, iCount);
        const auto leaf = voxelColors(system, *leaves[iCount - 1]);
        const auto root = voxelColors(system, *system.getOctree().getNodeList()[0]);
        if (leaf.empty() || root.empty()) {
            ADD_FAILURE() << "no voxels";
            return Color();
        }
        EXPECT_EQ(leaf.back().first, 63);
        EXPECT_EQ(root.back().first, 63);
        EXPECT_EQ(root.back().second, leaf.back().second);
        return leaf.back().second;
    };
    EXPECT_EQ(lastColor(2), Color(0, 0, 1, 255));
    EXPECT_EQ(lastColor(255), Color(0, 0, 254, 255));
    EXPECT_EQ(lastColor(256), Color(0, 1, 0, 255));
    EXPECT_EQ(lastColor(255 * 255 + 1), Color(1, 0, 0, 255));
}

TEST(PolygonSVOBuilderTest, MeshOfN3TrianglesDividesTheRoot)
{
    const auto nodeCount = [](unsigned iTriangles) {
        PolygonData data;
        for (unsigned t = 0; t < iTriangles; ++t) {
            const float x = float(t % 4), y = float(t / 4 % 4), z = float(t / 16);
            addTriangle(&data, V(x, y, z), V(x + 0.5f, y, z), V(x, y + 0.5f, z + 0.5f));
        }
        System system;
        EXPECT_TRUE(build(&system, data, 4));
        leafOfEachTriangle(system, iTriangles);
        return system.getOctree().getNodeNumber();
    };
    EXPECT_EQ(nodeCount(63), 1u);
    EXPECT_GT(nodeCount(64), 1u);
}

TEST(PolygonSVOBuilderTest, SharedCentroidsStopDivision)
{
    // 100 different triangles around one centroid, and 100 copies of one triangle: a single leaf.
    // With r = -(p + q) the float centroid (p + q + r) / 3 is exactly 0.
    PolygonData around;
    for (int k = 0; k < 100; ++k) {
        const float a = k * 0.0628f;
        const Vector3F p(std::cos(a), std::sin(a), 0.5f), q(-std::sin(a), std::cos(a), -0.25f);
        addTriangle(&around, p, q, -(p + q));
    }
    for (const Triangle& t : around.triangles)
        ASSERT_EQ((around.points[t.index[0]] + around.points[t.index[1]] + around.points[t.index[2]]) / 3.0f,
                  V(0, 0, 0));
    System first;
    ASSERT_TRUE(build(&first, around, 4));
    EXPECT_EQ(first.getOctree().getNodeNumber(), 1u);
    leafOfEachTriangle(first, 100);

    PolygonData copies;
    addTriangle(&copies, V(0, 0, 0), V(1, 0, 0), V(0, 1, 0));
    copies.triangles.resize(100, copies.triangles[0]);
    addTriangle(&copies, V(5, 5, 5), V(6, 5, 5), V(5, 6, 5));
    System second;
    ASSERT_TRUE(build(&second, copies, 4));
    EXPECT_EQ(second.getOctree().getNodeNumber(), 3u);
    leafOfEachTriangle(second, 101);
}

TEST(PolygonSVOBuilderTest, CentroidsTooCloseForFloatEndWithinTheDepthCap)
{
    // Two clusters of centroids one float step apart and far from the origin: division runs
    // until the float centres stop moving or the depth cap, and ends.
    PolygonData data;
    const float base = 1000.0f;
    const float next = std::nextafter(base, 2000.0f);
    for (int k = 0; k < 70; ++k) {
        const float x = k % 2 ? next : base;
        addTriangle(&data, V(x, x, x), V(x, x, x), V(x, x, x));
    }
    fixBox(&data, 0.0f, 2000.0f);
    System system;
    ASSERT_TRUE(build(&system, data, 4));
    EXPECT_LE(maxDepth(system.getOctree()), svoMaxBuildDepth);
    leafOfEachTriangle(system, 70);
    EXPECT_TRUE(checkSVOData(system.getOctree(), system.getVoxelBlockPool(), system.getLeafBlockPool(), 70));
}

TEST(PolygonSVOBuilderTest, CentroidOnANodeCentreGoesToOctantZero)
{
    // With n = 1 every node with a triangle is divided unless it holds one centroid only.
    PolygonData data;
    addTriangle(&data, V(1, 1, 1), V(1, 1, 1), V(1, 1, 1)); // the root centre
    addTriangle(&data, V(0, 0, 0), V(0, 0, 0), V(0, 0, 0));
    fixBox(&data, 0.0f, 2.0f);
    System system;
    ASSERT_TRUE(build(&system, data, 1));
    const auto leaves = leafOfEachTriangle(system, 2);
    EXPECT_EQ(leaves[0]->getCenter(), V(1.5f, 1.5f, 1.5f));
    EXPECT_EQ(leaves[1]->getCenter(), V(0.5f, 0.5f, 0.5f));
}

TEST(PolygonSVOBuilderTest, InnerVoxelsComeFromTheChildrensVoxels)
{
    // n = 2: eight small triangles, one in each octant corner, give eight one-triangle leaves whose
    // voxels fall one into each root voxel.
    PolygonData data;
    unsigned octantOf[8];
    for (int o = 0; o < 8; ++o) {
        const float x = o & 1 ? 0.2f : 3.6f, y = o & 2 ? 0.2f : 3.6f, z = o & 4 ? 0.2f : 3.6f;
        addTriangle(&data, V(x, y, z), V(x + 0.1f, y, z), V(x, y + 0.1f, z + 0.1f));
        octantOf[o] = o;
    }
    fixBox(&data, 0.0f, 4.0f);
    System system;
    ASSERT_TRUE(build(&system, data, 2));
    ASSERT_EQ(system.getOctree().getNodeNumber(), 9u);
    const SparseVoxelOctreeNode& root = *system.getOctree().getNodeList()[0];
    const auto colors = voxelColors(system, root);
    ASSERT_EQ(colors.size(), 8u);
    for (int v = 0; v < 8; ++v) {
        const int i = v & 1, j = (v >> 1) & 1, k = (v >> 2) & 1;
        const unsigned triangle = octantOf[(1 - i) + 2 * (1 - j) + 4 * (1 - k)];
        EXPECT_EQ(colors[v], std::make_pair(v, Color(0, 0, static_cast<unsigned char>(triangle), 255)));
    }
    EXPECT_EQ(root.getColor(), Color(0, 0, 7, 255));
    // Children in octant order follow the root, each a leaf with one voxel.
    for (int c = 1; c <= 8; ++c)
        EXPECT_EQ(occupied(system, *system.getOctree().getNodeList()[c]).size(), 1u);
}

TEST(PolygonSVOBuilderTest, EntryNumbersStayValidAfterTheRelayout)
{
    const PolygonData data = waveMesh(12);
    System system;
    ASSERT_TRUE(build(&system, data, 3));
    const SparseVoxelOctree& octree = system.getOctree();
    ASSERT_GT(octree.getLayerSizeList().size(), 2u);
    EXPECT_EQ(octree.getLoadedDepth(), int(octree.getLayerSizeList().size()));
    EXPECT_TRUE(checkSVOData(octree, system.getVoxelBlockPool(), system.getLeafBlockPool(), data.triangles.size()));
    EXPECT_EQ(system.getLeafBlockPool().getTotal(), data.triangles.size());
    EXPECT_EQ(system.getVoxelBlockPool().getEntries().size(), octree.getNodeNumber());

    const Vector3F rootSize(octree.getBoundingBox().getSize());
    const auto leaves = leafOfEachTriangle(system, data.triangles.size());
    for (unsigned t = 0; t < data.triangles.size(); ++t) {
        // The leaf that names a triangle holds its centroid and marks the voxels it crosses.
        const Triangle& tr = data.triangles[t];
        const Vector3F c = (data.points[tr.index[0]] + data.points[tr.index[1]] + data.points[tr.index[2]]) / 3.0f;
        const Vector3F half = getNodeSize(leaves[t]->getDepth(), rootSize) * 0.5f;
        for (int a = 0; a < 3; ++a)
            EXPECT_LE(std::fabs(c[a] - leaves[t]->getCenter()[a]), half[a] * 1.0001f + 1e-6f);
        expectMarksOf(data, t, gridOf(octree, *leaves[t]), occupied(system, *leaves[t]), 0, false);
    }
    // Every node's voxel colours pair up with its occupancy, and an inner node's voxels hold
    // exactly the voxel centres of its children.
    for (const SparseVoxelOctreeNode* node : octree.getNodeList()) {
        if (!node->hasChild())
            continue;
        std::set<int> expected;
        std::vector<SparseVoxelOctreeNode*> children;
        getChildNodeList(&children, *node, octree);
        for (const SparseVoxelOctreeNode* child : children) {
            std::vector<Vector3F> centers;
            getVoxelCenterList(&centers, *child, octree, system.getVoxelBlockPool());
            for (const Vector3F& p : centers)
                expected.insert(getVoxelIndex1D(getVoxelIndex3D(p, *node, rootSize, 3), 3));
        }
        EXPECT_EQ(occupied(system, *node), expected);
    }
}

// ---------------------------------------------------------------------------
// Whole build
// ---------------------------------------------------------------------------

TEST(PolygonSVOBuilderTest, PrintsItsLinesAndRelaysOutBreadthFirst)
{
    const PolygonData data = waveMesh(6);
    System system;
    CoutCapture out;
    ASSERT_TRUE(createSparseVoxelOctree(&system.getOctree(), &system.getVoxelBlockPool(),
                                        &system.getLeafBlockPool(), data, 4));
    const std::vector<std::string> lines = out.lines();
    ASSERT_GE(lines.size(), 5u);
    EXPECT_EQ(lines[0], "create SVOctree...");
    EXPECT_EQ(lines[1].rfind("Create SVO Time: ", 0), 0u);
    EXPECT_EQ(lines[1].substr(lines[1].size() - 5), "[sec]");
    EXPECT_EQ(lines[2], "sortDepth()");
    EXPECT_EQ(lines.back().rfind("Layer Size (total): ", 0), 0u);

    const SparseVoxelOctree& octree = system.getOctree();
    size_t position = 0;
    for (size_t d = 0; d < octree.getLayerSizeList().size(); ++d)
        for (int k = 0; k < octree.getLayerSizeList()[d]; ++k, ++position)
            EXPECT_EQ(octree.getNodeList()[position]->getDepth(), int(d));
    EXPECT_EQ(position, octree.getNodeNumber());
    Vector3D center, size;
    getBoundingBox(&center, &size, data);
    EXPECT_EQ(octree.getBoundingBox(), BoundingBox(center, size));
    EXPECT_EQ(size.x, 6.0);
}

TEST(PolygonSVOBuilderTest, EmptyMeshGivesAnEmptyRootLeaf)
{
    System system;
    ASSERT_TRUE(build(&system, PolygonData(), 4));
    const SparseVoxelOctree& octree = system.getOctree();
    ASSERT_EQ(octree.getNodeNumber(), 1u);
    EXPECT_EQ(octree.getBoundingBox(), BoundingBox());
    EXPECT_EQ(octree.getLayerSizeList(), std::vector<int>{1});
    EXPECT_EQ(octree.getLoadedDepth(), 1);
    const SparseVoxelOctreeNode& root = *octree.getNodeList()[0];
    EXPECT_EQ(root.getFirstIndex(), 0);
    EXPECT_EQ(root.getColor(), Color());
    ASSERT_EQ(system.getLeafBlockPool().getEntries().size(), 1u);
    EXPECT_EQ(system.getLeafBlockPool().getEntries()[0]->getCount(), 0u);
    ASSERT_EQ(system.getVoxelBlockPool().getEntries().size(), 1u);
    EXPECT_EQ(system.getVoxelBlockPool().getEntries()[0]->getCount(), 0u);
    EXPECT_EQ(system.getVoxelBlockPool().getEntries()[0]->getOccupancy().size(), 8u);
}

TEST(PolygonSVOBuilderTest, RefusesWhatItCannotBuild)
{
    PolygonData data;
    addTriangle(&data, V(0, 0, 0), V(1, 0, 0), V(0, 1, 0));
    PolygonData missing = data;
    missing.triangles.push_back(tri(0, 1, 3));
    System system;
    EXPECT_FALSE(build(&system, missing, 4));
    EXPECT_FALSE(build(&system, data, 0));
    EXPECT_FALSE(build(&system, data, 1291));
    EXPECT_EQ(system.getOctree().getNodeNumber(), 0u);
    EXPECT_TRUE(system.getVoxelBlockPool().getEntries().empty());
    ASSERT_TRUE(build(&system, data, 4));
    EXPECT_FALSE(build(&system, data, 4)); // not empty any more
    EXPECT_EQ(system.getOctree().getNodeNumber(), 1u);
}

TEST(PolygonSVOBuilderTest, BoundingBoxAndLeafBlocks)
{
    PolygonData data;
    Vector3D center(9, 9, 9), size(9, 9, 9);
    getBoundingBox(&center, &size, data);
    EXPECT_EQ(center, Vector3D());
    EXPECT_EQ(size, Vector3D());
    data.points = {V(1, -2, 3), V(-1, 4, 3.5f), V(std::numeric_limits<float>::quiet_NaN(), 0, 3)};
    getBoundingBox(&center, &size, data);
    EXPECT_EQ(center, Vector3D(0, 1, 3.25));
    EXPECT_EQ(size, Vector3D(2, 6, 0.5));

    ElementIndexBlock block;
    block.indices = {9, 9};
    initLeafDataBlock(&block, data.points, data.colors, std::vector<unsigned>{4, 1, 7});
    EXPECT_EQ(block.indices, (std::vector<unsigned>{4, 1, 7}));
    EXPECT_TRUE(block.positions.empty());
    EXPECT_TRUE(block.colors.empty());
}
