#include "cameradialog.h"

#include "camera.h"
#include "formfunction.h"
#include "scene.h"
#include "ui_cameradialog.h"

#include <QSignalBlocker>
#include <QStringList>

namespace {

const int FL_FRAME_STEP = 30;
const int FL_FRAME_MAX = 90;

// Fills a box without letting it reach the camera; far, near and angle come back widened from
// float, which the box's own comparison allows for.
void FL_showValue(QDoubleSpinBox* iBox, double iValue)
{
    const QSignalBlocker blocker(iBox);
    setSpinBoxValue(iBox, iValue);
}

} // namespace

CameraDialog::CameraDialog(QWidget* iParent) : QDialog(iParent), ui(new Ui_CameraDialog)
{
    ui->setupUi(this);
    initTabProperty();
    initTabOperation();
}

CameraDialog::~CameraDialog()
{
    delete ui;
}

void CameraDialog::setTarget(Camera* iCamera)
{
    if (iCamera == camera)
        return;
    disconnectTabProperty();
    disconnectTabOperation();
    camera = iCamera;
    if (isVisible()) {
        updateTabProperty();
        updateWorkMode();
        connectTabProperty();
        connectTabOperation();
    }
}

void CameraDialog::setScene(Scene* iScene)
{
    scene = iScene;
}

void CameraDialog::initTabProperty()
{
    connect(ui->doubleSpinBoxProjectionFar, SIGNAL(valueChanged(double)), this, SLOT(setProjectionFar(double)));
    connect(ui->doubleSpinBoxProjectionNear, SIGNAL(valueChanged(double)), this, SLOT(setProjectionNear(double)));
    connect(ui->doubleSpinBoxProjectionDegree, SIGNAL(valueChanged(double)), this,
            SLOT(setProjectionDegree(double)));
    connect(ui->doubleSpinBoxViewPointX, SIGNAL(valueChanged(double)), this, SLOT(setViewPointX(double)));
    connect(ui->doubleSpinBoxViewPointY, SIGNAL(valueChanged(double)), this, SLOT(setViewPointY(double)));
    connect(ui->doubleSpinBoxViewPointZ, SIGNAL(valueChanged(double)), this, SLOT(setViewPointZ(double)));
    connect(ui->doubleSpinBoxRegardPointX, SIGNAL(valueChanged(double)), this, SLOT(setRegardPointX(double)));
    connect(ui->doubleSpinBoxRegardPointY, SIGNAL(valueChanged(double)), this, SLOT(setRegardPointY(double)));
    connect(ui->doubleSpinBoxRegardPointZ, SIGNAL(valueChanged(double)), this, SLOT(setRegardPointZ(double)));
}

