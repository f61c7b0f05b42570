// Drawing depth and node selection against hand-computed camera distances.
#include "octreedepth.h"

#include "camera.h"
#include "svobuilder.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <vector>

namespace {

using V = Vector3T<double>;
using NodeList = std::vector<const SparseVoxelOctreeNode*>;

// The default camera: eye (0, -10, 0) looking at the origin, far plane 100.
TEST(CalculateDrawingOcTreeDepth, HalvesUntilTheBoxFitsTheThreshold)
{
    Camera camera;
    // |size| 5 at distance 10: 5 x 100 / (10 - 2.5) = 66.7 pixels; threshold 4 x 2 = 8.
    // 33.3, 16.7, 8.3, 4.2: four halvings.
    EXPECT_EQ(calculateDrawingOcTreeDepth(V(0, 0, 0), V(3, 4, 0), camera, 4, 2.0f), 4);
    // At distance 52.5 the same box is 5 x 100 / 50 = 10 pixels, exactly.
    EXPECT_EQ(calculateDrawingOcTreeDepth(V(0, 42.5, 0), V(3, 4, 0), camera, 5, 2.0f), 0);
    EXPECT_EQ(calculateDrawingOcTreeDepth(V(0, 42.5, 0), V(3, 4, 0), camera, 5, 1.0f), 1);
    EXPECT_EQ(calculateDrawingOcTreeDepth(V(0, 42.5, 0), V(3, 4, 0), camera, 2, 0.625f), 3);
}

TEST(CalculateDrawingOcTreeDepth, EyeInsideTheBoxAndDegenerateThresholds)
{
    Camera camera;
    EXPECT_EQ(calculateDrawingOcTreeDepth(V(0, -10, 0), V(3, 4, 0), camera, 4, 2.0f), 100);
    EXPECT_EQ(calculateDrawingOcTreeDepth(V(0, -9, 0), V(3, 4, 0), camera, 4, 2.0f), 100);
    // The eye on the sphere itself has no pixel size either.
    EXPECT_EQ(calculateDrawingOcTreeDepth(V(0, -7.5, 0), V(3, 4, 0), camera, 4, 2.0f), 100);
    // A zero threshold is never reached by halving: the count stops at 100.
    EXPECT_EQ(calculateDrawingOcTreeDepth(V(0, 0, 0), V(3, 4, 0), camera, 4, 0.0f), 100);
    EXPECT_EQ(calculateDrawingOcTreeDepth(V(0, 0, 0), V(3, 4, 0), camera, 0, 2.0f), 100);
    // No size is above a NaN threshold.
    EXPECT_EQ(calculateDrawingOcTreeDepth(V(0, 0, 0), V(3, 4, 0), camera, 4, std::nanf("")), 0);
    EXPECT_EQ(calculateDrawingOcTreeDepth(V(0, 0, 0), V(0, 0, 0), camera, 4, 2.0f), 0);
}

Point makePoint(float x, float y, float z)
{
    Point p;
    p.position = Vector3T<float>(x, y, z);
    return p;
}

PointCloudData makeData(const std::vector<Point>& iPoints)
{
    PointCloudData data;
    data.width = static_cast<int>(iPoints.size());
    data.height = 1;
    data.pointList = iPoints;
    data.validPointNumber = static_cast<unsigned>(iPoints.size());
    return data;
}

// Resolution 2 divides nodes of 8 or more points. Points on the corners of [-1, 1]^3, plus the
// corners of [0.1, 0.9]^3 in the positive octant: the root (box centre 0, size 2) has eight
// children, nodes 1..8 in octant order; node 1 (the positive octant, 9 points) has eight leaf
// children, nodes 9..16; nodes 2..8 are leaves.
class OctreeSelection : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::vector<Point> points;
        for (int octant = 0; octant < 8; ++octant) {
            const float x = (octant & 1) ? -1.0f : 1.0f;
            const float y = (octant & 2) ? -1.0f : 1.0f;
            const float z = (octant & 4) ? -1.0f : 1.0f;
            points.push_back(makePoint(x, y, z));
            points.push_back(makePoint(x < 0 ? 0.1f : 0.9f, y < 0 ? 0.1f : 0.9f, z < 0 ? 0.1f : 0.9f));
        }
        ASSERT_TRUE(createSparseVoxelOctree(&mSystem.getOctree(), &mSystem.getVoxelBlockPool(),
                                            &mSystem.getLeafBlockPool(), makeData(points), 2));
        const SparseVoxelOctree& octree = mSystem.getOctree();
        ASSERT_EQ(octree.getNodeNumber(), 17u);
        ASSERT_EQ(octree.getLoadedDepth(), 3);
        ASSERT_EQ(node(0)->getChildNumber(), 8);
        ASSERT_EQ(node(0)->getFirstIndex(), 1);
        ASSERT_EQ(node(1)->getChildNumber(), 8);
        ASSERT_EQ(node(1)->getFirstIndex(), 9);
        ASSERT_EQ(node(1)->getCenter(), Vector3T<float>(0.5f, 0.5f, 0.5f));
        for (int i = 2; i < 17; ++i)
            ASSERT_FALSE(node(i)->hasChild()) << i;

