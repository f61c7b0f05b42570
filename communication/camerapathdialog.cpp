#include "camerapathdialog.h"

#include "camerapath.h"
#include "camerapathmanager.h"
#include "pointcloudmanager.h"
#include "pointcloudparameter.h"
#include "renamedialog.h"
#include "scenestate.h"
#include "ui_camerapathdialog.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGLWidget>
#include <QImage>
#include <QMessageBox>
#include <QProcess>
#include <QProgressDialog>
#include <QSaveFile>
#include <QTimer>

#include <cmath>
#include <iostream>
#include <vector>

namespace
{

// Where the dialog stands on the current path; forgotten on every show and hide.
struct PathInfo
{
    int currentPath = -1;
    int currentCheckPoint = -1;
    double position = 0.0; // distance along the path where playback and export go on
    QPointer<CameraPathManager> manager;
    QPointer<SceneState> sceneState;

    // Null when the current index names no path.
    CameraPath* getPath() const
    {
        return manager && currentPath >= 0 ? manager->getData(currentPath) : nullptr;
    }

    std::string getDataName() const
    {
        const CameraPath* path = getPath();
        return path ? path->getName() : std::string();
    }

    // Makes check point iIndex current and moves the camera there; nothing for a bad index.
    void goToCheckPoint(int iIndex)
    {
        const CameraPath* path = getPath();
        double distance = 0.0;
        Camera::LookAtData point;
        if (!path || !path->getDistance(iIndex, &distance) || !path->getPoint(iIndex, &point))
            return;
        currentCheckPoint = iIndex;
        position = distance;
        if (sceneState)
            sceneState->getCamera().setLookAtData(point);
    }

    // Moves the camera iStep further along the path; false at the end of the path or without one.
    bool progressCamera(double iStep)
    {
        const CameraPath* path = getPath();
        double total = 0.0;
        if (!path || !path->getDistance(path->getListSize() - 1, &total))
            return false;
        position = std::min(position + iStep, total);
        Camera::LookAtData frame;
        if (!path->getFrame(&frame, position)) {
            std::cout << "Failed: getFrame..." << std::endl;
            return false;
        }
        if (sceneState)
            sceneState->getCamera().setLookAtData(frame);
        return true;
    }

    // Whether the camera has gone the whole of an existing path.
    bool atEnd() const
    {
        const CameraPath* path = getPath();
        double total = 0.0;
        return path && path->getDistance(path->getListSize() - 1, &total) && position >= total;
    }

    int getCheckPointNumber() const
    {
        const CameraPath* path = getPath();
        return path ? path->getListSize() : 0;
    }
};

PathInfo flPathInfo;

// The playback clock, made on first use and gone with the application.
QTimer* FL_getAnimationTimer()
{
    static QPointer<QTimer> timer;
    if (!timer)
        timer = new QTimer(QCoreApplication::instance());
    return timer;
}

QString FL_framePath(const std::string& iFolderPath, int iIndex)
{
    return QString::fromStdString(iFolderPath) + "/" + "PNG" + "_" + QString::number(iIndex) + ".png";
}

// Whole or not at all: encoded first, written beside its place and moved there once the
// bytes are on disk, so that a full disk or a write error is seen here and leaves no cut frame.
bool FL_saveFrame(const QImage& iImage, const QString& iPath)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !iImage.save(&buffer, "PNG"))
        return false;
    QSaveFile file(iPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return false;
    // A short write at the disk's end can pass the flush unreported.
    if (QFileInfo(iPath).size() == bytes.size())
        return true;
    QFile::remove(iPath);
    return false;
}

QString FL_ffmpegPath()
{
    return QCoreApplication::applicationDirPath() + "/" + "ffmpeg";
}

} // namespace

