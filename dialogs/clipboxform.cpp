#include "clipboxform.h"

#include "clipbox.h"
#include "formfunction.h"
#include "ui_clipboxform.h"

#include <QStandardItemModel>

ClipBoxForm::ClipBoxForm(QWidget* iParent) : QWidget(iParent), ui(new Ui_ClipBoxForm)
{
    ui->setupUi(this);
    connectUI();
}

ClipBoxForm::~ClipBoxForm()
{
    delete ui;
}

void ClipBoxForm::setTarget(ClipBox* iTarget)
{
    if (iTarget == target)
        return;
    disconnectTarget();
    target = iTarget;
    // A panel that is already following its box follows the new one instead.
    if (mFollowing) {
        updateUI();
        connectTarget();
    }
}

void ClipBoxForm::setVisible(bool iVisible)
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

void ClipBoxForm::connectUI()
{
    connect(ui->checkBoxVisible, SIGNAL(clicked(bool)), this, SLOT(setVisibleFlag(bool)), Qt::UniqueConnection);
    connect(ui->checkBoxEnable, SIGNAL(clicked(bool)), this, SLOT(setEnableFlag(bool)), Qt::UniqueConnection);
    connect(ui->doubleSpinBoxScaleX, SIGNAL(valueChanged(double)), this, SLOT(setScaleX(double)),
            Qt::UniqueConnection);
    connect(ui->doubleSpinBoxScaleY, SIGNAL(valueChanged(double)), this, SLOT(setScaleY(double)),
            Qt::UniqueConnection);
    connect(ui->doubleSpinBoxScaleZ, SIGNAL(valueChanged(double)), this, SLOT(setScaleZ(double)),
            Qt::UniqueConnection);
    connect(ui->doubleSpinBoxCenterX, SIGNAL(valueChanged(double)), this, SLOT(setCenterX(double)),
            Qt::UniqueConnection);
    connect(ui->doubleSpinBoxCenterY, SIGNAL(valueChanged(double)), this, SLOT(setCenterY(double)),
            Qt::UniqueConnection);
    connect(ui->doubleSpinBoxCenterZ, SIGNAL(valueChanged(double)), this, SLOT(setCenterZ(double)),
            Qt::UniqueConnection);
    connect(ui->doubleSpinBoxClarity, SIGNAL(valueChanged(double)), this, SLOT(setClarity(double)),
            Qt::UniqueConnection);
}

void ClipBoxForm::disconnectUI()
{
    disconnect(ui->checkBoxVisible, SIGNAL(clicked(bool)), this, SLOT(setVisibleFlag(bool)));
    disconnect(ui->checkBoxEnable, SIGNAL(clicked(bool)), this, SLOT(setEnableFlag(bool)));
    disconnect(ui->doubleSpinBoxScaleX, SIGNAL(valueChanged(double)), this, SLOT(setScaleX(double)));
    disconnect(ui->doubleSpinBoxScaleY, SIGNAL(valueChanged(double)), this, SLOT(setScaleY(double)));
    disconnect(ui->doubleSpinBoxScaleZ, SIGNAL(valueChanged(double)), this, SLOT(setScaleZ(double)));
    disconnect(ui->doubleSpinBoxCenterX, SIGNAL(valueChanged(double)), this, SLOT(setCenterX(double)));
    disconnect(ui->doubleSpinBoxCenterY, SIGNAL(valueChanged(double)), this, SLOT(setCenterY(double)));
    disconnect(ui->doubleSpinBoxCenterZ, SIGNAL(valueChanged(double)), this, SLOT(setCenterZ(double)));
    disconnect(ui->doubleSpinBoxClarity, SIGNAL(valueChanged(double)), this, SLOT(setClarity(double)));
}

void ClipBoxForm::connectTarget()
{
    if (!target || mTargetConnection)
        return;
    mTargetConnection = connect(target.data(), SIGNAL(changedValue()), this, SLOT(updateUI()));
}

void ClipBoxForm::disconnectTarget()
{
    // A box that is gone took the connection with it; disconnecting the stale handle is harmless.
    disconnect(mTargetConnection);
    mTargetConnection = QMetaObject::Connection();
}

void ClipBoxForm::updateUI()
{
    if (!target)
        return;
    // Filling the widgets must not write their rounded or clamped values back into the box.
    disconnectUI();

    ui->checkBoxVisible->setCheckState(target->hasState(Object3D::Visible) ? Qt::Checked : Qt::Unchecked);
    ui->checkBoxEnable->setCheckState(target->enable ? Qt::Checked : Qt::Unchecked);

    setSpinBoxValue(ui->doubleSpinBoxScaleX, target->scale.x * 2.0);
    setSpinBoxValue(ui->doubleSpinBoxScaleY, target->scale.y * 2.0);
    setSpinBoxValue(ui->doubleSpinBoxScaleZ, target->scale.z * 2.0);

    Vector3T<double> position;
    target->getPosition(&position);
    setSpinBoxValue(ui->doubleSpinBoxCenterX, position.x);
    setSpinBoxValue(ui->doubleSpinBoxCenterY, position.y);
    setSpinBoxValue(ui->doubleSpinBoxCenterZ, position.z);

    setAttitudeTable(ui->tableViewAttitude, &mAttitudeModel, target->getMatrix());

    setSpinBoxValue(ui->doubleSpinBoxClarity, target->clarity);

    connectUI();
}

void ClipBoxForm::setVisibleFlag(bool iChecked)
{
    if (!target)
        return;
    if (iChecked)
        target->enableState(Object3D::Visible);
    else
        target->disableState(Object3D::Visible);
}

void ClipBoxForm::setEnableFlag(bool iChecked)
{
    if (target)
        target->setEnable(iChecked);
}

void ClipBoxForm::setScaleComponent(int iAxis, double iLength)
{
    if (!target)
        return;
    // The other axes come from the box, not from the other spin boxes, which may show a
    // rounded or clamped value.
    Vector3T<double> scale = target->scale;
    scale[iAxis] = iLength * 0.5;
    target->setScale(scale);
}

void ClipBoxForm::setScaleX(double iX)
{
    setScaleComponent(0, iX);
}

void ClipBoxForm::setScaleY(double iY)
{
    setScaleComponent(1, iY);
}

void ClipBoxForm::setScaleZ(double iZ)
{
    setScaleComponent(2, iZ);
}

void ClipBoxForm::setCenterX(double iX)
{
    setPositionComponent(target, 0, iX);
}

void ClipBoxForm::setCenterY(double iY)
{
    setPositionComponent(target, 1, iY);
}

void ClipBoxForm::setCenterZ(double iZ)
{
    setPositionComponent(target, 2, iZ);
}

void ClipBoxForm::setClarity(double iClarity)
{
    if (target)
        target->setClarity(static_cast<float>(iClarity));
}

// ClipBox's panel is made here rather than in the scene library: the form belongs to the
// dialogs library, which links the scene library (both are one link group, see CMakeLists).
QWidget* ClipBox::createUI()
{
    ClipBoxForm* form = new ClipBoxForm(nullptr);
    form->setTarget(this);
    return form;
}
