#ifndef CORE_COLORFUNCTION_H
#define CORE_COLORFUNCTION_H

#include "color.h"

#include <QColor>

class QWidget;

QColor convert(const Color& iColor);
Color convert(const QColor& iColor);

// The largest of 0, red, green and blue, over 255.
float getBrightness(int iRed, int iGreen, int iBlue);
// The same for red in bits 0-7, green in 8-15 and blue in 16-23.
float getBrightness(const unsigned int& iPackedColor);

// Opaque colour for iValue on an HSV ramp from iMinColor at iMinValue to iMaxColor at
// iMaxValue, clamped at both ends; opaque black for an empty range.
QColor getColorInterpolatedByHSV(float iValue, float iMaxValue, float iMinValue, const QColor& iMaxColor,
                                 const QColor& iMinColor);

// Runs a modal colour dialog opened on iInitial; true with oColor set when accepted.
bool getColorWithColorDialog(QColor& oColor, const QColor& iInitial, QWidget* iParent);

#endif