void CameraDialog::initTabOperation()
{
    connect(ui->pushButtonSetUpwardXP, SIGNAL(clicked()), this, SLOT(clickedPushButtonSetUpwardXP()));
    connect(ui->pushButtonSetUpwardXM, SIGNAL(clicked()), this, SLOT(clickedPushButtonSetUpwardXM()));
    connect(ui->pushButtonSetUpwardYP, SIGNAL(clicked()), this, SLOT(clickedPushButtonSetUpwardYP()));
    connect(ui->pushButtonSetUpwardYM, SIGNAL(clicked()), this, SLOT(clickedPushButtonSetUpwardYM()));
    connect(ui->pushButtonSetUpwardZP, SIGNAL(clicked()), this, SLOT(clickedPushButtonSetUpwardZP()));
    connect(ui->pushButtonSetUpwardZM, SIGNAL(clicked()), this, SLOT(clickedPushButtonSetUpwardZM()));
    connect(ui->pushButtonSetRightwardXP, SIGNAL(clicked()), this, SLOT(clickedPushButtonSetRightwardXP()));
    connect(ui->pushButtonSetRightwardXM, SIGNAL(clicked()), this, SLOT(clickedPushButtonSetRightwardXM()));
    connect(ui->pushButtonSetRightwardYP, SIGNAL(clicked()), this, SLOT(clickedPushButtonSetRightwardYP()));
    connect(ui->pushButtonSetRightwardYM, SIGNAL(clicked()), this, SLOT(clickedPushButtonSetRightwardYM()));
    connect(ui->pushButtonSetRightwardZP, SIGNAL(clicked()), this, SLOT(clickedPushButtonSetRightwardZP()));
    connect(ui->pushButtonSetRightwardZM, SIGNAL(clicked()), this, SLOT(clickedPushButtonSetRightwardZM()));

    QStringList frames;
    for (int frame = FL_FRAME_STEP; frame <= FL_FRAME_MAX; frame += FL_FRAME_STEP)
        frames.append(QString::number(frame));
    ui->comboBoxAnimationFrame->insertItems(ui->comboBoxAnimationFrame->count(), frames);
    ui->checkBoxEnableAnimation->setChecked(true);

    // Filled before it is connected, so that the items reach no camera.
    ui->comboBoxWorkMode->addItem(tr("Observation"));
    ui->comboBoxWorkMode->addItem(tr("WalkThrough"));
    connect(ui->comboBoxWorkMode, SIGNAL(currentIndexChanged(int)), this, SLOT(setWorkMode(int)));

    connect(ui->pushButtonTranslationUp, SIGNAL(clicked()), this, SLOT(translateUp()));
    connect(ui->pushButtonTranslationDown, SIGNAL(clicked()), this, SLOT(translateDown()));
    connect(ui->pushButtonTranslationLeft, SIGNAL(clicked()), this, SLOT(translateLeft()));
    connect(ui->pushButtonTranslationRight, SIGNAL(clicked()), this, SLOT(translateRight()));
    connect(ui->pushButtonTranslationPlus, SIGNAL(clicked()), this, SLOT(translatePlus()));
    connect(ui->pushButtonTranslationMinus, SIGNAL(clicked()), this, SLOT(translateMinus()));
    connect(ui->pushButtonRotationUp, SIGNAL(clicked()), this, SLOT(rotateUp()));
    connect(ui->pushButtonRotationDown, SIGNAL(clicked()), this, SLOT(rotateDown()));
    connect(ui->pushButtonRotationLeft, SIGNAL(clicked()), this, SLOT(rotateLeft()));
    connect(ui->pushButtonRotationRight, SIGNAL(clicked()), this, SLOT(rotateRight()));
    connect(ui->pushButtonRotationPlus, SIGNAL(clicked()), this, SLOT(rotatePlus()));
    connect(ui->pushButtonRotationMinus, SIGNAL(clicked()), this, SLOT(rotateMinus()));
}

void CameraDialog::setVisible(bool iVisible)
{
    if (iVisible) {
        updateTabProperty();
        // The work mode may have changed while hidden (the main window's mode actions).
        updateWorkMode();
        connectTabProperty();
        connectTabOperation();
    } else {
        disconnectTabProperty();
        disconnectTabOperation();
    }
    QDialog::setVisible(iVisible);
}

void CameraDialog::connectTabProperty()
{
    if (!camera)
        return;
    connect(camera.data(), SIGNAL(changedValue()), this, SLOT(updateProjection()), Qt::UniqueConnection);
    connect(camera.data(), SIGNAL(changedValue()), this, SLOT(updateViewPoint()), Qt::UniqueConnection);
    connect(camera.data(), SIGNAL(changedValue()), this, SLOT(updateRegardPoint()), Qt::UniqueConnection);
    connect(camera.data(), SIGNAL(changedValue()), this, SLOT(updateUpward()), Qt::UniqueConnection);
}

void CameraDialog::connectTabOperation()
{
    if (camera)
        connect(camera.data(), SIGNAL(changedValue()), this, SLOT(updateWorkMode()), Qt::UniqueConnection);
}

void CameraDialog::disconnectTabProperty()
{
    // A camera that is gone took its connections with it.
    if (!camera)
        return;
    disconnect(camera.data(), SIGNAL(changedValue()), this, SLOT(updateProjection()));
    disconnect(camera.data(), SIGNAL(changedValue()), this, SLOT(updateViewPoint()));
    disconnect(camera.data(), SIGNAL(changedValue()), this, SLOT(updateRegardPoint()));
    disconnect(camera.data(), SIGNAL(changedValue()), this, SLOT(updateUpward()));
}

void CameraDialog::disconnectTabOperation()
{
    if (camera)
        disconnect(camera.data(), SIGNAL(changedValue()), this, SLOT(updateWorkMode()));
}

