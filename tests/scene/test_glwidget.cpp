// The view widget: repaint pacing, the attached and detached states, mouse forwarding and the
// context menu.
#include "test_scenemodel.h"

#include "glwidget.h"
#include "gridshot.h"
#include "measure.h"
#include "mouseoperator.h"
#include "pointcloud.h"
#include "pointcloudinterface.h"
#include "testutil.h"

#include <QAction>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

using V = Vector3T<double>;

class CountingGLWidget : public GLWidget
{
public:
    int paints = 0;

    void callResizeGL(int iWidth, int iHeight) { resizeGL(iWidth, iHeight); }

protected:
    void paintGL() override
    {
        ++paints;
        GLWidget::paintGL();
    }
};

// Shot data that counts its flat-colour draws, which only the picking passes make.
class CountingData : public PointCloudInterface
{
public:
    explicit CountingData(PointCloudInterface* iData) : mData(iData) {}
    ~CountingData() override { delete mData; }
    std::string getFilePath() const override { return mData->getFilePath(); }
    int getPointNumber() const override { return mData->getPointNumber(); }
    Vector3T<double> getCenter() const override { return mData->getCenter(); }
    Vector3T<double> getSize() const override { return mData->getSize(); }
    void draw(int iLevel, int iPointSize) const override { mData->draw(iLevel, iPointSize); }
    void draw(int iLevel, int iPointSize, Color iColor) const override
    {
        ++passes;
        mData->draw(iLevel, iPointSize, iColor);
    }
    PointCloudSVOInterface* getSVOInterface() override { return mData->getSVOInterface(); }

    mutable int passes = 0;

private:
    PointCloudInterface* mData;
};

class GLWidgetTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QString platform = QGuiApplication::platformName();
        if (platform == "offscreen" || platform == "minimal")
            GTEST_SKIP() << "GL widgets need a display";
        mModel = std::make_unique<SceneModel>();
        mOperator = std::make_unique<MouseOperator>();
        mOperator->setModel(&mModel->scene);
        mWidget = std::make_unique<CountingGLWidget>();
        mWidget->resize(160, 120);
    }

    void TearDown() override
    {
        mWidget.reset();
        mOperator.reset();
        mModel.reset();
    }

    void attachAndShow()
    {
        mWidget->setModel(&mModel->scene, &mModel->sceneState, mOperator.get());
        mWidget->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(mWidget.get()));
        // Let the first frames and the repaint owed for the resize go by.
        int seen = -1;
        for (int i = 0; i < 50 && seen != mWidget->paints; ++i) {
            seen = mWidget->paints;
            QTest::qWait(150);
        }
        mWidget->paints = 0;
    }

    void send(QEvent::Type iType, Qt::MouseButton iButton, Qt::MouseButtons iHeld, const QPointF& iAt)
    {
        QMouseEvent event(iType, iAt, mWidget->mapToGlobal(iAt.toPoint()), iButton, iHeld, Qt::NoModifier);
        QCoreApplication::sendEvent(mWidget.get(), &event);
    }

    std::unique_ptr<SceneModel> mModel;
    std::unique_ptr<MouseOperator> mOperator;
    std::unique_ptr<CountingGLWidget> mWidget;
};

} // namespace

TEST_F(GLWidgetTest, StaysHiddenUntilAttached)
{
    EXPECT_FALSE(mWidget->hasModel());
    mWidget->show();
    EXPECT_FALSE(mWidget->isVisible());
    // Detached: sizes are not handed on.
    mWidget->callResizeGL(77, 55);
    Camera::ScreenData screen;
    mModel->sceneState.getCamera().getScreenData(&screen);
    EXPECT_EQ(screen.width, 0);

    attachAndShow();
    EXPECT_TRUE(mWidget->hasModel());
    EXPECT_TRUE(mWidget->isVisible());
    mModel->sceneState.getCamera().getScreenData(&screen);
    EXPECT_EQ(screen.width, mWidget->width());
    EXPECT_EQ(screen.height, mWidget->height());
    mWidget->callResizeGL(77, 55);
    mModel->sceneState.getCamera().getScreenData(&screen);
    EXPECT_EQ(screen.width, 77);
    EXPECT_EQ(screen.height, 55);
}

