#include "camera.h"
#include "cameramatrix.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <cmath>

namespace {

using V = Vector3T<double>;

const double kRadian90 = 90.0 / 180.0 * 3.141592;

#define EXPECT_VEC_NEAR(actual, ex, ey, ez, tolerance)                                                                 \
    do {                                                                                                               \
        const V a_ = (actual);                                                                                         \
        EXPECT_NEAR(a_.x, (ex), (tolerance));                                                                          \
        EXPECT_NEAR(a_.y, (ey), (tolerance));                                                                          \
        EXPECT_NEAR(a_.z, (ez), (tolerance));                                                                          \
    } while (0)

Camera::LookAtData lookAtOf(const Camera& iCamera)
{
    Camera::LookAtData lookAt;
    iCamera.getLookAtData(&lookAt);
    return lookAt;
}

Camera::LookAtData makeLookAt(const V& iView, const V& iLockOn, const V& iUp)
{
    Camera::LookAtData lookAt;
    lookAt.viewPoint = iView;
    lookAt.lockOnPoint = iLockOn;
    lookAt.upward = iUp;
    return lookAt;
}

V rotationCenterOf(const Camera& iCamera)
{
    V point;
    iCamera.getRotationCenterPoint(&point);
    return point;
}

// The frame set-up of an 800 x 600 view, without a GL context.
void setUpFrame(Camera& ioCamera, int iWidth = 800, int iHeight = 600)
{
    ioCamera.setScreenData(Camera::ScreenData{iWidth, iHeight});
    ioCamera.initScreen();
    ASSERT_TRUE(ioCamera.setSceneMatrix());
    ioCamera.updateCornerPoints();
}

} // namespace

TEST(CameraTest, DefaultsAndSignalsOnlyOnRealChange)
{
    Camera camera;
    float value = 0;
    camera.getNear(&value);
    EXPECT_FLOAT_EQ(value, 0.01f);
    camera.getFar(&value);
    EXPECT_FLOAT_EQ(value, 100.0f);
    camera.getDegree(&value);
    EXPECT_FLOAT_EQ(value, 30.0f);
    const Camera::LookAtData lookAt = lookAtOf(camera);
    EXPECT_EQ(lookAt.viewPoint, V(0, -10, 0));
    EXPECT_EQ(lookAt.lockOnPoint, V(0, 0, 0));
    EXPECT_EQ(lookAt.upward, V(0, 0, 1));
    int mode = -1;
    camera.getWorkMode(&mode);
    EXPECT_EQ(mode, Camera::Observation);
    EXPECT_FLOAT_EQ(camera.getFrustumLength(), 100.0f - 0.01f);

    QSignalSpy spy(&camera, SIGNAL(changedValue()));
    camera.setNear(0.01f);
    camera.setScreenData(Camera::ScreenData{0, 0});
    camera.setLookAtData(lookAt);
    camera.setWorkMode(Camera::Observation);
    camera.setViewMode(Camera::Observation);
    camera.setRotationCenterPoint(V(0, 0, 0));
    camera.setViewPoint(V(0, -10, 0)); // an edit to the same, already orthonormal view
    EXPECT_EQ(spy.count(), 0);

    camera.setNear(0.5f);
    camera.setFar(50.0f);
    camera.setDegree(20.0f);
    camera.setScreenData(Camera::ScreenData{640, 0});
    camera.setWorkMode(Camera::WalkThrough);
    camera.setRotationCenterPoint(V(1, 2, 3));
    EXPECT_EQ(spy.count(), 6);
    camera.setFar(50.0f);
    camera.setScreenData(Camera::ScreenData{640, 0});
    EXPECT_EQ(spy.count(), 6);

    // Switching the work mode alone leaves the rotation centre until the next edit.
    EXPECT_EQ(rotationCenterOf(camera), V(1, 2, 3));
    // Moving straight back keeps the view orthonormal: the edit's own signal only; the
    // rotation centre follows the eye (WalkThrough) without a signal of its own.
    camera.setViewPoint(V(0, -20, 0));
    EXPECT_EQ(spy.count(), 7);
    EXPECT_EQ(rotationCenterOf(camera), V(0, -20, 0));
}

