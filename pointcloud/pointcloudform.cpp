#include "pointcloudform.h"

#include "colorfunction.h"
#include "formfunction.h"
#include "pointcloud.h"
#include "pointcloudinterface.h"
#include "ui_pointcloudform.h"

#include <QStandardItemModel>

#include <string>

PointCloudForm::PointCloudForm(QWidget* iParent) : QWidget(iParent), ui(new Ui_PointCloudForm)
{
    ui->setupUi(this);
#ifdef BRENMOOR
    // The editor's clouds have no colour of their own: the form has no colour row.
    delete ui->pushButtonColor;
    delete ui->label_5;
    delete ui->horizontalLayout_6;
    ui->pushButtonColor = nullptr;
    ui->label_5 = nullptr;
    ui->horizontalLayout_6 = nullptr;
    resize(411, 443);
#else
    ui->pushButtonColor->setAutoFillBackground(true);
#endif
    initUI();
}

PointCloudForm::~PointCloudForm()
{
    delete ui;
}

void PointCloudForm::initUI()
{
    connectUI();
}

void PointCloudForm::connectUI()
{
    connect(ui->toolButtonRename, SIGNAL(clicked()), this, SLOT(renameShot()), Qt::UniqueConnection);
    connect(ui->checkBoxVisible, SIGNAL(clicked()), this, SLOT(changeVisibility()), Qt::UniqueConnection);
#ifndef BRENMOOR
    connect(ui->pushButtonColor, SIGNAL(clicked()), this, SLOT(setColor()), Qt::UniqueConnection);
#endif
    connect(ui->doubleSpinBoxPositionX, SIGNAL(valueChanged(double)), this, SLOT(setPositionX(double)),
            Qt::UniqueConnection);
    connect(ui->doubleSpinBoxPositionY, SIGNAL(valueChanged(double)), this, SLOT(setPositionY(double)),
            Qt::UniqueConnection);
    connect(ui->doubleSpinBoxPositionZ, SIGNAL(valueChanged(double)), this, SLOT(setPositionZ(double)),
            Qt::UniqueConnection);
}

void PointCloudForm::disconnectUI()
{
    disconnect(ui->doubleSpinBoxPositionX, SIGNAL(valueChanged(double)), this, SLOT(setPositionX(double)));
    disconnect(ui->doubleSpinBoxPositionY, SIGNAL(valueChanged(double)), this, SLOT(setPositionY(double)));
    disconnect(ui->doubleSpinBoxPositionZ, SIGNAL(valueChanged(double)), this, SLOT(setPositionZ(double)));
}

void PointCloudForm::setTarget(PointCloud* iTarget)
{
    if (iTarget == target)
        return;
    disconnectTarget();
    target = iTarget;
    // A panel that is already following its shot follows the new one instead.
    if (mFollowing) {
        updateUI();
        connectTarget();
    }
}

void PointCloudForm::setVisible(bool iVisible)
{
    mFollowing = iVisible;
    if (iVisible) {
        updateUI();
        connectTarget();
    } else {
        disconnectTarget();
    }
    QWidget::setVisible(iVisible);
}

void PointCloudForm::connectTarget()
{
    if (target)
        connect(target.data(), SIGNAL(changedValue()), this, SLOT(updateUI()), Qt::UniqueConnection);
}

void PointCloudForm::disconnectTarget()
{
    if (target)
        disconnect(target.data(), SIGNAL(changedValue()), this, SLOT(updateUI()));
}

void PointCloudForm::enabledUI(bool iEnabled)
{
    ui->toolButtonRename->setEnabled(iEnabled);
    ui->checkBoxVisible->setEnabled(iEnabled);
#ifndef BRENMOOR
    ui->pushButtonColor->setEnabled(iEnabled);
#endif
    ui->doubleSpinBoxPositionX->setEnabled(iEnabled);
    ui->doubleSpinBoxPositionY->setEnabled(iEnabled);
    ui->doubleSpinBoxPositionZ->setEnabled(iEnabled);
    ui->lineEditPointCloudFile->setEnabled(iEnabled);
    ui->lineEditPointNumber->setEnabled(iEnabled);
}

void PointCloudForm::updateUI()
{
    if (!target) {
        enabledUI(false);
        return;
    }
    enabledUI(true);
    // Filling the position boxes must not write their rounded or clamped values back.
    disconnectUI();

    ui->lineEditName->setText(QString::fromStdString(target->getName()));
    ui->lineEditPointCloudFile->setText(QString::fromStdString(target->getDataFileName()));
    // A shot opened without its data has no points yet.
    const PointCloudInterface* body = target->getPointCloud();
    ui->lineEditPointNumber->setText(QString::number(body ? body->getPointNumber() : 0));
    ui->checkBoxVisible->setChecked(target->hasState(Object3D::Visible));
#ifndef BRENMOOR
    setButtonColor(ui->pushButtonColor, target->getColor());
#endif

    Vector3T<double> position;
    target->getPosition(&position);
    setSpinBoxValue(ui->doubleSpinBoxPositionX, position.x);
    setSpinBoxValue(ui->doubleSpinBoxPositionY, position.y);
    setSpinBoxValue(ui->doubleSpinBoxPositionZ, position.z);

    setAttitudeTable(ui->tableViewAttitude, &mAttitudeModel, target->getMatrix());

    connectUI();
}

void PointCloudForm::renameShot()
{
    renameObject(target);
}

void PointCloudForm::changeVisibility()
{
    if (!target)
        return;
    if (ui->checkBoxVisible->isChecked())
        target->enableState(Object3D::Visible);
    else
        target->disableState(Object3D::Visible);
}

#ifndef BRENMOOR
void PointCloudForm::setColor()
{
    if (!target)
        return;
    QColor color;
    const bool accepted = getColorWithColorDialog(color, convert(target->getColor()), this);
    if (accepted && target)
        target->setColor(convert(color));
}
#endif

void PointCloudForm::setPositionX(double iX)
{
    setPositionComponent(target, 0, iX);
}

void PointCloudForm::setPositionY(double iY)
{
    setPositionComponent(target, 1, iY);
}

void PointCloudForm::setPositionZ(double iZ)
{
    setPositionComponent(target, 2, iZ);
}

// The shot's panel is made here rather than in pointcloud.cpp: the form belongs to the
// pointcloudui library, which links the pointcloud library (both are one link group).
QWidget* PointCloud::createUI()
{
    PointCloudForm* form = new PointCloudForm(nullptr);
    form->setTarget(this);
    return form;
}
