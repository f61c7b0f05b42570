#include "camera.h"

#include "cameramatrix.h"
#include "drawfunction.h"
#include "numberformat.h"

#include <qopengl.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// The last frame set-up of whichever camera made it; read by the conversions and the
// frustum tests of every camera.
float flProjection[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
float flModelview[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
int flViewport[4] = {0, 0, 0, 0};
Vector3T<double> flLeftTopFar;
Vector3T<double> flLeftBottomFar;
Vector3T<double> flRightBottomFar;
Vector3T<double> flRightTopFar;

const double FL_PI = 3.141592; // the angle constant of every camera turn

double FL_length(const Vector3T<double>& iVector)
{
    return std::sqrt(iVector.dot(iVector));
}

// A zero vector stays as it is instead of turning into NaN.
template <typename T>
Vector3T<T> FL_unit(const Vector3T<T>& iVector)
{
    const T lengthSquared = iVector.dot(iVector);
    if (lengthSquared == 0)
        return iVector;
    return iVector / std::sqrt(lengthSquared);
}

// Rodrigues' rotation of iVector about the unit axis iAxis; a zero axis turns nothing.
Vector3T<double> FL_rotate(const Vector3T<double>& iVector, const Vector3T<double>& iAxis, double iRadian)
{
    if (iAxis.dot(iAxis) == 0)
        return iVector;
    const double c = std::cos(iRadian);
    const double s = std::sin(iRadian);
    return iVector * c + iAxis.cross(iVector) * s + iAxis * (iAxis.dot(iVector) * (1.0 - c));
}

double FL_toRadian(double iDegree)
{
    return iDegree / 180.0 * FL_PI;
}

// A NaN on either side counts as a difference.
bool FL_isSame(const Vector3T<double>& iA, const Vector3T<double>& iB)
{
    return iA.x == iB.x && iA.y == iB.y && iA.z == iB.z;
}

bool FL_isSame(const Camera::LookAtData& iA, const Camera::LookAtData& iB)
{
    return FL_isSame(iA.viewPoint, iB.viewPoint) && FL_isSame(iA.lockOnPoint, iB.lockOnPoint) &&
           FL_isSame(iA.upward, iB.upward);
}

bool FL_isSame(const Camera::FrustumData& iA, const Camera::FrustumData& iB)
{
    return iA.near == iB.near && iA.far == iB.far && iA.degree == iB.degree;
}

// Eye (Observation) or lock-on point (WalkThrough) placed on iDirection at iDistance.
void FL_place(Camera::LookAtData* ioLookAt, const Vector3T<double>& iDirection, double iDistance, Camera::ViewMode iMode)
{
    if (iMode == Camera::Observation)
        ioLookAt->viewPoint = ioLookAt->lockOnPoint - iDirection * iDistance;
    else if (iMode == Camera::WalkThrough)
        ioLookAt->lockOnPoint = ioLookAt->viewPoint + iDirection * iDistance;
}

void FL_move(Camera::LookAtData* ioLookAt, const Vector3T<double>& iStep, Camera::ViewMode iMode)
{
    if (iMode == Camera::Observation) {
        ioLookAt->viewPoint += iStep;
    } else if (iMode == Camera::WalkThrough) {
        ioLookAt->viewPoint += iStep;
        ioLookAt->lockOnPoint += iStep;
    }
}

// oOut = iMatrix * iVector, column order.
void FL_transform(const float iMatrix[16], const float iVector[4], float oOut[4])
{
    for (int r = 0; r < 4; ++r)
        oOut[r] = iMatrix[r] * iVector[0] + iMatrix[4 + r] * iVector[1] + iMatrix[8 + r] * iVector[2] +
                  iMatrix[12 + r] * iVector[3];
}

// oOut = iA * iB, column order.
void FL_multiply(const float iA[16], const float iB[16], float oOut[16])
{
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r)
            oOut[4 * c + r] = iA[r] * iB[4 * c] + iA[4 + r] * iB[4 * c + 1] + iA[8 + r] * iB[4 * c + 2] +
                              iA[12 + r] * iB[4 * c + 3];
}

// Outward normals of the four side planes through the eye, from the cached far corners;
// deliberately not normalised again.
void FL_getSideNormals(const Vector3T<double>& iViewPoint, Vector3T<double> oNormals[4])
{
    const Vector3T<double> leftTop = FL_unit(flLeftTopFar - iViewPoint);
    const Vector3T<double> leftBottom = FL_unit(flLeftBottomFar - iViewPoint);
    const Vector3T<double> rightTop = FL_unit(flRightTopFar - iViewPoint);
    const Vector3T<double> rightBottom = FL_unit(flRightBottomFar - iViewPoint);
    oNormals[0] = leftTop.cross(leftBottom);
    oNormals[1] = rightBottom.cross(rightTop);
    oNormals[2] = rightTop.cross(leftTop);
    oNormals[3] = leftBottom.cross(rightBottom);
}

} // namespace

