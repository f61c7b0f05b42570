#include "background.h"

#include "testutil.h"

#include <QGLWidget>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

const char* const kDefaultFile = "BackgroundData 0.0\n"
                                 "* RenderingMode\n"
                                 "5\n"
                                 "* Color1\n"
                                 "150 150 250\n"
                                 "* Color2\n"
                                 "0 0 0\n";

bool readFile(Background& ioBackground, const std::string& iPath, std::string* oError,
              std::string* oOutput = nullptr)
{
    testutil::CoutCapture capture;
    const bool result = ioBackground.initWithTextFile(iPath, *oError);
    if (oOutput)
        *oOutput = capture.text();
    return result;
}

bool writeFile(const Background& iBackground, const std::string& iPath, std::string* oError,
               std::string* oOutput = nullptr)
{
    testutil::CoutCapture capture;
    const bool result = iBackground.exportParameter(iPath, *oError);
    if (oOutput)
        *oOutput = capture.text();
    return result;
}

void expectState(const Background& iBackground, Background::RenderingMode iMode, const Color& iColor1,
                 const Color& iColor2)
{
    EXPECT_EQ(iBackground.getRenderingMode(), iMode);
    EXPECT_EQ(iBackground.getColor1(), iColor1);
    EXPECT_EQ(iBackground.getColor2(), iColor2);
}

} // namespace

TEST(BackgroundTest, SettersSignalOnlyRealChanges)
{
    Background background;
    expectState(background, Background::GradientInsideToOutside, Color(150, 150, 250, 255), Color(0, 0, 0, 255));
    QSignalSpy spy(&background, SIGNAL(changedValue()));

    background.setRenderingMode(Background::GradientInsideToOutside);
    background.setColor1(Color(150, 150, 250, 255));
    background.setColor2(Color(0, 0, 0, 255));
    EXPECT_EQ(spy.count(), 0);

    background.setRenderingMode(Background::GradientLeftToRight);
    EXPECT_EQ(spy.count(), 1);
    background.setRenderingMode(Background::GradientLeftToRight);
    EXPECT_EQ(spy.count(), 1);
    // No range check on the setter: the dialogs limit what the user can pick.
    background.setRenderingMode(static_cast<Background::RenderingMode>(9));
    EXPECT_EQ(spy.count(), 2);
    EXPECT_EQ(background.getRenderingMode(), 9);

    // Alpha is compared although it is neither painted nor saved.
    background.setColor1(Color(150, 150, 250, 254));
    EXPECT_EQ(spy.count(), 3);
    background.setColor1(Color(150, 150, 250, 254));
    EXPECT_EQ(spy.count(), 3);
    background.setColor2(Color(0, 0, 1, 255));
    EXPECT_EQ(spy.count(), 4);
    background.setColor2(Color(0, 0, 1, 255));
    EXPECT_EQ(spy.count(), 4);
}

TEST(BackgroundTest, ModeNames)
{
    const char* const names[] = {"Uniform",
                                 "Gradient Top to Bottom",
                                 "Gradient LeftTop to RigthBottom",
                                 "Gradient Left to Right",
                                 "Gradient LeftBottom to RigthTop",
                                 "Gradient Inside to Outside"};
    for (int mode = 0; mode < 6; ++mode) {
        EXPECT_EQ(Background::toString(static_cast<Background::RenderingMode>(mode)), names[mode]);
        EXPECT_EQ(Background::toRenderingMode(names[mode]), mode);
    }
    EXPECT_EQ(Background::toString(static_cast<Background::RenderingMode>(6)), "Uniform");
    EXPECT_EQ(Background::toString(static_cast<Background::RenderingMode>(-1)), "Uniform");
    EXPECT_EQ(Background::toRenderingMode(""), Background::Uniform);
    EXPECT_EQ(Background::toRenderingMode("gradient left to right"), Background::Uniform);
    EXPECT_EQ(Background::toRenderingMode("Gradient Left to Right "), Background::Uniform);
}

