// Drawing into an RGBA frame buffer with one model unit per pixel, read back pixel by pixel.
#include "drawfunction.h"

#include "glframe.h"

#include <QGuiApplication>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <vector>

std::ostream& operator<<(std::ostream& iStream, const Color& iColor)
{
    return iStream << '(' << int(iColor.red) << ", " << int(iColor.green) << ", " << int(iColor.blue) << ", "
                   << int(iColor.alpha) << ')';
}

namespace {

using F = Vector3T<float>;
using NodeList = std::vector<const SparseVoxelOctreeNode*>;

const Color kWhite(255, 255, 255, 255);
constexpr int kSize = 64;

// The centre of pixel (x, y).
F pixel(int x, int y, float z = 0.0f)
{
    return F(x + 0.5f, y + 0.5f, z);
}

TEST(NodeLists, CentresColoursAndIndexColours)
{
    SparseVoxelOctreeNode a;
    SparseVoxelOctreeNode b;
    a.setCenter(F(1, 2, 3));
    a.setColor(Color(10, 20, 30, 40));
    b.setCenter(F(-4, 5, 6));
    b.setColor(Color(50, 60, 70, 80));
    const NodeList nodes = {&a, &b, &a};

    std::vector<F> centers(7);
    getNodeCenterList(&centers, nodes);
    EXPECT_EQ(centers, (std::vector<F>{F(1, 2, 3), F(-4, 5, 6), F(1, 2, 3)}));
    std::vector<Color> colors;
    getNodeColorList(&colors, nodes);
    EXPECT_EQ(colors, (std::vector<Color>{Color(10, 20, 30, 40), Color(50, 60, 70, 80), Color(10, 20, 30, 40)}));

    NodeList many(257, &a);
    getNodeIndexColorList(&colors, many);
    ASSERT_EQ(colors.size(), 257u);
    EXPECT_EQ(colors[0], Color(0, 0, 0, 0));
    EXPECT_EQ(colors[255], Color(255, 0, 0, 0));
    EXPECT_EQ(colors[256], Color(0, 1, 0, 0));
}

// A root node over the box with centre (32.5, 32.5, 0) and size 64, resolution 4: voxel (i, j, k)
// has its centre at (16 i + 8.5, 16 j + 8.5, 16 k - 24), the centre of pixel (16 i + 8, 16 j + 8).
struct VoxelFixture
{
    VoxelFixture()
    {
        octree.setBoundingBox(BoundingBox(Vector3T<double>(32.5, 32.5, 0), Vector3T<double>(64, 64, 64)));
        octree.setVoxelResolution(4);
        root = new SparseVoxelOctreeNode;
        octree.addNewNode(root, nullptr, 0);
        root->setVoxelInfoIndex(0);

        VoxelInfo<ColorBlock>* entry = new VoxelInfo<ColorBlock>;
        entry->getOccupancy().resize(8);
        entry->getOccupancy()[0].set(0);  // voxel 0: (0, 0, 0)
        entry->getOccupancy()[0].set(5);  // voxel 5: (1, 1, 0)
        entry->getOccupancy()[7].set(7);  // voxel 63: (3, 3, 3)
        ColorBlock* block = new ColorBlock;
        block->colors = {Color(200, 0, 0, 255), Color(0, 200, 0, 128), Color(0, 0, 200, 7)};
        entry->setBlock(block);
        entry->setCount(3);
        pool.addEntry(entry);
    }

    VoxelInfo<ColorBlock>* entry() const { return pool.getEntries()[0]; }

    SparseVoxelOctree octree;
    VoxelBlockPool<ColorBlock> pool;
    SparseVoxelOctreeNode* root = nullptr;
};

TEST(VoxelColorList, CopiesTheLoadedBlockOnly)
{
    VoxelFixture f;
    std::vector<Color> colors;
    getVoxelColorList(&colors, *f.root, f.pool);
    EXPECT_EQ(colors, f.entry()->getBlock()->colors);

    f.entry()->setBlock(nullptr);
    getVoxelColorList(&colors, *f.root, f.pool);
    EXPECT_TRUE(colors.empty());

    colors.resize(3);
    f.root->setVoxelInfoIndex(1);
    getVoxelColorList(&colors, *f.root, f.pool);
    EXPECT_TRUE(colors.empty());
}

class DrawFunctionGL : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!GLFrame::available())
            GTEST_SKIP() << "GL widgets need a display";
        mFrame = std::make_unique<GLFrame>(kSize);
        ASSERT_TRUE(mFrame->isValid());
    }

    void TearDown() override
    {
        if (mFrame && mFrame->isValid()) {
            EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
            // Every draw leaves the client arrays off.
            EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
            EXPECT_FALSE(glIsEnabled(GL_COLOR_ARRAY));
        }
        mFrame.reset();
    }

    Color read(int x, int y) const { return mFrame->read(x, y); }
    int countNotWhite() const { return mFrame->countNot(kWhite); }

    std::unique_ptr<GLFrame> mFrame;
};

