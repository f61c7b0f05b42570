#include "camerapathmanagerform.h"

#include "camerapathmanager.h"
#include "formfunction.h"
#include "ui_camerapathmanagerform.h"

CameraPathManagerForm::CameraPathManagerForm(QWidget* iParent)
    : ObjectPanel(iParent), ui(new Ui_CameraPathManagerForm)
{
    ui->setupUi(this);
    ui->pushButtonLineColor->setAutoFillBackground(true);
}

CameraPathManagerForm::~CameraPathManagerForm()
{
    delete ui;
}

void CameraPathManagerForm::setTarget(CameraPathManager* iTarget)
{
    setPanelTarget(iTarget);
}

CameraPathManager* CameraPathManagerForm::target() const
{
    return static_cast<CameraPathManager*>(panelTarget());
}

void CameraPathManagerForm::refresh()
{
    updateUI();
}

void CameraPathManagerForm::connectUI()
{
    connect(ui->checkBoxVisible, SIGNAL(clicked()), this, SLOT(changedVisibility()), Qt::UniqueConnection);
    connect(ui->spinBoxLineWidth, SIGNAL(valueChanged(int)), this, SLOT(changeLineWidth()), Qt::UniqueConnection);
    connect(ui->pushButtonLineColor, SIGNAL(clicked()), this, SLOT(changeLineColor()), Qt::UniqueConnection);
}

void CameraPathManagerForm::disconnectUI()
{
    disconnect(ui->checkBoxVisible, SIGNAL(clicked()), this, SLOT(changedVisibility()));
    disconnect(ui->spinBoxLineWidth, SIGNAL(valueChanged(int)), this, SLOT(changeLineWidth()));
    disconnect(ui->pushButtonLineColor, SIGNAL(clicked()), this, SLOT(changeLineColor()));
}

void CameraPathManagerForm::enableUI(bool iEnabled)
{
    ui->spinBoxLineWidth->setEnabled(iEnabled);
    ui->pushButtonLineColor->setEnabled(iEnabled);
}

void CameraPathManagerForm::updateUI()
{
    if (!target()) {
        enableUI(false);
        return;
    }
    enableUI(true);
    disconnectUI();
    ui->checkBoxVisible->setChecked(target()->hasState(Object3D::Visible));
    ui->spinBoxLineWidth->setValue(target()->getLineWidth());
    setButtonColor(ui->pushButtonLineColor, target()->getLineColor());
    connectUI();
}

void CameraPathManagerForm::changedVisibility()
{
    if (!target())
        return;
    target()->setState(Object3D::Visible, ui->checkBoxVisible->isChecked());
}

void CameraPathManagerForm::changeLineWidth()
{
    if (target())
        target()->setLineWidth(ui->spinBoxLineWidth->value());
}

void CameraPathManagerForm::changeLineColor()
{
    Color color;
    // The manager may go while the dialog runs.
    if (chooseColor(Color(255, 255, 255, 255), &color) && target())
        target()->setLineColor(color);
}

QWidget* CameraPathManager::createUI()
{
    CameraPathManagerForm* form = new CameraPathManagerForm(nullptr);
    form->setTarget(this);
    return form;
}
