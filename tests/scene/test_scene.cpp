// The scene as model registry: signal relays, the point cloud update flag, the selection
// rectangle, collecting, deleting, fitting and the camera animations. No GL needed.
#include "test_scenemodel.h"

#include "measure.h"
#include "pointcloud.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

using V = Vector3T<double>;

Measure* addLength(MeasureManager* ioManager)
{
    EXPECT_TRUE(ioManager->createMeasureLength({V(0, 0, 0), V(1, 0, 0)}));
    return ioManager->getData(static_cast<int>(ioManager->getObjectSetSize()) - 1);
}

} // namespace

TEST(SceneModelTest, HasModelOnlyWithAllNine)
{
    Scene bare;
    EXPECT_FALSE(bare.hasModel());
    SceneModel model;
    EXPECT_TRUE(model.scene.hasModel());
    EXPECT_EQ(model.scene.getPointCloudManager(), &model.pointClouds);
    EXPECT_EQ(model.scene.getCommentManager(), &model.comments);

    Scene partial;
    partial.setModel(&model.sceneState, &model.clipBox, &model.manipulator, &model.referencePoints, nullptr,
                     &model.pointClouds, &model.polygons, &model.measures, &model.comments);
    EXPECT_FALSE(partial.hasModel());
}

TEST(SceneModelTest, RelaysValueAndStructureChanges)
{
    SceneModel model;
    QSignalSpy value(&model.scene, SIGNAL(changedValue()));
    QSignalSpy structure(&model.scene, SIGNAL(changedStructure()));

    model.clipBox.setClarity(10.0f);
    EXPECT_EQ(value.count(), 1);
    model.manipulator.setVisible(true);
    EXPECT_EQ(value.count(), 2);
    model.manipulator.translate(V(1, 0, 0));
    EXPECT_EQ(value.count(), 3);
    // The reference points' structure changes count as value changes of the scene.
    model.referencePoints.addNewReferencePoint(V(1, 2, 3));
    EXPECT_GE(value.count(), 4);
    EXPECT_EQ(structure.count(), 0);

    value.clear();
    addLength(&model.measures);
    EXPECT_EQ(structure.count(), 1);
    EXPECT_GE(value.count(), 1);
    emit model.pointClouds.finishedDataLoading();
    EXPECT_GE(value.count(), 2);
}

TEST(SceneModelTest, UpdateFlagFollowsStateAndPointCloudsOnly)
{
    SceneModel model;
    EXPECT_FALSE(model.scene.isUpdateDrawData_PointCloud());
    model.clipBox.setClarity(20.0f);
    addLength(&model.measures);
    model.manipulator.setVisible(true);
    EXPECT_FALSE(model.scene.isUpdateDrawData_PointCloud());

    // Raised before the scene's own signal goes out.
    bool raisedFirst = false;
    QObject::connect(&model.scene, &Scene::changedValue,
                     [&]() { raisedFirst = model.scene.isUpdateDrawData_PointCloud(); });
    model.sceneState.setLODLevel(2);
    EXPECT_TRUE(raisedFirst);

    model.scene.setUpdateDrawData_PointCloud(false);
    model.pointClouds.setPointSize(7);
    EXPECT_TRUE(model.scene.isUpdateDrawData_PointCloud());
    model.scene.setUpdateDrawData_PointCloud(false);
    emit model.pointClouds.finishedDataLoading();
    EXPECT_TRUE(model.scene.isUpdateDrawData_PointCloud());
}

TEST(SceneModelTest, SelectionRectangleSignalsRealChangesOnly)
{
    SceneModel model;
    QSignalSpy value(&model.scene, SIGNAL(changedValue()));
    model.scene.setSelectionRange(Range{0, 0}, Range{0, 0});
    model.scene.setSelectionColor(Color(255, 255, 255, 255));
    EXPECT_EQ(value.count(), 0);

    model.scene.setSelectionRange(Range{1, 5}, Range{2, 6});
    model.scene.setSelectionRange(Range{1, 5}, Range{2, 6});
    EXPECT_EQ(value.count(), 1);
    Range x;
    Range y;
    model.scene.getSelectionRange(&x, &y);
    EXPECT_EQ(x.min, 1.0f);
    EXPECT_EQ(y.max, 6.0f);

    // A NaN never equals the stored value.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    model.scene.setSelectionRange(Range{nan, 5}, Range{2, 6});
    model.scene.setSelectionRange(Range{nan, 5}, Range{2, 6});
    EXPECT_EQ(value.count(), 3);

    model.scene.setSelectionColor(Color(255, 255, 255, 0));
    EXPECT_EQ(value.count(), 4);
    Color color;
    model.scene.getSelectionColor(&color);
    EXPECT_EQ(color, Color(255, 255, 255, 0));
}