TEST_F(DrawFunctionGL, PointsInTheirColoursOrInOne)
{
    drawPoints({pixel(3, 4), pixel(10, 20), pixel(63, 63)},
               {Color(1, 2, 3, 4), Color(250, 128, 0, 255), Color(0, 0, 0, 0)}, 1);
    EXPECT_EQ(read(3, 4), Color(1, 2, 3, 4));
    EXPECT_EQ(read(10, 20), Color(250, 128, 0, 255));
    EXPECT_EQ(read(63, 63), Color(0, 0, 0, 0));
    EXPECT_EQ(countNotWhite(), 3);

    // Size 3 covers the 3 x 3 pixels round the centre.
    drawPoints({pixel(30, 30)}, Color(9, 8, 7, 6), 3);
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_FLOAT_EQ(colour[0], 9 / 255.0f);
    for (int x = 29; x <= 31; ++x)
        for (int y = 29; y <= 31; ++y)
            EXPECT_EQ(read(x, y), Color(9, 8, 7, 6)) << x << ' ' << y;
    EXPECT_EQ(countNotWhite(), 12);
}

TEST_F(DrawFunctionGL, PointsWithMoreOrFewerColoursDrawNothing)
{
    std::vector<F> positions;
    for (int i = 0; i < 10; ++i)
        positions.push_back(pixel(i, i));
    drawPoints(positions, std::vector<Color>(9, Color(0, 0, 0, 255)), 1);
    drawPoints(positions, std::vector<Color>(11, Color(0, 0, 0, 255)), 1);
    drawPoints({}, std::vector<Color>(1, Color(0, 0, 0, 255)), 1);
    EXPECT_EQ(countNotWhite(), 0);
}

TEST_F(DrawFunctionGL, NodesByIndexColourReadBackAsTheirListPositions)
{
    // 300 nodes on distinct pixels; positions past 255 need the green byte, 0 is all zero.
    std::vector<SparseVoxelOctreeNode> store(300);
    NodeList nodes;
    for (int i = 0; i < 300; ++i) {
        store[i].setCenter(pixel(i % kSize, i / kSize));
        store[i].setColor(Color(i % 7, 100, 200, 255));
        nodes.push_back(&store[i]);
    }
    drawNodesByIndexColor(nodes, 1);
    EXPECT_EQ(read(0, 0), Color(0, 0, 0, 0));
    EXPECT_EQ(read(256 % kSize, 256 / kSize), Color(0, 1, 0, 0));
    for (int i = 0; i < 300; ++i)
        EXPECT_EQ(read(i % kSize, i / kSize).toUInt32(), unsigned(i));
    EXPECT_EQ(countNotWhite(), 300);

    glClear(GL_COLOR_BUFFER_BIT);
    drawNodes(nodes, 1);
    EXPECT_EQ(read(5, 0), Color(5, 100, 200, 255));
    EXPECT_EQ(read(299 % kSize, 299 / kSize), Color(299 % 7, 100, 200, 255));

    glClear(GL_COLOR_BUFFER_BIT);
    drawNodes(NodeList(nodes.begin(), nodes.begin() + 2), Color(1, 1, 1, 1), 1);
    EXPECT_EQ(read(1, 0), Color(1, 1, 1, 1));
    EXPECT_EQ(countNotWhite(), 2);
}

TEST_F(DrawFunctionGL, VoxelCentresInVoxelColoursOrInOne)
{
    VoxelFixture f;
    drawVoxels(*f.root, f.octree, f.pool, 1);
    EXPECT_EQ(read(8, 8), Color(200, 0, 0, 255));
    EXPECT_EQ(read(24, 24), Color(0, 200, 0, 128));
    EXPECT_EQ(read(56, 56), Color(0, 0, 200, 7));
    EXPECT_EQ(countNotWhite(), 3);

    glClear(GL_COLOR_BUFFER_BIT);
    drawVoxels(*f.root, f.octree, f.pool, Color(5, 6, 7, 8), 1);
    EXPECT_EQ(read(8, 8), Color(5, 6, 7, 8));
    EXPECT_EQ(read(56, 56), Color(5, 6, 7, 8));
    EXPECT_EQ(countNotWhite(), 3);

    // The list forms draw each node and pass over null ones.
    glClear(GL_COLOR_BUFFER_BIT);
    drawVoxels(NodeList{nullptr, f.root, nullptr}, f.octree, f.pool, 1);
    EXPECT_EQ(read(24, 24), Color(0, 200, 0, 128));
    EXPECT_EQ(countNotWhite(), 3);
    glClear(GL_COLOR_BUFFER_BIT);
    drawVoxels(NodeList{f.root, nullptr}, f.octree, f.pool, Color(0, 0, 0, 0), 1);
    EXPECT_EQ(read(24, 24), Color(0, 0, 0, 0));
    EXPECT_EQ(countNotWhite(), 3);
}

