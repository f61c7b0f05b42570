// The main window: its title, menus, toolbars and project-dependent actions, the kept dialogs,
// the tool commands, and the program with its translation in the application folder.
#include "bestfitdialog.h"
#include "camera.h"
#include "camerapathdialog.h"
#include "clipbox.h"
#include "commands.h"
#include "commentmanager.h"
#include "global.h"
#include "mainwindow.h"
#include "measurecreationdialog.h"
#include "measuremanager.h"
#include "pointcloud.h"
#include "pointcloudeditdialog.h"
#include "pointcloudmanager.h"
#include "referencepoint.h"
#include "mouseoperator.h"
#include "scene.h"
#include "scenestate.h"

#include "../pointcloud/shotfixture.h"
#include "programtestutil.h"
#include "testutil.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QTranslator>

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <cstdlib>
#include <memory>

using testutil::appDir;
using testutil::hasDisplay;

namespace
{
struct Entry
{
    const char* text;
    const char* statusTip;
    QKeySequence shortcut;
};

void expectMenu(QMenu* iMenu, const std::vector<Entry>& iEntries, bool iSeparatorBeforeLast)
{
    std::vector<QAction*> actions;
    int separators = 0;
    for (QAction* action : iMenu->actions())
    {
        if (action->isSeparator())
        {
            ++separators;
            EXPECT_TRUE(iSeparatorBeforeLast);
            EXPECT_EQ(actions.size() + 1, iEntries.size());
            continue;
        }
        actions.push_back(action);
    }
    EXPECT_EQ(separators, iSeparatorBeforeLast ? 1 : 0);
    ASSERT_EQ(actions.size(), iEntries.size()) << iMenu->title().toStdString();
    for (size_t i = 0; i < actions.size(); ++i)
    {
        EXPECT_EQ(actions[i]->text(), QString(iEntries[i].text));
        EXPECT_EQ(actions[i]->statusTip(), QString(iEntries[i].statusTip));
        EXPECT_EQ(actions[i]->shortcut(), iEntries[i].shortcut) << iEntries[i].text;
        EXPECT_TRUE(actions[i]->toolTip().isEmpty() || actions[i]->toolTip() == actions[i]->text().remove("..."));
        EXPECT_FALSE(actions[i]->isCheckable());
    }
}

QAction* findAction(QWidget* iWindow, const QString& iText)
{
    for (QAction* action : iWindow->findChildren<QAction*>())
        if (action->text() == iText)
            return action;
    return nullptr;
}

bool sameIcon(const QIcon& iIcon, const char* iPath)
{
    return iIcon.pixmap(24, 24).toImage() == QIcon(iPath).pixmap(24, 24).toImage();
}

class MainWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!hasDisplay())
            GTEST_SKIP() << "the window's GL view needs a display";
        mWindow = std::make_unique<MainWindow>();
    }

    std::unique_ptr<MainWindow> mWindow;
};
}

// Runs first in the file: the project operator is shared by every window of the process.
TEST_F(MainWindowTest, TitleAndProjectActionsFollowTheProject)
{
    EXPECT_EQ(mWindow->windowTitle(), QString("No Project..."));
    QAction* save = findAction(mWindow.get(), "Save Project");
    QAction* import = findAction(mWindow.get(), "Import PointCloud...");
    ASSERT_TRUE(save && import);
    EXPECT_FALSE(save->isEnabled());
    EXPECT_FALSE(import->isEnabled());
    for (QAction* action : mWindow->findChildren<QAction*>())
    {
        if (action != save && action != import)
        {
            EXPECT_TRUE(action->isEnabled()) << action->text().toStdString();
        }
    }

    // Opened before the project and left open, the edit dialog follows the project.
    findAction(mWindow.get(), "Edit PointCloud...")->trigger();
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    // The creation dialog runs modally; fill it in once it is up.
    QTimer::singleShot(0, [&folder]() {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_TRUE(dialog);
        dialog->findChild<QLineEdit*>("lineEditProjectName")->setText("Site A");
        dialog->findChild<QLineEdit*>("lineEditProjectFolder")->setText(folder.path());
        dialog->findChild<QPushButton*>("pushButtonOK")->click();
    });
    findAction(mWindow.get(), "Create New Project...")->trigger();
    EXPECT_EQ(mWindow->windowTitle(), QString("Site A"));
    EXPECT_TRUE(save->isEnabled());
    EXPECT_TRUE(import->isEnabled());
    EXPECT_TRUE(QFile::exists(folder.path() + "/Site A.bgp"));

    // Edit runs the editor, the stand-in beside this test, on the file in the project.
    qputenv("BRENMOOR_STANDIN_RECORD", folder.filePath("record").toUtf8());
    const std::string file = folder.path().toStdString() + "/PointClouds/a.zrpcd";
    std::string error;
    ASSERT_TRUE(shotfixture::writeZRPCD(file, shotfixture::makeData()));
    ASSERT_TRUE(getPointCloudManager()->generateFromBinaryFile_SVO(file, error)) << error;
    QTest::mouseClick(mWindow->findChild<QPushButton*>("pushButtonEdit"), Qt::LeftButton);
    EXPECT_EQ(testutil::readFile(folder.filePath("record").toStdString()), "1\t" + file + "\n");
    qunsetenv("BRENMOOR_STANDIN_RECORD");
    getPointCloudManager()->clearObject();

    // A second window sees the same project.
    MainWindow other;
    EXPECT_EQ(other.windowTitle(), QString("Site A"));
}

