#include "sparsevoxeloctree.h"

#include <gtest/gtest.h>

#include <cmath>
#include <iostream>
#include <sstream>
#include <string>

namespace {

class CoutCapture
{
public:
    CoutCapture() : mOld(std::cout.rdbuf(mBuffer.rdbuf())) {}
    ~CoutCapture() { std::cout.rdbuf(mOld); }
    std::string str() const { return mBuffer.str(); }

private:
    std::ostringstream mBuffer;
    std::streambuf* mOld;
};

Vector3T<float> V(float x, float y, float z)
{
    return Vector3T<float>(x, y, z);
}

void expectVec(const Vector3T<float>& a, const Vector3T<float>& b)
{
    EXPECT_FLOAT_EQ(a.x, b.x);
    EXPECT_FLOAT_EQ(a.y, b.y);
    EXPECT_FLOAT_EQ(a.z, b.z);
}

SparseVoxelOctreeNode nodeAt(const Vector3T<float>& iCenter)
{
    SparseVoxelOctreeNode node;
    node.setCenter(iCenter);
    return node;
}

// Everything sortDepth may change, to prove that a failed call changed nothing.
struct Snapshot
{
    std::vector<const SparseVoxelOctreeNode*> nodes;
    std::vector<unsigned> indices;
    std::vector<int> firsts;
    std::vector<int> layers;

    explicit Snapshot(const SparseVoxelOctree& iOctree) : layers(iOctree.getLayerSizeList())
    {
        for (const SparseVoxelOctreeNode* n : iOctree.getNodeList()) {
            nodes.push_back(n);
            indices.push_back(n->getIndex());
            firsts.push_back(n->getFirstIndex());
        }
    }
    bool operator==(const Snapshot& o) const
    {
        return nodes == o.nodes && indices == o.indices && firsts == o.firsts && layers == o.layers;
    }
};

// Depth-first growth, as the polygon builder does it:
//   old 0 root -> 1 A (oct 0), 2 B (oct 3); A -> 3 A0, 4 A1; A0 -> 5 A00, 6 A01; B -> 7 B0.
// Leaves carry leaf-entry numbers 10.. that the re-layout must not touch.
void buildDepthFirst(SparseVoxelOctree* oOctree)
{
    oOctree->setBoundingBox(BoundingBox(Vector3T<double>(0, 0, 0), Vector3T<double>(8, 8, 8)));
    oOctree->setVoxelResolution(4);
    auto add = [&](SparseVoxelOctreeNode* parent, int octant) {
        SparseVoxelOctreeNode* n = new SparseVoxelOctreeNode();
        oOctree->addNewNode(n, parent, octant);
        return n;
    };
    SparseVoxelOctreeNode* root = add(nullptr, 0);
    SparseVoxelOctreeNode* a = add(root, 0);
    SparseVoxelOctreeNode* b = add(root, 3);
    SparseVoxelOctreeNode* a0 = add(a, 1);
    SparseVoxelOctreeNode* a1 = add(a, 6);
    add(a0, 2)->setFirstIndex(10);
    add(a0, 7)->setFirstIndex(11);
    add(b, 4)->setFirstIndex(12);
    a1->setFirstIndex(13);
}

} // namespace

TEST(SparseVoxelOctreeGeometry, OctantRuleAndSignTable)
{
    const Vector3T<float> c = V(0, 0, 0);
    EXPECT_EQ(getAreaIndex(c, c), 0); // on the centre counts as not below
    EXPECT_EQ(getAreaIndex(V(-1, 0, 0), c), 1);
    EXPECT_EQ(getAreaIndex(V(0, -1, 0), c), 2);
    EXPECT_EQ(getAreaIndex(V(-1, 2, -3), c), 5);
    EXPECT_EQ(getAreaIndex(V(1, -1, -1), c), 6);
    EXPECT_EQ(getAreaIndex(V(-1, -1, -1), V(0, 0, -0.5f)), 7);

    const float table[8][3] = {{1, 1, 1},  {-1, 1, 1},  {1, -1, 1},  {-1, -1, 1},
                               {1, 1, -1}, {-1, 1, -1}, {1, -1, -1}, {-1, -1, -1}};
    for (int o = 0; o < 8; ++o)
        EXPECT_EQ(getAreaNornal(o), V(table[o][0], table[o][1], table[o][2])) << o;
    EXPECT_EQ(getAreaNornal(8), V(1, 1, 1));
    EXPECT_EQ(getAreaNornal(-1), V(1, 1, 1));

    EXPECT_EQ(getNodeSize(0, V(8, 4, 2)), V(8, 4, 2));
    EXPECT_EQ(getNodeSize(-3, V(8, 4, 2)), V(8, 4, 2));
    EXPECT_EQ(getNodeSize(3, V(8, 4, 2)), V(1, 0.5f, 0.25f));
}