Camera::Camera(QObject* iParent) : QObject(iParent)
{
    mFrustum.near = 0.01f;
    mFrustum.far = 100.0f;
    mFrustum.degree = 30.0f;
    mLookAt.viewPoint = Vector3T<double>(0, -10, 0);
    mLookAt.lockOnPoint = Vector3T<double>(0, 0, 0);
    mLookAt.upward = Vector3T<double>(0, 0, 1);
}

Camera::~Camera() = default;

void Camera::setScreenData(const ScreenData& iScreen)
{
    if (iScreen.width == mScreen.width && iScreen.height == mScreen.height)
        return;
    mScreen = iScreen;
    emit changedValue();
}

void Camera::getScreenData(ScreenData* oScreen) const
{
    *oScreen = mScreen;
}

void Camera::setFrustumData(const FrustumData& iFrustum)
{
    if (FL_isSame(iFrustum, mFrustum))
        return;
    mFrustum = iFrustum;
    emit changedValue();
}

void Camera::getFrustumData(FrustumData* oFrustum) const
{
    *oFrustum = mFrustum;
}

void Camera::setLookAtData(const LookAtData& iLookAt)
{
    if (FL_isSame(iLookAt, mLookAt))
        return;
    mLookAt = iLookAt;
    emit changedValue();
}

void Camera::getLookAtData(LookAtData* oLookAt) const
{
    *oLookAt = mLookAt;
}

void Camera::setViewMode(ViewMode iMode)
{
    setWorkMode(iMode);
}

void Camera::setWorkMode(int iMode)
{
    if (iMode == mWorkMode)
        return;
    mWorkMode = iMode;
    emit changedValue();
}

void Camera::getWorkMode(int* oMode) const
{
    *oMode = mWorkMode;
}

void Camera::setRotationCenterPoint(const Vector3T<double>& iPoint)
{
    if (FL_isSame(iPoint, mRotationCenterPoint))
        return;
    mRotationCenterPoint = iPoint;
    emit changedValue();
}

void Camera::getRotationCenterPoint(Vector3T<double>* oPoint) const
{
    *oPoint = mRotationCenterPoint;
}

void Camera::getNear(float* oNear) const
{
    *oNear = mFrustum.near;
}

void Camera::setNear(float iNear)
{
    FrustumData frustum = mFrustum;
    frustum.near = iNear;
    setFrustumData(frustum);
}

void Camera::getFar(float* oFar) const
{
    *oFar = mFrustum.far;
}

void Camera::setFar(float iFar)
{
    FrustumData frustum = mFrustum;
    frustum.far = iFar;
    setFrustumData(frustum);
}

void Camera::getDegree(float* oDegree) const
{
    *oDegree = mFrustum.degree;
}

void Camera::setDegree(float iDegree)
{
    FrustumData frustum = mFrustum;
    frustum.degree = iDegree;
    setFrustumData(frustum);
}

float Camera::getFrustumLength() const
{
    return mFrustum.far - mFrustum.near;
}

void Camera::applyLookAtEdit(const LookAtData& iLookAt)
{
    setLookAtData(iLookAt);
    normalizeView();
}

void Camera::getViewPoint(Vector3T<double>* oPoint) const
{
    *oPoint = mLookAt.viewPoint;
}

void Camera::setViewPoint(const Vector3T<double>& iPoint)
{
    LookAtData lookAt = mLookAt;
    lookAt.viewPoint = iPoint;
    applyLookAtEdit(lookAt);
}

