// The mouse operator: click-versus-drag dispatch, mode switching, camera drags with their level
// of detail, and the manipulator's handle drags against hand-computed geometry. No GL context is
// current here, so picking finds nothing and the depth probe finds no surface.
#include "mouseoperator.h"

#include "camerapathmanager.h"
#include "clipbox.h"
#include "commentmanager.h"
#include "manipulator.h"
#include "measuremanager.h"
#include "mouseoperation.h"
#include "pointcloud.h"
#include "pointcloudmanager.h"
#include "polygonmanager.h"
#include "referencepoint.h"
#include "scene.h"
#include "scenestate.h"

#include <QGLWidget>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QWheelEvent>
#include <QWidget>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

using V = Vector3T<double>;
using M = Matrix4x4T<double>;

const double FL_TAN30 = std::tan(30.0 / 180.0 * 3.14159265358979);

void FL_expectNear(const V& iActual, const V& iExpected, double iTolerance)
{
    EXPECT_NEAR(iActual.x, iExpected.x, iTolerance);
    EXPECT_NEAR(iActual.y, iExpected.y, iTolerance);
    EXPECT_NEAR(iActual.z, iExpected.z, iTolerance);
}

V FL_position(const Object3D& iObject)
{
    V p;
    iObject.getPosition(&p);
    return p;
}

V FL_position(const Manipulator& iManipulator)
{
    const M& m = iManipulator.getMatrix();
    return V(m(0, 3), m(1, 3), m(2, 3));
}

bool FL_isFinite(const M& iMatrix)
{
    for (int i = 0; i < 16; ++i)
        if (!std::isfinite(iMatrix[i]))
            return false;
    return true;
}

class MouseOperatorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        scene.setModel(&state, &clipBox, &manipulator, &referencePoints, &cameraPaths, &pointClouds, &polygons,
                       &measures, &comments);
        mouse.setModel(&scene);
        widget.resize(200, 100);
        MouseOperator::setTranslationRatio(0.1);
        MouseOperator::setRotationRatio(1.0);
        // Looking along +Y with Z up: screen right is +X, screen up is +Z.
        setCamera(V(0, -10, 0), V(0, 0, 0), V(0, 0, 1), Camera::Observation);
    }

    void TearDown() override
    {
        // The dispatcher state is process-wide; leave no button held.
        mouseoperation::flState = 0;
    }

    // A 200 × 100 view with a vertical half angle of 30 degrees, set up as a frame would.
    void setCamera(const V& iEye, const V& iLockOn, const V& iUp, int iWorkMode)
    {
        Camera& camera = state.getCamera();
        camera.setScreenData(Camera::ScreenData{200, 100});
        camera.setNear(1.0f);
        camera.setFar(1000.0f);
        camera.setDegree(30.0f);
        camera.setWorkMode(iWorkMode);
        Camera::LookAtData lookAt;
        lookAt.viewPoint = iEye;
        lookAt.lockOnPoint = iLockOn;
        lookAt.upward = iUp;
        camera.setLookAtData(lookAt);
        camera.initScreen();
        ASSERT_TRUE(camera.setSceneMatrix());
    }

    Camera::LookAtData lookAt() const
    {
        Camera::LookAtData data;
        state.getCamera().getLookAtData(&data);
        return data;
    }

    void press(double iX, double iY, Qt::MouseButton iButton = Qt::LeftButton)
    {
        QMouseEvent event(QEvent::MouseButtonPress, QPointF(iX, iY), QPointF(iX, iY), iButton, iButton,
                          Qt::NoModifier);
        mouse.press(target(), &event);
    }

    void move(double iX, double iY, Qt::MouseButtons iButtons = Qt::LeftButton)
    {
        QMouseEvent event(QEvent::MouseMove, QPointF(iX, iY), QPointF(iX, iY), Qt::NoButton, iButtons,
                          Qt::NoModifier);
        mouse.move(target(), &event);
    }

    void release(double iX, double iY, Qt::MouseButton iButton = Qt::LeftButton)
    {
        QMouseEvent event(QEvent::MouseButtonRelease, QPointF(iX, iY), QPointF(iX, iY), iButton, Qt::NoButton,
                          Qt::NoModifier);
        mouse.release(target(), &event);
    }

    void wheel(int iAngle)
    {
        QWheelEvent event(QPointF(100, 50), QPointF(100, 50), QPoint(), QPoint(0, iAngle), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        mouse.wheel(target(), &event);
    }

    // Selected children that move with the manipulator, and ones that must not.
    PointCloud* addShot(const V& iPosition, bool iSelected)
    {
        PointCloud* shot = new PointCloud;
        shot->setPosition(iPosition);
        shot->setState(Object3D::Selected, iSelected);
        pointClouds.addNewObject(shot);
        return shot;
    }

    // The widget that the events come from: a GL view where a test makes one.
    QWidget* target() { return view ? static_cast<QWidget*>(view.get()) : &widget; }

    SceneState state;
    ClipBox clipBox;
    Manipulator manipulator;
    ReferencePointManager referencePoints;
    CameraPathManager cameraPaths;
    PointCloudManager pointClouds;
    PolygonManager polygons;
    MeasureManager measures;
    CommentManager comments;
    Scene scene;
    MouseOperator mouse;
    QWidget widget;
    std::unique_ptr<QGLWidget> view;
};

