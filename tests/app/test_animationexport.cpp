// The animation export end to end: a converted scan in the main window's view, a path of three
// check points made in the camera path dialog, PNG frames and a movie that ffprobe reads. This
// test program lies in a folder of its own that holds ffmpeg, as the application folder does.
#include "camerapath.h"
#include "camerapathdialog.h"
#include "camerapathmanager.h"
#include "global.h"
#include "mainwindow.h"
#include "pointcloudmanager.h"
#include "renamedialog.h"
#include "scene.h"
#include "scenestate.h"

#include "formtestutil.h"
#include "programtestutil.h"
#include "testutil.h"

#include <QAction>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

using testutil::appDir;
using testutil::hasDisplay;

namespace {

class AnimationExportTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!hasDisplay())
            GTEST_SKIP() << "the view needs a display";
        ASSERT_TRUE(QFileInfo(QCoreApplication::applicationDirPath() + "/ffmpeg").isExecutable())
            << "the build links ffmpeg beside this test program";

        // The sample scan through the real converter.
        const std::string scan = mDir.file("scan.zrpcd");
        QProcess kestrune;
        kestrune.start(appDir() + "/Kestrune", {QStringLiteral(SAMPLE_PTX), QString::fromStdString(scan), "4", "1"});
        ASSERT_TRUE(kestrune.waitForFinished(60000));
        std::string error;
        {
            testutil::CoutCapture quiet;
            ASSERT_TRUE(getPointCloudManager()->generateFromBinaryFile_SVO(scan, error)) << error;
        }

        mWindow = std::make_unique<MainWindow>();
        mWindow->resize(640, 480);
        mWindow->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(mWindow.get()));
        getScene()->fitView({});

        for (QAction* action : mWindow->findChildren<QAction*>())
            if (action->text() == "CameraPath...")
                action->trigger();
        mDialog = mWindow->findChild<CameraPathDialog*>();
        ASSERT_TRUE(mDialog && mDialog->isVisible());
        makePath();
    }

    void TearDown() override
    {
        mWindow.reset();
        getCameraPathManager()->clearObject();
        getPointCloudManager()->stopDataLoading();
        getPointCloudManager()->clearObject();
    }

    QPushButton* button(const char* iName) { return formtest::child<QPushButton>(mDialog, iName); }

    static void clickRow(QListWidget* iList, int iRow)
    {
        QTest::mouseClick(iList->viewport(), Qt::LeftButton, Qt::NoModifier,
                          iList->visualItemRect(iList->item(iRow)).center());
    }

    // Three check points along x from the fitted camera, 1 unit in all; check point 0 current.
    void makePath()
    {
        formtest::answerModal<RenameDialog>([](RenameDialog* iPrompt) {
            iPrompt->findChild<QLineEdit*>("lineEdit")->setText("Flight");
            iPrompt->findChild<QPushButton*>("pushButtonOK")->click();
        });
        QTest::mouseClick(button("pushButtonCreateNewPath"), Qt::LeftButton);
        QListWidget* paths = formtest::child<QListWidget>(mDialog, "listWidgetPath");
        ASSERT_EQ(paths->count(), 1);
        clickRow(paths, 0);
        Camera& camera = getSceneState()->getCamera();
        Camera::LookAtData start;
        camera.getLookAtData(&start);
        for (double x : {0.0, 0.4, 1.0}) {
            Camera::LookAtData at = start;
            at.viewPoint.x += x;
            at.lockOnPoint.x += x;
            camera.setLookAtData(at);
            QTest::mouseClick(button("pushButtonAddNewCheckPoint"), Qt::LeftButton);
        }
        clickRow(formtest::child<QListWidget>(mDialog, "listWidgetCheckPoint"), 0);
        // 0.2 a frame.
        formtest::child<QDoubleSpinBox>(mDialog, "doubleSpinBoxAnimationSpeed")->setValue(4.8);
    }

    // Exports into iFolder; the text of the message shown, if any.
    QString exportInto(const QString& iFolder)
    {
        QString text;
        formtest::answerModal<QMessageBox>([&text](QMessageBox* iBox) {
            text = iBox->text();
            iBox->done(QMessageBox::Ok);
        });
        formtest::answerFolder(iFolder);
        testutil::CoutCapture quiet;
        QTest::mouseClick(button("pushButtonExportAnimation"), Qt::LeftButton);
        // Nothing came up: the watcher gives up on its own.
        QTest::qWait(50);
        return text;
    }

    QString newFolder(const QString& iName)
    {
        const QString path = QString::fromStdString(mDir.path()) + "/" + iName;
        EXPECT_TRUE(QDir().mkpath(path));
        return path;
    }

    testutil::TempDir mDir;
    std::unique_ptr<MainWindow> mWindow;
    CameraPathDialog* mDialog = nullptr;
};

std::string ffprobe(const QString& iMovie)
{
    QProcess probe;
    probe.start("ffprobe", {"-v", "error", "-count_frames", "-select_streams", "v:0", "-show_entries",
                            "stream=codec_name,r_frame_rate,nb_read_frames", "-of", "default=nw=1", iMovie});
    probe.waitForFinished(60000);
    return probe.readAllStandardOutput().toStdString();
}

} // namespace

TEST_F(AnimationExportTest, FramesAlongThePathBecomeAnMpegMovie)
{
    // A "%" in the folder must not reach ffmpeg's frame pattern as a format.
    const QString folder = newFolder("take 100%");
    EXPECT_EQ(exportInto(folder), "");

    // Positions 0, 0.2, ... below the total length 1; summing may leave one more just below it.
    const QStringList frames = QDir(folder).entryList({"PNG_*.png"}, QDir::Files);
    ASSERT_TRUE(frames.size() == 5 || frames.size() == 6) << frames.size();
    for (int i = 0; i < frames.size(); ++i)
        EXPECT_TRUE(frames.contains(QString("PNG_%1.png").arg(i))) << i;
    const QImage first(folder + "/PNG_0.png");
    EXPECT_EQ(first.size(), mWindow->findChild<QWidget*>("widgetOpenGL")->size());
    // The path line itself is not drawn into the frames, and its visibility comes back.
    EXPECT_TRUE(getCameraPathManager()->hasState(Object3D::Visible));

    const QString movie = folder + "/Animation.mpeg";
    ASSERT_TRUE(QFile::exists(movie));
    EXPECT_EQ(ffprobe(movie), "codec_name=mpeg1video\nr_frame_rate=24/1\nnb_read_frames=" +
                                  std::to_string(frames.size()) + "\n");
    EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), frames.size() + 1);
}

TEST_F(AnimationExportTest, AFrameThatCannotBeSavedEndsTheExportWithoutAMovie)
{
    // A full disk: writes beyond a few bytes fail, for the superuser too.
    const QString full = newFolder("full");
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 64;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const QString text = exportInto(full);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(text, "Cannot save the frame: " + full + "/PNG_0.png");
    EXPECT_TRUE(QDir(full).entryList(QDir::Files | QDir::Hidden).isEmpty());

    // A folder without write permission, where that holds (not for the superuser).
    const QString readOnly = newFolder("read-only");
    QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::ExeOwner);
    if (access(readOnly.toLocal8Bit().constData(), W_OK) != 0) {
        EXPECT_EQ(exportInto(readOnly), "Cannot save the frame: " + readOnly + "/PNG_0.png");
        EXPECT_FALSE(QFile::exists(readOnly + "/Animation.mpeg"));
    }
    QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}
