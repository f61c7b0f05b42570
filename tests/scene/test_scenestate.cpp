#include "scenestate.h"

#include <QSignalSpy>

#include <gtest/gtest.h>


TEST(SceneStateTest, LevelOfDetailRange)
{
    SceneState state;
    EXPECT_EQ(state.getLODLevel(), 1);
    QSignalSpy spy(&state, SIGNAL(changedValue()));
    state.setLODLevel(0);
    state.setLODLevel(11);
    state.setLODLevel(-3);
    state.setLODLevel(1);
    EXPECT_EQ(spy.count(), 0);
    EXPECT_EQ(state.getLODLevel(), 1);
    state.setLODLevel(10);
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(state.getLODLevel(), 10);
    state.setLODLevel(10);
    state.setLODLevel(11);
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(state.getLODLevel(), 10);
    state.setLODLevel(1);
    EXPECT_EQ(spy.count(), 2);
}

TEST(SceneStateTest, SceneParameterSignalsOnRequestOnly)
{
    SceneState state;
    EXPECT_EQ(state.getSceneParameter().renderingMode, SceneParameter::Normal);
    EXPECT_EQ(state.getSceneParameter().drawPass, 0);
    QSignalSpy spy(&state, SIGNAL(changedValue()));

    SceneParameter parameter;
    state.setSceneParameter(parameter, true);
    EXPECT_EQ(spy.count(), 1);

    parameter.drawPass = SceneParameter::ObjectIDPass;
    parameter.renderingMode = SceneParameter::DepthImage;
    state.setSceneParameter(parameter, false);
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(state.getSceneParameter().drawPass, 2);
    EXPECT_EQ(state.getSceneParameter().renderingMode, SceneParameter::DepthImage);

    // The rendering mode setter compares and leaves the draw pass alone.
    state.setSceneRenderingMode(SceneParameter::DepthImage);
    EXPECT_EQ(spy.count(), 1);
    state.setSceneRenderingMode(SceneParameter::Normal);
    EXPECT_EQ(spy.count(), 2);
    EXPECT_EQ(state.getSceneParameter().renderingMode, SceneParameter::Normal);
    EXPECT_EQ(state.getSceneParameter().drawPass, 2);
}

TEST(SceneStateTest, RelaysEachChangeOfItsPartsOnce)
{
    SceneState state;
    QSignalSpy spy(&state, SIGNAL(changedValue()));

    state.setScreenSize(640, 480);
    EXPECT_EQ(spy.count(), 1);
    Camera::ScreenData screen;
    state.getCamera().getScreenData(&screen);
    EXPECT_EQ(screen.width, 640);
    EXPECT_EQ(screen.height, 480);
    state.setScreenSize(640, 480);
    EXPECT_EQ(spy.count(), 1);

    state.getCamera().setNear(0.5f);
    EXPECT_EQ(spy.count(), 2);
    state.getCamera().setNear(0.5f);
    EXPECT_EQ(spy.count(), 2);

    state.getRenderingTarget().setVisibleObjectALL(false);
    EXPECT_EQ(spy.count(), 3);
    state.getRenderingTarget().setVisibleObjectALL(false);
    EXPECT_EQ(spy.count(), 3);

    state.getBackground().setColor1(Color(1, 2, 3, 255));
    EXPECT_EQ(spy.count(), 4);
    state.getBackground().setColor1(Color(1, 2, 3, 255));
    EXPECT_EQ(spy.count(), 4);
}
