// The camera dialog driven through its widgets, on the scene state's camera.
#include "cameradialog.h"

#include "camera.h"
#include "formtestutil.h"
#include "global.h"
#include "scene.h"
#include "scenestate.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

using formtest::child;
using V = Vector3T<double>;

namespace {

// Exposes how many connections the camera's signal has.
class CountingCamera : public Camera
{
public:
    int followers() const { return receivers(SIGNAL(changedValue())); }
};

void expectNear(const V& iActual, const V& iExpected)
{
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(iActual[i], iExpected[i], 1e-5) << "component " << i;
}

class CameraDialogTest : public ::testing::Test
{
protected:
    void SetUp() override { restart(); }

    // A default camera and a new dialog bound to it, not yet shown.
    void restart()
    {
        camera = &getSceneState()->getCamera();
        camera->setLookAtData({V(0, -10, 0), V(0, 0, 0), V(0, 0, 1)});
        camera->setFrustumData({0.01f, 100.0f, 30.0f});
        camera->setWorkMode(Camera::Observation);
        dialog = std::make_unique<CameraDialog>(nullptr);
        dialog->setTarget(camera);
        dialog->setScene(getScene());
    }

    V viewPoint() const
    {
        V point;
        camera->getViewPoint(&point);
        return point;
    }
    V lockOn() const
    {
        V point;
        camera->getLockOnPoint(&point);
        return point;
    }
    V upward() const
    {
        V vector;
        camera->getUpward(&vector);
        return vector;
    }
    // Shown and active, as in use: only an active window moves focus and default buttons.
    void showDialog()
    {
        dialog->show();
        QApplication::setActiveWindow(dialog.get());
    }
    QDoubleSpinBox* box(const char* iName) { return child<QDoubleSpinBox>(dialog.get(), iName); }
    QPushButton* button(const char* iName) { return child<QPushButton>(dialog.get(), iName); }
    void click(const char* iName) { QTest::mouseClick(button(iName), Qt::LeftButton); }
    void openPage(int iIndex)
    {
        QTabBar* bar = child<QTabWidget>(dialog.get(), "tabWidget")->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(iIndex).center());
    }

    Camera* camera = nullptr;
    std::unique_ptr<CameraDialog> dialog;
};

} // namespace

TEST_F(CameraDialogTest, ShowingFillsTheBoxesWithoutChangingTheCamera)
{
    camera->setLookAtData({V(1.23456, -10.98765, 20000), V(0.00049, 0, 0), V(0, 0, 1)});
    camera->setFrustumData({0.01f, 123.45678f, 95.0f});
    camera->setWorkMode(7); // no item for it
    Camera::LookAtData before;
    camera->getLookAtData(&before);
    QSignalSpy changed(camera, SIGNAL(changedValue()));
    showDialog();

    EXPECT_EQ(changed.count(), 0);
    Camera::LookAtData after;
    camera->getLookAtData(&after);
    EXPECT_EQ(after.viewPoint, before.viewPoint);
    EXPECT_EQ(after.lockOnPoint, before.lockOnPoint);
    int mode = 0;
    camera->getWorkMode(&mode);
    EXPECT_EQ(mode, 7);
    EXPECT_EQ(child<QComboBox>(dialog.get(), "comboBoxWorkMode")->currentIndex(), -1);
    EXPECT_EQ(box("doubleSpinBoxViewPointX")->value(), 1.235);
    EXPECT_EQ(box("doubleSpinBoxViewPointZ")->value(), 10000.0);
    EXPECT_EQ(box("doubleSpinBoxProjectionFar")->value(), 123.457);
    EXPECT_EQ(box("doubleSpinBoxProjectionDegree")->value(), 89.9);

    // First opening: the alignment page and the initial step, animation and mode widgets.
    EXPECT_EQ(dialog->windowTitle(), QString("Camera"));
    EXPECT_EQ(child<QTabWidget>(dialog.get(), "tabWidget")->currentIndex(), 2);
    EXPECT_TRUE(child<QCheckBox>(dialog.get(), "checkBoxEnableAnimation")->isChecked());
    QComboBox* frames = child<QComboBox>(dialog.get(), "comboBoxAnimationFrame");
    ASSERT_EQ(frames->count(), 3);
    EXPECT_EQ(frames->currentText(), QString("30"));
    EXPECT_EQ(frames->itemText(2), QString("90"));
    EXPECT_EQ(box("doubleSpinBoxTranslation")->value(), 0.5);
    EXPECT_EQ(box("doubleSpinBoxRotation")->value(), 15.0);
}

