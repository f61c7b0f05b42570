// The octree implementations over octree point files and point-matrix octree files that the
// converter's own builder and writers make at test time.
#include "pointcloudsvoimp.h"

#include "camera.h"
#include "deleter.h"
#include "fileoperation_svo.h"
#include "fileoperation_svob.h"
#include "fileoperation_zrpcd.h"
#include "scanfixture.h"
#include "svobuilder.h"
#include "testutil.h"

#include <QGLWidget>
#include <QGuiApplication>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <map>
#include <memory>
#include <thread>
#include <type_traits>

namespace {

using V = Vector3T<double>;
using Node = SparseVoxelOctreeNode;
using Keys = std::vector<const void*>;
using PointImp = PointCloudSVOImp<ColorBlock, PointBlock>;
using MatrixImp = PointCloudSVOImp<ColorBlock, PointIndexBlock>;

// A W x H scan grid: cell k = q W + r lies at (r, q, 0) and has a colour of its own.
PointCloudData makeGrid(int iWidth, int iHeight)
{
    PointCloudData data;
    data.width = iWidth;
    data.height = iHeight;
    for (int q = 0; q < iHeight; ++q)
        for (int r = 0; r < iWidth; ++r) {
            const int k = q * iWidth + r;
            Point point;
            point.color = Color(k, 255 - k, (7 * k) % 256, 255);
            point.position = Vector3F(float(r), float(q), 0.0f);
            data.pointList.push_back(point);
        }
    data.validPointNumber = unsigned(data.pointList.size());
    return data;
}

void markDeleted(PointCloudData* ioData, unsigned iCell)
{
    ioData->pointList[iCell].flag |= Point::Deleted;
    --ioData->validPointNumber;
}

struct PointKind
{
    using Imp = PointImp;
    using Block = PointBlock;
    static std::string suffix() { return ".zrpcd"; }
    static bool write(const std::string& iPath, const PointCloudData& iData)
    {
        SVOSystem<ColorBlock, PointBlock> system;
        return createSparseVoxelOctree(&system.getOctree(), &system.getVoxelBlockPool(), &system.getLeafBlockPool(),
                                       iData, 2) &&
               SVOBFileOperator(iPath).save(int(iData.validPointNumber), system.getOctree(),
                                            system.getVoxelBlockPool(), system.getLeafBlockPool());
    }
    static const PointBlock& ownPoints(const PointBlock& iBlock) { return iBlock; }
};

struct MatrixKind
{
    using Imp = MatrixImp;
    using Block = PointIndexBlock;
    static std::string suffix() { return ".zrpmd"; }
    static bool write(const std::string& iPath, const PointCloudData& iData)
    {
        SVOSystem<ColorBlock, PointIndexBlock> system;
        return createSparseVoxelOctree(&system.getOctree(), &system.getVoxelBlockPool(), &system.getLeafBlockPool(),
                                       iData, 2) &&
               exportZRPCDFile(iPath, iData, system.getOctree(), system.getVoxelBlockPool(),
                               system.getLeafBlockPool());
    }
    static const PointBlock& ownPoints(const PointIndexBlock& iBlock) { return iBlock.points; }
};

struct NodeFields
{
    unsigned index;
    int firstIndex;
    std::array<unsigned char, 8> childFlags;
    int depth;
    Vector3F center;
    Color color;
    int voxelInfoIndex;

    bool operator==(const NodeFields& o) const
    {
        return index == o.index && firstIndex == o.firstIndex && childFlags == o.childFlags && depth == o.depth &&
               center == o.center && color == o.color && voxelInfoIndex == o.voxelInfoIndex;
    }
};

NodeFields fieldsOf(const Node& iNode)
{
    NodeFields fields{iNode.getIndex(), iNode.getFirstIndex(), {}, iNode.getDepth(), iNode.getCenter(),
                      iNode.getColor(), iNode.getVoxelInfoIndex()};
    std::copy(iNode.getChildFlags(), iNode.getChildFlags() + 8, fields.childFlags.begin());
    return fields;
}

template <typename Imp>
std::vector<NodeFields> nodeFields(const Imp& iImp)
{
    std::vector<NodeFields> fields;
    iImp.readBody([&](const typename Imp::Body* iBody) {
        if (iBody != nullptr)
            for (const Node* node : iBody->getOctree().getNodeList())
                fields.push_back(fieldsOf(*node));
    });
    return fields;
}

// Addresses of the nodes at the given positions of the body's node list.
template <typename Imp>
Keys nodeKeys(const Imp& iImp, std::size_t iFirst, std::size_t iEnd)
{
    Keys keys;
    iImp.readBody([&](const typename Imp::Body* iBody) {
        for (std::size_t i = iFirst; i < iEnd; ++i)
            keys.push_back(iBody->getOctree().getNode((long long)i));
    });
    return keys;
}

// Copies of the leaf blocks that are loaded, in leaf entry order.
template <typename K>
std::vector<typename K::Block> loadedBlocks(const typename K::Imp& iImp)
{
    std::vector<typename K::Block> blocks;
    iImp.readBody([&](const typename K::Imp::Body* iBody) {
        if (iBody == nullptr)
            return;
        for (const auto* entry : iBody->getLeafBlockPool().getEntries())
            if (entry != nullptr && entry->getBlock() != nullptr)
                blocks.push_back(*entry->getBlock());
    });
    return blocks;
}

// Flags of every loaded own point by its position (x + 100 y).
template <typename K>
std::map<int, unsigned> flagsByPosition(const typename K::Imp& iImp)
{
    std::map<int, unsigned> flags;
    for (const typename K::Block& block : loadedBlocks<K>(iImp)) {
        const PointBlock& points = K::ownPoints(block);
        for (std::size_t i = 0; i < points.positions.size(); ++i)
            flags[int(points.positions[i].x) + 100 * int(points.positions[i].y)] = points.flags[i];
    }
    return flags;
}

// Looks straight down on (x, y, 0) from the given height; the frame set-up needs no GL.
void lookDown(Camera* ioCamera, double iX, double iY, double iHeight, double iTargetZ = 0)
{
    ioCamera->setScreenData(Camera::ScreenData{800, 600});
    Camera::LookAtData lookAt;
    lookAt.viewPoint = V(iX, iY, iHeight);
    lookAt.lockOnPoint = V(iX, iY, iTargetZ);
    lookAt.upward = V(0, 1, 0);
    ioCamera->setLookAtData(lookAt);
    ioCamera->initScreen();
    ASSERT_TRUE(ioCamera->setSceneMatrix());
    ioCamera->updateCornerPoints();
}

Keys joined(Keys iFirst, const Keys& iSecond)
{
    iFirst.insert(iFirst.end(), iSecond.begin(), iSecond.end());
    return iFirst;
}

template <typename K>
class SVOImpTest : public ::testing::Test
{
protected:
    using Imp = typename K::Imp;
    static constexpr bool isMatrix = std::is_same<K, MatrixKind>::value;

