#include "commentcreationdialog.h"

#include "commentform.h"
#include "commentmanager.h"
#include "formfunction.h"
#include "referencepoint.h"
#include "ui_commentcreationdialog.h"

#include <string>
#include <vector>

CommentCreationDialog::CommentCreationDialog(QWidget* iParent)
    : QDialog(iParent), ui(new Ui_CommentCreationDialog)
{
    ui->setupUi(this);
    connectUI();
}

CommentCreationDialog::~CommentCreationDialog()
{
    delete ui;
}

void CommentCreationDialog::connectUI()
{
    connect(ui->lineEditTitle, SIGNAL(textChanged(QString)), this, SLOT(updateUI()), Qt::UniqueConnection);
    connect(ui->pushButtonReference, SIGNAL(clicked()), this, SLOT(setPoint()), Qt::UniqueConnection);
    connect(ui->pushButtonCreateNew, SIGNAL(clicked()), this, SLOT(createNewComment()), Qt::UniqueConnection);
}

void CommentCreationDialog::setTarget(CommentManager* iTarget)
{
    target = iTarget;
}

void CommentCreationDialog::setRPM(ReferencePointManager* iPoints)
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

void CommentCreationDialog::setVisible(bool iVisible)
{
    if (iVisible) {
        // Showing it again while it is open keeps what the user typed.
        if (!isVisible())
            clearUI();
        updateUI();
        followChanges(points, this, SLOT(updateUI()), true);
    } else {
        followChanges(points, this, SLOT(updateUI()), false);
    }
    QDialog::setVisible(iVisible);
}

void CommentCreationDialog::clearUI()
{
    ui->lineEditTitle->clear();
    ui->plainTextEdit->clear();
    ui->doubleSpinBoxX->setValue(0.0);
    ui->doubleSpinBoxY->setValue(0.0);
    ui->doubleSpinBoxZ->setValue(0.0);
}

void CommentCreationDialog::updateUI()
{
    ui->pushButtonReference->setEnabled(points && !points->referencePoints.empty());
    ui->pushButtonCreateNew->setEnabled(!ui->lineEditTitle->text().isEmpty());
}

void CommentCreationDialog::setPoint()
{
    if (!points || points->referencePoints.empty())
        return;
    const Vector3T<double> point = points->referencePoints.back();
    ui->doubleSpinBoxX->setValue(point.x);
    ui->doubleSpinBoxY->setValue(point.y);
    ui->doubleSpinBoxZ->setValue(point.z);
    points->deleteReferencePointALL();
}

void CommentCreationDialog::createNewComment()
{
    const Vector3T<double> point(ui->doubleSpinBoxX->value(), ui->doubleSpinBoxY->value(),
                                 ui->doubleSpinBoxZ->value());
    const std::string title = ui->lineEditTitle->text().toUtf8().toStdString();
    const std::vector<std::string> text = CommentForm::getTextLines(ui->plainTextEdit);
    if (target)
        target->createComment(point, title, text);
    clearUI();
}
