// The point cloud panels and dialogs driven through their widgets, over shots written at test
// time; the edit dialog runs a stand-in editor that records its arguments.
#include "bestfitdialog.h"
#include "pointcloud.h"
#include "pointcloudeditdialog.h"
#include "pointcloudform.h"
#include "pointcloudinterface.h"
#include "pointcloudmanager.h"
#include "pointcloudmanagerform.h"
#include "renamedialog.h"
#include "../scene/gridshot.h"
#include "formtestutil.h"
#include "programtestutil.h"
#include "shotfixture.h"
#include "testutil.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QCoreApplication>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace {

using testutil::CoutCapture;
using testutil::TempDir;
using V = Vector3T<double>;

template <typename T>
T* FL_child(QWidget* iForm, const char* iName)
{
    return formtest::child<T>(iForm, iName);
}

using formtest::answerColor;
using formtest::answerModal;
using formtest::buttonColor;

// A manager over shots made from octree point files in a fresh folder.
class ShotsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CoutCapture quiet;
        ASSERT_TRUE(shotfixture::writeZRPCD(mDir.file("a.zrpcd"), shotfixture::makeData()));
        ASSERT_TRUE(shotfixture::writeZRPCD(mDir.file("b.zrpcd"), shotfixture::makeData()));
    }

    PointCloud* addShot(const std::string& iFile, const std::string& iName)
    {
        CoutCapture quiet;
        std::string error;
        EXPECT_TRUE(mManager.generateFromBinaryFile_SVO(mDir.file(iFile), error)) << error;
        PointCloud* shot = mManager.getData(static_cast<int>(mManager.getObjectSetSize()) - 1);
        if (shot)
            shot->setName(iName);
        return shot;
    }

    static PointCloudSVOInterface* octree(PointCloud* iShot)
    {
        return iShot->getPointCloud() ? iShot->getPointCloud()->getSVOInterface() : nullptr;
    }

    static void load(PointCloud* iShot)
    {
        CoutCapture quiet;
        std::string error;
        ASSERT_NE(octree(iShot), nullptr);
        // The whole file, so that a base read again afterwards tells by its depth.
        ASSERT_TRUE(octree(iShot)->loadSVO(error)) << error;
        ASSERT_NE(octree(iShot)->getTreeDepth(), -1);
    }

    TempDir mDir;
    PointCloudManager mManager;
};

// ---- best fit dialog -----------------------------------------------------------------------

class BestFitDialogTest : public ShotsTest
{
protected:
    void SetUp() override
    {
        ShotsTest::SetUp();
        mDialog = std::make_unique<BestFitDialog>();
        base = FL_child<QComboBox>(mDialog.get(), "comboBoxBaseShot");
        target = FL_child<QComboBox>(mDialog.get(), "comboBoxTargetShot");
        length = FL_child<QDoubleSpinBox>(mDialog.get(), "doubleSpinBoxFindLengthMax");
        pitch = FL_child<QSpinBox>(mDialog.get(), "spinBoxSamplingPitch");
        loop = FL_child<QSpinBox>(mDialog.get(), "spinBoxLoopMax");
        tolerance = FL_child<QDoubleSpinBox>(mDialog.get(), "doubleSpinBoxTolerance");
        execute = FL_child<QPushButton>(mDialog.get(), "pushButtonExecute");
    }

    void TearDown() override { mDialog.reset(); }

    void expectLists(const QStringList& iNames, int iBase, int iTarget, bool iExecute)
    {
        for (QComboBox* box : {base, target}) {
            QStringList names;
            for (int i = 0; i < box->count(); ++i)
                names << box->itemText(i);
            EXPECT_EQ(names, iNames) << box->objectName().toStdString();
            EXPECT_EQ(box->isEnabled(), !iNames.isEmpty()) << box->objectName().toStdString();
        }
        EXPECT_EQ(base->currentIndex(), iBase);
        EXPECT_EQ(target->currentIndex(), iTarget);
        EXPECT_EQ(execute->isEnabled(), iExecute);
    }

    // Clicks Execute; the text of the message box that comes up, answered.
    QString executeToBox()
    {
        QString text;
        answerModal<QMessageBox>([&text](QMessageBox* iBox) { text = iBox->text(); iBox->done(QMessageBox::Ok); });
        QTest::mouseClick(execute, Qt::LeftButton);
        return text;
    }

    std::unique_ptr<BestFitDialog> mDialog;
    QComboBox* base = nullptr;
    QComboBox* target = nullptr;
    QDoubleSpinBox* length = nullptr;
    QSpinBox* pitch = nullptr;
    QSpinBox* loop = nullptr;
    QDoubleSpinBox* tolerance = nullptr;
    QPushButton* execute = nullptr;
};

