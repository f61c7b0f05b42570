#include "mainwindow.h"

#include "ui_mainwindow.h"

#include "bestfitdialog.h"
#include "camera.h"
#include "camerapathdialog.h"
#include "camerapathmanager.h"
#include "clipbox.h"
#include "commands.h"
#include "commentmanager.h"
#include "global.h"
#include "measurecreationdialog.h"
#include "measuremanager.h"
#include "mouseoperator.h"
#include "objecttransformationdialog.h"
#include "pointcloud.h"
#include "pointcloudeditdialog.h"
#include "pointcloudmanager.h"
#include "projectcommands.h"
#include "projectoperator.h"
#include "referencepoint.h"
#include "scene.h"
#include "scenestate.h"
#include "viewdialogs.h"

#include <QAction>
#include <QComboBox>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPointer>
#include <QStatusBar>
#include <QToolBar>

#include <cmath>
#include <iostream>
#include <string>
#include <vector>

namespace
{
ProjectOperator* flProjectOperator = nullptr;

Command_NULL flCommand_NULL;
Command_TransformByManipulator flCommand_TransformByManipulator;
Command_MeasureLength flCommand_MeasureLength;
Command_MeasureAngle flCommand_MeasureAngle;
Command_Comment flCommand_Comment;

Command* flCommand = &flCommand_NULL;
// The tool dialog last shown; hidden when another operation is chosen. Cleared when the window
// that owns the dialog goes.
QPointer<QWidget> flDialog;

ProjectOperator* FL_getProjectOperator()
{
    if (!flProjectOperator)
        flProjectOperator = new ProjectOperator();
    return flProjectOperator;
}

// Every shot, measure, comment and camera path; not the managers, the polygons or the clip box.
void FL_setStateSceneObject(Scene* /*iScene*/, Object3D::State iState, bool iOn)
{
    const std::vector<Object3D*> managers = {getPointCloudManager(), getMeasureManager(), getCommentManager(),
                                             getCameraPathManager()};
    for (Object3D* manager : managers)
    {
        for (unsigned int i = 0; i < manager->getObjectSetSize(); ++i)
        {
            Object3D* child = manager->getObject(static_cast<int>(i));
            if (!child)
                continue;
            if (iOn)
                child->enableState(iState);
            else
                child->disableState(iState);
        }
    }
}

// Hue in degrees, saturation 0..1 and value 0..255 of a colour.
void FL_getHSV(const Color& iColor, float* oH, float* oS, float* oV)
{
    const float r = iColor.red;
    const float g = iColor.green;
    const float b = iColor.blue;
    const float maximum = std::max(r, std::max(g, b));
    const float minimum = std::min(r, std::min(g, b));
    const float delta = maximum - minimum;
    if (maximum <= 0.0f)
    {
        *oH = 0.0f;
        *oS = 0.0f;
        *oV = 0.0f;
        return;
    }
    float h = 0.0f;
    if (delta > 0.0f)
    {
        if (maximum == r)
            h = 60.0f * (g - b) / delta;
        else if (maximum == g)
            h = 120.0f + 60.0f * (b - r) / delta;
        else
            h = 240.0f + 60.0f * (r - g) / delta;
        if (h < 0.0f)
            h += 360.0f;
    }
    *oH = h;
    *oS = delta / maximum;
    *oV = maximum;
}

Color FL_getRGB(int iH, float iS, int iV)
{
    if (iS <= 0.0f)
        return Color(iV, iV, iV, 255);
    const int k = iH / 60;
    const float f = iH / 60.0f - k;
    const int p = static_cast<int>(iV * (1.0f - iS));
    const int q = static_cast<int>(iV * (1.0f - iS * f));
    const int u = static_cast<int>(iV * (1.0f - iS * (1.0f - f)));
    switch (k)
    {
    case 0: return Color(iV, u, p, 255);
    case 1: return Color(q, iV, p, 255);
    case 2: return Color(p, iV, u, 255);
    case 3: return Color(p, q, iV, 255);
    case 4: return Color(u, p, iV, 255);
    default: return Color(iV, p, q, 255);
    }
}

QString FL_fromUtf8(const std::string& iText)
{
    return QString::fromUtf8(iText.c_str(), static_cast<int>(iText.size()));
}

// Hides the tool dialog, leaves the current command and enters the chosen one.
void FL_switchCommand(Command* iCommand)
{
    if (flDialog)
    {
        flDialog->hide();
        flDialog = nullptr;
    }
    flCommand->disable();
    flCommand = iCommand;
    flCommand->enable();
}

// Shows iDialog as the tool dialog in place of the previous one, with a fresh set of at most
// iPointLimit reference points.
void FL_showToolDialog(QDialog* iDialog, ReferencePointManager* ioPoints, int iPointLimit)
{
    if (flDialog)
        flDialog->hide();
    ioPoints->pointLimit = iPointLimit;
    ioPoints->deleteReferencePointALL();
    iDialog->activateWindow();
    iDialog->show();
    flDialog = iDialog;
}

} // namespace

