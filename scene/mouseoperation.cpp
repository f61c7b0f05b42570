#include "mouseoperation.h"
#include "mouseoperator.h"

#include "camera.h"
#include "camerapathmanager.h"
#include "clipbox.h"
#include "commentmanager.h"
#include "manipulator.h"
#include "measuremanager.h"
#include "pointcloud.h"
#include "pointcloudmanager.h"
#include "referencepoint.h"
#include "scene.h"
#include "scenestate.h"

#include <QGLWidget>
#include <QOpenGLContext>
#include <qopengl.h>

#include <algorithm>

namespace mouseoperation {

namespace {

// A map entry that no object covers.
const unsigned int FL_NO_OBJECT = 0xFFFFFFFFu;

void FL_updateMaps(Scene* iScene, QWidget* iWidget)
{
    if (!FL_makeCurrent(iWidget))
        return;
    iScene->updateTypeMap();
    iScene->updateIDMap();
}

// The (type, id) pairs of the objects inside the rectangle, one per covered pixel.
void FL_getRectangleObjects(Scene* iScene, QWidget* iWidget, Range iX, Range iY,
                            std::vector<std::pair<unsigned int, unsigned int>>* oPairs)
{
    std::vector<unsigned int> ids;
    std::vector<unsigned int> types;
    FL_updateMaps(iScene, iWidget);
    iScene->getObjectIDList(&ids, iX, iY);
    FL_updateMaps(iScene, iWidget);
    iScene->getObjectTypeList(&types, iX, iY);
    // Both maps cover the same view; should they not, only the common pixels pair up.
    const std::size_t count = std::min(ids.size(), types.size());
    oPairs->reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        if (types[i] == FL_NO_OBJECT || ids[i] == FL_NO_OBJECT)
            continue;
        oPairs->emplace_back(types[i], ids[i]);
    }
}

// Drawing the rectangle while the pointer drags: hover highlight on what it covers.
void FL_highlightRectangle(Scene* iScene, QWidget* iWidget, const Color& iColor)
{
    Range x;
    Range y;
    FL_getRectangle(&x, &y);
    iScene->setSelectionRange(x, y);
    iScene->setSelectionColor(iColor);
    std::vector<std::pair<unsigned int, unsigned int>> pairs;
    FL_getRectangleObjects(iScene, iWidget, x, y, &pairs);
    FL_setStateSceneObject(iScene, Object3D::Highlight, false);
    for (const auto& pair : pairs)
        FL_setStateSceneObject(iScene, Object3D::Highlight, true, pair.first, pair.second);
}

// Ends a rectangle: hides it and selects or deselects what it covers. Returns the objects
// found, once per covered pixel.
std::vector<Object3D*> FL_selectRectangle(Scene* iScene, QWidget* iWidget, bool iSelect, bool iClearHighlight)
{
    Range x;
    Range y;
    FL_getRectangle(&x, &y);
    iScene->setSelectionRange(Range(), Range());
    std::vector<std::pair<unsigned int, unsigned int>> pairs;
    FL_getRectangleObjects(iScene, iWidget, x, y, &pairs);
    if (iClearHighlight)
        FL_setStateSceneObject(iScene, Object3D::Highlight, false);
    std::vector<Object3D*> found;
    for (const auto& pair : pairs) {
        if (Object3D* object = FL_setStateSceneObject(iScene, Object3D::Selected, iSelect, pair.first, pair.second))
            found.push_back(object);
    }
    return found;
}

void FL_setStateChildren(Object3D* iManager, Object3D::State iState, bool iOn)
{
    const int count = static_cast<int>(iManager->getObjectSetSize());
    for (int i = 0; i < count; ++i) {
        Object3D* child = iManager->getObject(i);
        if (iOn)
            child->enableState(iState);
        else
            child->disableState(iState);
    }
}

} // namespace

void FL_pickType(Scene* iScene, QWidget* iWidget, int iX, int iY, unsigned int* oType)
{
    FL_updateMaps(iScene, iWidget);
    iScene->getObjectType(oType, iX, iY);
}