    std::string writeFile(const std::string& iName, const PointCloudData& iData)
    {
        const std::string path = mDir.file(iName + K::suffix());
        EXPECT_TRUE(K::write(path, iData));
        return path;
    }

    testutil::TempDir mDir;
};

using Kinds = ::testing::Types<PointKind, MatrixKind>;
TYPED_TEST_SUITE(SVOImpTest, Kinds);

} // namespace

TYPED_TEST(SVOImpTest, WithoutBodyNothingLoadsButEmptyKeyListsSucceed)
{
    typename TestFixture::Imp imp(this->mDir.file("none" + TypeParam::suffix()));
    EXPECT_EQ(imp.getTreeDepth(), -1);
    EXPECT_FALSE(imp.hasPointData());
    EXPECT_EQ(imp.getCenter(), V());
    EXPECT_EQ(imp.getSize(), V());
    EXPECT_EQ(imp.getPointNumber(), 0);
    EXPECT_EQ(imp.getSVOInterface(), static_cast<PointCloudSVOInterface*>(&imp));

    // The key list is checked before the body.
    bool volatile stop = false;
    std::string error;
    EXPECT_TRUE(imp.loadSVO_Points(Keys(), error));
    EXPECT_EQ(error, "iNodeKeyList is Empty.");
    error.clear();
    EXPECT_TRUE(imp.loadSVO_Points(Keys(), &stop, error));
    EXPECT_EQ(error, "iNodeKeyList is Empty.");
    error.clear();
    EXPECT_TRUE(imp.loadSVO_Voxels(Keys(), error));
    EXPECT_EQ(error, "iNodeKeyList is Empty.");

    int notANode = 0;
    const Keys keys{&notANode};
    for (int operation = 0; operation < 4; ++operation) {
        error.clear();
        bool ok = true;
        switch (operation) {
        case 0: ok = imp.loadSVO_Nodes(0, error); break;
        case 1: ok = imp.loadSVO_Voxels(keys, error); break;
        case 2: ok = imp.loadSVO_Points(keys, error); break;
        default: ok = imp.loadSVO_Points(keys, &stop, error); break;
        }
        EXPECT_FALSE(ok) << operation;
        EXPECT_EQ(error, "Cannot access Body...") << operation;
    }

    EXPECT_TRUE(imp.isLoadedDrawVoxelData());
    EXPECT_TRUE(imp.isLoadedDrawLeafData());
    EXPECT_FALSE(imp.exportBinaryFile_SVO(this->mDir.file("out"), PointCloudData()));
    imp.updateDrawNode_FullLeaf();
    EXPECT_TRUE(imp.getDrawLeafNodeKeyList().empty());
    imp.draw(0, 1); // no body, no GL context: nothing happens
    imp.selectPointALL();

    // A deleter comes back even without a body; it holds nothing.
    Deleter* deleter = nullptr;
    imp.clearPointData(&deleter);
    ASSERT_NE(deleter, nullptr);
    deleter->execute();
    delete deleter;
}

TYPED_TEST(SVOImpTest, StagedNodeLoadsGiveTheNodesOfAWholeLoad)
{
    const std::string path = this->writeFile("grid", makeGrid(8, 8));
    typename TestFixture::Imp whole(path);
    std::string error;
    ASSERT_TRUE(whole.loadSVO(error)) << error;
    const std::vector<NodeFields> all = nodeFields(whole);
    ASSERT_EQ(all.size(), 21u); // 1 root, 4 quadrants, 16 leaves of 4 points
    EXPECT_EQ(whole.getTreeDepth(), 3);
    EXPECT_EQ(whole.getPointNumber(), 64);

    typename TestFixture::Imp staged(path);
    ASSERT_TRUE(staged.loadSVO_Base(error)) << error;
    EXPECT_TRUE(staged.hasPointData());
    EXPECT_EQ(staged.getTreeDepth(), -1);
    EXPECT_EQ(staged.getPointNumber(), 64);
    EXPECT_EQ(staged.getCenter(), whole.getCenter());
    EXPECT_EQ(staged.getSize(), whole.getSize());
    EXPECT_EQ(staged.getCenter(), V(3.5, 3.5, 0));
    EXPECT_EQ(staged.getSize(), V(7, 7, 0));
    const int matrixSide = TestFixture::isMatrix ? 8 : 0;
    EXPECT_EQ(staged.getWidth(), matrixSide);
    EXPECT_EQ(staged.getHeight(), matrixSide);
    EXPECT_EQ(whole.getWidth(), matrixSide);
    EXPECT_TRUE(nodeFields(staged).empty());

    const std::size_t layerEnds[] = {1, 5, 21};
    for (int depth = 0; depth < 3; ++depth) {
        ASSERT_TRUE(staged.loadSVO_Nodes(depth, error)) << error;
        EXPECT_EQ(staged.getTreeDepth(), depth);
        EXPECT_TRUE(nodeFields(staged) == std::vector<NodeFields>(all.begin(), all.begin() + layerEnds[depth]))
            << depth;
    }

    // Not above the loaded depth nothing is read, and a present body is kept: the file is gone.
    std::filesystem::remove(path);
    EXPECT_TRUE(staged.loadSVO_Nodes(1, error));
    EXPECT_TRUE(staged.loadSVO_Nodes(2, error));
    EXPECT_TRUE(staged.loadSVO_Base(error));
    EXPECT_TRUE(staged.loadSVO_Tree(error));
    EXPECT_EQ(nodeFields(staged).size(), 21u);

    staged.clearPointData();
    EXPECT_EQ(staged.getTreeDepth(), -1);
    EXPECT_FALSE(staged.hasPointData());
    EXPECT_FALSE(staged.loadSVO_Base(error));
    EXPECT_EQ(error, "Cannot open file for reading: " + path);
}

