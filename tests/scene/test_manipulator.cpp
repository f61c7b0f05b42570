// The manipulator: change reporting, translate and rotate rules, and its picking colours.
#include "manipulator.h"

#include <QGLWidget>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

Q_DECLARE_METATYPE(Vector3T<double>)

namespace {

using V = Vector3T<double>;
using M = Matrix4x4T<double>;

M FL_matrix(std::initializer_list<double> iRowMajor)
{
    M m;
    int i = 0;
    for (double v : iRowMajor)
        m[i++] = v;
    return m;
}

void FL_expectNear(const M& iActual, const M& iExpected, double iTolerance)
{
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(iActual[i], iExpected[i], iTolerance) << "element " << i;
}

class ManipulatorGLTest : public ::testing::Test
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
        // Unit handles a quarter of the view, so the guide lines show beyond them.
        glScalef(0.25f, 0.25f, 0.25f);
        clear();
    }
    void TearDown() override
    {
        if (mWidget)
            mWidget->doneCurrent();
    }
    static void clear()
    {
        glClearColor(1, 1, 1, 1);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    // The pixel at normalised device coordinates.
    static Color pixel(double iX, double iY)
    {
        unsigned char rgba[4] = {0, 0, 0, 0};
        glReadPixels(static_cast<int>((iX + 1) * 100), static_cast<int>((iY + 1) * 100), 1, 1, GL_RGBA,
                     GL_UNSIGNED_BYTE, rgba);
        return Color(rgba[0], rgba[1], rgba[2], rgba[3]);
    }
    static SceneParameter pass(int iPass)
    {
        SceneParameter parameter;
        parameter.drawPass = iPass;
        return parameter;
    }

    std::unique_ptr<QGLWidget> mWidget;
};

const Color FL_WHITE(255, 255, 255, 255);

} // namespace

TEST(ManipulatorTest, DefaultsAndVisibility)
{
    Manipulator manipulator;
    EXPECT_FALSE(manipulator.isVisible());
    EXPECT_EQ(manipulator.getMatrix(), M());
    EXPECT_EQ(manipulator.activeHandle, Manipulator::NoHandle);
    EXPECT_EQ(manipulator.activeHandle, 6);

    QSignalSpy visible(&manipulator, SIGNAL(changedVisible(bool)));
    manipulator.setVisible(false);
    manipulator.setVisible(true);
    manipulator.setVisible(true);
    ASSERT_EQ(visible.count(), 1);
    EXPECT_EQ(visible.at(0).at(0).toBool(), true);
    manipulator.setVisible(false);
    ASSERT_EQ(visible.count(), 2);
    EXPECT_EQ(visible.at(1).at(0).toBool(), false);
}

TEST(ManipulatorTest, SetMatrixReportsRealChangesAndNaN)
{
    Manipulator manipulator;
    QSignalSpy matrix(&manipulator, SIGNAL(changedMatrix()));
    manipulator.setMatrix(M());
    EXPECT_EQ(matrix.count(), 0);
    M nan;
    nan(0, 3) = std::numeric_limits<double>::quiet_NaN();
    manipulator.setMatrix(nan);
    manipulator.setMatrix(nan);
    EXPECT_EQ(matrix.count(), 2);
}

TEST(ManipulatorTest, TranslateAlongTheWorldAxes)
{
    Manipulator manipulator;
    std::vector<std::string> order;
    QObject::connect(&manipulator, &Manipulator::changedMatrix, [&order]() { order.push_back("matrix"); });
    QObject::connect(&manipulator, &Manipulator::translated, [&order](const V& iV) {
        order.push_back("translated " + std::to_string(iV.x) + " " + std::to_string(iV.y));
    });

    manipulator.translate(V(0, 0, 0));
    EXPECT_TRUE(order.empty());

    manipulator.translate(V(1, -2, 0));
    EXPECT_EQ(order, (std::vector<std::string>{"matrix", "translated 1.000000 -2.000000"}));

    // Turned 90 degrees about z, a move along x still goes along world x.
    order.clear();
    manipulator.setMatrix(M());
    manipulator.rotate(V(0, 0, 1), 90);
    manipulator.translate(V(1, 0, 0));
    FL_expectNear(manipulator.getMatrix(), FL_matrix({0, -1, 0, 1, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}), 1e-6);

    // A move that leaves the matrix as it was is still announced.
    M big;
    big(0, 3) = 1e20;
    manipulator.setMatrix(big);
    order.clear();
    manipulator.translate(V(1, 0, 0));
    EXPECT_EQ(order, (std::vector<std::string>{"translated 1.000000 0.000000"}));
}

