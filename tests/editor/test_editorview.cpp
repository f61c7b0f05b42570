// The editor's view: the selection volume, point selection by real mouse drags (also on a
// moved cloud), the mode switch and the context actions.
#include "glwidget.h"
#include "mouseoperation.h"
#include "mouseoperator.h"
#include "pointcloud.h"
#include "pointcloudimp.h"
#include "pointcloudmanager.h"
#include "referencepoint.h"
#include "scene.h"
#include "scenestate.h"

#include "formtestutil.h"
#include "programtestutil.h"

#include <QAction>
#include <QDoubleSpinBox>
#include <QSignalSpy>
#include <QWindow>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

using V = Vector3T<double>;

// A scene over models of its own, in a 200 x 160 view looking down -z from (0, 0, 10).
class EditorViewTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!testutil::hasDisplay())
            GTEST_SKIP() << "GL widgets need a display";
        mScene.setModel(&mSceneState, &mReferencePoints, &mPointClouds);
        Camera& camera = mSceneState.getCamera();
        camera.setFrustumData(Camera::FrustumData{1.0f, 100.0f, 30.0f});
        camera.setLookAtData(Camera::LookAtData{V(0, 0, 10), V(0, 0, 0), V(0, 1, 0)});
        mOperator.setModel(&mScene);
        // Away from the corner where other tests' windows open on a shared display.
        mWidget.setGeometry(1040, 820, 200, 160);
        mWidget.setModel(&mScene, &mSceneState, &mOperator);
        mWidget.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&mWidget));
        QTest::qWait(100);
        // The frame set-up the conversions read.
        mWidget.updateGL();
    }

    void TearDown() override { mOperator.setMouseMode(MouseOperator::CameraOperation); }

    // Cloud 0 over a grid of points z = 0, x and y from -4 to 4 by 1, stored as given.
    PointCloudInterface* addGrid(const Matrix4x4T<double>& iMatrix = Matrix4x4T<double>())
    {
        PointCloudData data;
        for (int x = -4; x <= 4; ++x) {
            for (int y = -4; y <= 4; ++y) {
                Point point;
                point.color = Color(255, 255, 255, 255);
                point.position = Vector3T<float>(static_cast<float>(x), static_cast<float>(y), 0.0f);
                data.pointList.push_back(point);
            }
        }
        data.width = static_cast<int>(data.pointList.size());
        data.height = 1;
        data.validPointNumber = static_cast<unsigned>(data.pointList.size());
        std::string error;
        PointCloud* cloud = new PointCloud();
        cloud->setPointCloud(PointCloudImp::generateFromPCD(data, "grid.zrpcd", error));
        cloud->setMatrix(iMatrix);
        cloud->setBoundingBox(BoundingBox(V(0, 0, 0), V(8, 8, 0)));
        mPointClouds.addNewObject(cloud);
        mWidget.updateGL();
        return cloud->getPointCloud();
    }

    // A real drag on the view's window; the rectangle ends at the last move.
    void drag(Qt::MouseButton iButton, QPoint iFrom, QPoint iTo)
    {
        QWindow* window = mWidget.windowHandle();
        QTest::mousePress(window, iButton, Qt::NoModifier, iFrom);
        QTest::mouseMove(window, (iFrom + iTo) / 2);
        QTest::mouseMove(window, iTo);
        QTest::mouseRelease(window, iButton, Qt::NoModifier, iTo);
    }

    // Which stored points lie, placed by the cloud's matrix, inside the widget rectangle.
    std::vector<bool> shownInside(PointCloudInterface* iData, const Matrix4x4T<double>& iMatrix, QRect iRect)
    {
        PointCloudData data;
        EXPECT_TRUE(iData->getPointCloudData(&data));
        std::vector<bool> inside;
        for (const Point& point : data.pointList) {
            const V world = iMatrix.transform(V(point.position.x, point.position.y, point.position.z));
            const V window = mSceneState.getCamera().convertValueFromModelToGLDevice(world);
            inside.push_back(iRect.contains(QPoint(static_cast<int>(window.x),
                                                   mWidget.height() - static_cast<int>(window.y))));
        }
        return inside;
    }

    static std::vector<bool> selected(PointCloudInterface* iData)
    {
        PointCloudData data;
        EXPECT_TRUE(iData->getPointCloudData(&data));
        std::vector<bool> marks;
        for (const Point& point : data.pointList)
            marks.push_back((point.flag & Point::Selected) != 0);
        return marks;
    }

    QAction* action(const QString& iText)
    {
        for (QAction* candidate : mWidget.findChildren<QAction*>()) {
            if (candidate->text() == iText)
                return candidate;
        }
        return nullptr;
    }

    SceneState mSceneState;
    ReferencePointManager mReferencePoints;
    PointCloudManager mPointClouds;
    Scene mScene;
    MouseOperator mOperator;
    GLWidget mWidget;
};

} // namespace

