#include "polygonmanagerform.h"

#include "formfunction.h"
#include "polygonmanager.h"
#include "ui_polygonmanagerform.h"

namespace
{
// Indexed by contour mode.
const char* const FL_MODE_NAMES[] = {
    QT_TRANSLATE_NOOP("PolygonManagerForm", "Original Color"),
    QT_TRANSLATE_NOOP("PolygonManagerForm", "Distance Contour (from view-point)"),
    QT_TRANSLATE_NOOP("PolygonManagerForm", "Coordinate Contour (Local X)"),
    QT_TRANSLATE_NOOP("PolygonManagerForm", "Coordinate Contour (Local Y)"),
    QT_TRANSLATE_NOOP("PolygonManagerForm", "Coordinate Contour (Local Z)"),
    QT_TRANSLATE_NOOP("PolygonManagerForm", "Coordinate Contour (Global X)"),
    QT_TRANSLATE_NOOP("PolygonManagerForm", "Coordinate Contour (Global Y)"),
    QT_TRANSLATE_NOOP("PolygonManagerForm", "Coordinate Contour (Global Z)"),
};
} // namespace

PolygonManagerForm::PolygonManagerForm(QWidget* iParent) : ObjectPanel(iParent), ui(new Ui_PolygonManagerForm)
{
    ui->setupUi(this);
    initUI();
}

PolygonManagerForm::~PolygonManagerForm()
{
    delete ui;
}

void PolygonManagerForm::setTarget(PolygonManager* iTarget)
{
    setPanelTarget(iTarget);
}

PolygonManager* PolygonManagerForm::target() const
{
    return static_cast<PolygonManager*>(panelTarget());
}

void PolygonManagerForm::refresh()
{
    updateUI();
}

void PolygonManagerForm::initUI()
{
    for (const char* name : FL_MODE_NAMES) {
        ui->comboBoxPointContourColorMode->addItem(tr(name));
        ui->comboBoxPolygonContourColorMode->addItem(tr(name));
    }
    for (QPushButton* swatch : {ui->pushButtonPointContourColorMax, ui->pushButtonPointContourColorMin,
                                ui->pushButtonPolygonContourColorMax, ui->pushButtonPolygonContourColorMin,
                                ui->pushButtonPolygonEdgeColor})
        swatch->setAutoFillBackground(true);
    adjustSize();
}

void PolygonManagerForm::connectUI()
{
    const Qt::ConnectionType once = Qt::UniqueConnection;
    connect(ui->checkBoxPointVisible, SIGNAL(clicked(bool)), this, SLOT(setPointVisible(bool)), once);
    connect(ui->spinBoxPointSize, SIGNAL(valueChanged(int)), this, SLOT(setPointSize(int)), once);
    connect(ui->comboBoxPointContourColorMode, SIGNAL(currentIndexChanged(int)), this,
            SLOT(setPointContourColorMode()), once);
    connect(ui->doubleSpinBoxPointContourValueMax, SIGNAL(valueChanged(double)), this,
            SLOT(setPointContourValueMax()), once);
    connect(ui->doubleSpinBoxPointContourValueMin, SIGNAL(valueChanged(double)), this,
            SLOT(setPointContourValueMin()), once);
    connect(ui->pushButtonPointContourColorMax, SIGNAL(clicked()), this, SLOT(setPointContourColorMax()), once);
    connect(ui->pushButtonPointContourColorMin, SIGNAL(clicked()), this, SLOT(setPointContourColorMin()), once);
    connect(ui->checkBoxPolygonVisible, SIGNAL(clicked(bool)), this, SLOT(setPolygonVisible(bool)), once);
    connect(ui->comboBoxPolygonContourColorMode, SIGNAL(currentIndexChanged(int)), this,
            SLOT(setPolygonContourColorMode()), once);
    connect(ui->doubleSpinBoxPolygonContourValueMax, SIGNAL(valueChanged(double)), this,
            SLOT(setPolygonContourValueMax()), once);
    connect(ui->doubleSpinBoxPolygonContourValueMin, SIGNAL(valueChanged(double)), this,
            SLOT(setPolygonContourValueMin()), once);
    connect(ui->pushButtonPolygonContourColorMax, SIGNAL(clicked()), this, SLOT(setPolygonContourColorMax()), once);
    connect(ui->pushButtonPolygonContourColorMin, SIGNAL(clicked()), this, SLOT(setPolygonContourColorMin()), once);
    connect(ui->checkBoxPolygonEdgeVisible, SIGNAL(clicked(bool)), this, SLOT(setPolygonEdgeVisible(bool)), once);
    connect(ui->pushButtonPolygonEdgeColor, SIGNAL(clicked()), this, SLOT(setPolygonEdgeColor()), once);
}

std::vector<QWidget*> PolygonManagerForm::inputs() const
{
    return {ui->checkBoxPointVisible,
            ui->spinBoxPointSize,
            ui->comboBoxPointContourColorMode,
            ui->doubleSpinBoxPointContourValueMax,
            ui->doubleSpinBoxPointContourValueMin,
            ui->pushButtonPointContourColorMax,
            ui->pushButtonPointContourColorMin,
            ui->checkBoxPolygonVisible,
            ui->comboBoxPolygonContourColorMode,
            ui->doubleSpinBoxPolygonContourValueMax,
            ui->doubleSpinBoxPolygonContourValueMin,
            ui->pushButtonPolygonContourColorMax,
            ui->pushButtonPolygonContourColorMin,
            ui->checkBoxPolygonEdgeVisible,
            ui->pushButtonPolygonEdgeColor};
}

void PolygonManagerForm::disconnectUI()
{
    // Every connection from the fifteen inputs to this panel.
    for (QWidget* input : inputs())
        disconnect(input, nullptr, this, nullptr);
}

