// The polygon manager's draw levels and rendering defaults.
#include "polygonmanager.h"

#include "camera.h"
#include "clipbox.h"
#include "fileoperation_object.h"
#include "fileoperation_zrply.h"
#include "polygon.h"
#include "polygonfiler.h"
#include "polygoninterface.h"

#include "glframe.h"
#include "polygonfixture.h"
#include "testutil.h"

#include <QSignalSpy>

#include <sys/stat.h>

using testutil::CoutCapture;
using testutil::TempDir;

#include <gtest/gtest.h>

TEST(PolygonManagerTest, StartsEmptyWithZeroLevelsAndDefaultParameters)
{
    PolygonManager manager;
    EXPECT_EQ(manager.getObjectSetSize(), 0u);
    EXPECT_EQ(manager.targetLevel, 0);
    EXPECT_EQ(manager.normalLevel, 0);
    EXPECT_EQ(manager.roughLevel, 0);
    EXPECT_FALSE(manager.delayLoad);
    EXPECT_TRUE(manager.hasState(Object3D::Visible));

    const PolygonRenderingParameter p = manager.getRenderingParameter();
    EXPECT_TRUE(p.pointVisible);
    EXPECT_EQ(p.pointSize, 4);
    EXPECT_EQ(p.pointContourColorMode, 0);
    EXPECT_EQ(p.pointContourValueMax, 1.0f);
    EXPECT_EQ(p.pointContourValueMin, 0.0f);
    EXPECT_EQ(p.pointContourColorMax, Color(255, 0, 0, 255));
    EXPECT_EQ(p.pointContourColorMin, Color(0, 0, 255, 255));
    EXPECT_TRUE(p.polygonVisible);
    EXPECT_EQ(p.polygonContourColorMode, 0);
    EXPECT_EQ(p.polygonContourColorMax, Color(255, 0, 0, 255));
    EXPECT_EQ(p.polygonContourColorMin, Color(0, 0, 255, 255));
    EXPECT_TRUE(p.polygonEdgeVisible);
    EXPECT_EQ(p.polygonEdgeColor, Color(200, 200, 200, 255));
}

TEST(PolygonManagerTest, LevelSettersSignalOnlyRealChanges)
{
    PolygonManager manager;
    QSignalSpy spy(&manager, SIGNAL(changedValue()));

    manager.setTargetLevel(0);
    manager.setNormalLevel(0);
    manager.setRoughLevel(0);
    EXPECT_EQ(spy.count(), 0);

    manager.setRoughLevel(2);
    EXPECT_EQ(manager.roughLevel, 2);
    EXPECT_EQ(spy.count(), 1);
    manager.setTargetLevel(manager.roughLevel);
    EXPECT_EQ(manager.targetLevel, 2);
    EXPECT_EQ(spy.count(), 2);
    manager.setTargetLevel(manager.roughLevel);
    EXPECT_EQ(spy.count(), 2);
    manager.setNormalLevel(1);
    manager.setNormalLevel(1);
    EXPECT_EQ(manager.normalLevel, 1);
    EXPECT_EQ(spy.count(), 3);
    // The target is independent of the two levels it is usually set from.
    EXPECT_EQ(manager.targetLevel, 2);
}

TEST(PolygonManagerTest, UpdateAndDrawWithoutMeshesChangeNothing)
{
    PolygonManager manager;
    Camera camera;
    ClipBox clipBox;
    QSignalSpy values(&manager, SIGNAL(changedValue()));
    QSignalSpy structure(&manager, SIGNAL(changedStructure()));

    // No GL context is current: with no meshes neither call may touch GL.
    manager.updateDrawData(4, manager.targetLevel, manager.delayLoad, camera, clipBox);
    manager.draw(manager.getRenderingParameter());
    EXPECT_EQ(values.count(), 0);
    EXPECT_EQ(structure.count(), 0);
    EXPECT_EQ(manager.getObjectSetSize(), 0u);
}

// ---- meshes from object files, level of detail by read-back, drawing ------------------------

