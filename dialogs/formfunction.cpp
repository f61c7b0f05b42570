#include "formfunction.h"

#include "colorfunction.h"

#include <QBrush>
#include <QDoubleSpinBox>
#include <QPalette>
#include <QPushButton>

void setSpinBoxValue(QDoubleSpinBox* iBox, double iValue)
{
    if (iBox->value() != iValue)
        iBox->setValue(iValue);
}

void setButtonColor(QPushButton* iButton, const Color& iColor)
{
    QPalette palette = iButton->palette();
    palette.setBrush(QPalette::All, QPalette::Button, QBrush(convert(iColor), Qt::SolidPattern));
    iButton->setPalette(palette);
}