// Picking and the depth probe against real picking passes in the view's GL context.
class MouseOperatorGLTest : public MouseOperatorTest
{
protected:
    void SetUp() override
    {
        MouseOperatorTest::SetUp();
        const QString platform = QGuiApplication::platformName();
        if (platform == "offscreen" || platform == "minimal")
            GTEST_SKIP() << "GL widgets need a display";
        QGLFormat format;
        format.setAlpha(true);
        format.setDepth(true);
        view = std::make_unique<QGLWidget>(format);
        view->resize(200, 100);
        view->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
        ASSERT_TRUE(view->isValid());
        ASSERT_EQ(view->height(), 100);
        // The operations make the view current themselves.
        view->doneCurrent();
    }

    void TearDown() override
    {
        if (view)
            view->doneCurrent();
        view.reset();
        MouseOperatorTest::TearDown();
    }

    // Widget position of the pixel centre under a scene point.
    QPointF widgetPosition(const V& iPoint)
    {
        const V window = state.getCamera().convertValueFromModelToGLDevice(iPoint);
        return QPointF(std::floor(window.x) + 0.5, 100 - (std::floor(window.y) + 0.5));
    }
};

TEST_F(MouseOperatorTest, ModesSwitchOnlyToValidValuesAndSignalChanges)
{
    QSignalSpy spy(&mouse, SIGNAL(changedValue()));
    EXPECT_TRUE(mouse.hasModel());
    EXPECT_EQ(mouse.getMouseMode(), MouseOperator::CameraOperation);
    EXPECT_EQ(mouse.getSelectionMode(), MouseOperator::ObjectSelection);

    mouse.setSelectionMode(static_cast<MouseOperator::SelectionMode>(3));
    mouse.setSelectionMode(static_cast<MouseOperator::SelectionMode>(-1));
    mouse.setMouseMode(static_cast<MouseOperator::MouseMode>(2));
    mouse.setMouseMode(static_cast<MouseOperator::MouseMode>(-1));
    mouse.setMouseMode(MouseOperator::CameraOperation);
    EXPECT_EQ(mouse.getSelectionMode(), MouseOperator::ObjectSelection);
    EXPECT_EQ(mouse.getMouseMode(), MouseOperator::CameraOperation);
    EXPECT_EQ(spy.count(), 0);

    mouse.setSelectionMode(MouseOperator::PointCreation);
    EXPECT_EQ(spy.count(), 1);
    mouse.setSelectionMode(MouseOperator::PointCreation);
    EXPECT_EQ(spy.count(), 1);

    // Entering object mode drops the preview point and the active handle.
    referencePoints.enablePreviewPoint(V(1, 2, 3));
    manipulator.activeHandle = Manipulator::RotateY;
    mouse.setMouseMode(MouseOperator::ObjectOperation);
    EXPECT_EQ(mouse.getMouseMode(), MouseOperator::ObjectOperation);
    EXPECT_EQ(spy.count(), 2);
    EXPECT_EQ(referencePoints.getPreviewPoint(), nullptr);
    EXPECT_EQ(manipulator.activeHandle, Manipulator::NoHandle);
    mouse.setMouseMode(MouseOperator::ObjectOperation);
    mouse.setMouseMode(static_cast<MouseOperator::MouseMode>(7));
    EXPECT_EQ(mouse.getMouseMode(), MouseOperator::ObjectOperation);
    EXPECT_EQ(spy.count(), 2);

    // Leaving it clears the hover highlight of shots and measures, not of polygons.
    PointCloud* shot = addShot(V(0, 0, 0), false);
    shot->enableState(Object3D::Highlight);
    MeasureLength* measure = new MeasureLength;
    measure->enableState(Object3D::Highlight);
    measures.addNewObject(measure);
    Object3D* mesh = new Object3D;
    mesh->enableState(Object3D::Highlight);
    polygons.addNewObject(mesh);
    mouse.setMouseMode(MouseOperator::CameraOperation);
    EXPECT_EQ(spy.count(), 3);
    EXPECT_FALSE(shot->hasState(Object3D::Highlight));
    EXPECT_FALSE(measure->hasState(Object3D::Highlight));
    EXPECT_TRUE(mesh->hasState(Object3D::Highlight));
}