TEST_F(MainWindowTest, MenusHoldTheirEntriesInOrder)
{
    const QList<QAction*> menus = mWindow->menuBar()->actions();
    ASSERT_EQ(menus.size(), 5);
    const char* titles[] = {"File", "Browser", "Scene", "PointCloud", "Help"};
    for (int i = 0; i < 5; ++i)
    {
        EXPECT_EQ(menus[i]->text(), QString(titles[i]));
        ASSERT_TRUE(menus[i]->menu());
    }
    expectMenu(menus[0]->menu(),
               {{"Create New Project...", "Create a new file", QKeySequence(QKeySequence::New)},
                {"Open Project...", "Open an existing file", QKeySequence(QKeySequence::Open)},
                {"Save Project", "Save the document to disk", QKeySequence(QKeySequence::Save)},
                {"Import PointCloud...", "Import PointCloud to disk", QKeySequence("Ctrl+I")},
                {"Exit", "Exit the application", QKeySequence(QKeySequence::Quit)}},
               true);
    expectMenu(menus[1]->menu(),
               {{"Scene Structure...", "Show Browser: Scene Structure", QKeySequence()},
                {"Object Property...", "Show Browser: Object Property", QKeySequence()}},
               false);
    expectMenu(menus[2]->menu(),
               {{"Scene Rendering...", "Show Dialog: SceneRendering", QKeySequence()},
                {"Mouse Setting...", "Show Dialog: Mouse Setting", QKeySequence()},
                {"Camera Setting...", "Show Dialog: CameraSetting", QKeySequence()},
                {"CameraPath...", "Show Dialog: CameraPath", QKeySequence()}},
               false);
    expectMenu(menus[3]->menu(),
               {{"Edit PointCloud...", "Show Dialog: Edit", QKeySequence()},
                {"Best Fit...", "Show Dialog: Best Fit", QKeySequence()},
                {"Set Shot Color (Automatic)", "Set Shot Color (Automatic)", QKeySequence()}},
               false);
    expectMenu(menus[4]->menu(), {{"About...", "Show the application's About box", QKeySequence()}}, false);

    // The three dialog switches of the tools exist but are placed nowhere.
    for (const char* text : {"NULL", "Transform...", "Measure..."})
    {
        QAction* action = findAction(mWindow.get(), text);
        ASSERT_TRUE(action) << text;
        EXPECT_TRUE(action->associatedWidgets().isEmpty()) << text;
    }
}

