#include "measuremanagerform.h"

#include "formfunction.h"
#include "measuremanager.h"
#include "ui_measuremanagerform.h"

MeasureManagerForm::MeasureManagerForm(QWidget* iParent) : ObjectPanel(iParent), ui(new Ui_MeasureManagerForm)
{
    ui->setupUi(this);
    initUI();
}

MeasureManagerForm::~MeasureManagerForm()
{
    delete ui;
}

void MeasureManagerForm::setTarget(MeasureManager* iTarget)
{
    setPanelTarget(iTarget);
}

MeasureManager* MeasureManagerForm::target() const
{
    return static_cast<MeasureManager*>(panelTarget());
}

void MeasureManagerForm::refresh()
{
    updateUI();
}

void MeasureManagerForm::initUI()
{
    ui->pushButtonCharacterColor->setAutoFillBackground(true);
    ui->pushButtonLineColor->setAutoFillBackground(true);
    // The item index is the label mode.
    ui->comboBoxLabelMode->addItem(tr("Absolute"));
    ui->comboBoxLabelMode->addItem(tr("XYZ"));
}

void MeasureManagerForm::connectUI()
{
    connect(ui->checkBoxVisible, SIGNAL(clicked()), this, SLOT(changedVisibility()), Qt::UniqueConnection);
    connect(ui->spinBoxCharacterSize, SIGNAL(valueChanged(int)), this, SLOT(changeCharacterSize()),
            Qt::UniqueConnection);
    connect(ui->spinBoxCharacterPrecision, SIGNAL(valueChanged(int)), this, SLOT(changePrecision()),
            Qt::UniqueConnection);
    connect(ui->pushButtonCharacterColor, SIGNAL(clicked()), this, SLOT(changeCharacterColor()),
            Qt::UniqueConnection);
    connect(ui->comboBoxLabelMode, SIGNAL(currentIndexChanged(int)), this, SLOT(changeTextMode()),
            Qt::UniqueConnection);
    connect(ui->spinBoxLineWidth, SIGNAL(valueChanged(int)), this, SLOT(changeLineWidth()), Qt::UniqueConnection);
    connect(ui->pushButtonLineColor, SIGNAL(clicked()), this, SLOT(changeLineColor()), Qt::UniqueConnection);
    connect(ui->spinBoxArrowLength, SIGNAL(valueChanged(int)), this, SLOT(changeArrowLength()),
            Qt::UniqueConnection);
    connect(ui->spinBoxArrowArgument, SIGNAL(valueChanged(int)), this, SLOT(changeArrowArgument()),
            Qt::UniqueConnection);
    connect(ui->spinBoxArcRadius, SIGNAL(valueChanged(int)), this, SLOT(changeArcRadius()), Qt::UniqueConnection);
}

void MeasureManagerForm::disconnectUI()
{
    disconnect(ui->checkBoxVisible, SIGNAL(clicked()), this, SLOT(changedVisibility()));
    disconnect(ui->spinBoxCharacterSize, SIGNAL(valueChanged(int)), this, SLOT(changeCharacterSize()));
    disconnect(ui->spinBoxCharacterPrecision, SIGNAL(valueChanged(int)), this, SLOT(changePrecision()));
    disconnect(ui->pushButtonCharacterColor, SIGNAL(clicked()), this, SLOT(changeCharacterColor()));
    disconnect(ui->comboBoxLabelMode, SIGNAL(currentIndexChanged(int)), this, SLOT(changeTextMode()));
    disconnect(ui->spinBoxLineWidth, SIGNAL(valueChanged(int)), this, SLOT(changeLineWidth()));
    disconnect(ui->pushButtonLineColor, SIGNAL(clicked()), this, SLOT(changeLineColor()));
    disconnect(ui->spinBoxArrowLength, SIGNAL(valueChanged(int)), this, SLOT(changeArrowLength()));
    disconnect(ui->spinBoxArrowArgument, SIGNAL(valueChanged(int)), this, SLOT(changeArrowArgument()));
    disconnect(ui->spinBoxArcRadius, SIGNAL(valueChanged(int)), this, SLOT(changeArcRadius()));
}

