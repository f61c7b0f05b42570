#ifndef DIALOGS_FORMFUNCTION_H
#define DIALOGS_FORMFUNCTION_H

#include "color.h"
#include "matrix4x4.h"
#include "vector3.h"

#include <vector>

class Object3D;
class QDoubleSpinBox;
class QStandardItemModel;
class QPushButton;
class QObject;
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

// Moves the object along one axis (0 x, 1 y, 2 z) to iValue; the other coordinates are the
// object's own, not those of other boxes, which may show rounded or clamped values.
void setPositionComponent(Object3D* iTarget, int iAxis, double iValue);

// Shows the rotation part of the matrix in the table, through one model made on first use
// (into *ioModel, owned by the table) and refilled afterwards. The table is made as tall as
// its three rows.
void setAttitudeTable(QTableView* iTable, QStandardItemModel** ioModel, const Matrix4x4T<double>& iMatrix);

// While iFollow, the receiver's slot runs on each changedValue() and changedStructure() of the
// source, connected once; else no longer. Nothing without a source.
void followChanges(QObject* iSource, QObject* iReceiver, const char* iSlot, bool iFollow);

// Asks for a new name (any non-empty one) and gives it to the object when accepted and the
// object is still there.
void renameObject(Object3D* iTarget);

#endif