TEST(BackgroundFileTest, DefaultsByteForByteAndVersionLine)
{
    testutil::TempDir dir;
    Background background;
    std::string error;
    std::string output;
    ASSERT_TRUE(writeFile(background, dir.file("Background.txt"), &error, &output));
    EXPECT_EQ(testutil::readFile(dir.file("Background.txt")), kDefaultFile);
    EXPECT_EQ(output, "BackgroundData Ver: 0.0\n");

    Background read;
    QSignalSpy spy(&read, SIGNAL(changedValue()));
    ASSERT_TRUE(readFile(read, dir.file("Background.txt"), &error, &output)) << error;
    EXPECT_EQ(output, "BackgroundData Ver: 0.0\n");
    EXPECT_EQ(spy.count(), 0);
}

TEST(BackgroundFileTest, RoundTripSignalsEachChangedValueOnce)
{
    testutil::TempDir dir;
    Background background;
    background.setRenderingMode(Background::GradientLeftBottomToRightTop);
    background.setColor1(Color(0, 255, 7, 255));
    background.setColor2(Color(255, 1, 128, 255));
    std::string error;
    ASSERT_TRUE(writeFile(background, dir.file("Background.txt"), &error));
    EXPECT_EQ(testutil::readFile(dir.file("Background.txt")),
              "BackgroundData 0.0\n* RenderingMode\n4\n* Color1\n0 255 7\n* Color2\n255 1 128\n");

    Background read;
    QSignalSpy spy(&read, SIGNAL(changedValue()));
    ASSERT_TRUE(readFile(read, dir.file("Background.txt"), &error)) << error;
    expectState(read, Background::GradientLeftBottomToRightTop, Color(0, 255, 7, 255), Color(255, 1, 128, 255));
    EXPECT_EQ(spy.count(), 3);

    // Only colour 2 differs: one signal.
    read.setColor2(Color(1, 2, 3, 255));
    spy.clear();
    ASSERT_TRUE(readFile(read, dir.file("Background.txt"), &error)) << error;
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(read.getColor2(), Color(255, 1, 128, 255));
}

TEST(BackgroundFileTest, AlphaIsNotSavedAndReadsAsOpaque)
{
    testutil::TempDir dir;
    Background background;
    background.setColor1(Color(10, 20, 30, 40));
    std::string error;
    ASSERT_TRUE(writeFile(background, dir.file("Background.txt"), &error));
    EXPECT_EQ(testutil::readFile(dir.file("Background.txt")),
              "BackgroundData 0.0\n* RenderingMode\n5\n* Color1\n10 20 30\n* Color2\n0 0 0\n");

    QSignalSpy spy(&background, SIGNAL(changedValue()));
    ASSERT_TRUE(readFile(background, dir.file("Background.txt"), &error)) << error;
    EXPECT_EQ(background.getColor1(), Color(10, 20, 30, 255));
    EXPECT_EQ(spy.count(), 1);
}