TEST_F(BestFitDialogTest, DefaultRun)
{
    EXPECT_EQ(length->value(), 1.0);
    EXPECT_EQ(pitch->value(), 10);
    EXPECT_EQ(loop->value(), 1);
    EXPECT_EQ(tolerance->value(), 0.0);
    // The fit needs a pitch and a loop count of at least 1.
    EXPECT_EQ(pitch->minimum(), 1);
    EXPECT_EQ(loop->minimum(), 1);
}

TEST_F(BestFitDialogTest, ListsFollowTheShotNamesWhileVisible)
{
    mDialog->setTarget(&mManager);
    mDialog->show();
    expectLists({}, -1, -1, false);

    PointCloud* first = addShot("a.zrpcd", "first");
    expectLists({"first"}, 0, 0, false);
    PointCloud* second = addShot("b.zrpcd", "second");
    expectLists({"first", "second"}, 0, 0, false);

    target->setCurrentIndex(1);
    expectLists({"first", "second"}, 0, 1, true);
    base->setCurrentIndex(1);
    EXPECT_FALSE(execute->isEnabled());
    base->setCurrentIndex(0);
    EXPECT_TRUE(execute->isEnabled());

    // Value changes that leave the names keep the choice; a rename rebuilds both lists.
    second->setColor(Color(1, 2, 3, 255));
    first->setPosition(V(1, 2, 3));
    expectLists({"first", "second"}, 0, 1, true);
    second->setName("renamed");
    expectLists({"first", "renamed"}, 0, 0, false);

    // Hidden, the dialog does not follow; showing catches up.
    mDialog->hide();
    addShot("a.zrpcd", "third");
    expectLists({"first", "renamed"}, 0, 0, false);
    mDialog->show();
    mDialog->show();
    expectLists({"first", "renamed", "third"}, 0, 0, false);

    mManager.deleteObject(first);
    expectLists({"renamed", "third"}, 0, 0, false);
    mManager.clearObject();
    expectLists({}, -1, -1, false);
}

TEST_F(BestFitDialogTest, ExecuteHandsTheChosenShotsAndParametersToTheFitAndShowsWhyItStops)
{
    addShot("a.zrpcd", "fixed");
    addShot("b.zrpcd", "moved");
    mDialog->setTarget(&mManager);
    mDialog->show();
    target->setCurrentIndex(1);
    length->setValue(2.5);
    pitch->setValue(3);
    loop->setValue(7);
    tolerance->setValue(0.25);

    const std::vector<std::string> head{"*** BestFit Parameter ***", "Base: fixed", "Target: moved",
                                        "Find Length Max: 2.5", "Loop Max: 7", "Tolerance: 0.25",
                                        "Index Pitch: 3"};
    {
        CoutCapture capture;
        // Shots of octree point files have no point matrix: the box says so, the report too.
        EXPECT_EQ(executeToBox(), "This shot has no point matrix: fixed\nBest fit registers only shots imported "
                                  "from point-matrix files (.zrpmd), which Kestrune writes when its output file is "
                                  "named .zrpmd.");
        const std::vector<std::string> lines = capture.lines();
        ASSERT_GE(lines.size(), head.size());
        EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + head.size()), head);
        EXPECT_EQ(lines.back(), "Bad Condition: base has no point matrix");
    }
    EXPECT_TRUE(mDialog->isVisible());

    base->setCurrentIndex(1);
    target->setCurrentIndex(0);
    {
        CoutCapture capture;
        executeToBox();
        const std::vector<std::string> lines = capture.lines();
        ASSERT_GE(lines.size(), 3u);
        EXPECT_EQ(lines[1], "Base: moved");
        EXPECT_EQ(lines[2], "Target: fixed");
    }

    // Invoked without the button, one shot twice or no manager starts nothing.
    target->setCurrentIndex(1);
    {
        CoutCapture capture;
        QMetaObject::invokeMethod(mDialog.get(), "execute");
        BestFitDialog idle;
        QMetaObject::invokeMethod(&idle, "execute");
        EXPECT_EQ(capture.text(), "");
    }
}

// ---- point cloud edit dialog ---------------------------------------------------------------

// Runs the stand-in editor and keeps the messages instead of showing them.
class StandInEditDialog : public PointCloudEditDialog
{
public:
    QString defaultProgramPath() const { return PointCloudEditDialog::getProgramPath(); }

