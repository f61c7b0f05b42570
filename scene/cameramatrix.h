#ifndef SCENE_CAMERAMATRIX_H
#define SCENE_CAMERAMATRIX_H

#include "camera.h"

// The matrices that a camera's frame set-up loads into GL, computed without a GL context.
// All matrices are 16 elements in OpenGL column order.
namespace cameramatrix {

// glFrustum for the screen's aspect and the frustum's opening angle; the identity when GL
// would refuse the values (a zero-size screen, near or far not above 0, near equal to far).
void getProjection(const Camera::ScreenData& iScreen, const Camera::FrustumData& iFrustum, double oMatrix[16]);

// The look-at matrix built in single precision, then translated by minus the view point;
// false and the identity when the viewing direction or the rightward axis has no length.
bool getModelview(const Camera::LookAtData& iLookAt, double oMatrix[16]);

// Inverse by Gauss-Jordan elimination with partial pivoting; false when singular.
bool invert(const float iMatrix[16], float oInverse[16]);

} // namespace cameramatrix

#endif