        mCamera.setScreenData(Camera::ScreenData{320, 240});
        mCamera.setFar(5000.0f);
    }

    const SparseVoxelOctreeNode* node(int iIndex) const { return mSystem.getOctree().getNode(iIndex); }
    NodeList nodes(std::initializer_list<int> iIndices) const
    {
        NodeList out;
        for (int i : iIndices)
            out.push_back(node(i));
        return out;
    }

    void look(const V& iEye, const V& iTarget)
    {
        Camera::LookAtData lookAt;
        lookAt.viewPoint = iEye;
        lookAt.lockOnPoint = iTarget;
        lookAt.upward = V(0, 0, 1);
        mCamera.setLookAtData(lookAt);
        mCamera.initScreen();
        ASSERT_TRUE(mCamera.setSceneMatrix());
        mCamera.updateCornerPoints();
    }

    // Threshold 1 x 24: a node is drawn by its voxels below 24 pixel units.
    void collect(int iMaxDepth, bool iSphereTest = true, const Matrix4x4T<double>& iMatrix = Matrix4x4T<double>())
    {
        mVoxels.clear();
        mLeaves.clear();
        const SparseVoxelOctree& octree = mSystem.getOctree();
        collectRenderingVoxel_Recursively(&mVoxels, &mLeaves, octree.getNodeList(), node(0), iMaxDepth, 0, iMatrix,
                                          octree.getBoundingBox().getSize(), 1, mCamera, 24.0f, iSphereTest);
    }

    SVOSystem<ColorBlock, PointBlock> mSystem;
    Camera mCamera;
    NodeList mVoxels;
    NodeList mLeaves;
};

TEST_F(OctreeSelection, FarCameraTakesTheRootVoxels)
{
    // Root |size| 3.46 at distance 1000: 3.46 x 5000 / 998.3 = 17.4, below 24.
    look(V(0, -1000, 0), V(0, 0, 0));
    collect(3);
    EXPECT_EQ(mVoxels, nodes({0}));
    EXPECT_TRUE(mLeaves.empty());
}