// The manager's order: nodes layer by layer, the draw lists of each layer, their voxels, then
// the leaves' points. Everything loaded this way writes the file back byte for byte.
TYPED_TEST(SVOImpTest, BlocksLoadedThroughDrawListKeysRebuildTheFile)
{
    const std::string path = this->writeFile("grid", makeGrid(8, 8));
    typename TestFixture::Imp imp(path);
    std::string error;
    ASSERT_TRUE(imp.loadSVO_Base(error)) << error;
    Camera camera;
    lookDown(&camera, 3.5, 3.5, 20);

    const std::size_t voxelCounts[] = {1, 4, 0};
    const std::size_t leafCounts[] = {0, 0, 16};
    Keys leafKeys;
    for (int depth = 0; depth < 3; ++depth) {
        ASSERT_TRUE(imp.loadSVO_Nodes(depth, error)) << error;
        // A factor of 0 finds no node small enough: the lists hold the deepest loaded layer.
        imp.updateDrawNode(Matrix4x4T<double>(), camera, 1, 0.0f);
        const Keys voxelKeys = imp.getDrawVoxelNodeKeyList();
        leafKeys = imp.getDrawLeafNodeKeyList();
        ASSERT_EQ(voxelKeys.size(), voxelCounts[depth]) << depth;
        ASSERT_EQ(leafKeys.size(), leafCounts[depth]) << depth;
        EXPECT_EQ(joined(voxelKeys, leafKeys), nodeKeys(imp, depth == 0 ? 0 : (depth == 1 ? 1 : 5),
                                                        depth == 0 ? 1 : (depth == 1 ? 5 : 21)));
        EXPECT_FALSE(imp.isLoadedDrawVoxelData());
        ASSERT_TRUE(imp.loadSVO_Voxels(joined(voxelKeys, leafKeys), error)) << error;
        EXPECT_TRUE(imp.isLoadedDrawVoxelData());
    }
    EXPECT_FALSE(imp.isLoadedDrawLeafData());
    bool volatile stop = false;
    ASSERT_TRUE(imp.loadSVO_Points(leafKeys, &stop, error)) << error;
    EXPECT_TRUE(imp.isLoadedDrawLeafData());
    EXPECT_EQ(loadedBlocks<TypeParam>(imp).size(), 16u);

    PointCloudData matrix;
    EXPECT_EQ(imp.getPointCloudData(&matrix), TestFixture::isMatrix);
    const std::string copy = this->mDir.file("copy" + TypeParam::suffix());
    ASSERT_TRUE(imp.exportBinaryFile_SVO(copy, matrix));
    EXPECT_EQ(testutil::readFile(copy), testutil::readFile(path));

    typename TestFixture::Imp whole(path);
    ASSERT_TRUE(whole.loadSVO(error)) << error;
    const std::string wholeCopy = this->mDir.file("whole" + TypeParam::suffix());
    ASSERT_TRUE(whole.exportBinaryFile_SVO(wholeCopy, matrix));
    EXPECT_EQ(testutil::readFile(wholeCopy), testutil::readFile(path));
}

TYPED_TEST(SVOImpTest, DrawListsFollowTheCameraAndThePickedPositions)
{
    const std::string path = this->writeFile("grid", makeGrid(8, 8));
    typename TestFixture::Imp imp(path);
    std::string error;
    ASSERT_TRUE(imp.loadSVO_Base(error)) << error;
    ASSERT_TRUE(imp.loadSVO_Nodes(1, error)) << error;
    Camera camera;
    lookDown(&camera, 3.5, 3.5, 20);
    imp.updateDrawNode(Matrix4x4T<double>(), camera, 1, 0.0f);
    const Keys quadrants = nodeKeys(imp, 1, 5);
    EXPECT_EQ(imp.getDrawVoxelNodeKeyList(), quadrants);
    EXPECT_TRUE(imp.getDrawLeafNodeKeyList().empty());

    // Positions picked from the index colours narrow the list, in their order.
    imp.setDrawVoxelNodeList({2, 0, 7});
    EXPECT_EQ(imp.getDrawVoxelNodeKeyList(), (Keys{quadrants[2], quadrants[0]}));

    // Far away and with a large factor the root alone is small enough.
    lookDown(&camera, 3.5, 3.5, 90);
    imp.updateDrawNode(Matrix4x4T<double>(), camera, 1, 1000.0f);
    EXPECT_EQ(imp.getDrawVoxelNodeKeyList(), nodeKeys(imp, 0, 1));
    EXPECT_TRUE(imp.getDrawLeafNodeKeyList().empty());

    // Looking away, or with the shot moved out of view, nothing is drawn.
    lookDown(&camera, 3.5, 3.5, 20, 40);
    imp.updateDrawNode(Matrix4x4T<double>(), camera, 1, 0.0f);
    EXPECT_TRUE(imp.getDrawVoxelNodeKeyList().empty());
    lookDown(&camera, 3.5, 3.5, 20);
    Matrix4x4T<double> moved;
    moved(0, 3) = 500;
    imp.updateDrawNode(moved, camera, 1, 0.0f);
    EXPECT_TRUE(imp.getDrawVoxelNodeKeyList().empty());
    EXPECT_TRUE(imp.getDrawLeafNodeKeyList().empty());

    // Every childless node is a leaf; at depth 1 there is none yet.
    imp.updateDrawNode_FullLeaf();
    EXPECT_TRUE(imp.getDrawLeafNodeKeyList().empty());
    ASSERT_TRUE(imp.loadSVO_Nodes(2, error)) << error;
    imp.updateDrawNode_FullLeaf();
    EXPECT_EQ(imp.getDrawLeafNodeKeyList(), nodeKeys(imp, 5, 21));
    EXPECT_TRUE(imp.getDrawVoxelNodeKeyList().empty());
    EXPECT_FALSE(imp.isLoadedDrawLeafData());

    // Any change of the body empties the lists.
    imp.clearPointData();
    EXPECT_TRUE(imp.getDrawLeafNodeKeyList().empty());
    EXPECT_TRUE(imp.isLoadedDrawLeafData());

    // A single-node octree: the root is the one leaf.
    const std::string single = this->writeFile("single", makeGrid(1, 1));
    typename TestFixture::Imp one(single);
    ASSERT_TRUE(one.loadSVO(error)) << error;
    one.updateDrawNode_FullLeaf();
    EXPECT_EQ(one.getDrawLeafNodeKeyList(), nodeKeys(one, 0, 1));
    EXPECT_TRUE(one.getDrawVoxelNodeKeyList().empty());
    EXPECT_TRUE(one.isLoadedDrawLeafData());
}

