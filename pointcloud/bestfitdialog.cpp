#include "bestfitdialog.h"

#include "bestfit.h"
#include "pointcloud.h"
#include "pointcloudmanager.h"
#include "ui_bestfitdialog.h"

#include <QByteArray>
#include <QMessageBox>

#include <string>
#include <vector>

namespace {

void FL_fillList(QComboBox* iBox, const std::vector<std::string>& iNames)
{
    iBox->setEnabled(!iNames.empty());
    iBox->clear();
    for (const std::string& name : iNames)
        iBox->addItem(QString::fromStdString(name));
}

} // namespace

BestFitDialog::BestFitDialog(QWidget* iParent) : QDialog(iParent), ui(new Ui_BestFitDialog)
{
    ui->setupUi(this);
    connect(ui->comboBoxBaseShot, SIGNAL(currentIndexChanged(int)), this, SLOT(updateExecuteButton()));
    connect(ui->comboBoxTargetShot, SIGNAL(currentIndexChanged(int)), this, SLOT(updateExecuteButton()));
    connect(ui->pushButtonExecute, SIGNAL(clicked()), this, SLOT(execute()));
}

BestFitDialog::~BestFitDialog()
{
    delete ui;
}

void BestFitDialog::setTarget(PointCloudManager* iTarget)
{
    if (iTarget == target)
        return;
    disconnectShotName();
    target = iTarget;
    // A dialog that is already following its manager follows the new one instead.
    if (mFollowing) {
        updateShotName();
        updateExecuteButton();
        connectShotName();
    }
}

void BestFitDialog::setVisible(bool iVisible)
{
    mFollowing = iVisible;
    if (iVisible) {
        updateShotName();
        updateExecuteButton();
        connectShotName();
    } else {
        disconnectShotName();
    }
    QDialog::setVisible(iVisible);
}

void BestFitDialog::connectShotName()
{
    if (!target)
        return;
    // show() on a visible dialog comes here again; one connection each is enough.
    connect(target.data(), SIGNAL(changedValue()), this, SLOT(updateShotName()), Qt::UniqueConnection);
    connect(target.data(), SIGNAL(changedStructure()), this, SLOT(updateShotName()), Qt::UniqueConnection);
}

void BestFitDialog::disconnectShotName()
{
    if (!target)
        return;
    disconnect(target.data(), SIGNAL(changedValue()), this, SLOT(updateShotName()));
    disconnect(target.data(), SIGNAL(changedStructure()), this, SLOT(updateShotName()));
}

void BestFitDialog::updateShotName()
{
    std::vector<std::string> names;
    if (target)
        target->getNameALL(&names);

    bool differ = ui->comboBoxBaseShot->count() != static_cast<int>(names.size());
    for (int i = 0; !differ && i < static_cast<int>(names.size()); ++i)
        differ = ui->comboBoxBaseShot->itemText(i).toUtf8() != QByteArray::fromStdString(names[i]);

    if (differ) {
        FL_fillList(ui->comboBoxBaseShot, names);
        FL_fillList(ui->comboBoxTargetShot, names);
    } else {
        // Empty lists are disabled even before their first rebuild.
        ui->comboBoxBaseShot->setEnabled(!names.empty());
        ui->comboBoxTargetShot->setEnabled(!names.empty());
    }
}

void BestFitDialog::updateExecuteButton()
{
    const int base = ui->comboBoxBaseShot->currentIndex();
    const int other = ui->comboBoxTargetShot->currentIndex();
    ui->pushButtonExecute->setEnabled(base != -1 && other != -1 && base != other);
}

void BestFitDialog::execute()
{
    const int baseIndex = ui->comboBoxBaseShot->currentIndex();
    const int targetIndex = ui->comboBoxTargetShot->currentIndex();
    const double findLengthMax = ui->doubleSpinBoxFindLengthMax->value();
    const int samplingPitch = ui->spinBoxSamplingPitch->value();
    const int loopMax = ui->spinBoxLoopMax->value();
    const float tolerance = static_cast<float>(ui->doubleSpinBoxTolerance->value());
    if (!target)
        return;
    // The slot can be invoked without the button: the list indices may name no shot, or one
    // shot twice.
    PointCloud* base = target->getData(baseIndex);
    PointCloud* shot = target->getData(targetIndex);
    if (base == nullptr || shot == nullptr || base == shot)
        return;
    BestFit bestFit;
    std::string message;
    // The report stays on standard output; only a run that could not go on is told here.
    if (!bestFit.bestfit(*shot, *base, findLengthMax, loopMax, tolerance, samplingPitch, message))
        QMessageBox::warning(this, windowTitle(), QString::fromStdString(message));
}
