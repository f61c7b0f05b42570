#include "formfunction.h"

#include "colorfunction.h"
#include "object3d.h"
#include "renamedialog.h"

#include <QBrush>
#include <QDoubleSpinBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPalette>
#include <QPointer>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>

void setSpinBoxValue(QDoubleSpinBox* iBox, double iValue)
{
    // Compared as the box would show it: a value with more decimals than the box, or outside
    // its range, must not make every refresh rewrite the text under the cursor.
    const double rounded = QString::number(iValue, 'f', iBox->decimals()).toDouble();
    if (iBox->value() != qBound(iBox->minimum(), rounded, iBox->maximum()))
        iBox->setValue(iValue);
}

void setButtonColor(QPushButton* iButton, const Color& iColor)
{
    QPalette palette = iButton->palette();
    palette.setBrush(QPalette::All, QPalette::Button, QBrush(convert(iColor), Qt::SolidPattern));
    iButton->setPalette(palette);
}

bool chooseColor(const Color& iInitial, Color* oColor)
{
    QColor chosen;
    if (!getColorWithColorDialog(chosen, convert(iInitial), nullptr))
        return false;
    *oColor = convert(chosen);
    return true;
}

void setPointTable(QTableView* iTable, const std::vector<Vector3T<double>>& iPoints)
{
    iTable->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    iTable->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);

    QStandardItemModel* model = new QStandardItemModel(static_cast<int>(iPoints.size()), 3, iTable);
    model->setHorizontalHeaderLabels({QStringLiteral("X"), QStringLiteral("Y"), QStringLiteral("Z")});
    for (int row = 0; row < static_cast<int>(iPoints.size()); ++row) {
        const Vector3T<double>& point = iPoints[static_cast<std::size_t>(row)];
        model->setData(model->index(row, 0), point.x, Qt::EditRole);
        model->setData(model->index(row, 1), point.y, Qt::EditRole);
        model->setData(model->index(row, 2), point.z, Qt::EditRole);
    }

    QAbstractItemModel* oldModel = iTable->model();
    QItemSelectionModel* oldSelection = iTable->selectionModel();
    iTable->setModel(model);
    // setModel keeps the old selection model alive as a child of the table.
    delete oldSelection;
    delete oldModel;
}

void setPositionComponent(Object3D* iTarget, int iAxis, double iValue)
{
    if (!iTarget)
        return;
    Vector3T<double> position;
    iTarget->getPosition(&position);
    position[iAxis] = iValue;
    iTarget->setPosition(position);
}

void setAttitudeTable(QTableView* iTable, QStandardItemModel** ioModel, const Matrix4x4T<double>& iMatrix)
{
    // One model for the panel's life, refilled: a model swapped in on every refresh would leave
    // the selection models that the table makes for each model behind until the panel goes.
    if (!*ioModel) {
        *ioModel = new QStandardItemModel(3, 3, iTable);
        iTable->setModel(*ioModel);
        // As tall as its header and three rows: the panels' layouts gave it room for two.
        iTable->setFixedHeight(2 * iTable->frameWidth() + iTable->horizontalHeader()->sizeHint().height() +
                               3 * iTable->verticalHeader()->defaultSectionSize());
    }
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            (*ioModel)->setData((*ioModel)->index(r, c), iMatrix(r, c), Qt::EditRole);
}

void followChanges(QObject* iSource, QObject* iReceiver, const char* iSlot, bool iFollow)
{
    if (!iSource)
        return;
    if (iFollow) {
        QObject::connect(iSource, SIGNAL(changedValue()), iReceiver, iSlot, Qt::UniqueConnection);
        QObject::connect(iSource, SIGNAL(changedStructure()), iReceiver, iSlot, Qt::UniqueConnection);
    } else {
        QObject::disconnect(iSource, SIGNAL(changedValue()), iReceiver, iSlot);
        QObject::disconnect(iSource, SIGNAL(changedStructure()), iReceiver, iSlot);
    }
}

void renameObject(Object3D* iTarget)
{
    if (!iTarget)
        return;
    QPointer<Object3D> target = iTarget;
    std::string name = target->getName();
    const std::vector<std::string> usedNames;
    const bool accepted = RenameDialog::getName(&name, &usedNames);
    // The object may have gone while the dialog ran.
    if (accepted && target)
        target->setName(name);
}