TYPED_TEST(SVOImpTest, KeysOfAnotherOctreeAreRefused)
{
    const std::string path = this->writeFile("grid", makeGrid(8, 8));
    typename TestFixture::Imp first(path);
    typename TestFixture::Imp second(path);
    std::string error;
    for (auto* imp : {&first, &second}) {
        ASSERT_TRUE(imp->loadSVO_Base(error)) << error;
        ASSERT_TRUE(imp->loadSVO_Nodes(2, error)) << error;
        imp->updateDrawNode_FullLeaf();
    }
    const Keys foreign = second.getDrawLeafNodeKeyList();
    ASSERT_EQ(foreign.size(), 16u);
    bool volatile stop = false;
    EXPECT_FALSE(first.loadSVO_Points(foreign, &stop, error));
    EXPECT_EQ(error, "Node key is not in the loaded octree.");
    error.clear();
    EXPECT_FALSE(first.loadSVO_Points(foreign, error));
    EXPECT_EQ(error, "Node key is not in the loaded octree.");
    error.clear();
    EXPECT_FALSE(first.loadSVO_Voxels(joined(first.getDrawLeafNodeKeyList(), {&error}), error));
    EXPECT_EQ(error, "Node key is not in the loaded octree.");
    EXPECT_FALSE(first.isLoadedDrawLeafData());
    EXPECT_TRUE(loadedBlocks<TypeParam>(first).empty());

    ASSERT_TRUE(first.loadSVO_Points(first.getDrawLeafNodeKeyList(), &stop, error)) << error;
    EXPECT_TRUE(first.isLoadedDrawLeafData());
}

TYPED_TEST(SVOImpTest, SelectionAndDeletionByPlanes)
{
    const std::string path = this->writeFile("grid", makeGrid(4, 4));
    typename TestFixture::Imp imp(path);
    std::string error;
    ASSERT_TRUE(imp.loadSVO(error)) << error;
    auto selected = [&] {
        std::vector<int> cells;
        for (const auto& point : flagsByPosition<TypeParam>(imp))
            if (point.second & Point::Selected)
                cells.push_back(point.first);
        return cells;
    };
    ASSERT_EQ(flagsByPosition<TypeParam>(imp).size(), 16u);

    imp.selectPoint({});
    EXPECT_EQ(selected().size(), 16u);
    imp.deselectPointALL();
    EXPECT_TRUE(selected().empty());

    // x <= 1: a point on the plane is inside.
    imp.selectPoint({Vector4D(1, 0, 0, 1)});
    EXPECT_EQ(selected(), (std::vector<int>{0, 1, 100, 101, 200, 201, 300, 301}));
    imp.deselectPointALL();
    // x <= 1 and y >= 2.
    imp.selectPoint({Vector4D(1, 0, 0, 1), Vector4D(0, -1, 0, -2)});
    EXPECT_EQ(selected(), (std::vector<int>{200, 201, 300, 301}));
    // y <= 2 deselects the lower two.
    imp.deselectPoint({Vector4D(0, 1, 0, 2)});
    EXPECT_EQ(selected(), (std::vector<int>{300, 301}));

    imp.deleteSelectedPoint();
    for (const auto& point : flagsByPosition<TypeParam>(imp))
        EXPECT_EQ(point.second, (point.first == 300 || point.first == 301) ? 3u : 0u) << point.first;

    if (TestFixture::isMatrix) {
        // The flags go back to the matrix cells; a matrix too small for the leaves is left alone.
        PointCloudData matrix;
        ASSERT_TRUE(imp.getPointCloudData(&matrix));
        matrix.pointList[0].color = Color(1, 2, 3, 4);
        ASSERT_TRUE(imp.updatePCD(&matrix));
        for (unsigned cell = 0; cell < 16; ++cell)
            EXPECT_EQ(matrix.pointList[cell].flag, (cell == 12 || cell == 13) ? 3u : 0u) << cell;
        EXPECT_EQ(matrix.pointList[0].color, Color(1, 2, 3, 4));
        PointCloudData small = makeGrid(2, 2);
        EXPECT_FALSE(imp.updatePCD(&small));
        for (const Point& point : small.pointList)
            EXPECT_EQ(point.flag, 0u);
    } else {
        PointCloudData matrix;
        EXPECT_TRUE(imp.updatePCD(&matrix));
        EXPECT_FALSE(imp.getPointCloudData(&matrix));
    }

    imp.selectPointALL();
    imp.deleteSelectedPoint();
    for (const auto& point : flagsByPosition<TypeParam>(imp))
        EXPECT_EQ(point.second, 3u) << point.first;
}

