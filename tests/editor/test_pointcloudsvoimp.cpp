// The editor's octree shot body: the whole-file point gathering, the node choice on a partly
// loaded octree and the point-matrix leaf load report.
#include "pointcloudsvoimp.h"

#include "camera.h"
#include "shotfixture.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

namespace {

using PointBody = PointCloudSVOImp<ColorBlock, PointBlock>;
using Keys = std::vector<const void*>;

// Corners of [-1, 1]^3 and of [0.1, 0.9]^3 at resolution 2: the root has eight children and
// the positive octant (node 1) eight leaf children, three layers of 1, 8 and 8 nodes.
PointCloudData makeCorners()
{
    PointCloudData data;
    for (int octant = 0; octant < 8; ++octant) {
        const float x = (octant & 1) ? -1.0f : 1.0f;
        const float y = (octant & 2) ? -1.0f : 1.0f;
        const float z = (octant & 4) ? -1.0f : 1.0f;
        for (float scale : {1.0f, 0.0f}) {
            Point point;
            point.position = scale != 0.0f ? Vector3T<float>(x, y, z)
                                           : Vector3T<float>(x < 0 ? 0.1f : 0.9f, y < 0 ? 0.1f : 0.9f,
                                                             z < 0 ? 0.1f : 0.9f);
            point.color = Color(static_cast<unsigned char>(octant), 1, 2, 255);
            data.pointList.push_back(point);
        }
    }
    data.width = 16;
    data.height = 1;
    data.validPointNumber = 16;
    return data;
}

std::vector<std::tuple<float, float, float, unsigned>> sorted(const std::vector<Point>& iPoints)
{
    std::vector<std::tuple<float, float, float, unsigned>> out;
    for (const Point& p : iPoints)
        out.emplace_back(p.position.x, p.position.y, p.position.z, p.color.red);
    std::sort(out.begin(), out.end());
    return out;
}

class EditorOctreeShot : public ::testing::Test
{
protected:
    void SetUp() override
    {
        mPath = mDir.file("scan.zrpcd");
        const PointCloudData data = makeCorners();
        SVOSystem<ColorBlock, PointBlock> system;
        ASSERT_TRUE(createSparseVoxelOctree(&system.getOctree(), &system.getVoxelBlockPool(),
                                            &system.getLeafBlockPool(), data, 2));
        ASSERT_TRUE(SVOBFileOperator(mPath).save(16, system.getOctree(), system.getVoxelBlockPool(),
                                                 system.getLeafBlockPool()));
    }

    testutil::TempDir mDir;
    std::string mPath;
    std::string mError;
};

} // namespace

TEST_F(EditorOctreeShot, GathersEveryPointOnlyFromAWholeOctree)
{
    PointBody shot(mPath);
    PointCloudData data;
    EXPECT_FALSE(shot.getPointCloudData(&data)); // nothing loaded
    ASSERT_TRUE(shot.loadSVO_Base(mError));
    EXPECT_FALSE(shot.getPointCloudData(&data)); // tree only: a part would pass for the file
    ASSERT_TRUE(shot.loadSVO_Nodes(2, mError));
    EXPECT_FALSE(shot.getPointCloudData(&data)); // every node, no leaf block
    EXPECT_TRUE(data.pointList.empty());
    EXPECT_EQ(data.width, 0);

    ASSERT_TRUE(shot.loadSVO(mError)) << mError;
    EXPECT_EQ(shot.getPointNumber(), 16);
    ASSERT_TRUE(shot.getPointCloudData(&data));
    EXPECT_EQ(data.width, 16);
    EXPECT_EQ(data.height, 1);
    EXPECT_EQ(data.validPointNumber, 16u);
    EXPECT_EQ(sorted(data.pointList), sorted(makeCorners().pointList));
    // Marks come along; a deleted point is gathered but not counted.
    shot.selectPoint({Vector4T<double>(1, 0, 0, -0.5)});
    shot.deleteSelectedPoint();
    PointCloudData marked;
    ASSERT_TRUE(shot.getPointCloudData(&marked));
    EXPECT_EQ(marked.width, 16);
    EXPECT_EQ(marked.validPointNumber, 12u);
    EXPECT_EQ(std::count_if(marked.pointList.begin(), marked.pointList.end(),
                            [](const Point& p) { return p.flag == (Point::Selected | Point::Deleted); }),
              4);
}

