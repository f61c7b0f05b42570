#include "mainwindow.h"

#include "ui_mainwindow.h"

#include "camera.h"
#include "global.h"
#include "mouseoperator.h"
#include "pointcloud.h"
#include "pointcloudimp.h"
#include "pointcloudmanager.h"
#include "pointcloudsvoimp.h"
#include "pointfilesave.h"
#include "scene.h"
#include "scenestate.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QToolBar>

#include <iostream>
#include <memory>
#include <vector>

namespace {

// The file last opened: the target of Save.
std::string flFilePath;
MouseOperator* flMouseOperator = nullptr;

MouseOperator* FL_getMouseOperator()
{
    if (!flMouseOperator) {
        flMouseOperator = new MouseOperator();
        flMouseOperator->setModel(getScene());
    }
    return flMouseOperator;
}

PointCloud* FL_getPointCloud()
{
    return getPointCloudManager()->getData(0);
}

QString FL_fromUtf8(const std::string& iText)
{
    return QString::fromUtf8(iText.c_str(), static_cast<int>(iText.size()));
}

std::string FL_toUtf8(const QString& iText)
{
    return iText.toUtf8().toStdString();
}

} // namespace

MainWindow::MainWindow(QWidget* parent)
    : ViewWindow(parent), ui(new Ui_MainWindow), mViewDialogs(this, FL_getMouseOperator())
{
    ui->setupUi(this);
    setDialogs(&mViewDialogs);

    openAct = makeAction(tr("Open PointCloud File..."), tr("Open an existing file"), SLOT(open()), QKeySequence::Open);
    saveAct = makeAction(tr("Save PointCloud File..."), tr("Save the document to disk"),
                         SLOT(save()), QKeySequence::Save);
    saveAsAct = makeAction(tr("Save PointCloud File As..."), tr("Save the document to disk"),
                           SLOT(saveAs()), QKeySequence::SaveAs);
    exitAct = makeAction(tr("Exit"), tr("Exit the application"), SLOT(close()), QKeySequence::Quit);
    mouseSettingAct =
        makeAction(tr("Mouse Setting..."), tr("Show Dialog: Mouse Setting"), SLOT(showMouseSettingDialog()));
    objectBrowseAct = makeAction(tr("Structure..."), tr("Show Browser: Structure"), SLOT(showObjectBrowseDialog()));
    objectPropertyAct =
        makeAction(tr("Property..."), tr("Show Browser: Property"), SLOT(showObjectPropertyDialog()));
    sceneRenderingAct =
        makeAction(tr("Scene Rendering..."), tr("Show Dialog: SceneRendering"), SLOT(showSceneDialog()));
    cameraSettingAct =
        makeAction(tr("Camera Setting..."), tr("Show Dialog: CameraSetting"), SLOT(showCameraWorkDialog()));
    aboutAct = makeAction(tr("About..."), tr("Show the application's About box"), SLOT(about()));

    fileMenu = addActionMenu(tr("File"), {openAct, saveAct, saveAsAct, nullptr, exitAct});
    browserMenu = addActionMenu(tr("Browser"), {objectBrowseAct, objectPropertyAct});
    sceneMenu = addActionMenu(tr("Scene"), {sceneRenderingAct, cameraSettingAct, mouseSettingAct});
    helpMenu = addActionMenu(tr("Help"), {aboutAct});
    cameraToolBar = addToolBar(tr("Camera"));
    cameraToolBar->addWidget(cameraModeBox);

    // The cloud may also go through the object browser: title and Save follow the manager.
    connect(getPointCloudManager(), SIGNAL(changedStructure()), this, SLOT(updateTitle()));
    connect(getPointCloudManager(), SIGNAL(changedStructure()), this, SLOT(updateActionFile()));
    updateTitle();
    updateActionFile();
    ui->widgetOpenGL->setModel(getScene(), getSceneState(), FL_getMouseOperator());
    setView(ui->widgetOpenGL, &getSceneState()->getCamera());
}

MainWindow::~MainWindow()
{
    delete ui;
}

void MainWindow::updateTitle()
{
    const PointCloud* cloud = FL_getPointCloud();
    setWindowTitle(cloud ? FL_fromUtf8(cloud->getDataFileName()) : tr("No PointCloud..."));
}

void MainWindow::updateActionFile()
{
    const bool hasCloud = FL_getPointCloud() != nullptr;
    saveAct->setEnabled(hasCloud);
    saveAsAct->setEnabled(hasCloud);
}

void MainWindow::open()
{
    open(FL_toUtf8(QFileDialog::getOpenFileName(this, tr("Open File"), QString(),
                                                tr("Original PointCloud File (*.zrpcd)"))));
}