TYPED_TEST(SVOImpTest, MissingAndBrokenFilesGiveTheFileMessages)
{
    const std::string missing = this->mDir.file("missing" + TypeParam::suffix());
    typename TestFixture::Imp absent(missing);
    std::string error;
    EXPECT_FALSE(absent.loadSVO_Base(error));
    EXPECT_EQ(error, "Cannot open file for reading: " + missing);
    error.clear();
    EXPECT_FALSE(absent.loadSVO_Tree(error));
    EXPECT_EQ(error, "Cannot open file for reading: " + missing);
    error.clear();
    EXPECT_FALSE(absent.loadSVO(error));
    EXPECT_EQ(error, "Cannot open file for reading: " + missing);
    EXPECT_FALSE(absent.hasPointData());

    const std::string path = this->writeFile("grid", makeGrid(8, 8));
    const std::string good = testutil::readFile(path);
    const std::string broken = this->mDir.file("broken" + TypeParam::suffix());
    testutil::writeFile(broken, good.substr(0, good.size() / 2));

    // A failing whole load keeps the body and draw lists it had.
    typename TestFixture::Imp imp(path);
    ASSERT_TRUE(imp.loadSVO(error)) << error;
    imp.updateDrawNode_FullLeaf();
    const Keys leaves = imp.getDrawLeafNodeKeyList();
    ASSERT_EQ(leaves.size(), 16u);
    imp.setFilePath(broken);
    EXPECT_FALSE(imp.loadSVO(error));
    EXPECT_EQ(error, "File is broken: " + broken);
    EXPECT_EQ(imp.getDrawLeafNodeKeyList(), leaves);
    EXPECT_EQ(imp.getTreeDepth(), 3);
    EXPECT_EQ(loadedBlocks<TypeParam>(imp).size(), 16u);

    // A leaf section cut short fails the leaf load once: the leaves count as done, hold no
    // points and are not read again until the data is loaded anew.
    typename TestFixture::Imp staged(path);
    const auto reopen = [&] {
        ASSERT_TRUE(staged.loadSVO_Base(error)) << error;
        ASSERT_TRUE(staged.loadSVO_Nodes(2, error)) << error;
        staged.updateDrawNode_FullLeaf();
    };
    reopen();
    testutil::writeFile(path, good.substr(0, good.size() - 4));
    bool volatile stop = false;
    EXPECT_FALSE(staged.isLoadedDrawLeafData());
    EXPECT_FALSE(staged.loadSVO_Points(staged.getDrawLeafNodeKeyList(), &stop, error));
    EXPECT_EQ(error, "File is broken: " + path);
    EXPECT_TRUE(staged.isLoadedDrawLeafData());
    EXPECT_TRUE(loadedBlocks<TypeParam>(staged).empty());
    testutil::writeFile(path, good);
    error.clear();
    EXPECT_TRUE(staged.loadSVO_Points(staged.getDrawLeafNodeKeyList(), &stop, error));
    EXPECT_EQ(error, "");
    EXPECT_TRUE(loadedBlocks<TypeParam>(staged).empty());
    staged.clearPointData();
    reopen();
    EXPECT_FALSE(staged.isLoadedDrawLeafData());
    EXPECT_TRUE(staged.loadSVO_Points(staged.getDrawLeafNodeKeyList(), &stop, error)) << error;
    EXPECT_TRUE(staged.isLoadedDrawLeafData());
    EXPECT_EQ(loadedBlocks<TypeParam>(staged).size(), 16u);

    // One leaf entry whose count runs past the element total, written after the file was opened
    // (opening checks the counts): only that leaf fails, the others of the same load are
    // installed. The file ends with the leaf count, 16 entries of (first, count), the element
    // total and 64 elements.
    std::string corrupt = good;
    const std::size_t entries = good.size() - 64 * getSeekSize<typename TypeParam::Block>() - 4 - 16 * 8;
    ASSERT_EQ(corrupt.substr(entries - 4, 4), std::string("\x10\0\0\0", 4));
    corrupt.replace(entries + 5 * 8 + 4, 4, std::string("\xf0\xff\xff\xff", 4));
    staged.clearPointData();
    reopen();
    testutil::writeFile(path, corrupt);
    EXPECT_FALSE(staged.loadSVO_Points(staged.getDrawLeafNodeKeyList(), &stop, error));
    EXPECT_EQ(error, "File is broken: " + path);
    EXPECT_TRUE(staged.isLoadedDrawLeafData());
    EXPECT_EQ(loadedBlocks<TypeParam>(staged).size(), 15u);
    testutil::writeFile(path, good);

    // The other kind's file has another header.
    const std::string other = this->mDir.file(TestFixture::isMatrix ? "other.zrpcd" : "other.zrpmd");
    ASSERT_TRUE(TestFixture::isMatrix ? PointKind::write(other, makeGrid(2, 2))
                                      : MatrixKind::write(other, makeGrid(2, 2)));
    typename TestFixture::Imp wrong(other);
    testutil::CoutCapture capture;
    EXPECT_FALSE(wrong.loadSVO_Base(error));
    EXPECT_FALSE(wrong.hasPointData());
}

// Block loads from another thread while this one loads node layers and redraws.
TYPED_TEST(SVOImpTest, BlockLoadsRunBesideNodeLoadsAndDrawing)
{
    const std::string path = this->writeFile("grid", makeGrid(16, 16));
    typename TestFixture::Imp imp(path);
    std::string error;
    ASSERT_TRUE(imp.loadSVO_Base(error)) << error;
    ASSERT_TRUE(imp.loadSVO_Nodes(1, error)) << error;
    Camera camera;
    lookDown(&camera, 7.5, 7.5, 40);
    imp.updateDrawNode(Matrix4x4T<double>(), camera, 1, 0.0f);
    const Keys quadrants = imp.getDrawVoxelNodeKeyList();
    ASSERT_EQ(quadrants.size(), 4u);

    std::thread loader([&] {
        std::string loaderError;
        for (int round = 0; round < 20; ++round)
            EXPECT_TRUE(imp.loadSVO_Voxels(quadrants, loaderError)) << loaderError;
    });
    for (int depth = 2; depth < 4; ++depth) {
        EXPECT_TRUE(imp.loadSVO_Nodes(depth, error)) << error;
        imp.updateDrawNode_FullLeaf();
        imp.isLoadedDrawVoxelData();
        imp.draw(0, 1);
    }
    loader.join();
    EXPECT_EQ(imp.getTreeDepth(), 3);

    imp.updateDrawNode_FullLeaf();
    const Keys leaves = imp.getDrawLeafNodeKeyList();
    ASSERT_EQ(leaves.size(), 64u);
    std::thread pointLoader([&] {
        std::string loaderError;
        bool volatile stop = false;
        EXPECT_TRUE(imp.loadSVO_Points(leaves, &stop, loaderError)) << loaderError;
    });
    for (int round = 0; round < 20; ++round) {
        imp.isLoadedDrawLeafData();
        imp.selectPointALL();
        imp.getDrawLeafNodeKeyList();
    }
    pointLoader.join();
    EXPECT_TRUE(imp.isLoadedDrawLeafData());
    imp.clearPointData();
}