TEST_F(GLWidgetTest, ManyChangesCostOneRepaintAndNoneCostNothing)
{
    attachAndShow();
    // Shown twice: still one connection per signal.
    mWidget->setVisible(true);
    QTest::qWait(100);
    EXPECT_EQ(mWidget->paints, 0);

    for (int i = 0; i < 10; ++i)
        mModel->clipBox.setClarity(static_cast<float>(i + 1));
    EXPECT_EQ(mWidget->paints, 0); // nothing before the tick
    QTRY_COMPARE_WITH_TIMEOUT(mWidget->paints, 1, 2000);
    QTest::qWait(150);
    EXPECT_EQ(mWidget->paints, 1);

    // A structure change is owed a repaint as well.
    ASSERT_TRUE(mModel->measures.createMeasureLength({V(0, 0, 0), V(1, 0, 0)}));
    QTRY_COMPARE_WITH_TIMEOUT(mWidget->paints, 2, 2000);

    // Hidden: the timer stops and the scene's changes are not followed.
    mWidget->hide();
    EXPECT_FALSE(mWidget->isVisible());
    mWidget->paints = 0;
    mModel->clipBox.setClarity(50.0f);
    QTest::qWait(150);
    EXPECT_EQ(mWidget->paints, 0);
}

TEST_F(GLWidgetTest, ImmediateFrameRepaintsAtOnce)
{
    attachAndShow();
    emit mModel->scene.changedNow();
    EXPECT_EQ(mWidget->paints, 1);
    mModel->scene.setSceneUpward(V(0, 1, 1), 3);
    EXPECT_EQ(mWidget->paints, 5); // frames 0 to 3
}

TEST_F(GLWidgetTest, ForwardsMovesWithTheirSignalAndRepaintsAfterRelease)
{
    attachAndShow();
    int moves = 0;
    QObject::connect(mWidget.get(), &GLWidget::mouseMove, [&moves](QMouseEvent* iEvent) {
        EXPECT_EQ(iEvent->type(), QEvent::MouseMove);
        ++moves;
    });
    send(QEvent::MouseMove, Qt::NoButton, Qt::NoButton, QPointF(20, 30));
    EXPECT_EQ(moves, 1);

    // A left drag turns the camera; the release repaints once at once.
    Camera::LookAtData before;
    mModel->sceneState.getCamera().getLookAtData(&before);
    send(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, QPointF(20, 30));
    send(QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, QPointF(40, 30));
    EXPECT_EQ(moves, 2);
    send(QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, QPointF(60, 30));
    Camera::LookAtData after;
    mModel->sceneState.getCamera().getLookAtData(&after);
    EXPECT_NE(before.viewPoint.x, after.viewPoint.x);
    const int paints = mWidget->paints;
    send(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, QPointF(60, 30));
    EXPECT_EQ(mWidget->paints, paints + 1);
}

TEST_F(GLWidgetTest, ContextMenuFitsAndDeletesTheSelection)
{
    const QList<QMenu*> menus = mWidget->findChildren<QMenu*>();
    ASSERT_EQ(menus.size(), 1);
    const QList<QAction*> actions = menus.front()->actions();
    ASSERT_EQ(actions.size(), 2);
    EXPECT_EQ(actions[0]->text(), QString("Fit View"));
    EXPECT_EQ(actions[0]->statusTip(), QString("Fit View to selected objects."));
    EXPECT_EQ(actions[1]->text(), QString("Delete Selected Objects"));
    EXPECT_EQ(actions[1]->statusTip(), QString("Delete selected objects."));

    attachAndShow();
    ASSERT_TRUE(mModel->measures.createMeasureLength({V(0, 0, 0), V(1, 0, 1)}));
    ASSERT_TRUE(mModel->measures.createMeasureLength({V(5, 0, 5), V(6, 0, 6)}));
    Measure* kept = mModel->measures.getData(1);
    mModel->measures.getData(0)->enableState(Object3D::Selected);

    actions[0]->trigger();
    Vector3T<double> lockOn;
    mModel->sceneState.getCamera().getLockOnPoint(&lockOn);
    EXPECT_NEAR(lockOn.x, 0.5, 1e-5);
    EXPECT_NEAR(lockOn.z, 0.5, 1e-5);
    actions[1]->trigger();
    ASSERT_EQ(mModel->measures.getObjectSetSize(), 1u);
    EXPECT_EQ(mModel->measures.getData(0), kept);
}