    QString program = QStringLiteral(BRENMOOR_STANDIN_PATH);
    QStringList errors;

protected:
    QString getProgramPath() const override { return program; }
    void showProcessError(const QString& iMessage) override { errors << iMessage; }
};

// Shows its messages in the real box.
class BoxEditDialog : public PointCloudEditDialog
{
public:
    QString program;

protected:
    QString getProgramPath() const override { return program; }
};

class EditDialogTest : public ShotsTest
{
protected:
    void SetUp() override
    {
        ShotsTest::SetUp();
        mRecord = mDir.file("record.txt");
        qputenv("BRENMOOR_STANDIN_RECORD", QByteArray::fromStdString(mRecord));
        mDialog = std::make_unique<StandInEditDialog>();
        shots = FL_child<QComboBox>(mDialog.get(), "comboBoxShot");
        file = FL_child<QLineEdit>(mDialog.get(), "lineEditPointCloud");
        edit = FL_child<QPushButton>(mDialog.get(), "pushButtonEdit");
    }

    void TearDown() override
    {
        mDialog.reset();
        qunsetenv("BRENMOOR_STANDIN_RECORD");
        qunsetenv("BRENMOOR_STANDIN_CRASH");
    }

    QStringList names() const
    {
        QStringList out;
        for (int i = 0; i < shots->count(); ++i)
            out << shots->itemText(i);
        return out;
    }

    std::string record() const { return testutil::readFile(mRecord); }
    std::string recordLine(const std::string& iFile) const { return "1\t" + mDir.file(iFile) + "\n"; }

    std::string mRecord;
    std::unique_ptr<StandInEditDialog> mDialog;
    QComboBox* shots = nullptr;
    QLineEdit* file = nullptr;
    QPushButton* edit = nullptr;
};

TEST_F(EditDialogTest, ProgramBesideTheApplication)
{
    EXPECT_FALSE(file->isEnabled());
    EXPECT_EQ(mDialog->defaultProgramPath(), QCoreApplication::applicationDirPath() + "/Brenmoor");
}

TEST_F(EditDialogTest, ListFollowsTheShotsWhileVisible)
{
    mDialog->setTarget(&mManager);
    mDialog->setFolderPath(mDir.path());
    mDialog->show();
    EXPECT_EQ(names(), QStringList());
    EXPECT_FALSE(shots->isEnabled());
    EXPECT_FALSE(edit->isEnabled());
    EXPECT_EQ(file->text(), "");

    PointCloud* one = addShot("a.zrpcd", "one");
    EXPECT_EQ(shots->count(), 1);
    addShot("b.zrpcd", "two");
    addShot("a.zrpcd", "three");
    EXPECT_EQ(shots->count(), 3);
    // The list follows the structure only; the names given after each addition show from the
    // next rebuild on.
    mDialog->hide();
    mDialog->show();
    EXPECT_EQ(names(), (QStringList{"one", "two", "three"}));
    EXPECT_TRUE(shots->isEnabled());
    EXPECT_EQ(shots->currentIndex(), 0);
    EXPECT_TRUE(edit->isEnabled());
    EXPECT_EQ(file->text(), "a.zrpcd");

    // The file line names the shot that Edit would open.
    shots->setCurrentIndex(1);
    EXPECT_EQ(file->text(), "b.zrpcd");

    mDialog->hide();
    addShot("b.zrpcd", "four");
    EXPECT_EQ(names(), (QStringList{"one", "two", "three"}));
    mDialog->show();
    EXPECT_EQ(names(), (QStringList{"one", "two", "three", "four"}));

    mManager.deleteObject(one);
    EXPECT_EQ(names(), (QStringList{"two", "three", "four"}));
    EXPECT_EQ(file->text(), "b.zrpcd");
    mManager.clearObject();
    EXPECT_EQ(names(), QStringList());
    EXPECT_FALSE(shots->isEnabled());
    EXPECT_FALSE(edit->isEnabled());
    EXPECT_EQ(file->text(), "");
}

