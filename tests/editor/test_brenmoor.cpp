// Brenmoor as a user meets it: a scan converted by Kestrune opened in the window, a rectangle
// dragged with Shift held, Delete and Save typed, and the file read back; the program started on
// a path with non-ASCII characters.
#include "mainwindow.h"

#include "camera.h"
#include "fileoperation_svob.h"
#include "global.h"
#include "pointcloud.h"
#include "pointclouddata.h"
#include "pointcloudinterface.h"
#include "pointcloudmanager.h"
#include "pointcloudparameter.h"
#include "renderingtarget.h"
#include "scenestate.h"
#include "stagedfile.h"
#include "testutil.h"

#include "formtestutil.h"
#include "programtestutil.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QSpinBox>
#include <QTreeWidget>
#include <QDir>
#include <QGuiApplication>
#include <QProcess>
#include <QStatusBar>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <vector>

using testutil::appDir;
using testutil::hasDisplay;

namespace {

// Kestrune's octree point file of the sample scan.
bool convertSample(const std::string& iOutput)
{
    QProcess kestrune;
    kestrune.start(appDir() + "/Kestrune", {QStringLiteral(SAMPLE_PTX),
                                            QString::fromStdString(iOutput), "4", "1"});
    const bool finished = kestrune.waitForFinished(60000);
    if (!finished || !QFile::exists(QString::fromStdString(iOutput)))
        std::cerr << kestrune.readAll().toStdString() << kestrune.errorString().toStdString() << std::endl;
    return finished && QFile::exists(QString::fromStdString(iOutput));
}

std::vector<Point> readPoints(const std::string& iPath)
{
    SparseVoxelOctree octree;
    VoxelBlockPool<ColorBlock> voxels;
    LeafBlockPool<PointBlock> leaves;
    int number = 0;
    testutil::CoutCapture quiet;
    SVOBFileOperator file(iPath);
    std::vector<Point> points;
    if (!file.load(&number, &octree, &voxels, &leaves))
        return points;
    for (const LeafInfo<PointBlock>* entry : leaves.getEntries()) {
        const PointBlock* block = entry ? entry->getBlock() : nullptr;
        for (std::size_t i = 0; block && i < block->positions.size(); ++i) {
            Point point;
            point.position = block->positions[i];
            points.push_back(point);
        }
    }
    return points;
}

void typeKey(Qt::Key iKey, Qt::KeyboardModifiers iModifiers = Qt::NoModifier)
{
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : QApplication::activeWindow();
    ASSERT_TRUE(target);
    QTest::keyClick(target, iKey, iModifiers);
}

// Shows the window and makes it the one that takes the keys. Parallel tests share the virtual
// display and may take its input focus meanwhile; the window is then made active directly.
bool showActive(MainWindow* ioWindow)
{
    ioWindow->resize(800, 600);
    ioWindow->show();
    if (!QTest::qWaitForWindowExposed(ioWindow))
        return false;
    ioWindow->activateWindow();
    if (!QTest::qWaitForWindowActive(ioWindow, 2000))
        QApplication::setActiveWindow(ioWindow);
    return QApplication::activeWindow() == ioWindow;
}

// Shows the window at iGeometry with the sample scan, converted to iPath, open in it.
bool showWithSample(MainWindow* ioWindow, const std::string& iPath, const QRect& iGeometry)
{
    if (!convertSample(iPath))
        return false;
    ioWindow->setGeometry(iGeometry);
    ioWindow->show();
    if (!QTest::qWaitForWindowExposed(ioWindow))
        return false;
    testutil::CoutCapture quiet;
    ioWindow->open(iPath);
    return true;
}

} // namespace

