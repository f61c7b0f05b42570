#ifndef SCENE_MOUSEOPERATION_H
#define SCENE_MOUSEOPERATION_H

// The mouse operations behind MouseOperator and the dispatcher state they share. Internal to
// the view: only the mouse operator and its tests include it.

#include "object3d.h"
#include "vector3.h"

#include <vector>

class Camera;
class QWidget;
class Scene;
struct Range;

namespace mouseoperation {

struct Position
{
    double x = 0.0;
    double y = 0.0;
};

// Widget position of the last press of any button.
extern Position flMouseDownPosition;
// The last recorded pointer position; during a drag call still the previous one.
extern Position flMousePosition;
// The position of the move event being handled.
extern Position flNewMousePosition;
// Bit 1: left button held; bit 2: right button held.
extern unsigned int flState;
// World units per pixel of panning and per wheel step unit.
extern double flTraslationRatio;
// Degrees per pixel of camera rotation.
extern double flRotationRatio;

enum ObjectType : unsigned int
{
    PointCloudType = 0,
    MeasureType = 1,
    CommentType = 2,
    CameraPathType = 3,
    ManipulatorType = 4,
    ClipBoxType = 5
};

// One mouse operation. Positions (x, y) are window coordinates (origin bottom left); drag
// deltas are widget pixels since the last recorded position (dy grows downwards).
class FLOperation
{
public:
    virtual void moved(Scene* iScene, QWidget* iWidget, int iX, int iY) const;
    virtual void wheeled(Scene* iScene, QWidget* iWidget, int iDelta) const;
    virtual void pressedLeftButton(Scene* iScene, QWidget* iWidget, int iX, int iY) const;
    virtual void pressedRightButton(Scene* iScene, QWidget* iWidget, int iX, int iY) const;
    virtual void clickedLeftButton(Scene* iScene, QWidget* iWidget, int iX, int iY) const;
    virtual void clickedRightButton(Scene* iScene, QWidget* iWidget, int iX, int iY) const;
    virtual void dragedLeftButton(Scene* iScene, QWidget* iWidget, int iDx, int iDy) const;
    virtual void dragedRightButton(Scene* iScene, QWidget* iWidget, int iDx, int iDy) const;
    virtual void finishedLeftButtonDrag(Scene* iScene, QWidget* iWidget) const;
    virtual void finishedRightButtonDrag(Scene* iScene, QWidget* iWidget) const;

protected:
    // Never deleted through the base: the operations are module-wide instances.
    ~FLOperation() = default;
};

// The operation the mouse operator calls; the program's camera operation at first.
extern const FLOperation* flOperation;
// The program's camera operation, whose right click opens the view's context menu.
const FLOperation* FL_getCameraOperation();

// Camera moves, hover preview and lock-on point; in Vistrel also the manipulator's handle drags.
class FLCameraOperation : public FLOperation
{
public:
    void moved(Scene* iScene, QWidget* iWidget, int iX, int iY) const override;
    void wheeled(Scene* iScene, QWidget* iWidget, int iDelta) const override;
    void clickedLeftButton(Scene* iScene, QWidget* iWidget, int iX, int iY) const override;
    void dragedLeftButton(Scene* iScene, QWidget* iWidget, int iDx, int iDy) const override;
    void dragedRightButton(Scene* iScene, QWidget* iWidget, int iDx, int iDy) const override;
    void finishedLeftButtonDrag(Scene* iScene, QWidget* iWidget) const override;
    void finishedRightButtonDrag(Scene* iScene, QWidget* iWidget) const override;
};

#ifdef BRENMOOR
// Marks (left button) or unmarks (right button) the points of point cloud 0 inside the dragged
// rectangle, or under the pixel clicked.
class FLPointCloudSelection : public FLOperation
{
public:
    void clickedLeftButton(Scene* iScene, QWidget* iWidget, int iX, int iY) const override;
    void clickedRightButton(Scene* iScene, QWidget* iWidget, int iX, int iY) const override;
    void dragedLeftButton(Scene* iScene, QWidget* iWidget, int iDx, int iDy) const override;
    void dragedRightButton(Scene* iScene, QWidget* iWidget, int iDx, int iDy) const override;
    void finishedLeftButtonDrag(Scene* iScene, QWidget* iWidget) const override;
    void finishedRightButtonDrag(Scene* iScene, QWidget* iWidget) const override;
};

// Appends the six planes (a, b, c, d), a point p inside when a p.x + b p.y + c p.z <= d, of the
// volume seen through the rectangle from the press to the last recorded position (at least one
// pixel when both sides are under one): four side planes through the eye, then the near and
// the far plane. World coordinates of the camera's last frame set-up.
void FL_getDragBox(std::vector<Vector4T<double>>* planes, const QWidget* widget, const Camera& camera);
#else
// Hover highlight; clicks and rectangles add to or remove from the selection.
class FLObjectSelection : public FLOperation
{
public:
    void moved(Scene* iScene, QWidget* iWidget, int iX, int iY) const override;
    void clickedLeftButton(Scene* iScene, QWidget* iWidget, int iX, int iY) const override;
    void clickedRightButton(Scene* iScene, QWidget* iWidget, int iX, int iY) const override;
    void dragedLeftButton(Scene* iScene, QWidget* iWidget, int iDx, int iDy) const override;
    void dragedRightButton(Scene* iScene, QWidget* iWidget, int iDx, int iDy) const override;
    void finishedLeftButtonDrag(Scene* iScene, QWidget* iWidget) const override;
    void finishedRightButtonDrag(Scene* iScene, QWidget* iWidget) const override;
};

// As the object selection, and the manipulator is placed on what is selected.
class FLObjectSelection_Manipulator : public FLObjectSelection
{
public:
    void clickedLeftButton(Scene* iScene, QWidget* iWidget, int iX, int iY) const override;
    void finishedLeftButtonDrag(Scene* iScene, QWidget* iWidget) const override;
    void finishedRightButtonDrag(Scene* iScene, QWidget* iWidget) const override;
};

// Reference points on the surfaces under the pointer.
class FLPointCreation : public FLOperation
{
public:
    void moved(Scene* iScene, QWidget* iWidget, int iX, int iY) const override;
    void clickedLeftButton(Scene* iScene, QWidget* iWidget, int iX, int iY) const override;
    void clickedRightButton(Scene* iScene, QWidget* iWidget, int iX, int iY) const override;
};

#endif

// Steps shared by the operations.

// Makes the view's GL context current when the widget is a GL view; false when no context is
// current afterwards.
bool FL_makeCurrent(QWidget* iWidget);
// The rectangle from the press to the last recorded position, in widget pixels (y from the
// top).
void FL_getRectangle(Range* oX, Range* oY);
// The surface point under one window pixel; false where nothing is drawn (depth 1.0) or the
// view has no GL context.
bool FL_getSurfacePoint(Scene* iScene, QWidget* iWidget, int iX, int iY, Vector3T<double>* oPoint);
// The preview point on the surface under the pixel; none where nothing is drawn.
void FL_showPreviewPoint(Scene* iScene, QWidget* iWidget, int iX, int iY);
// The surface point under the pixel becomes the camera's lock-on point; nothing where nothing is
// drawn.
void FL_lockOnSurfacePoint(Scene* iScene, QWidget* iWidget, int iX, int iY);
// The target level of the point clouds while the camera is dragged (rough) or at rest.
void FL_setPointCloudLevel(Scene* iScene, bool iRough);
// The draw levels of point clouds and polygons while the camera is dragged (rough) or at rest.
void FL_setLevelOfDetail(Scene* iScene, bool iRough);
// Camera drags by pixel deltas: turning at the rotation ratio, panning at the translation ratio.
void FL_turnCamera(Scene* iScene, int iDx, int iDy);
void FL_panCamera(Scene* iScene, int iDx, int iDy);

#ifndef BRENMOOR
// Type or ID under one window pixel, each after bringing both picking maps up to date. Without
// a GL context for the view the maps stay as they are (an empty map reads as no object).
void FL_pickType(Scene* iScene, QWidget* iWidget, int iX, int iY, unsigned int* oType);
void FL_pickID(Scene* iScene, QWidget* iWidget, int iX, int iY, unsigned int* oID);
// Both of them.
void FL_pickObject(Scene* iScene, QWidget* iWidget, int iX, int iY, unsigned int* oType, unsigned int* oID);
// Sets or clears iState on the object named by (type, id) and returns it; null, changing
// nothing, when the pair names no scene object (manipulator handles included).
Object3D* FL_setStateSceneObject(Scene* iScene, Object3D::State iState, bool iOn, unsigned int iType,
                                 unsigned int iID);
// Clears iState on every point cloud, measure, comment and camera path (not on polygons or the
// clip box); used for the hover highlight.
void FL_setStateSceneObject(Scene* iScene, Object3D::State iState, bool iOn);

// Handle drag geometry, from the shared pointer positions and the camera's last frame set-up.
// Signed distance from iOrigin along iAxis to where the pointer's ray meets the plane that
// holds the axis and the screen direction more nearly perpendicular to it; 0 when the ray is
// parallel to that plane or the result is not finite.
double FL_getTranslationValueAlong(const Vector3T<double>& iAxis, const Vector3T<double>& iOrigin,
                                   const Camera& iCamera);
// Degrees swept about iAxis through iOrigin between the previous and the current pointer ray,
// counter-clockwise seen from the axis tip, within ±90; 0 for a ray parallel to the plane.
double FL_getRotationDegreeAlong(const Vector3T<double>& iAxis, const Vector3T<double>& iOrigin,
                                 const Camera& iCamera);
// Turns every object by iDegree about iAxis through iOrigin (in scene coordinates).
void FL_rotateObject(const std::vector<Object3D*>& iObjects, const Vector3T<double>& iAxis, double iDegree,
                     const Vector3T<double>& iOrigin);
#endif

} // namespace mouseoperation

#endif