// ---------------------------------------------------------------------------
// The point-matrix kind: points read by cell, scan-grid mesh
// ---------------------------------------------------------------------------

namespace {

class MatrixImpTest : public ::testing::Test
{
protected:
    // 4 x 4 grid, voxel resolution 2: the root and four leaves of four cells each.
    std::string writeGrid(const PointCloudData& iData, const std::string& iName = "grid.zrpmd")
    {
        const std::string path = mDir.file(iName);
        EXPECT_TRUE(MatrixKind::write(path, iData));
        return path;
    }

    // Base, nodes and the leaves as the draw list.
    void openLeaves(MatrixImp* ioImp, int iDepth = 1)
    {
        std::string error;
        ASSERT_TRUE(ioImp->loadSVO_Base(error)) << error;
        ASSERT_TRUE(ioImp->loadSVO_Nodes(iDepth, error)) << error;
        ioImp->updateDrawNode_FullLeaf();
    }

    static const PointIndexBlock* findBlock(const std::vector<PointIndexBlock>& iBlocks,
                                            const std::vector<unsigned>& iCells)
    {
        for (const PointIndexBlock& block : iBlocks)
            if (block.indices == iCells)
                return &block;
        return nullptr;
    }

    testutil::TempDir mDir;
};

using U = std::vector<unsigned>;

} // namespace

TEST_F(MatrixImpTest, MeshJoinsEachCellWithItsScanGridNeighbours)
{
    const PointCloudData grid = makeGrid(4, 4);
    const std::string path = writeGrid(grid);
    MatrixImp imp(path);
    openLeaves(&imp);
    const Keys leaves = imp.getDrawLeafNodeKeyList();
    ASSERT_EQ(leaves.size(), 4u);
    std::string error;
    ASSERT_TRUE(imp.loadSVO_Points(leaves, error)) << error;
    const std::vector<PointIndexBlock> blocks = loadedBlocks<MatrixKind>(imp);
    ASSERT_EQ(blocks.size(), 4u);

    // Cells 0, 1, W, W+1 are vertices 0, 1, 2, 3; the neighbours 2, 6, 8, 9, 10 follow as 4..8.
    const PointIndexBlock* corner = findBlock(blocks, U{0, 1, 4, 5});
    ASSERT_NE(corner, nullptr);
    EXPECT_EQ(corner->pointsLoaded, 1);
    EXPECT_EQ(corner->meshBuilt, 1);
    EXPECT_EQ(corner->neighbourIndices, (U{2, 6, 8, 9, 10}));
    EXPECT_EQ(corner->triangles, (U{0, 2, 3, 0, 3, 1, 1, 3, 5, 1, 5, 4, 2, 6, 7, 2, 7, 3, 3, 7, 8, 3, 8, 5}));
    ASSERT_EQ(corner->edges.size(), 48u);
    EXPECT_EQ(U(corner->edges.begin(), corner->edges.begin() + 12), (U{0, 2, 2, 3, 3, 0, 0, 3, 3, 1, 1, 0}));
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(corner->points.positions[i], grid.pointList[corner->indices[i]].position);
        EXPECT_EQ(corner->points.colors[i], grid.pointList[corner->indices[i]].color);
    }
    for (std::size_t i = 0; i < 5; ++i)
        EXPECT_EQ(corner->neighbourPoints.positions[i], grid.pointList[corner->neighbourIndices[i]].position);

    // Cells at the end of a run (3, 7) and of the last run (12, 13) start no triangle.
    const PointIndexBlock* right = findBlock(blocks, U{2, 3, 6, 7});
    ASSERT_NE(right, nullptr);
    EXPECT_EQ(right->neighbourIndices, (U{10, 11}));
    EXPECT_EQ(right->triangles, (U{0, 2, 3, 0, 3, 1, 2, 4, 5, 2, 5, 3}));
    const PointIndexBlock* top = findBlock(blocks, U{8, 9, 12, 13});
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(top->neighbourIndices, (U{10, 14}));
    EXPECT_EQ(top->triangles, (U{0, 2, 3, 0, 3, 1, 1, 3, 5, 1, 5, 4}));

    // Every block got triangles, so a second run reads nothing: it works without the file.
    std::filesystem::remove(path);
    ASSERT_TRUE(imp.loadSVO_Points(leaves, error)) << error;
    const std::vector<PointIndexBlock> again = loadedBlocks<MatrixKind>(imp);
    EXPECT_EQ(findBlock(again, U{0, 1, 4, 5})->triangles, corner->triangles);
    EXPECT_EQ(findBlock(again, U{0, 1, 4, 5})->points.positions.size(), 4u);
}

TEST_F(MatrixImpTest, DeletedCellsAreNeverCorners)
{
    // Deleted in the matrix: cell 9 is in no leaf but is fetched as a neighbour.
    PointCloudData grid = makeGrid(4, 4);
    markDeleted(&grid, 9);
    MatrixImp fromFile(writeGrid(grid));
    openLeaves(&fromFile);
    std::string error;
    ASSERT_TRUE(fromFile.loadSVO_Points(fromFile.getDrawLeafNodeKeyList(), error)) << error;
    const std::vector<PointIndexBlock> blocks = loadedBlocks<MatrixKind>(fromFile);
    const PointIndexBlock* corner = findBlock(blocks, U{0, 1, 4, 5});
    ASSERT_NE(corner, nullptr);
    EXPECT_EQ(corner->neighbourIndices, (U{2, 6, 8, 9, 10}));
    EXPECT_EQ(corner->neighbourPoints.flags[3], unsigned(Point::Deleted));
    EXPECT_EQ(corner->triangles, (U{0, 2, 3, 0, 3, 1, 1, 3, 5, 1, 5, 4, 3, 8, 5}));
    EXPECT_NE(findBlock(blocks, U{8, 12, 13}), nullptr);

    // Deleted in memory before the mesh: cell 5 joins no triangle of others but starts its own.
    MatrixImp edited(writeGrid(makeGrid(4, 4), "edited.zrpmd"));
    openLeaves(&edited);
    bool volatile stop = false;
    ASSERT_TRUE(edited.loadSVO_Points(edited.getDrawLeafNodeKeyList(), &stop, error)) << error;
    for (const PointIndexBlock& block : loadedBlocks<MatrixKind>(edited)) {
        EXPECT_EQ(block.pointsLoaded, 1);
        EXPECT_EQ(block.meshBuilt, 0);
        EXPECT_TRUE(block.triangles.empty());
    }
    edited.selectPoint({Vector4D(-1, 0, 0, -0.5), Vector4D(1, 0, 0, 1.5), Vector4D(0, -1, 0, -0.5),
                        Vector4D(0, 1, 0, 1.5)});
    edited.deleteSelectedPoint();
    ASSERT_TRUE(edited.loadSVO_Points(edited.getDrawLeafNodeKeyList(), error)) << error;
    const std::vector<PointIndexBlock> meshed = loadedBlocks<MatrixKind>(edited);
    const PointIndexBlock* block = findBlock(meshed, U{0, 1, 4, 5});
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block->points.flags, (U{0, 0, 0, 3}));
    EXPECT_EQ(block->triangles, (U{1, 5, 4, 2, 6, 7, 3, 7, 8, 3, 8, 5}));
    EXPECT_EQ(block->points.positions.size(), 4u); // read once
}