TEST(BrenmoorWindow, DragSelectDeleteAndSaveKeepExactlyThePointsOutside)
{
    if (!hasDisplay())
        GTEST_SKIP() << "the window's GL view needs a display";
    testutil::TempDir dir;
    const std::string path = dir.file("sample.zrpcd");
    ASSERT_TRUE(convertSample(path));
    const std::vector<Point> before = readPoints(path);
    ASSERT_GT(before.size(), 300u);

    MainWindow window;
    EXPECT_EQ(window.windowTitle(), QString("No PointCloud..."));
    ASSERT_TRUE(showActive(&window));
    {
        testutil::CoutCapture quiet;
        window.open(path);
    }
    EXPECT_EQ(window.windowTitle(), QString("sample.zrpcd"));

    // A shows and hides the cloud; Ctrl+A and Ctrl+Shift+A mark every point and clear the marks.
    PointCloud* cloud = getPointCloudManager()->getData(0);
    ASSERT_TRUE(cloud);
    typeKey(Qt::Key_A);
    EXPECT_FALSE(cloud->hasState(Object3D::Visible));
    typeKey(Qt::Key_A);
    EXPECT_TRUE(cloud->hasState(Object3D::Visible));
    const auto selectedCount = [cloud]() {
        PointCloudData data;
        cloud->getPointCloud()->getPointCloudData(&data);
        std::size_t count = 0;
        for (const Point& point : data.pointList)
            count += (point.flag & Point::Selected) ? 1 : 0;
        return count;
    };
    typeKey(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(selectedCount(), before.size());
    typeKey(Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(selectedCount(), 0u);

    typeKey(Qt::Key_F);
    QWidget* view = window.findChild<QWidget*>("widgetOpenGL");
    ASSERT_TRUE(view);
    QTest::qWait(50);

    // The middle third of the view, dragged with Shift held.
    const QPoint from(view->width() / 3, view->height() / 3);
    const QPoint to(2 * view->width() / 3, 2 * view->height() / 3);
    QWidget* focus = QApplication::focusWidget() ? QApplication::focusWidget() : &window;
    QTest::keyPress(focus, Qt::Key_Shift);
    QWindow* handle = view->window()->windowHandle();
    const QPoint offset = view->mapTo(view->window(), QPoint(0, 0));
    QTest::mousePress(handle, Qt::LeftButton, Qt::ShiftModifier, from + offset);
    for (int step = 1; step <= 4; ++step)
        QTest::mouseMove(handle, from + offset + (to - from) * step / 4);
    QTest::mouseRelease(handle, Qt::LeftButton, Qt::ShiftModifier, to + offset);
    QTest::keyRelease(focus, Qt::Key_Shift);
    typeKey(Qt::Key_Delete);
    {
        testutil::CoutCapture quiet;
        typeKey(Qt::Key_S, Qt::ControlModifier);
    }
    EXPECT_TRUE(window.statusBar()->currentMessage().startsWith("Saved: "));

    // Points well inside the rectangle are gone, points well outside are kept; those within a
    // pixel of its border may go either way.
    const Camera& camera = getSceneState()->getCamera();
    std::size_t inside = 0, outside = 0;
    const std::vector<Point> after = readPoints(path);
    const auto kept = [&after](const Point& iPoint) {
        for (const Point& point : after)
            if (point.position == iPoint.position)
                return true;
        return false;
    };
    for (const Point& point : before) {
        const Vector3T<double> window3 = camera.convertValueFromModelToGLDevice(
            Vector3T<double>(point.position.x, point.position.y, point.position.z));
        const double x = window3.x;
        const double y = view->height() - window3.y;
        const bool wellInside = x > from.x() + 1 && x < to.x() - 1 && y > from.y() + 1 && y < to.y() - 1;
        const bool wellOutside = x < from.x() - 1 || x > to.x() + 1 || y < from.y() - 1 || y > to.y() + 1;
        if (wellInside) {
            ++inside;
            EXPECT_FALSE(kept(point)) << x << ", " << y;
        } else if (wellOutside) {
            ++outside;
            EXPECT_TRUE(kept(point)) << x << ", " << y;
        }
    }
    EXPECT_GT(inside, 10u);
    EXPECT_GT(outside, 10u);
    EXPECT_LT(after.size(), before.size());
    getPointCloudManager()->clearObject();
}

// Save past the file size limit (SIGXFSZ ignored as at start-up) shows the failure; the file and
// its folder stay as they were, and the window keeps the edits for a later save.
TEST(BrenmoorWindow, SaveThatCannotWriteShowsTheFailureAndKeepsTheEdits)
{
    if (!hasDisplay())
        GTEST_SKIP() << "the window's GL view needs a display";
    testutil::TempDir dir;
    MainWindow window;
    const std::string path = dir.file("edited.zrpcd");
    ASSERT_TRUE(convertSample(path) && showActive(&window));
    const std::string before = testutil::readFile(path);
    testutil::CoutCapture quiet;
    window.open(path);
    typeKey(Qt::Key_A, Qt::ControlModifier);
    typeKey(Qt::Key_Delete);
    rlimit old;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const rlimit full = {0, old.rlim_max};
    stagedfile::ignoreFileSizeSignal();
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &full), 0);
    typeKey(Qt::Key_S, Qt::ControlModifier);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &old), 0);
    std::signal(SIGXFSZ, SIG_DFL);
    EXPECT_TRUE(window.statusBar()->currentMessage().startsWith("Cannot save: "));
    EXPECT_TRUE(window.statusBar()->currentMessage().endsWith(": File too large"));
    EXPECT_EQ(testutil::readFile(path), before);
    EXPECT_EQ(QDir(QString::fromStdString(dir.path())).entryList(QDir::Files | QDir::Hidden).size(), 1);
    typeKey(Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(readPoints(path).empty());
    getPointCloudManager()->clearObject();
}