TEST(SparseVoxelOctreeGeometry, AddNewNodePlacesChildren)
{
    SparseVoxelOctreeNode fresh;
    EXPECT_EQ(fresh.getIndex(), 0xFFFFFFFFu);
    EXPECT_EQ(fresh.getFirstIndex(), -1);
    EXPECT_FALSE(fresh.hasChild());
    EXPECT_EQ(fresh.getDepth(), 0);
    EXPECT_EQ(fresh.getColor(), Color(255, 255, 255, 255));
    EXPECT_EQ(fresh.getVoxelInfoIndex(), -1);

    SparseVoxelOctree octree;
    EXPECT_EQ(octree.getLoadedDepth(), -1);
    EXPECT_EQ(octree.getVoxelResolution(), 0);
    octree.setBoundingBox(BoundingBox(Vector3T<double>(1, 2, 3), Vector3T<double>(8, 4, 2)));
    SparseVoxelOctreeNode* root = new SparseVoxelOctreeNode();
    octree.addNewNode(root, nullptr, 0);
    EXPECT_EQ(root->getIndex(), 0u);
    EXPECT_EQ(root->getDepth(), 0);
    EXPECT_EQ(root->getCenter(), V(1, 2, 3));
    EXPECT_EQ(root->getFirstIndex(), -1);

    SparseVoxelOctreeNode* c5 = new SparseVoxelOctreeNode();
    octree.addNewNode(c5, root, 5);
    SparseVoxelOctreeNode* c6 = new SparseVoxelOctreeNode();
    octree.addNewNode(c6, root, 6);
    EXPECT_EQ(c5->getIndex(), 1u);
    EXPECT_EQ(c5->getDepth(), 1);
    EXPECT_EQ(c5->getCenter(), V(-1, 3, 2.5f));
    EXPECT_EQ(c6->getCenter(), V(3, 1, 2.5f));
    EXPECT_EQ(root->getFirstIndex(), 1); // set by the first child only
    EXPECT_EQ(root->getChildNumber(), 2);
    EXPECT_EQ(root->getChildFlag(5), 1);
    EXPECT_EQ(root->getChildFlag(6), 1);
    EXPECT_EQ(root->getChildFlag(0), 0);

    SparseVoxelOctreeNode* g = new SparseVoxelOctreeNode();
    octree.addNewNode(g, c5, 2);
    EXPECT_EQ(g->getDepth(), 2);
    EXPECT_EQ(g->getCenter(), V(0, 2.5f, 2.75f));
    EXPECT_EQ(c5->getFirstIndex(), 3);

    std::vector<SparseVoxelOctreeNode*> children(1, nullptr);
    getChildNodeList(&children, *root, octree);
    ASSERT_EQ(children.size(), 3u); // appended after what was there
    EXPECT_EQ(children[1], c5);
    EXPECT_EQ(children[2], c6);

    // A child slot past the list end is skipped, not read.
    c6->setChildFlag(0, 1);
    c6->setChildFlag(1, 1);
    c6->setFirstIndex(3);
    children.clear();
    getChildNodeList(&children, *c6, octree);
    ASSERT_EQ(children.size(), 1u);
    EXPECT_EQ(children[0], g);
}