TEST(BackgroundFileTest, BrokenFilesReportAndChangeNothing)
{
    testutil::TempDir dir;
    struct Case
    {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"", "File Header Error."},
        {"BackgroundData\n* RenderingMode\n1\n", "File Header Error."},
        {"BackgroundData 0.0 extra\n", "File Header Error."},
        {"ClipBoxData 0.0\n* RenderingMode\n1\n", "BackgroundData is not found."},
        {"BackgroundData 0.0\n", "Header: RenderingMode is not found."},
        {"BackgroundData 0.0\n* Color1\n1 2 3\n", "Header: RenderingMode is not found."},
        {"BackgroundData 0.0\n* RenderingMode\n1\n* Color2\n1 2 3\n* Color1\n4 5 6\n",
         "Header: Color1 is not found."},
        {"BackgroundData 0.0\n* RenderingMode\n1\n* Color1\n1 2 3\n", "Header: Color2 is not found."},
        {"BackgroundData 0.0\n* RenderingMode\n1\n* Color1\n1 2 3\n* Color3\n4 5 6\n",
         "Header: Color2 is not found."},
        // Truncated after a header: the value line is missing.
        {"BackgroundData 0.0\n* RenderingMode\n", "Header: RenderingMode is not found."},
        {"BackgroundData 0.0\n* RenderingMode\n1\n* Color1\n1 2 3\n* Color2\n", "Header: Color2 is not found."},
        {"BackgroundData 0.0\n* RenderingMode\n1\n* Color1\n1 2 3\n* Col", "Header: Color2 is not found."},
        // Modes that nothing paints are refused.
        {"BackgroundData 0.0\n* RenderingMode\n6\n* Color1\n1 2 3\n* Color2\n4 5 6\n",
         "RenderingMode is out of range."},
        {"BackgroundData 0.0\n* RenderingMode\n-1\n* Color1\n1 2 3\n* Color2\n4 5 6\n",
         "RenderingMode is out of range."},
    };
    for (const Case& c : cases) {
        testutil::writeFile(dir.file("Background.txt"), c.text);
        Background background;
        QSignalSpy spy(&background, SIGNAL(changedValue()));
        std::string error;
        EXPECT_FALSE(readFile(background, dir.file("Background.txt"), &error)) << c.text;
        EXPECT_EQ(error, c.message) << c.text;
        EXPECT_EQ(spy.count(), 0) << c.text;
        expectState(background, Background::GradientInsideToOutside, Color(150, 150, 250, 255),
                    Color(0, 0, 0, 255));
    }
}

TEST(BackgroundFileTest, LastValueWithoutLineFeedIsRead)
{
    testutil::TempDir dir;
    testutil::writeFile(dir.file("Background.txt"),
                        "BackgroundData 0.0\n* RenderingMode\n0\n* Color1\n1 2 3\n* Color2\n4 5 6");
    Background background;
    std::string error;
    ASSERT_TRUE(readFile(background, dir.file("Background.txt"), &error)) << error;
    expectState(background, Background::Uniform, Color(1, 2, 3, 255), Color(4, 5, 6, 255));
}

TEST(BackgroundFileTest, OpenFailuresAndUnknownVersion)
{
    testutil::TempDir dir;
    Background background;
    std::string error;
    std::string output;
    const std::string missing = dir.file("missing.txt");
    EXPECT_FALSE(readFile(background, missing, &error, &output));
    EXPECT_EQ(error, "Cannot open file for reading: " + missing);
    EXPECT_EQ(output, "");

    const std::string noFolder = dir.file("no/Background.txt");
    EXPECT_FALSE(writeFile(background, noFolder, &error, &output));
    EXPECT_EQ(error, "Cannot open file for writting: " + noFolder);
    EXPECT_EQ(output, "");

    // An unknown version fails and leaves the message as it was.
    testutil::writeFile(dir.file("Background.txt"), "BackgroundData 0.1\n* RenderingMode\n1\n");
    error = "before";
    EXPECT_FALSE(readFile(background, dir.file("Background.txt"), &error, &output));
    EXPECT_EQ(error, "before");
    EXPECT_EQ(output, "");
    EXPECT_EQ(background.getRenderingMode(), Background::GradientInsideToOutside);
}

TEST(BackgroundFileTest, FailedWriteIsReported)
{
    Background background;
    std::string error;
    EXPECT_FALSE(writeFile(background, "/dev/full", &error));
    EXPECT_EQ(error, "Cannot open file for writting: /dev/full");
}

