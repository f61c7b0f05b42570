#include "objecttransformationdialog.h"

#include "clipbox.h"
#include "object3d.h"
#include "pointcloudmanager.h"
#include "polygonmanager.h"
#include "referencepoint.h"
#include "scene.h"
#include "ui_objecttransformationdialog.h"

namespace {

// The object the buttons act on. Held weakly: an object deleted after it was chosen reads as
// none, so a step can never reach freed memory.
QPointer<Object3D> flTarget;

} // namespace

ObjectTransformationDialog::ObjectTransformationDialog(QWidget* iParent)
    : QDialog(iParent), ui(new Ui_ObjectTransformationDialog)
{
    ui->setupUi(this);
    connectUI();
}

ObjectTransformationDialog::~ObjectTransformationDialog()
{
    delete ui;
}

void ObjectTransformationDialog::setModel(Scene* iScene)
{
    scene = iScene;
}

bool ObjectTransformationDialog::hasModel() const
{
    return scene != nullptr;
}

void ObjectTransformationDialog::setVisible(bool iVisible)
{
    if (iVisible) {
        updateUI();
        connectTarget();
    } else {
        disconnectTarget();
    }
    QDialog::setVisible(iVisible);
}

void ObjectTransformationDialog::connectUI()
{
    connect(ui->doubleSpinBoxTransValue, SIGNAL(valueChanged(double)), this, SLOT(updateUI()), Qt::UniqueConnection);
    connect(ui->pushButtonTranslateXP, SIGNAL(clicked()), this, SLOT(translateXP()), Qt::UniqueConnection);
    connect(ui->pushButtonTranslateXM, SIGNAL(clicked()), this, SLOT(translateXM()), Qt::UniqueConnection);
    connect(ui->pushButtonTranslateYP, SIGNAL(clicked()), this, SLOT(translateYP()), Qt::UniqueConnection);
    connect(ui->pushButtonTranslateYM, SIGNAL(clicked()), this, SLOT(translateYM()), Qt::UniqueConnection);
    connect(ui->pushButtonTranslateZP, SIGNAL(clicked()), this, SLOT(translateZP()), Qt::UniqueConnection);
    connect(ui->pushButtonTranslateZM, SIGNAL(clicked()), this, SLOT(translateZM()), Qt::UniqueConnection);
    connect(ui->pushButtonSetToReferencePoint, SIGNAL(clicked()), this, SLOT(setToReferencePoint()),
            Qt::UniqueConnection);
    connect(ui->pushButtonSetToOrigin, SIGNAL(clicked()), this, SLOT(setToOrigin()), Qt::UniqueConnection);
    connect(ui->doubleSpinBoxRotValue, SIGNAL(valueChanged(double)), this, SLOT(updateUI()), Qt::UniqueConnection);
    connect(ui->pushButtonRotateXP, SIGNAL(clicked()), this, SLOT(rotateXP()), Qt::UniqueConnection);
    connect(ui->pushButtonRotateXM, SIGNAL(clicked()), this, SLOT(rotateXM()), Qt::UniqueConnection);
    connect(ui->pushButtonRotateYP, SIGNAL(clicked()), this, SLOT(rotateYP()), Qt::UniqueConnection);
    connect(ui->pushButtonRotateYM, SIGNAL(clicked()), this, SLOT(rotateYM()), Qt::UniqueConnection);
    connect(ui->pushButtonRotateZP, SIGNAL(clicked()), this, SLOT(rotateZP()), Qt::UniqueConnection);
    connect(ui->pushButtonRotateZM, SIGNAL(clicked()), this, SLOT(rotateZM()), Qt::UniqueConnection);
    connect(ui->pushButtonInitializeAttitude, SIGNAL(clicked()), this, SLOT(initializeAttitude()),
            Qt::UniqueConnection);
}

void ObjectTransformationDialog::connectTarget()
{
    if (scene)
        connect(scene.data(), SIGNAL(changedValue()), this, SLOT(updateUI()), Qt::UniqueConnection);
}

void ObjectTransformationDialog::disconnectTarget()
{
    if (scene)
        disconnect(scene.data(), SIGNAL(changedValue()), this, SLOT(updateUI()));
}