TEST(SparseVoxelOctreeGeometry, SubIndexListsKeepOrderAndAppend)
{
    const std::vector<Vector3T<float>> positions = {V(0, 0, 0), V(-1, 1, 1), V(1, -1, -1), V(2, 2, 2)};
    std::vector<unsigned> lists[8];
    lists[0].push_back(77);
    getSubIndexList(lists, positions, {3, 1, 0, 2, 9}, V(0, 0, 0));
    EXPECT_EQ(lists[0], (std::vector<unsigned>{77, 3, 0}));
    EXPECT_EQ(lists[1], (std::vector<unsigned>{1}));
    EXPECT_EQ(lists[6], (std::vector<unsigned>{2}));
    for (int o : {2, 3, 4, 5, 7})
        EXPECT_TRUE(lists[o].empty());
}

TEST(SparseVoxelOctreeVoxels, GridNumberingAndCentres)
{
    // n = 3 over a 3-unit root: voxel size 1, origin -1.5.
    const SparseVoxelOctreeNode root = nodeAt(V(0, 0, 0));
    const Vector3T<float> f = getVoxelIndex3D(V(0.2f, -1.2f, 1.4f), root, V(3, 3, 3), 3);
    expectVec(f, V(1.7f, 0.3f, 2.9f));
    EXPECT_EQ(getVoxelIndex1D(f, 3), 19);
    EXPECT_EQ(getVoxelIndex3D(19u, 3), V(1, 0, 2));
    EXPECT_EQ(getVoxelCenter(V(1, 0, 2), root, V(3, 3, 3), 3), V(0, -1, 1));
    EXPECT_EQ(getVoxelIndex3D(26u, 3), V(2, 2, 2));

    // n = 4 on a depth-1 node of an (8, 4, 2) root: node size (4, 2, 1), origin (6, 18, 30),
    // voxel size (1, 0.5, 0.25).
    SparseVoxelOctree octree;
    octree.setBoundingBox(BoundingBox(Vector3T<double>(10, 20, 30), Vector3T<double>(8, 4, 2)));
    SparseVoxelOctreeNode* r = new SparseVoxelOctreeNode();
    SparseVoxelOctreeNode* child = new SparseVoxelOctreeNode();
    octree.addNewNode(r, nullptr, 0);
    octree.addNewNode(child, r, 3);
    ASSERT_EQ(child->getCenter(), V(8, 19, 30.5f));
    const std::vector<Vector3T<float>> positions = {V(8.5f, 18.6f, 30.9f)};
    EXPECT_EQ(getVoxelIndex1D(getVoxelIndex3D(positions[0], *child, V(8, 4, 2), 4), 4), 2 + 4 * 1 + 16 * 3);
    EXPECT_EQ(getVoxelIndex3D(54u, 4), V(2, 1, 3));
    EXPECT_EQ(getVoxelCenter(V(2, 1, 3), *child, V(8, 4, 2), 4), V(8.5f, 18.75f, 30.875f));

    std::vector<int> slots;
    getIndexForEachVoxel(&slots, positions, {0}, *child, V(8, 4, 2), 4, 64);
    ASSERT_EQ(slots.size(), 64u);
    EXPECT_EQ(slots[54], 0);
    EXPECT_EQ(getVoxelDataNumber(slots), 1u);

    // Each axis is clamped on its own; non-finite fractions give 0.
    EXPECT_EQ(getVoxelIndex1D(V(5.0f, 1.9f, 3.99f), 4), 3 + 4 + 48);
    EXPECT_EQ(getVoxelIndex1D(V(-0.5f, 0.999f, 4.0f), 4), 48);
    EXPECT_EQ(getVoxelIndex1D(V(INFINITY, NAN, -2.0f), 4), 0);
}