TEST(CameraTest, LookAtEditsRenormaliseTheUpward)
{
    Camera camera;
    QSignalSpy spy(&camera, SIGNAL(changedValue()));
    // Eye raised: the edit, then normalizeView re-aims upward (a second signal).
    camera.setViewPoint(V(0, -10, 10));
    EXPECT_EQ(spy.count(), 2);
    const double h = std::sqrt(0.5);
    EXPECT_VEC_NEAR(lookAtOf(camera).upward, 0, h, h, 1e-12);
    EXPECT_EQ(rotationCenterOf(camera), V(0, 0, 0));

    camera.setLockOnPoint(V(0, 0, 10));
    EXPECT_VEC_NEAR(lookAtOf(camera).upward, 0, 0, 1, 1e-12);
    EXPECT_EQ(rotationCenterOf(camera), V(0, 0, 10));

    // setLookAtData stores as given, without normalising.
    camera.setLookAtData(makeLookAt(V(0, -10, 0), V(0, 0, 0), V(0, 0, 5)));
    EXPECT_EQ(lookAtOf(camera).upward, V(0, 0, 5));
    camera.normalizeView();
    EXPECT_EQ(lookAtOf(camera).upward, V(0, 0, 1));
}

TEST(CameraTest, DegenerateViewKeepsItsUpward)
{
    Camera camera;
    // Looking straight down along the upward: there is no rightward axis.
    camera.setViewPoint(V(0, 0, 10));
    EXPECT_EQ(lookAtOf(camera).upward, V(0, 0, 1));
    EXPECT_FALSE(camera.setSceneMatrix());
    // Eye on the lock-on point.
    camera.setViewPoint(V(0, 0, 0));
    EXPECT_EQ(lookAtOf(camera).upward, V(0, 0, 1));
    // The camera recovers with the next ordinary edit.
    camera.setViewPoint(V(0, -10, 10));
    const double h = std::sqrt(0.5);
    EXPECT_VEC_NEAR(lookAtOf(camera).upward, 0, h, h, 1e-12);
}

TEST(CameraTest, TranslationsInObservation)
{
    Camera camera;
    camera.translatePlus(4);
    EXPECT_VEC_NEAR(lookAtOf(camera).viewPoint, 0, -6, 0, 1e-12);
    // Never closer than the near distance, on the old axis.
    camera.translatePlus(1000);
    EXPECT_VEC_NEAR(lookAtOf(camera).viewPoint, 0, -double(0.01f), 0, 1e-12);
    EXPECT_EQ(lookAtOf(camera).lockOnPoint, V(0, 0, 0));
    camera.translateMinus(15);
    EXPECT_VEC_NEAR(lookAtOf(camera).viewPoint, 0, -15.0 - double(0.01f), 0, 1e-9);

    Camera side;
    side.translateRight(3);
    EXPECT_VEC_NEAR(lookAtOf(side).viewPoint, 3, -10, 0, 1e-12);
    EXPECT_VEC_NEAR(lookAtOf(side).upward, 0, 0, 1, 1e-12);
    // The eye moved round the lock-on point, so left is now along (-10, -3, 0) / sqrt(109).
    side.translateLeft(3);
    const double r = std::sqrt(109.0);
    EXPECT_VEC_NEAR(lookAtOf(side).viewPoint, 3 - 30 / r, -10 - 9 / r, 0, 1e-12);

    Camera up;
    up.translateUp(2);
    const Camera::LookAtData lookAt = lookAtOf(up);
    EXPECT_VEC_NEAR(lookAt.viewPoint, 0, -10, 2, 1e-12);
    EXPECT_EQ(lookAt.lockOnPoint, V(0, 0, 0));
    // upward re-aimed at right angles to the new view (0, 10, -2).
    const double n = std::sqrt(104.0);
    EXPECT_VEC_NEAR(lookAt.upward, 0, 2 / n, 10 / n, 1e-12);
    up.translateDown(2);
    EXPECT_VEC_NEAR(lookAtOf(up).viewPoint, 0, -10 - 4 / n, 2 - 20 / n, 1e-12);
}