MainWindow::MainWindow(QWidget* parent)
    : ViewWindow(parent), ui(new Ui_MainWindow), mViewDialogs(this, getMouseOperator())
{
    ui->setupUi(this);
    setDialogs(&mViewDialogs);
    createActions();
    createMenus();
    createToolBars();
    updateTitle();
    updateActionFile();

    mCameraPathDialog = nullptr;
    mObjectTransformationDialog = nullptr;
    mPointCloudEditDialog = nullptr;
    mBestFitDialog = nullptr;
    mMeasureCreationDialog = nullptr;

    ui->widgetOpenGL->setModel(getScene(), getSceneState(), getMouseOperator());

    setView(ui->widgetOpenGL, &getSceneState()->getCamera());
    connect(FL_getProjectOperator(), SIGNAL(changedProjectState()), this, SLOT(updateTitle()));
    connect(FL_getProjectOperator(), SIGNAL(changedProjectState()), this, SLOT(updateActionFile()));
    connect(FL_getProjectOperator(), SIGNAL(changedProjectState()), this, SLOT(updatePointCloudEditFolder()));
}

MainWindow::~MainWindow()
{
    delete ui;
}

void MainWindow::createActions()
{
    createActionFile();
    createActionMouseMode();
    createActionBrowser();
    createActionScene();
    createActionPointCloud();
    createActionTool();
    createActionHelp();
}

void MainWindow::createActionFile()
{
    newProjectAct = makeAction(tr("Create New Project..."), tr("Create a new file"),
                               SLOT(createNewProject()), QKeySequence::New);
    openProjectAct = makeAction(tr("Open Project..."), tr("Open an existing file"),
                                SLOT(openProject()), QKeySequence::Open);
    saveProjectAct = makeAction(tr("Save Project"), tr("Save the document to disk"),
                                SLOT(saveProject()), QKeySequence::Save);
    importPointCloudAct =
        makeAction(tr("Import PointCloud..."), tr("Import PointCloud to disk"), SLOT(importPointCloud()));
    importPointCloudAct->setShortcut(QKeySequence(Qt::CTRL + Qt::Key_I));
    exitAct = makeAction(tr("Exit"), tr("Exit the application"), SLOT(close()), QKeySequence::Quit);
}

void MainWindow::createActionMouseMode()
{
    mouseSettingAct =
        makeAction(tr("Mouse Setting..."), tr("Show Dialog: Mouse Setting"), SLOT(showMouseSettingDialog()));
}

void MainWindow::createActionBrowser()
{
    objectBrowseAct = makeAction(tr("Scene Structure..."), tr("Show Browser: Scene Structure"),
                                    SLOT(showObjectBrowseDialog()));
    objectPropertyAct = makeAction(tr("Object Property..."), tr("Show Browser: Object Property"),
                                      SLOT(showObjectPropertyDialog()));
}

void MainWindow::createActionScene()
{
    sceneRenderingAct =
        makeAction(tr("Scene Rendering..."), tr("Show Dialog: SceneRendering"), SLOT(showSceneDialog()));
    cameraSettingAct =
        makeAction(tr("Camera Setting..."), tr("Show Dialog: CameraSetting"), SLOT(showCameraWorkDialog()));
    cameraPathAct = makeAction(tr("CameraPath..."), tr("Show Dialog: CameraPath"), SLOT(showCameraPathDialog()));

}

void MainWindow::createActionPointCloud()
{
    editPointCloudAct =
        makeAction(tr("Edit PointCloud..."), tr("Show Dialog: Edit"), SLOT(showPointCloudEditDialog()));
    bestFitAct = makeAction(tr("Best Fit..."), tr("Show Dialog: Best Fit"), SLOT(showBestFitDialog()));
    shotColorAutoAct = makeAction(tr("Set Shot Color (Automatic)"), tr("Set Shot Color (Automatic)"),
                                     SLOT(setShotColorAuto()));
}