TEST(BrenmoorProgram, OpensAPathWithNonAsciiCharacters)
{
    if (!hasDisplay())
        GTEST_SKIP() << "the program's window needs a display";
    testutil::TempDir dir;
    const QString folder = QString::fromStdString(dir.path()) + QString::fromUtf8("/測量");
    ASSERT_TRUE(QDir().mkpath(folder));
    const std::string path = (folder + "/scan.zrpcd").toUtf8().toStdString();
    ASSERT_TRUE(convertSample(path));

    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LC_ALL", "C.UTF-8");
    program.setProcessEnvironment(environment);
    program.start(appDir() + "/Brenmoor", {folder + "/scan.zrpcd"});
    ASSERT_TRUE(program.waitForStarted(10000));
    QByteArray output;
    for (int i = 0; i < 100 && !output.contains("DataFileName: "); ++i) {
        program.waitForReadyRead(100);
        output += program.readAllStandardOutput();
    }
    // Started with SIGXFSZ at its default, the program ignores it from start-up on.
    EXPECT_TRUE(testutil::ignoresSignal(program.processId(), SIGXFSZ));
    program.terminate();
    program.waitForFinished(10000);
    EXPECT_TRUE(output.contains(QByteArray("Name: ") + (folder + "/scan.zrpcd").toUtf8())) << output.toStdString();
    EXPECT_TRUE(output.contains("DataFileName: scan.zrpcd")) << output.toStdString();
}

TEST(BrenmoorWindow, FilesItCannotOpenAreNamedWithTheReason)
{
    if (!hasDisplay())
        GTEST_SKIP() << "the window's GL view needs a display";
    testutil::TempDir dir;
    const std::string matrix = dir.file("scan.zrpmd");
    QProcess kestrune;
    kestrune.start(appDir() + "/Kestrune", {QStringLiteral(SAMPLE_PTX), QString::fromStdString(matrix), "4", "1"});
    ASSERT_TRUE(kestrune.waitForFinished(60000));

    MainWindow window;
    const QString title = window.windowTitle();
    testutil::CoutCapture quiet;
    window.open(matrix);
    EXPECT_EQ(window.statusBar()->currentMessage(),
              QString::fromStdString("Cannot open: " + matrix + " Not an octree point file (.zrpcd)."));
    window.open(dir.file("missing.zrpcd"));
    EXPECT_EQ(window.statusBar()->currentMessage().toStdString(),
              "Cannot open: " + dir.file("missing.zrpcd") + " Cannot open file for reading: " + dir.file("missing.zrpcd"));
    EXPECT_EQ(window.windowTitle(), title);
}

