// Background loading while this thread keeps choosing, reading and drawing the same shots'
// data, the way the point cloud manager drives the loader and the deleter every frame. Meant to
// run under ThreadSanitizer (VISTREL_TSAN); without it, it still checks the end state.
#include "pointcloudloader.h"
#include "pointclouddeleter.h"

#include "camera.h"
#include "deleter.h"
#include "fileoperation_svob.h"
#include "fileoperation_zrpcd.h"
#include "octreedepth.h"
#include "pointcloud.h"
#include "pointcloudinterface.h"
#include "pointcloudsvoimp.h"
#include "svobuilder.h"
#include "testutil.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <iostream>
#include <memory>
#include <thread>

namespace {

using V = Vector3T<double>;

// A W x H scan grid over a gentle wave, so that the octree has many small leaves.
PointCloudData makeGrid(int iWidth, int iHeight)
{
    PointCloudData data;
    data.width = iWidth;
    data.height = iHeight;
    for (int q = 0; q < iHeight; ++q)
        for (int r = 0; r < iWidth; ++r) {
            Point point;
            point.color = Color(static_cast<unsigned char>(4 * r), static_cast<unsigned char>(4 * q), 128, 255);
            point.position = Vector3F(float(r), float(q), float(std::sin(0.2 * r) * std::cos(0.3 * q)));
            data.pointList.push_back(point);
        }
    data.validPointNumber = unsigned(data.pointList.size());
    return data;
}

bool writeZRPCD(const std::string& iPath, const PointCloudData& iData)
{
    SVOSystem<ColorBlock, PointBlock> system;
    return createSparseVoxelOctree(&system.getOctree(), &system.getVoxelBlockPool(), &system.getLeafBlockPool(), iData,
                                   2) &&
           SVOBFileOperator(iPath).save(int(iData.validPointNumber), system.getOctree(), system.getVoxelBlockPool(),
                                        system.getLeafBlockPool());
}

bool writeZRPMD(const std::string& iPath, const PointCloudData& iData)
{
    SVOSystem<ColorBlock, PointIndexBlock> system;
    return createSparseVoxelOctree(&system.getOctree(), &system.getVoxelBlockPool(), &system.getLeafBlockPool(), iData,
                                   2) &&
           exportZRPCDFile(iPath, iData, system.getOctree(), system.getVoxelBlockPool(), system.getLeafBlockPool());
}

// Looks down on the grid's centre from iHeight; the frame set-up needs no GL.
void lookDown(Camera* ioCamera, double iHeight)
{
    ioCamera->setScreenData(Camera::ScreenData{800, 600});
    Camera::LookAtData lookAt;
    lookAt.viewPoint = V(31.5, 31.5, iHeight);
    lookAt.lockOnPoint = V(31.5, 31.5, 0);
    lookAt.upward = V(0, 1, 0);
    ioCamera->setLookAtData(lookAt);
    ioCamera->initScreen();
    ASSERT_TRUE(ioCamera->setSceneMatrix());
    ioCamera->updateCornerPoints();
}

PointCloudSVOInterface* octreeOf(PointCloud* iShot)
{
    return iShot->getPointCloud()->getSVOInterface();
}

// Both file kinds of one 64 x 64 grid.
class PointCloudLoadStress : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const PointCloudData grid = makeGrid(64, 64);
        ASSERT_TRUE(writeZRPCD(pointFile, grid));
        ASSERT_TRUE(writeZRPMD(matrixFile, grid));
    }

    testutil::TempDir dir;
    const std::string pointFile = dir.file("wave.zrpcd");
    const std::string matrixFile = dir.file("wave.zrpmd");
};

} // namespace