void MainWindow::open(std::string iFilePath)
{
    std::cout << iFilePath << std::endl;
    if (iFilePath.empty())
        return;
    std::string error;
    PointCloudData data;
    {
        PointCloudSVOImp<ColorBlock, PointBlock> octree(iFilePath);
        if (!octree.loadSVO_Base(error)) {
            // A header of another file kind (a point-matrix file, say) leaves no message of its own.
            if (error.empty())
                error = FL_toUtf8(tr("Not an octree point file (.zrpcd)."));
            std::cout << "File Open Error: " << iFilePath << "\nError Message: " << error << std::endl;
            statusBar()->showMessage(tr("Cannot open: ") + FL_fromUtf8(iFilePath) + " " + FL_fromUtf8(error));
            return;
        }
        if (!octree.loadSVO(error)) {
            std::cout << "File Loading Error: " << iFilePath << "\nError Message: " << error << std::endl;
            statusBar()->showMessage(tr("Cannot read: ") + FL_fromUtf8(iFilePath) + " " + FL_fromUtf8(error));
            return;
        }
        // Nothing less than every point may reach the list: Save would drop the rest.
        if (!octree.getPointCloudData(&data)) {
            std::cout << "File Loading Error: " << iFilePath << std::endl;
            statusBar()->showMessage(tr("Cannot read: ") + FL_fromUtf8(iFilePath));
            return;
        }
    }
    PointCloudImp* list = PointCloudImp::generateFromPCD(data, iFilePath, error);

    const QFileInfo info(FL_fromUtf8(iFilePath));
    PointCloud* cloud = new PointCloud();
    cloud->setName(FL_toUtf8(info.filePath()));
    cloud->setColor(Color(255, 255, 255, 255));
    cloud->setDataFileName(FL_toUtf8(info.fileName()));
    cloud->setBoundingBox(BoundingBox(list->getCenter(), list->getSize()));
    cloud->setPointCloud(list);
    const Vector3T<double> center = list->getCenter();
    const Vector3T<double> size = list->getSize();
    std::cout << "Name: " << cloud->getName() << "\nBounsingBox::Center: " << center.x << ", " << center.y << ", "
              << center.z << "\nBoundingBox::Size: " << size.x << ", " << size.y << ", " << size.z
              << "\nDataFileName: " << cloud->getDataFileName() << std::endl;

    // The cloud owns its point list: the previous list goes with the previous cloud.
    PointCloudManager* manager = getPointCloudManager();
    if (manager->getObjectSetSize() > 0)
        manager->clearObject();
    flFilePath = iFilePath;
    manager->addNewObject(cloud);
}

void MainWindow::save()
{
    if (FL_getPointCloud())
        saveTo(flFilePath);
}

void MainWindow::saveAs()
{
    if (!FL_getPointCloud())
        return;
    const QString path =
        QFileDialog::getSaveFileName(this, tr("Save File"), QString(), tr("PointCloud File (*.zrpcd)"));
    if (!path.isEmpty())
        saveTo(FL_toUtf8(path));
}

void MainWindow::saveTo(const std::string& iFilePath)
{
    PointCloudData data;
    if (!FL_getPointCloud()->getPointCloud() || !FL_getPointCloud()->getPointCloud()->getPointCloudData(&data)) {
        std::cout << "Save Error: no points to write to " << iFilePath << std::endl;
        statusBar()->showMessage(tr("Cannot save: ") + FL_fromUtf8(iFilePath));
        return;
    }
    // Written beside the file and moved over it only when complete: a failed save keeps the old file.
    std::string error;
    if (savePointCloudDataAsSVOB(data, iFilePath, error)) {
        std::cout << "Saved: " << iFilePath << std::endl;
        statusBar()->showMessage(tr("Saved: ") + FL_fromUtf8(iFilePath));
    } else {
        std::cout << "Save Error: " << error << std::endl;
        statusBar()->showMessage(tr("Cannot save: ") + FL_fromUtf8(error));
    }
}

void MainWindow::about()
{
    QMessageBox::information(this, tr("Information()"), tr("Brenmoor Ver0.1"), QMessageBox::Ok);
}

void MainWindow::changeOperationMode()
{
    MouseOperator* mouse = FL_getMouseOperator();
    mouse->setMouseMode(mouse->getMouseMode() == MouseOperator::MouseMode(1) ? MouseOperator::MouseMode(0)
                                                                               : MouseOperator::MouseMode(1));
}

void MainWindow::repaintView()
{
    ui->widgetOpenGL->update();
}

void MainWindow::keyPressEvent(QKeyEvent* iEvent)
{
    PointCloud* cloud = FL_getPointCloud();
    PointCloudInterface* points = cloud ? cloud->getPointCloud() : nullptr;
    if (iEvent->modifiers() & Qt::ControlModifier) {
        if (iEvent->key() == Qt::Key_A && points) {
            if (iEvent->modifiers() & Qt::ShiftModifier)
                points->deselectPointALL();
            else
                points->selectPointALL();
            repaintView();
        }
        return;
    }
    switch (iEvent->key()) {
    case Qt::Key_A:
        if (cloud) {
            if (cloud->hasState(Object3D::Visible))
                cloud->disableState(Object3D::Visible);
            else
                cloud->enableState(Object3D::Visible);
            repaintView();
        }
        break;
    case Qt::Key_F:
        if (cloud)
            getScene()->fitView(std::vector<Object3D*>{cloud});
        break;
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
        if (points) {
            points->deleteSelectedPoint();
            repaintView();
        }
        break;
    case Qt::Key_Shift:
        FL_getMouseOperator()->setMouseMode(MouseOperator::MouseMode(1));
        break;
    default:
        break;
    }
}

void MainWindow::keyReleaseEvent(QKeyEvent* iEvent)
{
    if (iEvent->key() == Qt::Key_Shift)
        FL_getMouseOperator()->setMouseMode(MouseOperator::MouseMode(0));
}
