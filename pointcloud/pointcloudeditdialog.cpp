#include "pointcloudeditdialog.h"

#include "pointcloud.h"
#include "pointcloudmanager.h"
#include "ui_pointcloudeditdialog.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QStringList>

#include <iostream>

#include <vector>

PointCloudEditDialog::PointCloudEditDialog(QWidget* iParent) : QDialog(iParent), ui(new Ui_PointCloudEditDialog)
{
    ui->setupUi(this);
    ui->lineEditPointCloud->setEnabled(false);
}

PointCloudEditDialog::~PointCloudEditDialog()
{
    delete ui;
}

void PointCloudEditDialog::setTarget(PointCloudManager* iTarget)
{
    if (iTarget == target)
        return;
    disconnectTarget();
    target = iTarget;
    // A dialog that is already following its manager follows the new one instead.
    if (mFollowing) {
        updateUI();
        updateEditButton();
        connectTarget();
    }
}

void PointCloudEditDialog::setFolderPath(const std::string& iFolderPath)
{
    folderPath = iFolderPath;
}

void PointCloudEditDialog::setVisible(bool iVisible)
{
    mFollowing = iVisible;
    if (iVisible) {
        updateUI();
        updateEditButton();
        connectUI();
        connectTarget();
    } else {
        disconnectUI();
        disconnectTarget();
    }
    QDialog::setVisible(iVisible);
}

// show() on a visible dialog comes through setVisible again: the connections are unique, or
// one click would run the editor once per show.
void PointCloudEditDialog::connectUI()
{
    connect(ui->comboBoxShot, SIGNAL(currentIndexChanged(int)), this, SLOT(updateEditButton()),
            Qt::UniqueConnection);
    connect(ui->pushButtonEdit, SIGNAL(clicked()), this, SLOT(executeEditProcess()), Qt::UniqueConnection);
}

void PointCloudEditDialog::disconnectUI()
{
    disconnect(ui->comboBoxShot, SIGNAL(currentIndexChanged(int)), this, SLOT(updateEditButton()));
    disconnect(ui->pushButtonEdit, SIGNAL(clicked()), this, SLOT(executeEditProcess()));
}

void PointCloudEditDialog::connectTarget()
{
    if (target)
        connect(target.data(), SIGNAL(changedStructure()), this, SLOT(updateUI()), Qt::UniqueConnection);
}

void PointCloudEditDialog::disconnectTarget()
{
    if (target)
        disconnect(target.data(), SIGNAL(changedStructure()), this, SLOT(updateUI()));
}

void PointCloudEditDialog::updateUI()
{
    std::vector<std::string> names;
    if (target)
        target->getNameALL(&names);
    ui->comboBoxShot->setEnabled(!names.empty());
    ui->comboBoxShot->clear();
    for (const std::string& name : names)
        ui->comboBoxShot->addItem(QString::fromStdString(name));
    updatePointCloudLine();
}

void PointCloudEditDialog::updateEditButton()
{
    ui->pushButtonEdit->setEnabled(ui->comboBoxShot->currentIndex() != -1);
    // The line names the file that Edit opens, not the one chosen when the list was built.
    updatePointCloudLine();
}

void PointCloudEditDialog::updatePointCloudLine()
{
    const Object3D* shot = target ? target->getObject(ui->comboBoxShot->currentIndex()) : nullptr;
    ui->lineEditPointCloud->setText(shot ? QString::fromStdString(shot->getDataFileName()) : QString());
}

QString PointCloudEditDialog::getProgramPath() const
{
    return QCoreApplication::applicationDirPath() + "/" + "Brenmoor";
}

void PointCloudEditDialog::showProcessError(const QString& iMessage)
{
    QMessageBox::warning(this, windowTitle(), iMessage);
}

void PointCloudEditDialog::executeEditProcess()
{
    if (!target)
        return;
    // Nothing below runs the event loop, so the shot and the manager stay.
    PointCloud* chosen = target->getData(ui->comboBoxShot->currentIndex());
    if (chosen == nullptr)
        return;
    const std::string dataFileName = chosen->getDataFileName();
    // The editor reads octree point files only; a point-matrix shot would open an empty editor.
    if (QFileInfo(QString::fromStdString(dataFileName)).suffix() != "zrpcd") {
        showProcessError(tr("Only shots of octree point files (.zrpcd) can be edited: ") +
                         QString::fromStdString(dataFileName));
        return;
    }
    const QStringList arguments{QString::fromStdString(folderPath + "/" + dataFileName)};
    const QString program = getProgramPath();

    // The loader may be reading this file or filling blocks of the shots whose data is dropped
    // below; it must be idle before the editor rewrites the file. It stays idle: this thread is
    // blocked until the drop is done, and only the next frame starts it again.
    target->stopDataLoading();
    const int result = QProcess::execute(program, arguments);

    // Even after a failed run the data is read again: a crashed editor may have left the file
    // changed. The file's base carries the point number that the panels show.
    for (unsigned i = 0; i < target->getObjectSetSize(); ++i) {
        PointCloud* shot = target->getData(static_cast<int>(i));
        std::string error;
        if (shot != nullptr && shot->getDataFileName() == dataFileName && !shot->reloadPointData(error) &&
            !error.empty())
            std::cout << error << std::endl;
    }
    // Two visibility changes leave the state as it was but make the view load the shot again.
    if (chosen->hasState(Object3D::Visible)) {
        chosen->disableState(Object3D::Visible);
        chosen->enableState(Object3D::Visible);
    } else {
        chosen->enableState(Object3D::Visible);
        chosen->disableState(Object3D::Visible);
    }

    if (result == -2)
        showProcessError(tr("Cannot start the program: ") + program);
    else if (result == -1)
        showProcessError(tr("The program ended abnormally: ") + program);
}
