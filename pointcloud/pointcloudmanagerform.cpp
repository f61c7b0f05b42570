#include "pointcloudmanagerform.h"

#include "colorfunction.h"
#include "formfunction.h"
#include "pointcloudmanager.h"
#include "pointcloudparameter.h"
#include "ui_pointcloudmanagerform.h"

#include <QBoxLayout>

PointCloudManagerForm::PointCloudManagerForm(QWidget* iParent) : QWidget(iParent), ui(new Ui_PointCloudManagerForm)
{
    ui->setupUi(this);
    initUI();
}

PointCloudManagerForm::~PointCloudManagerForm()
{
    delete ui;
}

void PointCloudManagerForm::initUI()
{
    // The entry index is the shader's contour mode.
    ui->comboBoxPointContourColorMode->addItem(tr("Original Color"));
    ui->comboBoxPointContourColorMode->addItem(tr("Distance Contour (from view-point)"));
    ui->comboBoxPointContourColorMode->addItem(tr("Coordinate Contour (Local X)"));
    ui->comboBoxPointContourColorMode->addItem(tr("Coordinate Contour (Local Y)"));
    ui->comboBoxPointContourColorMode->addItem(tr("Coordinate Contour (Local Z)"));
    ui->comboBoxPointContourColorMode->addItem(tr("Coordinate Contour (Global X)"));
    ui->comboBoxPointContourColorMode->addItem(tr("Coordinate Contour (Global Y)"));
    ui->comboBoxPointContourColorMode->addItem(tr("Coordinate Contour (Global Z)"));
#ifdef BRENMOOR
    // The editor's check box switches the point drawing, in the "Point" group.
    ui->checkBoxVisible->setObjectName(QStringLiteral("checkBoxPointVisible"));
    ui->verticalLayout->insertWidget(0, ui->checkBoxVisible);
#else
    ui->comboBoxPointContourColorMode->addItem(tr("Shot Color"));
#endif
    ui->pushButtonPointContourColorMax->setAutoFillBackground(true);
    ui->pushButtonPointContourColorMin->setAutoFillBackground(true);
    adjustSize();
}

void PointCloudManagerForm::setTarget(PointCloudManager* iTarget)
{
    if (iTarget == target)
        return;
    disconnectTarget();
    target = iTarget;
    // A panel that is already following its manager follows the new one instead.
    if (mFollowing) {
        updateUI();
        connectTarget();
    }
}

void PointCloudManagerForm::setVisible(bool iVisible)
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

void PointCloudManagerForm::connectTarget()
{
    if (!target)
        return;
    connect(target.data(), SIGNAL(changedValue()), this, SLOT(updateUI()), Qt::UniqueConnection);
    connect(target.data(), SIGNAL(changedStructure()), this, SLOT(updateUI()), Qt::UniqueConnection);
}

void PointCloudManagerForm::disconnectTarget()
{
    if (!target)
        return;
    disconnect(target.data(), SIGNAL(changedValue()), this, SLOT(updateUI()));
    disconnect(target.data(), SIGNAL(changedStructure()), this, SLOT(updateUI()));
}

void PointCloudManagerForm::connectUI()
{
#ifdef BRENMOOR
    connect(ui->checkBoxVisible, SIGNAL(clicked(bool)), this, SLOT(setPointVisible(bool)), Qt::UniqueConnection);
#else
    connect(ui->checkBoxVisible, SIGNAL(clicked()), this, SLOT(changedVisibility()), Qt::UniqueConnection);
#endif
    connect(ui->spinBoxPointSize, SIGNAL(valueChanged(int)), this, SLOT(setPointSize(int)), Qt::UniqueConnection);
    connect(ui->comboBoxPointContourColorMode, SIGNAL(currentIndexChanged(int)), this,
            SLOT(setPointContourColorMode()), Qt::UniqueConnection);
    connect(ui->doubleSpinBoxPointContourValueMax, SIGNAL(valueChanged(double)), this,
            SLOT(setPointContourValueMax()), Qt::UniqueConnection);
    connect(ui->doubleSpinBoxPointContourValueMin, SIGNAL(valueChanged(double)), this,
            SLOT(setPointContourValueMin()), Qt::UniqueConnection);
    connect(ui->pushButtonPointContourColorMax, SIGNAL(clicked()), this, SLOT(setPointContourColorMax()),
            Qt::UniqueConnection);
    connect(ui->pushButtonPointContourColorMin, SIGNAL(clicked()), this, SLOT(setPointContourColorMin()),
            Qt::UniqueConnection);
}