TEST_F(CameraDialogTest, TypedValuesReachTheCamera)
{
    camera->setViewPoint(V(0, -10.00004, 0.00004));
    showDialog();
    openPage(0);
    // Far comes back from the camera as a float; the refresh must not disturb the typing.
    formtest::typeValue(box("doubleSpinBoxProjectionFar"), "1.15");
    formtest::typeValue(box("doubleSpinBoxProjectionNear"), "200");
    formtest::typeValue(box("doubleSpinBoxProjectionDegree"), "45.5");
    float far = 0, near = 0, degree = 0;
    camera->getFar(&far);
    camera->getNear(&near);
    camera->getDegree(&degree);
    EXPECT_EQ(far, 1.15f);
    EXPECT_EQ(near, 200.0f); // beyond far, passed on as typed
    EXPECT_EQ(degree, 45.5f);

    // One coordinate replaced; the others are the camera's, not the rounded boxes'.
    formtest::typeValue(box("doubleSpinBoxViewPointX"), "3");
    EXPECT_EQ(viewPoint(), V(3, -10.00004, 0.00004));
    formtest::typeValue(box("doubleSpinBoxRegardPointZ"), "-2.5");
    EXPECT_EQ(lockOn(), V(0, 0, -2.5));

    const V up = upward();
    formtest::typeValue(box("doubleSpinBoxUpwardY"), "5");
    EXPECT_EQ(upward(), up);
}

TEST_F(CameraDialogTest, FollowsTheCameraOnlyWhileVisible)
{
    showDialog();
    camera->setViewPoint(V(1, -10, 0));
    EXPECT_EQ(box("doubleSpinBoxViewPointX")->value(), 1.0);
    camera->setWorkMode(Camera::WalkThrough);
    QComboBox* mode = child<QComboBox>(dialog.get(), "comboBoxWorkMode");
    EXPECT_EQ(mode->currentText(), QString("WalkThrough"));

    dialog->hide();
    camera->setLockOnPoint(V(0, 0, 4));
    camera->setWorkMode(Camera::Observation);
    EXPECT_EQ(box("doubleSpinBoxRegardPointZ")->value(), 0.0);
    EXPECT_EQ(mode->currentIndex(), 1);

    showDialog();
    EXPECT_EQ(box("doubleSpinBoxRegardPointZ")->value(), 4.0);
    EXPECT_EQ(mode->currentIndex(), 0);
}

TEST_F(CameraDialogTest, RepeatedShowsFollowOnceAndANewTargetReplacesTheOld)
{
    CountingCamera first, second;
    const int idle = first.followers();
    dialog->setTarget(&first);
    showDialog();
    const int following = first.followers();
    EXPECT_GT(following, idle);
    showDialog();
    EXPECT_EQ(first.followers(), following);

    second.setFar(55);
    dialog->setTarget(&second);
    EXPECT_EQ(first.followers(), idle);
    EXPECT_EQ(second.followers(), following);
    EXPECT_EQ(box("doubleSpinBoxProjectionFar")->value(), 55.0);
    dialog->hide();
    EXPECT_EQ(second.followers(), idle);
    dialog->setTarget(camera);
}

TEST_F(CameraDialogTest, WorkModeBoxSetsOnlyTheMode)
{
    showDialog();
    openPage(1);
    QComboBox* mode = child<QComboBox>(dialog.get(), "comboBoxWorkMode");
    mode->setFocus();
    QSignalSpy changed(camera, SIGNAL(changedValue()));
    QTest::keyClick(mode, Qt::Key_Up); // already the first item
    EXPECT_EQ(changed.count(), 0);
    QTest::keyClick(mode, Qt::Key_Down);
    int value = 0;
    camera->getWorkMode(&value);
    EXPECT_EQ(value, Camera::WalkThrough);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(viewPoint(), V(0, -10, 0));
}

