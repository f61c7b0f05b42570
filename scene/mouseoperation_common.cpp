#include "mouseoperation.h"

#include "camera.h"
#include "pointcloudmanager.h"
#include "referencepoint.h"
#include "scene.h"
#include "scenestate.h"

#include <QGLWidget>
#include <QOpenGLContext>
#include <qopengl.h>

#include <algorithm>

// The dispatcher state and the steps that Vistrel's mouse operations and the editor's share.

namespace mouseoperation {

Position flMouseDownPosition;
Position flMousePosition;
Position flNewMousePosition;
unsigned int flState = 0;
double flTraslationRatio = 0.1;
double flRotationRatio = 1.0;

const FLOperation* flOperation = FL_getCameraOperation();

void FLOperation::moved(Scene*, QWidget*, int, int) const
{
}

void FLOperation::wheeled(Scene*, QWidget*, int) const
{
}

void FLOperation::pressedLeftButton(Scene*, QWidget*, int, int) const
{
}

void FLOperation::pressedRightButton(Scene*, QWidget*, int, int) const
{
}

void FLOperation::clickedLeftButton(Scene*, QWidget*, int, int) const
{
}

void FLOperation::clickedRightButton(Scene*, QWidget*, int, int) const
{
}

void FLOperation::dragedLeftButton(Scene*, QWidget*, int, int) const
{
}

void FLOperation::dragedRightButton(Scene*, QWidget*, int, int) const
{
}

void FLOperation::finishedLeftButtonDrag(Scene*, QWidget*) const
{
}

void FLOperation::finishedRightButtonDrag(Scene*, QWidget*) const
{
}

// Picking reads back from the view's GL context, which is not necessarily current during mouse
// events.
bool FL_makeCurrent(QWidget* iWidget)
{
    if (QGLWidget* glWidget = qobject_cast<QGLWidget*>(iWidget))
        glWidget->makeCurrent();
    return QOpenGLContext::currentContext() != nullptr;
}

// The selection rectangle from the press to the last recorded position, in widget pixels.
void FL_getRectangle(Range* oX, Range* oY)
{
    const float downX = static_cast<float>(flMouseDownPosition.x);
    const float downY = static_cast<float>(flMouseDownPosition.y);
    const float lastX = static_cast<float>(flMousePosition.x);
    const float lastY = static_cast<float>(flMousePosition.y);
    oX->min = std::min(downX, lastX);
    oX->max = std::max(downX, lastX);
    oY->min = std::min(downY, lastY);
    oY->max = std::max(downY, lastY);
}

bool FL_getSurfacePoint(Scene* iScene, QWidget* iWidget, int iX, int iY, Vector3T<double>* oPoint)
{
    if (!FL_makeCurrent(iWidget))
        return false;
    // A pixel outside the framebuffer is not written and keeps the far value.
    GLfloat depth = 1.0f;
    glReadPixels(iX, iY, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    if (depth == 1.0f)
        return false;
    *oPoint = iScene->getSceneState()->getCamera().convertValueFromGLDeviceToModel(
        Vector3T<double>(iX, iY, depth));
    return true;
}

void FLCameraOperation::wheeled(Scene* iScene, QWidget*, int iDelta) const
{
    Camera& camera = iScene->getSceneState()->getCamera();
    int workMode = Camera::Observation;
    camera.getWorkMode(&workMode);
    const double delta = workMode == Camera::WalkThrough ? -static_cast<double>(iDelta) : iDelta;
    camera.translatePlus(delta * flTraslationRatio);
}

void FL_showPreviewPoint(Scene* iScene, QWidget* iWidget, int iX, int iY)
{
    Vector3T<double> point;
    if (FL_getSurfacePoint(iScene, iWidget, iX, iY, &point))
        iScene->getReferencePointManager()->enablePreviewPoint(point);
    else
        iScene->getReferencePointManager()->disablePreviewPoint();
}

void FL_lockOnSurfacePoint(Scene* iScene, QWidget* iWidget, int iX, int iY)
{
    Vector3T<double> point;
    if (FL_getSurfacePoint(iScene, iWidget, iX, iY, &point))
        iScene->getSceneState()->getCamera().setLockOnPoint(point);
}

void FL_setPointCloudLevel(Scene* iScene, bool iRough)
{
    PointCloudManager* pointClouds = iScene->getPointCloudManager();
    const PointCloudParameter* parameter = pointClouds->getPointCloudParameter();
    pointClouds->setTargetLevel(iRough ? parameter->roughLevel : parameter->normalLevel);
}

void FL_turnCamera(Scene* iScene, int iDx, int iDy)
{
    Camera& camera = iScene->getSceneState()->getCamera();
    camera.rotateLeft(-(static_cast<double>(iDx) * flRotationRatio));
    camera.rotateUp(-(static_cast<double>(iDy) * flRotationRatio));
}

void FL_panCamera(Scene* iScene, int iDx, int iDy)
{
    Camera& camera = iScene->getSceneState()->getCamera();
    camera.translateLeft(-(static_cast<double>(iDx) * flTraslationRatio));
    camera.translateUp(-(static_cast<double>(iDy) * flTraslationRatio));
}

} // namespace mouseoperation