TEST_F(EditorViewTest, DragBoxHoldsWhatIsSeenInsideTheRectangle)
{
    using namespace mouseoperation;
    flMouseDownPosition = Position{90, 70};
    flMousePosition = Position{110, 90};
    std::vector<Vector4T<double>> planes;
    FL_getDragBox(&planes, &mWidget, mSceneState.getCamera());
    ASSERT_EQ(planes.size(), 6u);
    // Near and far: 1 and 100 along -z from z = 10.
    EXPECT_EQ(planes[4], Vector4T<double>(0, 0, 1, 9));
    EXPECT_EQ(planes[5], Vector4T<double>(0, 0, -1, 90));
    const auto inside = [&](const V& iPoint) {
        for (const Vector4T<double>& plane : planes) {
            if (plane.x * iPoint.x + plane.y * iPoint.y + plane.z * iPoint.z > plane.w)
                return false;
        }
        return true;
    };
    EXPECT_TRUE(inside(V(0, 0, 0)));
    EXPECT_TRUE(inside(V(0, 0, -50)));
    EXPECT_FALSE(inside(V(3, 0, 0)));
    EXPECT_FALSE(inside(V(0, -3, 0)));
    EXPECT_FALSE(inside(V(0, 0, 9.5)));   // nearer than the near plane
    EXPECT_FALSE(inside(V(0, 0, -95)));   // beyond the far plane

    // A click is one pixel wide; a line of no width is not widened.
    planes.clear();
    flMousePosition = flMouseDownPosition = Position{100, 80};
    FL_getDragBox(&planes, &mWidget, mSceneState.getCamera());
    EXPECT_TRUE(inside(V(0.02, 0, 0)));
    planes.clear();
    flMousePosition = Position{100, 120};
    FL_getDragBox(&planes, &mWidget, mSceneState.getCamera());
    EXPECT_FALSE(inside(V(0.02, -1, 0))); // a third of a pixel beside the line
}

TEST_F(EditorViewTest, LeftDragSelectsAndRightDragDeselectsThePointsInside)
{
    PointCloudInterface* data = addGrid();
    QSignalSpy modes(&mOperator, SIGNAL(changedValue()));
    mOperator.setMouseMode(MouseOperator::ObjectOperation);
    mOperator.setMouseMode(MouseOperator::ObjectOperation);
    EXPECT_EQ(modes.count(), 1);

    const QRect big(QPoint(40, 30), QPoint(150, 120));
    drag(Qt::LeftButton, big.topLeft(), big.bottomRight());
    const std::vector<bool> expected = shownInside(data, Matrix4x4T<double>(), big);
    EXPECT_EQ(selected(data), expected);
    EXPECT_NE(std::count(expected.begin(), expected.end(), true), 0);
    EXPECT_NE(std::count(expected.begin(), expected.end(), false), 0);
    Range x;
    Range y;
    mScene.getSelectionRange(&x, &y);
    EXPECT_EQ(x.max, 0.0f);

    // The right button takes a smaller rectangle back out.
    const QRect small(QPoint(95, 70), QPoint(150, 120));
    drag(Qt::RightButton, small.bottomRight(), small.topLeft());
    std::vector<bool> left = expected;
    const std::vector<bool> removed = shownInside(data, Matrix4x4T<double>(), small);
    for (std::size_t i = 0; i < left.size(); ++i)
        left[i] = left[i] && !removed[i];
    EXPECT_EQ(selected(data), left);
    EXPECT_NE(left, expected);

    // Back in camera mode the clouds lose their highlight.
    mPointClouds.getObject(0)->enableState(Object3D::Highlight);
    mOperator.setMouseMode(MouseOperator::CameraOperation);
    EXPECT_FALSE(mPointClouds.getObject(0)->hasState(Object3D::Highlight));
    EXPECT_EQ(modes.count(), 2);
}