TEST_F(PointCloudLoadStress, LoadsWhileTheShotsAreDrawn)
{

    // Real drawing where there is a display; elsewhere the draws only read the draw lists.
    // An offscreen surface rather than a shown widget: showing a widget starts Qt's bus
    // thread, whose hand-offs the thread checker cannot see through. The software renderer
    // draws on this thread alone, for the same reason with its worker threads.
    if (!qEnvironmentVariableIsSet("LP_NUM_THREADS"))
        qputenv("LP_NUM_THREADS", "0");
    QOffscreenSurface surface;
    QOpenGLContext context;
    const QString platform = QGuiApplication::platformName();
    if (platform != "offscreen" && platform != "minimal") {
        surface.create();
        ASSERT_TRUE(context.create());
        ASSERT_TRUE(context.makeCurrent(&surface));
    }

    PointCloudLoader loader;
    PointCloudDeleter deleter;
    std::vector<std::unique_ptr<PointCloud>> owned;
    std::vector<PointCloud*> shots;
    for (const std::string& path : {pointFile, matrixFile, pointFile}) {
        std::string error;
        owned.emplace_back(PointCloud::generateFromBinaryFile_SVO(path, error));
        ASSERT_TRUE(owned.back()) << error;
        owned.back()->setDeleterQueue([&deleter](Deleter* iDeleter) { deleter.addTarget(iDeleter); });
        shots.push_back(owned.back().get());
    }
    // Counted on the loader thread; no queued signal, whose event hand-off the checker cannot see.
    std::atomic<int> started{0};
    QObject::connect(&loader, &QThread::started, &loader, [&] { ++started; }, Qt::DirectConnection);

    Camera camera;
    std::vector<int> levels(shots.size(), -1);
    QElapsedTimer clock;
    clock.start();
    int cycles = 0;
    // A bound on the run, not a measurement: a slow sanitized build simply does fewer cycles.
    for (; cycles < 400 && clock.elapsed() < 90000; ++cycles) {
        lookDown(&camera, 12.0 + double((cycles * 37) % 160));
        const float pixelSize = camera.getFarPlanePixelSize();

        // Every so often a shot leaves the view: stop the loader, then release its octree to
        // the deleter thread; or its data is replaced, as after an edit.
        if (cycles % 23 == 11) {
            loader.stopFully();
            Deleter* released = nullptr;
            octreeOf(shots[cycles % 3])->clearPointData(&released);
            deleter.addTarget(released);
        }
        if (cycles % 61 == 30) {
            loader.stopFully();
            std::string error;
            PointCloudInterface* data = PointCloud::openPointCloudData(cycles % 2 ? pointFile : matrixFile, error);
            ASSERT_NE(data, nullptr) << error;
            shots[1]->setPointCloud(data);
        }
        if (cycles % 17 == 5)
            loader.stop();

        for (std::size_t i = 0; i < shots.size(); ++i) {
            PointCloudSVOInterface* octree = octreeOf(shots[i]);
            PointCloudInterface* data = shots[i]->getPointCloud();
            std::string error;
            ASSERT_TRUE(octree->loadSVO_Base(error)) << error;
            const int depth = calculateDrawingOcTreeDepth(data->getCenter(), data->getSize(), camera, 1, pixelSize);
            levels[i] = depth;
            const int now = depth <= 2 ? depth : std::min(depth - 2, 6);
            ASSERT_TRUE(octree->loadSVO_Nodes(now, error)) << error;
        }
        for (PointCloud* shot : shots)
            octreeOf(shot)->updateDrawNode(Matrix4x4T<double>::identity(), camera, 1, pixelSize);

        const int level = loader.loadData(shots, levels, cycles % 9 == 8 ? 2 : 0, cycles % 7 != 3);
        deleter.start();

        // Read and draw while the load runs.
        for (int pass = 0; pass < 3; ++pass)
            for (PointCloud* shot : shots) {
                PointCloudSVOInterface* octree = octreeOf(shot);
                octree->getDrawVoxelNodeKeyList();
                octree->getDrawLeafNodeKeyList();
                octree->isLoadedDrawLeafData();
                octree->isLoadedDrawVoxelData();
                octree->getTreeDepth();
                shot->getPointCloud()->getPointNumber();
                shot->getPointCloud()->draw(level, 1);
                shot->getPointCloud()->draw(level, 2, Color(0, 0, 0, 0));
            }
        QCoreApplication::processEvents();
    }
    EXPECT_GT(cycles, 50);
    std::cout << cycles << " cycles, " << started.load() << " background loads" << std::endl;

    // At rest every chosen leaf ends up loaded, and the released octrees are freed.
    loader.stopFully();
    EXPECT_EQ(loader.loadData(shots, levels, 0, false), 0);
    for (PointCloud* shot : shots)
        EXPECT_TRUE(octreeOf(shot)->isLoadedDrawLeafData());
    deleter.finish();
    EXPECT_TRUE(deleter.isQueueEmpty());
    EXPECT_GT(started.load(), 0);

    for (auto& shot : owned)
        shot->setDeleterQueue(PointCloud::DeleterQueue());
    if (context.isValid())
        context.doneCurrent();
}