TEST(CameraTest, TranslationsInWalkThroughAndUnknownMode)
{
    Camera camera;
    camera.setWorkMode(Camera::WalkThrough);
    camera.translatePlus(1000); // no near limit: eye and lock-on point move together
    EXPECT_VEC_NEAR(lookAtOf(camera).viewPoint, 0, 990, 0, 1e-9);
    EXPECT_VEC_NEAR(lookAtOf(camera).lockOnPoint, 0, 1000, 0, 1e-9);
    camera.translateRight(3);
    camera.translateUp(2);
    EXPECT_VEC_NEAR(lookAtOf(camera).viewPoint, 3, 990, 2, 1e-9);
    EXPECT_VEC_NEAR(lookAtOf(camera).lockOnPoint, 3, 1000, 2, 1e-9);
    EXPECT_VEC_NEAR(rotationCenterOf(camera), 3, 990, 2, 1e-9);

    Camera idle;
    idle.setWorkMode(7);
    QSignalSpy spy(&idle, SIGNAL(changedValue()));
    idle.translatePlus(1);
    idle.translateUp(1);
    idle.rotateLeft(30);
    EXPECT_EQ(spy.count(), 0);
    idle.rotatePlus(90); // turns in every mode
    EXPECT_GE(spy.count(), 1);
    EXPECT_VEC_NEAR(lookAtOf(idle).upward, 1, 0, 0, 1e-6);
}

TEST(CameraTest, RotationsInObservation)
{
    const double c = std::cos(kRadian90);
    const double s = std::sin(kRadian90);

    Camera up;
    up.rotateUp(90); // the view turns towards upward: the eye goes below
    EXPECT_VEC_NEAR(lookAtOf(up).viewPoint, 0, -10 * c, -10 * s, 1e-12);
    EXPECT_VEC_NEAR(lookAtOf(up).upward, 0, -s, c, 1e-12);
    EXPECT_EQ(lookAtOf(up).lockOnPoint, V(0, 0, 0));

    Camera left;
    left.rotateLeft(90); // the view turns towards -rightward: the eye goes to +x
    EXPECT_VEC_NEAR(lookAtOf(left).viewPoint, 10 * s, -10 * c, 0, 1e-12);
    EXPECT_VEC_NEAR(lookAtOf(left).upward, 0, 0, 1, 1e-12);

    Camera roll;
    roll.rotatePlus(90); // upward turns towards rightward
    EXPECT_VEC_NEAR(lookAtOf(roll).upward, s, 0, c, 1e-12);
    EXPECT_EQ(lookAtOf(roll).viewPoint, V(0, -10, 0));

    Camera right;
    right.rotateRight(25);
    Camera negative;
    negative.rotateLeft(-25);
    EXPECT_VEC_NEAR(lookAtOf(right).viewPoint, lookAtOf(negative).viewPoint.x, lookAtOf(negative).viewPoint.y,
                    lookAtOf(negative).viewPoint.z, 0);

    // A whole turn misses by the shortfall of 3.141592.
    Camera full;
    full.rotateLeft(360);
    const double miss = 2 * 3.141592 - 2 * M_PI;
    EXPECT_NE(lookAtOf(full).viewPoint, V(0, -10, 0));
    EXPECT_NEAR(lookAtOf(full).viewPoint.x, 10 * std::sin(miss), 1e-12);
}

