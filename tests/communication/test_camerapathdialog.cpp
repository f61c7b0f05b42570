// The camera path dialog driven through its widgets: paths and check points, going to a
// check point, playback, and the export's refusals. This test program lies in a folder without
// ffmpeg; the export that makes a movie is tested beside the main window.
#include "camerapath.h"
#include "camerapathdialog.h"
#include "camerapathmanager.h"
#include "renamedialog.h"
#include "scenestate.h"

#include "formtestutil.h"
#include "testutil.h"

#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <string>

namespace {

using formtest::answerModal;
using formtest::child;
using V = Vector3T<double>;

Camera::LookAtData FL_at(const V& iViewPoint)
{
    return {iViewPoint, iViewPoint + V(0, 1, 0), V(0, 0, 1)};
}

class CameraPathDialogTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        mDialog.setTarget(&mManager);
        mDialog.setSceneState(&mState);
        mDialog.show();
        mPaths = child<QListWidget>(&mDialog, "listWidgetPath");
        mPoints = child<QListWidget>(&mDialog, "listWidgetCheckPoint");
    }

    void TearDown() override
    {
        if (QTimer* timer = animationTimer())
            timer->stop();
    }

    QPushButton* button(const char* iName) { return child<QPushButton>(&mDialog, iName); }

    // Creates a path through the name prompt, which gets iName typed in.
    void createPath(const QString& iName)
    {
        answerModal<RenameDialog>([iName](RenameDialog* iPrompt) {
            iPrompt->findChild<QLineEdit*>("lineEdit")->setText(iName);
            iPrompt->findChild<QPushButton*>("pushButtonOK")->click();
        });
        QTest::mouseClick(button("pushButtonCreateNewPath"), Qt::LeftButton);
    }

    static void clickRow(QListWidget* iList, int iRow)
    {
        QTest::mouseClick(iList->viewport(), Qt::LeftButton, Qt::NoModifier,
                          iList->visualItemRect(iList->item(iRow)).center());
    }

    void moveCamera(const V& iViewPoint) { mState.getCamera().setLookAtData(FL_at(iViewPoint)); }

    V viewPoint()
    {
        Camera::LookAtData at;
        mState.getCamera().getLookAtData(&at);
        return at.viewPoint;
    }

    // A path "Walk" with check points at x = 0, 1 and 3 (total length 3), current.
    CameraPath* makeWalk()
    {
        createPath("Walk");
        clickRow(mPaths, mPaths->count() - 1);
        for (double x : {0.0, 1.0, 3.0}) {
            moveCamera(V(x, 0, 0));
            QTest::mouseClick(button("pushButtonAddNewCheckPoint"), Qt::LeftButton);
        }
        return mManager.getData(static_cast<int>(mManager.getObjectSetSize()) - 1);
    }

    static QTimer* animationTimer()
    {
        for (QTimer* timer : QCoreApplication::instance()->findChildren<QTimer*>())
            if (timer->interval() == 1000 / 24)
                return timer;
        return nullptr;
    }

    // The text of the message box that iAction brings up, answered with OK.
    template <typename Action>
    QString messageOf(Action iAction)
    {
        QString text;
        answerModal<QMessageBox>([&text](QMessageBox* iBox) {
            text = iBox->text();
            iBox->done(QMessageBox::Ok);
        });
        iAction();
        return text;
    }

    CameraPathManager mManager;
    SceneState mState;
    CameraPathDialog mDialog;
    QListWidget* mPaths = nullptr;
    QListWidget* mPoints = nullptr;
};

} // namespace