TEST(SparseVoxelOctreeVoxels, SlotsOnUpperFacesAndFlatBoxes)
{
    // The root box is the points' own min/max, so its upper faces always carry points.
    const std::vector<Vector3T<float>> cube = {V(0, 0, 0), V(3, 0, 0), V(3, 3, 3), V(0, 3, 0)};
    const SparseVoxelOctreeNode root = nodeAt(V(1.5f, 1.5f, 1.5f));
    std::vector<int> slots;
    getIndexForEachVoxel(&slots, cube, root, V(3, 3, 3), 3, 27);
    ASSERT_EQ(slots.size(), 27u);
    EXPECT_EQ(slots[0], 0);
    EXPECT_EQ(slots[2], 1);  // (2, 0, 0), not the linear 3 = (0, 1, 0)
    EXPECT_EQ(slots[26], 2);
    EXPECT_EQ(slots[6], 3);  // (0, 2, 0), not the linear 9 = (0, 0, 1)
    EXPECT_EQ(slots[3], -1);
    EXPECT_EQ(slots[9], -1);
    EXPECT_EQ(getVoxelDataNumber(slots), 4u);

    // Flat in z (voxel size 0 there): that axis is 0.
    const std::vector<Vector3T<float>> flat = {V(0, 0, 5), V(2, 2, 5), V(1, 1, 5)};
    std::vector<int> flatSlots;
    getIndexForEachVoxel(&flatSlots, flat, {0, 1, 2}, nodeAt(V(1, 1, 5)), V(2, 2, 0), 4, 64);
    EXPECT_EQ(flatSlots[0], 0);
    EXPECT_EQ(flatSlots[15], 1);
    EXPECT_EQ(flatSlots[10], 2);
    EXPECT_EQ(getVoxelDataNumber(flatSlots), 3u);

    // A single-point cloud; the later of two points in one voxel wins, in list order, and
    // numbers without a position are skipped.
    const std::vector<Vector3T<float>> single = {V(7, 7, 7), V(7, 7, 7)};
    std::vector<int> one;
    getIndexForEachVoxel(&one, single, {1, 0, 5}, nodeAt(V(7, 7, 7)), V(0, 0, 0), 4, 64);
    EXPECT_EQ(one[0], 0);
    EXPECT_EQ(getVoxelDataNumber(one), 1u);
}

TEST(SparseVoxelOctreeVoxels, OccupancyBitsAndColours)
{
    std::vector<int> slots(27, -1); // n = 3
    slots[0] = 2;
    slots[8] = 0;
    slots[26] = 1;
    std::vector<Bit8Block> bits;
    decideVoxelFlag(&bits, slots);
    ASSERT_EQ(bits.size(), 4u);
    EXPECT_EQ(bits[0].bits, 0x01);
    EXPECT_EQ(bits[1].bits, 0x01);
    EXPECT_EQ(bits[2].bits, 0x00);
    EXPECT_EQ(bits[3].bits, 0x04);

    std::vector<Bit8Block> bits4;
    std::vector<int> slots4(64, -1);
    slots4[63] = 0;
    decideVoxelFlag(&bits4, slots4);
    ASSERT_EQ(bits4.size(), 8u);
    EXPECT_EQ(bits4[7].bits, 0x80);

    // Colours follow the voxel order, each the colour of the number in its slot.
    const std::vector<Color> colours = {Color(1, 0, 0), Color(0, 2, 0), Color(0, 0, 3)};
    ColorBlock block;
    decideVoxelColor(&block, slots, colours);
    EXPECT_EQ(block.colors, (std::vector<Color>{Color(0, 0, 3), Color(1, 0, 0), Color(0, 2, 0)}));

    // Two points in one voxel: the later point's colour.
    const std::vector<Vector3T<float>> positions = {V(0.1f, 0.1f, 0.1f), V(0.2f, 0.2f, 0.2f)};
    std::vector<int> shared;
    getIndexForEachVoxel(&shared, positions, {0, 1}, nodeAt(V(1.5f, 1.5f, 1.5f)), V(3, 3, 3), 3, 27);
    ColorBlock later;
    decideVoxelColor(&later, shared, {Color(9, 9, 9), Color(4, 5, 6)});
    EXPECT_EQ(later.colors, (std::vector<Color>{Color(4, 5, 6)}));

    // A number without a colour keeps the count equal to the occupancy; no block, no work.
    ColorBlock missing;
    decideVoxelColor(&missing, {-1, 7}, colours);
    EXPECT_EQ(missing.colors, (std::vector<Color>{Color(255, 255, 255, 255)}));
    decideVoxelColor(nullptr, slots, colours);
}