TEST_F(DrawFunctionGL, VoxelsWithoutLoadedColoursDrawNothing)
{
    VoxelFixture f;
    // A colour block that disagrees with the occupancy.
    f.entry()->getBlock()->colors.pop_back();
    drawVoxels(*f.root, f.octree, f.pool, 1);
    EXPECT_EQ(countNotWhite(), 0);

    f.entry()->setBlock(nullptr);
    drawVoxels(*f.root, f.octree, f.pool, 1);
    drawVoxels(*f.root, f.octree, f.pool, Color(0, 0, 0, 255), 1);
    EXPECT_EQ(countNotWhite(), 0);

    f.root->setVoxelInfoIndex(3);
    drawVoxels(NodeList{f.root}, f.octree, f.pool, 1);
    drawVoxels(NodeList{f.root}, f.octree, f.pool, Color(0, 0, 0, 255), 1);
    f.root->setVoxelInfoIndex(-1);
    drawVoxels(*f.root, f.octree, f.pool, 1);
    EXPECT_EQ(countNotWhite(), 0);
}

TEST_F(DrawFunctionGL, TrianglesAndTheirEdges)
{
    // Two triangles: the lower-left half of [10, 30]^2 and an unused vertex.
    const std::vector<F> positions = {F(10, 10, 0), F(30, 10, 0), F(10, 30, 0), F(60, 60, 0)};
    const std::vector<Color> colors(4, Color(20, 40, 60, 80));
    drawTriangles({0, 1, 2}, positions, colors);
    EXPECT_EQ(read(12, 12), Color(20, 40, 60, 80));
    EXPECT_EQ(read(28, 28), kWhite);
    EXPECT_EQ(read(60, 60), kWhite);

    glClear(GL_COLOR_BUFFER_BIT);
    drawTriangles({0, 1, 2}, positions, Color(1, 2, 3, 4));
    EXPECT_EQ(read(12, 12), Color(1, 2, 3, 4));
    const int filled = countNotWhite();
    EXPECT_GT(filled, 150);
    EXPECT_LT(filled, 250);

    // Consecutive index pairs are lines: (4.5, 40.5) to (20.5, 40.5) and back.
    glClear(GL_COLOR_BUFFER_BIT);
    glLineWidth(5.0f);
    drawTriangleEdges({0, 1, 1, 0}, {pixel(4, 40), pixel(20, 40)}, Color(7, 7, 7, 7));
    GLfloat width = 0;
    glGetFloatv(GL_LINE_WIDTH, &width);
    EXPECT_EQ(width, 1.0f);
    EXPECT_EQ(read(12, 40), Color(7, 7, 7, 7));
    EXPECT_EQ(read(12, 41), kWhite);
    EXPECT_EQ(read(12, 39), kWhite);
}

TEST_F(DrawFunctionGL, TrianglesWithBadIndicesOrColoursDrawNothing)
{
    const std::vector<F> positions = {F(10, 10, 0), F(30, 10, 0), F(10, 30, 0)};
    // An index past the positions would make GL read outside the array.
    drawTriangles({0, 1, 3}, positions, std::vector<Color>(3, Color(0, 0, 0, 255)));
    drawTriangles({0, 1, 2, 0, 1, 0xFFFFFFFFu}, positions, Color(0, 0, 0, 255));
    drawTriangleEdges({0, 3}, positions, Color(0, 0, 0, 255));
    drawTriangles({0, 1, 2}, positions, std::vector<Color>(2, Color(0, 0, 0, 255)));
    drawTriangles({0, 1, 2}, {}, Color(0, 0, 0, 255));
    EXPECT_EQ(countNotWhite(), 0);

    // No indices draw nothing either, without complaint.
    drawTriangles({}, positions, Color(0, 0, 0, 255));
    drawTriangleEdges({}, {}, Color(0, 0, 0, 255));
    EXPECT_EQ(countNotWhite(), 0);
}

} // namespace
