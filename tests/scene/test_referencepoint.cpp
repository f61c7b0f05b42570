// The picked reference points, their limit, the preview point and their drawing.
#include "referencepoint.h"

#include "color.h"

#include <QGLWidget>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

using V = Vector3T<double>;

class ReferencePointGLTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QString platform = QGuiApplication::platformName();
        if (platform == "offscreen" || platform == "minimal")
            GTEST_SKIP() << "GL widgets need a display";
        QGLFormat format;
        format.setAlpha(true);
        mWidget = std::make_unique<QGLWidget>(format);
        mWidget->resize(200, 200);
        mWidget->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(mWidget.get()));
        mWidget->makeCurrent();
        glViewport(0, 0, 200, 200);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    void TearDown() override
    {
        if (mWidget)
            mWidget->doneCurrent();
    }

    // The pixel at normalised device coordinates (x, y), nudged by whole pixels.
    static Color pixel(double iX, double iY, int iDx = 0, int iDy = 0)
    {
        unsigned char rgba[4] = {0, 0, 0, 0};
        glReadPixels(static_cast<int>((iX + 1) * 100) + iDx, static_cast<int>((iY + 1) * 100) + iDy, 1, 1, GL_RGBA,
                     GL_UNSIGNED_BYTE, rgba);
        return Color(rgba[0], rgba[1], rgba[2], rgba[3]);
    }

    std::unique_ptr<QGLWidget> mWidget;
};

} // namespace

TEST(ReferencePointTest, LimitDecidesWhatIsAccepted)
{
    ReferencePointManager manager;
    EXPECT_EQ(manager.pointLimit, 1u);
    QSignalSpy structure(&manager, SIGNAL(changedStructure()));
    QSignalSpy value(&manager, SIGNAL(changedValue()));

    manager.addNewReferencePoint(V(1, 2, 3));
    manager.addNewReferencePoint(V(4, 5, 6)); // over the default limit of one
    EXPECT_EQ(structure.count(), 1);
    ASSERT_EQ(manager.referencePoints.size(), 1u);
    EXPECT_EQ(manager.referencePoints[0], V(1, 2, 3));

    manager.pointLimit = 0; // no limit
    for (int i = 0; i < 100; ++i)
        manager.addNewReferencePoint(V(i, 0, 0));
    EXPECT_EQ(manager.referencePoints.size(), 101u);
    EXPECT_EQ(structure.count(), 101);

    // A lower limit keeps the points and refuses new ones.
    manager.pointLimit = 3;
    manager.addNewReferencePoint(V(9, 9, 9));
    EXPECT_EQ(manager.referencePoints.size(), 101u);
    EXPECT_EQ(structure.count(), 101);
    EXPECT_EQ(value.count(), 0);
}

TEST(ReferencePointTest, DeletingReportsOnlyWhenSomethingGoes)
{
    ReferencePointManager manager;
    manager.pointLimit = 3;
    QSignalSpy structure(&manager, SIGNAL(changedStructure()));
    manager.deleteReferencePointLast();
    manager.deleteReferencePointALL();
    EXPECT_EQ(structure.count(), 0);

    manager.addNewReferencePoint(V(1, 0, 0));
    manager.addNewReferencePoint(V(2, 0, 0));
    manager.addNewReferencePoint(V(3, 0, 0));
    structure.clear();
    manager.deleteReferencePointLast();
    ASSERT_EQ(manager.referencePoints.size(), 2u);
    EXPECT_EQ(manager.referencePoints.back(), V(2, 0, 0));
    manager.deleteReferencePointALL();
    EXPECT_TRUE(manager.referencePoints.empty());
    EXPECT_EQ(structure.count(), 2);
    manager.deleteReferencePointALL();
    EXPECT_EQ(structure.count(), 2);
}

TEST(ReferencePointTest, PreviewPointAlwaysReports)
{
    ReferencePointManager manager;
    QSignalSpy structure(&manager, SIGNAL(changedStructure()));
    EXPECT_EQ(manager.getPreviewPoint(), nullptr);
    manager.disablePreviewPoint();
    EXPECT_EQ(structure.count(), 1);

    manager.enablePreviewPoint(V(1, 2, 3));
    ASSERT_NE(manager.getPreviewPoint(), nullptr);
    EXPECT_EQ(*manager.getPreviewPoint(), V(1, 2, 3));
    manager.enablePreviewPoint(V(1, 2, 3));
    manager.enablePreviewPoint(V(4, 5, 6));
    EXPECT_EQ(*manager.getPreviewPoint(), V(4, 5, 6));
    EXPECT_EQ(structure.count(), 4);
    manager.disablePreviewPoint();
    EXPECT_EQ(manager.getPreviewPoint(), nullptr);
    EXPECT_EQ(structure.count(), 5);
    EXPECT_TRUE(manager.referencePoints.empty()); // the preview is no picked point
}

TEST_F(ReferencePointGLTest, DrawsPointsLinesAndPreview)
{
    ReferencePointManager manager;
    manager.pointLimit = 0;
    manager.addNewReferencePoint(V(-0.5, -0.5, 0));
    manager.addNewReferencePoint(V(0.5, -0.5, 0));
    manager.enablePreviewPoint(V(0.5, 0.5, 0));
    manager.draw(10, 4);

    // Points in green, beside the line that passes through them.
    EXPECT_EQ(pixel(-0.5, -0.5, 0, 4), Color(0, 255, 0, 255));
    // The line through the picked points.
    EXPECT_EQ(pixel(0, -0.5), Color(100, 255, 100, 255));
    // The preview point and the pale line to it from the last point.
    EXPECT_EQ(pixel(0.5, 0.5, -4, 4), Color(100, 255, 100, 255));
    EXPECT_EQ(pixel(0.5, 0), Color(200, 255, 200, 255));
    EXPECT_EQ(pixel(-0.5, 0.5), Color(0, 0, 0, 0));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(ReferencePointGLTest, PreviewAloneIsOnlyAPoint)
{
    ReferencePointManager manager;
    manager.enablePreviewPoint(V(0, 0, 0));
    manager.draw(10, 4);
    EXPECT_EQ(pixel(0, 0), Color(100, 255, 100, 255));
    EXPECT_EQ(pixel(0, 0, 8, 0), Color(0, 0, 0, 0));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}