TEST(CameraTest, RotationsInWalkThrough)
{
    const double c = std::cos(kRadian90);
    const double s = std::sin(kRadian90);
    Camera camera;
    camera.setWorkMode(Camera::WalkThrough);
    camera.rotateLeft(90); // the lock-on point turns round the eye
    EXPECT_EQ(lookAtOf(camera).viewPoint, V(0, -10, 0));
    EXPECT_VEC_NEAR(lookAtOf(camera).lockOnPoint, -10 * s, -10 + 10 * c, 0, 1e-12);
    EXPECT_EQ(rotationCenterOf(camera), V(0, -10, 0));
    camera.rotateDown(90);
    EXPECT_VEC_NEAR(lookAtOf(camera).lockOnPoint, -10 * s * c, -10 + 10 * c * c, -10 * s, 1e-9);
}

TEST(CameraTest, SetUpwardAndRightward)
{
    const double h = std::sqrt(0.5);
    Camera camera;
    QSignalSpy spy(&camera, SIGNAL(changedValue()));
    camera.setUpward(V(1, 0, 0)); // along the rightward axis: refused
    camera.setRightward(V(0, 0, 1)); // along the upward: refused
    EXPECT_EQ(spy.count(), 0);

    camera.setUpward(V(0, 1, 1));
    EXPECT_VEC_NEAR(lookAtOf(camera).viewPoint, 0, -10 * h, 10 * h, 1e-12);
    EXPECT_VEC_NEAR(lookAtOf(camera).upward, 0, h, h, 1e-12);

    Camera behind;
    behind.setRightward(V(-1, 0, 0));
    EXPECT_VEC_NEAR(lookAtOf(behind).viewPoint, 0, 10, 0, 1e-12);
    EXPECT_VEC_NEAR(lookAtOf(behind).upward, 0, 0, 1, 1e-12);

    Camera walk;
    walk.setWorkMode(Camera::WalkThrough);
    walk.setRightward(V(-1, 0, 0)); // the lock-on point swings behind the eye
    EXPECT_EQ(lookAtOf(walk).viewPoint, V(0, -10, 0));
    EXPECT_VEC_NEAR(lookAtOf(walk).lockOnPoint, 0, -20, 0, 1e-12);
}

TEST(CameraTest, StaticLookAtOperations)
{
    Camera::LookAtData lookAt = makeLookAt(V(0, -10, 0), V(0, 0, 0), V(0, 0, 3));
    EXPECT_EQ(Camera::getForward(lookAt), V(0, 1, 0));
    EXPECT_EQ(Camera::getUpward(lookAt), V(0, 0, 1));
    EXPECT_EQ(Camera::getRightward(lookAt), V(1, 0, 0));
    EXPECT_EQ(Camera::getForward(makeLookAt(V(1, 1, 1), V(1, 1, 1), V(0, 0, 1))), V(0, 0, 0));

    Camera::setForward(&lookAt, V(1, 0, 0), Camera::Observation);
    EXPECT_EQ(lookAt.viewPoint, V(-10, 0, 0));
    Camera::setForward(&lookAt, V(0, 2, 0), Camera::WalkThrough); // not normalised
    EXPECT_EQ(lookAt.lockOnPoint, V(-10, 20, 0));

    Camera::LookAtData moved = makeLookAt(V(0, -10, 0), V(0, 0, 0), V(0, 0, 3));
    Camera::translatePlus(&moved, 1000, Camera::Observation); // no near limit here
    EXPECT_EQ(moved.viewPoint, V(0, 990, 0));
    Camera::translateUp(&moved, 2, Camera::WalkThrough);
    EXPECT_EQ(moved.viewPoint, V(0, 990, 2));
    EXPECT_EQ(moved.lockOnPoint, V(0, 0, 2));
    const Camera::LookAtData before = moved;
    Camera::translateRight(&moved, 5, static_cast<Camera::ViewMode>(3));
    EXPECT_EQ(moved.viewPoint, before.viewPoint);

    Camera::LookAtData refused = makeLookAt(V(0, -10, 0), V(0, 0, 0), V(0, 0, 1));
    EXPECT_FALSE(Camera::setUpward(&refused, V(2, 0, 0), Camera::Observation));
    EXPECT_FALSE(Camera::setUpward(&refused, V(NAN, 0, 1), Camera::Observation));
    EXPECT_FALSE(Camera::setRightward(&refused, V(0, 0, -4), Camera::Observation));
    EXPECT_EQ(refused.viewPoint, V(0, -10, 0));
    EXPECT_EQ(refused.upward, V(0, 0, 1));
}