namespace {

// Paints into a real GL context and reads the frame back.
class BackgroundGLTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QString platform = QGuiApplication::platformName();
        if (platform == "offscreen" || platform == "minimal")
            GTEST_SKIP() << "GL widgets need a display";
        mWidget = std::make_unique<QGLWidget>();
        mWidget->resize(kSize, kSize);
        mWidget->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(mWidget.get()));
        mWidget->makeCurrent();
        ASSERT_TRUE(mWidget->isValid());
        glViewport(0, 0, kSize, kSize);
        glShadeModel(GL_SMOOTH);
        glDisable(GL_DEPTH_TEST);
        glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
    }

    void TearDown() override
    {
        if (mWidget)
            mWidget->doneCurrent();
        mWidget.reset();
    }

    // The pixel at (x, y), origin bottom left.
    Color pixel(int iX, int iY) const
    {
        unsigned char rgba[4] = {0, 0, 0, 0};
        glReadPixels(iX, iY, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
        return Color(rgba[0], rgba[1], rgba[2], 255);
    }

    static void expectNear(const Color& iActual, const Color& iExpected, int iTolerance, const char* iWhere)
    {
        EXPECT_NEAR(iActual.red, iExpected.red, iTolerance) << iWhere;
        EXPECT_NEAR(iActual.green, iExpected.green, iTolerance) << iWhere;
        EXPECT_NEAR(iActual.blue, iExpected.blue, iTolerance) << iWhere;
    }

    static constexpr int kSize = 64;
    std::unique_ptr<QGLWidget> mWidget;
};

} // namespace

TEST_F(BackgroundGLTest, FreshBackgroundPaintsTheFanAndRestoresTheMatrices)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glScaled(2.0, 2.0, 2.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslated(5.0, 0.0, 0.0);

    Background background;
    background.draw();

    double projection[16];
    double modelview[16];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    EXPECT_EQ(projection[0], 2.0);
    EXPECT_EQ(modelview[12], 5.0);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);

    expectNear(pixel(kSize / 2, kSize / 2), Color(150, 150, 250), 12, "centre");
    expectNear(pixel(0, 0), Color(0, 0, 0), 12, "left bottom");
    expectNear(pixel(kSize - 1, kSize - 1), Color(0, 0, 0), 12, "right top");
}

TEST_F(BackgroundGLTest, GradientsRunTheirWay)
{
    Background background;
    background.setColor1(Color(255, 0, 0));
    background.setColor2(Color(0, 0, 255));
    const int last = kSize - 1;

    background.setRenderingMode(Background::Uniform);
    background.draw();
    expectNear(pixel(0, 0), Color(255, 0, 0), 0, "uniform");
    expectNear(pixel(last, last), Color(255, 0, 0), 0, "uniform");

    background.setRenderingMode(Background::GradientTopToBottom);
    background.draw();
    expectNear(pixel(kSize / 2, last), Color(255, 0, 0), 8, "top");
    expectNear(pixel(kSize / 2, 0), Color(0, 0, 255), 8, "bottom");

    background.setRenderingMode(Background::GradientLeftToRight);
    background.draw();
    expectNear(pixel(0, kSize / 2), Color(255, 0, 0), 8, "left");
    expectNear(pixel(last, kSize / 2), Color(0, 0, 255), 8, "right");

    background.setRenderingMode(Background::GradientLeftTopToRightBottom);
    background.draw();
    expectNear(pixel(0, last), Color(255, 0, 0), 8, "left top");
    expectNear(pixel(last, 0), Color(0, 0, 255), 8, "right bottom");
    expectNear(pixel(0, 0), Color(128, 0, 128), 8, "left bottom");

    background.setRenderingMode(Background::GradientLeftBottomToRightTop);
    background.draw();
    expectNear(pixel(0, 0), Color(255, 0, 0), 8, "left bottom");
    expectNear(pixel(last, last), Color(0, 0, 255), 8, "right top");
    expectNear(pixel(last, 0), Color(128, 0, 128), 8, "right bottom");

    // A mode outside the table paints nothing.
    glClear(GL_COLOR_BUFFER_BIT);
    background.setRenderingMode(static_cast<Background::RenderingMode>(6));
    background.draw();
    expectNear(pixel(kSize / 2, kSize / 2), Color(255, 255, 255), 0, "mode 6");
}
