#ifndef SCENE_GLOBAL_H
#define SCENE_GLOBAL_H

class CameraPathManager;
class ClipBox;
class CommentManager;
class Manipulator;
class MeasureManager;
class PointCloudManager;
class PolygonManager;
class ReferencePointManager;
class Scene;
class SceneState;

// The view model: one object of each kind per program run, made on first use and never freed.
// getScene() also makes the others (reusing any made earlier by its own accessor) and binds them
// to the scene: nine models in Vistrel, three in the editor (BRENMOOR). The other accessors make
// only their own object. GUI thread only.
Scene* getScene();
SceneState* getSceneState();
ReferencePointManager* getReferencePointManager();
PointCloudManager* getPointCloudManager();
// The program's part of getScene(): makes the models that do not exist yet, in a fixed order,
// and sets them on the new scene.
void FL_setSceneModel(Scene* iScene);
#ifndef BRENMOOR
ClipBox* getClipBox();
Manipulator* getManipulator();
CameraPathManager* getCameraPathManager();
PolygonManager* getPolygonManager();
MeasureManager* getMeasureManager();
CommentManager* getCommentManager();
#endif

#endif
