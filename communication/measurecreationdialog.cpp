#include "measurecreationdialog.h"

#include "formfunction.h"
#include "measuremanager.h"
#include "referencepoint.h"
#include "ui_measurecreationdialog.h"

#include <vector>

MeasureCreationDialog::MeasureCreationDialog(QWidget* iParent)
    : QDialog(iParent), ui(new Ui_MeasureCreationDialog)
{
    ui->setupUi(this);
    connectUI();
}

MeasureCreationDialog::~MeasureCreationDialog()
{
    delete ui;
}

void MeasureCreationDialog::connectUI()
{
    connect(ui->pushButtonDeleteLast, SIGNAL(clicked()), this, SLOT(deleteLastPoint()));
    connect(ui->pushButtonDeleteALL, SIGNAL(clicked()), this, SLOT(deleteALLPoint()));
    connect(ui->pushButtonMeasureLength, SIGNAL(clicked()), this, SLOT(measureLength()));
    connect(ui->pushButtonMeasureAngle, SIGNAL(clicked()), this, SLOT(measureAngle()));
}

void MeasureCreationDialog::setTarget(MeasureManager* iTarget)
{
    target = iTarget;
}

void MeasureCreationDialog::setRPM(ReferencePointManager* iPoints)
{
    if (iPoints == points)
        return;
    followChanges(points, this, SLOT(updateUI()), false);
    points = iPoints;
    if (isVisible()) {
        updateUI();
        followChanges(points, this, SLOT(updateUI()), true);
    }
}

void MeasureCreationDialog::setVisible(bool iVisible)
{
    if (target)
        target->setSelectedALL(false);
    if (iVisible) {
        updateUI();
        followChanges(points, this, SLOT(updateUI()), true);
    } else {
        followChanges(points, this, SLOT(updateUI()), false);
    }
    QDialog::setVisible(iVisible);
}

void MeasureCreationDialog::updateUI()
{
    const std::vector<Vector3T<double>> list = points ? points->referencePoints : std::vector<Vector3T<double>>();
    setPointTable(ui->tableView3DPoints, list);

    const std::size_t n = list.size();
    ui->pushButtonDeleteLast->setEnabled(n >= 1);
    ui->pushButtonDeleteALL->setEnabled(n >= 1);
    ui->pushButtonMeasureLength->setEnabled(n >= 2);
    ui->pushButtonMeasureAngle->setEnabled(n >= 3);
}

void MeasureCreationDialog::deleteLastPoint()
{
    if (points)
        points->deleteReferencePointLast();
}

void MeasureCreationDialog::deleteALLPoint()
{
    if (points)
        points->deleteReferencePointALL();
}

void MeasureCreationDialog::measureLength()
{
    if (!target || !points)
        return;
    const std::vector<Vector3T<double>> list = points->referencePoints;
    if (target->createMeasureLength(list) && points)
        points->deleteReferencePointALL();
}

void MeasureCreationDialog::measureAngle()
{
    if (!target || !points)
        return;
    const std::vector<Vector3T<double>> list = points->referencePoints;
    if (target->createMeasureAngle(list) && points)
        points->deleteReferencePointALL();
}