void MeasureManagerForm::enableUI(bool iEnabled)
{
    ui->spinBoxCharacterSize->setEnabled(iEnabled);
    ui->spinBoxCharacterPrecision->setEnabled(iEnabled);
    ui->pushButtonCharacterColor->setEnabled(iEnabled);
    ui->comboBoxLabelMode->setEnabled(iEnabled);
    ui->spinBoxLineWidth->setEnabled(iEnabled);
    ui->pushButtonLineColor->setEnabled(iEnabled);
    ui->spinBoxArrowLength->setEnabled(iEnabled);
    ui->spinBoxArrowArgument->setEnabled(iEnabled);
    ui->spinBoxArcRadius->setEnabled(iEnabled);
}

void MeasureManagerForm::updateUI()
{
    if (!target()) {
        enableUI(false);
        return;
    }
    enableUI(true);
    // Filling the controls must not reach the manager: a value clamped by a control's range
    // would otherwise replace the one read from a file.
    disconnectUI();

    const MeasureParameter& parameter = target()->parameter;
    ui->checkBoxVisible->setChecked(target()->hasState(Object3D::Visible));
    setButtonColor(ui->pushButtonCharacterColor, parameter.charColor);
    ui->spinBoxCharacterSize->setValue(parameter.charSize);
    ui->spinBoxCharacterPrecision->setValue(parameter.precision);
    // A mode with no item leaves the box without a current item.
    ui->comboBoxLabelMode->setCurrentIndex(parameter.labelMode);
    ui->spinBoxLineWidth->setValue(parameter.lineWidth);
    setButtonColor(ui->pushButtonLineColor, parameter.lineColor);
    ui->spinBoxArrowLength->setValue(parameter.arrowLength);
    ui->spinBoxArrowArgument->setValue(parameter.arrowArgument);
    ui->spinBoxArcRadius->setValue(parameter.arcRadius);

    connectUI();
}

void MeasureManagerForm::changedVisibility()
{
    if (!target())
        return;
    target()->setState(Object3D::Visible, ui->checkBoxVisible->isChecked());
}

void MeasureManagerForm::changeCharacterSize()
{
    if (target())
        target()->setCharSize(ui->spinBoxCharacterSize->value());
}

void MeasureManagerForm::changePrecision()
{
    if (target())
        target()->setPrecision(ui->spinBoxCharacterPrecision->value());
}

void MeasureManagerForm::changeCharacterColor()
{
    Color color;
    // The manager may go while the dialog runs.
    if (chooseColor(Color(255, 255, 255, 255), &color) && target())
        target()->setCharColor(color);
}

void MeasureManagerForm::changeTextMode()
{
    const int index = ui->comboBoxLabelMode->currentIndex();
    if (target() && index >= 0)
        target()->setLabelMode(static_cast<MeasureParameter::LabelMode>(index));
}

void MeasureManagerForm::changeLineWidth()
{
    if (target())
        target()->setLineWidth(ui->spinBoxLineWidth->value());
}

void MeasureManagerForm::changeLineColor()
{
    Color color;
    if (chooseColor(Color(255, 255, 255, 255), &color) && target())
        target()->setLineColor(color);
}

void MeasureManagerForm::changeArrowLength()
{
    if (target())
        target()->setArrowLength(ui->spinBoxArrowLength->value());
}

void MeasureManagerForm::changeArrowArgument()
{
    if (target())
        target()->setArrowArgument(ui->spinBoxArrowArgument->value());
}

void MeasureManagerForm::changeArcRadius()
{
    if (target())
        target()->setArcRadius(ui->spinBoxArcRadius->value());
}

QWidget* MeasureManager::createUI()
{
    MeasureManagerForm* form = new MeasureManagerForm(nullptr);
    form->setTarget(this);
    return form;
}