void ObjectTransformationDialog::updateUI()
{
    Object3D* target = nullptr;
    // Without a scene there is nothing to choose from: both groups go disabled.
    if (scene) {
        PointCloudManager* pointClouds = scene->getPointCloudManager();
        PolygonManager* polygons = scene->getPolygonManager();
        ClipBox* clipBox = scene->getClipBox();
        int index = -1;
        if (pointClouds)
            pointClouds->getFirstIndexSelected(&index);
        if (index != -1) {
            target = pointClouds->getObject(index);
        } else {
            if (polygons)
                polygons->getFirstIndexSelected(&index);
            if (index != -1)
                target = polygons->getObject(index);
            else if (clipBox && clipBox->hasState(Object3D::Selected))
                target = clipBox;
        }
    }
    flTarget = target;
    updateTranslationUI();
    updateRotationUI();
}

void ObjectTransformationDialog::updateTranslationUI()
{
    ui->groupBoxTranslation->setEnabled(!flTarget.isNull());
    const bool step = ui->doubleSpinBoxTransValue->value() != 0.0;
    for (QPushButton* button : {ui->pushButtonTranslateXP, ui->pushButtonTranslateYP, ui->pushButtonTranslateZP,
                                ui->pushButtonTranslateXM, ui->pushButtonTranslateYM, ui->pushButtonTranslateZM})
        button->setEnabled(step);
}

void ObjectTransformationDialog::updateRotationUI()
{
    ui->groupBoxRotation->setEnabled(!flTarget.isNull());
    const bool step = ui->doubleSpinBoxRotValue->value() != 0.0;
    for (QPushButton* button : {ui->pushButtonRotateXP, ui->pushButtonRotateYP, ui->pushButtonRotateZP,
                                ui->pushButtonRotateXM, ui->pushButtonRotateYM, ui->pushButtonRotateZM})
        button->setEnabled(step);
}

void ObjectTransformationDialog::setToReferencePoint()
{
    const QPointer<Object3D> target = flTarget;
    if (!target || !scene)
        return;
    ReferencePointManager* points = scene->getReferencePointManager();
    if (!points || points->referencePoints.empty())
        return;
    // A copy: the change signals of the move may reach code that edits the list.
    const Vector3T<double> point = points->referencePoints.front();
    target->setPosition(point);
    points->deleteReferencePointALL();
}

void ObjectTransformationDialog::setToOrigin()
{
    const QPointer<Object3D> target = flTarget;
    if (target)
        target->setPosition(Vector3T<double>(0.0, 0.0, 0.0));
}

void ObjectTransformationDialog::initializeAttitude()
{
    const QPointer<Object3D> target = flTarget;
    if (!target)
        return;
    Vector3T<double> position;
    target->getPosition(&position);
    target->setMatrix(Matrix4x4T<double>());
    // The first write's change signals run other code, which may have let the object go.
    if (target)
        target->setPosition(position);
}

void ObjectTransformationDialog::translateTarget(double iX, double iY, double iZ)
{
    const QPointer<Object3D> target = flTarget;
    if (!target)
        return;
    const double distance = ui->doubleSpinBoxTransValue->value();
    target->translate(Vector3T<double>(iX * distance, iY * distance, iZ * distance));
}

void ObjectTransformationDialog::rotateTarget(double iX, double iY, double iZ, double iSign)
{
    const QPointer<Object3D> target = flTarget;
    if (!target)
        return;
    target->rotate(Vector3T<double>(iX, iY, iZ), iSign * ui->doubleSpinBoxRotValue->value());
}

void ObjectTransformationDialog::translateXP()
{
    translateTarget(1.0, 0.0, 0.0);
}

void ObjectTransformationDialog::translateXM()
{
    translateTarget(-1.0, 0.0, 0.0);
}

void ObjectTransformationDialog::translateYP()
{
    translateTarget(0.0, 1.0, 0.0);
}

void ObjectTransformationDialog::translateYM()
{
    translateTarget(0.0, -1.0, 0.0);
}

void ObjectTransformationDialog::translateZP()
{
    translateTarget(0.0, 0.0, 1.0);
}

void ObjectTransformationDialog::translateZM()
{
    translateTarget(0.0, 0.0, -1.0);
}

void ObjectTransformationDialog::rotateXP()
{
    rotateTarget(1.0, 0.0, 0.0, 1.0);
}

void ObjectTransformationDialog::rotateXM()
{
    rotateTarget(1.0, 0.0, 0.0, -1.0);
}

void ObjectTransformationDialog::rotateYP()
{
    rotateTarget(0.0, 1.0, 0.0, 1.0);
}

void ObjectTransformationDialog::rotateYM()
{
    rotateTarget(0.0, 1.0, 0.0, -1.0);
}

void ObjectTransformationDialog::rotateZP()
{
    rotateTarget(0.0, 0.0, 1.0, 1.0);
}

void ObjectTransformationDialog::rotateZM()
{
    rotateTarget(0.0, 0.0, 1.0, -1.0);
}