void PointCloudManagerForm::disconnectUI()
{
#ifdef BRENMOOR
    disconnect(ui->checkBoxVisible, SIGNAL(clicked(bool)), this, SLOT(setPointVisible(bool)));
#else
    disconnect(ui->checkBoxVisible, SIGNAL(clicked()), this, SLOT(changedVisibility()));
#endif
    disconnect(ui->spinBoxPointSize, SIGNAL(valueChanged(int)), this, SLOT(setPointSize(int)));
    disconnect(ui->comboBoxPointContourColorMode, SIGNAL(currentIndexChanged(int)), this,
               SLOT(setPointContourColorMode()));
    disconnect(ui->doubleSpinBoxPointContourValueMax, SIGNAL(valueChanged(double)), this,
               SLOT(setPointContourValueMax()));
    disconnect(ui->doubleSpinBoxPointContourValueMin, SIGNAL(valueChanged(double)), this,
               SLOT(setPointContourValueMin()));
    disconnect(ui->pushButtonPointContourColorMax, SIGNAL(clicked()), this, SLOT(setPointContourColorMax()));
    disconnect(ui->pushButtonPointContourColorMin, SIGNAL(clicked()), this, SLOT(setPointContourColorMin()));
}

void PointCloudManagerForm::enableUI(bool iEnabled)
{
    ui->lineEditShotNumber->setEnabled(iEnabled);
    ui->lineEditPointNumber->setEnabled(iEnabled);
    ui->spinBoxPointSize->setEnabled(iEnabled);
    ui->comboBoxPointContourColorMode->setEnabled(iEnabled);
    ui->doubleSpinBoxPointContourValueMax->setEnabled(iEnabled);
    ui->doubleSpinBoxPointContourValueMin->setEnabled(iEnabled);
    ui->pushButtonPointContourColorMax->setEnabled(iEnabled);
    ui->pushButtonPointContourColorMin->setEnabled(iEnabled);
}

void PointCloudManagerForm::updateUI()
{
    if (!target) {
        enableUI(false);
        return;
    }
    enableUI(true);
    // Filling the boxes must not write their rounded or clamped values back into the manager.
    disconnectUI();

    const PointCloudParameter* parameter = target->getPointCloudParameter();
    ui->lineEditShotNumber->setText(QString::number(target->getObjectSetSize()));
    ui->lineEditPointNumber->setText(QString::number(static_cast<qlonglong>(target->getPointNumber())));
#ifdef BRENMOOR
    ui->checkBoxVisible->setChecked(parameter->pointVisible);
#else
    ui->checkBoxVisible->setChecked(target->hasState(Object3D::Visible));
#endif
    if (ui->spinBoxPointSize->value() != parameter->pointSize)
        ui->spinBoxPointSize->setValue(parameter->pointSize);
    // A mode that the list does not offer (from a settings file) leaves no entry chosen.
    ui->comboBoxPointContourColorMode->setCurrentIndex(parameter->pointContourMode);
    setSpinBoxValue(ui->doubleSpinBoxPointContourValueMax, parameter->contourValueMax);
    setSpinBoxValue(ui->doubleSpinBoxPointContourValueMin, parameter->contourValueMin);
    setButtonColor(ui->pushButtonPointContourColorMax, parameter->contourColorMax);
    setButtonColor(ui->pushButtonPointContourColorMin, parameter->contourColorMin);

    connectUI();
}

#ifndef BRENMOOR
void PointCloudManagerForm::changedVisibility()
{
    if (!target)
        return;
    if (ui->checkBoxVisible->isChecked())
        target->enableState(Object3D::Visible);
    else
        target->disableState(Object3D::Visible);
}
#endif

void PointCloudManagerForm::setPointVisible(bool iVisible)
{
    if (target)
        target->setPointVisible(iVisible);
}

void PointCloudManagerForm::setPointSize(int iSize)
{
    if (target)
        target->setPointSize(iSize);
}

void PointCloudManagerForm::setPointContourColorMode()
{
    // No entry chosen is no mode.
    const int mode = ui->comboBoxPointContourColorMode->currentIndex();
    if (target && mode != -1)
        target->setPointContourMode(mode);
}

void PointCloudManagerForm::setPointContourValueMax()
{
    if (target)
        target->setPointContourValueMax(static_cast<float>(ui->doubleSpinBoxPointContourValueMax->value()));
}

void PointCloudManagerForm::setPointContourValueMin()
{
    if (target)
        target->setPointContourValueMin(static_cast<float>(ui->doubleSpinBoxPointContourValueMin->value()));
}

void PointCloudManagerForm::setPointContourColorMax()
{
    if (!target)
        return;
    QColor color;
    const bool accepted =
        getColorWithColorDialog(color, convert(target->getPointCloudParameter()->contourColorMax), this);
    // The manager may have gone while the dialog ran.
    if (accepted && target)
        target->setPointContourColorMax(convert(color));
}

void PointCloudManagerForm::setPointContourColorMin()
{
    if (!target)
        return;
    QColor color;
    const bool accepted =
        getColorWithColorDialog(color, convert(target->getPointCloudParameter()->contourColorMin), this);
    if (accepted && target)
        target->setPointContourColorMin(convert(color));
}
