#ifndef TESTS_OCTREEFIXTURE_H
#define TESTS_OCTREEFIXTURE_H

#include "pointclouddata.h"
#include "sparsevoxeloctree.h"

// A small hand-built octree with both pools and a point matrix, for the octree file tests and
// the fuzzers' seed files.
namespace octreefixture {

constexpr int kMatrixWidth = 4;
constexpr int kMatrixHeight = 3;

inline void fillBlock(PointBlock* oBlock, unsigned iCount, unsigned iSeed)
{
    for (unsigned k = 0; k < iCount; ++k) {
        oBlock->positions.push_back(Vector3F(iSeed + k * 0.25f, -1.5f * k, 7.0f + iSeed));
        oBlock->colors.push_back(Color(10 * iSeed, k, 200, 255 - k));
        oBlock->flags.push_back(0);
    }
}

inline void fillBlock(PointIndexBlock* oBlock, unsigned iCount, unsigned iSeed)
{
    for (unsigned k = 0; k < iCount; ++k)
        oBlock->indices.push_back((iSeed * 5 + k * 7) % (kMatrixWidth * kMatrixHeight));
}

// Root with children in octants 0, 3 and 5; the first has two children, the third one.
// Leaves: nodes 2, 4, 5 (empty) and 6. Every node has a voxel entry.
template <typename L>
void buildSystem(SVOSystem<ColorBlock, L>* oSystem, int iResolution)
{
    SparseVoxelOctree& octree = oSystem->getOctree();
    octree.setBoundingBox(BoundingBox(Vector3D(1, 2, 3), Vector3D(8, 4, 2)));
    octree.setVoxelResolution(iResolution);
    auto add = [&](SparseVoxelOctreeNode* parent, int octant) {
        SparseVoxelOctreeNode* node = new SparseVoxelOctreeNode;
        octree.addNewNode(node, parent, octant);
        return node;
    };
    SparseVoxelOctreeNode* root = add(nullptr, 0);
    SparseVoxelOctreeNode* n1 = add(root, 0);
    SparseVoxelOctreeNode* n2 = add(root, 3);
    SparseVoxelOctreeNode* n3 = add(root, 5);
    SparseVoxelOctreeNode* n4 = add(n1, 2);
    SparseVoxelOctreeNode* n5 = add(n1, 7);
    SparseVoxelOctreeNode* n6 = add(n3, 0);
    octree.getLayerSizeList() = {1, 3, 3};
    octree.setLoadedDepth(3);

    LeafBlockPool<L>& leaves = oSystem->getLeafBlockPool();
    SparseVoxelOctreeNode* leafNodes[] = {n2, n4, n5, n6};
    const unsigned leafCounts[] = {3, 2, 0, 4};
    for (int i = 0; i < 4; ++i) {
        LeafInfo<L>* entry = new LeafInfo<L>;
        L* block = new L;
        fillBlock(block, leafCounts[i], i + 1);
        entry->setBlock(block);
        entry->setFirstIndex(leaves.getTotal());
        entry->setCount(leafCounts[i]);
        leafNodes[i]->setFirstIndex(int(leaves.getEntries().size()));
        leaves.addEntry(entry);
        leaves.setTotal(leaves.getTotal() + leafCounts[i]);
    }

    VoxelBlockPool<ColorBlock>& voxels = oSystem->getVoxelBlockPool();
    const int voxelCount = iResolution * iResolution * iResolution;
    for (SparseVoxelOctreeNode* node : octree.getNodeList()) {
        const unsigned i = node->getIndex();
        VoxelInfo<ColorBlock>* entry = new VoxelInfo<ColorBlock>;
        ColorBlock* block = new ColorBlock;
        entry->getOccupancy().resize((voxelCount + 7) / 8);
        for (int v = 0; v < voxelCount; ++v) {
            if ((v * 7 + int(i)) % 5 != 0)
                continue;
            entry->getOccupancy()[v / 8].set(v % 8);
            block->colors.push_back(Color(v, i, 3 * v, 100 + i));
        }
        entry->setBlock(block);
        entry->setFirstIndex(voxels.getTotal());
        entry->setCount(unsigned(block->colors.size()));
        node->setVoxelInfoIndex(int(voxels.getEntries().size()));
        if (!block->colors.empty())
            node->setColor(block->colors.front());
        voxels.addEntry(entry);
        voxels.setTotal(voxels.getTotal() + entry->getCount());
    }
}

inline PointCloudData makeMatrix()
{
    PointCloudData data;
    data.width = kMatrixWidth;
    data.height = kMatrixHeight;
    for (int i = 0; i < kMatrixWidth * kMatrixHeight; ++i) {
        Point p;
        p.color = Color(i, 2 * i, 3 * i, 200);
        p.position = Vector3F(i * 0.5f, -i * 1.0f, 100.0f + i);
        p.flag = (i % 4 == 3) ? Point::Deleted : 0u;
        data.validPointNumber += p.isValid();
        data.pointList.push_back(p);
    }
    return data;
}

} // namespace octreefixture

#endif
