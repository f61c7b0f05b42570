#ifndef SCENE_SCENESTATE_H
#define SCENE_SCENESTATE_H

#include "background.h"
#include "camera.h"
#include "renderingtarget.h"
#include "sceneparameter.h"
#include "vector3.h"

#include <QObject>

#include <vector>

// How the scene is looked at: the camera, the object draw flags, the background, the level
// of detail of the frame and the kind of picture the drawers produce. Changes of the three
// embedded objects are relayed as the state's own changedValue().
class SceneState : public QObject
{
    Q_OBJECT

public:
    explicit SceneState(QObject* iParent = nullptr);
    ~SceneState() override;

    const SceneParameter& getSceneParameter() const { return mSceneParameter; }
    // Stores without comparing; signals whenever iEmitSignal is set, and never otherwise, so
    // that the picking passes can switch the draw pass and back silently.
    void setSceneParameter(const SceneParameter& iParameter, bool iEmitSignal);

    void fitView(const std::vector<Vector3T<double>>& iPoints);

    Camera& getCamera() { return mCamera; }
    const Camera& getCamera() const { return mCamera; }
    RenderingTarget& getRenderingTarget() { return mRenderingTarget; }
    const RenderingTarget& getRenderingTarget() const { return mRenderingTarget; }
    Background& getBackground() { return mBackground; }
    const Background& getBackground() const { return mBackground; }

signals:
    void changedValue();

public slots:
    int getLODLevel() const { return mLODLevel; }
    // 1 to 10; other values are ignored.
    void setLODLevel(int iLevel);
    // Handed to the camera, which reports its own change.
    void setScreenSize(int iWidth, int iHeight);
    void setSceneRenderingMode(SceneParameter::SceneRenderingMode iMode);

private:
    int mLODLevel = 1;
    SceneParameter mSceneParameter;
    // Declared in construction order; destroyed background first, camera last.
    Camera mCamera;
    RenderingTarget mRenderingTarget;
    Background mBackground;
};

#endif