TEST(CameraMatrixTest, ProjectionIsGlFrustum)
{
    Camera::FrustumData frustum;
    frustum.near = 0.01f;
    frustum.far = 100.0f;
    frustum.degree = 30.0f;
    double m[16];
    cameramatrix::getProjection(Camera::ScreenData{800, 600}, frustum, m);
    // tan(30 / 180 * 3.141592) = 0.5773501; aspect 4/3.
    const double tangent = std::tan(30.0 / 180.0 * 3.141592);
    const double n = 0.01f;
    EXPECT_NEAR(m[0], 1.0 / (4.0 / 3.0 * tangent), 1e-6);
    EXPECT_NEAR(m[0], 1.2990384, 1e-6);
    EXPECT_NEAR(m[5], 1.7320512, 1e-6);
    EXPECT_NEAR(m[10], -(100.0 + n) / (100.0 - n), 1e-12);
    EXPECT_NEAR(m[14], -2.0 * 100.0 * n / (100.0 - n), 1e-12);
    EXPECT_EQ(m[11], -1.0);
    EXPECT_EQ(m[15], 0.0);
    for (int i : {1, 2, 3, 4, 6, 7, 8, 9, 12, 13})
        EXPECT_EQ(m[i], 0.0) << i;

    // Values GL refuses leave the identity; a zero-size view has no aspect.
    const double identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    cameramatrix::getProjection(Camera::ScreenData{800, 0}, frustum, m);
    EXPECT_TRUE(std::equal(m, m + 16, identity));
    cameramatrix::getProjection(Camera::ScreenData{0, 600}, frustum, m);
    EXPECT_TRUE(std::equal(m, m + 16, identity));
    frustum.near = 0.0f;
    cameramatrix::getProjection(Camera::ScreenData{800, 600}, frustum, m);
    EXPECT_TRUE(std::equal(m, m + 16, identity));
}

TEST(CameraMatrixTest, ModelviewIsLookAt)
{
    double m[16];
    ASSERT_TRUE(cameramatrix::getModelview(makeLookAt(V(0, -10, 0), V(0, 0, 0), V(0, 0, 7)), m));
    // Rows s = (1, 0, 0), u = (0, 0, 1), -f = (0, -1, 0); the origin lies 10 in front.
    const double expected[16] = {1, 0, 0, 0, 0, 0, -1, 0, 0, 1, 0, 0, 0, 0, -10, 1};
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(m[i], expected[i]) << i;

    // A far-off eye keeps its translation in double.
    const V eye(412345.678, 5423456.789, 312.25);
    ASSERT_TRUE(cameramatrix::getModelview(makeLookAt(eye, eye + V(0, 100, 0), V(0, 0, 1)), m));
    EXPECT_EQ(m[12], -412345.678);
    EXPECT_EQ(m[13], -312.25);
    EXPECT_EQ(m[14], 5423456.789);

    EXPECT_FALSE(cameramatrix::getModelview(makeLookAt(eye, eye, V(0, 0, 1)), m));
    EXPECT_EQ(m[0], 1.0);
    EXPECT_EQ(m[14], 0.0);
    EXPECT_FALSE(cameramatrix::getModelview(makeLookAt(V(0, 0, 5), V(0, 0, 0), V(0, 0, 1)), m));
}

TEST(CameraMatrixTest, InverseWithPivoting)
{
    // Zero in the first pivot place: the rows must be swapped.
    const float m[16] = {0, 2, 0, 0, 3, 0, 0, 0, 0, 0, 4, 0, 5, 6, 7, 1};
    float inverse[16];
    ASSERT_TRUE(cameramatrix::invert(m, inverse));
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r) {
            float sum = 0;
            for (int k = 0; k < 4; ++k)
                sum += m[4 * k + r] * inverse[4 * c + k];
            EXPECT_NEAR(sum, r == c ? 1.0f : 0.0f, 1e-6f) << r << "," << c;
        }
    const float singular[16] = {1, 2, 3, 4, 2, 4, 6, 8, 0, 0, 1, 0, 0, 0, 0, 1};
    EXPECT_FALSE(cameramatrix::invert(singular, inverse));
}