CameraPathDialog::CameraPathDialog(QWidget* parent) : QDialog(parent), ui(new Ui_CameraPathDialog)
{
    ui->setupUi(this);
    connect(ui->listWidgetPath, SIGNAL(currentRowChanged(int)), this, SLOT(changedPathListCurrentIndex()));
    connect(ui->listWidgetPath, SIGNAL(clicked(QModelIndex)), this, SLOT(clickedPathList()));
    connect(ui->pushButtonCreateNewPath, SIGNAL(clicked()), this, SLOT(clickedButtonCreateNewPath()));
    connect(ui->pushButtonRenamePath, SIGNAL(clicked()), this, SLOT(clickedButtonRenamePath()));
    connect(ui->listWidgetCheckPoint, SIGNAL(currentRowChanged(int)), this,
            SLOT(changedCheckPointListCurrentIndex()));
    connect(ui->listWidgetCheckPoint, SIGNAL(clicked(QModelIndex)), this, SLOT(clickedCheckPointList()));
    connect(ui->pushButtonAddNewCheckPoint, SIGNAL(clicked()), this, SLOT(clickedButtonAddNewCheckPoint()));
    connect(ui->pushButtonSetCheckPoint, SIGNAL(clicked()), this, SLOT(clickedButtonSetCheckPoint()));
    connect(ui->pushButtonDeleteCheckPoint, SIGNAL(clicked()), this, SLOT(clickedButtonDeleteCheckPoint()));
    connect(ui->pushButtonDeleteALLCheckPoint, SIGNAL(clicked()), this, SLOT(clickedButtonDeleteALLCheckPoint()));
    connect(ui->pushButtonPlay, SIGNAL(clicked()), this, SLOT(pushButtonPlay()));
    connect(ui->pushButtonExportAnimation, SIGNAL(clicked()), this, SLOT(clickedButtonExportAnimation()));
}

CameraPathDialog::~CameraPathDialog()
{
    delete ui;
}

void CameraPathDialog::setTarget(CameraPathManager* iManager)
{
    mManager = iManager;
}

void CameraPathDialog::setSceneState(SceneState* iSceneState)
{
    mSceneState = iSceneState;
}

void CameraPathDialog::setPCM(PointCloudManager* iManager)
{
    mPointCloudManager = iManager;
}

void CameraPathDialog::setQGLWidget(QGLWidget* iView)
{
    mView = iView;
}

void CameraPathDialog::setVisible(bool iVisible)
{
    flPathInfo.currentPath = -1;
    flPathInfo.currentCheckPoint = -1;
    flPathInfo.position = 0.0;
    flPathInfo.manager = mManager;
    flPathInfo.sceneState = mSceneState;
    if (mManager)
        mManager->setSelectedALL(false);

    if (iVisible) {
        updatePathList();
        updatePathListButtons();
        updateCheckPointGUI();
        updateAnimationGUI();
        connectShown();
    } else {
        // A playback still running stops at its next tick after the next show.
        disconnectShown();
    }
    QDialog::setVisible(iVisible);
}

void CameraPathDialog::connectShown()
{
    // Unique: the main window shows the dialog again on every use, and a second timer
    // connection would move the camera two steps a tick.
    if (mManager) {
        connect(mManager.data(), SIGNAL(changedStructure()), this, SLOT(updatePathGUI()), Qt::UniqueConnection);
        connect(mManager.data(), SIGNAL(changedValue()), this, SLOT(updateCheckPointGUI()), Qt::UniqueConnection);
        connect(mManager.data(), SIGNAL(changedValue()), this, SLOT(updateAnimationGUI()), Qt::UniqueConnection);
    }
    connect(FL_getAnimationTimer(), SIGNAL(timeout()), this, SLOT(progressFrame()), Qt::UniqueConnection);
}

void CameraPathDialog::disconnectShown()
{
    if (mManager) {
        disconnect(mManager.data(), SIGNAL(changedStructure()), this, SLOT(updatePathGUI()));
        disconnect(mManager.data(), SIGNAL(changedValue()), this, SLOT(updateCheckPointGUI()));
        disconnect(mManager.data(), SIGNAL(changedValue()), this, SLOT(updateAnimationGUI()));
    }
    disconnect(FL_getAnimationTimer(), SIGNAL(timeout()), this, SLOT(progressFrame()));
}

void CameraPathDialog::updatePathGUI()
{
    updatePathList();
    updatePathListButtons();
}

void CameraPathDialog::updatePathList()
{
    QStringList names;
    if (mManager)
        for (const std::string& name : mManager->getPathNameList())
            names.append(QString::fromStdString(name));
    // The current path may have gone with the project that held it: forgotten before the
    // list's signals update the buttons.
    if (flPathInfo.currentPath >= names.size()) {
        flPathInfo.currentPath = -1;
        flPathInfo.currentCheckPoint = -1;
        flPathInfo.position = 0.0;
    }
    ui->listWidgetPath->clear();
    ui->listWidgetPath->insertItems(0, names);
    ui->listWidgetPath->setCurrentRow(flPathInfo.currentPath);
}

