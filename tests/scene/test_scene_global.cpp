// The program-wide model: made on first use, once, and bound to the scene. Runs in a process of
// its own because the objects live until the process ends.
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

#include <QSignalSpy>

#include <gtest/gtest.h>

TEST(GlobalModelTest, SceneReusesModelsMadeBeforeAndMakesTheRest)
{
    // Made by their own accessors first: only these two exist yet, and no scene.
    PointCloudManager* pointClouds = getPointCloudManager();
    ClipBox* clipBox = getClipBox();
    ASSERT_NE(pointClouds, nullptr);
    EXPECT_EQ(getPointCloudManager(), pointClouds);

    Scene* scene = getScene();
    ASSERT_NE(scene, nullptr);
    EXPECT_EQ(getScene(), scene);
    EXPECT_TRUE(scene->hasModel());
    EXPECT_EQ(scene->getPointCloudManager(), pointClouds);
    EXPECT_EQ(scene->getClipBox(), clipBox);
    EXPECT_EQ(scene->getSceneState(), getSceneState());
    EXPECT_EQ(scene->getManipulator(), getManipulator());
    EXPECT_EQ(scene->getReferencePointManager(), getReferencePointManager());
    EXPECT_EQ(scene->getCameraPathManager(), getCameraPathManager());
    EXPECT_EQ(scene->getPolygonManager(), getPolygonManager());
    EXPECT_EQ(scene->getMeasureManager(), getMeasureManager());
    EXPECT_EQ(scene->getCommentManager(), getCommentManager());

    // Bound once: one relayed signal per change.
    QSignalSpy value(scene, SIGNAL(changedValue()));
    clipBox->setClarity(33.0f);
    EXPECT_EQ(value.count(), 1);
    EXPECT_EQ(getScene(), scene);
    getMeasureManager()->setLineWidth(5);
    EXPECT_EQ(value.count(), 2);
}