namespace {

// Node loads on a second thread read the file without the shot's lock, while this thread
// loads shallower layers itself, draws, and clears or replaces the data. In the end the node
// list is the file's, each node once and in its place.
template <typename Imp>
void loadNodesBesideClears(const std::string& iPath)
{
    Imp imp(iPath);
    std::string error;
    ASSERT_TRUE(imp.loadSVO(error)) << error;
    const int layers = imp.getTreeDepth();
    std::size_t nodeCount = 0;
    imp.readBody([&](const typename Imp::Body* iBody) { nodeCount = iBody->getOctree().getNodeNumber(); });
    ASSERT_GT(layers, 4);
    imp.clearPointData();

    std::atomic<bool> done{false};
    std::thread loader([&] {
        std::string loaderError;
        for (int round = 0; round < 60; ++round)
            for (int depth = 0; depth <= layers; ++depth) {
                if (!imp.loadSVO_Nodes(depth, loaderError)) {
                    EXPECT_EQ(loaderError, "Cannot access Body...");
                }
            }
        done.store(true);
    });
    for (int cycle = 0; !done.load(); ++cycle) {
        imp.loadSVO_Base(error);
        imp.loadSVO_Nodes(cycle % 4, error);
        imp.getTreeDepth();
        imp.updateDrawNode_FullLeaf();
        imp.isLoadedDrawLeafData();
        imp.isLoadedDrawVoxelData();
        imp.draw(0, 1);
        const std::vector<const void*> leaves = imp.getDrawLeafNodeKeyList();
        if (cycle % 5 == 2 && !leaves.empty()) {
            bool volatile stop = false;
            imp.loadSVO_Points(leaves, &stop, error);
        }
        if (cycle % 7 == 3)
            imp.clearPointData();
        if (cycle % 29 == 11)
            imp.loadSVO(error);
    }
    loader.join();

    ASSERT_TRUE(imp.loadSVO_Base(error)) << error;
    ASSERT_TRUE(imp.loadSVO_Nodes(layers, error)) << error;
    imp.readBody([&](const typename Imp::Body* iBody) {
        const std::vector<SparseVoxelOctreeNode*>& nodes = iBody->getOctree().getNodeList();
        ASSERT_EQ(nodes.size(), nodeCount);
        for (std::size_t i = 0; i < nodes.size(); ++i)
            ASSERT_EQ(nodes[i]->getIndex(), i);
    });
    imp.updateDrawNode_FullLeaf();
    bool volatile stop = false;
    EXPECT_TRUE(imp.loadSVO_Points(imp.getDrawLeafNodeKeyList(), &stop, error)) << error;
    EXPECT_TRUE(imp.isLoadedDrawLeafData());
}

} // namespace

TEST_F(PointCloudLoadStress, NodeLoadsBesideDrawingClearsAndReplacements)
{
    loadNodesBesideClears<PointCloudSVOImp<ColorBlock, PointBlock>>(pointFile);
    loadNodesBesideClears<PointCloudSVOImp<ColorBlock, PointIndexBlock>>(matrixFile);
}
