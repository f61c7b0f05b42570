#ifndef SCENE_SCENE_H
#define SCENE_SCENE_H

#include "color.h"
#include "object3d.h"
#include "vector3.h"

#include <QObject>

#include <vector>

class CameraPathManager;
class ClipBox;
class CommentManager;
class Manipulator;
class MeasureManager;
class PointCloudManager;
class PolygonManager;
class QPaintDevice;
class ReferencePointManager;
class SceneState;

// One axis of a rectangle in widget pixels.
struct Range
{
    float min = 0.0f;
    float max = 0.0f;
};

// Ties the view model together without owning it: relays the models' changes as two
// scene-wide signals, holds the selection rectangle, draws frames and picking passes, and acts
// on all scene objects at once. Vistrel's scene also tells the frame when the point clouds must
// recompute their drawing data and keeps two picking maps; the editor's (BRENMOOR) has only a
// scene state, the reference points and the point clouds. GUI thread only; drawing and picking
// need the view's GL context current.
class Scene : public QObject
{
    Q_OBJECT

public:
    explicit Scene(QObject* iParent = nullptr);
    ~Scene() override;

#ifdef BRENMOOR
    // Stores the three models and connects their change signals.
    void setModel(SceneState* iSceneState, ReferencePointManager* iReferencePointManager,
                  PointCloudManager* iPointCloudManager);
    bool hasModel() const;

    SceneState* getSceneState() const { return mSceneState; }
    ReferencePointManager* getReferencePointManager() const { return mReferencePointManager; }
    PointCloudManager* getPointCloudManager() const { return mPointCloudManager; }
#else
    // Stores the nine models and connects their change signals.
    void setModel(SceneState* iSceneState, ClipBox* iClipBox, Manipulator* iManipulator,
                  ReferencePointManager* iReferencePointManager, CameraPathManager* iCameraPathManager,
                  PointCloudManager* iPointCloudManager, PolygonManager* iPolygonManager,
                  MeasureManager* iMeasureManager, CommentManager* iCommentManager);
    bool hasModel() const;

    SceneState* getSceneState() const { return mSceneState; }
    ClipBox* getClipBox() const { return mClipBox; }
    Manipulator* getManipulator() const { return mManipulator; }
    ReferencePointManager* getReferencePointManager() const { return mReferencePointManager; }
    CameraPathManager* getCameraPathManager() const { return mCameraPathManager; }
    PointCloudManager* getPointCloudManager() const { return mPointCloudManager; }
    PolygonManager* getPolygonManager() const { return mPolygonManager; }
    MeasureManager* getMeasureManager() const { return mMeasureManager; }
    CommentManager* getCommentManager() const { return mCommentManager; }
#endif