void Camera::getLockOnPoint(Vector3T<double>* oPoint) const
{
    *oPoint = mLookAt.lockOnPoint;
}

void Camera::setLockOnPoint(const Vector3T<double>& iPoint)
{
    LookAtData lookAt = mLookAt;
    lookAt.lockOnPoint = iPoint;
    applyLookAtEdit(lookAt);
}

void Camera::getUpward(Vector3T<double>* oVector) const
{
    *oVector = mLookAt.upward;
}

void Camera::setUpward(const Vector3T<double>& iVector)
{
    LookAtData lookAt = mLookAt;
    if (!setUpward(&lookAt, iVector, static_cast<ViewMode>(mWorkMode)))
        return;
    applyLookAtEdit(lookAt);
}

void Camera::setRightward(const Vector3T<double>& iVector)
{
    LookAtData lookAt = mLookAt;
    if (!setRightward(&lookAt, iVector, static_cast<ViewMode>(mWorkMode)))
        return;
    applyLookAtEdit(lookAt);
}

void Camera::normalizeView()
{
    if (mWorkMode == Observation)
        mRotationCenterPoint = mLookAt.lockOnPoint;
    else if (mWorkMode == WalkThrough)
        mRotationCenterPoint = mLookAt.viewPoint;

    LookAtData lookAt = mLookAt;
    const Vector3T<double> f = getForward(lookAt);
    const Vector3T<double> r = FL_unit(f.cross(getUpward(lookAt)));
    // With the eye on the lock-on point or upward along the view there is no rightward
    // axis; the old upward is kept rather than replaced by a zero vector that no later
    // move could turn back into a direction.
    if (r.dot(r) == 0)
        return;
    lookAt.upward = r.cross(f);
    setLookAtData(lookAt);
}

Vector3T<double> Camera::getForward(const LookAtData& iLookAt)
{
    return FL_unit(iLookAt.lockOnPoint - iLookAt.viewPoint);
}

Vector3T<double> Camera::getUpward(const LookAtData& iLookAt)
{
    return FL_unit(iLookAt.upward);
}

Vector3T<double> Camera::getRightward(const LookAtData& iLookAt)
{
    return FL_unit(getForward(iLookAt).cross(getUpward(iLookAt)));
}

void Camera::setForward(LookAtData* ioLookAt, Vector3T<double> iDirection, ViewMode iMode)
{
    FL_place(ioLookAt, iDirection, FL_length(ioLookAt->lockOnPoint - ioLookAt->viewPoint), iMode);
}

bool Camera::setUpward(LookAtData* ioLookAt, Vector3T<double> iUpward, ViewMode iMode)
{
    const Vector3T<double> forward = FL_unit(iUpward.cross(getRightward(*ioLookAt)));
    if (!(forward.dot(forward) > 0)) // also refuses NaN
        return false;
    FL_place(ioLookAt, forward, FL_length(ioLookAt->lockOnPoint - ioLookAt->viewPoint), iMode);
    ioLookAt->upward = iUpward;
    return true;
}

bool Camera::setRightward(LookAtData* ioLookAt, Vector3T<double> iRightward, ViewMode iMode)
{
    const Vector3T<double> forward = FL_unit(ioLookAt->upward.cross(iRightward));
    if (!(forward.dot(forward) > 0))
        return false;
    FL_place(ioLookAt, forward, FL_length(ioLookAt->lockOnPoint - ioLookAt->viewPoint), iMode);
    ioLookAt->upward = FL_unit(iRightward.cross(forward));
    return true;
}

void Camera::translateUp(LookAtData* ioLookAt, double iValue, ViewMode iMode)
{
    FL_move(ioLookAt, getUpward(*ioLookAt) * iValue, iMode);
}

void Camera::translateRight(LookAtData* ioLookAt, double iValue, ViewMode iMode)
{
    FL_move(ioLookAt, getRightward(*ioLookAt) * iValue, iMode);
}

void Camera::translatePlus(LookAtData* ioLookAt, double iValue, ViewMode iMode)
{
    FL_move(ioLookAt, getForward(*ioLookAt) * iValue, iMode);
}

