#ifndef DIALOGS_FORMFUNCTION_H
#define DIALOGS_FORMFUNCTION_H

#include "color.h"
#include "vector3.h"

#include <vector>

class QDoubleSpinBox;
class QPushButton;
class QTableView;

// Fills a spin box without touching one that already shows the value, so that a refresh
// caused by the user's own typing does not rewrite the text under the cursor.
void setSpinBoxValue(QDoubleSpinBox* iBox, double iValue);

// Paints a colour button's face in the colour.
void setButtonColor(QPushButton* iButton, const Color& iColor);

// Runs the modal colour dialog opened on iInitial; true with oColor set when accepted.
bool chooseColor(const Color& iInitial, Color* oColor);

// Puts a new model into the table: one row per point, columns "X", "Y", "Z" holding the
// coordinates as doubles, fixed header sizes. The previous model and the selection model
// the table made for it are deleted; the table owns the new one.
void setPointTable(QTableView* iTable, const std::vector<Vector3T<double>>& iPoints);

#endif