void CameraPathDialog::updatePathListButtons()
{
    ui->pushButtonRenamePath->setEnabled(flPathInfo.currentPath >= 0);
}

void CameraPathDialog::changedPathListCurrentIndex()
{
    updateCheckPointList();
    updateCheckPointListButtons();
    updatePathListButtons();
}

void CameraPathDialog::clickedPathList()
{
    if (!mManager)
        return;
    flPathInfo.currentPath = ui->listWidgetPath->currentRow();
    mManager->setSelectedALL(false);
    if (CameraPath* path = flPathInfo.getPath())
        path->enableState(Object3D::Selected);
    // The press changed the current row, and so the button, before this made the path current.
    updatePathListButtons();
}

void CameraPathDialog::clickedButtonCreateNewPath()
{
    if (!mManager)
        return;
    std::string name = "CameraPath";
    const std::vector<std::string> usedNames = mManager->getPathNameList();
    // The manager may go while the name is asked for.
    if (!RenameDialog::getName(&name, &usedNames) || !mManager)
        return;
    CameraPath* path = new CameraPath();
    path->setName(name);
    mManager->addNewObject(path);
    flPathInfo.currentPath = static_cast<int>(mManager->getObjectSetSize()) - 1;
    flPathInfo.currentCheckPoint = -1;
    flPathInfo.position = 0.0;
    // The new path is ready for its first check point at once.
    updatePathGUI();
    updateCheckPointGUI();
    updateAnimationGUI();
}

void CameraPathDialog::clickedButtonRenamePath()
{
    if (!mManager)
        return;
    std::string name = flPathInfo.getDataName();
    const std::vector<std::string> usedNames = mManager->getPathNameList();
    if (!RenameDialog::getName(&name, &usedNames))
        return;
    if (CameraPath* path = flPathInfo.getPath())
        path->setName(name);
    updatePathList();
    updatePathListButtons();
}

void CameraPathDialog::updateCheckPointGUI()
{
    updateCheckPointList();
    updateCheckPointListButtons();
}

void CameraPathDialog::updateCheckPointList()
{
    ui->listWidgetCheckPoint->setEnabled(!flPathInfo.getDataName().empty());
    QStringList rows;
    for (int i = 0; i < flPathInfo.getCheckPointNumber(); ++i)
        rows.append(tr("Check Point %1").arg(i));
    ui->listWidgetCheckPoint->clear();
    ui->listWidgetCheckPoint->insertItems(0, rows);
    ui->listWidgetCheckPoint->setCurrentRow(flPathInfo.currentCheckPoint);
}

void CameraPathDialog::updateCheckPointListButtons()
{
    const bool named = !flPathInfo.getDataName().empty();
    ui->pushButtonAddNewCheckPoint->setEnabled(named);
    ui->pushButtonSetCheckPoint->setEnabled(named && flPathInfo.currentCheckPoint >= 0);
    ui->pushButtonDeleteCheckPoint->setEnabled(named && flPathInfo.currentCheckPoint >= 0);
    ui->pushButtonDeleteALLCheckPoint->setEnabled(named && flPathInfo.getCheckPointNumber() > 0);
}

void CameraPathDialog::changedCheckPointListCurrentIndex()
{
    updateCheckPointListButtons();
    updateAnimationGUI();
}

void CameraPathDialog::clickedCheckPointList()
{
    flPathInfo.goToCheckPoint(ui->listWidgetCheckPoint->currentRow());
    updateCheckPointListButtons();
    updateAnimationGUI();
}

void CameraPathDialog::clickedButtonAddNewCheckPoint()
{
    CameraPath* path = flPathInfo.getPath();
    if (!path || !mSceneState)
        return;
    Camera::LookAtData point;
    mSceneState->getCamera().getLookAtData(&point);
    path->addPoint(point);
    flPathInfo.goToCheckPoint(path->getListSize() - 1);
    updateCheckPointList();
    updateCheckPointListButtons();
}