TEST_F(MatrixImpTest, StoppedPointLoadChangesNothingAndWholeLoadsCountAsRead)
{
    const PointCloudData grid = makeGrid(4, 4);
    const std::string path = writeGrid(grid);
    MatrixImp imp(path);
    openLeaves(&imp);
    const Keys leaves = imp.getDrawLeafNodeKeyList();
    std::string error;
    bool volatile stop = true;
    EXPECT_FALSE(imp.loadSVO_Points(leaves, &stop, error));
    EXPECT_FALSE(imp.isLoadedDrawLeafData());
    EXPECT_TRUE(loadedBlocks<MatrixKind>(imp).empty());

    stop = false;
    ASSERT_TRUE(imp.loadSVO_Points(leaves, &stop, error)) << error;
    ASSERT_TRUE(imp.loadSVO_Points(leaves, &stop, error)) << error;
    EXPECT_TRUE(imp.isLoadedDrawLeafData());
    for (const PointIndexBlock& block : loadedBlocks<MatrixKind>(imp)) {
        EXPECT_EQ(block.pointsLoaded, 1);
        ASSERT_EQ(block.points.positions.size(), block.indices.size());
        for (std::size_t i = 0; i < block.indices.size(); ++i)
            EXPECT_EQ(block.points.colors[i], grid.pointList[block.indices[i]].color);
    }

    // The whole load marks its points as read, so the mesh load does not append them again.
    MatrixImp whole(path);
    ASSERT_TRUE(whole.loadSVO(error)) << error;
    EXPECT_EQ(whole.getWidth(), 4);
    EXPECT_EQ(whole.getHeight(), 4);
    EXPECT_EQ(whole.getPointNumber(), 16);
    whole.updateDrawNode_FullLeaf();
    ASSERT_TRUE(whole.loadSVO_Points(whole.getDrawLeafNodeKeyList(), error)) << error;
    for (const PointIndexBlock& block : loadedBlocks<MatrixKind>(whole)) {
        EXPECT_EQ(block.pointsLoaded, 1);
        EXPECT_EQ(block.points.positions.size(), block.indices.size());
        EXPECT_EQ(block.meshBuilt, 1);
        EXPECT_FALSE(block.triangles.empty());
    }
}

// A PTX scan lists its cells column after column (cell c H + r), a PCD row after row (cell
// r W + c), and the files do not record which: every triangle joins cells next to each other on
// the scanner's grid, and every 2 x 2 patch of non-empty cells is covered. The room scan is open
// to the sky above 10 degrees (the other order's partner of every cell with a return is empty);
// along the lidar's rings 16 cells lie nearer than the next ring.
TEST_F(MatrixImpTest, MeshOfAScanJoinsScannerGridNeighbours)
{
    const struct
    {
        const char* file;
        scanfixture::Scan scan;
    } scans[] = {{"room.ptx", scanfixture::room(40, 16, {0.5, 0.2, 0.0}, 10.0)},
                 {"lidar.pcd", scanfixture::lidar(3600, {0.5, 0.2, 0.0})}};
    for (const auto& scan : scans) {
        SCOPED_TRACE(scan.file);
        PointCloudData grid;
        ASSERT_TRUE(scanfixture::read(&grid, mDir.file(scan.file), scan.scan));
        MatrixImp imp(writeGrid(grid, std::string(scan.file) + ".zrpmd"));
        std::string error;
        ASSERT_TRUE(imp.loadSVO(error)) << error;
        imp.updateDrawNode_FullLeaf();
        ASSERT_TRUE(imp.loadSVO_Points(imp.getDrawLeafNodeKeyList(), error)) << error;

        // Cells k and k + 1 on a run of the scanner's grid, k + run on the next run.
        const int run = std::string(scan.file).find(".ptx") != std::string::npos ? grid.height : grid.width;
        const int cellCount = grid.width * grid.height;
        std::size_t triangles = 0, farJoins = 0, patches = 0;
        for (const PointIndexBlock& block : loadedBlocks<MatrixKind>(imp)) {
            U cells = block.indices;
            cells.insert(cells.end(), block.neighbourIndices.begin(), block.neighbourIndices.end());
            for (std::size_t v = 0; v < block.triangles.size(); ++v) {
                const int a = int(cells[block.triangles[v]]), b = int(cells[block.triangles[v - v % 3 + (v + 1) % 3]]);
                farJoins += std::abs(a / run - b / run) > 1 || std::abs(a % run - b % run) > 1 ? 1 : 0;
            }
            triangles += block.triangles.size() / 3;
        }
        EXPECT_EQ(farJoins, 0u);
        const auto valid = [&](int k) { return grid.pointList[k].isValid(); };
        for (int k = 0; k + run + 1 < cellCount; ++k)
            if (k % run + 1 < run && valid(k) && valid(k + run + 1))
                patches += (valid(k + run) ? 1 : 0) + (valid(k + 1) ? 1 : 0);
        EXPECT_EQ(triangles, patches);
    }
}

