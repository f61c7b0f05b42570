// The polygon manager's draw levels and rendering defaults.
#include "polygonmanager.h"

#include "camera.h"
#include "clipbox.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

TEST(PolygonManagerTest, StartsEmptyWithZeroLevelsAndDefaultParameters)
{
    PolygonManager manager;
    EXPECT_EQ(manager.getObjectSetSize(), 0u);
    EXPECT_EQ(manager.targetLevel, 0);
    EXPECT_EQ(manager.normalLevel, 0);
    EXPECT_EQ(manager.roughLevel, 0);
    EXPECT_FALSE(manager.delayLoad);
    EXPECT_TRUE(manager.hasState(Object3D::Visible));

    const PolygonRenderingParameter p = manager.getRenderingParameter();
    EXPECT_TRUE(p.pointVisible);
    EXPECT_EQ(p.pointSize, 4);
    EXPECT_EQ(p.pointContourColorMode, 0);
    EXPECT_EQ(p.pointContourValueMax, 1.0f);
    EXPECT_EQ(p.pointContourValueMin, 0.0f);
    EXPECT_EQ(p.pointContourColorMax, Color(255, 0, 0, 255));
    EXPECT_EQ(p.pointContourColorMin, Color(0, 0, 255, 255));
    EXPECT_TRUE(p.polygonVisible);
    EXPECT_EQ(p.polygonContourColorMode, 0);
    EXPECT_EQ(p.polygonContourColorMax, Color(255, 0, 0, 255));
    EXPECT_EQ(p.polygonContourColorMin, Color(0, 0, 255, 255));
    EXPECT_TRUE(p.polygonEdgeVisible);
    EXPECT_EQ(p.polygonEdgeColor, Color(200, 200, 200, 255));
}

TEST(PolygonManagerTest, LevelSettersSignalOnlyRealChanges)
{
    PolygonManager manager;
    QSignalSpy spy(&manager, SIGNAL(changedValue()));

    manager.setTargetLevel(0);
    manager.setNormalLevel(0);
    manager.setRoughLevel(0);
    EXPECT_EQ(spy.count(), 0);

    manager.setRoughLevel(2);
    EXPECT_EQ(manager.roughLevel, 2);
    EXPECT_EQ(spy.count(), 1);
    manager.setTargetLevel(manager.roughLevel);
    EXPECT_EQ(manager.targetLevel, 2);
    EXPECT_EQ(spy.count(), 2);
    manager.setTargetLevel(manager.roughLevel);
    EXPECT_EQ(spy.count(), 2);
    manager.setNormalLevel(1);
    manager.setNormalLevel(1);
    EXPECT_EQ(manager.normalLevel, 1);
    EXPECT_EQ(spy.count(), 3);
    // The target is independent of the two levels it is usually set from.
    EXPECT_EQ(manager.targetLevel, 2);
}

TEST(PolygonManagerTest, UpdateAndDrawWithoutMeshesChangeNothing)
{
    PolygonManager manager;
    Camera camera;
    ClipBox clipBox;
    QSignalSpy values(&manager, SIGNAL(changedValue()));
    QSignalSpy structure(&manager, SIGNAL(changedStructure()));

    // No GL context is current: with no meshes neither call may touch GL.
    manager.updateDrawData(4, manager.targetLevel, manager.delayLoad, camera, clipBox);
    manager.draw(manager.getRenderingParameter());
    EXPECT_EQ(values.count(), 0);
    EXPECT_EQ(structure.count(), 0);
    EXPECT_EQ(manager.getObjectSetSize(), 0u);
}
