// The editor's mouse operations: the camera without manipulator or picking, and the point
// selection by a rectangle on screen, with the mode switch between them.
#include "mouseoperation.h"
#include "mouseoperator.h"

#include "camera.h"
#include "pointcloud.h"
#include "pointcloudinterface.h"
#include "pointcloudmanager.h"
#include "referencepoint.h"
#include "scene.h"
#include "scenestate.h"

#include <QWidget>

#include <algorithm>
#include <cmath>

namespace mouseoperation {

namespace {

const FLCameraOperation flCameraOperation;
const FLPointCloudSelection flPointCloudSelection;

// v unchanged when it has no length.
Vector3T<double> FL_unit(const Vector3T<double>& iVector)
{
    const double length = std::sqrt(iVector.dot(iVector));
    return length == 0.0 ? iVector : iVector / length;
}

// A world plane (a, b, c, d) as a plane of the cloud's own coordinates, whose points reach the
// world as M p. With the plane written (a, b, c, -d), inside where its product with (p, 1) is at
// most 0, the local plane is the transpose of M times it: no inverse is needed, so a singular
// matrix selects by the same rule as a regular one.
Vector4T<double> FL_toLocal(const Vector4T<double>& iPlane, const Matrix4x4T<double>& iMatrix)
{
    const double plane[4] = {iPlane.x, iPlane.y, iPlane.z, -iPlane.w};
    double local[4] = {0.0, 0.0, 0.0, 0.0};
    for (int column = 0; column < 4; ++column) {
        for (int row = 0; row < 4; ++row)
            local[column] += iMatrix(row, column) * plane[row];
    }
    return Vector4T<double>(local[0], local[1], local[2], -local[3]);
}

void FL_showRectangle(Scene* iScene, const Color& iColor)
{
    Range x;
    Range y;
    FL_getRectangle(&x, &y);
    iScene->setSelectionRange(x, y);
    iScene->setSelectionColor(iColor);
}

// Ends a rectangle or click: hides the rectangle and marks or unmarks the points of cloud 0
// seen inside it.
void FL_markPoints(Scene* iScene, QWidget* iWidget, bool iSelect)
{
    iScene->setSelectionRange(Range(), Range());
    PointCloud* cloud = iScene->getPointCloudManager()->getData(0);
    PointCloudInterface* data = cloud ? cloud->getPointCloud() : nullptr;
    if (!data)
        return;
    std::vector<Vector4T<double>> planes;
    FL_getDragBox(&planes, iWidget, iScene->getSceneState()->getCamera());
    // The points are stored as read; the cloud's matrix places them in the world.
    const Matrix4x4T<double>& matrix = cloud->getMatrix();
    for (Vector4T<double>& plane : planes)
        plane = FL_toLocal(plane, matrix);
    if (iSelect)
        data->selectPoint(planes);
    else
        data->deselectPoint(planes);
}

} // namespace

const FLOperation* FL_getCameraOperation()
{
    return &flCameraOperation;
}

void FL_getDragBox(std::vector<Vector4T<double>>* planes, const QWidget* widget, const Camera& camera)
{
    const float downX = static_cast<float>(flMouseDownPosition.x);
    const float downY = static_cast<float>(flMouseDownPosition.y);
    const float lastX = static_cast<float>(flMousePosition.x);
    const float lastY = static_cast<float>(flMousePosition.y);
    const float loX = std::min(downX, lastX);
    const float loY = std::min(downY, lastY);
    float hiX = std::max(downX, lastX);
    float hiY = std::max(downY, lastY);
    if (hiX - loX < 1.0f && hiY - loY < 1.0f) {
        hiX = loX + 1.0f;
        hiY = loY + 1.0f;
    }
    const double height = widget->height();
    const auto corner = [&](float iX, float iY) {
        return camera.convertValueFromGLDeviceToModel(Vector3T<double>(iX, height - iY, 1.0));
    };
    Vector3T<double> eye;
    camera.getViewPoint(&eye);
    const Vector3T<double> d1 = FL_unit(corner(loX, loY) - eye);
    const Vector3T<double> d2 = FL_unit(corner(hiX, loY) - eye);
    const Vector3T<double> d3 = FL_unit(corner(loX, hiY) - eye);
    const Vector3T<double> d4 = FL_unit(corner(hiX, hiY) - eye);
    const Vector3T<double> sides[4] = {FL_unit(d1.cross(d3)), FL_unit(d4.cross(d2)), FL_unit(d2.cross(d1)),
                                       FL_unit(d3.cross(d4))};
    for (const Vector3T<double>& side : sides)
        planes->emplace_back(side.x, side.y, side.z, side.dot(eye));

    Camera::LookAtData lookAt;
    camera.getLookAtData(&lookAt);
    const Vector3T<double> forward = Camera::getForward(lookAt);
    float nearDistance = 0.0f;
    float farDistance = 0.0f;
    camera.getNear(&nearDistance);
    camera.getFar(&farDistance);
    planes->emplace_back(-forward.x, -forward.y, -forward.z, -forward.dot(eye) - nearDistance);
    planes->emplace_back(forward.x, forward.y, forward.z, forward.dot(eye) + farDistance);
}

void FLPointCloudSelection::clickedLeftButton(Scene* iScene, QWidget* iWidget, int, int) const
{
    FL_markPoints(iScene, iWidget, true);
}

void FLPointCloudSelection::clickedRightButton(Scene* iScene, QWidget* iWidget, int, int) const
{
    FL_markPoints(iScene, iWidget, false);
}

void FLPointCloudSelection::dragedLeftButton(Scene* iScene, QWidget*, int, int) const
{
    FL_showRectangle(iScene, Color(255, 255, 0, 255));
}

void FLPointCloudSelection::dragedRightButton(Scene* iScene, QWidget*, int, int) const
{
    FL_showRectangle(iScene, Color(0, 255, 255, 255));
}

void FLPointCloudSelection::finishedLeftButtonDrag(Scene* iScene, QWidget* iWidget) const
{
    FL_markPoints(iScene, iWidget, true);
}

void FLPointCloudSelection::finishedRightButtonDrag(Scene* iScene, QWidget* iWidget) const
{
    FL_markPoints(iScene, iWidget, false);
}

void FLCameraOperation::moved(Scene* iScene, QWidget* iWidget, int iX, int iY) const
{
    iScene->getReferencePointManager()->disablePreviewPoint();
    FL_showPreviewPoint(iScene, iWidget, iX, iY);
}

void FLCameraOperation::clickedLeftButton(Scene* iScene, QWidget* iWidget, int iX, int iY) const
{
    FL_lockOnSurfacePoint(iScene, iWidget, iX, iY);
}

void FLCameraOperation::dragedLeftButton(Scene* iScene, QWidget*, int iDx, int iDy) const
{
    FL_setLevelOfDetail(iScene, true);
    FL_turnCamera(iScene, iDx, iDy);
}

void FLCameraOperation::dragedRightButton(Scene* iScene, QWidget*, int iDx, int iDy) const
{
    FL_setLevelOfDetail(iScene, true);
    FL_panCamera(iScene, iDx, iDy);
}

void FLCameraOperation::finishedLeftButtonDrag(Scene* iScene, QWidget*) const
{
    FL_setLevelOfDetail(iScene, false);
}

void FLCameraOperation::finishedRightButtonDrag(Scene* iScene, QWidget*) const
{
    FL_setLevelOfDetail(iScene, false);
}

// The editor has point clouds only.
void FL_setLevelOfDetail(Scene* iScene, bool iRough)
{
    FL_setPointCloudLevel(iScene, iRough);
    iScene->getSceneState()->setLODLevel(1);
}

} // namespace mouseoperation

using namespace mouseoperation;

void MouseOperator::setMouseMode(MouseOperator::MouseMode iMode)
{
    if (iMode == mMouseMode)
        return;
    mMouseMode = iMode;
    if (iMode == ObjectOperation) {
        if (canOperate())
            mScene->getReferencePointManager()->disablePreviewPoint();
        flOperation = &flPointCloudSelection;
    } else if (iMode == CameraOperation) {
        if (canOperate()) {
            PointCloudManager* pointClouds = mScene->getPointCloudManager();
            const int count = static_cast<int>(pointClouds->getObjectSetSize());
            for (int i = 0; i < count; ++i)
                pointClouds->getObject(i)->disableState(Object3D::Highlight);
        }
        flOperation = &flCameraOperation;
    }
    emit changedValue();
}