void CameraDialog::updateTabProperty()
{
    updateProjection();
    updateViewPoint();
    updateRegardPoint();
    updateUpward();
}

void CameraDialog::updateProjection()
{
    if (!camera)
        return;
    float far = 0.0f;
    float near = 0.0f;
    float degree = 0.0f;
    camera->getFar(&far);
    camera->getNear(&near);
    camera->getDegree(&degree);
    FL_showValue(ui->doubleSpinBoxProjectionFar, far);
    FL_showValue(ui->doubleSpinBoxProjectionNear, near);
    FL_showValue(ui->doubleSpinBoxProjectionDegree, degree);
}

void CameraDialog::updateViewPoint()
{
    if (!camera)
        return;
    Vector3T<double> point;
    camera->getViewPoint(&point);
    FL_showValue(ui->doubleSpinBoxViewPointX, point.x);
    FL_showValue(ui->doubleSpinBoxViewPointY, point.y);
    FL_showValue(ui->doubleSpinBoxViewPointZ, point.z);
}

void CameraDialog::updateRegardPoint()
{
    if (!camera)
        return;
    Vector3T<double> point;
    camera->getLockOnPoint(&point);
    FL_showValue(ui->doubleSpinBoxRegardPointX, point.x);
    FL_showValue(ui->doubleSpinBoxRegardPointY, point.y);
    FL_showValue(ui->doubleSpinBoxRegardPointZ, point.z);
}

void CameraDialog::updateUpward()
{
    if (!camera)
        return;
    Vector3T<double> upward;
    camera->getUpward(&upward);
    FL_showValue(ui->doubleSpinBoxUpwardX, upward.x);
    FL_showValue(ui->doubleSpinBoxUpwardY, upward.y);
    FL_showValue(ui->doubleSpinBoxUpwardZ, upward.z);
}

void CameraDialog::updateWorkMode()
{
    if (!camera)
        return;
    int mode = 0;
    camera->getWorkMode(&mode);
    if (ui->comboBoxWorkMode->currentIndex() == mode)
        return;
    // A mode without an item leaves the box empty; either way nothing goes back to the camera.
    const QSignalBlocker blocker(ui->comboBoxWorkMode);
    ui->comboBoxWorkMode->setCurrentIndex(mode);
}

void CameraDialog::setProjectionFar(double iValue)
{
    if (camera)
        camera->setFar(static_cast<float>(iValue));
}

void CameraDialog::setProjectionNear(double iValue)
{
    if (camera)
        camera->setNear(static_cast<float>(iValue));
}

void CameraDialog::setProjectionDegree(double iValue)
{
    if (camera)
        camera->setDegree(static_cast<float>(iValue));
}

void CameraDialog::setViewPointComponent(int iAxis, double iValue)
{
    if (!camera)
        return;
    Vector3T<double> point;
    camera->getViewPoint(&point);
    point[iAxis] = iValue;
    camera->setViewPoint(point);
}

void CameraDialog::setRegardPointComponent(int iAxis, double iValue)
{
    if (!camera)
        return;
    Vector3T<double> point;
    camera->getLockOnPoint(&point);
    point[iAxis] = iValue;
    camera->setLockOnPoint(point);
}

void CameraDialog::setUpwardComponent(int iAxis, double iValue)
{
    if (!camera)
        return;
    Vector3T<double> upward;
    camera->getUpward(&upward);
    upward[iAxis] = iValue;
    camera->setUpward(upward);
}

void CameraDialog::setViewPointX(double iValue)
{
    setViewPointComponent(0, iValue);
}

void CameraDialog::setViewPointY(double iValue)
{
    setViewPointComponent(1, iValue);
}

void CameraDialog::setViewPointZ(double iValue)
{
    setViewPointComponent(2, iValue);
}

void CameraDialog::setRegardPointX(double iValue)
{
    setRegardPointComponent(0, iValue);
}

void CameraDialog::setRegardPointY(double iValue)
{
    setRegardPointComponent(1, iValue);
}

void CameraDialog::setRegardPointZ(double iValue)
{
    setRegardPointComponent(2, iValue);
}

void CameraDialog::setUpwardX(double iValue)
{
    setUpwardComponent(0, iValue);
}

void CameraDialog::setUpwardY(double iValue)
{
    setUpwardComponent(1, iValue);
}