void Camera::translateUp(double iValue)
{
    LookAtData lookAt = mLookAt;
    translateUp(&lookAt, iValue, static_cast<ViewMode>(mWorkMode));
    applyLookAtEdit(lookAt);
}

void Camera::translateDown(double iValue)
{
    translateUp(-iValue);
}

void Camera::translateRight(double iValue)
{
    LookAtData lookAt = mLookAt;
    translateRight(&lookAt, iValue, static_cast<ViewMode>(mWorkMode));
    applyLookAtEdit(lookAt);
}

void Camera::translateLeft(double iValue)
{
    translateRight(-iValue);
}

void Camera::translatePlus(double iValue)
{
    LookAtData lookAt = mLookAt;
    if (mWorkMode == Observation) {
        // The eye stops at the near distance in front of the lock-on point.
        const Vector3T<double> f = getForward(lookAt);
        const Vector3T<double> moved = lookAt.viewPoint + f * iValue;
        const Vector3T<double> rest = lookAt.lockOnPoint - moved;
        const double nearDistance = mFrustum.near;
        if (rest.dot(f) <= 0 || nearDistance > FL_length(rest))
            lookAt.viewPoint = lookAt.lockOnPoint - f * nearDistance;
        else
            lookAt.viewPoint = moved;
    } else {
        translatePlus(&lookAt, iValue, static_cast<ViewMode>(mWorkMode));
    }
    applyLookAtEdit(lookAt);
}

void Camera::translateMinus(double iValue)
{
    translatePlus(-iValue);
}

void Camera::rotateUp(double iValue)
{
    LookAtData lookAt = mLookAt;
    const Vector3T<double> f = FL_rotate(getForward(lookAt), getRightward(lookAt), FL_toRadian(iValue));
    FL_place(&lookAt, f, FL_length(lookAt.lockOnPoint - lookAt.viewPoint), static_cast<ViewMode>(mWorkMode));
    applyLookAtEdit(lookAt);
}

void Camera::rotateDown(double iValue)
{
    rotateUp(-iValue);
}

void Camera::rotateLeft(double iValue)
{
    LookAtData lookAt = mLookAt;
    const Vector3T<double> f = FL_rotate(getForward(lookAt), getUpward(lookAt), FL_toRadian(iValue));
    FL_place(&lookAt, f, FL_length(lookAt.lockOnPoint - lookAt.viewPoint), static_cast<ViewMode>(mWorkMode));
    applyLookAtEdit(lookAt);
}

void Camera::rotateRight(double iValue)
{
    rotateLeft(-iValue);
}

void Camera::rotatePlus(double iValue)
{
    LookAtData lookAt = mLookAt;
    lookAt.upward = FL_rotate(getUpward(lookAt), getForward(lookAt), FL_toRadian(iValue));
    applyLookAtEdit(lookAt);
}

void Camera::rotateMinus(double iValue)
{
    rotatePlus(-iValue);
}