namespace {

using V = Vector3T<double>;

// Object file of a mesh over a data file in the same folder.
bool writeObjectFile(const std::string& iPath, const std::string& iDataFile, const V& iCenter, const V& iSize,
                     bool iVisible)
{
    MyPolygon mesh;
    mesh.setName("mesh " + iDataFile);
    mesh.setDataFileName(iDataFile);
    mesh.setBoundingBox(BoundingBox(iCenter, iSize));
    mesh.setState(Object3D::Visible, iVisible);
    std::string error;
    return mesh.exportObjectFile(iPath, error);
}

// Looks down at (iX, iY, 0) from iHeight, into a square screen of iSize pixels.
void lookDown(Camera* ioCamera, double iX, double iY, double iHeight, int iSize)
{
    ioCamera->setScreenData(Camera::ScreenData{iSize, iSize});
    Camera::LookAtData lookAt;
    lookAt.viewPoint = V(iX, iY, iHeight);
    lookAt.lockOnPoint = V(iX, iY, 0);
    lookAt.upward = V(0, 1, 0);
    ioCamera->setLookAtData(lookAt);
    ioCamera->initScreen();
    ASSERT_TRUE(ioCamera->setSceneMatrix());
    ioCamera->updateCornerPoints();
}

} // namespace

TEST(PolygonManagerFiles, ObjectFilesChooseTheDataByTheFileNameAndKeepVisibility)
{
    TempDir dir;
    // A folder with a dot: the kind comes from the data file's own name.
    const std::string folder = dir.file("survey.2026");
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    ASSERT_TRUE(polygonfixture::writeZRPLY(folder + "/wave.zrply", polygonfixture::makeWave(6), 2));
    ASSERT_TRUE(PolygonFiler(folder + "/cube.stl").exportSTLFile_Binary(polygonfixture::makeWave(2)));
    testutil::writeFile(folder + "/plain", "no suffix");
    ASSERT_TRUE(writeObjectFile(folder + "/Polygon_0.polygon", "wave.zrply", V(3, 3, 0), V(6, 6, 1), true));
    ASSERT_TRUE(writeObjectFile(folder + "/Polygon_1.polygon", "cube.stl", V(1, 1, 0), V(2, 2, 1), false));
    ASSERT_TRUE(writeObjectFile(folder + "/Polygon_2.polygon", "plain", V(), V(), true));
    ASSERT_TRUE(writeObjectFile(folder + "/Polygon_3.polygon", "missing.zrply", V(), V(), true));

    PolygonManager manager;
    CoutCapture quiet;
    std::string error;
    ASSERT_TRUE(manager.importObjectFile(folder + "/Polygon_0.polygon", error)) << error;
    ASSERT_TRUE(manager.importObjectFile(folder + "/Polygon_1.polygon", error)) << error;
    EXPECT_FALSE(manager.importObjectFile(folder + "/Polygon_2.polygon", error));
    EXPECT_EQ(error, "Unknown File Format...");
    EXPECT_FALSE(manager.importObjectFile(folder + "/Polygon_3.polygon", error));
    EXPECT_EQ(error, "Cannot open file for reading: " + folder + "/missing.zrply");
    ASSERT_EQ(manager.getObjectSetSize(), 2u);

    const MyPolygon* wave = manager.getData(0);
    ASSERT_TRUE(wave && wave->getPolygonInterface() && wave->getPolygonInterface()->getSVOInterface());
    EXPECT_EQ(wave->getPolygonInterface()->getElementNumber(), 72);
    EXPECT_EQ(wave->getDataFileName(), "wave.zrply");
    const MyPolygon* cube = manager.getData(1);
    ASSERT_TRUE(cube && cube->getPolygonInterface());
    EXPECT_EQ(cube->getPolygonInterface()->getSVOInterface(), nullptr);
    EXPECT_EQ(cube->getPolygonInterface()->getElementNumber(), 8);
    EXPECT_FALSE(cube->hasState(Object3D::Visible));
    EXPECT_TRUE(wave->hasState(Object3D::Visible));

    // Written back: a hidden mesh stays hidden, the colour is always white.
    const std::string again = dir.file("again.polygon");
    ASSERT_TRUE(manager.exportObjectFile(1, again, error));
    EXPECT_FALSE(manager.exportObjectFile(2, again, error));
    ObjectInfo info;
    ASSERT_TRUE(loadObjectFile(&info, again, error));
    EXPECT_FALSE(info.visible);
    EXPECT_EQ(info.color, Color(255, 255, 255, 255));
    EXPECT_EQ(info.dataFilePath, "cube.stl");

    QSignalSpy changes(&manager, SIGNAL(changedValue()));
    PolygonRenderingParameter p = manager.getRenderingParameter();
    manager.setRenderingParameter(p);
    EXPECT_EQ(changes.count(), 0);
    p.polygonEdgeColor.alpha = 254;
    manager.setRenderingParameter(p);
    EXPECT_EQ(changes.count(), 1);
}

