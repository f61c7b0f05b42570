#include "mousesettingdialog.h"

#include "mouseoperator.h"
#include "ui_mousesettingdialog.h"

#include <QSignalBlocker>

MouseSettingDialog::MouseSettingDialog(QWidget* iParent) : QDialog(iParent), ui(new Ui_MouseSettingDialog)
{
    ui->setupUi(this);
    connect(ui->doubleSpinBoxTranslation, SIGNAL(valueChanged(double)), this, SLOT(valueChangedTranslation(double)));
    connect(ui->doubleSpinBoxRotation, SIGNAL(valueChanged(double)), this, SLOT(valueChangedRotation(double)));
}

MouseSettingDialog::~MouseSettingDialog()
{
    delete ui;
}

void MouseSettingDialog::setModel(MouseOperator* iModel)
{
    model = iModel;
}

bool MouseSettingDialog::hasModel() const
{
    return model != nullptr;
}

void MouseSettingDialog::setVisible(bool iVisible)
{
    // Without a model it cannot be shown, but can always be hidden.
    if (!model) {
        if (!iVisible)
            QDialog::setVisible(false);
        return;
    }
    // A ratio the box rounds or clamps stays as it is until the user changes the box.
    {
        const QSignalBlocker translation(ui->doubleSpinBoxTranslation);
        const QSignalBlocker rotation(ui->doubleSpinBoxRotation);
        ui->doubleSpinBoxTranslation->setValue(MouseOperator::getTranslationRatio());
        ui->doubleSpinBoxRotation->setValue(MouseOperator::getRotationRatio());
    }
    QDialog::setVisible(iVisible);
}

void MouseSettingDialog::valueChangedTranslation(double iValue)
{
    if (model)
        MouseOperator::setTranslationRatio(iValue);
}

void MouseSettingDialog::valueChangedRotation(double iValue)
{
    if (model)
        MouseOperator::setRotationRatio(iValue);
}