void Camera::fitView(const std::vector<Vector3T<double>>& i3DPoints)
{
    if (i3DPoints.empty())
        return;
    using numberformat::narrow;
    Vector3T<float> low(narrow(i3DPoints[0].x), narrow(i3DPoints[0].y), narrow(i3DPoints[0].z));
    Vector3T<float> high = low;
    for (const Vector3T<double>& point : i3DPoints)
        for (int i = 0; i < 3; ++i) {
            const float value = narrow(point[i]);
            low[i] = std::min(low[i], value);
            high[i] = std::max(high[i], value);
        }
    const Vector3T<double> center((low + high) * 0.5f);

    const Vector3T<double> f = getForward(mLookAt);
    const float middle = mFrustum.near + (mFrustum.far - mFrustum.near) * 0.5f;
    const Vector3T<double> middlePoint = mLookAt.viewPoint + f * double(middle);

    const Vector3T<double> first = convertValueFromModelToGLDevice(middlePoint);
    double minX = first.x, maxX = first.x, minY = first.y, maxY = first.y;
    float nearest = middle;
    for (const Vector3T<double>& point : i3DPoints) {
        const Vector3T<double> offset = point - center;
        const Vector3T<double> window = convertValueFromModelToGLDevice(middlePoint + offset);
        minX = std::min(minX, window.x);
        maxX = std::max(maxX, window.x);
        minY = std::min(minY, window.y);
        maxY = std::max(maxY, window.y);
        nearest = std::min(nearest, narrow(offset.dot(f) + middle));
    }
    // Extents beyond int (or NaN from a broken cache) cannot be truncated safely.
    const double limit = std::numeric_limits<int>::max();
    if (!(maxX - minX < limit) || !(maxY - minY < limit))
        return;
    const int extentX = static_cast<int>(maxX - minX);
    const int extentY = static_cast<int>(maxY - minY);
    if (extentX == 0 || extentY == 0)
        return;

    const float scale = std::min(mScreen.width * 0.5f / extentX, mScreen.height * 0.5f / extentY);
    // A zero-size screen gives no scale; dividing by it would send the eye to infinity.
    if (!(scale > 0) || !std::isfinite(scale))
        return;
    const float dolly = std::min(nearest - mFrustum.near, (1.0f - 1.0f / scale) * middle);

    LookAtData lookAt = mLookAt;
    lookAt.lockOnPoint = center;
    lookAt.viewPoint = center - f * double(middle - dolly);
    setLookAtData(lookAt);
    normalizeView();
}

bool Camera::getPixelSize(float* iPixelSize, const Vector3T<double>& iCenter, const Vector3T<double>& iSize) const
{
    const double diameter = FL_length(iSize);
    const double distance = FL_length(iCenter - mLookAt.viewPoint);
    if (!(0.5 * diameter < distance)) // the eye is inside the sphere (or a value is NaN)
        return false;
    *iPixelSize = numberformat::narrow(diameter * mFrustum.far / (distance - 0.5 * diameter));
    return true;
}

bool Camera::isOutsideSphere(const Vector3T<double>& iCenter, double iRadius) const
{
    const Vector3T<double> toCenter = iCenter - mLookAt.viewPoint;
    const double depth = toCenter.dot(getForward(mLookAt));
    if (mFrustum.near > depth + iRadius || depth - iRadius > mFrustum.far)
        return true;
    Vector3T<double> normals[4];
    FL_getSideNormals(mLookAt.viewPoint, normals);
    for (const Vector3T<double>& normal : normals)
        if (normal.dot(toCenter) > iRadius)
            return true;
    return false;
}

bool Camera::isInsideSphere(bool* iIsCompletely, const Vector3T<double>& iCenter, double iRadius) const
{
    if (isOutsideSphere(iCenter, iRadius))
        return false;
    const Vector3T<double> toCenter = iCenter - mLookAt.viewPoint;
    const double depth = toCenter.dot(getForward(mLookAt));
    bool completely = depth - iRadius >= mFrustum.near && depth + iRadius <= mFrustum.far;
    Vector3T<double> normals[4];
    FL_getSideNormals(mLookAt.viewPoint, normals);
    for (const Vector3T<double>& normal : normals)
        completely = completely && normal.dot(toCenter) <= -iRadius;
    *iIsCompletely = completely;
    return true;
}

void Camera::initScreen() const
{
    const int width = std::max(mScreen.width, 0);
    const int height = std::max(mScreen.height, 0);
    if (!hasCurrentGLContext()) {
        flViewport[0] = 0;
        flViewport[1] = 0;
        flViewport[2] = width;
        flViewport[3] = height;
        return;
    }
    glViewport(0, 0, width, height);
    glGetIntegerv(GL_VIEWPORT, flViewport);
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearDepth(1.0);
    glClear(GL_DEPTH_BUFFER_BIT);
}

bool Camera::setSceneMatrix() const
{
    const bool gl = hasCurrentGLContext();
    double projection[16];
    cameramatrix::getProjection(mScreen, mFrustum, projection);
    for (int i = 0; i < 16; ++i)
        flProjection[i] = numberformat::narrow(projection[i]);
    double modelview[16];
    const bool valid = cameramatrix::getModelview(mLookAt, modelview);
    if (gl) {
        glMatrixMode(GL_PROJECTION);
        glLoadMatrixd(projection);
        glMatrixMode(GL_MODELVIEW);
        glLoadMatrixd(modelview); // the identity when the look-at is invalid
    }
    if (!valid)
        return false;
    for (int i = 0; i < 16; ++i)
        flModelview[i] = numberformat::narrow(modelview[i]);
    return true;
}

