#include "scenestate.h"

SceneState::SceneState(QObject* iParent) : QObject(iParent)
{
    connect(&mCamera, SIGNAL(changedValue()), this, SIGNAL(changedValue()));
    connect(&mBackground, SIGNAL(changedValue()), this, SIGNAL(changedValue()));
    connect(&mRenderingTarget, SIGNAL(changedValue()), this, SIGNAL(changedValue()));
}

SceneState::~SceneState() = default;

void SceneState::setLODLevel(int iLevel)
{
    if (iLevel < 1 || iLevel > 10 || iLevel == mLODLevel)
        return;
    mLODLevel = iLevel;
    emit changedValue();
}

void SceneState::setScreenSize(int iWidth, int iHeight)
{
    Camera::ScreenData screen;
    screen.width = iWidth;
    screen.height = iHeight;
    mCamera.setScreenData(screen);
}

void SceneState::setSceneRenderingMode(SceneParameter::SceneRenderingMode iMode)
{
    if (iMode == mSceneParameter.renderingMode)
        return;
    mSceneParameter.renderingMode = iMode;
    emit changedValue();
}

void SceneState::setSceneParameter(const SceneParameter& iParameter, bool iEmitSignal)
{
    mSceneParameter = iParameter;
    if (iEmitSignal)
        emit changedValue();
}

void SceneState::fitView(const std::vector<Vector3T<double>>& iPoints)
{
    mCamera.fitView(iPoints);
}