TEST(SparseVoxelOctreeVoxels, VoxelCenterListIsCachedAndToleratesMissingEntries)
{
    SparseVoxelOctree octree;
    octree.setBoundingBox(BoundingBox(Vector3T<double>(0, 0, 0), Vector3T<double>(3, 3, 3)));
    octree.setVoxelResolution(3);
    SparseVoxelOctreeNode* root = new SparseVoxelOctreeNode();
    octree.addNewNode(root, nullptr, 0);

    VoxelBlockPool<ColorBlock> pool;
    VoxelInfo<ColorBlock>* entry = new VoxelInfo<ColorBlock>();
    entry->getOccupancy().resize(4);
    entry->getOccupancy()[0].set(0);
    entry->getOccupancy()[3].set(2); // voxel 26
    pool.addEntry(entry);
    pool.addEntry(nullptr);

    std::vector<Vector3T<float>> out = {V(9, 9, 9)};
    root->setVoxelInfoIndex(2);
    getVoxelCenterList(&out, *root, octree, pool);
    EXPECT_TRUE(out.empty());
    root->setVoxelInfoIndex(1);
    getVoxelCenterList(&out, *root, octree, pool);
    EXPECT_TRUE(out.empty());
    root->setVoxelInfoIndex(-1);
    getVoxelCenterList(&out, *root, octree, pool);
    EXPECT_TRUE(out.empty());
    EXPECT_TRUE(root->getVoxelCenters().empty());

    root->setVoxelInfoIndex(0);
    getVoxelCenterList(&out, *root, octree, pool);
    EXPECT_EQ(out, (std::vector<Vector3T<float>>{V(-1, -1, -1), V(1, 1, 1)}));
    EXPECT_EQ(root->getVoxelCenters(), out);

    // The second call copies the cache instead of reading the occupancy again.
    entry->getOccupancy()[1].set(5); // voxel 13
    out.assign(3, V(5, 5, 5));
    getVoxelCenterList(&out, *root, octree, pool);
    EXPECT_EQ(out, (std::vector<Vector3T<float>>{V(-1, -1, -1), V(1, 1, 1)}));
}

TEST(SparseVoxelOctreeSort, RelaysADepthFirstTreeBreadthFirst)
{
    SparseVoxelOctree octree;
    buildDepthFirst(&octree);
    const std::vector<SparseVoxelOctreeNode*> old = octree.getNodeList();

    std::string printed;
    bool ok = false;
    {
        CoutCapture capture;
        ok = octree.sortDepth();
        printed = capture.str();
    }
    ASSERT_TRUE(ok);
    EXPECT_EQ(printed, "sortDepth()\n"
                       "Layer Size 0: 1\n"
                       "Layer Size 1: 2\n"
                       "Layer Size 2: 3\n"
                       "Layer Size 3: 2\n"
                       "Layer Size (total): 8\n");
    EXPECT_EQ(octree.getLayerSizeList(), (std::vector<int>{1, 2, 3, 2}));
    EXPECT_EQ(octree.getLoadedDepth(), -1); // left to the builders

    // New order: root, A, B, A0, A1, B0, A00, A01.
    const std::vector<SparseVoxelOctreeNode*> expected = {old[0], old[1], old[2], old[3],
                                                           old[4], old[7], old[5], old[6]};
    ASSERT_EQ(octree.getNodeList(), expected);
    for (unsigned i = 0; i < 8; ++i)
        EXPECT_EQ(octree.getNode(i)->getIndex(), i);
    const std::vector<int> firsts = {1, 3, 5, 6, 13, 12, 10, 11};
    for (unsigned i = 0; i < 8; ++i)
        EXPECT_EQ(octree.getNode(i)->getFirstIndex(), firsts[i]) << i;

    std::vector<SparseVoxelOctreeNode*> kids;
    getChildNodeList(&kids, *octree.getNode(1), octree);
    EXPECT_EQ(kids, (std::vector<SparseVoxelOctreeNode*>{old[3], old[4]}));

    // A root alone is one layer.
    SparseVoxelOctree single;
    single.addNewNode(new SparseVoxelOctreeNode(), nullptr, 0);
    CoutCapture capture;
    EXPECT_TRUE(single.sortDepth());
    EXPECT_EQ(capture.str(), "sortDepth()\nLayer Size 0: 1\nLayer Size (total): 1\n");
    EXPECT_EQ(single.getLayerSizeList(), (std::vector<int>{1}));
}

