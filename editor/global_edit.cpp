// The editor's scene over its three models.
#include "global.h"

#include "scene.h"

void FL_setSceneModel(Scene* iScene)
{
    // One statement each: the creation order is fixed.
    SceneState* sceneState = getSceneState();
    ReferencePointManager* referencePointManager = getReferencePointManager();
    PointCloudManager* pointCloudManager = getPointCloudManager();
    iScene->setModel(sceneState, referencePointManager, pointCloudManager);
}