TEST(PolygonManagerGL, MeshesAreDrawnWhereTheyAreAndOnlyCoveredNodesStay)
{
    if (!GLFrame::available())
        GTEST_SKIP() << "GL widgets need a display";
    constexpr int kSize = 96;
    GLFrame frame(kSize);
    ASSERT_TRUE(frame.isValid());

    TempDir dir;
    const PolygonData wave = polygonfixture::makeWave(16);
    ASSERT_TRUE(polygonfixture::writeZRPLY(dir.file("a.zrply"), wave, 2));
    ASSERT_TRUE(polygonfixture::writeZRPLY(dir.file("b.zrply"), wave, 2));
    Vector3T<double> center, size;
    getBoundingBox(&center, &size, wave);
    ASSERT_TRUE(writeObjectFile(dir.file("a.polygon"), "a.zrply", center, size, true));
    ASSERT_TRUE(writeObjectFile(dir.file("b.polygon"), "b.zrply", center, size, true));
    PolygonManager manager;
    CoutCapture quiet;
    std::string error;
    ASSERT_TRUE(manager.importObjectFile(dir.file("a.polygon"), error)) << error;
    ASSERT_TRUE(manager.importObjectFile(dir.file("b.polygon"), error)) << error;
    // Mesh b lies far off to the side, out of view.
    Matrix4x4T<double> aside;
    aside(0, 3) = 1000;
    manager.getData(1)->setMatrix(aside);

    Camera camera;
    lookDown(&camera, 8, 8, 30, kSize);
    ClipBox clipBox;
    manager.updateDrawData(4, 0, false, camera, clipBox);
    PolygonSVOInterface* a = manager.getData(0)->getPolygonInterface()->getSVOInterface();
    PolygonSVOInterface* b = manager.getData(1)->getPolygonInterface()->getSVOInterface();
    EXPECT_FALSE(a->getDrawVoxelNodeKeyList().empty() && a->getDrawLeafNodeKeyList().empty());
    EXPECT_FALSE(b->hasData());
    EXPECT_TRUE(b->getDrawVoxelNodeKeyList().empty());
    EXPECT_TRUE(a->isLoadedDrawLeafData());

    // Triangles only: the wave's own colours (9 i, 9 j, 50) fill the middle of the view.
    PolygonRenderingParameter triangles = manager.getRenderingParameter();
    triangles.pointVisible = false;
    triangles.polygonEdgeVisible = false;
    camera.initScreen();
    camera.setSceneMatrix();
    manager.draw(triangles);
    const Color middle = frame.read(kSize / 2, kSize / 2);
    EXPECT_EQ(middle.blue, 50);
    EXPECT_NEAR(middle.red, 72, 12);
    EXPECT_NEAR(middle.green, 72, 12);

    // A hidden mesh keeps its data and ends the frame without draw nodes.
    manager.getData(0)->disableState(Object3D::Visible);
    manager.updateDrawData(4, 0, false, camera, clipBox);
    EXPECT_TRUE(a->hasData());
    EXPECT_TRUE(a->getDrawVoxelNodeKeyList().empty());
    camera.initScreen();
    camera.setSceneMatrix();
    manager.draw(manager.getRenderingParameter());
    EXPECT_EQ(frame.countNot(Color(255, 255, 255, 255)), 0);

    // With no mesh shown, a new hidden mesh seen from where the view asks for voxel nodes and
    // leaves keeps no draw nodes, and neither its voxels nor its leaves are read.
    manager.getData(1)->disableState(Object3D::Visible);
    ASSERT_TRUE(polygonfixture::writeZRPLY(dir.file("c.zrply"), wave, 2));
    ASSERT_TRUE(writeObjectFile(dir.file("c.polygon"), "c.zrply", center, size, false));
    ASSERT_TRUE(manager.importObjectFile(dir.file("c.polygon"), error)) << error;
    PolygonSVOInterface* c = manager.getData(2)->getPolygonInterface()->getSVOInterface();
    lookDown(&camera, 8, 8, 60, kSize);
    manager.updateDrawData(4, 0, false, camera, clipBox);
    EXPECT_TRUE(c->getDrawVoxelNodeKeyList().empty());
    EXPECT_FALSE(c->isLoadedDrawVoxelData() || c->isLoadedDrawLeafData());
}