TEST_F(EditorOctreeShot, NodeChoiceStopsAtTheLoadedLayers)
{
    Camera camera;
    camera.setScreenData(Camera::ScreenData{320, 240});
    camera.setFar(5000.0f);
    Camera::LookAtData lookAt;
    lookAt.viewPoint = Vector3T<double>(0, -10, 0);
    lookAt.lockOnPoint = Vector3T<double>(0, 0, 0);
    lookAt.upward = Vector3T<double>(0, 0, 1);
    camera.setLookAtData(lookAt);
    camera.initScreen();
    ASSERT_TRUE(camera.setSceneMatrix());
    camera.updateCornerPoints();

    PointBody shot(mPath);
    shot.updateDrawNode(Matrix4x4T<double>(), camera, 1, 1e-4f); // no octree: nothing
    EXPECT_TRUE(shot.getDrawVoxelNodeKeyList().empty());
    EXPECT_TRUE(shot.getDrawLeafNodeKeyList().empty());

    // Root and its children loaded; node 1's children are not: it is drawn as a voxel node.
    ASSERT_TRUE(shot.loadSVO_Base(mError));
    ASSERT_TRUE(shot.loadSVO_Nodes(1, mError));
    std::vector<const SparseVoxelOctreeNode*> nodes;
    shot.readBody([&](const PointBody::Body* iBody) {
        for (const SparseVoxelOctreeNode* node : iBody->getOctree().getNodeList())
            nodes.push_back(node);
    });
    ASSERT_EQ(nodes.size(), 9u);
    ASSERT_EQ(nodes[1]->getChildNumber(), 8);
    shot.updateDrawNode(Matrix4x4T<double>(), camera, 1, 1e-4f);
    EXPECT_EQ(shot.getDrawVoxelNodeKeyList(), Keys{nodes[1]});
    EXPECT_EQ(shot.getDrawLeafNodeKeyList(), Keys(nodes.begin() + 2, nodes.end()));

    // All layers: every leaf, however deep.
    ASSERT_TRUE(shot.loadSVO_Nodes(2, mError));
    shot.updateDrawNode(Matrix4x4T<double>(), camera, 1, 1e-4f);
    EXPECT_TRUE(shot.getDrawVoxelNodeKeyList().empty());
    EXPECT_EQ(shot.getDrawLeafNodeKeyList().size(), 15u);
}

TEST(EditorOctreeMatrixShot, LeafLoadPrintsItsMatrixReads)
{
    testutil::TempDir dir;
    const std::string path = dir.file("scan.zrpmd");
    ASSERT_TRUE(shotfixture::writeZRPMD(path, shotfixture::makeData()));
    PointCloudSVOImp<ColorBlock, PointIndexBlock> shot(path);
    std::string error;
    ASSERT_TRUE(shot.loadSVO_Base(error));
    ASSERT_TRUE(shot.loadSVO_Nodes(1, error));
    shot.updateDrawNode_FullLeaf();
    const Keys leaves = shot.getDrawLeafNodeKeyList();
    ASSERT_EQ(leaves.size(), 1u);

    // One block of the five valid cells, the selected one counting as not deleted; its only
    // neighbour outside is the deleted cell 3.
    testing::internal::CaptureStdout();
    ASSERT_TRUE(shot.loadSVO_Points(leaves, error)) << error;
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "BlockNumber = 1\n"
                                                      "InnerPointList.size() = 5, Invalidate = 5\n"
                                                      "BlockNumber = 1\n"
                                                      "AroundPointList.size() = 1, Invalidate = 0\n");
    // The block has its triangles now: nothing is read or printed again.
    testing::internal::CaptureStdout();
    ASSERT_TRUE(shot.loadSVO_Points(leaves, error));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}