TEST(BrenmoorWindow, BrowserAndSceneEntriesOpenTheEditorsDialogsAndPanels)
{
    if (!hasDisplay())
        GTEST_SKIP() << "the window's GL view needs a display";
    testutil::TempDir dir;
    MainWindow window;
    ASSERT_TRUE(showWithSample(&window, dir.file("sample.zrpcd"), QRect(0, 0, 800, 600)));
    PointCloud* cloud = getPointCloudManager()->getData(0);
    ASSERT_TRUE(cloud);

    // Each entry opens one dialog, made once.
    const char* entries[] = {"Structure...", "Property...", "Scene Rendering...", "Camera Setting...",
                             "Mouse Setting..."};
    for (const char* entry : entries) {
        SCOPED_TRACE(entry);
        for (QDialog* dialog : window.findChildren<QDialog*>())
            dialog->hide();
        QAction* action = nullptr;
        for (QAction* candidate : window.findChildren<QAction*>())
            if (candidate->text() == entry)
                action = candidate;
        ASSERT_TRUE(action);
        action->trigger();
        action->trigger();
        int shown = 0;
        for (QDialog* dialog : window.findChildren<QDialog*>())
            shown += dialog->isVisible() ? 1 : 0;
        EXPECT_EQ(shown, 1);
    }
    EXPECT_EQ(window.findChildren<QDialog*>().size(), 5);

    // The browser lists the cloud under its manager only; its row selects the cloud, and the
    // property panel shows the editor's cloud form, which has no colour row.
    QTreeWidget* tree = window.findChild<QTreeWidget*>("treeWidgetObject");
    ASSERT_TRUE(tree);
    for (QDialog* dialog : window.findChildren<QDialog*>())
        dialog->show();
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    ASSERT_EQ(tree->topLevelItem(0)->childCount(), 1);
    EXPECT_EQ(tree->topLevelItem(0)->child(0)->text(1), "PointCloud");
    QTreeWidgetItem* row = tree->topLevelItem(0)->child(0);
    tree->scrollToItem(row); // opens the manager row, as the user does
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier, tree->visualItemRect(row).center());
    EXPECT_TRUE(cloud->hasState(Object3D::Selected));
    QWidget* form = window.findChild<QWidget*>("PointCloudForm");
    ASSERT_TRUE(form);
    EXPECT_EQ(form->findChild<QPushButton*>("pushButtonColor"), nullptr);
    formtest::typeValue(formtest::child<QDoubleSpinBox>(form, "doubleSpinBoxPositionX"), "1.5");
    Vector3T<double> position;
    cloud->getPosition(&position);
    EXPECT_EQ(position.x, 1.5);
    EXPECT_TRUE(form->isVisible());
    formtest::clickCheckBox(formtest::child<QCheckBox>(form, "checkBoxVisible"));
    EXPECT_FALSE(cloud->hasState(Object3D::Visible));

    // The manager's row: the manager form, whose check box switches the point drawing.
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier,
                      tree->visualItemRect(tree->topLevelItem(0)).center());
    QTest::qWait(0);
    QWidget* managerForm = window.findChild<QWidget*>("PointCloudManagerForm");
    ASSERT_TRUE(managerForm);
    QCheckBox* pointVisible = formtest::child<QCheckBox>(managerForm, "checkBoxPointVisible");
    ASSERT_TRUE(pointVisible);
    EXPECT_EQ(pointVisible->parentWidget()->objectName(), "groupBox");
    formtest::clickCheckBox(pointVisible);
    EXPECT_FALSE(getPointCloudManager()->getPointCloudParameter()->pointVisible);
    EXPECT_TRUE(getPointCloudManager()->hasState(Object3D::Visible));
    QComboBox* mode = formtest::child<QComboBox>(managerForm, "comboBoxPointContourColorMode");
    EXPECT_EQ(mode->count(), 8);
    mode->setFocus();
    QTest::keyClick(mode, Qt::Key_End);
    EXPECT_EQ(getPointCloudManager()->getPointCloudParameter()->pointContourMode, 7);
    formtest::typeValue(formtest::child<QSpinBox>(managerForm, "spinBoxPointSize"), "6");
    EXPECT_EQ(getPointCloudManager()->getPointCloudParameter()->pointSize, 6);

    // The scene dialog's third check box hides the cloud's drawing only.
    QDialog* sceneDialog = window.findChild<QDialog*>("SceneDialog");
    ASSERT_TRUE(sceneDialog);
    QCheckBox* drawCloud = formtest::child<QCheckBox>(sceneDialog, "checkBoxPointCloud");
    ASSERT_TRUE(drawCloud && drawCloud->isChecked());
    const RenderingTarget::ObjectData before = getSceneState()->getRenderingTarget().objectData;
    formtest::clickCheckBox(drawCloud);
    RenderingTarget::ObjectData expected = before;
    expected.drawPointCloud = false;
    EXPECT_FALSE(getSceneState()->getRenderingTarget().objectData != expected);

    // Deleted through the browser: the manager row stays, the panel says so.
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier, tree->visualItemRect(row).center());
    for (QAction* candidate : tree->actions())
        if (candidate->text() == "Delete Selected Objects")
            candidate->trigger();
    EXPECT_EQ(getPointCloudManager()->getObjectSetSize(), 0u);
    // The window is as without a file.
    EXPECT_EQ(window.windowTitle(), QString("No PointCloud..."));
    for (QAction* action : window.findChildren<QAction*>())
        EXPECT_FALSE(action->text().startsWith("Save PointCloud File") && action->isEnabled());
    QTRY_COMPARE(tree->topLevelItem(0)->childCount(), 0);
    QTest::qWait(0);
    QLabel* none = window.findChild<QDialog*>("ObjectPropertyDialog")->findChild<QLabel*>();
    ASSERT_TRUE(none);
    EXPECT_EQ(none->text(), "Non-Support Object Type...");
}

