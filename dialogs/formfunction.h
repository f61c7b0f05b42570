#ifndef DIALOGS_FORMFUNCTION_H
#define DIALOGS_FORMFUNCTION_H

#include "color.h"

class QDoubleSpinBox;
class QPushButton;

// Fills a spin box without touching one that already shows the value, so that a refresh
// caused by the user's own typing does not rewrite the text under the cursor.
void setSpinBoxValue(QDoubleSpinBox* iBox, double iValue);

// Paints a colour button's face in the colour.
void setButtonColor(QPushButton* iButton, const Color& iColor);

#endif
