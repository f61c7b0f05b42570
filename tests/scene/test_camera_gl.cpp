// The frame set-up against a real GL context: GL must hold what the camera computes.
#include "camera.h"
#include "cameramatrix.h"

#include <QGLWidget>
#include <QGuiApplication>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

using V = Vector3T<double>;

class CameraGLTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QString platform = QGuiApplication::platformName();
        if (platform == "offscreen" || platform == "minimal")
            GTEST_SKIP() << "GL widgets need a display";
        QGLFormat format;
        format.setAlpha(true);
        format.setDepth(true);
        mWidget = std::make_unique<QGLWidget>(format);
        mWidget->resize(320, 240);
        mWidget->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(mWidget.get()));
        mWidget->makeCurrent();
        ASSERT_TRUE(mWidget->isValid());
    }

    void TearDown() override
    {
        if (mWidget)
            mWidget->doneCurrent();
        mWidget.reset();
    }

    std::unique_ptr<QGLWidget> mWidget;
};

} // namespace

TEST_F(CameraGLTest, GlHoldsTheComputedMatrices)
{
    Camera camera;
    camera.setScreenData(Camera::ScreenData{320, 240});
    camera.setNear(0.5f);
    Camera::LookAtData lookAt;
    lookAt.viewPoint = V(3, -7, 2);
    lookAt.lockOnPoint = V(1, 1, 0.5);
    lookAt.upward = V(0.1, 0, 1);
    camera.setLookAtData(lookAt);

    camera.initScreen();
    ASSERT_TRUE(camera.setSceneMatrix());
    camera.updateCornerPoints();

    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[0], 0);
    EXPECT_EQ(viewport[1], 0);
    EXPECT_EQ(viewport[2], 320);
    EXPECT_EQ(viewport[3], 240);

    Camera::FrustumData frustum;
    camera.getFrustumData(&frustum);
    double expected[16];
    double actual[16];
    cameramatrix::getProjection(Camera::ScreenData{320, 240}, frustum, expected);
    glGetDoublev(GL_PROJECTION_MATRIX, actual);
    for (int i = 0; i < 16; ++i)
        EXPECT_FLOAT_EQ(actual[i], expected[i]) << i;
    ASSERT_TRUE(cameramatrix::getModelview(lookAt, expected));
    glGetDoublev(GL_MODELVIEW_MATRIX, actual);
    for (int i = 0; i < 16; ++i)
        EXPECT_FLOAT_EQ(actual[i], expected[i]) << i;

    // The cached conversion agrees with projecting by GL's own matrices.
    double projection[16];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    const double point[4] = {2, 4, 1, 1};
    double eye[4];
    double clip[4];
    for (int r = 0; r < 4; ++r)
        eye[r] = actual[r] * point[0] + actual[4 + r] * point[1] + actual[8 + r] * point[2] + actual[12 + r];
    for (int r = 0; r < 4; ++r)
        clip[r] = projection[r] * eye[0] + projection[4 + r] * eye[1] + projection[8 + r] * eye[2] +
                  projection[12 + r] * eye[3];
    const V window = camera.convertValueFromModelToGLDevice(V(point[0], point[1], point[2]));
    EXPECT_NEAR(window.x, 160 * (clip[0] / clip[3] + 1), 1e-3);
    EXPECT_NEAR(window.y, 120 * (clip[1] / clip[3] + 1), 1e-3);
    EXPECT_NEAR(window.z, 0.5 * (clip[2] / clip[3] + 1), 1e-5);

    // Cleared to white and to the far depth.
    unsigned char pixel[4] = {0, 0, 0, 0};
    glReadPixels(10, 10, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    EXPECT_EQ(pixel[0], 255);
    EXPECT_EQ(pixel[1], 255);
    EXPECT_EQ(pixel[2], 255);
    EXPECT_EQ(pixel[3], 255);
    float depth = 0;
    glReadPixels(10, 10, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    EXPECT_EQ(depth, 1.0f);
    camera.renderDepth();
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(CameraGLTest, InvalidLookAtLeavesTheIdentity)
{
    Camera camera;
    camera.setScreenData(Camera::ScreenData{320, 240});
    Camera::LookAtData lookAt;
    lookAt.viewPoint = V(0, 0, 10);
    lookAt.lockOnPoint = V(0, 0, 0);
    lookAt.upward = V(0, 0, 1); // along the view
    camera.setLookAtData(lookAt);
    camera.initScreen();
    EXPECT_FALSE(camera.setSceneMatrix());
    double modelview[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(modelview[i], i % 5 == 0 ? 1.0 : 0.0) << i;
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}
