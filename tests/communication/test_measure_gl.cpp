// Measures drawn into a real GL frame buffer and read back: the picking colours must arrive
// unchanged, alpha included, and the label must sit with its lower-left corner at its anchor.
#include "measuremanager.h"

#include "camera.h"
#include "sceneparameter.h"

#include <QGLFramebufferObject>
#include <QGLWidget>
#include <QGuiApplication>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

using V = Vector3T<double>;

const int kWidth = 320;
const int kHeight = 240;

class MeasureGLTest : public ::testing::Test
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
        format.setSampleBuffers(false); // picking colours must not be blended at edges
        mWidget = std::make_unique<QGLWidget>(format);
        mWidget->resize(kWidth, kHeight);
        mWidget->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(mWidget.get()));
        mWidget->makeCurrent();
        ASSERT_TRUE(mWidget->isValid());
        ASSERT_TRUE(QGLFramebufferObject::hasOpenGLFramebufferObjects());
        mBuffer = std::make_unique<QGLFramebufferObject>(kWidth, kHeight, QGLFramebufferObject::Depth);
        ASSERT_TRUE(mBuffer->isValid());
        ASSERT_TRUE(mBuffer->bind());

        // Eye on -y looking at the origin, z up: the plane y = 0 faces the screen.
        mCamera.setScreenData(Camera::ScreenData{kWidth, kHeight});
        mCamera.setNear(1.0f);
    }

    void TearDown() override
    {
        if (mBuffer) {
            mBuffer->release();
            mBuffer.reset();
        }
        if (mWidget)
            mWidget->doneCurrent();
        mWidget.reset();
    }

    // Viewport, white clear, camera matrices.
    void beginFrame()
    {
        mCamera.initScreen();
        ASSERT_TRUE(mCamera.setSceneMatrix());
        glDisable(GL_BLEND);
        glDisable(GL_DEPTH_TEST);
    }

    Color pixel(int iX, int iY)
    {
        glFinish();
        unsigned char rgba[4] = {0, 0, 0, 0};
        glReadPixels(iX, iY, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
        return Color(rgba[0], rgba[1], rgba[2], rgba[3]);
    }

    std::unique_ptr<QGLWidget> mWidget;
    std::unique_ptr<QGLFramebufferObject> mBuffer;
    Camera mCamera;
};

} // namespace

TEST_F(MeasureGLTest, LengthDrawsItsIndexColourInTheObjectIDPass)
{
    // 259 measures; only the last one, index 258, is visible: a line across the centre.
    MeasureManager manager;
    for (int i = 0; i < 258; ++i) {
        ASSERT_TRUE(manager.createMeasureLength({V(-1, 0, -1), V(1, 0, -1)}));
        manager.getData(i)->disableState(Object3D::Visible);
    }
    ASSERT_TRUE(manager.createMeasureLength({V(-2, 0, 0), V(2, 0, 0)}));
    manager.parameter.lineWidth = 5;

    beginFrame();
    manager.draw3DPart(manager.parameter, SceneParameter{SceneParameter::Normal, SceneParameter::ObjectIDPass},
                       mCamera);
    EXPECT_EQ(pixel(kWidth / 2, kHeight / 2).toUInt32(), 258u);
    EXPECT_EQ(pixel(kWidth / 2, kHeight / 2), Color(2, 1, 0, 0));
    // The hidden line one unit lower is not there.
    const int lower = static_cast<int>(mCamera.convertValueFromModelToGLDevice(V(0, 0, -1)).y);
    EXPECT_EQ(pixel(kWidth / 2, lower), Color(255, 255, 255, 255));
    EXPECT_EQ(pixel(kWidth / 2, kHeight / 2 + 10), Color(255, 255, 255, 255));

    // The type pass: 1 in red; the normal pass: the state colours.
    beginFrame();
    manager.draw3DPart(manager.parameter, SceneParameter{SceneParameter::Normal, SceneParameter::ObjectTypePass},
                       mCamera);
    EXPECT_EQ(pixel(kWidth / 2, kHeight / 2), Color(1, 0, 0, 0));

    manager.getData(258)->enableState(Object3D::Selected);
    beginFrame();
    manager.draw3DPart(manager.parameter, SceneParameter(), mCamera);
    EXPECT_EQ(pixel(kWidth / 2, kHeight / 2), Color(255, 0, 0, 255));

    // A hidden manager draws nothing.
    manager.disableState(Object3D::Visible);
    beginFrame();
    manager.draw3DPart(manager.parameter, SceneParameter{SceneParameter::Normal, SceneParameter::ObjectIDPass},
                       mCamera);
    EXPECT_EQ(pixel(kWidth / 2, kHeight / 2), Color(255, 255, 255, 255));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(MeasureGLTest, AngleArcAndLabelImage)
{
    MeasureManager manager;
    // A right angle at the centre, arms to the right and upwards.
    ASSERT_TRUE(manager.createMeasureAngle({V(3, 0, 0), V(0, 0, 0), V(0, 0, 3)}));
    manager.parameter.lineWidth = 3;
    Measure* angle = manager.getData(0);

    beginFrame();
    manager.draw3DPart(manager.parameter, SceneParameter{SceneParameter::Normal, SceneParameter::ObjectIDPass},
                       mCamera);
    // The arc is about 40 pixels from the vertex; on the diagonal it is drawn, inside it not.
    const int d = static_cast<int>(40 / std::sqrt(2.0) + 0.5);
    EXPECT_EQ(pixel(kWidth / 2 + d, kHeight / 2 + d), Color(0, 0, 0, 0));
    EXPECT_EQ(pixel(kWidth / 2 + 14, kHeight / 2 + 14), Color(255, 255, 255, 255));

    // A 2 x 2 label: the bottom row first, lower-left corner at the vertex.
    angle->labelImage = {10, 20, 30, 255, 11, 21, 31, 255, 40, 50, 60, 255, 41, 51, 61, 255};
    angle->labelWidth = 2;
    angle->labelHeight = 2;
    beginFrame();
    manager.draw2DPart(nullptr, manager.parameter, SceneParameter(), mCamera);
    const V anchor = mCamera.convertValueFromModelToGLDevice(V(0, 0, 0));
    const int x = static_cast<int>(std::lround(anchor.x));
    const int y = static_cast<int>(std::lround(anchor.y));
    EXPECT_EQ(pixel(x, y), Color(10, 20, 30, 255));
    EXPECT_EQ(pixel(x + 1, y), Color(11, 21, 31, 255));
    EXPECT_EQ(pixel(x, y + 1), Color(40, 50, 60, 255));
    EXPECT_EQ(pixel(x + 1, y + 1), Color(41, 51, 61, 255));

    // A size larger than the buffer is not drawn (it would be read past its end).
    angle->labelWidth = 3;
    beginFrame();
    manager.draw2DPart(nullptr, manager.parameter, SceneParameter(), mCamera);
    EXPECT_EQ(pixel(x, y), Color(255, 255, 255, 255));

    // Nothing either for a hidden measure.
    angle->labelWidth = 2;
    angle->disableState(Object3D::Visible);
    beginFrame();
    manager.draw2DPart(nullptr, manager.parameter, SceneParameter(), mCamera);
    manager.draw3DPart(manager.parameter, SceneParameter(), mCamera);
    EXPECT_EQ(pixel(x, y), Color(255, 255, 255, 255));
    EXPECT_EQ(pixel(kWidth / 2 + d, kHeight / 2 + d), Color(255, 255, 255, 255));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}