void MainWindow::createActionTool()
{
    toolNullAct = makeAction(tr("NULL"), tr("NULL: Object Selection"), SLOT(changeOperation_NULL()));
    toolTransformAct =
        makeAction(tr("Transform..."), tr("Show Dialog: Transform"), SLOT(changeOperation_Transform()));
    toolTransformByManipulatorAct = makeAction(tr("Transform By Manipulator"), tr("Transform: Select Object!"),
                                                  SLOT(changeOperation_TransformByManipulator()));
    toolTransformByManipulatorAct->setIcon(QIcon(":/icons/tool_translation.png"));
    toolMeasureAct = makeAction(tr("Measure..."), tr("Show Dialog: Measure"), SLOT(changeOperation_Measure()));
    toolMeasureLengthAct = makeAction(tr("MeasureLength"), tr("Measure Length: Select 2 Points!"),
                                         SLOT(changeOperation_MeasureLength()));
    toolMeasureLengthAct->setIcon(QIcon(":/icons/tool_distance.png"));
    toolMeasureAngleAct = makeAction(tr("MeasureAngle"), tr("Measure Angle: Select 3 Points!"),
                                        SLOT(changeOperation_MeasureAngle()));
    toolMeasureAngleAct->setIcon(QIcon(":/icons/tool_degree.png"));
    toolCommentAct =
        makeAction(tr("Comment"), tr("Create Comment: Select 1 Point!"), SLOT(changeOperation_Comment()));
    toolCommentAct->setIcon(QIcon(":/icons/tool_comment.png"));
}

void MainWindow::createActionHelp()
{
    aboutAct = makeAction(tr("About..."), tr("Show the application's About box"), SLOT(about()));
}

void MainWindow::createMenus()
{
    fileMenu = addActionMenu(tr("File"),
                             {newProjectAct, openProjectAct, saveProjectAct, importPointCloudAct, nullptr, exitAct});
    browserMenu = addActionMenu(tr("Browser"), {objectBrowseAct, objectPropertyAct});
    sceneMenu = addActionMenu(tr("Scene"), {sceneRenderingAct, mouseSettingAct, cameraSettingAct, cameraPathAct});
    pointCloudMenu = addActionMenu(tr("PointCloud"), {editPointCloudAct, bestFitAct, shotColorAutoAct});
    helpMenu = addActionMenu(tr("Help"), {aboutAct});
}

void MainWindow::createToolBars()
{
    cameraToolBar = addToolBar(tr("Camera"));
    cameraToolBar->addWidget(cameraModeBox);

    operationToolBar = addToolBar(tr("Operation"));
    operationToolBar->addAction(toolTransformByManipulatorAct);
    operationToolBar->addAction(toolMeasureLengthAct);
    operationToolBar->addAction(toolMeasureAngleAct);
    operationToolBar->addAction(toolCommentAct);
}

void MainWindow::updateTitle()
{
    ProjectOperator* project = FL_getProjectOperator();
    if (project->hasProject())
        setWindowTitle(FL_fromUtf8(project->getProjectName()));
    else
        setWindowTitle(tr("No Project..."));
}

void MainWindow::updateActionFile()
{
    const bool hasProject = FL_getProjectOperator()->hasProject();
    saveProjectAct->setEnabled(hasProject);
    importPointCloudAct->setEnabled(hasProject);
}

void MainWindow::createNewProject()
{
    projectcommand::createNewProject(this, FL_getProjectOperator());
}

void MainWindow::openProject()
{
    projectcommand::openProject(this, FL_getProjectOperator());
}

void MainWindow::saveProject()
{
    projectcommand::saveProject(this, FL_getProjectOperator());
}

void MainWindow::importPointCloud()
{
    const QStringList paths = QFileDialog::getOpenFileNames(
        this, tr("Import Files"), QString(),
        tr("ALL Files(*.*);;Original PointCloud Files (*.zrpcd);;PointCloudData Files (*.pcd);;JPGIS Files "
           "(*.xml);;PTX Files(*.ptx)"));
    if (paths.isEmpty())
        return;
    bool allImported = true;
    for (const QString& path : paths)
    {
        std::string err;
        if (!FL_getProjectOperator()->importPointCloud(path.toUtf8().toStdString(), err))
        {
            std::cout << "Import Error: " << err << std::endl;
            allImported = false;
        }
    }
    if (allImported)
        QMessageBox::information(this, tr("Information"), tr("All Imported."));
    else
        QMessageBox::warning(this, tr("Warning"), tr("Several Files can not imported..."));
}