TEST(SceneModelTest, CollectsManagersChildrenAndClipBoxInOrder)
{
    SceneModel model;
    std::vector<Object3D*> list;
    model.scene.collectObject(&list, Object3D::Visible, true);
    const std::vector<Object3D*> managers = {&model.pointClouds, &model.polygons, &model.measures, &model.comments,
                                             &model.cameraPaths};
    EXPECT_EQ(list, managers); // the clip box starts hidden

    Measure* measure = addLength(&model.measures);
    ASSERT_NE(measure, nullptr);
    measure->enableState(Object3D::Selected);
    ASSERT_TRUE(model.comments.createComment(V(0, 0, 0), "Note", {"a"}));
    model.clipBox.enableState(Object3D::Selected);
    std::vector<Object3D*> selected = {nullptr};
    model.scene.collectObject(&selected, Object3D::Selected, true);
    // Appended, not replaced.
    EXPECT_EQ(selected, (std::vector<Object3D*>{nullptr, measure, &model.clipBox}));

    std::vector<Object3D*> unselected;
    model.scene.collectObject(&unselected, Object3D::Selected, false);
    EXPECT_EQ(unselected.size(), 6u); // five managers and the comment
}

TEST(SceneModelTest, DeletesThroughTheOwnersAndClearsManagers)
{
    SceneModel model;
    Measure* first = addLength(&model.measures);
    Measure* second = addLength(&model.measures);
    model.pointClouds.addNewObject(new PointCloud);
    model.pointClouds.addNewObject(new PointCloud);
    ASSERT_EQ(model.measures.getObjectSetSize(), 2u);

    model.scene.deleteObject({&model.clipBox});
    model.scene.deleteObject({});
    EXPECT_EQ(model.measures.getObjectSetSize(), 2u);

    // Listed twice: destroyed once.
    model.scene.deleteObject({first, first});
    ASSERT_EQ(model.measures.getObjectSetSize(), 1u);
    EXPECT_EQ(model.measures.getData(0), second);

    PointCloud* shot = model.pointClouds.getData(1);
    model.scene.deleteObject({shot});
    EXPECT_EQ(model.pointClouds.getObjectSetSize(), 1u);

    model.scene.deleteObject({&model.pointClouds, &model.measures});
    EXPECT_EQ(model.pointClouds.getObjectSetSize(), 0u);
    EXPECT_EQ(model.measures.getObjectSetSize(), 0u);
}

TEST(SceneModelTest, FitViewUsesTheObjectsOrAllManagers)
{
    SceneModel model;
    Camera& camera = model.sceneState.getCamera();
    camera.setScreenData(Camera::ScreenData{200, 100});
    // The frame set-up that the fit reads; without a GL context it only fills the cache.
    camera.initScreen();
    ASSERT_TRUE(camera.setSceneMatrix());
    ASSERT_TRUE(model.measures.createMeasureLength({V(0, 0, 0), V(1, 0, 1)}));
    Measure* measure = model.measures.getData(0);
    Matrix4x4T<double> shift;
    shift(0, 3) = 10.0;
    measure->setMatrix(shift);

    model.scene.fitView({measure});
    V lockOn;
    camera.getLockOnPoint(&lockOn);
    EXPECT_NEAR(lockOn.x, 10.5, 1e-5);
    EXPECT_NEAR(lockOn.z, 0.5, 1e-5);

    // All managers: the empty ones add the origin.
    camera.initScreen();
    ASSERT_TRUE(camera.setSceneMatrix());
    model.scene.fitView({});
    camera.getLockOnPoint(&lockOn);
    EXPECT_NEAR(lockOn.x, 5.5, 1e-5);
    EXPECT_NEAR(lockOn.z, 0.5, 1e-5);
}

TEST(SceneModelTest, AnimationTurnsTheCameraFrameByFrame)
{
    SceneModel model;
    Camera& camera = model.sceneState.getCamera();
    RenderingTarget& target = model.sceneState.getRenderingTarget();
    model.pointClouds.setTargetLevel(1);

    int frames = 0;
    bool labelsOff = true;
    bool coarse = true;
    QObject::connect(&model.scene, &Scene::changedNow, [&]() {
        ++frames;
        labelsOff = labelsOff && !target.objectData.drawMeasureLabel && !target.objectData.drawCommentLabel;
        coarse = coarse && model.pointClouds.getPointCloudParameter()->targetLevel == 2;
    });

    // The default camera looks along +y with x to the right; an upward along the rightward
    // leaves no viewing direction and is refused.
    model.scene.setSceneUpward(V(1, 0, 0), 10);
    EXPECT_EQ(frames, 0);
    EXPECT_EQ(model.pointClouds.getPointCloudParameter()->targetLevel, 1);

    model.scene.setSceneUpward(V(0, 1, 1), 10);
    EXPECT_EQ(frames, 11);
    EXPECT_TRUE(labelsOff);
    EXPECT_TRUE(coarse);
    V upward;
    camera.getUpward(&upward);
    EXPECT_NEAR(upward.y, std::sqrt(0.5), 1e-9);
    EXPECT_NEAR(upward.z, std::sqrt(0.5), 1e-9);
    EXPECT_TRUE(target.objectData.drawMeasureLabel);
    EXPECT_TRUE(target.objectData.drawCommentLabel);
    EXPECT_EQ(model.pointClouds.getPointCloudParameter()->targetLevel, 1);

    frames = 0;
    model.scene.setSceneRightward(V(0, 0, 1), 4);
    EXPECT_EQ(frames, 5);
    const V right = Camera::getRightward([&]() {
        Camera::LookAtData lookAt;
        camera.getLookAtData(&lookAt);
        return lookAt;
    }());
    EXPECT_NEAR(right.z, 1.0, 1e-9);
}
