#include "colorfunction.h"

#include <QColorDialog>

#include <algorithm>

QColor convert(const Color& iColor)
{
    return QColor(iColor.red, iColor.green, iColor.blue, iColor.alpha);
}

Color convert(const QColor& iColor)
{
    return Color(static_cast<unsigned char>(iColor.red() & 0xFF), static_cast<unsigned char>(iColor.green() & 0xFF),
                 static_cast<unsigned char>(iColor.blue() & 0xFF), static_cast<unsigned char>(iColor.alpha() & 0xFF));
}

float getBrightness(int iRed, int iGreen, int iBlue)
{
    return static_cast<float>(std::max({0, iRed, iGreen, iBlue})) / 255.0f;
}

float getBrightness(const unsigned int& iPackedColor)
{
    return getBrightness(static_cast<int>(iPackedColor & 0xFFu), static_cast<int>((iPackedColor >> 8) & 0xFFu),
                         static_cast<int>((iPackedColor >> 16) & 0xFFu));
}

QColor getColorInterpolatedByHSV(float iValue, float iMaxValue, float iMinValue, const QColor& iMaxColor,
                                 const QColor& iMinColor)
{
    if (!(iMinValue < iMaxValue))
        return QColor(0, 0, 0, 255);
    const float t = (iValue - iMinValue) / (iMaxValue - iMinValue);

    qreal maxHue, maxSaturation, maxValue;
    qreal minHue, minSaturation, minValue;
    iMaxColor.getHsvF(&maxHue, &maxSaturation, &maxValue);
    iMinColor.getHsvF(&minHue, &minSaturation, &minValue);
    // Grey, black and white report the hue -1, which is no number on the ramp: a blend
    // with it would leave the hue range and give an invalid colour. Such an end takes the
    // other end's hue.
    if (minHue < 0)
        minHue = maxHue;
    if (maxHue < 0)
        maxHue = minHue;

    if (!(t >= 0)) // below the range; a NaN value counts as below
        return QColor::fromHsvF(minHue, minSaturation, minValue, 1.0);
    if (t > 1)
        return QColor::fromHsvF(maxHue, maxSaturation, maxValue, 1.0);
    return QColor::fromHsvF(minHue + (maxHue - minHue) * t, minSaturation + (maxSaturation - minSaturation) * t,
                            minValue + (maxValue - minValue) * t, 1.0);
}

bool getColorWithColorDialog(QColor& oColor, const QColor& iInitial, QWidget* iParent)
{
    QColorDialog* dialog = new QColorDialog(iInitial, iParent);
    const bool accepted = dialog->exec() == QDialog::Accepted;
    if (accepted)
        oColor = dialog->selectedColor();
    delete dialog;
    return accepted;
}