TEST(SparseVoxelOctreeSort, BrokenTreesAreReportedAndLeftAlone)
{
    auto runBroken = [](SparseVoxelOctree& octree, const std::string& message) {
        octree.getLayerSizeList() = {42};
        const Snapshot before(octree);
        bool ok = true;
        std::string printed;
        {
            CoutCapture capture;
            ok = octree.sortDepth();
            printed = capture.str();
        }
        EXPECT_FALSE(ok);
        EXPECT_EQ(printed, "sortDepth()\n" + message + "\n");
        EXPECT_TRUE(Snapshot(octree) == before);
    };
    const std::string sizeMessage = "this->mNodeList.size() != newNodeList.size()";

    {   // A node no parent reaches.
        SparseVoxelOctree octree;
        buildDepthFirst(&octree);
        octree.appendNode(new SparseVoxelOctreeNode());
        runBroken(octree, sizeMessage);
    }
    {   // A child slot past the list end.
        SparseVoxelOctree octree;
        buildDepthFirst(&octree);
        octree.getNode(7)->setChildFlag(0, 1);
        octree.getNode(7)->setFirstIndex(8);
        runBroken(octree, sizeMessage);
    }
    {   // A cycle back to the root, and children shared by two parents.
        SparseVoxelOctree octree;
        buildDepthFirst(&octree);
        octree.getNode(7)->setChildFlag(0, 1);
        octree.getNode(7)->setFirstIndex(0);
        runBroken(octree, sizeMessage);
        octree.getNode(7)->setFirstIndex(5);
        runBroken(octree, sizeMessage);
    }
    {   // Depths that decrease along the new order.
        SparseVoxelOctree octree;
        buildDepthFirst(&octree);
        octree.getNode(7)->setDepth(1);
        runBroken(octree, "node2->getDepth() < node1->getDepth()");
    }

    // No nodes at all: nothing to lay out.
    SparseVoxelOctree empty;
    CoutCapture capture;
    EXPECT_TRUE(empty.sortDepth());
    EXPECT_EQ(capture.str(), "sortDepth()\nLayer Size (total): 0\n");
}

TEST(SparseVoxelOctreeSystem, PoolsOwnEntriesAndBlocks)
{
    // Null entries and null blocks (not loaded yet) are skipped; the sanitizer build checks
    // that everything else is freed exactly once.
    SVOSystem<ColorBlock, PointIndexBlock> system;
    EXPECT_EQ(system.getOctree().getLoadedDepth(), -1);
    system.getOctree().addNewNode(new SparseVoxelOctreeNode(), nullptr, 0);
    VoxelInfo<ColorBlock>* voxel = new VoxelInfo<ColorBlock>();
    EXPECT_EQ(voxel->getFirstIndex(), 0xFFFFFFFFu);
    voxel->setBlock(new ColorBlock());
    voxel->setBlock(new ColorBlock()); // frees the first
    system.getVoxelBlockPool().addEntry(voxel);
    system.getVoxelBlockPool().addEntry(nullptr);
    system.getVoxelBlockPool().addEntry(new VoxelInfo<ColorBlock>());

    LeafInfo<PointIndexBlock>* leaf = new LeafInfo<PointIndexBlock>();
    leaf->setBlock(new PointIndexBlock());
    system.getLeafBlockPool().addEntry(leaf);
    system.getLeafBlockPool().addEntry(nullptr);
    EXPECT_EQ(system.getLeafBlockPool().getEntry(0), leaf);
    EXPECT_EQ(system.getLeafBlockPool().getEntry(2), nullptr);
    EXPECT_EQ(system.getLeafBlockPool().getEntry(-1), nullptr);

    SVOSystem<ColorBlock, PointBlock> points;
    points.getLeafBlockPool().addEntry(new LeafInfo<PointBlock>());
    points.getLeafBlockPool().getEntries().back()->setBlock(new PointBlock());
    SVOSystem<ColorBlock, ElementIndexBlock> polygons;
    polygons.getLeafBlockPool().addEntry(new LeafInfo<ElementIndexBlock>());
    polygons.getLeafBlockPool().getEntries().back()->setBlock(new ElementIndexBlock());
}