TEST_F(CameraPathDialogTest, PathsAndCheckPointsFollowTheCamera)
{
    EXPECT_EQ(mDialog.windowTitle(), "Camera Path");
    EXPECT_FALSE(button("pushButtonRenamePath")->isEnabled());
    EXPECT_FALSE(mPoints->isEnabled());
    EXPECT_FALSE(button("pushButtonAddNewCheckPoint")->isEnabled());
    EXPECT_FALSE(child<QSpinBox>(&mDialog, "spinBoxAnimationFPS")->isEnabled());

    createPath("Walk");
    ASSERT_EQ(mManager.getObjectSetSize(), 1u);
    EXPECT_EQ(mManager.getData(0)->getName(), "Walk");
    ASSERT_EQ(mPaths->count(), 1);
    EXPECT_EQ(mPaths->item(0)->text(), "Walk");
    // The new path is current at once.
    EXPECT_TRUE(button("pushButtonAddNewCheckPoint")->isEnabled());
    EXPECT_TRUE(button("pushButtonRenamePath")->isEnabled());

    // A click on the row selects the path, shown red in the view.
    clickRow(mPaths, 0);
    CameraPath* walk = mManager.getData(0);
    EXPECT_TRUE(walk->hasState(Object3D::Selected));

    moveCamera(V(0, 0, 0));
    QTest::mouseClick(button("pushButtonAddNewCheckPoint"), Qt::LeftButton);
    moveCamera(V(2, 0, 0));
    QTest::mouseClick(button("pushButtonAddNewCheckPoint"), Qt::LeftButton);
    ASSERT_EQ(mPoints->count(), 2);
    EXPECT_EQ(mPoints->item(1)->text(), "Check Point 1");
    EXPECT_EQ(mPoints->currentRow(), 1);
    // The last check point current: nothing to play from there.
    EXPECT_FALSE(button("pushButtonPlay")->isEnabled());
    EXPECT_TRUE(button("pushButtonExportAnimation")->isEnabled());

    // Going to a check point moves the camera; "Set" replaces it by the camera.
    clickRow(mPoints, 0);
    EXPECT_EQ(viewPoint(), V(0, 0, 0));
    EXPECT_TRUE(button("pushButtonPlay")->isEnabled());
    moveCamera(V(0, 5, 0));
    QTest::mouseClick(button("pushButtonSetCheckPoint"), Qt::LeftButton);
    Camera::LookAtData point;
    ASSERT_TRUE(walk->getPoint(0, &point));
    EXPECT_EQ(point.viewPoint, V(0, 5, 0));

    // Deleting the last point makes the one before it current.
    clickRow(mPoints, 1);
    QTest::mouseClick(button("pushButtonDeleteCheckPoint"), Qt::LeftButton);
    EXPECT_EQ(walk->getListSize(), 1);
    EXPECT_EQ(mPoints->currentRow(), 0);
    EXPECT_EQ(viewPoint(), V(0, 5, 0));
    QTest::mouseClick(button("pushButtonDeleteALLCheckPoint"), Qt::LeftButton);
    EXPECT_EQ(walk->getListSize(), 0);
    EXPECT_FALSE(button("pushButtonSetCheckPoint")->isEnabled());

    // Renaming refuses the names in use; a fresh name goes to the path and the list.
    createPath("Other");
    clickRow(mPaths, 0);
    answerModal<RenameDialog>([](RenameDialog* iPrompt) {
        iPrompt->findChild<QLineEdit*>("lineEdit")->setText("Other");
        EXPECT_FALSE(iPrompt->findChild<QPushButton*>("pushButtonOK")->isEnabled());
        iPrompt->findChild<QLineEdit*>("lineEdit")->setText("Tour");
        iPrompt->findChild<QPushButton*>("pushButtonOK")->click();
    });
    QTest::mouseClick(button("pushButtonRenamePath"), Qt::LeftButton);
    EXPECT_EQ(walk->getName(), "Tour");
    EXPECT_EQ(mPaths->item(0)->text(), "Tour");

    // Hiding forgets the current path and its selection.
    mDialog.hide();
    EXPECT_FALSE(walk->hasState(Object3D::Selected));
    mDialog.show();
    EXPECT_FALSE(button("pushButtonAddNewCheckPoint")->isEnabled());
}

// Rename follows the paths a project brings and takes away.
TEST_F(CameraPathDialogTest, ClickOnAPathReadWithTheProjectEnablesRename)
{
    mManager.addNewObject(new CameraPath);
    clickRow(mPaths, 0);
    EXPECT_TRUE(button("pushButtonRenamePath")->isEnabled());
    // A project without camera paths opened.
    mManager.clearObject();
    EXPECT_EQ(mPaths->count(), 0);
    EXPECT_FALSE(button("pushButtonRenamePath")->isEnabled());
}