TEST_F(CameraDialogTest, StepButtonsMoveAndTurnByTheSteps)
{
    showDialog();
    openPage(1);
    click("pushButtonTranslationUp"); // 0.5 along upward, eye only
    EXPECT_EQ(viewPoint(), V(0, -10, 0.5));
    EXPECT_EQ(lockOn(), V(0, 0, 0));
    EXPECT_EQ(box("doubleSpinBoxViewPointZ")->value(), 0.5);

    restart();
    showDialog();
    openPage(1);
    // Confirmed with Return, which must press no button of the page.
    formtest::typeValue(box("doubleSpinBoxTranslation"), "100");
    EXPECT_EQ(viewPoint(), V(0, -10, 0));
    click("pushButtonTranslationPlus"); // stops at the near distance
    expectNear(viewPoint(), V(0, -double(0.01f), 0));
    camera->setViewPoint(V(0, -10, 0));
    camera->setWorkMode(Camera::WalkThrough);
    formtest::typeValue(box("doubleSpinBoxTranslation"), "2");
    click("pushButtonTranslationRight"); // eye and lock-on point together
    EXPECT_EQ(viewPoint(), V(2, -10, 0));
    EXPECT_EQ(lockOn(), V(2, 0, 0));

    restart();
    showDialog();
    openPage(1);
    formtest::typeValue(box("doubleSpinBoxRotation"), "30");
    click("pushButtonRotationUp"); // the eye goes down round the lock-on point
    const double c = std::cos(30 / 180.0 * 3.141592), s = std::sin(30 / 180.0 * 3.141592);
    expectNear(viewPoint(), V(0, -10 * c, -10 * s));
    expectNear(upward(), V(0, -s, c));
    camera->setLookAtData({V(0, -10, 0), V(0, 0, 0), V(0, 0, 1)});
    formtest::typeValue(box("doubleSpinBoxRotation"), "90");
    click("pushButtonRotationLeft");
    expectNear(viewPoint(), V(10, 0, 0));
    click("pushButtonRotationPlus"); // roll about the view (-1, 0, 0)
    expectNear(upward(), V(0, 1, 0));
    expectNear(viewPoint(), V(10, 0, 0));

    // Zero steps change nothing.
    camera->setLookAtData({V(0, -10, 0), V(0, 0, 0), V(0, 0, 1)});
    formtest::typeValue(box("doubleSpinBoxTranslation"), "0");
    formtest::typeValue(box("doubleSpinBoxRotation"), "0");
    QSignalSpy changed(camera, SIGNAL(changedValue()));
    for (const char* name : {"pushButtonTranslationUp", "pushButtonTranslationDown", "pushButtonTranslationLeft",
                             "pushButtonTranslationRight", "pushButtonRotationUp", "pushButtonRotationDown",
                             "pushButtonRotationLeft", "pushButtonRotationRight", "pushButtonRotationPlus",
                             "pushButtonRotationMinus"})
        click(name);
    EXPECT_EQ(changed.count(), 0);
}

TEST_F(CameraDialogTest, AxisButtonsTurnAtOnceOrAnimated)
{
    showDialog();
    formtest::clickCheckBox(child<QCheckBox>(dialog.get(), "checkBoxEnableAnimation"));
    QSignalSpy changed(camera, SIGNAL(changedValue()));
    click("pushButtonSetUpwardXP"); // parallel to the right axis: refused
    click("pushButtonSetRightwardZP"); // parallel to upward: refused
    EXPECT_EQ(changed.count(), 0);
    click("pushButtonSetUpwardYP"); // a view from above, +Y up
    EXPECT_EQ(viewPoint(), V(0, 0, 10));
    EXPECT_EQ(lockOn(), V(0, 0, 0));
    EXPECT_EQ(upward(), V(0, 1, 0));
    EXPECT_EQ(box("doubleSpinBoxViewPointZ")->value(), 10.0);

    restart();
    showDialog();
    QSignalSpy frames(getScene(), SIGNAL(changedNow()));
    click("pushButtonSetUpwardZP"); // the current upward: unchanged states
    EXPECT_EQ(frames.count(), 31);
    EXPECT_EQ(viewPoint(), V(0, -10, 0));
    QComboBox* count = child<QComboBox>(dialog.get(), "comboBoxAnimationFrame");
    count->setFocus();
    QTest::keyClick(count, Qt::Key_Down);
    EXPECT_EQ(count->currentText(), QString("60"));
    click("pushButtonSetRightwardXM"); // the boxes follow the turn
    EXPECT_EQ(frames.count(), 31 + 61);
    expectNear(viewPoint(), V(0, 10, 0));
    expectNear(upward(), V(0, 0, 1));
    EXPECT_EQ(box("doubleSpinBoxViewPointY")->value(), 10.0);
}