TEST(CameraTest, ModelToWindowAndBack)
{
    Camera camera;
    setUpFrame(camera);
    // Origin, 10 in front: the centre of the view; depth from (f + n) / (f - n) and 2fn / (f - n).
    const double n = 0.01f;
    const double depth = ((100 + n) / (100 - n) * 10 - 2 * 100 * n / (100 - n)) / 10;
    EXPECT_VEC_NEAR(camera.convertValueFromModelToGLDevice(V(0, 0, 0)), 400, 300, (depth + 1) * 0.5, 1e-4);
    EXPECT_VEC_NEAR(camera.convertValueFromModelToGLDevice(V(1, 0, 1)), 400 * (1 + 0.12990384), 300 * (1 + 0.17320512),
                    (depth + 1) * 0.5, 1e-3);

    Camera wide;
    wide.setNear(1.0f);
    setUpFrame(wide);
    for (const V& point : {V(0, 0, 0), V(3, 5, -2), V(-20, 60, 14), V(1, -8, 0.5)}) {
        const V window = wide.convertValueFromModelToGLDevice(point);
        const V back = wide.convertValueFromGLDeviceToModel(window);
        const double tolerance = 1e-4 * (1 + std::sqrt((point - V(0, -10, 0)).dot(point - V(0, -10, 0))));
        EXPECT_VEC_NEAR(back, point.x, point.y, point.z, tolerance);
    }

    // The eye plane has no window position; a zero-size viewport no inverse.
    const V eyePlane = wide.convertValueFromModelToGLDevice(V(5, -10, 0));
    EXPECT_LT(eyePlane.z, 0.0);
    Camera empty;
    empty.initScreen();
    const V origin = empty.convertValueFromGLDeviceToModel(V(10, 10, 0.5));
    EXPECT_EQ(origin, V(0, 0, 0));
}

TEST(CameraTest, FarCornersAndPixelSize)
{
    Camera camera;
    setUpFrame(camera);
    // Far plane 100 from the eye at y = 90: half height 100 tan(30), half width 4/3 of it.
    const double halfHeight = 100 * std::tan(30.0 / 180.0 * 3.141592);
    const double halfWidth = halfHeight * 4.0 / 3.0;
    const double tolerance = 0.05; // single-precision unprojection with near 0.01
    EXPECT_VEC_NEAR(camera.getCornerPoint(0), -halfWidth, 90, halfHeight, tolerance);
    EXPECT_VEC_NEAR(camera.getCornerPoint(1), -halfWidth, 90, -halfHeight, tolerance);
    EXPECT_VEC_NEAR(camera.getCornerPoint(2), halfWidth, 90, -halfHeight, tolerance);
    EXPECT_VEC_NEAR(camera.getCornerPoint(3), halfWidth, 90, halfHeight, tolerance);
    EXPECT_EQ(camera.getCornerPoint(7), camera.getCornerPoint(0));
    EXPECT_NEAR(camera.getFarPlanePixelSize(), 2 * halfHeight / 600, 1e-4);

    float size = -1;
    ASSERT_TRUE(camera.getPixelSize(&size, V(0, 10, 0), V(3, 4, 0))); // diameter 5 at 20
    EXPECT_NEAR(size, 5 * 100 / (20 - 2.5), 1e-4);
    size = -1;
    EXPECT_FALSE(camera.getPixelSize(&size, V(0, 10, 0), V(0, 40, 0))); // diameter twice the distance
    EXPECT_EQ(size, -1);

    Camera empty;
    EXPECT_EQ(empty.getFarPlanePixelSize(), 0.0f);
}