void MainWindow::importPolygon()
{
    const QStringList paths = QFileDialog::getOpenFileNames(this, tr("Import Files"), QString(),
                                                            tr("ALL Files(*.*);;STL Files (*.stl);;JPGIS Files (*.xml)"));
    if (paths.isEmpty())
        return;
    bool allImported = true;
    for (const QString& path : paths)
    {
        std::string err;
        if (!FL_getProjectOperator()->importPolygon(path.toUtf8().toStdString(), err))
        {
            std::cout << "Import Error: " << err << std::endl;
            allImported = false;
        }
        else
        {
            std::cout << "Import OK." << std::endl;
        }
    }
    if (allImported)
        QMessageBox::information(this, tr("Information"), tr("All Imported."));
    else
        QMessageBox::warning(this, tr("Warning"), tr("Several Files can not imported..."));
}

void MainWindow::print()
{
    QMessageBox::information(this, tr("Information()"), tr("Invoked <b>File|Print</b>"), QMessageBox::Ok);
}

void MainWindow::about()
{
    QMessageBox::information(this, tr("Information()"), tr("Vistrel Ver0.1"), QMessageBox::Ok);
}

void MainWindow::showCameraPathDialog()
{
    if (!mCameraPathDialog)
        mCameraPathDialog = new CameraPathDialog(this);
    mCameraPathDialog->setTarget(getCameraPathManager());
    mCameraPathDialog->setSceneState(getSceneState());
    mCameraPathDialog->setPCM(getPointCloudManager());
    mCameraPathDialog->setQGLWidget(ui->widgetOpenGL);
    mCameraPathDialog->activateWindow();
    mCameraPathDialog->show();
}

void MainWindow::showPointCloudEditDialog()
{
    if (!mPointCloudEditDialog)
        mPointCloudEditDialog = new PointCloudEditDialog(this);
    mPointCloudEditDialog->setTarget(getPointCloudManager());
    updatePointCloudEditFolder();
    mPointCloudEditDialog->activateWindow();
    mPointCloudEditDialog->show();
}

// The dialog stays open across project changes; its Edit must open the files of the project
// that is open now, not of the one open when the dialog was shown.
void MainWindow::updatePointCloudEditFolder()
{
    if (mPointCloudEditDialog)
        mPointCloudEditDialog->setFolderPath(FL_getProjectOperator()->getPointCloudFolderPath());
}

void MainWindow::showBestFitDialog()
{
    if (!mBestFitDialog)
        mBestFitDialog = new BestFitDialog(this);
    mBestFitDialog->setTarget(getPointCloudManager());
    mBestFitDialog->activateWindow();
    mBestFitDialog->show();
}

void MainWindow::setShotColorAuto()
{
    PointCloudManager* manager = getPointCloudManager();
    const int n = static_cast<int>(manager->getObjectSetSize());
    float h0, s0, v0, h1, s1, v1;
    FL_getHSV(Color(0, 0, 255, 255), &h0, &s0, &v0);
    FL_getHSV(Color(255, 0, 0, 255), &h1, &s1, &v1);
    for (int i = 0; i < n; ++i)
    {
        PointCloud* shot = manager->getData(i);
        if (!shot)
            continue;
        const float t = static_cast<float>(i) / static_cast<float>(n);
        const int h = static_cast<int>(h0 + (h1 - h0) * t);
        const float s = s0 + (s1 - s0) * t;
        const int v = static_cast<int>(v0 + (v1 - v0) * t);
        shot->setColor(FL_getRGB(h, s, v));
    }
}