void FL_pickID(Scene* iScene, QWidget* iWidget, int iX, int iY, unsigned int* oID)
{
    FL_updateMaps(iScene, iWidget);
    iScene->getObjectID(oID, iX, iY);
}

void FL_pickObject(Scene* iScene, QWidget* iWidget, int iX, int iY, unsigned int* oType, unsigned int* oID)
{
    FL_pickType(iScene, iWidget, iX, iY, oType);
    FL_pickID(iScene, iWidget, iX, iY, oID);
}

Object3D* FL_setStateSceneObject(Scene* iScene, Object3D::State iState, bool iOn, unsigned int iType,
                                 unsigned int iID)
{
    // Out-of-range IDs come out negative and name no child.
    const int index = static_cast<int>(iID);
    Object3D* object = nullptr;
    switch (iType) {
    case PointCloudType:
        object = iScene->getPointCloudManager()->getData(index);
        break;
    case MeasureType:
        object = iScene->getMeasureManager()->getData(index);
        break;
    case CommentType:
        object = iScene->getCommentManager()->getData(index);
        break;
    case CameraPathType:
        object = iScene->getCameraPathManager()->getData(index);
        break;
    case ClipBoxType:
        object = iScene->getClipBox();
        break;
    default:
        break;
    }
    if (!object)
        return nullptr;
    if (iOn)
        object->enableState(iState);
    else
        object->disableState(iState);
    return object;
}

void FL_setStateSceneObject(Scene* iScene, Object3D::State iState, bool iOn)
{
    FL_setStateChildren(iScene->getPointCloudManager(), iState, iOn);
    FL_setStateChildren(iScene->getMeasureManager(), iState, iOn);
    FL_setStateChildren(iScene->getCommentManager(), iState, iOn);
    FL_setStateChildren(iScene->getCameraPathManager(), iState, iOn);
}

void FLObjectSelection::moved(Scene* iScene, QWidget* iWidget, int iX, int iY) const
{
    unsigned int type = FL_NO_OBJECT;
    unsigned int id = FL_NO_OBJECT;
    FL_pickObject(iScene, iWidget, iX, iY, &type, &id);
    FL_setStateSceneObject(iScene, Object3D::Highlight, false);
    FL_setStateSceneObject(iScene, Object3D::Highlight, true, type, id);
}

void FLObjectSelection::clickedLeftButton(Scene* iScene, QWidget* iWidget, int iX, int iY) const
{
    unsigned int type = FL_NO_OBJECT;
    unsigned int id = FL_NO_OBJECT;
    FL_pickObject(iScene, iWidget, iX, iY, &type, &id);
    FL_setStateSceneObject(iScene, Object3D::Selected, true, type, id);
}

void FLObjectSelection::clickedRightButton(Scene* iScene, QWidget* iWidget, int iX, int iY) const
{
    unsigned int type = FL_NO_OBJECT;
    unsigned int id = FL_NO_OBJECT;
    FL_pickObject(iScene, iWidget, iX, iY, &type, &id);
    FL_setStateSceneObject(iScene, Object3D::Selected, false, type, id);
}

void FLObjectSelection::dragedLeftButton(Scene* iScene, QWidget* iWidget, int, int) const
{
    FL_highlightRectangle(iScene, iWidget, Color(255, 0, 0, 255));
}

void FLObjectSelection::dragedRightButton(Scene* iScene, QWidget* iWidget, int, int) const
{
    FL_highlightRectangle(iScene, iWidget, Color(0, 0, 255, 255));
}

void FLObjectSelection::finishedLeftButtonDrag(Scene* iScene, QWidget* iWidget) const
{
    FL_selectRectangle(iScene, iWidget, true, true);
}

void FLObjectSelection::finishedRightButtonDrag(Scene* iScene, QWidget* iWidget) const
{
    FL_selectRectangle(iScene, iWidget, false, true);
}

