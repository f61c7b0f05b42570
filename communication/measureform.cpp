#include "measureform.h"

#include "formfunction.h"
#include "measure.h"
#include "ui_measureform.h"

MeasureForm::MeasureForm(QWidget* iParent) : ObjectPanel(iParent), ui(new Ui_MeasureForm)
{
    ui->setupUi(this);
    ui->lineEditType->setEnabled(false);
    ui->tableViewPoints->setEnabled(false);
    connect(ui->checkBoxVisible, SIGNAL(clicked()), this, SLOT(changeVisibility()));
}

MeasureForm::~MeasureForm()
{
    delete ui;
}

void MeasureForm::setTarget(Measure* iTarget)
{
    setPanelTarget(iTarget);
}

Measure* MeasureForm::target() const
{
    return static_cast<Measure*>(panelTarget());
}

void MeasureForm::refresh()
{
    updateUI();
}

void MeasureForm::enableUI(bool iEnabled)
{
    ui->checkBoxVisible->setEnabled(iEnabled);
}

void MeasureForm::updateUI()
{
    if (!target()) {
        enableUI(false);
        return;
    }
    enableUI(true);
    ui->lineEditName->setText(QString::fromStdString(target()->getName()));
    ui->checkBoxVisible->setChecked(target()->hasState(Object3D::Visible));

    const int type = target()->getType();
    ui->lineEditType->setText(type == 0 ? QStringLiteral("Length")
                                        : type == 1 ? QStringLiteral("Angle") : QStringLiteral("UnKnown Type"));

    setPointTable(ui->tableViewPoints, target()->getPoints());
}

void MeasureForm::changeVisibility()
{
    if (!target())
        return;
    target()->setState(Object3D::Visible, ui->checkBoxVisible->isChecked());
}

QWidget* MeasureLength::createUI()
{
    MeasureForm* form = new MeasureForm(nullptr);
    form->setTarget(this);
    return form;
}

QWidget* MeasureAngle::createUI()
{
    MeasureForm* form = new MeasureForm(nullptr);
    form->setTarget(this);
    return form;
}