void CameraDialog::setUpwardZ(double iValue)
{
    setUpwardComponent(2, iValue);
}

void CameraDialog::turnToAxis(const Vector3T<double>& iAxis, bool iUpward)
{
    const bool animated = ui->checkBoxEnableAnimation->isChecked();
    const int frames = ui->comboBoxAnimationFrame->currentText().toInt(nullptr, 10);
    if (animated) {
        if (!scene)
            return;
        if (iUpward)
            scene->setSceneUpward(iAxis, frames);
        else
            scene->setSceneRightward(iAxis, frames);
    } else {
        if (!camera)
            return;
        if (iUpward)
            camera->setUpward(iAxis);
        else
            camera->setRightward(iAxis);
    }
}

void CameraDialog::clickedPushButtonSetUpwardXP()
{
    turnToAxis(Vector3T<double>(1, 0, 0), true);
}

void CameraDialog::clickedPushButtonSetUpwardXM()
{
    turnToAxis(Vector3T<double>(-1, 0, 0), true);
}

void CameraDialog::clickedPushButtonSetUpwardYP()
{
    turnToAxis(Vector3T<double>(0, 1, 0), true);
}

void CameraDialog::clickedPushButtonSetUpwardYM()
{
    turnToAxis(Vector3T<double>(0, -1, 0), true);
}

void CameraDialog::clickedPushButtonSetUpwardZP()
{
    turnToAxis(Vector3T<double>(0, 0, 1), true);
}

void CameraDialog::clickedPushButtonSetUpwardZM()
{
    turnToAxis(Vector3T<double>(0, 0, -1), true);
}

void CameraDialog::clickedPushButtonSetRightwardXP()
{
    turnToAxis(Vector3T<double>(1, 0, 0), false);
}

void CameraDialog::clickedPushButtonSetRightwardXM()
{
    turnToAxis(Vector3T<double>(-1, 0, 0), false);
}

void CameraDialog::clickedPushButtonSetRightwardYP()
{
    turnToAxis(Vector3T<double>(0, 1, 0), false);
}

void CameraDialog::clickedPushButtonSetRightwardYM()
{
    turnToAxis(Vector3T<double>(0, -1, 0), false);
}

void CameraDialog::clickedPushButtonSetRightwardZP()
{
    turnToAxis(Vector3T<double>(0, 0, 1), false);
}

void CameraDialog::clickedPushButtonSetRightwardZM()
{
    turnToAxis(Vector3T<double>(0, 0, -1), false);
}

void CameraDialog::setWorkMode(int iMode)
{
    if (camera)
        camera->setWorkMode(iMode);
}

void CameraDialog::translateUp()
{
    if (camera)
        camera->translateUp(ui->doubleSpinBoxTranslation->value());
}

void CameraDialog::translateDown()
{
    if (camera)
        camera->translateDown(ui->doubleSpinBoxTranslation->value());
}

void CameraDialog::translateLeft()
{
    if (camera)
        camera->translateLeft(ui->doubleSpinBoxTranslation->value());
}

void CameraDialog::translateRight()
{
    if (camera)
        camera->translateRight(ui->doubleSpinBoxTranslation->value());
}

void CameraDialog::translatePlus()
{
    if (camera)
        camera->translatePlus(ui->doubleSpinBoxTranslation->value());
}

void CameraDialog::translateMinus()
{
    if (camera)
        camera->translateMinus(ui->doubleSpinBoxTranslation->value());
}

void CameraDialog::rotateUp()
{
    if (camera)
        camera->rotateUp(ui->doubleSpinBoxRotation->value());
}

void CameraDialog::rotateDown()
{
    if (camera)
        camera->rotateDown(ui->doubleSpinBoxRotation->value());
}

void CameraDialog::rotateLeft()
{
    if (camera)
        camera->rotateLeft(ui->doubleSpinBoxRotation->value());
}

void CameraDialog::rotateRight()
{
    if (camera)
        camera->rotateRight(ui->doubleSpinBoxRotation->value());
}

void CameraDialog::rotatePlus()
{
    if (camera)
        camera->rotatePlus(ui->doubleSpinBoxRotation->value());
}

void CameraDialog::rotateMinus()
{
    if (camera)
        camera->rotateMinus(ui->doubleSpinBoxRotation->value());
}