void CameraPathDialog::clickedButtonSetCheckPoint()
{
    CameraPath* path = flPathInfo.getPath();
    if (!path || !mSceneState)
        return;
    Camera::LookAtData point;
    mSceneState->getCamera().getLookAtData(&point);
    path->setPoint(flPathInfo.currentCheckPoint, point);
}

void CameraPathDialog::clickedButtonDeleteCheckPoint()
{
    CameraPath* path = flPathInfo.getPath();
    if (!path || !path->deletePoint(flPathInfo.currentCheckPoint))
        return;
    if (path->getListSize() <= flPathInfo.currentCheckPoint)
        flPathInfo.goToCheckPoint(path->getListSize() - 1);
    updateCheckPointList();
    updateCheckPointListButtons();
}

void CameraPathDialog::clickedButtonDeleteALLCheckPoint()
{
    CameraPath* path = flPathInfo.getPath();
    if (!path)
        return;
    path->deleteALLPoint();
    flPathInfo.currentCheckPoint = -1;
    flPathInfo.position = 0.0;
    updateCheckPointList();
    updateCheckPointListButtons();
}

void CameraPathDialog::enableAnimationMode(bool iToEnable)
{
    ui->listWidgetPath->setEnabled(!iToEnable);
    ui->pushButtonCreateNewPath->setEnabled(!iToEnable);
    ui->pushButtonRenamePath->setEnabled(!iToEnable);
    ui->listWidgetCheckPoint->setEnabled(!iToEnable);
    ui->pushButtonAddNewCheckPoint->setEnabled(!iToEnable);
    ui->pushButtonSetCheckPoint->setEnabled(!iToEnable);
    ui->pushButtonDeleteCheckPoint->setEnabled(!iToEnable);
    ui->pushButtonDeleteALLCheckPoint->setEnabled(!iToEnable);
    ui->pushButtonPlay->setDown(iToEnable);
}

void CameraPathDialog::updateAnimationGUI()
{
    const int n = flPathInfo.getCheckPointNumber();
    ui->pushButtonPlay->setEnabled(n >= 2 && flPathInfo.currentCheckPoint < n - 1);
    ui->doubleSpinBoxAnimationSpeed->setEnabled(n >= 2);
    ui->spinBoxAnimationFPS->setEnabled(false);
    ui->pushButtonExportAnimation->setEnabled(n >= 2 && !FL_getAnimationTimer()->isActive());
}

double CameraPathDialog::getStep() const
{
    return ui->doubleSpinBoxAnimationSpeed->value() / static_cast<double>(ui->spinBoxAnimationFPS->value());
}

void CameraPathDialog::showError(const QString& iText)
{
    QMessageBox::warning(this, tr("Error()"), iText);
}

void CameraPathDialog::pushButtonPlay()
{
    QTimer* timer = FL_getAnimationTimer();
    if (!timer->isActive()) {
        // At speed 0 the camera would never move on.
        if (getStep() <= 0.0) {
            showError(tr("The speed must be greater than 0."));
            return;
        }
        timer->setInterval(1000 / ui->spinBoxAnimationFPS->value());
        timer->start();
        enableAnimationMode(true);
    } else {
        timer->stop();
        enableAnimationMode(false);
    }
    updateAnimationGUI();
}

void CameraPathDialog::progressFrame()
{
    QTimer* timer = FL_getAnimationTimer();
    timer->setInterval(1000 / ui->spinBoxAnimationFPS->value());
    const double step = getStep();
    if (step > 0.0 && flPathInfo.progressCamera(step))
        return;
    timer->stop();
    enableAnimationMode(false);
    updateAnimationGUI();
    // A speed set to 0 during playback ends it.
    if (step <= 0.0)
        showError(tr("The speed must be greater than 0."));
}

