#ifndef TESTS_SCENE_TEST_SCENEMODEL_H
#define TESTS_SCENE_TEST_SCENEMODEL_H

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

// A scene over models of its own, so that tests do not share the program-wide ones.
struct SceneModel
{
    SceneState sceneState;
    ClipBox clipBox;
    Manipulator manipulator;
    ReferencePointManager referencePoints;
    CameraPathManager cameraPaths;
    PointCloudManager pointClouds;
    PolygonManager polygons;
    MeasureManager measures;
    CommentManager comments;
    // Last, so that it goes first.
    Scene scene;

    SceneModel()
    {
        scene.setModel(&sceneState, &clipBox, &manipulator, &referencePoints, &cameraPaths, &pointClouds, &polygons,
                       &measures, &comments);
    }
};

#endif
