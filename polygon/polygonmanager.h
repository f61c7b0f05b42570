#ifndef POLYGON_POLYGONMANAGER_H
#define POLYGON_POLYGONMANAGER_H

#include "color.h"
#include "object3d.h"

#include <cstdint>

class Camera;
class ClipBox;

// The rendering settings shared by every mesh, copied whole.
struct PolygonRenderingParameter
{
    bool pointVisible = true;
    // Size of the point pass, also the pixel size of the level-of-detail choice.
    std::int32_t pointSize = 4;
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
};

// The scene object that holds every polygon mesh as its children. The frame asks it once per
// frame to bring the meshes' level-of-detail data up to date and then to draw them.
class PolygonManager : public Object3D
{
    Q_OBJECT

public:
    explicit PolygonManager(QObject* iParent = nullptr);

    PolygonRenderingParameter getRenderingParameter() const;

    // Level-of-detail update for the given camera; called every frame and every picking pass.
    void updateDrawData(int iPointSize, int iTargetLevel, bool iDelayLoad, const Camera& iCamera,
                        const ClipBox& iClipBox) const;
    // Draws the visible meshes; the same call serves every draw pass.
    void draw(PolygonRenderingParameter iParameter) const;

    // The level to which mesh data is loaded; the frame passes it to updateDrawData. The camera
    // operation puts the rough level here while it drags and the normal level afterwards.
    std::int32_t targetLevel = 0;
    std::int32_t normalLevel = 0;
    std::int32_t roughLevel = 0;
    // Whether loading runs on the loader thread.
    bool delayLoad = false;

public slots:
    // Each emits changedValue() only when the level really changes.
    void setTargetLevel(int iLevel);
    void setNormalLevel(int iLevel);
    void setRoughLevel(int iLevel);

private:
    PolygonRenderingParameter mParameter;
};

#endif
