#ifndef SCENE_SCENEDRAWING_H
#define SCENE_SCENEDRAWING_H

// Drawing steps of a scene frame that Vistrel's scene and the editor's share. Internal to the
// scenes: they need the view's GL context current.

#include "color.h"
#include "scene.h"

class Camera;
class QPaintDevice;
class ReferencePointManager;
class SceneState;

namespace scenedrawing {

// The camera's frame set-up: viewport, matrices and far-plane corners; false, with the corners
// left as they were, when the camera has no usable view.
bool FL_setUpFrame(const Camera& iCamera);
// A nominal pixel size at level of detail iLevel: the integer quotient, at least 1.
int FL_scaled(int iSize, int iLevel);
// Unit axes from the origin: x red, y green, z blue.
void FL_drawOriginAxis(float lineWidth);
// The rotation centre (observation mode only), the origin axes and the reference points, each
// when its draw flag is set, sized for the level of detail.
void FL_drawMarkers(const SceneState* iSceneState, const ReferencePointManager* iReferencePointManager);
// The camera's rotation alone as axes 50 pixels long, 100 pixels from the lower left corner.
void FL_drawOrientationTriad(int iWidth, int iHeight);
// The selection rectangle (widget pixels, y from the top of a view iViewHeight high), outlined
// and filled with alpha 50.
void FL_drawSelectionRectangle(int iWidth, int iHeight, double iViewHeight, Range iX, Range iY, Color iColor);
// The information lines of the rendering target, painted on the device (when there is one) and
// printed to standard output.
void FL_drawRenderingStrings(QPaintDevice* iQPaintDevice, const SceneState* iSceneState);

} // namespace scenedrawing

#endif