TEST_F(MouseOperatorTest, SelectionModeTakesEffectAtTheNextSwitchToObjectMode)
{
    referencePoints.pointLimit = 0;
    referencePoints.addNewReferencePoint(V(1, 0, 0));
    referencePoints.addNewReferencePoint(V(2, 0, 0));
    referencePoints.addNewReferencePoint(V(3, 0, 0));

    // Camera mode: a right click opens the context menu (none here) and nothing else.
    press(50, 50, Qt::RightButton);
    release(50, 50, Qt::RightButton);
    EXPECT_EQ(referencePoints.referencePoints.size(), 3u);

    mouse.setSelectionMode(MouseOperator::PointCreation);
    mouse.setMouseMode(MouseOperator::ObjectOperation);
    press(50, 50, Qt::RightButton);
    release(50, 50, Qt::RightButton);
    EXPECT_EQ(referencePoints.referencePoints.size(), 2u);

    // Still point creation until object mode is entered again; an invalid mode changes nothing.
    mouse.setSelectionMode(MouseOperator::ObjectSelection);
    mouse.setSelectionMode(static_cast<MouseOperator::SelectionMode>(5));
    press(50, 50, Qt::RightButton);
    release(50, 50, Qt::RightButton);
    EXPECT_EQ(referencePoints.referencePoints.size(), 1u);

    mouse.setMouseMode(MouseOperator::CameraOperation);
    mouse.setMouseMode(MouseOperator::ObjectOperation);
    press(50, 50, Qt::RightButton);
    release(50, 50, Qt::RightButton);
    EXPECT_EQ(referencePoints.referencePoints.size(), 1u);
    EXPECT_EQ(mouse.getSelectionMode(), MouseOperator::ObjectSelection);
}

TEST_F(MouseOperatorTest, ReleaseIsAClickUnlessTheLastMoveWasAPixelAway)
{
    polygons.setRoughLevel(2);
    polygons.setNormalLevel(1);
    QSignalSpy levels(&polygons, SIGNAL(changedValue()));
    const Camera::LookAtData before = lookAt();

    // Press and release without a move: a click, which on empty background changes nothing.
    press(100, 50);
    release(120, 70);
    EXPECT_EQ(levels.count(), 0);
    EXPECT_EQ(lookAt().viewPoint, before.viewPoint);

    // A move of under a pixel still ends in a click: the drag event sets the rough level, and
    // the click puts the normal one back.
    press(100, 50);
    move(100.9, 50.9);
    EXPECT_EQ(polygons.targetLevel, 2);
    release(100.9, 50.9);
    EXPECT_EQ(polygons.targetLevel, 1);
    EXPECT_EQ(levels.count(), 2);

    // One pixel in either direction makes it a drag that ends with the normal level.
    press(100, 50);
    move(100, 49);
    release(100, 49);
    EXPECT_EQ(polygons.targetLevel, 1);
    EXPECT_EQ(levels.count(), 4);

    // Shift pressed during a drag ends it in the object operation: the normal level comes back.
    press(100, 50);
    move(100, 45);
    EXPECT_EQ(polygons.targetLevel, 2);
    mouse.setMouseMode(MouseOperator::ObjectOperation);
    release(100, 45);
    EXPECT_EQ(polygons.targetLevel, 1);
    mouse.setMouseMode(MouseOperator::CameraOperation);
    const int afterShift = levels.count();

    // A click on a handle only drops the handle; a drag on it ends by dropping it too.
    manipulator.activeHandle = Manipulator::TranslateZ;
    press(100, 50);
    release(100, 50);
    EXPECT_EQ(manipulator.activeHandle, Manipulator::NoHandle);
    EXPECT_EQ(FL_position(manipulator), V(0, 0, 0));

    // A middle button resets the press position and calls nothing.
    press(10, 10, Qt::MiddleButton);
    release(10, 10, Qt::MiddleButton);
    EXPECT_EQ(mouseoperation::flMouseDownPosition.x, 10.0);
    EXPECT_EQ(mouseoperation::flState, 0u);
    EXPECT_EQ(levels.count(), afterShift);
}