void CameraPathDialog::clickedButtonExportAnimation()
{
    const std::string folder =
        QFileDialog::getExistingDirectory(nullptr, QString(), QString(), QFileDialog::ShowDirsOnly).toStdString();
    std::cout << "path: " << folder << std::endl;
    if (folder.empty())
        return;
    if (QDir(QString::fromStdString(folder)).entryInfoList().size() >= 3) {
        QMessageBox::information(this, tr("Error()"), tr("Export Folder is needed to be empty."), QMessageBox::Ok);
        return;
    }
    // Refused before any frame is written: a step of 0 never reaches the end of the path, and
    // frames without ffmpeg make no movie.
    if (getStep() <= 0.0) {
        showError(tr("The speed must be greater than 0."));
        return;
    }
    if (!QFileInfo(FL_ffmpegPath()).isExecutable()) {
        showError(tr("ffmpeg is not in the application folder: %1").arg(FL_ffmpegPath()));
        return;
    }
    if (exportImageFiles(folder))
        exportMovieFile(folder);
}

bool CameraPathDialog::exportImageFiles(const std::string& iFolderPath)
{
    CameraPathManager* manager = flPathInfo.manager;
    const bool pathsVisible = manager && manager->hasState(Object3D::Visible);
    if (manager)
        manager->disableState(Object3D::Visible);
    const bool delayLoad = mPointCloudManager && mPointCloudManager->getPointCloudParameter()->delayLoad;
    if (mPointCloudManager)
        mPointCloudManager->setDelayLoad(false);

    const double step = getStep();
    double total = 0.0;
    const CameraPath* path = flPathInfo.getPath();
    const int frameCount = path && step > 0.0 && path->getDistance(path->getListSize() - 1, &total)
                               ? static_cast<int>(std::ceil(total / step))
                               : 0;
    flPathInfo.goToCheckPoint(0);

    QProgressDialog progress(this);
    progress.setWindowTitle(tr("Export Image Files."));
    progress.setRange(0, frameCount);
    progress.setModal(true);
    progress.setMinimumDuration(0);

    QString failedFrame;
    bool pathLost = false;
    for (int i = 0;; ++i) {
        QCoreApplication::processEvents();
        if (progress.wasCanceled())
            break;
        const QString framePath = FL_framePath(iFolderPath, i);
        std::cout << "fullpath: " << framePath.toStdString() << std::endl;
        progress.setLabelText(QString::number(i) + " / " + QString::number(frameCount) + ": " + framePath);
        progress.setValue(i);
        // A frame that cannot be written ends the export: a movie with a gap is no movie.
        if (!mView) {
            failedFrame = framePath;
            break;
        }
        mView->updateGL();
        if (!FL_saveFrame(mView->grabFrameBuffer(true), framePath)) {
            failedFrame = framePath;
            break;
        }
        if (!flPathInfo.progressCamera(step)) {
            pathLost = !flPathInfo.atEnd();
            break;
        }
    }

    if (manager)
        manager->setState(Object3D::Visible, pathsVisible);
    if (mPointCloudManager)
        mPointCloudManager->setDelayLoad(delayLoad);
    const bool cancelled = progress.wasCanceled();
    progress.close();
    if (!failedFrame.isEmpty()) {
        showError(tr("Cannot save the frame: %1").arg(failedFrame));
        return false;
    }
    if (pathLost && !cancelled) {
        showError(tr("The camera path ended before its last point; no movie was made."));
        return false;
    }
    return !cancelled;
}

bool CameraPathDialog::exportMovieFile(const std::string& iFolderPath)
{
    std::cout << "Export Movie File: Animation.mpeg" << std::endl;
    const QString folder = QString::fromStdString(iFolderPath);
    // ffmpeg reads "%" in the frame pattern as the start of a format.
    QString pattern = folder;
    pattern.replace("%", "%%");
    const QString movie = folder + "/" + "Animation.mpeg";
    const QStringList arguments = {"-r", QString::number(ui->spinBoxAnimationFPS->value()), "-i",
                                   pattern + "/" + "PNG" + "_%d" + ".png", "-qscale", "0", movie};
    const int status = QProcess::execute(FL_ffmpegPath(), arguments);
    // The folder was empty before the export: whatever a failed run left there is no movie.
    if (status != 0)
        QFile::remove(movie);
    if (status == -2) {
        showError(tr("ffmpeg could not be started: %1").arg(FL_ffmpegPath()));
        return false;
    }
    if (status != 0) {
        showError(tr("ffmpeg ended with status %1; no movie was made.").arg(status));
        return false;
    }
    if (!QFileInfo(movie).isFile()) {
        showError(tr("ffmpeg made no movie: %1").arg(movie));
        return false;
    }
    return true;
}