TEST_F(MainWindowTest, ToolbarsHoldTheCameraModeAndTheTools)
{
    const QList<QToolBar*> bars = mWindow->findChildren<QToolBar*>();
    ASSERT_EQ(bars.size(), 2);
    EXPECT_EQ(bars[0]->windowTitle(), QString("Camera"));
    EXPECT_EQ(bars[1]->windowTitle(), QString("Operation"));

    QComboBox* box = mWindow->findChild<QComboBox*>();
    ASSERT_TRUE(box);
    ASSERT_EQ(box->count(), 2);
    EXPECT_EQ(box->itemText(0), QString("Observation"));
    EXPECT_EQ(box->itemText(1), QString("WalkThrough"));
    EXPECT_EQ(box->parentWidget(), bars[0]);

    const QList<QAction*> tools = bars[1]->actions();
    ASSERT_EQ(tools.size(), 4);
    const char* texts[] = {"Transform By Manipulator", "MeasureLength", "MeasureAngle", "Comment"};
    const char* icons[] = {":/icons/tool_translation.png", ":/icons/tool_distance.png", ":/icons/tool_degree.png",
                           ":/icons/tool_comment.png"};
    for (int i = 0; i < 4; ++i)
    {
        EXPECT_EQ(tools[i]->text(), QString(texts[i]));
        EXPECT_FALSE(QIcon(icons[i]).isNull()) << icons[i];
        EXPECT_TRUE(sameIcon(tools[i]->icon(), icons[i])) << texts[i];
    }

    // The box follows the camera, from wherever its mode is changed, and sets it back.
    Camera& camera = getSceneState()->getCamera();
    camera.setWorkMode(1);
    EXPECT_EQ(box->currentIndex(), 1);
    box->setCurrentIndex(0);
    int mode = -1;
    camera.getWorkMode(&mode);
    EXPECT_EQ(mode, 0);
}

TEST_F(MainWindowTest, DialogsAreMadeOnceAndKept)
{
    findAction(mWindow.get(), "Best Fit...")->trigger();
    findAction(mWindow.get(), "Best Fit...")->trigger();
    EXPECT_EQ(mWindow->findChildren<BestFitDialog*>().size(), 1);
    findAction(mWindow.get(), "Edit PointCloud...")->trigger();
    findAction(mWindow.get(), "Edit PointCloud...")->trigger();
    const QList<PointCloudEditDialog*> edits = mWindow->findChildren<PointCloudEditDialog*>();
    ASSERT_EQ(edits.size(), 1);
    EXPECT_TRUE(edits[0]->isVisible());
    findAction(mWindow.get(), "CameraPath...")->trigger();
    findAction(mWindow.get(), "CameraPath...")->trigger();
    const QList<CameraPathDialog*> paths = mWindow->findChildren<CameraPathDialog*>();
    ASSERT_EQ(paths.size(), 1);
    EXPECT_TRUE(paths[0]->isVisible());
    for (QDialog* dialog : mWindow->findChildren<QDialog*>())
        dialog->hide();
}

TEST_F(MainWindowTest, PointToolsMakeMeasuresAndComments)
{
    ReferencePointManager* points = getReferencePointManager();
    MeasureManager* measures = getMeasureManager();
    CommentManager* comments = getCommentManager();
    const unsigned int measuresBefore = measures->getObjectSetSize();
    const unsigned int commentsBefore = comments->getObjectSetSize();
    QAction* length = findAction(mWindow.get(), "MeasureLength");

    length->trigger();
    EXPECT_EQ(points->pointLimit, 2u);
    EXPECT_TRUE(sameIcon(length->icon(), ":/icons/tool_distance_ON.png"));
    points->addNewReferencePoint(Vector3T<double>(0, 0, 0));
    EXPECT_EQ(measures->getObjectSetSize(), measuresBefore);
    points->addNewReferencePoint(Vector3T<double>(3, 4, 0));
    EXPECT_EQ(measures->getObjectSetSize(), measuresBefore + 1);
    EXPECT_TRUE(points->referencePoints.empty());

    // Escape discards a half-placed measure and returns to plain selection.
    points->addNewReferencePoint(Vector3T<double>(1, 1, 1));
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(mWindow.get(), &escape);
    EXPECT_TRUE(points->referencePoints.empty());
    EXPECT_TRUE(sameIcon(length->icon(), ":/icons/tool_distance.png"));
    points->addNewReferencePoint(Vector3T<double>(1, 1, 1));
    points->deleteReferencePointALL();
    EXPECT_EQ(measures->getObjectSetSize(), measuresBefore + 1);

    findAction(mWindow.get(), "MeasureAngle")->trigger();
    EXPECT_EQ(points->pointLimit, 3u);
    points->addNewReferencePoint(Vector3T<double>(1, 0, 0));
    points->addNewReferencePoint(Vector3T<double>(0, 0, 0));
    EXPECT_EQ(measures->getObjectSetSize(), measuresBefore + 1);
    points->addNewReferencePoint(Vector3T<double>(0, 1, 0));
    EXPECT_EQ(measures->getObjectSetSize(), measuresBefore + 2);

    findAction(mWindow.get(), "Comment")->trigger();
    EXPECT_EQ(points->pointLimit, 1u);
    points->addNewReferencePoint(Vector3T<double>(2, 2, 2));
    EXPECT_EQ(comments->getObjectSetSize(), commentsBefore + 1);
    EXPECT_TRUE(points->referencePoints.empty());

    findAction(mWindow.get(), "NULL")->trigger();
    EXPECT_TRUE(sameIcon(findAction(mWindow.get(), "Comment")->icon(), ":/icons/tool_comment.png"));
}