TEST_F(MouseOperatorTest, LeftDragTurnsTheCameraAtTheRoughLevel)
{
    polygons.setRoughLevel(2);
    polygons.setNormalLevel(1);
    pointClouds.setRoughLevel(2);
    pointClouds.setNormalLevel(1);
    state.setLODLevel(3);
    QSignalSpy levels(&polygons, SIGNAL(changedValue()));

    press(100, 50);
    move(110, 50);
    // rotateLeft(-10): the eye swings 10 degrees round the lock-on point towards -X.
    const double s = std::sin(10.0 / 180.0 * 3.141592);
    const double c = std::cos(10.0 / 180.0 * 3.141592);
    FL_expectNear(lookAt().viewPoint, V(-10 * s, -10 * c, 0), 1e-9);
    FL_expectNear(lookAt().lockOnPoint, V(0, 0, 0), 1e-12);
    EXPECT_EQ(polygons.targetLevel, 2);
    EXPECT_EQ(pointClouds.getPointCloudParameter()->targetLevel, 2);
    EXPECT_EQ(state.getLODLevel(), 1);
    EXPECT_EQ(levels.count(), 1);

    // A further event keeps the rough level without signalling it again.
    move(110, 50);
    EXPECT_EQ(levels.count(), 1);

    release(110, 50);
    EXPECT_EQ(polygons.targetLevel, 1);
    EXPECT_EQ(pointClouds.getPointCloudParameter()->targetLevel, 1);
    EXPECT_EQ(levels.count(), 2);

    // 10 pixels down at half a degree per pixel: rotateUp(-5) lifts the eye by 5 degrees.
    setCamera(V(0, -10, 0), V(0, 0, 0), V(0, 0, 1), Camera::Observation);
    MouseOperator::setRotationRatio(0.5);
    press(100, 50);
    move(100, 60);
    release(100, 60);
    const double s5 = std::sin(5.0 / 180.0 * 3.141592);
    const double c5 = std::cos(5.0 / 180.0 * 3.141592);
    FL_expectNear(lookAt().viewPoint, V(0, -10 * c5, 10 * s5), 1e-9);
}

TEST_F(MouseOperatorTest, RightDragPansTheCameraAndWheelMovesIt)
{
    setCamera(V(0, -10, 0), V(0, 0, 0), V(0, 0, 1), Camera::WalkThrough);
    polygons.setRoughLevel(1);
    polygons.setNormalLevel(0);
    QSignalSpy levels(&polygons, SIGNAL(changedValue()));

    // 10 pixels right and 10 down: translateLeft(-1), translateUp(-1).
    press(100, 50, Qt::RightButton);
    move(110, 60, Qt::RightButton);
    FL_expectNear(lookAt().viewPoint, V(1, -10, -1), 1e-12);
    FL_expectNear(lookAt().lockOnPoint, V(1, 0, -1), 1e-12);
    EXPECT_EQ(polygons.targetLevel, 1);
    release(110, 60, Qt::RightButton);
    EXPECT_EQ(polygons.targetLevel, 0);
    EXPECT_EQ(levels.count(), 2);

    // A notch of 120 is a delta of 15: backwards in walk-through, forwards in observation.
    wheel(120);
    FL_expectNear(lookAt().viewPoint, V(1, -11.5, -1), 1e-12);
    state.getCamera().setWorkMode(Camera::Observation);
    wheel(120);
    FL_expectNear(lookAt().viewPoint, V(1, -10, -1), 1e-12);
    wheel(7);
    wheel(-7);
    FL_expectNear(lookAt().viewPoint, V(1, -10, -1), 1e-12);
}

