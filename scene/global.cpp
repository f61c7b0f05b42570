#include "global.h"

#include "camerapathmanager.h"
#include "clipbox.h"
#include "commentmanager.h"
#include "manipulator.h"
#include "measuremanager.h"
#include "polygonmanager.h"
#include "scene.h"
#include "scenestate.h"

namespace {

ClipBox* flClipBox = nullptr;
Manipulator* flManipulator = nullptr;
CameraPathManager* flCameraPathManager = nullptr;
PolygonManager* flPolygonManager = nullptr;
MeasureManager* flMeasureManager = nullptr;
CommentManager* flCommentManager = nullptr;

} // namespace

void FL_setSceneModel(Scene* iScene)
{
    // One statement each: the creation order is fixed, which argument evaluation would not be.
    // Each accessor reuses an object that it made before.
    SceneState* sceneState = getSceneState();
    ClipBox* clipBox = getClipBox();
    Manipulator* manipulator = getManipulator();
    ReferencePointManager* referencePointManager = getReferencePointManager();
    CameraPathManager* cameraPathManager = getCameraPathManager();
    PointCloudManager* pointCloudManager = getPointCloudManager();
    PolygonManager* polygonManager = getPolygonManager();
    MeasureManager* measureManager = getMeasureManager();
    CommentManager* commentManager = getCommentManager();
    iScene->setModel(sceneState, clipBox, manipulator, referencePointManager, cameraPathManager, pointCloudManager,
                     polygonManager, measureManager, commentManager);
}

ClipBox* getClipBox()
{
    if (!flClipBox)
        flClipBox = new ClipBox(nullptr);
    return flClipBox;
}

Manipulator* getManipulator()
{
    if (!flManipulator)
        flManipulator = new Manipulator(nullptr);
    return flManipulator;
}

CameraPathManager* getCameraPathManager()
{
    if (!flCameraPathManager)
        flCameraPathManager = new CameraPathManager(nullptr);
    return flCameraPathManager;
}

PolygonManager* getPolygonManager()
{
    if (!flPolygonManager)
        flPolygonManager = new PolygonManager(nullptr);
    return flPolygonManager;
}

MeasureManager* getMeasureManager()
{
    if (!flMeasureManager)
        flMeasureManager = new MeasureManager(nullptr);
    return flMeasureManager;
}

CommentManager* getCommentManager()
{
    if (!flCommentManager)
        flCommentManager = new CommentManager(nullptr);
    return flCommentManager;
}