TEST_F(MainWindowTest, ShotColoursRunFromBlueTowardRed)
{
    PointCloudManager* manager = getPointCloudManager();
    ASSERT_EQ(manager->getObjectSetSize(), 0u);
    for (int i = 0; i < 4; ++i)
        manager->addNewObject(new PointCloud());
    findAction(mWindow.get(), "Set Shot Color (Automatic)")->trigger();
    // Hues 240, 180, 120 and 60.
    const Color expected[] = {Color(0, 0, 255), Color(0, 255, 255), Color(0, 255, 0), Color(255, 255, 0)};
    for (int i = 0; i < 4; ++i)
    {
        const Color& colour = manager->getData(i)->getColor();
        EXPECT_EQ(colour.toUInt32(), expected[i].toUInt32()) << "shot " << i;
    }
    manager->stopDataLoading();
    while (manager->getObjectSetSize() > 0)
        delete manager->getObject(0);
}

TEST_F(MainWindowTest, StatusBarShowsThePositionFromTheBottom)
{
    mWindow->resize(400, 300);
    QWidget* view = mWindow->findChild<QWidget*>("widgetOpenGL");
    ASSERT_TRUE(view);
    QMouseEvent move(QEvent::MouseMove, QPointF(0, 0), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    mWindow->showMousePosition(&move);
    EXPECT_EQ(mWindow->statusBar()->currentMessage(), QString("IX: 0, IY: %1").arg(view->height()));
    QMouseEvent move2(QEvent::MouseMove, QPointF(10.5, 20.4), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    mWindow->showMousePosition(&move2);
    EXPECT_EQ(mWindow->statusBar()->currentMessage(), QString("IX: 11, IY: %1").arg(view->height() - 20));
}

TEST(VistrelProgram, TranslationLiesBesideTheProgram)
{
    const QString qm = appDir() + "/Vistrel_Japanese.qm";
    ASSERT_TRUE(QFile::exists(qm)) << qm.toStdString();
    QTranslator translator;
    ASSERT_TRUE(translator.load("Vistrel_Japanese.qm", appDir()));
    EXPECT_FALSE(translator.translate("MainWindow", "File").isEmpty());
}

TEST(VistrelProgram, StartsAndRunsUntilTerminated)
{
    if (!hasDisplay())
        GTEST_SKIP() << "the program's window needs a display";
    QProcess program;
    program.start(appDir() + "/Vistrel", QStringList());
    ASSERT_TRUE(program.waitForStarted(10000));
    // Still up after two seconds: start-up did not fail.
    EXPECT_FALSE(program.waitForFinished(2000));
    EXPECT_EQ(program.state(), QProcess::Running);
    // A write past the file size limit fails with its message instead of killing the program.
    EXPECT_TRUE(testutil::ignoresSignal(program.processId(), SIGXFSZ));
    program.terminate();
    EXPECT_TRUE(program.waitForFinished(10000));
}

TEST_F(MainWindowTest, ExitClosesTheWindowWithoutAsking)
{
    mWindow->show();
    ASSERT_TRUE(mWindow->isVisible());
    findAction(mWindow.get(), "Exit")->trigger();
    EXPECT_FALSE(mWindow->isVisible());
}

namespace
{
// A key as a user types it: delivered where Qt delivers real keys, to the focus widget or,
// when nothing has the focus, to the active window.
void typeKey(Qt::Key iKey, Qt::KeyboardModifiers iModifiers = Qt::NoModifier)
{
    QWidget* target = QApplication::focusWidget();
    if (!target)
        target = QApplication::activeWindow();
    ASSERT_TRUE(target);
    QTest::keyClick(target, iKey, iModifiers);
}

// Distance of a point from the camera's line of sight.
double offSight(const Vector3T<double>& iPoint)
{
    Camera::LookAtData lookAt;
    getSceneState()->getCamera().getLookAtData(&lookAt);
    const Vector3T<double> f = Camera::getForward(lookAt);
    const Vector3T<double> d = iPoint - lookAt.viewPoint;
    const Vector3T<double> off = d - f * d.dot(f);
    return std::sqrt(off.dot(off));
}

int countState(Object3D* iManager, Object3D::State iState)
{
    int count = 0;
    for (unsigned int i = 0; i < iManager->getObjectSetSize(); ++i)
        count += iManager->getObject(static_cast<int>(i))->hasState(iState) ? 1 : 0;
    return count;
}
}

// The whole key table, typed with the focus wherever Qt puts it: after start-up, after a click
// on the camera mode box and after a click in the view.
TEST_F(MainWindowTest, KeyTableActsWhereverTheFocusIs)
{
    PointCloudManager* shots = getPointCloudManager();
    MeasureManager* measures = getMeasureManager();
    ASSERT_EQ(shots->getObjectSetSize(), 0u);
    const Vector3T<double> near(0, 0, 0), far(100, 0, 0);
    for (const Vector3T<double>& centre : {near, far})
    {
        PointCloud* shot = new PointCloud();
        shot->setBoundingBox(BoundingBox(centre, Vector3T<double>(2, 2, 2)));
        shots->addNewObject(shot);
    }
    measures->clearObject();
    ASSERT_TRUE(measures->createMeasureLength({Vector3T<double>(0, 0, 0), Vector3T<double>(1, 0, 0)}));

    mWindow->resize(800, 600);
    mWindow->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(mWindow.get()));
    mWindow->activateWindow();
    // Parallel tests share the virtual display and may take its input focus meanwhile; the
    // window is then made the application's active one directly.
    if (!QTest::qWaitForWindowActive(mWindow.get(), 2000))
        QApplication::setActiveWindow(mWindow.get());
    ASSERT_EQ(QApplication::activeWindow(), mWindow.get());
    QComboBox* modeBox = mWindow->findChild<QComboBox*>();
    QWidget* view = mWindow->findChild<QWidget*>("widgetOpenGL");
    ASSERT_TRUE(modeBox && view);
    MouseOperator* mouse = getMouseOperator();
    QAction* length = findAction(mWindow.get(), "MeasureLength");

    QWidget* lengthButton = nullptr;
    for (QToolBar* bar : mWindow->findChildren<QToolBar*>())
        if (QWidget* button = bar->widgetForAction(length))
            lengthButton = button;
    ASSERT_TRUE(lengthButton);

    const char* places[] = {"start-up", "camera mode box", "tool button", "view"};
    for (const char* place : places)
    {
        SCOPED_TRACE(place);
        if (std::string(place) == "camera mode box")
        {
            QTest::mouseClick(modeBox, Qt::LeftButton);
            // The open list takes the keys until it closes, as it does for a user.
            if (QWidget* popup = QApplication::activePopupWidget())
                QTest::keyClick(popup, Qt::Key_Escape);
        }
        else if (std::string(place) == "tool button")
            QTest::mouseClick(lengthButton, Qt::LeftButton);
        else if (std::string(place) == "view")
            QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
        EXPECT_EQ(modeBox->currentIndex(), 0);
        typeKey(Qt::Key_A, Qt::ControlModifier);
        EXPECT_EQ(countState(shots, Object3D::Selected), 2);
        EXPECT_EQ(countState(measures, Object3D::Selected), 1);
        typeKey(Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
        EXPECT_EQ(countState(shots, Object3D::Selected) + countState(measures, Object3D::Selected), 0);

        // F fits the selection; Alt+F, and F with nothing selected, the whole scene.
        shots->getObject(1)->enableState(Object3D::Selected);
        typeKey(Qt::Key_F);
        EXPECT_LT(offSight(far), 1e-3);
        EXPECT_GT(offSight(Vector3T<double>(50, 0, 0)), 1.0);
        typeKey(Qt::Key_F, Qt::AltModifier);
        EXPECT_LT(offSight(Vector3T<double>(50, 0, 0)), 1e-3);
        typeKey(Qt::Key_F, Qt::ControlModifier);
        EXPECT_LT(offSight(Vector3T<double>(50, 0, 0)), 1e-3);

        // Shift+V hides the selection, V shows it; Alt(+Shift)+V shows or hides everything.
        typeKey(Qt::Key_V, Qt::ShiftModifier);
        EXPECT_FALSE(shots->getObject(1)->hasState(Object3D::Visible));
        EXPECT_TRUE(shots->getObject(0)->hasState(Object3D::Visible));
        typeKey(Qt::Key_V, Qt::ControlModifier);
        EXPECT_FALSE(shots->getObject(1)->hasState(Object3D::Visible));
        typeKey(Qt::Key_V);
        EXPECT_TRUE(shots->getObject(1)->hasState(Object3D::Visible));
        typeKey(Qt::Key_V, Qt::AltModifier | Qt::ShiftModifier);
        EXPECT_EQ(countState(shots, Object3D::Visible) + countState(measures, Object3D::Visible), 0);
        typeKey(Qt::Key_V, Qt::AltModifier);
        EXPECT_EQ(countState(shots, Object3D::Visible) + countState(measures, Object3D::Visible), 3);
        shots->getObject(1)->disableState(Object3D::Selected);

        // Shift held turns drags into the object operation until it is released.
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : QApplication::activeWindow();
        QTest::keyPress(target, Qt::Key_Shift);
        EXPECT_EQ(mouse->getMouseMode(), MouseOperator::ObjectOperation);
        QTest::keyRelease(target, Qt::Key_Shift, Qt::ShiftModifier);
        EXPECT_EQ(mouse->getMouseMode(), MouseOperator::CameraOperation);

        length->trigger();
        ASSERT_TRUE(sameIcon(length->icon(), ":/icons/tool_distance_ON.png"));
        typeKey(Qt::Key_Escape);
        EXPECT_TRUE(sameIcon(length->icon(), ":/icons/tool_distance.png"));

        // Up and Down are no camera mode keys.
        typeKey(Qt::Key_Down);
        EXPECT_EQ(modeBox->currentIndex(), 0);
    }

    // Delete removes the selected objects, Backspace likewise; with nothing selected nothing goes.
    typeKey(Qt::Key_Delete);
    EXPECT_EQ(shots->getObjectSetSize(), 2u);
    shots->getObject(0)->enableState(Object3D::Selected);
    typeKey(Qt::Key_Delete);
    EXPECT_EQ(shots->getObjectSetSize(), 1u);
    measures->getObject(0)->enableState(Object3D::Selected);
    typeKey(Qt::Key_Backspace);
    EXPECT_EQ(measures->getObjectSetSize(), 0u);

    shots->stopDataLoading();
    shots->clearObject();
}

TEST_F(MainWindowTest, MeasureDialogMakesMeasuresFromPointsPickedInTheView)
{
    MeasureManager* measures = getMeasureManager();
    ReferencePointManager* points = getReferencePointManager();
    ClipBox* box = getClipBox();
    measures->clearObject();
    // The box's faces are the surface the points are picked on.
    box->enableState(Object3D::Visible);
    mWindow->resize(800, 600);
    mWindow->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(mWindow.get()));
    mWindow->activateWindow();
    QWidget* view = mWindow->findChild<QWidget*>("widgetOpenGL");
    ASSERT_TRUE(view);
    getScene()->fitView({});

    QAction* measure = findAction(mWindow.get(), "Measure...");
    ASSERT_TRUE(measure);
    points->pointLimit = 0;
    points->addNewReferencePoint(Vector3T<double>(9, 9, 9));
    measure->trigger();
    measure->trigger();
    const QList<MeasureCreationDialog*> dialogs = mWindow->findChildren<MeasureCreationDialog*>();
    ASSERT_EQ(dialogs.size(), 1);
    MeasureCreationDialog* dialog = dialogs[0];
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(points->pointLimit, 3u);
    EXPECT_TRUE(points->referencePoints.empty());
    QTableView* table = dialog->findChild<QTableView*>("tableView3DPoints");
    ASSERT_TRUE(table);

    // Shift held: clicks in the view place points on the surface under the pointer, here the
    // box's front face in the middle of the view.
    getMouseOperator()->setSelectionMode(MouseOperator::PointCreation);
    const QPoint centre(view->width() / 2, view->height() / 2);
    auto pick = [&](const std::vector<QPoint>& iOffsets) {
        view->setFocus();
        QTest::keyPress(view, Qt::Key_Shift);
        for (const QPoint& offset : iOffsets) {
            QTest::mouseMove(view, centre + offset);
            QTest::mouseClick(view, Qt::LeftButton, Qt::ShiftModifier, centre + offset);
        }
        QTest::keyRelease(view, Qt::Key_Shift, Qt::ShiftModifier);
    };
    pick({QPoint(-15, 10), QPoint(12, 10), QPoint(12, -12)});
    ASSERT_EQ(points->referencePoints.size(), 3u);
    const std::vector<Vector3T<double>> picked = points->referencePoints;
    ASSERT_EQ(table->model()->rowCount(), 3);
    EXPECT_EQ(table->model()->index(2, 0).data(Qt::EditRole).toDouble(), picked[2].x);

    // Length from the first two of the three points; all three then go.
    QPushButton* length = dialog->findChild<QPushButton*>("pushButtonMeasureLength");
    QPushButton* angle = dialog->findChild<QPushButton*>("pushButtonMeasureAngle");
    ASSERT_TRUE(length && angle && angle->isEnabled());
    QTest::mouseClick(length, Qt::LeftButton);
    ASSERT_EQ(measures->getObjectSetSize(), 1u);
    const MeasureLength* made = dynamic_cast<MeasureLength*>(measures->getData(0));
    ASSERT_TRUE(made);
    EXPECT_EQ(made->getPoints(), std::vector<Vector3T<double>>(picked.begin(), picked.begin() + 2));
    EXPECT_GT(made->getLength(), 0.0);
    EXPECT_TRUE(points->referencePoints.empty());
    EXPECT_EQ(table->model()->rowCount(), 0);

    pick({QPoint(-15, 10), QPoint(12, 10), QPoint(12, -12)});
    ASSERT_EQ(points->referencePoints.size(), 3u);
    QTest::mouseClick(angle, Qt::LeftButton);
    ASSERT_EQ(measures->getObjectSetSize(), 2u);
    const MeasureAngle* corner = dynamic_cast<MeasureAngle*>(measures->getData(1));
    ASSERT_TRUE(corner);
    EXPECT_GT(corner->getAngle(), 10.0);
    EXPECT_LT(corner->getAngle(), 170.0);

    // The next operation hides the dialog.
    findAction(mWindow.get(), "MeasureLength")->trigger();
    EXPECT_FALSE(dialog->isVisible());
    findAction(mWindow.get(), "NULL")->trigger();
    getMouseOperator()->setSelectionMode(MouseOperator::ObjectSelection);
    box->disableState(Object3D::Visible);
    measures->clearObject();
}

TEST_F(MainWindowTest, EveryDialogEntryOpensItsDialogOnce)
{
    mWindow->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(mWindow.get()));
    const char* entries[] = {"Scene Structure...", "Object Property...", "Scene Rendering...",
                             "Mouse Setting...", "Camera Setting...", "CameraPath...",
                             "Edit PointCloud...", "Best Fit...", "Transform...", "Measure..."};
    for (const char* entry : entries) {
        SCOPED_TRACE(entry);
        for (QDialog* dialog : mWindow->findChildren<QDialog*>())
            dialog->hide();
        QAction* action = findAction(mWindow.get(), entry);
        ASSERT_TRUE(action);
        const int before = mWindow->findChildren<QDialog*>().size();
        action->trigger();
        action->trigger();
        int shown = 0;
        for (QDialog* dialog : mWindow->findChildren<QDialog*>())
            shown += dialog->isVisible() ? 1 : 0;
        EXPECT_EQ(shown, 1);
        EXPECT_LE(mWindow->findChildren<QDialog*>().size(), before + 1);
    }
    // The transformation dialog takes one reference point; the next tool hides it.
    EXPECT_EQ(getReferencePointManager()->pointLimit, 3u);
    findAction(mWindow.get(), "Transform...")->trigger();
    EXPECT_EQ(getReferencePointManager()->pointLimit, 1u);
    QDialog* transform = nullptr;
    for (QDialog* dialog : mWindow->findChildren<QDialog*>())
        if (dialog->isVisible())
            transform = dialog;
    ASSERT_TRUE(transform);
    findAction(mWindow.get(), "NULL")->trigger();
    EXPECT_FALSE(transform->isVisible());
    for (QDialog* dialog : mWindow->findChildren<QDialog*>())
        dialog->hide();
}