TEST_F(EditDialogTest, EditRunsTheEditorOnceAndDropsTheDataOfItsFile)
{
    PointCloud* one = addShot("a.zrpcd", "one");
    PointCloud* two = addShot("b.zrpcd", "two");
    PointCloud* three = addShot("a.zrpcd", "three");
    for (PointCloud* shot : {one, two, three})
        load(shot);
    three->disableState(Object3D::Visible);

    mDialog->setTarget(&mManager);
    mDialog->setFolderPath(mDir.path());
    // A second show of the visible dialog must not make a click run the editor twice.
    mDialog->show();
    mDialog->show();
    shots->setCurrentIndex(2);
    EXPECT_EQ(file->text(), "a.zrpcd");

    QSignalSpy oneVisible(one, SIGNAL(changedState_Visible()));
    QSignalSpy threeVisible(three, SIGNAL(changedState_Visible()));
    edit->click();
    EXPECT_EQ(record(), recordLine("a.zrpcd"));
    EXPECT_TRUE(mDialog->errors.isEmpty());
    EXPECT_EQ(octree(one)->getTreeDepth(), -1);
    EXPECT_NE(octree(two)->getTreeDepth(), -1);
    EXPECT_EQ(octree(three)->getTreeDepth(), -1);
    // Only the chosen shot is toggled, and it ends as it was.
    EXPECT_EQ(oneVisible.count(), 0);
    EXPECT_EQ(threeVisible.count(), 2);
    EXPECT_FALSE(three->hasState(Object3D::Visible));
    EXPECT_TRUE(one->hasState(Object3D::Visible));

    load(one);
    shots->setCurrentIndex(1);
    QSignalSpy twoVisible(two, SIGNAL(changedState_Visible()));
    edit->click();
    EXPECT_EQ(record(), recordLine("a.zrpcd") + recordLine("b.zrpcd"));
    EXPECT_NE(octree(one)->getTreeDepth(), -1);
    EXPECT_EQ(octree(two)->getTreeDepth(), -1);
    EXPECT_EQ(twoVisible.count(), 2);
    EXPECT_TRUE(two->hasState(Object3D::Visible));

    // Hidden, the dialog is not wired to its button.
    mDialog->hide();
    edit->click();
    EXPECT_EQ(record(), recordLine("a.zrpcd") + recordLine("b.zrpcd"));
}