TEST_F(MouseOperatorTest, TranslationHandleDragMovesTheSelectionByTheRayHit)
{
    PointCloud* selectedShot = addShot(V(1, 2, 3), true);
    PointCloud* otherShot = addShot(V(4, 5, 6), false);
    Object3D* mesh = new Object3D;
    mesh->enableState(Object3D::Selected);
    polygons.addNewObject(mesh);
    clipBox.enableState(Object3D::Selected);
    MeasureLength* measure = new MeasureLength;
    measure->enableState(Object3D::Selected);
    measures.addNewObject(measure);
    polygons.setRoughLevel(2);
    const Camera::LookAtData before = lookAt();

    // The pointer 50 pixels right of the centre: the ray from (0, -10, 0) along (tan 30, 1, 0)
    // meets the plane y = 0 (holding the X axis and screen up) at x = 10 tan 30.
    manipulator.activeHandle = Manipulator::TranslateX;
    press(100, 50);
    move(150, 50);
    const double t = 10 * FL_TAN30;
    FL_expectNear(FL_position(manipulator), V(t, 0, 0), 1e-4);
    FL_expectNear(FL_position(*selectedShot), V(1 + t, 2, 3), 1e-4);
    FL_expectNear(FL_position(*mesh), V(t, 0, 0), 1e-4);
    FL_expectNear(FL_position(clipBox), V(t, 0, 0), 1e-4);
    EXPECT_EQ(FL_position(*otherShot), V(4, 5, 6));
    EXPECT_EQ(FL_position(*measure), V(0, 0, 0));

    // The origin is under the pointer now: the same position adds nothing.
    move(150, 50);
    FL_expectNear(FL_position(*selectedShot), V(1 + t, 2, 3), 1e-4);
    release(150, 50);
    EXPECT_EQ(manipulator.activeHandle, Manipulator::NoHandle);
    // The camera and the draw levels are left alone by a handle drag.
    EXPECT_EQ(lookAt().viewPoint, before.viewPoint);
    EXPECT_EQ(polygons.targetLevel, 0);

    // A right drag moves the manipulator alone. Z: the plane x = 0 holds the Z axis and screen
    // right; the pointer 25 pixels above the centre meets it at z = 5 tan 30.
    manipulator.setMatrix(M());
    manipulator.activeHandle = Manipulator::TranslateZ;
    press(100, 50, Qt::RightButton);
    move(100, 25, Qt::RightButton);
    release(100, 25, Qt::RightButton);
    FL_expectNear(FL_position(manipulator), V(0, 0, 5 * FL_TAN30), 1e-4);
    FL_expectNear(FL_position(*selectedShot), V(1 + t, 2, 3), 1e-4);
}

TEST_F(MouseOperatorTest, RotationHandleDragTurnsTheSelectionAboutTheManipulator)
{
    // Looking down -Z with Y up: screen right is +X, screen up is +Y; the rays meet z = 0 at
    // 10 tan 30 per 50 pixels from the centre.
    setCamera(V(0, 0, 10), V(0, 0, 0), V(0, 1, 0), Camera::Observation);
    M place;
    place(0, 3) = 1;
    place(1, 3) = 1;
    manipulator.setMatrix(place);
    PointCloud* shot = addShot(V(3, 1, 0), true);
    MeasureLength* measure = new MeasureLength;
    measure->enableState(Object3D::Selected);
    measures.addNewObject(measure);

    // From the ray hitting (2, 1) to the one hitting (1, 2): a quarter turn counter-clockwise
    // about Z through (1, 1).
    const double perUnit = 50.0 / (10 * FL_TAN30);
    manipulator.activeHandle = Manipulator::RotateZ;
    press(100 + 2 * perUnit, 50 - perUnit);
    move(100 + perUnit, 50 - 2 * perUnit);
    release(100 + perUnit, 50 - 2 * perUnit);

    const M& turned = shot->getMatrix();
    ASSERT_TRUE(FL_isFinite(turned));
    FL_expectNear(FL_position(*shot), V(1, 3, 0), 0.02);
    EXPECT_NEAR(turned(0, 0), 0.0, 0.01);
    EXPECT_NEAR(turned(0, 1), -1.0, 0.01);
    EXPECT_NEAR(turned(1, 0), 1.0, 0.01);
    ASSERT_TRUE(FL_isFinite(manipulator.getMatrix()));
    FL_expectNear(FL_position(manipulator), V(1, 1, 0), 1e-12);
    EXPECT_NEAR(manipulator.getMatrix()(1, 0), 1.0, 0.01);
    EXPECT_EQ(measure->getMatrix(), M());
}

