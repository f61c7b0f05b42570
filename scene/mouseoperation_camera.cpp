#include "mouseoperation.h"

#include "camera.h"
#include "clipbox.h"
#include "manipulator.h"
#include "pointcloudmanager.h"
#include "polygonmanager.h"
#include "referencepoint.h"
#include "scene.h"
#include "scenestate.h"

#include <algorithm>
#include <cmath>

namespace mouseoperation {

namespace {

const double FL_PI = 3.141592;

bool FL_isHandle(int iHandle)
{
    return iHandle >= Manipulator::TranslateX && iHandle <= Manipulator::RotateZ;
}

// v unchanged when it has no length.
Vector3T<double> FL_unit(const Vector3T<double>& iVector)
{
    const double square = iVector.dot(iVector);
    if (square == 0.0)
        return iVector;
    return iVector / std::sqrt(square);
}

// The far-plane point under a widget position, not truncated to a pixel.
Vector3T<double> FL_unprojectFar(const Camera& iCamera, const Position& iPosition)
{
    Camera::ScreenData screen;
    iCamera.getScreenData(&screen);
    return iCamera.convertValueFromGLDeviceToModel(
        Vector3T<double>(iPosition.x, screen.height - iPosition.y, 1.0));
}

Vector3T<double> FL_getViewPoint(const Camera& iCamera)
{
    Vector3T<double> viewPoint;
    iCamera.getViewPoint(&viewPoint);
    return viewPoint;
}

Matrix4x4T<double> FL_getTranslation(const Vector3T<double>& iVector)
{
    Matrix4x4T<double> t;
    t(0, 3) = iVector.x;
    t(1, 3) = iVector.y;
    t(2, 3) = iVector.z;
    return t;
}


void FL_collectSelectedChildren(const Object3D* iManager, std::vector<Object3D*>* oObjects)
{
    const int count = static_cast<int>(iManager->getObjectSetSize());
    for (int i = 0; i < count; ++i) {
        Object3D* child = iManager->getObject(i);
        if (child->hasState(Object3D::Selected))
            oObjects->push_back(child);
    }
}

// Moves or turns the manipulator by the active handle under the pointer; with iWithSelection the
// selected point clouds, polygons and clip box go along.
void FL_dragHandle(Scene* iScene, int iHandle, bool iWithSelection)
{
    static const Vector3T<double> axes[3] = {Vector3T<double>(1, 0, 0), Vector3T<double>(0, 1, 0),
                                             Vector3T<double>(0, 0, 1)};
    Manipulator* manipulator = iScene->getManipulator();
    const Camera& camera = iScene->getSceneState()->getCamera();
    const Vector3T<double>& axis = axes[iHandle % 3];
    Vector3T<double> origin;
    const Matrix4x4T<double>& matrix = manipulator->getMatrix();
    origin.x = matrix(0, 3);
    origin.y = matrix(1, 3);
    origin.z = matrix(2, 3);

    std::vector<Object3D*> objects;
    if (iWithSelection) {
        FL_collectSelectedChildren(iScene->getPointCloudManager(), &objects);
        FL_collectSelectedChildren(iScene->getPolygonManager(), &objects);
        ClipBox* clipBox = iScene->getClipBox();
        if (clipBox->hasState(Object3D::Selected))
            objects.push_back(clipBox);
    }

    if (iHandle <= Manipulator::TranslateZ) {
        const Vector3T<double> step = axis * FL_getTranslationValueAlong(axis, origin, camera);
        manipulator->translate(step);
        for (Object3D* object : objects)
            object->translate(step);
    } else {
        const double degree = FL_getRotationDegreeAlong(axis, origin, camera);
        manipulator->rotate(axis, degree);
        FL_rotateObject(objects, axis, degree, origin);
    }
}

} // namespace

double FL_getTranslationValueAlong(const Vector3T<double>& iAxis, const Vector3T<double>& iOrigin,
                                   const Camera& iCamera)
{
    const Vector3T<double> eye = FL_getViewPoint(iCamera);
    const Vector3T<double> direction = FL_unit(FL_unprojectFar(iCamera, flNewMousePosition) - eye);
    Camera::LookAtData lookAt;
    iCamera.getLookAtData(&lookAt);
    const Vector3T<double> rightward = Camera::getRightward(lookAt);
    const Vector3T<double> upward = Camera::getUpward(lookAt);
    // The plane holds the axis and the screen direction more nearly perpendicular to it.
    const Vector3T<double> normal = std::fabs(rightward.dot(iAxis)) > std::fabs(upward.dot(iAxis))
                                        ? iAxis.cross(upward)
                                        : iAxis.cross(rightward);
    const double across = direction.dot(normal);
    if (across == 0.0)
        return 0.0;
    const double s = (normal.dot(iOrigin) - normal.dot(eye)) / across;
    const Vector3T<double> hit = eye + direction * s;
    const double value = (hit - iOrigin).dot(iAxis);
    // A ray all but parallel to the plane, or a camera without a usable set-up.
    return std::isfinite(value) ? value : 0.0;
}

double FL_getRotationDegreeAlong(const Vector3T<double>& iAxis, const Vector3T<double>& iOrigin,
                                 const Camera& iCamera)
{
    const Vector3T<double> eye = FL_getViewPoint(iCamera);
    const Vector3T<double> d1 = FL_unit(FL_unprojectFar(iCamera, flMousePosition) - eye);
    const Vector3T<double> d2 = FL_unit(FL_unprojectFar(iCamera, flNewMousePosition) - eye);
    const double a1 = iAxis.dot(d1);
    const double a2 = iAxis.dot(d2);
    if (a1 == 0.0 || a2 == 0.0)
        return 0.0;
    // Where the two rays meet the plane through the origin perpendicular to the axis.
    const double k = iAxis.dot(iOrigin) - iAxis.dot(eye);
    const Vector3T<double> u1 = FL_unit(eye + d1 * (k / a1) - iOrigin);
    const Vector3T<double> u2 = FL_unit(eye + d2 * (k / a2) - iOrigin);
    const double sine = u1.cross(u2).dot(iAxis);
    if (!std::isfinite(sine))
        return 0.0;
    // Unit vectors can give a sine a rounding step beyond ±1, where asin has no value.
    return std::asin(std::max(-1.0, std::min(1.0, sine))) / FL_PI * 180.0;
}

void FL_rotateObject(const std::vector<Object3D*>& iObjects, const Vector3T<double>& iAxis, double iDegree,
                     const Vector3T<double>& iOrigin)
{
    if (!std::isfinite(iDegree))
        return;
    const double radian = iDegree / 180.0 * FL_PI;
    const Matrix4x4T<double> turn =
        FL_getTranslation(iOrigin) * getRotationMatrix(iAxis, radian) * FL_getTranslation(-iOrigin);
    for (Object3D* object : iObjects)
        object->setMatrix(turn * object->getMatrix());
}

void FLCameraOperation::moved(Scene* iScene, QWidget* iWidget, int iX, int iY) const
{
    ReferencePointManager* referencePoints = iScene->getReferencePointManager();
    Manipulator* manipulator = iScene->getManipulator();
    referencePoints->disablePreviewPoint();
    manipulator->activeHandle = Manipulator::NoHandle;
    unsigned int type = 0;
    FL_pickType(iScene, iWidget, iX, iY, &type);
    if (type == ManipulatorType) {
        unsigned int id = 0;
        FL_pickID(iScene, iWidget, iX, iY, &id);
        // Only the six handle numbers name a handle.
        if (id <= static_cast<unsigned int>(Manipulator::RotateZ))
            manipulator->activeHandle = static_cast<int>(id);
        return;
    }
    FL_showPreviewPoint(iScene, iWidget, iX, iY);
}

void FLCameraOperation::clickedLeftButton(Scene* iScene, QWidget* iWidget, int iX, int iY) const
{
    Manipulator* manipulator = iScene->getManipulator();
    if (FL_isHandle(manipulator->activeHandle)) {
        manipulator->activeHandle = Manipulator::NoHandle;
        return;
    }
    FL_lockOnSurfacePoint(iScene, iWidget, iX, iY);
}

void FLCameraOperation::dragedLeftButton(Scene* iScene, QWidget*, int iDx, int iDy) const
{
    const int handle = iScene->getManipulator()->activeHandle;
    if (FL_isHandle(handle)) {
        FL_dragHandle(iScene, handle, true);
        return;
    }
    FL_setLevelOfDetail(iScene, true);
    FL_turnCamera(iScene, iDx, iDy);
}

void FLCameraOperation::dragedRightButton(Scene* iScene, QWidget*, int iDx, int iDy) const
{
    const int handle = iScene->getManipulator()->activeHandle;
    if (FL_isHandle(handle)) {
        FL_dragHandle(iScene, handle, false);
        return;
    }
    FL_setLevelOfDetail(iScene, true);
    FL_panCamera(iScene, iDx, iDy);
}

void FLCameraOperation::finishedLeftButtonDrag(Scene* iScene, QWidget*) const
{
    Manipulator* manipulator = iScene->getManipulator();
    if (FL_isHandle(manipulator->activeHandle))
        manipulator->activeHandle = Manipulator::NoHandle;
    else
        FL_setLevelOfDetail(iScene, false);
}

void FLCameraOperation::finishedRightButtonDrag(Scene* iScene, QWidget*) const
{
    finishedLeftButtonDrag(iScene, nullptr);
}

void FL_setLevelOfDetail(Scene* iScene, bool iRough)
{
    FL_setPointCloudLevel(iScene, iRough);
    PolygonManager* polygons = iScene->getPolygonManager();
    polygons->setTargetLevel(iRough ? polygons->roughLevel : polygons->normalLevel);
    iScene->getSceneState()->setLODLevel(1);
}

} // namespace mouseoperation
