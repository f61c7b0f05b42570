#ifndef POLYGON_POLYGONMANAGER_H
#define POLYGON_POLYGONMANAGER_H

#include "color.h"
#include "object3d.h"

#include <cstdint>
#include <string>

class Camera;
class ClipBox;
class MyPolygon;
class PolygonLoader;

// The rendering settings shared by every mesh, copied whole; in memory only.
struct PolygonRenderingParameter
{
    bool pointVisible = true;
    // Size of the point pass, also the pixel size of the level-of-detail choice.
    std::int32_t pointSize = 4;
    // Contour modes: 0 own colour, 1 distance from the view point, 2-4 local X, Y, Z, 5-7 global.
    std::int32_t pointContourColorMode = 0;
    float pointContourValueMax = 1.0f;
    float pointContourValueMin = 0.0f;
    Color pointContourColorMax{255, 0, 0, 255};
    Color pointContourColorMin{0, 0, 255, 255};
    bool polygonVisible = true;
    std::int32_t polygonContourColorMode = 0;
    float polygonContourValueMax = 1.0f;
    float polygonContourValueMin = 0.0f;
    Color polygonContourColorMax{255, 0, 0, 255};
    Color polygonContourColorMin{0, 0, 255, 255};
    bool polygonEdgeVisible = true;
    Color polygonEdgeColor{200, 200, 200, 255};

    bool operator==(const PolygonRenderingParameter& o) const;
    bool operator!=(const PolygonRenderingParameter& o) const { return !(*this == o); }
};

// The scene object that holds every polygon mesh as its children, the loader of their octree
// data and the rendering settings they share. The frame asks it once per frame to bring the
// meshes' level-of-detail data up to date (choosing the octree nodes that cover pixels by an
// index-colour read-back) and then to draw them in point, triangle and edge passes.
class PolygonManager : public Object3D
{
    Q_OBJECT

public:
    explicit PolygonManager(QObject* iParent = nullptr);
    // Stops the loader before the meshes go.
    ~PolygonManager() override;

    // Null when there is no child at iIndex or it is no mesh.
    MyPolygon* getData(int iIndex) const;
    void setSelectedALL(bool iSelected) const;
    // -1 when no mesh is selected.
    void getFirstIndexSelected(int* oIndex) const;
    PolygonRenderingParameter getRenderingParameter() const;
    PolygonLoader* getLoader() const;
    bool isErasable() const override;
    // A new PolygonManagerForm, owned by the caller (defined with the form).
    QWidget* createUI() override;

    // Level-of-detail update for the given camera; called every frame and every picking pass.
    void updateDrawData(int iPointSize, int iTargetLevel, bool iDelayLoad, const Camera& iCamera,
                        const ClipBox& iClipBox) const;
    // Draws the visible meshes; the same call serves every draw pass.
    void draw(PolygonRenderingParameter iParameter) const;
    // Waits for a running load to end; the project calls it before it frees the meshes.
    void stopDataLoading() const;

    // The level to which mesh data is loaded; the frame passes it to updateDrawData. The camera
    // operation puts the rough level here while it drags and the normal level afterwards.
    std::int32_t targetLevel = 0;
    std::int32_t normalLevel = 0;
    std::int32_t roughLevel = 0;
    // Whether loading runs on the loader thread.
    bool delayLoad = false;

public slots:
    // False, message untouched, when there is no mesh at iIndex.
    bool exportObjectFile(int iIndex, const std::string& iFilePath, std::string& iErrorMessage);
    // A mesh from an object file and the data file it names in the same folder ("zrply": a
    // polygon octree read in parts; STL and JPGIS: the whole mesh). False, adding nothing,
    // with the reader's message.
    bool importObjectFile(const std::string& iFilePath, std::string& iErrorMessage);
    // A mesh named by its path over a polygon octree file, in the octree's box. False, adding
    // nothing, with the reader's message when the tree cannot be read.
    bool generateFromZRPLYFile(const std::string& iFilePath, std::string& iErrorMessage);
    // Emits changedValue() only on a change.
    void setRenderingParameter(const PolygonRenderingParameter& iParameter);
    // Each emits changedValue() only when the level really changes.
    void setTargetLevel(int iLevel);
    void setNormalLevel(int iLevel);
    void setRoughLevel(int iLevel);

private slots:
    // Gives every mesh the load stop of this manager's loader.
    void setLoadStopALL();

private:
    PolygonLoader* mLoader;
    PolygonRenderingParameter mParameter;
};

#endif