TEST_F(OctreeSelection, MiddleDistanceTakesTheChildVoxels)
{
    // Root at 500: 34.8, so it is divided; its children (|size| 1.73) at about 500: 17.4.
    // Node 1 goes to the voxel list by size although it has children.
    look(V(0, -500, 0), V(0, 0, 0));
    collect(3);
    EXPECT_EQ(mVoxels, nodes({1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_TRUE(mLeaves.empty());
}

TEST_F(OctreeSelection, CloseCameraTakesTheLeavesDepthFirst)
{
    // At distance 3 every node is thousands of units large and the whole tree is in view.
    look(V(0, -3, 0), V(0, 0, 0));
    collect(3);
    EXPECT_TRUE(mVoxels.empty());
    EXPECT_EQ(mLeaves, nodes({9, 10, 11, 12, 13, 14, 15, 16, 2, 3, 4, 5, 6, 7, 8}));
}

TEST_F(OctreeSelection, MaximumDepthStopsTheDescent)
{
    look(V(0, -3, 0), V(0, 0, 0));
    collect(0);
    EXPECT_EQ(mVoxels, nodes({0}));
    EXPECT_TRUE(mLeaves.empty());

    collect(1);
    EXPECT_EQ(mVoxels, nodes({1}));
    EXPECT_EQ(mLeaves, nodes({2, 3, 4, 5, 6, 7, 8}));

    // The eye inside the root's sphere: no pixel size, so the root counts as large.
    look(V(0, 0, 0), V(0, 5, 0));
    collect(0);
    EXPECT_EQ(mVoxels, nodes({0}));
    EXPECT_TRUE(mLeaves.empty());
}

TEST_F(OctreeSelection, NodesOutsideTheViewAreSkippedOnlyWithTheSphereTest)
{
    // Looking away from the octree, which lies behind the eye.
    look(V(0, -3, 0), V(0, -6, 0));
    collect(3);
    EXPECT_TRUE(mVoxels.empty());
    EXPECT_TRUE(mLeaves.empty());

    collect(3, false);
    EXPECT_TRUE(mVoxels.empty());
    EXPECT_EQ(mLeaves, nodes({9, 10, 11, 12, 13, 14, 15, 16, 2, 3, 4, 5, 6, 7, 8}));
}

TEST_F(OctreeSelection, TheMatrixPlacesTheNodes)
{
    // Moved to 3 in front of the far eye, the octree is selected as if the eye were close.
    look(V(0, -1000, 0), V(0, 0, 0));
    Matrix4x4T<double> matrix;
    matrix(1, 3) = -997;
    collect(3, true, matrix);
    EXPECT_TRUE(mVoxels.empty());
    EXPECT_EQ(mLeaves, nodes({9, 10, 11, 12, 13, 14, 15, 16, 2, 3, 4, 5, 6, 7, 8}));
}

TEST(CollectRenderingVoxel, ChildlessRootIsALeaf)
{
    SVOSystem<ColorBlock, PointBlock> system;
    ASSERT_TRUE(createSparseVoxelOctree(&system.getOctree(), &system.getVoxelBlockPool(), &system.getLeafBlockPool(),
                                        makeData({makePoint(0, 0, 0), makePoint(1, 1, 1), makePoint(1, 0, 0)}), 2));
    const SparseVoxelOctree& octree = system.getOctree();
    ASSERT_EQ(octree.getNodeNumber(), 1u);

    Camera camera; // a root of |size| 1.73 at 10.5 from the eye: 1.73 x 100 / 9.66 = 17.9, above 1 x 4
    NodeList voxels;
    NodeList leaves;
    collectRenderingVoxel_Recursively(&voxels, &leaves, octree.getNodeList(), octree.getNode(0), 0, 0,
                                      Matrix4x4T<double>(), octree.getBoundingBox().getSize(), 1, camera, 4.0f, false);
    EXPECT_TRUE(voxels.empty());
    EXPECT_EQ(leaves, NodeList{octree.getNode(0)});
}

// Malformed child links in a hand-made node list.
class MalformedLinks : public ::testing::Test
{
protected:
    void SetUp() override
    {
        mRoot.setCenter(Vector3T<float>(0, -10, 0)); // the default camera's eye: no pixel size
        mChild.setCenter(Vector3T<float>(0, 5, 0));
        mChild.setDepth(1);
    }

    void collect(const std::vector<SparseVoxelOctreeNode*>& iList, int iMaxDepth)
    {
        collectRenderingVoxel_Recursively(&mVoxels, &mLeaves, iList, &mRoot, iMaxDepth, 0, Matrix4x4T<double>(),
                                          V(2, 2, 2), 1, mCamera, 4.0f, false);
    }

    Camera mCamera;
    SparseVoxelOctreeNode mRoot;
    SparseVoxelOctreeNode mChild;
    NodeList mVoxels;
    NodeList mLeaves;
};

TEST_F(MalformedLinks, ChildrenOutsideTheListAreSkipped)
{
    mRoot.setChildFlag(0, 1);
    mRoot.setChildFlag(4, 1);
    mRoot.setFirstIndex(1);
    std::vector<SparseVoxelOctreeNode*> list = {&mRoot, &mChild}; // the second child is missing
    collect(list, 5);
    EXPECT_TRUE(mVoxels.empty());
    EXPECT_EQ(mLeaves, NodeList{&mChild});

    mLeaves.clear();
    mRoot.setFirstIndex(-1);
    collect(list, 5);
    EXPECT_TRUE(mVoxels.empty());
    EXPECT_TRUE(mLeaves.empty());

    mRoot.setFirstIndex(INT_MAX);
    collect(list, 5);
    EXPECT_TRUE(mVoxels.empty());
    EXPECT_TRUE(mLeaves.empty());

    list[1] = nullptr;
    mRoot.setFirstIndex(1);
    collect(list, 5);
    EXPECT_TRUE(mVoxels.empty());
    EXPECT_TRUE(mLeaves.empty());
}

TEST_F(MalformedLinks, ALinkBackToItselfEndsAtTheDepthLimit)
{
    // The root is its own child and always holds the eye, so only the depth ends the descent.
    mRoot.setChildFlag(0, 1);
    mRoot.setFirstIndex(0);
    collect({&mRoot}, INT_MAX);
    EXPECT_EQ(mVoxels, NodeList{&mRoot});
    EXPECT_TRUE(mLeaves.empty());
}

} // namespace