    // changedValue() when any of the four floats differs (a NaN always does).
    void setSelectionRange(Range iX, Range iY);
    void getSelectionRange(Range* oX, Range* oY) const;
    void setSelectionColor(Color iColor);
    void getSelectionColor(Color* oColor) const;

#ifndef BRENMOOR
    // The map value at column iX, row iY counted from the bottom; 255 outside the map (an
    // empty map included).
    void getObjectType(unsigned int* oValue, int iX, int iY) const;
    void getObjectID(unsigned int* oValue, int iX, int iY) const;
    // Appends the map values inside a rectangle given in widget pixels (y from the top), one per
    // pixel, duplicates included; pixels outside the map are skipped.
    void getObjectTypeList(std::vector<unsigned int>* oValues, Range iX, Range iY) const;
    void getObjectIDList(std::vector<unsigned int>* oValues, Range iX, Range iY) const;
#endif

signals:
    void changedValue();
    void changedStructure();
    // A frame must be shown at once (animations).
    void changedNow();

public slots:
    // Turn the camera to a new upward or rightward direction over iFrameNumber frames, each
    // shown at once; nothing when the camera refuses the direction.
    void setSceneUpward(const Vector3T<double>& iVector, int iFrameNumber);
    void setSceneRightward(const Vector3T<double>& iVector, int iFrameNumber);
#ifdef BRENMOOR
    // One frame into the current GL context: background, points, reference points, triad,
    // selection rectangle and information lines.
    void draw(QPaintDevice* iQPaintDevice, const SceneState* iSceneState);
    // The 3D objects alone, in the colours of the state's draw pass.
    void drawForSelection(const SceneState* iSceneState) const;
    // Appends the point cloud manager and then its clouds, each when hasState(iState) equals
    // iIsEnable.
    void collectObject(std::vector<Object3D*>* iObjectList, Object3D::State iState, bool iIsEnable);
    // Clouds in the list are deleted; the manager in the list is emptied.
    void deleteObject(const std::vector<Object3D*>& iObjects);
    // Fits the camera to the objects, or to the point cloud manager when the list is empty.
    void fitView(const std::vector<Object3D*>& iObjects);
#else
    // One frame into the current GL context.
    void draw(QPaintDevice* iQPaintDevice, const SceneState* iSceneState);
    // The 3D objects in the colours of the state's draw pass, for read-back.
    void drawForSelection(const SceneState* iSceneState);
    void clearSelectionMap();
    // Each renders its picking pass and reads it back, only while its map is empty.
    void updateTypeMap();
    void updateIDMap();
    // Appends every scene object whose hasState(iState) equals iIsEnable: each manager followed
    // by its children (point clouds, polygons, measures, comments, camera paths), then the clip
    // box.
    void collectObject(std::vector<Object3D*>* iObjectList, Object3D::State iState, bool iIsEnable);
    // Managers in the list are emptied, the clip box is kept, other objects are destroyed by
    // their owner. Point cloud loading is stopped first when shots are involved.
    void deleteObject(std::vector<Object3D*> iObjects);
    // Fits the camera to the objects, or to all managers when the list is empty.
    void fitView(std::vector<Object3D*> iObjects);
    void enableUpdateDrawData_PointCloud();
    bool isUpdateDrawData_PointCloud() const;
    void setUpdateDrawData_PointCloud(bool iEnable);
#endif

private:
    void animateLookAt(const Vector3T<double>& iVector, int iFrameNumber, bool iUpward);

#ifdef BRENMOOR
    SceneState* mSceneState = nullptr;
    ReferencePointManager* mReferencePointManager = nullptr;
    PointCloudManager* mPointCloudManager = nullptr;

    Range mSelectionRangeX;
    Range mSelectionRangeY;
    Color mSelectionColor{255, 255, 255, 255};
#else
    // Packed RGBA values of one read-back, width × height, row 0 at the bottom; empty until the
    // next pick after a change. The size is the one the values were read at.
    struct PickMap
    {
        std::vector<unsigned int> values;
        int width = 0;
        int height = 0;
    };

    // The reference points and the preview point as a picking pass draws them.
    struct Markers
    {
        std::vector<Vector3T<double>> points;
        bool hasPreview = false;
        Vector3T<double> preview;

        bool operator==(const Markers& iOther) const
        {
            return points == iOther.points && hasPreview == iOther.hasPreview &&
                   (!hasPreview || preview == iOther.preview);
        }
    };

    void updateMap(PickMap* ioMap, int iDrawPass);
    Markers getMarkers() const;
    static void getObjectValue(const PickMap& iMap, unsigned int* oValue, int iX, int iY);
    static void getObjectValueList(const PickMap& iMap, std::vector<unsigned int>* oValues, Range iX, Range iY);
    // Hides the manipulator when no selected shot, polygon or clip box is left for it to move.
    void hideIdleManipulator();
    // Frame steps 1 and 2: label images of measures and comments that have none.
    void updateLabelImages();
    // The level-of-detail step before drawing, shared by the frame and the picking pass.
    void updateDrawData(const SceneState* iSceneState);

    SceneState* mSceneState = nullptr;
    ClipBox* mClipBox = nullptr;
    Manipulator* mManipulator = nullptr;
    ReferencePointManager* mReferencePointManager = nullptr;
    CameraPathManager* mCameraPathManager = nullptr;
    PointCloudManager* mPointCloudManager = nullptr;
    PolygonManager* mPolygonManager = nullptr;
    MeasureManager* mMeasureManager = nullptr;
    CommentManager* mCommentManager = nullptr;

    Range mSelectionRangeX;
    Range mSelectionRangeY;
    Color mSelectionColor{255, 255, 255, 255};

    PickMap mTypeMap;
    PickMap mIDMap;
    // Those the maps were drawn with.
    Markers mMapMarkers;

    bool mUpdateDrawData_PointCloud = false;
#endif
};

#endif