TEST_F(MouseOperatorTest, QuarterTurnsNeverGiveNaNMatrices)
{
    setCamera(V(0, 0, 10), V(0, 0, 0), V(0, 1, 0), Camera::Observation);
    const double perUnit = 50.0 / (10 * FL_TAN30);
    M place;
    place(0, 3) = -21 / perUnit;
    PointCloud* shot = addShot(V(2, 0, 0), true);
    // Quarter turns about the manipulator under pixel 79 whose sine comes out a rounding step
    // above 1.
    const double drags[][4] = {{96.434497850601133, 45.523585732152959, 74.523585732152952, 32.565502149398867},
                               {91.343503822973233, 33.010652944499448, 62.010652944499448, 37.656496177026767},
                               {90.080352688638115, 29.844956355904607, 58.844956355904607, 38.919647311361885},
                               {81.269956636336943, 45.544969487293059, 74.544969487293059, 47.730043363663064},
                               {84.560083083967754, 37.151440699464573, 66.151440699464573, 44.439916916032239}};
    for (const auto& drag : drags) {
        manipulator.setMatrix(place);
        manipulator.activeHandle = Manipulator::RotateZ;
        press(drag[0], drag[1]);
        move(drag[2], drag[3]);
        release(drag[2], drag[3]);
        ASSERT_TRUE(FL_isFinite(shot->getMatrix())) << drag[0];
        ASSERT_TRUE(FL_isFinite(manipulator.getMatrix())) << drag[0];
        // Each drag is a counter-clockwise quarter turn seen from +Z.
        EXPECT_NEAR(manipulator.getMatrix()(0, 1), -1.0, 1e-3);
    }
}

TEST_F(MouseOperatorTest, DegenerateHandleGeometryGivesNoMovement)
{
    using namespace mouseoperation;
    const Camera& camera = state.getCamera();

    // A zero-length drag sweeps no angle.
    flMousePosition = Position{150, 30};
    flNewMousePosition = Position{150, 30};
    EXPECT_EQ(FL_getRotationDegreeAlong(V(0, 1, 0), V(0, 0, 0), camera), 0.0);
    // An origin at the eye: both rays meet the plane there and give no direction.
    flNewMousePosition = Position{60, 80};
    EXPECT_EQ(FL_getRotationDegreeAlong(V(0, 1, 0), V(0, -10, 0), camera), 0.0);
    // Rays parallel to the plane perpendicular to the axis (the centre row, axis Z).
    flMousePosition = Position{120, 50};
    flNewMousePosition = Position{80, 50};
    EXPECT_EQ(FL_getRotationDegreeAlong(V(0, 0, 1), V(0, 0, 0), camera), 0.0);

    // A zero axis gives a zero plane normal, and a translation of 0.
    EXPECT_EQ(FL_getTranslationValueAlong(V(0, 0, 0), V(0, 0, 0), camera), 0.0);
    // A camera without a screen unprojects to the origin; from an eye at the origin there is
    // no ray at all.
    Camera blind;
    Camera::LookAtData eyeAtOrigin;
    eyeAtOrigin.lockOnPoint = V(0, 1, 0);
    eyeAtOrigin.upward = V(0, 0, 1);
    blind.setLookAtData(eyeAtOrigin);
    blind.initScreen();
    blind.setSceneMatrix();
    EXPECT_EQ(FL_getTranslationValueAlong(V(1, 0, 0), V(0, 0, 0), blind), 0.0);
    EXPECT_EQ(FL_getRotationDegreeAlong(V(0, 0, 1), V(0, 0, 0), blind), 0.0);

    // A turn that is not a number leaves the objects where they are.
    Object3D object;
    object.setPosition(V(1, 2, 3));
    FL_rotateObject({&object}, V(0, 0, 1), std::nan(""), V(0, 0, 0));
    EXPECT_EQ(FL_position(object), V(1, 2, 3));
}