TEST_F(GLWidgetTest, DetachedWidgetIgnoresInput)
{
    // No model: no forwarding, no signal, no crash.
    int moves = 0;
    QObject::connect(mWidget.get(), &GLWidget::mouseMove, [&moves](QMouseEvent*) { ++moves; });
    send(QEvent::MouseMove, Qt::NoButton, Qt::NoButton, QPointF(5, 5));
    send(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, QPointF(5, 5));
    send(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, QPointF(5, 5));
    EXPECT_EQ(moves, 0);
    EXPECT_EQ(mWidget->paints, 0);
}

TEST_F(GLWidgetTest, HoverInObjectModeKeepsThePickMapsUntilAShotMovesOrHides)
{
    testutil::TempDir folder;
    const std::string path = folder.file("grid.zrpcd");
    ASSERT_TRUE(gridshot::write(path));
    std::string error;
    ASSERT_TRUE(mModel->pointClouds.generateFromBinaryFile_SVO(path, error)) << error;
    PointCloud* shot = mModel->pointClouds.getData(0);
    CountingData* data = new CountingData(PointCloud::openPointCloudData(path, error));
    shot->setPointCloud(data);
    ASSERT_TRUE(mModel->measures.createMeasureLength({V(-1, 0, 1.5), V(1, 0, 1.5)}));
    Measure* measure = mModel->measures.getData(0);
    mModel->pointClouds.setDelayLoad(false);
    attachAndShow();
    mModel->scene.fitView({});
    QTRY_VERIFY_WITH_TIMEOUT(mWidget->paints > 0, 2000);
    mOperator->setMouseMode(MouseOperator::ObjectOperation);

    // Real events through the window, at the widget position of a model point.
    const auto at = [this](const V& iPoint) {
        const V window = mModel->sceneState.getCamera().convertValueFromModelToGLDevice(iPoint);
        return QPoint(static_cast<int>(window.x), mWidget->height() - static_cast<int>(window.y));
    };
    const auto hover = [this, &at](const V& iPoint) { QTest::mouseMove(mWidget->windowHandle(), at(iPoint)); };
    const V top(0.5, 0, 0.9);
    const V middle(0.5, 0, -0.5);
    const V onMeasure(0.3, 0, 1.5);
    hover(top);
    EXPECT_TRUE(shot->hasState(Object3D::Highlight));
    EXPECT_EQ(data->passes, 2); // the type and the ID pass
    for (const V& point : {onMeasure, middle, V(-0.5, 0, 1.25), onMeasure, top}) {
        hover(point);
        QTest::qWait(40); // with frames drawn in between
    }
    EXPECT_TRUE(shot->hasState(Object3D::Highlight));
    QTest::mouseClick(mWidget->windowHandle(), Qt::LeftButton, Qt::NoModifier, at(top));
    EXPECT_TRUE(shot->hasState(Object3D::Selected));
    hover(onMeasure);
    EXPECT_TRUE(measure->hasState(Object3D::Highlight));
    EXPECT_FALSE(shot->hasState(Object3D::Highlight));
    EXPECT_EQ(data->passes, 2);
    // The clip box likewise: highlighting keeps the maps, its own settings clear them.
    mModel->clipBox.enableState(Object3D::Highlight);
    mModel->clipBox.disableState(Object3D::Highlight);
    hover(top);
    EXPECT_EQ(data->passes, 2);
    mModel->clipBox.setClarity(mModel->clipBox.clarity + 1.0f);
    hover(onMeasure);
    EXPECT_EQ(data->passes, 4);

    // Moved down by a unit: the next hover draws both passes again, and the old place of the
    // top row is empty.
    Matrix4x4T<double> lowered;
    lowered(2, 3) = -1.0;
    shot->setMatrix(lowered);
    hover(top);
    EXPECT_EQ(data->passes, 6);
    EXPECT_FALSE(shot->hasState(Object3D::Highlight));
    hover(middle);
    EXPECT_TRUE(shot->hasState(Object3D::Highlight));

    // Hidden: no longer found where it is drawn in the maps read before.
    shot->disableState(Object3D::Visible);
    hover(onMeasure);
    hover(middle);
    EXPECT_FALSE(shot->hasState(Object3D::Highlight));
}