void Camera::renderDepth() const
{
    if (!hasCurrentGLContext())
        return;
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    const int width = viewport[2] - viewport[0];
    const int height = viewport[3] - viewport[1];
    if (width <= 0 || height <= 0)
        return;
    std::vector<float> depth(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    glFinish();
    glReadPixels(0, 0, width, height, GL_DEPTH_COMPONENT, GL_FLOAT, depth.data());
    glDrawPixels(width, height, GL_LUMINANCE, GL_FLOAT, depth.data());
    glFlush();
}

void Camera::updateCornerPoints() const
{
    const double width = mScreen.width;
    const double height = mScreen.height;
    flLeftTopFar = convertValueFromGLDeviceToModel(Vector3T<double>(0, height, 1));
    flLeftBottomFar = convertValueFromGLDeviceToModel(Vector3T<double>(0, 0, 1));
    flRightTopFar = convertValueFromGLDeviceToModel(Vector3T<double>(width, height, 1));
    flRightBottomFar = convertValueFromGLDeviceToModel(Vector3T<double>(width, 0, 1));
}

Vector3T<double> Camera::getCornerPoint(int iIndex) const
{
    switch (iIndex) {
    case 1:
        return flLeftBottomFar;
    case 2:
        return flRightBottomFar;
    case 3:
        return flRightTopFar;
    default:
        return flLeftTopFar;
    }
}

float Camera::getFarPlanePixelSize() const
{
    if (mScreen.width <= 0 || mScreen.height <= 0)
        return 0.0f;
    const double across = FL_length(flLeftTopFar - flRightTopFar) / mScreen.width;
    const double down = FL_length(flLeftTopFar - flLeftBottomFar) / mScreen.height;
    return numberformat::narrow((across + down) * 0.5);
}

Vector3T<double> Camera::convertValueFromModelToGLDevice(const Vector3T<double>& iModel) const
{
    using numberformat::narrow;
    const float model[4] = {narrow(iModel.x), narrow(iModel.y), narrow(iModel.z), 1.0f};
    float eye[4];
    float clip[4];
    FL_transform(flModelview, model, eye);
    FL_transform(flProjection, eye, clip);
    // A point in the eye plane has no window position; a depth below 0 tells callers that
    // check the depth range to skip it.
    if (!(clip[3] != 0) || !std::isfinite(clip[3]))
        return Vector3T<double>(0, 0, -1);
    const float x = clip[0] / clip[3];
    const float y = clip[1] / clip[3];
    const float z = clip[2] / clip[3];
    return Vector3T<double>(flViewport[0] + flViewport[2] * (x + 1.0f) * 0.5f,
                            flViewport[1] + flViewport[3] * (y + 1.0f) * 0.5f, (z + 1.0f) * 0.5f);
}

Vector3T<double> Camera::convertValueFromGLDeviceToModel(const Vector3T<double>& iDevice) const
{
    // A zero-size viewport or a singular matrix has no inverse: the origin stands in.
    if (flViewport[2] <= 0 || flViewport[3] <= 0)
        return Vector3T<double>();
    float product[16];
    float inverse[16];
    FL_multiply(flProjection, flModelview, product);
    if (!cameramatrix::invert(product, inverse))
        return Vector3T<double>();
    using numberformat::narrow;
    const float device[4] = {(narrow(iDevice.x) - flViewport[0]) * 2.0f / flViewport[2] - 1.0f,
                             (narrow(iDevice.y) - flViewport[1]) * 2.0f / flViewport[3] - 1.0f,
                             2.0f * narrow(iDevice.z) - 1.0f, 1.0f};
    float model[4];
    FL_transform(inverse, device, model);
    if (!(model[3] != 0) || !std::isfinite(model[3]))
        return Vector3T<double>();
    return Vector3T<double>(model[0] / model[3], model[1] / model[3], model[2] / model[3]);
}