// The file was replaced under a loaded octree by one with a smaller matrix: the neighbour read
// fails. The load says so, and once the right file is back the mesh is built.
TEST_F(MatrixImpTest, FailedNeighbourReadIsReportedAndRetried)
{
    const std::string path = writeGrid(makeGrid(4, 4));
    const std::string good = testutil::readFile(path);
    MatrixImp imp(path);
    openLeaves(&imp);
    const Keys leaves = imp.getDrawLeafNodeKeyList();

    ASSERT_TRUE(MatrixKind::write(path, makeGrid(4, 2))); // four leaves of two cells
    std::string error;
    EXPECT_FALSE(imp.loadSVO_Points(leaves, error));
    EXPECT_EQ(error, "File is broken: " + path);
    std::vector<PointIndexBlock> blocks = loadedBlocks<MatrixKind>(imp);
    ASSERT_EQ(blocks.size(), 4u);
    for (const PointIndexBlock& block : blocks) {
        EXPECT_EQ(block.pointsLoaded, 1);
        EXPECT_EQ(block.meshBuilt, 0);
        EXPECT_TRUE(block.neighbourIndices.empty());
        EXPECT_TRUE(block.triangles.empty());
    }

    testutil::writeFile(path, good);
    error.clear();
    ASSERT_TRUE(imp.loadSVO_Points(leaves, error)) << error;
    blocks = loadedBlocks<MatrixKind>(imp);
    std::size_t triangles = 0;
    for (const PointIndexBlock& block : blocks) {
        EXPECT_EQ(block.meshBuilt, 1);
        EXPECT_EQ(block.points.positions.size(), block.indices.size());
        triangles += block.triangles.size();
    }
    EXPECT_GT(triangles, 0u);
}

// ---------------------------------------------------------------------------
// Drawing into a real GL context (needs a display; skipped offscreen)
// ---------------------------------------------------------------------------

namespace {

class SVOImpGLTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QString platform = QGuiApplication::platformName();
        if (platform == "offscreen" || platform == "minimal")
            GTEST_SKIP() << "GL widgets need a display";
        mWidget = std::make_unique<QGLWidget>();
        mWidget->resize(320, 240);
        mWidget->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(mWidget.get()));
        mWidget->makeCurrent();
        ASSERT_TRUE(mWidget->isValid());
    }

    void TearDown() override
    {
        if (mWidget)
            mWidget->doneCurrent();
        mWidget.reset();
    }

    // The 4 x 4 grid fills the view: cell (r, q) lands on pixel (40 + 80 r, 30 + 60 q).
    void clearToGrid()
    {
        glViewport(0, 0, 320, 240);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-0.5, 3.5, -0.5, 3.5, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glDisable(GL_DEPTH_TEST);
        glClearColor(1, 1, 1, 1);
        glClear(GL_COLOR_BUFFER_BIT);
    }

    static Color pixel(int iX, int iY)
    {
        unsigned char rgba[4] = {0, 0, 0, 0};
        glReadPixels(iX, iY, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
        return Color(rgba[0], rgba[1], rgba[2], 255);
    }

    testutil::TempDir mDir;
    std::unique_ptr<QGLWidget> mWidget;
};

const Color flWhite(255, 255, 255);

} // namespace

TEST_F(SVOImpGLTest, LevelTwoDrawsLeavesAsNodesOtherLevelsAsPoints)
{
    const PointCloudData grid = makeGrid(4, 4);
    const std::string path = mDir.file("grid.zrpcd");
    ASSERT_TRUE(PointKind::write(path, grid));
    PointImp imp(path);
    std::string error;
    ASSERT_TRUE(imp.loadSVO(error)) << error;
    imp.updateDrawNode_FullLeaf();

    // Cell 0 at (0, 0); the leaf of cells 0, 1, 4, 5 has its centre at (0.75, 0.75).
    for (int level : {0, 1}) {
        clearToGrid();
        imp.draw(level, 3);
        EXPECT_EQ(pixel(40, 30), grid.pointList[0].color) << level;
        EXPECT_EQ(pixel(100, 75), flWhite) << level;
    }
    clearToGrid();
    imp.draw(2, 3);
    EXPECT_EQ(pixel(40, 30), flWhite);
    EXPECT_NE(pixel(100, 75), flWhite);

    clearToGrid();
    imp.draw(0, 3, Color(200, 0, 0));
    EXPECT_EQ(pixel(40, 30), Color(200, 0, 0));
    EXPECT_EQ(pixel(280, 210), Color(200, 0, 0)); // cell 15 at (3, 3)
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(SVOImpGLTest, MeshFillsTheGridBetweenNeighbours)
{
    const std::string path = mDir.file("grid.zrpmd");
    ASSERT_TRUE(MatrixKind::write(path, makeGrid(4, 4)));
    MatrixImp imp(path);
    std::string error;
    ASSERT_TRUE(imp.loadSVO_Base(error)) << error;
    ASSERT_TRUE(imp.loadSVO_Nodes(1, error)) << error;
    imp.updateDrawNode_FullLeaf();
    ASSERT_TRUE(imp.loadSVO_Points(imp.getDrawLeafNodeKeyList(), error)) << error;

    // Inside the triangle of cells 0, 4, 5, between the grid points.
    clearToGrid();
    imp.drawPolygon();
    EXPECT_NE(pixel(67, 70), flWhite);
    // On the edge from cell 0 to cell 4 (x = 0, on the border of pixel columns 39 and 40).
    clearToGrid();
    imp.drawPolygonEdge(Color(0, 0, 0));
    EXPECT_TRUE(pixel(39, 60) == Color(0, 0, 0) || pixel(40, 60) == Color(0, 0, 0));
    EXPECT_EQ(pixel(67, 70), flWhite);

    // The point file kind has no mesh.
    const std::string points = mDir.file("grid.zrpcd");
    ASSERT_TRUE(PointKind::write(points, makeGrid(4, 4)));
    PointImp plain(points);
    ASSERT_TRUE(plain.loadSVO(error)) << error;
    plain.updateDrawNode_FullLeaf();
    clearToGrid();
    plain.drawPolygon();
    EXPECT_EQ(pixel(67, 70), flWhite);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}
