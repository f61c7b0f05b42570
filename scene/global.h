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
// getScene() also makes the nine others (reusing any made earlier by its own accessor) and
// binds them to the scene; the other accessors make only their own object. GUI thread only.
Scene* getScene();
SceneState* getSceneState();
ClipBox* getClipBox();
Manipulator* getManipulator();
ReferencePointManager* getReferencePointManager();
CameraPathManager* getCameraPathManager();
PointCloudManager* getPointCloudManager();
PolygonManager* getPolygonManager();
MeasureManager* getMeasureManager();
CommentManager* getCommentManager();

#endif