void MainWindow::updateToolIcons()
{
    toolTransformByManipulatorAct->setIcon(QIcon(flCommand == &flCommand_TransformByManipulator
                                                     ? ":/icons/tool_translation_ON.png"
                                                     : ":/icons/tool_translation.png"));
    toolMeasureLengthAct->setIcon(QIcon(flCommand == &flCommand_MeasureLength ? ":/icons/tool_distance_ON.png"
                                                                              : ":/icons/tool_distance.png"));
    toolMeasureAngleAct->setIcon(QIcon(flCommand == &flCommand_MeasureAngle ? ":/icons/tool_degree_ON.png"
                                                                            : ":/icons/tool_degree.png"));
    toolCommentAct->setIcon(
        QIcon(flCommand == &flCommand_Comment ? ":/icons/tool_comment_ON.png" : ":/icons/tool_comment.png"));
}

void MainWindow::changeOperation_Transform()
{
    if (!mObjectTransformationDialog) {
        mObjectTransformationDialog = new ObjectTransformationDialog(this);
        mObjectTransformationDialog->setModel(getScene());
    }
    FL_showToolDialog(mObjectTransformationDialog, getReferencePointManager(), 1);
}

void MainWindow::changeOperation_Measure()
{
    if (!mMeasureCreationDialog)
        mMeasureCreationDialog = new MeasureCreationDialog(this);
    mMeasureCreationDialog->setTarget(getMeasureManager());
    mMeasureCreationDialog->setRPM(getReferencePointManager());
    FL_showToolDialog(mMeasureCreationDialog, getReferencePointManager(), 3);
}

void MainWindow::changeOperation_TransformByManipulator()
{
    FL_switchCommand(&flCommand_TransformByManipulator);
    updateToolIcons();
}

void MainWindow::changeOperation_MeasureLength()
{
    FL_switchCommand(&flCommand_MeasureLength);
    updateToolIcons();
}

void MainWindow::changeOperation_MeasureAngle()
{
    FL_switchCommand(&flCommand_MeasureAngle);
    updateToolIcons();
}

void MainWindow::changeOperation_Comment()
{
    FL_switchCommand(&flCommand_Comment);
    updateToolIcons();
}

void MainWindow::changeOperation_NULL()
{
    FL_switchCommand(&flCommand_NULL);
    updateToolIcons();
}

void MainWindow::changeOperationMode()
{
    MouseOperator* mouse = getMouseOperator();
    mouse->setMouseMode(mouse->getMouseMode() == MouseOperator::ObjectOperation ? MouseOperator::CameraOperation
                                                                                : MouseOperator::ObjectOperation);
}

void MainWindow::flipClipBoxVisible()
{
    ClipBox* clipBox = getClipBox();
    if (clipBox->hasState(Object3D::Visible))
        clipBox->disableState(Object3D::Visible);
    else
        clipBox->enableState(Object3D::Visible);
}

void MainWindow::flipClipBoxEnable()
{
    ClipBox* clipBox = getClipBox();
    clipBox->setEnable(!clipBox->enable);
}

void MainWindow::keyPressEvent(QKeyEvent* iEvent)
{
    const Qt::KeyboardModifiers modifiers = iEvent->modifiers();
    const bool alt = modifiers & Qt::AltModifier;
    const bool shift = modifiers & Qt::ShiftModifier;
    Scene* scene = getScene();
    if (modifiers & Qt::ControlModifier)
    {
        if (iEvent->key() == Qt::Key_A)
            FL_setStateSceneObject(scene, Object3D::Selected, !shift);
        return;
    }
    std::vector<Object3D*> selected;
    switch (iEvent->key())
    {
    case Qt::Key_F:
        if (!alt)
            scene->collectObject(&selected, Object3D::Selected, true);
        scene->fitView(selected);
        break;
    case Qt::Key_V:
        if (alt)
        {
            FL_setStateSceneObject(scene, Object3D::Visible, !shift);
            break;
        }
        scene->collectObject(&selected, Object3D::Selected, true);
        for (Object3D* object : selected)
        {
            if (shift)
                object->disableState(Object3D::Visible);
            else
                object->enableState(Object3D::Visible);
        }
        break;
    case Qt::Key_Escape:
        changeOperation_NULL();
        break;
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
        scene->collectObject(&selected, Object3D::Selected, true);
        scene->deleteObject(selected);
        break;
    case Qt::Key_Shift:
        getMouseOperator()->setMouseMode(MouseOperator::ObjectOperation);
        break;
    default:
        break;
    }
}

void MainWindow::keyReleaseEvent(QKeyEvent* iEvent)
{
    if (iEvent->key() == Qt::Key_Shift)
        getMouseOperator()->setMouseMode(MouseOperator::CameraOperation);
}
