// The editor's scene: a scene state, the reference points (for the preview point) and the
// point clouds, drawn without picking maps, labels or level-of-detail reduction.
#include "scene.h"
#include "scenedrawing.h"

#include "pointcloudmanager.h"
#include "referencepoint.h"
#include "scenestate.h"

#include <QtOpenGL>

#include <algorithm>

using namespace scenedrawing;

namespace {

void FL_draw3DObject(const SceneState* iSceneState, const ReferencePointManager* iReferencePointManager,
                     const PointCloudManager* iPointCloudManager)
{
    const RenderingTarget::ObjectData& flags = iSceneState->getRenderingTarget().objectData;
    const SceneParameter& sceneParameter = iSceneState->getSceneParameter();

    glEnable(GL_DEPTH_TEST);
    if (flags.drawPointCloud) {
        PointCloudParameter parameter = *iPointCloudManager->getPointCloudParameter();
        if (iSceneState->getLODLevel() >= 2)
            parameter.pointSize = 4;
        if (sceneParameter.drawPass == SceneParameter::ObjectIDPass)
            iPointCloudManager->drawByObjectID(parameter.pointSize);
        else if (sceneParameter.drawPass == SceneParameter::ObjectTypePass)
            iPointCloudManager->drawByObjectType(parameter.pointSize);
        else
            iPointCloudManager->draw(parameter.pointSize, parameter);
    }
    FL_drawMarkers(iSceneState, iReferencePointManager);
    glDisable(GL_DEPTH_TEST);
}

} // namespace

void Scene::setModel(SceneState* iSceneState, ReferencePointManager* iReferencePointManager,
                     PointCloudManager* iPointCloudManager)
{
    mSceneState = iSceneState;
    mReferencePointManager = iReferencePointManager;
    mPointCloudManager = iPointCloudManager;
    // The manager relays its clouds' changes (visibility, position) with its own render
    // settings, and each of them alters the picture. Marks in a point list are not signalled:
    // whoever changes them asks the view to repaint.
    if (mSceneState)
        connect(mSceneState, SIGNAL(changedValue()), this, SIGNAL(changedValue()));
    if (mReferencePointManager) {
        connect(mReferencePointManager, SIGNAL(changedValue()), this, SIGNAL(changedValue()));
        connect(mReferencePointManager, SIGNAL(changedStructure()), this, SIGNAL(changedValue()));
    }
    if (mPointCloudManager) {
        connect(mPointCloudManager, SIGNAL(changedValue()), this, SIGNAL(changedValue()));
        connect(mPointCloudManager, SIGNAL(changedStructure()), this, SIGNAL(changedStructure()));
    }
}

bool Scene::hasModel() const
{
    return mSceneState && mReferencePointManager && mPointCloudManager;
}

void Scene::draw(QPaintDevice* iQPaintDevice, const SceneState* iSceneState)
{
    // The frame set-up also serves the pointer conversions of the mouse operations.
    if (!hasModel() || !iSceneState || !FL_setUpFrame(iSceneState->getCamera()))
        return;

    glDisable(GL_DEPTH_TEST);
    if (iSceneState->getRenderingTarget().objectData.drawBackground)
        iSceneState->getBackground().draw();
    FL_draw3DObject(iSceneState, mReferencePointManager, mPointCloudManager);

    Camera::ScreenData screen;
    iSceneState->getCamera().getScreenData(&screen);
    const int width = std::max(screen.width, 0);
    const int height = std::max(screen.height, 0);
    FL_drawOrientationTriad(width, height);
    FL_drawSelectionRectangle(width, height, screen.height, mSelectionRangeX, mSelectionRangeY, mSelectionColor);
    FL_drawRenderingStrings(iQPaintDevice, iSceneState);
    glFlush();
}

void Scene::drawForSelection(const SceneState* iSceneState) const
{
    if (!hasModel() || !iSceneState || !FL_setUpFrame(iSceneState->getCamera()))
        return;
    FL_draw3DObject(iSceneState, mReferencePointManager, mPointCloudManager);
    glFlush();
}

void Scene::collectObject(std::vector<Object3D*>* iObjectList, Object3D::State iState, bool iIsEnable)
{
    if (!mPointCloudManager)
        return;
    if (mPointCloudManager->hasState(iState) == iIsEnable)
        iObjectList->push_back(mPointCloudManager);
    const int count = static_cast<int>(mPointCloudManager->getObjectSetSize());
    for (int i = 0; i < count; ++i) {
        Object3D* cloud = mPointCloudManager->getObject(i);
        if (cloud && cloud->hasState(iState) == iIsEnable)
            iObjectList->push_back(cloud);
    }
}

void Scene::deleteObject(const std::vector<Object3D*>& iObjects)
{
    if (!mPointCloudManager)
        return;
    bool clear = false;
    for (Object3D* object : iObjects) {
        if (object == mPointCloudManager)
            clear = true;
        else
            mPointCloudManager->deleteObject(object);
    }
    if (clear)
        mPointCloudManager->clearObject();
}

void Scene::fitView(const std::vector<Object3D*>& iObjects)
{
    if (!mSceneState || !mPointCloudManager)
        return;
    std::vector<Vector3T<double>> points;
    if (iObjects.empty())
        mPointCloudManager->getBoundingPoints(&points);
    for (const Object3D* object : iObjects) {
        if (object)
            object->getBoundingPoints(&points);
    }
    mSceneState->fitView(points);
}
