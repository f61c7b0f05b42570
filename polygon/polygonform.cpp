#include "polygonform.h"

#include "formfunction.h"
#include "polygon.h"
#include "ui_polygonform.h"

#include <QStandardItemModel>

PolygonForm::PolygonForm(QWidget* iParent) : ObjectPanel(iParent), ui(new Ui_PolygonForm)
{
    ui->setupUi(this);
    initUI();
}

PolygonForm::~PolygonForm()
{
    delete ui;
}

void PolygonForm::setTarget(MyPolygon* iTarget)
{
    setPanelTarget(iTarget);
}

MyPolygon* PolygonForm::target() const
{
    return static_cast<MyPolygon*>(panelTarget());
}

void PolygonForm::refresh()
{
    updateUI();
}

void PolygonForm::initUI()
{
    connect(ui->toolButtonRename, SIGNAL(clicked()), this, SLOT(renameShot()));
    connect(ui->checkBoxVisible, SIGNAL(clicked()), this, SLOT(changeVisibility()));
    connectUI();
}

void PolygonForm::connectUI()
{
    connect(ui->doubleSpinBoxPositionX, SIGNAL(valueChanged(double)), this, SLOT(setPositionX(double)),
            Qt::UniqueConnection);
    connect(ui->doubleSpinBoxPositionY, SIGNAL(valueChanged(double)), this, SLOT(setPositionY(double)),
            Qt::UniqueConnection);
    connect(ui->doubleSpinBoxPositionZ, SIGNAL(valueChanged(double)), this, SLOT(setPositionZ(double)),
            Qt::UniqueConnection);
}

void PolygonForm::disconnectUI()
{
    disconnect(ui->doubleSpinBoxPositionX, SIGNAL(valueChanged(double)), this, SLOT(setPositionX(double)));
    disconnect(ui->doubleSpinBoxPositionY, SIGNAL(valueChanged(double)), this, SLOT(setPositionY(double)));
    disconnect(ui->doubleSpinBoxPositionZ, SIGNAL(valueChanged(double)), this, SLOT(setPositionZ(double)));
}

void PolygonForm::enabledUI(bool iEnabled)
{
    ui->toolButtonRename->setEnabled(iEnabled);
    ui->checkBoxVisible->setEnabled(iEnabled);
    ui->doubleSpinBoxPositionX->setEnabled(iEnabled);
    ui->doubleSpinBoxPositionY->setEnabled(iEnabled);
    ui->doubleSpinBoxPositionZ->setEnabled(iEnabled);
}

void PolygonForm::updateUI()
{
    const MyPolygon* mesh = target();
    if (!mesh) {
        enabledUI(false);
        return;
    }
    enabledUI(true);
    // Filling the position boxes must not write their rounded or clamped values back.
    disconnectUI();
    ui->lineEditName->setText(QString::fromUtf8(mesh->getName().c_str()));
    ui->checkBoxVisible->setChecked(mesh->hasState(Object3D::Visible));
    Vector3T<double> position;
    mesh->getPosition(&position);
    setSpinBoxValue(ui->doubleSpinBoxPositionX, position.x);
    setSpinBoxValue(ui->doubleSpinBoxPositionY, position.y);
    setSpinBoxValue(ui->doubleSpinBoxPositionZ, position.z);
    setAttitudeTable(ui->tableViewAttitude, &mAttitudeModel, mesh->getMatrix());
    connectUI();
}

void PolygonForm::renameShot()
{
    renameObject(target());
}

void PolygonForm::changeVisibility()
{
    MyPolygon* mesh = target();
    if (!mesh)
        return;
    if (ui->checkBoxVisible->isChecked())
        mesh->enableState(Object3D::Visible);
    else
        mesh->disableState(Object3D::Visible);
}

void PolygonForm::setPositionX(double iX)
{
    setPositionComponent(target(), 0, iX);
}

void PolygonForm::setPositionY(double iY)
{
    setPositionComponent(target(), 1, iY);
}

void PolygonForm::setPositionZ(double iZ)
{
    setPositionComponent(target(), 2, iZ);
}

QWidget* MyPolygon::createUI()
{
    PolygonForm* form = new PolygonForm(nullptr);
    form->setTarget(this);
    return form;
}