void FLObjectSelection_Manipulator::clickedLeftButton(Scene* iScene, QWidget* iWidget, int iX, int iY) const
{
    unsigned int type = FL_NO_OBJECT;
    unsigned int id = FL_NO_OBJECT;
    FL_pickObject(iScene, iWidget, iX, iY, &type, &id);
    const Object3D* object = FL_setStateSceneObject(iScene, Object3D::Selected, true, type, id);
    if (!object)
        return;
    // On the centre of the object's box, turned back to the world axes.
    const Vector3T<double> center = object->getMatrix().transform(object->getBoundingBox().getCenter());
    Matrix4x4T<double> matrix;
    matrix(0, 3) = center.x;
    matrix(1, 3) = center.y;
    matrix(2, 3) = center.z;
    Manipulator* manipulator = iScene->getManipulator();
    manipulator->setMatrix(matrix);
    manipulator->setVisible(true);
}

void FLObjectSelection_Manipulator::finishedLeftButtonDrag(Scene* iScene, QWidget* iWidget) const
{
    const std::vector<Object3D*> found = FL_selectRectangle(iScene, iWidget, true, false);
    Manipulator* manipulator = iScene->getManipulator();
    if (found.empty() || manipulator->isVisible())
        return;
    manipulator->setVisible(true);
    // Each object weighs as many times as it covers pixels.
    Vector3T<double> sum;
    for (const Object3D* object : found) {
        Vector3T<double> position;
        object->getPosition(&position);
        sum += position;
    }
    const Vector3T<double> mean = sum / static_cast<double>(found.size());
    Matrix4x4T<double> matrix = manipulator->getMatrix();
    matrix(0, 3) = mean.x;
    matrix(1, 3) = mean.y;
    matrix(2, 3) = mean.z;
    matrix(3, 3) = 1.0;
    manipulator->setMatrix(matrix);
}

void FLObjectSelection_Manipulator::finishedRightButtonDrag(Scene* iScene, QWidget* iWidget) const
{
    FL_selectRectangle(iScene, iWidget, false, false);
}

void FLPointCreation::moved(Scene* iScene, QWidget* iWidget, int iX, int iY) const
{
    FL_showPreviewPoint(iScene, iWidget, iX, iY);
}

void FLPointCreation::clickedLeftButton(Scene* iScene, QWidget* iWidget, int iX, int iY) const
{
    Vector3T<double> point;
    if (FL_getSurfacePoint(iScene, iWidget, iX, iY, &point))
        iScene->getReferencePointManager()->addNewReferencePoint(point);
}

void FLPointCreation::clickedRightButton(Scene* iScene, QWidget*, int, int) const
{
    iScene->getReferencePointManager()->deleteReferencePointLast();
}

namespace {

const FLCameraOperation flCameraOperation;
const FLObjectSelection flObjectSelection;
const FLObjectSelection_Manipulator flObjectSelection_Manipulator;
const FLPointCreation flPointCreation;

// Indexed by the selection mode.
const FLOperation* const flSelectionOperations[3] = {&flObjectSelection, &flObjectSelection_Manipulator,
                                                     &flPointCreation};

bool FL_isMouseMode(int iMode)
{
    return iMode == MouseOperator::CameraOperation || iMode == MouseOperator::ObjectOperation;
}

} // namespace

const FLOperation* FL_getCameraOperation()
{
    return &flCameraOperation;
}

} // namespace mouseoperation

using namespace mouseoperation;

void MouseOperator::setMouseMode(MouseOperator::MouseMode iMode)
{
    if (!FL_isMouseMode(iMode) || iMode == mMouseMode)
        return;
    mMouseMode = iMode;
    if (iMode == ObjectOperation) {
        if (canOperate()) {
            // A camera drag that Shift cuts short ends in the object operation, which would leave
            // the rough draw levels of the drag in place.
            FL_setLevelOfDetail(mScene, false);
            mScene->getReferencePointManager()->disablePreviewPoint();
            mScene->getManipulator()->activeHandle = Manipulator::NoHandle;
        }
        flOperation = flSelectionOperations[mSelectionMode];
    } else {
        if (canOperate())
            FL_setStateSceneObject(mScene, Object3D::Highlight, false);
        flOperation = &flCameraOperation;
    }
    emit changedValue();
}