void PolygonManagerForm::enableUI(bool iEnabled)
{
    for (QWidget* input : inputs())
        input->setEnabled(iEnabled);
}

void PolygonManagerForm::updateUI()
{
    const PolygonManager* manager = target();
    if (!manager) {
        enableUI(false);
        return;
    }
    enableUI(true);
    // Filling the inputs must not reach the manager.
    disconnectUI();
    const PolygonRenderingParameter p = manager->getRenderingParameter();
    ui->checkBoxPointVisible->setChecked(p.pointVisible);
    ui->spinBoxPointSize->setValue(p.pointSize);
    ui->comboBoxPointContourColorMode->setCurrentIndex(p.pointContourColorMode);
    setSpinBoxValue(ui->doubleSpinBoxPointContourValueMax, p.pointContourValueMax);
    setSpinBoxValue(ui->doubleSpinBoxPointContourValueMin, p.pointContourValueMin);
    setButtonColor(ui->pushButtonPointContourColorMax, p.pointContourColorMax);
    setButtonColor(ui->pushButtonPointContourColorMin, p.pointContourColorMin);
    ui->checkBoxPolygonVisible->setChecked(p.polygonVisible);
    ui->comboBoxPolygonContourColorMode->setCurrentIndex(p.polygonContourColorMode);
    setSpinBoxValue(ui->doubleSpinBoxPolygonContourValueMax, p.polygonContourValueMax);
    setSpinBoxValue(ui->doubleSpinBoxPolygonContourValueMin, p.polygonContourValueMin);
    setButtonColor(ui->pushButtonPolygonContourColorMax, p.polygonContourColorMax);
    setButtonColor(ui->pushButtonPolygonContourColorMin, p.polygonContourColorMin);
    ui->checkBoxPolygonEdgeVisible->setChecked(p.polygonEdgeVisible);
    setButtonColor(ui->pushButtonPolygonEdgeColor, p.polygonEdgeColor);
    connectUI();
}

template <typename F>
void PolygonManagerForm::edit(F iChange)
{
    PolygonManager* manager = target();
    if (!manager)
        return;
    PolygonRenderingParameter p = manager->getRenderingParameter();
    iChange(p);
    manager->setRenderingParameter(p);
}

void PolygonManagerForm::chooseFieldColor(Color PolygonRenderingParameter::*iField)
{
    PolygonManager* manager = target();
    if (!manager)
        return;
    Color chosen;
    // The manager may go while the dialog runs.
    if (chooseColor(manager->getRenderingParameter().*iField, &chosen))
        edit([&](PolygonRenderingParameter& p) { p.*iField = chosen; });
}

void PolygonManagerForm::setPointVisible(bool iVisible)
{
    edit([&](PolygonRenderingParameter& p) { p.pointVisible = iVisible; });
}

void PolygonManagerForm::setPointSize(int iSize)
{
    edit([&](PolygonRenderingParameter& p) { p.pointSize = iSize; });
}

void PolygonManagerForm::setPointContourColorMode()
{
    const int mode = ui->comboBoxPointContourColorMode->currentIndex();
    edit([&](PolygonRenderingParameter& p) { p.pointContourColorMode = mode; });
}

void PolygonManagerForm::setPointContourValueMax()
{
    const float value = static_cast<float>(ui->doubleSpinBoxPointContourValueMax->value());
    edit([&](PolygonRenderingParameter& p) { p.pointContourValueMax = value; });
}

void PolygonManagerForm::setPointContourValueMin()
{
    const float value = static_cast<float>(ui->doubleSpinBoxPointContourValueMin->value());
    edit([&](PolygonRenderingParameter& p) { p.pointContourValueMin = value; });
}

void PolygonManagerForm::setPointContourColorMax()
{
    chooseFieldColor(&PolygonRenderingParameter::pointContourColorMax);
}

void PolygonManagerForm::setPointContourColorMin()
{
    chooseFieldColor(&PolygonRenderingParameter::pointContourColorMin);
}

void PolygonManagerForm::setPolygonVisible(bool iVisible)
{
    edit([&](PolygonRenderingParameter& p) { p.polygonVisible = iVisible; });
}

void PolygonManagerForm::setPolygonContourColorMode()
{
    const int mode = ui->comboBoxPolygonContourColorMode->currentIndex();
    edit([&](PolygonRenderingParameter& p) { p.polygonContourColorMode = mode; });
}

void PolygonManagerForm::setPolygonContourValueMax()
{
    const float value = static_cast<float>(ui->doubleSpinBoxPolygonContourValueMax->value());
    edit([&](PolygonRenderingParameter& p) { p.polygonContourValueMax = value; });
}

void PolygonManagerForm::setPolygonContourValueMin()
{
    const float value = static_cast<float>(ui->doubleSpinBoxPolygonContourValueMin->value());
    edit([&](PolygonRenderingParameter& p) { p.polygonContourValueMin = value; });
}

void PolygonManagerForm::setPolygonContourColorMax()
{
    chooseFieldColor(&PolygonRenderingParameter::polygonContourColorMax);
}

void PolygonManagerForm::setPolygonContourColorMin()
{
    chooseFieldColor(&PolygonRenderingParameter::polygonContourColorMin);
}

void PolygonManagerForm::setPolygonEdgeVisible(bool iVisible)
{
    edit([&](PolygonRenderingParameter& p) { p.polygonEdgeVisible = iVisible; });
}

void PolygonManagerForm::setPolygonEdgeColor()
{
    chooseFieldColor(&PolygonRenderingParameter::polygonEdgeColor);
}

QWidget* PolygonManager::createUI()
{
    PolygonManagerForm* form = new PolygonManagerForm(nullptr);
    form->setTarget(this);
    return form;
}
