#ifndef POINTCLOUD_POINTCLOUDMANAGER_H
#define POINTCLOUD_POINTCLOUDMANAGER_H

#include "color.h"
#include "object3d.h"
#include "pointcloudparameter.h"

#include <QCoreApplication>
#include <QPointer>

#include <cstdint>
#include <string>
#include <vector>

class AsciiFileOperator;
class Camera;
class ClipBox;
class PointCloud;
class PointCloudDeleter;
class PointCloudLoader;
class QGLShaderProgram;

// The program that draws the shots' points (":/PointCloud/PointCloud.vert" and ".frag"). Built
// on the first call, which needs the GL context current, and kept for the rest of the run; a
// failed build is reported once on standard output and the same (unusable) program is returned
// from then on.
QGLShaderProgram* FL_getPointCloudShader();

// The shots of the scene, as owned children, their render settings, and the per-frame level of
// detail: which part of each shot's octree is held, loaded and drawn for the current camera.
//
// Threads. Everything here runs on the GUI thread. The manager owns a loader thread, which
// fills octree blocks of the shots in the background, and a deleter thread, which frees the
// octrees of shots that left the view. Every shot added gets the deleter as its deleter queue
// and the loader's stop as its load stop, so that the loader is stopped and waited for before
// any shot or its data goes, whatever path deletes it (clearObject() and deleteObject() of the
// base included). Both threads are brought to an end when the application quits or is
// destroyed (also one made after the manager) and when the manager is destroyed, before the
// shots are.
//
// The editor's form (BRENMOOR) has no threads, no level of detail and no clip box: its shots
// arrive fully loaded and are drawn whole. It keeps its settings in the 0.0 file.
//
// Sources: pointcloudmanager.cpp is compiled for both programs; pointcloudmanager_lod.cpp
// holds Vistrel's threads and drawing, editor/pointcloudmanager_draw.cpp the editor's.
class PointCloudManager : public Object3D
{
    Q_OBJECT

public:
    explicit PointCloudManager(QObject* iParent = nullptr);
#ifndef BRENMOOR
    ~PointCloudManager() override;
#endif

    // A new PointCloudManagerForm bound to this manager, owned by the caller.
    QWidget* createUI() override;
    // The manager itself cannot be deleted from the scene.
    bool isErasable() const override;

    // Null when child iIndex does not exist or is not a shot.
    PointCloud* getData(int iIndex) const;
    const PointCloudParameter* getPointCloudParameter() const;

    // The translated name of a colour mode; a value outside the names gives mode 0's.
    static std::string toString(PointCloudParameter::ColorMode iMode);
    // The first mode whose translated name equals iName; 0 when none does.
    static PointCloudParameter::ColorMode toColorMode(const std::string& iName);

    // The render settings section file (a project's "Scene.txt"): Vistrel's with the Visible
    // state (0.1, 0.0 read too), the editor's 0.0 only.
    bool exportPointParameter(const std::string& iFilePath, std::string& iErrorMessage) const;
    // Applies the values read through the setters (out-of-range ones are skipped); nothing is
    // changed on failure.
    bool initPointWithTextFile(const std::string& iFilePath, std::string& iErrorMessage);
    bool savePointCloudRenderSetting_Ver0_0(AsciiFileOperator& iStream, std::string& iErrorMessage) const;
    bool loadPointCloudRenderSetting_Ver0_0(AsciiFileOperator& iStream, std::string& iErrorMessage);
#ifndef BRENMOOR
    bool savePointCloudRenderSetting_Ver0_1(AsciiFileOperator& iStream, std::string& iErrorMessage) const;
    bool loadPointCloudRenderSetting_Ver0_1(AsciiFileOperator& iStream, std::string& iErrorMessage);

signals:
    // A background load has ended (relayed to the GUI thread); the next frame should run the
    // level-of-detail step again.
    void finishedDataLoading();
#endif

public slots:
#ifndef BRENMOOR
    // Stops the background load and waits for it.
    void stopDataLoading();