TEST_F(MouseOperatorTest, SelectionRectangleFollowsTheDragAndIsHiddenAtTheEnd)
{
    mouse.setMouseMode(MouseOperator::ObjectOperation);
    Range x;
    Range y;

    press(20, 30);
    move(60, 10);
    move(80, 70);
    // The rectangle runs to the position recorded before the current move event.
    scene.getSelectionRange(&x, &y);
    EXPECT_EQ(x.min, 20.0f);
    EXPECT_EQ(x.max, 60.0f);
    EXPECT_EQ(y.min, 10.0f);
    EXPECT_EQ(y.max, 30.0f);
    Color color;
    scene.getSelectionColor(&color);
    EXPECT_EQ(color, Color(255, 0, 0, 255));
    release(80, 70);
    scene.getSelectionRange(&x, &y);
    EXPECT_EQ(x.min, 0.0f);
    EXPECT_EQ(x.max, 0.0f);
    EXPECT_EQ(y.min, 0.0f);
    EXPECT_EQ(y.max, 0.0f);

    press(20, 30, Qt::RightButton);
    move(40, 40, Qt::RightButton);
    move(50, 50, Qt::RightButton);
    scene.getSelectionColor(&color);
    EXPECT_EQ(color, Color(0, 0, 255, 255));
    release(50, 50, Qt::RightButton);
    EXPECT_EQ(mouseoperation::flState, 0u);
}

TEST_F(MouseOperatorGLTest, HoveredHandleIsDraggedInsteadOfTheCamera)
{
    setCamera(V(4, -10, 3), V(0, 0, 0), V(0, 0, 1), Camera::Observation);
    manipulator.setVisible(true);
    Object3D* mesh = new Object3D;
    mesh->enableState(Object3D::Selected);
    polygons.addNewObject(mesh);
    const Camera::LookAtData before = lookAt();

    // Halfway along the X axis line nothing else of the manipulator is drawn.
    const QPointF onAxis = widgetPosition(V(0.5, 0, 0));
    move(onAxis.x(), onAxis.y(), Qt::NoButton);
    EXPECT_EQ(manipulator.activeHandle, Manipulator::TranslateX);
    EXPECT_EQ(referencePoints.getPreviewPoint(), nullptr);

    press(onAxis.x(), onAxis.y());
    move(onAxis.x() + 20, onAxis.y());
    release(onAxis.x() + 20, onAxis.y());
    EXPECT_EQ(manipulator.activeHandle, Manipulator::NoHandle);
    EXPECT_GT(FL_position(manipulator).x, 0.5);
    EXPECT_EQ(FL_position(manipulator).y, 0.0);
    EXPECT_EQ(FL_position(*mesh), FL_position(manipulator));
    EXPECT_EQ(lookAt().viewPoint, before.viewPoint);

    // Empty background: no handle and no surface.
    move(5, 5, Qt::NoButton);
    EXPECT_EQ(manipulator.activeHandle, Manipulator::NoHandle);
    EXPECT_EQ(referencePoints.getPreviewPoint(), nullptr);
}

// Deleting what the manipulator moves takes it away, with the handle under the pointer: a
// drag there then turns the camera. A closed project empties the manager, likewise.
TEST_F(MouseOperatorGLTest, ManipulatorGoesWithTheObjectsItMoves)
{
    setCamera(V(4, -10, 3), V(0, 0, 0), V(0, 0, 1), Camera::Observation);
    manipulator.setVisible(true);
    PointCloud* first = addShot(V(0, 0, 0), true);
    PointCloud* second = addShot(V(1, 0, 0), true);
    const QPointF onAxis = widgetPosition(V(0.5, 0, 0));
    move(onAxis.x(), onAxis.y(), Qt::NoButton);
    ASSERT_EQ(manipulator.activeHandle, Manipulator::TranslateX);
    scene.deleteObject({first});
    EXPECT_TRUE(manipulator.isVisible());
    scene.deleteObject({second});
    EXPECT_FALSE(manipulator.isVisible());
    press(onAxis.x(), onAxis.y());
    move(onAxis.x() + 20, onAxis.y());
    release(onAxis.x() + 20, onAxis.y());
    EXPECT_NE(lookAt().viewPoint, V(4, -10, 3));
    manipulator.setVisible(true);
    addShot(V(0, 0, 0), true);
    pointClouds.clearObject();
    EXPECT_FALSE(manipulator.isVisible());
}

