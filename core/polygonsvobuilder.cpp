#include "polygonsvobuilder.h"

#include "fileoperation_zrply.h"
#include "memoryguard.h"

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <ctime>
#include <iostream>
#include <limits>

namespace {

using Vector3F = Vector3T<float>;

Color FL_indexColor(unsigned iNumber)
{
    return Color(static_cast<unsigned char>((iNumber / (255u * 255u)) % 255u),
                 static_cast<unsigned char>((iNumber / 255u) % 255u), static_cast<unsigned char>(iNumber % 255u), 255);
}

// Two coordinates no octant test can tell apart: equal, or both NaN.
bool FL_same(float iA, float iB)
{
    return iA == iB || (iA != iA && iB != iB);
}

bool FL_same(const Vector3F& iA, const Vector3F& iB)
{
    return FL_same(iA.x, iB.x) && FL_same(iA.y, iB.y) && FL_same(iA.z, iB.z);
}

// True when dividing the node could never separate its triangles (see the header).
bool FL_cannotDivide(const SparseVoxelOctreeNode& iNode, const std::vector<Vector3F>& iCentroids,
                     const std::vector<unsigned>& iNumbers, const Vector3F& iRootSize)
{
    if (iNode.getDepth() >= svoMaxBuildDepth || iNumbers.empty())
        return true;
    const Vector3F& center = iNode.getCenter();
    const Vector3F& first = iCentroids[iNumbers[0]];
    const int octant = getAreaIndex(first, center);
    bool sameCentroid = true;
    bool sameOctant = true;
    for (size_t k = 1; k < iNumbers.size() && (sameCentroid || sameOctant); ++k) {
        const Vector3F& p = iCentroids[iNumbers[k]];
        sameCentroid = sameCentroid && FL_same(p, first);
        sameOctant = sameOctant && getAreaIndex(p, center) == octant;
    }
    if (sameCentroid)
        return true;
    if (!sameOctant)
        return false;
    // Placed as addNewNode places the child.
    const Vector3F size = getNodeSize(iNode.getDepth() + 1, iRootSize);
    const Vector3F sign = getAreaNornal(octant);
    const Vector3F child(center.x + size.x * sign.x * 0.5f, center.y + size.y * sign.y * 0.5f,
                         center.z + size.z * sign.z * 0.5f);
    return FL_same(child, center);
}

// ---------------------------------------------------------------------------
// Triangle / voxel crossing
// ---------------------------------------------------------------------------

struct FL_Vec
{
    double v[3];
};

// Separating axis test of a triangle against an axis-aligned box (centre, half sizes), after
// Akenine-Moeller: the nine cross products of the box axes with the edges, the box axes, and the
// triangle's plane. The normal is never normalised: for a degenerate triangle it is zero, the
// plane test passes, and the remaining axes are exactly those that separate a segment or a
// point from a box.
bool FL_triangleBoxOverlap(const double iCenter[3], const double iHalf[3], const FL_Vec iVertices[3])
{
    double p[3][3];
    for (int k = 0; k < 3; ++k)
        for (int a = 0; a < 3; ++a)
            p[k][a] = iVertices[k].v[a] - iCenter[a];
    double edges[3][3];
    for (int k = 0; k < 3; ++k)
        for (int a = 0; a < 3; ++a)
            edges[k][a] = p[(k + 1) % 3][a] - p[k][a];

    for (const double* e : edges) {
        for (int i = 0; i < 3; ++i) {
            // Unit axis i crossed with the edge.
            double axis[3] = {0.0, 0.0, 0.0};
            const int j = (i + 1) % 3;
            const int k = (i + 2) % 3;
            axis[j] = -e[k];
            axis[k] = e[j];
            double lo = std::numeric_limits<double>::infinity();
            double hi = -lo;
            for (const double* q : p) {
                const double d = q[0] * axis[0] + q[1] * axis[1] + q[2] * axis[2];
                lo = std::min(lo, d);
                hi = std::max(hi, d);
            }
            const double radius =
                iHalf[0] * std::fabs(axis[0]) + iHalf[1] * std::fabs(axis[1]) + iHalf[2] * std::fabs(axis[2]);
            if (lo > radius || hi < -radius)
                return false;
        }
    }
    for (int a = 0; a < 3; ++a) {
        const double lo = std::min(p[0][a], std::min(p[1][a], p[2][a]));
        const double hi = std::max(p[0][a], std::max(p[1][a], p[2][a]));
        if (lo > iHalf[a] || hi < -iHalf[a])
            return false;
    }
    const double* e0 = edges[0];
    const double* e1 = edges[1];
    const double normal[3] = {e0[1] * e1[2] - e0[2] * e1[1], e0[2] * e1[0] - e0[0] * e1[2],
                              e0[0] * e1[1] - e0[1] * e1[0]};
    // Signed distances (times |normal|) of the box corners nearest and farthest along the normal.
    double nearest = 0.0;
    double farthest = 0.0;
    for (int a = 0; a < 3; ++a) {
        const double d = normal[a] * p[0][a];
        const double r = std::fabs(normal[a]) * iHalf[a];
        nearest += -r - d;
        farthest += r - d;
    }
    return nearest <= 0.0 && farthest >= 0.0;
}

// Marks, in slot order i + n j + n^2 k, the voxels of the node that each listed triangle meets,
// a later triangle overwriting an earlier one.
void FL_markCrossedVoxels(std::vector<int>* oSlots, const SparseVoxelOctreeNode& iNode,
                          const std::vector<unsigned>& iNumbers, const PolygonData& iData,
                          const Vector3F& iRootSize, int iResolution)
{
    const int n = iResolution;
    oSlots->assign(size_t(n) * size_t(n) * size_t(n), -1);
    // The grid of the point voxels: float origin and voxel size.
    const Vector3F size = getNodeSize(iNode.getDepth(), iRootSize);
    const Vector3F originF = iNode.getCenter() - size * 0.5f;
    const Vector3F voxelF = size / static_cast<float>(n);
    double origin[3];
    double voxel[3];
    double tolerance[3];
    for (int a = 0; a < 3; ++a) {
        origin[a] = originF[a];
        voxel[a] = voxelF[a];
        // Relative to the voxel, plus a few float steps of the coordinates, so that faces meet
        // however the vertices were rounded.
        tolerance[a] = 1e-4 * voxel[a] + 2.0 * FLT_EPSILON * (std::fabs(double(iNode.getCenter()[a])) + size[a]);
    }

    for (unsigned number : iNumbers) {
        const Triangle& triangle = iData.triangles[number];
        FL_Vec vertices[3];
        bool finite = true;
        for (int k = 0; k < 3; ++k) {
            const Vector3F& q = iData.points[triangle.index[k]];
            for (int a = 0; a < 3; ++a) {
                vertices[k].v[a] = q[a];
                finite = finite && std::isfinite(q[a]);
            }
        }
        if (!finite)
            continue;
        // Voxel index range of the triangle's box; the overlap test decides within it.
        int lo[3];
        int hi[3];
        bool outside = false;
        for (int a = 0; a < 3 && !outside; ++a) {
            const double low = std::min(vertices[0].v[a], std::min(vertices[1].v[a], vertices[2].v[a]));
            const double high = std::max(vertices[0].v[a], std::max(vertices[1].v[a], vertices[2].v[a]));
            if (!(voxel[a] > 0.0)) {
                // No extent on this axis: one layer of voxels, at index 0.
                lo[a] = hi[a] = 0;
                outside = low > origin[a] + tolerance[a] || high < origin[a] - tolerance[a];
                continue;
            }
            // One voxel more on each side, so that rounding at an exact face cannot drop a voxel.
            const double first = std::floor((low - tolerance[a] - origin[a]) / voxel[a]) - 1.0;
            const double last = std::floor((high + tolerance[a] - origin[a]) / voxel[a]) + 1.0;
            outside = first > double(n - 1) || last < 0.0;
            lo[a] = outside ? 0 : static_cast<int>(std::max(first, 0.0));
            hi[a] = outside ? 0 : static_cast<int>(std::min(last, double(n - 1)));
        }
        if (outside)
            continue;
        double half[3];
        for (int a = 0; a < 3; ++a)
            half[a] = voxel[a] * 0.5 + tolerance[a];
        for (int k = lo[2]; k <= hi[2]; ++k) {
            for (int j = lo[1]; j <= hi[1]; ++j) {
                for (int i = lo[0]; i <= hi[0]; ++i) {
                    const double center[3] = {origin[0] + (i + 0.5) * voxel[0], origin[1] + (j + 0.5) * voxel[1],
                                              origin[2] + (k + 0.5) * voxel[2]};
                    if (FL_triangleBoxOverlap(center, half, vertices))
                        (*oSlots)[size_t(i) + size_t(n) * (size_t(j) + size_t(n) * size_t(k))] = int(number);
                }
            }
        }
    }
}

// ---------------------------------------------------------------------------
// Growth
// ---------------------------------------------------------------------------

// Appends the node's voxel entry from its slots and the colours the slots number.
bool FL_addVoxelEntry(VoxelBlockPool<ColorBlock>* ioVoxelPool, SparseVoxelOctreeNode* ioNode,
                      const std::vector<int>& iSlots, const std::vector<Color>& iColors)
{
    const unsigned count = getVoxelDataNumber(iSlots);
    if (std::uint64_t(ioVoxelPool->getTotal()) + count > std::numeric_limits<unsigned>::max())
        return false;
    VoxelInfo<ColorBlock>* entry = new VoxelInfo<ColorBlock>();
    ColorBlock* block = new ColorBlock();
    entry->setBlock(block);
    decideVoxelFlag(&entry->getOccupancy(), iSlots);
    decideVoxelColor(block, iSlots, iColors);
    entry->setFirstIndex(ioVoxelPool->getTotal());
    entry->setCount(count);
    ioNode->setVoxelInfoIndex(static_cast<int>(ioVoxelPool->getEntries().size()));
    ioVoxelPool->addEntry(entry);
    ioVoxelPool->setTotal(ioVoxelPool->getTotal() + count);
    if (!block->colors.empty())
        ioNode->setColor(block->colors.front());
    return true;
}

// Grows the node's subtree depth first, then makes the node's voxels: a leaf's from its
// triangles, an inner node's from its children's voxels (complete by then). An inner node
// empties its number list once it is split, so that the lists alive along the recursion never
// hold more than the triangle count together.
bool FL_growSVO_Recursively(SparseVoxelOctree* ioOctree, VoxelBlockPool<ColorBlock>* ioVoxelPool,
                            LeafBlockPool<ElementIndexBlock>* ioLeafPool, SparseVoxelOctreeNode* ioNode,
                            const std::vector<Vector3F>& iCentroids, const std::vector<Color>& iColors,
                            std::vector<unsigned>* ioTriangleNumbers, const Vector3F& iRootSize,
                            const PolygonData& iData)
{
    const std::vector<unsigned>& numbers = *ioTriangleNumbers;
    const int n = ioOctree->getVoxelResolution();
    const long long voxelCount = static_cast<long long>(n) * n * n;
    std::vector<int> slots;
    if (static_cast<long long>(numbers.size()) < voxelCount ||
        FL_cannotDivide(*ioNode, iCentroids, numbers, iRootSize)) {
        LeafInfo<ElementIndexBlock>* entry = new LeafInfo<ElementIndexBlock>();
        ElementIndexBlock* block = new ElementIndexBlock();
        initLeafDataBlock(block, iData.points, iData.colors, numbers);
        entry->setBlock(block);
        entry->setFirstIndex(ioLeafPool->getTotal());
        entry->setCount(static_cast<unsigned>(numbers.size()));
        ioNode->setFirstIndex(static_cast<int>(ioLeafPool->getEntries().size()));
        ioLeafPool->addEntry(entry);
        ioLeafPool->setTotal(ioLeafPool->getTotal() + static_cast<unsigned>(numbers.size()));
        FL_markCrossedVoxels(&slots, *ioNode, numbers, iData, iRootSize, n);
        return FL_addVoxelEntry(ioVoxelPool, ioNode, slots, iColors);
    }

    std::vector<unsigned> lists[8];
    getSubIndexList(lists, iCentroids, numbers, ioNode->getCenter());
    std::vector<unsigned>().swap(*ioTriangleNumbers);
    // All children first, so that they lie together in the node list.
    SparseVoxelOctreeNode* children[8] = {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
    for (int o = 0; o < 8; ++o) {
        if (lists[o].empty())
            continue;
        children[o] = new SparseVoxelOctreeNode();
        ioOctree->addNewNode(children[o], ioNode, o);
    }
    for (int o = 0; o < 8; ++o) {
        if (!children[o])
            continue;
        if (!FL_growSVO_Recursively(ioOctree, ioVoxelPool, ioLeafPool, children[o], iCentroids, iColors, &lists[o],
                                    iRootSize, iData))
            return false;
        std::vector<unsigned>().swap(lists[o]);
    }

    std::vector<Vector3F> centers;
    std::vector<Color> colors;
    std::vector<Vector3F> childCenters;
    for (const SparseVoxelOctreeNode* child : children) {
        if (!child)
            continue;
        getVoxelCenterList(&childCenters, *child, *ioOctree, *ioVoxelPool);
        const VoxelInfo<ColorBlock>* entry = ioVoxelPool->getEntry(child->getVoxelInfoIndex());
        if (!entry || !entry->getBlock() || entry->getBlock()->colors.size() != childCenters.size())
            return false;
        centers.insert(centers.end(), childCenters.begin(), childCenters.end());
        colors.insert(colors.end(), entry->getBlock()->colors.begin(), entry->getBlock()->colors.end());
    }
    getIndexForEachVoxel(&slots, centers, *ioNode, iRootSize, n, static_cast<int>(voxelCount));
    return FL_addVoxelEntry(ioVoxelPool, ioNode, slots, colors);
}

bool FL_createSparseVoxelOctree(SparseVoxelOctree* oOctree, VoxelBlockPool<ColorBlock>* oVoxelPool,
                                LeafBlockPool<ElementIndexBlock>* oLeafPool, const PolygonData& iData, int iResolution)
{
    std::cout << "create SVOctree..." << std::endl;
    const std::clock_t start = std::clock();
    if (!oOctree || !oVoxelPool || !oLeafPool || iResolution < 1 ||
        static_cast<long long>(iResolution) * iResolution * iResolution > INT_MAX)
        return false;
    // Slots hold triangle numbers as int.
    if (iData.triangles.size() > static_cast<size_t>(INT_MAX))
        return false;
    if (oOctree->getNodeNumber() != 0 || !oVoxelPool->getEntries().empty() || !oLeafPool->getEntries().empty())
        return false;
    const size_t vertexCount = iData.points.size();
    for (const Triangle& triangle : iData.triangles)
        for (std::uint32_t index : triangle.index)
            if (index >= vertexCount)
                return false;

    Vector3T<double> center;
    Vector3T<double> size;
    getBoundingBox(&center, &size, iData);
    oOctree->setBoundingBox(BoundingBox(center, size));
    oOctree->setVoxelResolution(iResolution);
    SparseVoxelOctreeNode* root = new SparseVoxelOctreeNode();
    oOctree->addNewNode(root, nullptr, 0);

    {
        // The working lists are dropped before the re-layout.
        const size_t count = iData.triangles.size();
        std::vector<Vector3F> centroids(count);
        std::vector<Color> colors(count);
        std::vector<unsigned> numbers(count);
        for (size_t t = 0; t < count; ++t) {
            const Triangle& triangle = iData.triangles[t];
            const Vector3F& a = iData.points[triangle.index[0]];
            const Vector3F& b = iData.points[triangle.index[1]];
            const Vector3F& c = iData.points[triangle.index[2]];
            centroids[t] = (a + b + c) / 3.0f;
            colors[t] = FL_indexColor(static_cast<unsigned>(t));
            numbers[t] = static_cast<unsigned>(t);
        }
        if (!FL_growSVO_Recursively(oOctree, oVoxelPool, oLeafPool, root, centroids, colors, &numbers, Vector3F(size),
                                    iData))
            return false;
    }
    std::cout << "Create SVO Time: " << static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC << "[sec]"
              << std::endl;
    if (!oOctree->sortDepth())
        return false;
    oOctree->setLoadedDepth(static_cast<int>(oOctree->getLayerSizeList().size()));
    return true;
}

} // namespace

bool createSparseVoxelOctree(SparseVoxelOctree* oOctree, VoxelBlockPool<ColorBlock>* oVoxelPool,
                             LeafBlockPool<ElementIndexBlock>* oLeafPool, const PolygonData& iData, int iResolution)
{
    return memoryguard::run(
        [&] { return FL_createSparseVoxelOctree(oOctree, oVoxelPool, oLeafPool, iData, iResolution); });
}