// The real editor, driven as a user drives it: fit, a rectangle dragged with Shift held over
// the middle of the grid, Delete, Save, Quit. The shot then reloads with fewer points.
TEST_F(EditDialogTest, TheEditorDeletesPointsAndTheShotReloadsThem)
{
    if (!testutil::hasDisplay() || std::system("command -v xdotool >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "needs a display and xdotool";
    ASSERT_TRUE(gridshot::write(mDir.file("g.zrpcd")));
    PointCloud* grid = addShot("g.zrpcd", "grid");
    load(grid);
    const int before = grid->getPointCloud()->getPointNumber();
    ASSERT_EQ(before, 21 * 21);

    // A display of its own for the editor, so that no window of another test takes its keys.
    QProcess display;
    display.start("Xvfb", {"-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"});
    ASSERT_TRUE(display.waitForStarted(10000));
    ASSERT_TRUE(display.waitForReadyRead(10000));
    const QByteArray number = display.readAllStandardOutput().trimmed();
    ASSERT_FALSE(number.isEmpty());
    const QByteArray ownDisplay = qgetenv("DISPLAY");
    qputenv("DISPLAY", ":" + number);

    // Messages are kept, not shown in a box that would wait for an answer.
    StandInEditDialog& dialog = *mDialog;
    dialog.program = testutil::appDir() + "/Brenmoor";
    dialog.setTarget(&mManager);
    dialog.setFolderPath(mDir.path());
    dialog.show();
    // The editor's own leaks at exit are not this test's subject.
    const QByteArray asanOptions = qgetenv("ASAN_OPTIONS");
    qputenv("ASAN_OPTIONS", asanOptions + (asanOptions.isEmpty() ? "" : ":") + "detect_leaks=0");
    const std::string target = mDir.file("g.zrpcd");
    std::thread user([&dialog, &target]() {
        const std::string script =
            "timeout 60 xdotool search --sync --onlyvisible --name '^g.zrpcd$' windowfocus %1 sleep 1 key f sleep 1 "
            "mousemove --window %1 450 250 keydown shift mousedown 1 mousemove --window %1 600 400 "
            "mousemove --window %1 750 550 mouseup 1 keyup shift key Delete key ctrl+s sleep 1 key ctrl+q";
        std::system((script + " >/dev/null 2>&1").c_str());
        // An editor that did not quit is ended, so that the test cannot hang.
        std::system(("sleep 5; pkill -f '" + dialog.program.toStdString() + " " + target + "'").c_str());
    });
    {
        CoutCapture quiet;
        edit->click();
    }
    user.join();
    qputenv("ASAN_OPTIONS", asanOptions);
    qputenv("DISPLAY", ownDisplay);
    EXPECT_TRUE(dialog.errors.isEmpty()) << dialog.errors.join("; ").toStdString();
    display.kill();
    display.waitForFinished(10000);
    EXPECT_EQ(octree(grid)->getTreeDepth(), -1);
    load(grid);
    const int after = grid->getPointCloud()->getPointNumber();
    EXPECT_GT(after, 0);
    EXPECT_LT(after, before);
}

// An open panel shows the point number of the file as the editor left it.
TEST_F(EditDialogTest, OpenPanelsShowThePointNumberOfTheEditedFile)
{
    std::unique_ptr<QWidget> panel(addShot("a.zrpcd", "one")->createUI());
    panel->show();
    QLineEdit* points = FL_child<QLineEdit>(panel.get(), "lineEditPointNumber");
    ASSERT_EQ(points->text(), "5");
    mDialog->setTarget(&mManager);
    mDialog->setFolderPath(mDir.path());
    mDialog->show();
    ASSERT_TRUE(gridshot::write(mDir.file("a.zrpcd"))); // the edit, which the stand-in leaves to us
    QTest::mouseClick(edit, Qt::LeftButton);
    EXPECT_EQ(points->text(), "441");
}

TEST_F(EditDialogTest, FailedRunsAreReportedAndStillReload)
{
    PointCloud* one = addShot("a.zrpcd", "one");
    load(one);
    mDialog->setTarget(&mManager);
    mDialog->setFolderPath(mDir.path());
    mDialog->show();

    mDialog->program = QString::fromStdString(mDir.file("missing/Brenmoor"));
    edit->click();
    ASSERT_EQ(mDialog->errors.size(), 1);
    EXPECT_EQ(mDialog->errors[0], "Cannot start the program: " + mDialog->program);
    EXPECT_EQ(octree(one)->getTreeDepth(), -1);
    EXPECT_EQ(record(), "");

    load(one);
    mDialog->program = QStringLiteral(BRENMOOR_STANDIN_PATH);
    qputenv("BRENMOOR_STANDIN_CRASH", "1");
    edit->click();
    EXPECT_EQ(record(), recordLine("a.zrpcd"));
    ASSERT_EQ(mDialog->errors.size(), 2);
    EXPECT_EQ(mDialog->errors[1], "The program ended abnormally: " + mDialog->program);
    EXPECT_EQ(octree(one)->getTreeDepth(), -1);
}

TEST_F(EditDialogTest, PointMatrixShotsAreRefusedWithAMessage)
{
    {
        CoutCapture quiet;
        ASSERT_TRUE(shotfixture::writeZRPMD(mDir.file("m.zrpmd"), shotfixture::makeData()));
    }
    PointCloud* matrix = addShot("m.zrpmd", "matrix");
    load(matrix);
    mDialog->setTarget(&mManager);
    mDialog->setFolderPath(mDir.path());
    mDialog->show();
    edit->click();
    EXPECT_EQ(record(), "");
    ASSERT_EQ(mDialog->errors.size(), 1);
    EXPECT_EQ(mDialog->errors[0], "Only shots of octree point files (.zrpcd) can be edited: m.zrpmd");
    EXPECT_TRUE(octree(matrix)->hasPointData());
}

TEST_F(EditDialogTest, NothingRunsWithoutAChosenShot)
{
    mDialog->setFolderPath(mDir.path());
    mDialog->show();
    QMetaObject::invokeMethod(mDialog.get(), "executeEditProcess");
    mDialog->setTarget(&mManager);
    QMetaObject::invokeMethod(mDialog.get(), "executeEditProcess");
    EXPECT_EQ(record(), "");
    EXPECT_TRUE(mDialog->errors.isEmpty());
}

TEST_F(EditDialogTest, StartFailureShowsAMessageBox)
{
    addShot("a.zrpcd", "one");
    BoxEditDialog dialog;
    dialog.program = QString::fromStdString(mDir.file("missing/Brenmoor"));
    dialog.setTarget(&mManager);
    dialog.setFolderPath(mDir.path());
    dialog.show();
    QString text;
    answerModal<QMessageBox>([&text](QMessageBox* iBox) {
        text = iBox->text();
        iBox->done(QMessageBox::Ok);
    });
    FL_child<QPushButton>(&dialog, "pushButtonEdit")->click();
    EXPECT_EQ(text, "Cannot start the program: " + dialog.program);
}

// ---- point cloud form ----------------------------------------------------------------------

class PointCloudFormTest : public ShotsTest
{
protected:
    void SetUp() override
    {
        ShotsTest::SetUp();
        mShot = addShot("a.zrpcd", "scan 1");
        ASSERT_NE(mShot, nullptr);
        mForm.reset(qobject_cast<PointCloudForm*>(mShot->createUI()));
        ASSERT_NE(mForm, nullptr);
        name = FL_child<QLineEdit>(mForm.get(), "lineEditName");
        rename = FL_child<QToolButton>(mForm.get(), "toolButtonRename");
        visible = FL_child<QCheckBox>(mForm.get(), "checkBoxVisible");
        x = FL_child<QDoubleSpinBox>(mForm.get(), "doubleSpinBoxPositionX");
        y = FL_child<QDoubleSpinBox>(mForm.get(), "doubleSpinBoxPositionY");
        z = FL_child<QDoubleSpinBox>(mForm.get(), "doubleSpinBoxPositionZ");
        attitude = FL_child<QTableView>(mForm.get(), "tableViewAttitude");
        file = FL_child<QLineEdit>(mForm.get(), "lineEditPointCloudFile");
        points = FL_child<QLineEdit>(mForm.get(), "lineEditPointNumber");
    }

    void TearDown() override { mForm.reset(); }

    double cell(int r, int c) const
    {
        return attitude->model()->data(attitude->model()->index(r, c), Qt::EditRole).toDouble();
    }

    static Matrix4x4T<double> turned(double iTx, double iTy, double iTz)
    {
        Matrix4x4T<double> m = Matrix4x4T<double>::identity();
        m(0, 0) = 0.0, m(0, 1) = -1.0, m(1, 0) = 1.0, m(1, 1) = 0.0, m(2, 2) = 2.0;
        m(0, 3) = iTx, m(1, 3) = iTy, m(2, 3) = iTz;
        return m;
    }

    PointCloud* mShot = nullptr;
    std::unique_ptr<PointCloudForm> mForm;
    QLineEdit* name = nullptr;
    QToolButton* rename = nullptr;
    QCheckBox* visible = nullptr;
    QDoubleSpinBox* x = nullptr;
    QDoubleSpinBox* y = nullptr;
    QDoubleSpinBox* z = nullptr;
    QTableView* attitude = nullptr;
    QLineEdit* file = nullptr;
    QLineEdit* points = nullptr;
};

TEST_F(PointCloudFormTest, ShowingFillsWithoutWritingBack)
{
    mShot->setMatrix(turned(1234.56789, -2.0004, 0.12345));
    mShot->setColor(Color(10, 20, 30, 255));
    QSignalSpy changes(mShot, SIGNAL(changedValue()));
    mForm->show();
    EXPECT_EQ(changes.count(), 0);
    EXPECT_EQ(mShot->getMatrix(), turned(1234.56789, -2.0004, 0.12345));

    EXPECT_EQ(name->text(), "scan 1");
    EXPECT_EQ(file->text(), "a.zrpcd");
    EXPECT_EQ(points->text(), "5");
    EXPECT_TRUE(visible->isChecked());
    EXPECT_EQ(buttonColor(mForm.get(), "pushButtonColor"), QColor(10, 20, 30));
    EXPECT_EQ(x->value(), 1000.0);
    EXPECT_DOUBLE_EQ(y->value(), -2.0);
    EXPECT_DOUBLE_EQ(z->value(), 0.123);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(cell(r, c), turned(0, 0, 0)(r, c)) << r << " " << c;

    // One box edited: the others' axes come from the shot, not from the rounded boxes.
    y->setValue(3.5);
    V position;
    mShot->getPosition(&position);
    EXPECT_EQ(position.x, 1234.56789);
    EXPECT_EQ(position.y, 3.5);
    EXPECT_EQ(position.z, 0.12345);
}

TEST_F(PointCloudFormTest, FollowsTheShotWhileVisibleAndEditsIt)
{
    mForm->show();
    mForm->show();
    mShot->setMatrix(turned(1.5, -2.25, 7.0));
    EXPECT_EQ(x->value(), 1.5);
    EXPECT_EQ(y->value(), -2.25);
    EXPECT_EQ(z->value(), 7.0);
    EXPECT_EQ(cell(0, 1), -1.0);
    EXPECT_EQ(cell(2, 2), 2.0);
    mShot->setName("moved");
    EXPECT_EQ(name->text(), "moved");

    visible->click();
    EXPECT_FALSE(mShot->hasState(Object3D::Visible));
    visible->click();
    EXPECT_TRUE(mShot->hasState(Object3D::Visible));
    z->setValue(-4.0);
    V position;
    mShot->getPosition(&position);
    EXPECT_EQ(position.z, -4.0);

    mForm->hide();
    mShot->setPosition(V(9, 9, 9));
    EXPECT_EQ(x->value(), 1.5);
    mForm->show();
    EXPECT_EQ(x->value(), 9.0);
}

TEST_F(PointCloudFormTest, RenameAndColorDialogs)
{
    mForm->show();
    answerModal<RenameDialog>([](RenameDialog* iDialog) {
        iDialog->findChild<QLineEdit*>("lineEdit")->setText("renamed");
        iDialog->findChild<QPushButton*>("pushButtonOK")->click();
    });
    rename->click();
    EXPECT_EQ(mShot->getName(), "renamed");
    EXPECT_EQ(name->text(), "renamed");
    answerModal<RenameDialog>([](RenameDialog* iDialog) {
        iDialog->findChild<QLineEdit*>("lineEdit")->setText("dropped");
        iDialog->findChild<QPushButton*>("pushButtonCancel")->click();
    });
    rename->click();
    EXPECT_EQ(mShot->getName(), "renamed");

    QPushButton* color = FL_child<QPushButton>(mForm.get(), "pushButtonColor");
    answerColor(QColor(10, 20, 30), true);
    color->click();
    EXPECT_EQ(mShot->getColor(), Color(10, 20, 30, 255));
    EXPECT_EQ(buttonColor(mForm.get(), "pushButtonColor"), QColor(10, 20, 30));
    answerColor(QColor(200, 0, 0), false);
    color->click();
    EXPECT_EQ(mShot->getColor(), Color(10, 20, 30, 255));
}

TEST_F(PointCloudFormTest, MissingOrLostShotLeavesThePanelIdle)
{
    PointCloudForm empty;
    empty.show();
    EXPECT_FALSE(FL_child<QDoubleSpinBox>(&empty, "doubleSpinBoxPositionX")->isEnabled());
    EXPECT_FALSE(FL_child<QCheckBox>(&empty, "checkBoxVisible")->isEnabled());

    // A shot opened without its data shows no points.
    PointCloud bare;
    std::unique_ptr<QWidget> bareForm(bare.createUI());
    bareForm->show();
    EXPECT_EQ(FL_child<QLineEdit>(bareForm.get(), "lineEditPointNumber")->text(), "0");

    mForm->show();
    mManager.deleteObject(mShot);
    y->setValue(12.0);
    visible->click();
    mForm->hide();
    mForm->show();
    EXPECT_FALSE(x->isEnabled());
}

// ---- point cloud manager form --------------------------------------------------------------

class ManagerFormTest : public ShotsTest
{
protected:
    void SetUp() override
    {
        ShotsTest::SetUp();
        mForm.reset(qobject_cast<PointCloudManagerForm*>(mManager.createUI()));
        ASSERT_NE(mForm, nullptr);
        shotNumber = FL_child<QLineEdit>(mForm.get(), "lineEditShotNumber");
        pointNumber = FL_child<QLineEdit>(mForm.get(), "lineEditPointNumber");
        visible = FL_child<QCheckBox>(mForm.get(), "checkBoxVisible");
        size = FL_child<QSpinBox>(mForm.get(), "spinBoxPointSize");
        mode = FL_child<QComboBox>(mForm.get(), "comboBoxPointContourColorMode");
        valueMax = FL_child<QDoubleSpinBox>(mForm.get(), "doubleSpinBoxPointContourValueMax");
        valueMin = FL_child<QDoubleSpinBox>(mForm.get(), "doubleSpinBoxPointContourValueMin");
        colorMax = FL_child<QPushButton>(mForm.get(), "pushButtonPointContourColorMax");
        colorMin = FL_child<QPushButton>(mForm.get(), "pushButtonPointContourColorMin");
    }

    void TearDown() override { mForm.reset(); }

    const PointCloudParameter& parameter() const { return *mManager.getPointCloudParameter(); }

    std::unique_ptr<PointCloudManagerForm> mForm;
    QLineEdit* shotNumber = nullptr;
    QLineEdit* pointNumber = nullptr;
    QCheckBox* visible = nullptr;
    QSpinBox* size = nullptr;
    QComboBox* mode = nullptr;
    QDoubleSpinBox* valueMax = nullptr;
    QDoubleSpinBox* valueMin = nullptr;
    QPushButton* colorMax = nullptr;
    QPushButton* colorMin = nullptr;
};

// The entry index is the contour mode.
TEST_F(ManagerFormTest, ModeEntries)
{
    const QStringList entries{"Original Color",
                              "Distance Contour (from view-point)",
                              "Coordinate Contour (Local X)",
                              "Coordinate Contour (Local Y)",
                              "Coordinate Contour (Local Z)",
                              "Coordinate Contour (Global X)",
                              "Coordinate Contour (Global Y)",
                              "Coordinate Contour (Global Z)",
                              "Shot Color"};
    QStringList seen;
    for (int i = 0; i < mode->count(); ++i)
        seen << mode->itemText(i);
    EXPECT_EQ(seen, entries);
}

TEST_F(ManagerFormTest, ShowingFillsWithoutWritingBack)
{
    addShot("a.zrpcd", "one");
    addShot("b.zrpcd", "two");
    mManager.setPointSize(7);
    mManager.setPointContourMode(3);
    mManager.setPointContourValueMax(2500000.0f);
    mManager.setPointContourValueMin(-0.0626f);
    mManager.setPointContourColorMax(Color(1, 2, 3, 255));
    mManager.setPointContourColorMin(Color(4, 5, 6, 255));
    mManager.disableState(Object3D::Visible);

    QSignalSpy changes(&mManager, SIGNAL(changedValue()));
    mForm->show();
    EXPECT_EQ(changes.count(), 0);
    EXPECT_EQ(shotNumber->text(), "2");
    EXPECT_EQ(pointNumber->text(), "10");
    EXPECT_FALSE(visible->isChecked());
    EXPECT_EQ(size->value(), 7);
    EXPECT_EQ(mode->currentIndex(), 3);
    EXPECT_EQ(valueMax->value(), 1000000.0);
    EXPECT_NEAR(valueMin->value(), -0.063, 1e-12);
    EXPECT_EQ(buttonColor(mForm.get(), "pushButtonPointContourColorMax"), QColor(1, 2, 3));
    EXPECT_EQ(buttonColor(mForm.get(), "pushButtonPointContourColorMin"), QColor(4, 5, 6));
    EXPECT_EQ(parameter().contourValueMax, 2500000.0f);
    EXPECT_EQ(parameter().contourValueMin, -0.0626f);

    // A mode the list does not offer shows no entry and stays in the manager.
    mManager.setPointContourMode(12);
    EXPECT_EQ(mode->currentIndex(), -1);
    EXPECT_EQ(parameter().pointContourMode, 12);
    EXPECT_EQ(parameter().contourValueMax, 2500000.0f);

    addShot("a.zrpcd", "three");
    EXPECT_EQ(shotNumber->text(), "3");
    EXPECT_EQ(pointNumber->text(), "15");
}

TEST_F(ManagerFormTest, WidgetsDriveTheSetters)
{
    mForm->show();
    mForm->show();
    size->setValue(9);
    EXPECT_EQ(parameter().pointSize, 9);
    mode->setCurrentIndex(8);
    EXPECT_EQ(parameter().pointContourMode, 8);
    mode->setCurrentIndex(0);
    EXPECT_EQ(parameter().pointContourMode, 0);
    valueMax->setValue(12.5);
    EXPECT_EQ(parameter().contourValueMax, 12.5f);
    valueMin->setValue(-3.25);
    EXPECT_EQ(parameter().contourValueMin, -3.25f);

    // The check box is the manager's own Visible state, not the points' flag.
    visible->click();
    EXPECT_FALSE(mManager.hasState(Object3D::Visible));
    EXPECT_TRUE(parameter().pointVisible);
    visible->click();
    EXPECT_TRUE(mManager.hasState(Object3D::Visible));
    mForm->setPointVisible(false);
    EXPECT_FALSE(parameter().pointVisible);

    answerColor(QColor(10, 20, 30), true);
    colorMax->click();
    EXPECT_EQ(parameter().contourColorMax, Color(10, 20, 30, 255));
    EXPECT_EQ(buttonColor(mForm.get(), "pushButtonPointContourColorMax"), QColor(10, 20, 30));
    const Color before = parameter().contourColorMin;
    answerColor(QColor(10, 20, 30), false);
    colorMin->click();
    EXPECT_EQ(parameter().contourColorMin, before);

    // Hidden, the panel stops following.
    mForm->hide();
    mManager.setPointSize(2);
    EXPECT_EQ(size->value(), 9);
}

TEST_F(ManagerFormTest, LostManagerLeavesThePanelIdle)
{
    PointCloudManagerForm empty;
    empty.show();
    EXPECT_FALSE(FL_child<QSpinBox>(&empty, "spinBoxPointSize")->isEnabled());

    auto manager = std::make_unique<PointCloudManager>();
    PointCloudManagerForm form;
    form.setTarget(manager.get());
    form.show();
    manager.reset();
    FL_child<QSpinBox>(&form, "spinBoxPointSize")->setValue(5);
    form.hide();
    form.show();
    EXPECT_FALSE(FL_child<QSpinBox>(&form, "spinBoxPointSize")->isEnabled());
}

} // namespace
