#include "global.h"

#include "pointcloudmanager.h"
#include "referencepoint.h"
#include "scene.h"
#include "scenestate.h"

// The model accessors that Vistrel and the editor share; each program binds its own models to
// the scene (FL_setSceneModel).

namespace {

Scene* flScene = nullptr;
SceneState* flSceneState = nullptr;
ReferencePointManager* flReferencePointManager = nullptr;
PointCloudManager* flPointCloudManager = nullptr;

} // namespace

Scene* getScene()
{
    if (flScene)
        return flScene;
    flScene = new Scene(nullptr);
    FL_setSceneModel(flScene);
    return flScene;
}

SceneState* getSceneState()
{
    if (!flSceneState)
        flSceneState = new SceneState(nullptr);
    return flSceneState;
}

ReferencePointManager* getReferencePointManager()
{
    if (!flReferencePointManager)
        flReferencePointManager = new ReferencePointManager(nullptr);
    return flReferencePointManager;
}

PointCloudManager* getPointCloudManager()
{
    if (!flPointCloudManager)
        flPointCloudManager = new PointCloudManager(nullptr);
    return flPointCloudManager;
}