TEST(ManipulatorTest, RotateInTheOwnFrameKeepingThePlace)
{
    qRegisterMetaType<Vector3T<double>>("Vector3T<double>");
    Manipulator manipulator;
    QSignalSpy matrix(&manipulator, SIGNAL(changedMatrix()));
    QSignalSpy rotated(&manipulator, SIGNAL(rotated(Vector3T<double>, double)));

    manipulator.rotate(V(0, 0, 0), 45);
    EXPECT_EQ(matrix.count(), 0);
    EXPECT_EQ(rotated.count(), 0);

    manipulator.rotate(V(0, 0, 1), 0);
    EXPECT_EQ(matrix.count(), 0);
    ASSERT_EQ(rotated.count(), 1);
    EXPECT_EQ(rotated.at(0).at(1).toDouble(), 0.0);

    // Turned 90 degrees about x and placed at (5, 0, 0); 90 degrees about its own z.
    manipulator.setMatrix(FL_matrix({1, 0, 0, 5, 0, 0, -1, 0, 0, 1, 0, 0, 0, 0, 0, 1}));
    matrix.clear();
    manipulator.rotate(V(0, 0, 1), 90);
    EXPECT_EQ(matrix.count(), 1);
    EXPECT_EQ(rotated.count(), 2);
    FL_expectNear(manipulator.getMatrix(), FL_matrix({0, -1, 0, 5, 0, 0, -1, 0, 1, 0, 0, 0, 0, 0, 0, 1}), 1e-6);

    // The axis is used as given: (2, 0, 0) by 90 degrees gives rows (4, 0, 0), (0, c, -2s), (0, 2s, c).
    manipulator.setMatrix(M());
    manipulator.rotate(V(2, 0, 0), 90);
    FL_expectNear(manipulator.getMatrix(), FL_matrix({4, 0, 0, 0, 0, 0, -2, 0, 0, 2, 0, 0, 0, 0, 0, 1}), 1e-5);
}

TEST_F(ManipulatorGLTest, IDPassCarriesTheHandleNumbers)
{
    Manipulator manipulator;
    manipulator.draw(6, pass(2));
    // Axes (drawn last) lie on the centre lines; the z ring is a circle of radius 1 (0.25 here).
    EXPECT_EQ(pixel(0.15, 0), Color(0, 0, 0, 0));
    EXPECT_EQ(pixel(0, 0.15), Color(1, 0, 0, 0));
    const double d = 0.25 * std::cos(3.141592 / 4);
    EXPECT_EQ(pixel(d, d), Color(5, 0, 0, 0));
    EXPECT_EQ(pixel(0.6, 0.6), FL_WHITE);

    // Turned 90 degrees about x, the y ring (sin, 0, cos) faces the viewer instead; the rings
    // turn with the manipulator.
    clear();
    manipulator.rotate(V(1, 0, 0), 90);
    manipulator.draw(6, pass(2));
    EXPECT_EQ(pixel(d, d), Color(4, 0, 0, 0));

    clear();
    manipulator.draw(6, pass(1));
    EXPECT_EQ(pixel(d, d), Color(4, 0, 0, 0));
    EXPECT_EQ(pixel(0.15, 0), Color(4, 0, 0, 0));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(ManipulatorGLTest, NormalPassLightensTheActiveHandle)
{
    Manipulator manipulator;
    manipulator.draw(6, pass(0));
    EXPECT_EQ(pixel(0.15, 0), Color(255, 0, 0, 255));
    EXPECT_EQ(pixel(0, 0.15), Color(0, 255, 0, 255));

    clear();
    manipulator.activeHandle = Manipulator::TranslateY;
    manipulator.draw(6, pass(0));
    EXPECT_EQ(pixel(0.15, 0), Color(255, 0, 0, 255));
    EXPECT_EQ(pixel(0, 0.15), Color(155, 255, 155, 255));
    const double d = 0.25 * std::cos(3.141592 / 4);
    EXPECT_EQ(pixel(d, d), Color(0, 0, 255, 255));

    clear();
    manipulator.activeHandle = Manipulator::RotateZ;
    manipulator.draw(6, pass(0));
    EXPECT_EQ(pixel(d, d), Color(155, 155, 255, 255));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(ManipulatorGLTest, GuideLinesFollowTheActiveHandle)
{
    Manipulator manipulator;
    manipulator.draw(6, pass(2));
    EXPECT_EQ(pixel(0.75, 0), FL_WHITE) << "no guide without an active handle";
    EXPECT_EQ(pixel(0, 0.75), FL_WHITE);

    clear();
    manipulator.activeHandle = Manipulator::TranslateX;
    manipulator.draw(6, pass(2));
    EXPECT_EQ(pixel(0.75, 0), Color(0, 0, 0, 0));
    EXPECT_EQ(pixel(0, 0.75), FL_WHITE);

    // Turned 90 degrees about z: the guides of the y ring run along the manipulator's own x
    // and z axes, so its x guide now lies along world y. The translation guide stays on world x.
    manipulator.rotate(V(0, 0, 1), 90);
    clear();
    manipulator.activeHandle = Manipulator::RotateY;
    manipulator.draw(6, pass(2));
    EXPECT_EQ(pixel(0, 0.75), Color(4, 0, 0, 0));
    EXPECT_EQ(pixel(0.75, 0), FL_WHITE);

    clear();
    manipulator.activeHandle = Manipulator::TranslateX;
    manipulator.draw(6, pass(2));
    EXPECT_EQ(pixel(0.75, 0), Color(0, 0, 0, 0));
    EXPECT_EQ(pixel(0, 0.75), FL_WHITE);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}
