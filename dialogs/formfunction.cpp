#include "formfunction.h"

#include "colorfunction.h"

#include <QBrush>
#include <QDoubleSpinBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPalette>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>

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