// The reference points and the preview point cover what lies behind them in the picking
// passes; once they go, what they covered is picked again.
TEST_F(MouseOperatorGLTest, PickingFollowsTheReferencePointsAndThePreviewPoint)
{
    clipBox.enableState(Object3D::Visible);
    mouse.setMouseMode(MouseOperator::ObjectOperation);
    const auto boxUnderPointer = [this]() {
        clipBox.disableState(Object3D::Highlight);
        move(100.5, 49.5, Qt::NoButton);
        return clipBox.hasState(Object3D::Highlight);
    };
    ASSERT_TRUE(boxUnderPointer());
    referencePoints.addNewReferencePoint(V(0, -0.6, 0)); // in front of the box's face at y = -0.5
    EXPECT_FALSE(boxUnderPointer());
    referencePoints.deleteReferencePointLast();
    EXPECT_TRUE(boxUnderPointer());
    referencePoints.enablePreviewPoint(V(0, -0.6, 0));
    EXPECT_FALSE(boxUnderPointer());
    referencePoints.disablePreviewPoint();
    EXPECT_TRUE(boxUnderPointer());
}

TEST_F(MouseOperatorGLTest, SurfaceUnderThePointerGivesPreviewAndLockOnPoint)
{
    // The clip box's front face at y = -0.5 fills the middle of the view.
    clipBox.enableState(Object3D::Visible);
    move(100.5, 49.5, Qt::NoButton);
    ASSERT_NE(referencePoints.getPreviewPoint(), nullptr);
    FL_expectNear(*referencePoints.getPreviewPoint(), V(0, -0.5, 0), 0.02);

    press(100.5, 49.5);
    release(100.5, 49.5);
    FL_expectNear(lookAt().lockOnPoint, V(0, -0.5, 0), 0.02);

    // Off the box the preview goes and a click leaves the lock-on point.
    const V lockOn = lookAt().lockOnPoint;
    move(3.5, 3.5, Qt::NoButton);
    EXPECT_EQ(referencePoints.getPreviewPoint(), nullptr);
    press(3.5, 3.5);
    release(3.5, 3.5);
    EXPECT_EQ(lookAt().lockOnPoint, lockOn);
}

TEST_F(MouseOperatorGLTest, ObjectModeSelectsByClickAndRectangle)
{
    // Close enough for the box to show beside the manipulator's lines.
    setCamera(V(0, -3, 0), V(0, 0, 0), V(0, 0, 1), Camera::Observation);
    clipBox.enableState(Object3D::Visible);
    M place;
    place(0, 3) = 0.2;
    clipBox.setMatrix(place);
    mouse.setSelectionMode(MouseOperator::ObjectSelection_Manipulator);
    mouse.setMouseMode(MouseOperator::ObjectOperation);

    // Hovering highlights what is under the pointer.
    move(100.5, 49.5, Qt::NoButton);
    EXPECT_TRUE(clipBox.hasState(Object3D::Highlight));

    // A click selects and puts the manipulator on the box centre.
    press(100.5, 49.5);
    release(100.5, 49.5);
    EXPECT_TRUE(clipBox.hasState(Object3D::Selected));
    EXPECT_TRUE(manipulator.isVisible());
    FL_expectNear(FL_position(manipulator), V(0.2, 0, 0), 1e-12);

    // A right click beside the manipulator's lines deselects; the manipulator stays.
    const QPointF beside = widgetPosition(V(0.45, -0.5, 0.35));
    press(beside.x(), beside.y(), Qt::RightButton);
    release(beside.x(), beside.y(), Qt::RightButton);
    EXPECT_FALSE(clipBox.hasState(Object3D::Selected));
    EXPECT_TRUE(manipulator.isVisible());

    // A rectangle over the whole view selects it again; a visible manipulator is not moved.
    manipulator.setMatrix(M());
    press(1, 1);
    move(199, 99);
    move(199, 99);
    release(199, 99);
    EXPECT_TRUE(clipBox.hasState(Object3D::Selected));
    EXPECT_EQ(FL_position(manipulator), V(0, 0, 0));

    // A hidden one goes to the mean position of what the rectangle covers.
    clipBox.disableState(Object3D::Selected);
    manipulator.setVisible(false);
    press(1, 1);
    move(199, 99);
    move(199, 99);
    release(199, 99);
    EXPECT_TRUE(clipBox.hasState(Object3D::Selected));
    EXPECT_TRUE(manipulator.isVisible());
    FL_expectNear(FL_position(manipulator), V(0.2, 0, 0), 1e-12);
}

} // namespace
