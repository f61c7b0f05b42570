#include "camerapathform.h"

#include "camerapath.h"
#include "formfunction.h"
#include "ui_camerapathform.h"

#include <vector>

CameraPathForm::CameraPathForm(QWidget* iParent) : ObjectPanel(iParent), ui(new Ui_CameraPathForm)
{
    ui->setupUi(this);
    ui->tableViewPoints->setEnabled(false);
    connect(ui->checkBoxVisible, SIGNAL(clicked()), this, SLOT(changeVisibility()));
}

CameraPathForm::~CameraPathForm()
{
    delete ui;
}

void CameraPathForm::setTarget(CameraPath* iTarget)
{
    setPanelTarget(iTarget);
}

CameraPath* CameraPathForm::target() const
{
    return static_cast<CameraPath*>(panelTarget());
}

void CameraPathForm::refresh()
{
    updateUI();
}

void CameraPathForm::enableUI(bool iEnabled)
{
    ui->checkBoxVisible->setEnabled(iEnabled);
}

void CameraPathForm::updateUI()
{
    if (!target()) {
        enableUI(false);
        return;
    }
    enableUI(true);
    ui->lineEditName->setText(QString::fromStdString(target()->getName()));
    ui->checkBoxVisible->setChecked(target()->hasState(Object3D::Visible));

    // Only the view points; lock-on points and upward vectors are not shown.
    std::vector<Vector3T<double>> viewPoints;
    for (int i = 0; i < target()->getListSize(); ++i) {
        Camera::LookAtData point;
        if (target()->getPoint(i, &point))
            viewPoints.push_back(point.viewPoint);
    }
    setPointTable(ui->tableViewPoints, viewPoints);
}

void CameraPathForm::changeVisibility()
{
    if (!target())
        return;
    target()->setState(Object3D::Visible, ui->checkBoxVisible->isChecked());
}

QWidget* CameraPath::createUI()
{
    CameraPathForm* form = new CameraPathForm(nullptr);
    form->setTarget(this);
    return form;
}
