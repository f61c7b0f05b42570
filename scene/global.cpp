#include "global.h"

#include "camerapathmanager.h"
#include "clipbox.h"
#include "commentmanager.h"
#include "manipulator.h"
#include "measuremanager.h"
#include "pointcloudmanager.h"
#include "polygonmanager.h"
#include "referencepoint.h"
#include "scene.h"
#include "scenestate.h"

namespace {

Scene* flScene = nullptr;
SceneState* flSceneState = nullptr;
ClipBox* flClipBox = nullptr;
Manipulator* flManipulator = nullptr;
ReferencePointManager* flReferencePointManager = nullptr;
CameraPathManager* flCameraPathManager = nullptr;
PointCloudManager* flPointCloudManager = nullptr;
PolygonManager* flPolygonManager = nullptr;
MeasureManager* flMeasureManager = nullptr;
CommentManager* flCommentManager = nullptr;

} // namespace

Scene* getScene()
{
    if (flScene)
        return flScene;
    flScene = new Scene(nullptr);
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
    flScene->setModel(sceneState, clipBox, manipulator, referencePointManager, cameraPathManager, pointCloudManager,
                      polygonManager, measureManager, commentManager);
    return flScene;
}

SceneState* getSceneState()
{
    if (!flSceneState)
        flSceneState = new SceneState(nullptr);
    return flSceneState;
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

ReferencePointManager* getReferencePointManager()
{
    if (!flReferencePointManager)
        flReferencePointManager = new ReferencePointManager(nullptr);
    return flReferencePointManager;
}

CameraPathManager* getCameraPathManager()
{
    if (!flCameraPathManager)
        flCameraPathManager = new CameraPathManager(nullptr);
    return flCameraPathManager;
}

PointCloudManager* getPointCloudManager()
{
    if (!flPointCloudManager)
        flPointCloudManager = new PointCloudManager(nullptr);
    return flPointCloudManager;
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
