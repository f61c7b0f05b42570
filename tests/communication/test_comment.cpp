#include "comment.h"
#include "commentmanager.h"

#include "camera.h"
#include "sceneparameter.h"

#include <QGLWidget>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

using V = Vector3T<double>;

} // namespace

TEST(CommentTest, CreateSetsPointAnchorBoxAndRefusesEmptyTitle)
{
    EXPECT_EQ(Comment::create(V(1, 2, 3), "", {"Text"}), nullptr);

    std::unique_ptr<Comment> comment(Comment::create(V(1, 2, 3), "Title", {"Text", "second"}));
    ASSERT_TRUE(comment);
    EXPECT_EQ(comment->getName(), "Title");
    EXPECT_EQ(comment->getText(), (std::vector<std::string>{"Text", "second"}));
    EXPECT_EQ(comment->getPoint(), V(1, 2, 3));
    EXPECT_EQ(comment->getLabelPoint(), V(2, 3, 4));
    EXPECT_EQ(comment->getBoundingBox().getCenter(), V(1.5, 2.5, 3.5));
    EXPECT_EQ(comment->getBoundingBox().getSize(), V(1, 1, 1));
    EXPECT_TRUE(comment->hasState(Object3D::Visible));
    EXPECT_EQ(comment->parent(), nullptr);
    EXPECT_TRUE(comment->isErasable());
}

TEST(CommentTest, SetEmptiesTheLabelAndSignalsOnce)
{
    Comment comment;
    comment.set(V(0, 0, 0), "A", {"x"});
    comment.labelImage.assign(16, 7);
    comment.labelWidth = 2;
    comment.labelHeight = 2;

    QSignalSpy value(&comment, SIGNAL(changedValue()));
    QSignalSpy name(&comment, SIGNAL(changedName()));
    QSignalSpy box(&comment, SIGNAL(changedBoudingBox()));
    comment.set(V(5, 0, 0), "B", {"y"});
    EXPECT_TRUE(comment.labelImage.empty());
    EXPECT_EQ(value.count(), 1);
    EXPECT_EQ(name.count(), 1);
    EXPECT_EQ(box.count(), 1);

    // Same point and title: only the text and the label change.
    comment.set(V(5, 0, 0), "B", {"z"});
    EXPECT_EQ(value.count(), 2);
    EXPECT_EQ(name.count(), 1);
    EXPECT_EQ(box.count(), 1);

    // set itself takes an empty title (a renamed comment may have one).
    comment.set(V(5, 0, 0), "", {});
    EXPECT_EQ(comment.getName(), "");
    EXPECT_TRUE(comment.getText().empty());
}

namespace {

// A 320 × 240 GL view looking from (0, -10, 0) at the origin with z up.
class CommentGLTest : public ::testing::Test
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
        mCamera.setScreenData(Camera::ScreenData{320, 240});
        Camera::LookAtData lookAt;
        lookAt.viewPoint = V(0, -10, 0);
        lookAt.upward = V(0, 0, 1);
        mCamera.setLookAtData(lookAt);
        mCamera.initScreen();
        ASSERT_TRUE(mCamera.setSceneMatrix());
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_BLEND);
    }

    void TearDown() override
    {
        if (mWidget)
            mWidget->doneCurrent();
        mWidget.reset();
    }

    // The pixel where iModel lands, moved iOffset pixels right and up.
    Color pixel(const V& iModel, int iOffset = 0) const
    {
        const V device = mCamera.convertValueFromModelToGLDevice(iModel);
        unsigned char rgba[4] = {0, 0, 0, 0};
        glReadPixels(int(device.x) + iOffset, int(device.y) + iOffset, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
        return expected(Color(rgba[0], rgba[1], rgba[2], rgba[3]));
    }

    // Alpha is compared only where the framebuffer keeps it.
    static Color expected(Color iColor)
    {
        GLint alphaBits = 0;
        glGetIntegerv(GL_ALPHA_BITS, &alphaBits);
        if (alphaBits == 0)
            iColor.alpha = 0;
        return iColor;
    }

    std::unique_ptr<QGLWidget> mWidget;
    Camera mCamera;
};

} // namespace

TEST_F(CommentGLTest, LeaderLineInTheIndexColourAndLabelAtTheAnchor)
{
    CommentManager manager;
    CommentParameter para = manager.getPara();
    para.lineWidth = 5;
    // Comment 258 alone is visible; its leader line crosses the middle of the view.
    for (int i = 0; i < 259; ++i) {
        ASSERT_TRUE(manager.createComment(V(-0.5, 0, -0.5), "c", {"t"}));
        if (i < 258)
            manager.getData(i)->disableState(Object3D::Visible);
    }
    SceneParameter scene;
    scene.drawPass = SceneParameter::ObjectIDPass;
    manager.draw3DPart(para, scene, mCamera);
    glFlush();
    EXPECT_EQ(pixel(V(0, 0.5, 0)), expected(Color(2, 1, 0, 0)));

    // The stored label goes to the anchor (its lower-left corner); a label shorter than its
    // stated size is not drawn.
    mCamera.initScreen();
    ASSERT_TRUE(mCamera.setSceneMatrix());
    Comment* comment = manager.getData(258);
    comment->labelWidth = 4;
    comment->labelHeight = 4;
    comment->labelImage.assign(4 * 4 * 4 - 1, 0);
    manager.draw2DPart(mWidget.get(), para, scene, mCamera);
    glFlush();
    EXPECT_EQ(pixel(V(0.5, 1, 0.5), 2), expected(Color(255, 255, 255, 255)));

    comment->labelImage.clear();
    for (int i = 0; i < 16; ++i)
        comment->labelImage.insert(comment->labelImage.end(), {10, 20, 30, 255});
    manager.draw2DPart(mWidget.get(), para, scene, mCamera);
    glFlush();
    EXPECT_EQ(pixel(V(0.5, 1, 0.5), 2), expected(Color(10, 20, 30, 255)));

    // A hidden manager draws nothing.
    manager.disableState(Object3D::Visible);
    mCamera.initScreen();
    ASSERT_TRUE(mCamera.setSceneMatrix());
    manager.draw3DPart(para, scene, mCamera);
    manager.draw2DPart(mWidget.get(), para, scene, mCamera);
    glFlush();
    EXPECT_EQ(pixel(V(0, 0.5, 0)), expected(Color(255, 255, 255, 255)));
    EXPECT_EQ(pixel(V(0.5, 1, 0.5), 2), expected(Color(255, 255, 255, 255)));
}

TEST_F(CommentGLTest, NoLeaderLineFromAPointBeyondTheDepthRange)
{
    // Looking down -y: the anchor lies nearer than the point. With the far plane at 100
    // the point is beyond it while the anchor end of the line is not.
    Camera::LookAtData lookAt;
    lookAt.viewPoint = V(0, 10, 0);
    lookAt.upward = V(0, 0, 1);
    mCamera.setLookAtData(lookAt);
    std::unique_ptr<Comment> comment(Comment::create(V(-0.5, -90.5, -0.5), "far", {}));
    CommentParameter para;
    para.lineWidth = 5;
    para.lineColor = Color(0, 0, 255, 255);
    const V onLine(0.25, -89.75, 0.25);

    for (float far : {100.0f, 200.0f}) {
        mCamera.setFar(far);
        mCamera.initScreen();
        ASSERT_TRUE(mCamera.setSceneMatrix());
        comment->draw3DPart(para, mCamera);
        glFlush();
        EXPECT_EQ(pixel(onLine), expected(far < 150 ? Color(255, 255, 255, 255) : para.lineColor)) << far;
    }
}