// Each panel edit of the cloud and of the manager's render settings repaints the view at once.
TEST(BrenmoorWindow, PanelEditsRepaintTheViewAtOnce)
{
    if (!hasDisplay())
        GTEST_SKIP() << "the window's GL view needs a display";
    testutil::TempDir dir;
    // Away from the corner where other tests' windows open on a shared display, with the panels
    // off the view, so that only the view's own drawing changes its pixels.
    MainWindow window;
    ASSERT_TRUE(showWithSample(&window, dir.file("sample.zrpcd"), QRect(760, 560, 500, 450)));
    testutil::CoutCapture quiet;
    for (QAction* action : window.findChildren<QAction*>())
        if (action->text() == "Structure..." || action->text() == "Property...")
            action->trigger();
    window.findChild<QDialog*>("ObjectBrowseDialog")->move(0, 160);
    window.findChild<QDialog*>("ObjectPropertyDialog")->move(0, 600);
    QWidget* view = window.findChild<QWidget*>("widgetOpenGL");
    QTreeWidget* tree = window.findChild<QTreeWidget*>("treeWidgetObject");
    ASSERT_TRUE(view && tree && tree->topLevelItem(0)->childCount() == 1);
    // A click on a row of the browser shows its form in the property panel.
    const auto formOf = [&window, tree](QTreeWidgetItem* iRow, const char* iForm) {
        tree->scrollToItem(iRow);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier, tree->visualItemRect(iRow).center());
        QTest::qWait(0);
        return window.findChild<QWidget*>(iForm);
    };

    QWidget* manager = formOf(tree->topLevelItem(0), "PointCloudManagerForm");
    ASSERT_TRUE(manager);
    const auto expectRepaint = [view](const char* iChange, const std::function<void()>& iMake) {
        testutil::expectRepaint(view, iChange, iMake);
    };
    const auto click = [](QWidget* iForm, const char* iBox) {
        return [=] { formtest::clickCheckBox(formtest::child<QCheckBox>(iForm, iBox)); };
    };
    expectRepaint("point size", [manager] {
        formtest::typeValue(formtest::child<QSpinBox>(manager, "spinBoxPointSize"), "8");
    });
    expectRepaint("points hidden", click(manager, "checkBoxPointVisible"));
    expectRepaint("points shown", click(manager, "checkBoxPointVisible"));
    expectRepaint("contour mode", [manager] {
        QComboBox* mode = formtest::child<QComboBox>(manager, "comboBoxPointContourColorMode");
        mode->setFocus();
        QTest::keyClick(mode, Qt::Key_End);
    });
    expectRepaint("contour range", [manager] {
        formtest::typeValue(formtest::child<QDoubleSpinBox>(manager, "doubleSpinBoxPointContourValueMax"), "0.2");
    });
    expectRepaint("contour colour", [manager] {
        formtest::answerColor(Qt::green, true);
        QTest::mouseClick(formtest::child<QPushButton>(manager, "pushButtonPointContourColorMax"), Qt::LeftButton);
    });
    QWidget* form = formOf(tree->topLevelItem(0)->child(0), "PointCloudForm");
    ASSERT_TRUE(form);
    expectRepaint("cloud moved", [form] {
        formtest::typeValue(formtest::child<QDoubleSpinBox>(form, "doubleSpinBoxPositionX"), "0.5");
    });
    expectRepaint("cloud hidden", click(form, "checkBoxVisible"));
    getPointCloudManager()->clearObject();
}