    // The level-of-detail step of a frame, after the camera's frame set-up: culls the shots
    // against the view, loads node layers of the visible ones to a depth chosen from their size
    // on screen, hands the octrees of the others to the deleter thread, chooses the nodes to
    // draw and has the loader bring the draw level's data (iTargetLevel: 0 or 1 points, 2 nodes
    // only), in the background when iDelayLoad is set. The clip box is not used.
    void updateDrawData(int iPointSize, int iTargetLevel, bool iDelayLoad, const Camera& iCamera,
                        const ClipBox& iClipBox) const;
    // Picking passes without the shader: every visible shot in one colour, (0, 0, 0, 0) for the
    // type pass and its child index as a colour for the ID pass. The clip box is not used.
    void drawByObjectType(int iPointSize, const ClipBox& iClipBox) const;
    void drawByObjectID(int iPointSize, const ClipBox& iClipBox) const;
    // The visible shots through the point cloud shader, with contour colouring, the clip box's
    // planes and the selection and highlight colours.
    void draw(int iPointSize, const ClipBox& iClipBox, const PointCloudParameter& iScenePara) const;
#else
    // Picking passes at level 0 without the shader, as above; the manager's own Visible state
    // is not consulted.
    void drawByObjectType(int iPointSize) const;
    void drawByObjectID(int iPointSize) const;
    // The visible shots, whole, through the editor's point shader with blending, so that points
    // of alpha below 1 show through and those of alpha 0 (deleted) are dropped.
    void draw(int iPointSize, const PointCloudParameter& iScenePara) const;
#endif

    // False, message untouched, when child iIndex is not a shot.
    bool exportObjectFile(int iIndex, const std::string& iFilePath, std::string& iErrorMessage) const;
    // Reopens a shot from its object file and the data file beside it; adds it on success.
    bool generateFromObjectFile(const std::string& iFilePath, std::string& iErrorMessage);
    // Imports an octree data file as a new white shot; adds it on success.
    bool generateFromBinaryFile_SVO(const std::string& iFilePath, std::string& iErrorMessage);

    // Appends the name of every child, in child order.
    void getNameALL(std::vector<std::string>* iNameList) const;
    // -1 when no child is selected.
    void getFirstIndexSelected(int* iIndex) const;
    void setSelectedALL(bool iSelected);
    void setVisibleALL(bool iVisible);
    std::int64_t getPointNumber() const;

    // Each stores a new value and emits changedValue(); a value equal to the stored one or
    // outside the range (levels 0 to 2, point size 1 to 10) is ignored without a message.
    void setColorMode(PointCloudParameter::ColorMode iMode);
    void setTargetLevel(int iLevel);
    void setNormalLevel(int iLevel);
    void setRoughLevel(int iLevel);
    void setDelayLoad(bool iFlag);
    void setDarkVoxel(bool iFlag);
    void setUpdateDrawData(bool iFlag);
    void setPointVisible(bool iFlag);
    void setPointSize(int iSize);
    void setPointContourMode(int iMode);
    void setPointContourValueMax(float iValue);
    void setPointContourValueMin(float iValue);
    void setPointContourColorMax(const Color& iColor);
    void setPointContourColorMin(const Color& iColor);

private:
    void applyRenderSetting(const PointCloudParameter& iParameter, bool iVisible);
#ifndef BRENMOOR
    // Every shot frees the octree of its point data through the deleter thread and stops the
    // loader before it lets go of its data.
    void setDeleterQueueALL();
    // Stops the loader and lets the deleter free everything queued.
    void finishThreads() const;
    // Has the threads finished by the application that runs now; once per application.
    void followApplication() const;
    // The picking passes; iColorByIndex gives each shot its child index as colour.
    void drawFlat(int iPointSize, bool iColorByIndex) const;

    PointCloudLoader* mLoader;
    PointCloudDeleter* mDeleter;
    mutable QPointer<QCoreApplication> mApplication;
#endif
    PointCloudParameter mParameter;
};

#endif
