// Background loading of polygon octree blocks while this thread keeps choosing, reading and
// drawing the same meshes, stops the loader, and frees meshes under a running load. Meant to
// run under ThreadSanitizer (VISTREL_TSAN); without it, it still checks the end state.
#include "polygon.h"
#include "polygonmanager.h"
#include "polygonloader.h"
#include "polygonsvoimp.h"

#include "camera.h"
#include "polygonfixture.h"
#include "testutil.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QThread>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using V = Vector3T<double>;

void lookDown(Camera* ioCamera, double iHeight)
{
    ioCamera->setScreenData(Camera::ScreenData{800, 600});
    Camera::LookAtData lookAt;
    lookAt.viewPoint = V(20, 20, iHeight);
    lookAt.lockOnPoint = V(20, 20, 0);
    lookAt.upward = V(0, 1, 0);
    ioCamera->setLookAtData(lookAt);
    ioCamera->initScreen();
    ASSERT_TRUE(ioCamera->setSceneMatrix());
    ioCamera->updateCornerPoints();
}

// Loaded voxel blocks of the body held now.
std::size_t loadedVoxelBlocks(const PolygonSVOImp& iImp)
{
    std::size_t count = 0;
    iImp.readBody([&count](const PolygonSVOImp::Body* iBody) {
        if (iBody)
            for (const VoxelInfo<ColorBlock>* entry : iBody->getVoxelBlockPool().getEntries())
                count += entry && entry->getBlock() ? 1 : 0;
    });
    return count;
}

class PolygonLoadStress : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(polygonfixture::writeZRPLY(mPath, polygonfixture::makeWave(40), 2));
    }

    // A mesh with its tree and every node layer, every node in its draw lists.
    std::unique_ptr<PolygonSVOImp> openMesh()
    {
        auto imp = std::make_unique<PolygonSVOImp>();
        imp->filePath = mPath;
        std::string error;
        EXPECT_TRUE(imp->loadSVO_Base(error)) << error;
        EXPECT_TRUE(imp->loadSVO_Nodes(1 << 20, error)) << error;
        imp->updateIndexListForTriangle();
        return imp;
    }

    testutil::TempDir mDir;
    const std::string mPath = mDir.file("wave.zrply");
};

} // namespace

TEST_F(PolygonLoadStress, StopsWithinOneBlockAndFreesMeshesUnderARunningLoad)
{
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
    testutil::CoutCapture quiet;
    Camera camera;
    lookDown(&camera, 60);

    // A stop asked for while the blocks go one by one ends the load after the block in progress.
    PolygonLoader loader;
    {
        std::unique_ptr<PolygonSVOImp> owned = openMesh();
        PolygonSVOImp* imp = owned.get();
        MyPolygon mesh;
        mesh.setPolygonInterface(owned.release());
        const std::size_t total = imp->getDrawVoxelNodeKeyList().size();
        ASSERT_GT(total, 200u);
        ASSERT_EQ(loader.loadData({&mesh}, 1, true), 2);
        QElapsedTimer clock;
        clock.start();
        while (loadedVoxelBlocks(*imp) == 0 && clock.elapsed() < 10000)
            QThread::yieldCurrentThread();
        loader.stop();
        const std::size_t atStop = loadedVoxelBlocks(*imp);
        loader.wait();
        const std::size_t atEnd = loadedVoxelBlocks(*imp);
        EXPECT_LE(atEnd, atStop + 2);
        EXPECT_LT(atEnd, total);
        EXPECT_FALSE(loader.isStopRequested());
    }

    // Meshes read, chosen and drawn here while the thread loads them, then freed: after a full
    // stop, and, for every other one, with the load still running (the free waits for the
    // block in progress).
    for (int round = 0; round < 12; ++round) {
        std::unique_ptr<PolygonSVOImp> owned = openMesh();
        PolygonSVOImp* imp = owned.get();
        MyPolygon mesh;
        mesh.setLoadStop([&loader]() { loader.stopFully(); });
        mesh.setPolygonInterface(owned.release());
        imp->setDrawLevel(round % 3);
        for (int frame = 0; frame < 20; ++frame) {
            loader.loadData({&mesh}, round % 2, true);
            imp->isLoadedDrawVoxelData();
            imp->isLoadedDrawLeafData();
            imp->drawNode(2);
            imp->drawPolygon();
            imp->drawPolygonEdge(Color(255, 0, 0, 255));
            if (frame % 5 == 4) {
                imp->updateDrawNode(Matrix4x4T<double>(), camera, 2, 1.0f);
                imp->updateIndexListForTriangle();
            }
        }
        if (round % 2 == 0)
            loader.stopFully();
        imp->clearData();
        EXPECT_FALSE(imp->hasData());
        loader.stopFully();
    }
    EXPECT_FALSE(loader.isRunning());
}

TEST_F(PolygonLoadStress, MeshesDeletedAndClosedWhileTheirLoadRuns)
{
    testutil::CoutCapture quiet;
    // Object files over the same data file, so that the manager opens the meshes itself.
    for (int i = 0; i < 4; ++i) {
        MyPolygon mesh;
        mesh.setDataFileName("wave.zrply");
        mesh.setBoundingBox(BoundingBox(V(20, 20, 0), V(40, 40, 1)));
        std::string error;
        ASSERT_TRUE(mesh.exportObjectFile(mDir.file("Polygon_" + std::to_string(i) + ".polygon"), error)) << error;
    }
    for (int round = 0; round < 6; ++round) {
        PolygonManager manager;
        std::vector<MyPolygon*> meshes;
        for (int i = 0; i < 4; ++i) {
            std::string error;
            ASSERT_TRUE(manager.importObjectFile(mDir.file("Polygon_" + std::to_string(i) + ".polygon"), error));
            MyPolygon* mesh = manager.getData(i);
            std::string nodes;
            ASSERT_TRUE(mesh->getPolygonInterface()->getSVOInterface()->loadSVO_Nodes(1 << 20, nodes));
            mesh->getPolygonInterface()->getSVOInterface()->updateDrawNode(Matrix4x4T<double>(), Camera(), 2, 1.0f);
            mesh->getPolygonInterface()->updateIndexListForTriangle();
            meshes.push_back(mesh);
        }
        manager.getLoader()->loadData(meshes, 0, true);
        // Deleted under the running load: the mesh stops the loader before its data goes.
        manager.deleteObject(meshes[round % 4]);
        meshes.erase(meshes.begin() + round % 4);
        manager.getLoader()->loadData(meshes, round % 2, true);
        // As a project closes.
        manager.stopDataLoading();
        manager.clearObject();
        EXPECT_EQ(manager.getObjectSetSize(), 0u);
    }
}