TEST_F(EditorViewTest, MovedCloudSelectsThePointsShownInside)
{
    // A quarter turn about z and a shift: the stored points are not where they are shown.
    Matrix4x4T<double> matrix;
    matrix(0, 0) = 0.0;
    matrix(0, 1) = -1.0;
    matrix(1, 0) = 1.0;
    matrix(1, 1) = 0.0;
    matrix(0, 3) = 2.0;
    matrix(1, 3) = 1.0;
    PointCloudInterface* data = addGrid(matrix);
    mOperator.setMouseMode(MouseOperator::ObjectOperation);
    const QRect rect(QPoint(105, 20), QPoint(190, 75));
    drag(Qt::LeftButton, rect.topLeft(), rect.bottomRight());
    const std::vector<bool> expected = shownInside(data, matrix, rect);
    EXPECT_EQ(selected(data), expected);
    EXPECT_NE(expected, shownInside(data, Matrix4x4T<double>(), rect));
}

TEST_F(EditorViewTest, ContextActionsActOnCloudZeroOnly)
{
    QAction* fit = action("Fit View");
    QAction* remove = action("Delete Selected Points");
    ASSERT_TRUE(fit && remove);
    EXPECT_EQ(remove->statusTip(), "Delete selected points.");

    // Without a cloud both do nothing.
    Camera::LookAtData before;
    mSceneState.getCamera().getLookAtData(&before);
    fit->trigger();
    remove->trigger();
    Camera::LookAtData after;
    mSceneState.getCamera().getLookAtData(&after);
    EXPECT_TRUE(after.viewPoint == before.viewPoint);

    PointCloudInterface* data = addGrid();
    data->selectPoint({Vector4T<double>(1, 0, 0, -3.5)}); // the column x = -4
    testutil::expectRepaint(&mWidget, "points deleted", [remove] { remove->trigger(); });
    PointCloudData points;
    ASSERT_TRUE(data->getPointCloudData(&points));
    int deleted = 0;
    for (const Point& point : points.pointList)
        deleted += point.isValid() ? 0 : 1;
    EXPECT_EQ(deleted, 9);

    fit->trigger();
    mSceneState.getCamera().getLookAtData(&after);
    EXPECT_FALSE(after.viewPoint == before.viewPoint);
}

TEST_F(EditorViewTest, CloudMovedInItsPanelSelectsThePointsShownInside)
{
    PointCloudInterface* data = addGrid();
    PointCloud* cloud = mPointClouds.getData(0);
    std::unique_ptr<QWidget> panel(cloud->createUI());
    ASSERT_TRUE(panel);
    panel->show();
    formtest::typeValue(formtest::child<QDoubleSpinBox>(panel.get(), "doubleSpinBoxPositionX"), "2.5");
    formtest::typeValue(formtest::child<QDoubleSpinBox>(panel.get(), "doubleSpinBoxPositionY"), "-1.5");
    const Matrix4x4T<double> matrix = cloud->getMatrix();
    EXPECT_EQ(matrix(0, 3), 2.5);
    EXPECT_EQ(matrix(1, 3), -1.5);
    mWidget.updateGL();

    mOperator.setMouseMode(MouseOperator::ObjectOperation);
    const QRect rect(QPoint(110, 30), QPoint(185, 100));
    drag(Qt::LeftButton, rect.topLeft(), rect.bottomRight());
    const std::vector<bool> expected = shownInside(data, matrix, rect);
    EXPECT_EQ(selected(data), expected);
    EXPECT_NE(expected, shownInside(data, Matrix4x4T<double>(), rect));
    EXPECT_GT(std::count(expected.begin(), expected.end(), true), 0);
}