TEST_F(CameraPathDialogTest, PlaybackMovesOneStepATickToTheEnd)
{
    makeWalk();
    clickRow(mPoints, 0);
    // Shown again, as the main window does on every use: still one step a tick.
    mDialog.show();
    clickRow(mPaths, 0);
    clickRow(mPoints, 0);
    QDoubleSpinBox* speed = child<QDoubleSpinBox>(&mDialog, "doubleSpinBoxAnimationSpeed");
    speed->setValue(24.0); // one unit a frame

    QSignalSpy moves(&mState.getCamera(), SIGNAL(changedValue()));
    QTest::mouseClick(button("pushButtonPlay"), Qt::LeftButton);
    QTimer* timer = animationTimer();
    ASSERT_TRUE(timer && timer->isActive());
    QSignalSpy ticks(timer, &QTimer::timeout);
    EXPECT_FALSE(mPaths->isEnabled());
    EXPECT_FALSE(button("pushButtonExportAnimation")->isEnabled());
    EXPECT_TRUE(button("pushButtonPlay")->isDown());

    // Positions 1 and 2 are shown; the step to 3, the end, fails and ends the playback.
    testutil::CoutCapture output;
    QTRY_VERIFY_WITH_TIMEOUT(!timer->isActive(), 5000);
    EXPECT_EQ(moves.count(), 2);
    EXPECT_EQ(ticks.count(), 3);
    EXPECT_EQ(viewPoint(), V(2, 0, 0));
    EXPECT_NE(output.text().find("Failed: getFrame..."), std::string::npos);
    EXPECT_TRUE(mPaths->isEnabled());
    EXPECT_FALSE(button("pushButtonPlay")->isDown());
    EXPECT_TRUE(button("pushButtonExportAnimation")->isEnabled());
}

TEST_F(CameraPathDialogTest, SpeedZeroIsRefusedForPlaybackAndExport)
{
    makeWalk();
    clickRow(mPoints, 0);
    child<QDoubleSpinBox>(&mDialog, "doubleSpinBoxAnimationSpeed")->setValue(0.0);
    const QString refusal = "The speed must be greater than 0.";
    EXPECT_EQ(messageOf([this] { QTest::mouseClick(button("pushButtonPlay"), Qt::LeftButton); }), refusal);
    EXPECT_FALSE(animationTimer() && animationTimer()->isActive());

    testutil::TempDir folder;
    formtest::answerFolder(QString::fromStdString(folder.path()));
    EXPECT_EQ(messageOf([this] { QTest::mouseClick(button("pushButtonExportAnimation"), Qt::LeftButton); }),
              refusal);
    EXPECT_TRUE(QDir(QString::fromStdString(folder.path())).isEmpty());
}

TEST_F(CameraPathDialogTest, ExportRefusesAFolderWithFilesAndAMissingFfmpeg)
{
    makeWalk();
    clickRow(mPoints, 0);
    child<QDoubleSpinBox>(&mDialog, "doubleSpinBoxAnimationSpeed")->setValue(24.0);
    testutil::TempDir folder;
    const QString path = QString::fromStdString(folder.path());
    auto exportInto = [this, path]() {
        return messageOf([this, path] {
            formtest::answerFolder(path);
            QTest::mouseClick(button("pushButtonExportAnimation"), Qt::LeftButton);
        });
    };

    // Hidden files do not count; a visible one does.
    QFile hidden(path + "/.keep");
    ASSERT_TRUE(hidden.open(QIODevice::WriteOnly));
    hidden.close();
    EXPECT_EQ(exportInto(), "ffmpeg is not in the application folder: " + QCoreApplication::applicationDirPath() +
                                "/ffmpeg");
    QFile visible(path + "/notes.txt");
    ASSERT_TRUE(visible.open(QIODevice::WriteOnly));
    visible.close();
    EXPECT_EQ(exportInto(), "Export Folder is needed to be empty.");
    EXPECT_EQ(QDir(path).entryList(QDir::Files | QDir::Hidden).size(), 2);
}