TEST(CameraTest, SphereAgainstFrustum)
{
    Camera camera;
    setUpFrame(camera);
    bool completely = false;

    // Inside, 20 in front.
    EXPECT_FALSE(camera.isOutsideSphere(V(0, 10, 0), 1));
    EXPECT_TRUE(camera.isInsideSphere(&completely, V(0, 10, 0), 1));
    EXPECT_TRUE(completely);

    // Outside: behind the eye, beyond the far plane, far to the side; the flag stays.
    for (const V& center : {V(0, -20, 0), V(0, 200, 0), V(200, 10, 0), V(0, 10, -100)}) {
        EXPECT_TRUE(camera.isOutsideSphere(center, 1));
        bool flag = true;
        EXPECT_FALSE(camera.isInsideSphere(&flag, center, 1));
        EXPECT_TRUE(flag);
        flag = false;
        EXPECT_FALSE(camera.isInsideSphere(&flag, center, 1));
        EXPECT_FALSE(flag);
    }

    // Crossing the left plane (x = -20 tan(30) 4/3 at depth 20), the near plane, the far plane.
    const double left = -20 * std::tan(30.0 / 180.0 * 3.141592) * 4.0 / 3.0;
    for (const V& center : {V(left, 10, 0), V(0, -9.5, 0), V(0, 90, 0)}) {
        EXPECT_FALSE(camera.isOutsideSphere(center, 1));
        completely = true;
        EXPECT_TRUE(camera.isInsideSphere(&completely, center, 1));
        EXPECT_FALSE(completely);
    }
}

TEST(CameraTest, FitViewOfABox)
{
    Camera camera;
    setUpFrame(camera);
    // A 2 x 2 square facing the camera round (5, 3, 2). At the mid depth m = 50.005 it spans
    // 2 / (m tan(30)) of the height: 20.78 pixels in both directions, truncated to 20, so
    // s = min(400 / 20, 300 / 20) = 15 and the dolly k = (1 - 1/15) m.
    const V center(5, 3, 2);
    std::vector<V> points;
    for (double x : {-1.0, 1.0})
        for (double z : {-1.0, 1.0})
            points.push_back(center + V(x, 0, z));
    QSignalSpy spy(&camera, SIGNAL(changedValue()));
    camera.fitView(points);
    const double m = 0.01f + (100.0f - 0.01f) * 0.5f;
    const double k = (1 - 1.0 / 15) * m;
    EXPECT_EQ(lookAtOf(camera).lockOnPoint, center);
    EXPECT_VEC_NEAR(lookAtOf(camera).viewPoint, 5, 3 - (m - k), 2, 1e-4);
    EXPECT_VEC_NEAR(lookAtOf(camera).upward, 0, 0, 1, 1e-12);
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(rotationCenterOf(camera), center);

    // Deep points: the nearest one comes to lie on the near plane.
    Camera deep;
    setUpFrame(deep);
    deep.fitView({V(-0.01, -49, -0.01), V(0.01, 49, 0.01)});
    const double nearest = m - 49; // 1.005 from the eye before the move
    EXPECT_VEC_NEAR(lookAtOf(deep).viewPoint, 0, -(m - (nearest - double(0.01f))), 0, 1e-4);
}

TEST(CameraTest, FitViewThatCannotFit)
{
    Camera camera;
    setUpFrame(camera);
    QSignalSpy spy(&camera, SIGNAL(changedValue()));
    camera.fitView({});
    camera.fitView({V(4, 4, 4)}); // one point: no extent
    EXPECT_EQ(spy.count(), 0);

    // A camera without a screen, with the cache of another view.
    Camera unsized;
    QSignalSpy unsizedSpy(&unsized, SIGNAL(changedValue()));
    unsized.fitView({V(-1, 0, -1), V(1, 0, 1)});
    EXPECT_EQ(unsizedSpy.count(), 0);
    EXPECT_EQ(lookAtOf(unsized).viewPoint, V(0, -10, 0));
}
