// The clip box: defaults, change reporting, planes, the "ClipBoxData" file and its drawing.
#include "clipbox.h"

#include "color.h"
#include "testutil.h"

#include <QGLWidget>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>

namespace {

using V = Vector3T<double>;
using P = Vector4T<double>;
using M = Matrix4x4T<double>;

const char* const FL_DEFAULT_FILE = "ClipBoxData 0.0\n"
                                    "* Visible\n0\n"
                                    "* Enable\n0\n"
                                    "* Scale\n0.5 0.5 0.5\n"
                                    "* Translation\n0 0 0\n"
                                    "* Attribute\n1 0 0\n0 1 0\n0 0 1\n"
                                    "* Clarity\n80\n";

// Everything a load may change, to tell that a failed load changed nothing.
struct Snapshot
{
    explicit Snapshot(const ClipBox& iBox)
        : visible(iBox.hasState(Object3D::Visible)), enable(iBox.enable), clarity(iBox.clarity), scale(iBox.scale),
          matrix(iBox.getMatrix()), box(iBox.getBoundingBox())
    {
    }
    bool operator==(const Snapshot& o) const
    {
        return visible == o.visible && enable == o.enable && clarity == o.clarity && scale == o.scale &&
               matrix == o.matrix && box == o.box;
    }
    bool visible;
    bool enable;
    float clarity;
    V scale;
    M matrix;
    BoundingBox box;
};

// A box that differs from the defaults in every saved value.
void FL_setUp(ClipBox* ioBox)
{
    ioBox->enableState(Object3D::Visible);
    ioBox->setEnable(true);
    ioBox->setScale(V(2, 1, 0.5));
    ioBox->setPosition(V(412345.678, 5432109.123, 12.3456789));
    ioBox->setClarity(35);
}

std::string FL_replace(std::string iText, const std::string& iFrom, const std::string& iTo)
{
    const std::size_t at = iText.find(iFrom);
    EXPECT_NE(at, std::string::npos) << iFrom;
    if (at != std::string::npos)
        iText.replace(at, iFrom.size(), iTo);
    return iText;
}

class ClipBoxFileTest : public ::testing::Test
{
protected:
    // Loads iText into a set-up box: expects failure with iMessage and no change at all.
    void expectRejected(const std::string& iText, const std::string& iMessage)
    {
        testutil::writeFile(mDir.file("ClipBox.txt"), iText);
        ClipBox box;
        FL_setUp(&box);
        const Snapshot before(box);
        QSignalSpy value(&box, SIGNAL(changedValue()));
        std::string message = "untouched";
        EXPECT_FALSE(box.initWithTextFile(mDir.file("ClipBox.txt"), message)) << iText;
        EXPECT_EQ(message, iMessage) << iText;
        EXPECT_TRUE(Snapshot(box) == before) << iText;
        EXPECT_EQ(value.count(), 0) << iText;
    }

    testutil::TempDir mDir;
};

class ClipBoxGLTest : public ::testing::Test
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
        clear(0, 0, 0, 0);
    }
    void TearDown() override
    {
        if (mWidget)
            mWidget->doneCurrent();
    }
    static void clear(float iRed, float iGreen, float iBlue, float iAlpha)
    {
        glClearColor(iRed, iGreen, iBlue, iAlpha);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    static Color pixel(int iX, int iY)
    {
        unsigned char rgba[4] = {0, 0, 0, 0};
        glReadPixels(iX, iY, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
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

} // namespace

TEST(ClipBoxTest, NewBoxDefaults)
{
    ClipBox box;
    EXPECT_FALSE(box.hasState(Object3D::Visible));
    EXPECT_FALSE(box.hasState(Object3D::Selected));
    EXPECT_FALSE(box.enable);
    EXPECT_EQ(box.clarity, 80.0f);
    EXPECT_EQ(box.scale, V(0.5, 0.5, 0.5));
    EXPECT_EQ(box.getBoundingBox(), BoundingBox(V(0, 0, 0), V(0.5, 0.5, 0.5)));
    EXPECT_EQ(box.getMatrix(), M());
    EXPECT_FALSE(box.isErasable());

    std::vector<P> planes;
    box.getPlanes(&planes);
    const P expected[6] = {{1, 0, 0, 0.5}, {-1, 0, 0, 0.5}, {0, 1, 0, 0.5},
                           {0, -1, 0, 0.5}, {0, 0, 1, 0.5}, {0, 0, -1, 0.5}};
    ASSERT_EQ(planes.size(), 6u);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(planes[i], expected[i]) << i;
}

TEST(ClipBoxTest, SettersReportOnceAndOnlyOnChange)
{
    ClipBox box;
    QSignalSpy value(&box, SIGNAL(changedValue()));
    QSignalSpy boxChanged(&box, SIGNAL(changedBoudingBox()));
    box.setEnable(false);
    box.setClarity(80);
    box.setScale(V(0.5, 0.5, 0.5));
    EXPECT_EQ(value.count(), 0);
    EXPECT_EQ(boxChanged.count(), 0);

    box.setEnable(true);
    EXPECT_EQ(value.count(), 1);
    box.setClarity(20);
    EXPECT_EQ(value.count(), 2);
    box.setScale(V(0.5, 2, 0.5));
    EXPECT_EQ(value.count(), 3);
    EXPECT_EQ(boxChanged.count(), 1);
    EXPECT_EQ(box.getBoundingBox(), BoundingBox(V(0, 0, 0), V(0.5, 2, 0.5)));

    // The bounding box keeps its centre; a scale whose box is already there still reports.
    box.setBoundingBox(BoundingBox(V(1, 1, 1), V(3, 3, 3)));
    value.clear();
    box.setScale(V(3, 3, 3));
    EXPECT_EQ(box.scale, V(3, 3, 3));
    EXPECT_EQ(value.count(), 1);
    box.setScale(V(4, 4, 4));
    EXPECT_EQ(box.getBoundingBox(), BoundingBox(V(1, 1, 1), V(4, 4, 4)));
    EXPECT_EQ(value.count(), 2);
}

TEST(ClipBoxTest, PlanesOfATurnedScaledMovedBox)
{
    // 90 degrees about z with the axes stretched by 2: X = (0, 2, 0), Y = (-2, 0, 0),
    // Z = (0, 0, 2); placed at T = (1, 2, 3); half extents (0.5, 1.5, 0.1).
    ClipBox box;
    M m;
    m(0, 0) = 0, m(0, 1) = -2, m(0, 2) = 0, m(0, 3) = 1;
    m(1, 0) = 2, m(1, 1) = 0, m(1, 2) = 0, m(1, 3) = 2;
    m(2, 0) = 0, m(2, 1) = 0, m(2, 2) = 2, m(2, 3) = 3;
    box.setMatrix(m);
    box.setScale(V(0.5, 1.5, 0.1));

    std::vector<P> planes{P(9, 9, 9, 9)}; // appended to
    box.getPlanes(&planes);
    ASSERT_EQ(planes.size(), 7u);
    // X.T = 4, Y.T = -2, Z.T = 6; the scale enters in single precision.
    const double sz = static_cast<double>(0.1f);
    const P expected[6] = {{0, 2, 0, 0.5 - 4},  {0, -2, 0, 0.5 + 4}, {-2, 0, 0, 1.5 + 2},
                           {2, 0, 0, 1.5 - 2}, {0, 0, 2, sz - 6},   {0, 0, -2, sz + 6}};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(planes[i + 1], expected[i]) << i;
    // The kept side (a.p + d >= 0): the centre with the scale as margin, a point beyond z is cut.
    auto side = [](const P& iPlane, const V& iPoint) {
        return iPlane.x * iPoint.x + iPlane.y * iPoint.y + iPlane.z * iPoint.z + iPlane.w;
    };
    EXPECT_EQ(side(planes[1], V(1, 2, 3)), 0.5);
    EXPECT_EQ(side(planes[3], V(1, 2, 3)), 1.5);
    EXPECT_LT(side(planes[6], V(1, 2, 3.1)), 0.0); // 2 * 0.05 past the face at z = 3.05
}

TEST_F(ClipBoxFileTest, DefaultFileByteForByte)
{
    ClipBox box;
    std::string message;
    testutil::CoutCapture capture;
    ASSERT_TRUE(box.exportParameter(mDir.file("ClipBox.txt"), message));
    EXPECT_EQ(capture.text(), "ClipBoxData Ver: 0.0\n");
    EXPECT_EQ(testutil::readFile(mDir.file("ClipBox.txt")), FL_DEFAULT_FILE);
}

TEST_F(ClipBoxFileTest, MovedBoxWritesEveryValueExactly)
{
    ClipBox box;
    FL_setUp(&box);
    std::string message;
    ASSERT_TRUE(box.exportParameter(mDir.file("ClipBox.txt"), message));
    EXPECT_EQ(testutil::readFile(mDir.file("ClipBox.txt")),
              "ClipBoxData 0.0\n* Visible\n1\n* Enable\n1\n* Scale\n2 1 0.5\n"
              "* Translation\n412345.678 5.432109123e+06 12.3456789\n"
              "* Attribute\n1 0 0\n0 1 0\n0 0 1\n* Clarity\n35\n");
}

TEST_F(ClipBoxFileTest, RoundTripRestoresTheBoxExactly)
{
    ClipBox saved;
    FL_setUp(&saved);
    saved.setScale(V(1.0 / 3.0, 123456.789, 0.1));
    saved.setClarity(35.7f);
    saved.rotate(V(1, 2, 3), 31.5);
    std::string message;
    ASSERT_TRUE(saved.exportParameter(mDir.file("ClipBox.txt"), message));

    ClipBox loaded;
    QSignalSpy value(&loaded, SIGNAL(changedValue()));
    testutil::CoutCapture capture;
    ASSERT_TRUE(loaded.initWithTextFile(mDir.file("ClipBox.txt"), message)) << message;
    EXPECT_EQ(capture.text(), "ClipBoxData Ver: 0.0\n");
    EXPECT_TRUE(Snapshot(loaded) == Snapshot(saved));
    EXPECT_GT(value.count(), 0);

    // And back to the defaults from the default file.
    testutil::writeFile(mDir.file("Default.txt"), FL_DEFAULT_FILE);
    ASSERT_TRUE(loaded.initWithTextFile(mDir.file("Default.txt"), message)) << message;
    EXPECT_TRUE(Snapshot(loaded) == Snapshot(ClipBox()));
}

TEST_F(ClipBoxFileTest, HeaderFailures)
{
    expectRejected("", "File Header Error.");
    expectRejected("ClipBoxData 0.0 extra\n", "File Header Error.");
    expectRejected("ClipBoxData\n", "File Header Error.");
    expectRejected("CameraParameter 0.0\n* Visible\n1\n", "ClipBoxData is not found.");
    // Another version fails without a message.
    expectRejected(FL_replace(FL_DEFAULT_FILE, "ClipBoxData 0.0", "ClipBoxData 0.1"), "untouched");

    ClipBox box;
    std::string message;
    const std::string missing = mDir.file("none/ClipBox.txt");
    EXPECT_FALSE(box.initWithTextFile(missing, message));
    EXPECT_EQ(message, "Cannot open file for reading: " + missing);
    EXPECT_FALSE(box.exportParameter(missing, message));
    EXPECT_EQ(message, "Cannot open file for writting: " + missing);
}

TEST_F(ClipBoxFileTest, EachMissingSectionIsNamed)
{
    // The Scale section left out: the Translation header follows the Enable value.
    expectRejected(FL_replace(FL_DEFAULT_FILE, "* Scale\n0.5 0.5 0.5\n", ""), "Header: Scale is not found.");
    for (const char* key : {"Visible", "Enable", "Scale", "Translation", "Attribute", "Clarity"}) {
        const std::string header = std::string("* ") + key + "\n";
        expectRejected(FL_replace(FL_DEFAULT_FILE, header, "* Other\n"),
                       std::string("Header: ") + key + " is not found.");
    }
    // A header must be the very next line.
    expectRejected(FL_replace(FL_DEFAULT_FILE, "* Enable\n", "\n* Enable\n"), "Header: Enable is not found.");
}

TEST_F(ClipBoxFileTest, TruncatedFilesAreRejected)
{
    const std::string full = FL_DEFAULT_FILE;
    // Cut after each header line and inside the attribute rows: the section of the cut is named.
    const std::pair<const char*, const char*> cuts[] = {
        {"* Visible\n", "Visible"},         {"* Scale\n", "Scale"},   {"* Attribute\n", "Attribute"},
        {"* Attribute\n1 0 0\n", "Attribute"}, {"0 1 0\n", "Attribute"}, {"* Clarity\n", "Clarity"}};
    for (const auto& cut : cuts) {
        const std::size_t end = full.find(cut.first) + std::strlen(cut.first);
        expectRejected(full.substr(0, end), std::string("Header: ") + cut.second + " is not found.");
    }
    // Only the last line feed missing is a whole file.
    testutil::writeFile(mDir.file("ClipBox.txt"), full.substr(0, full.size() - 1));
    ClipBox box;
    box.setClarity(10);
    std::string message;
    EXPECT_TRUE(box.initWithTextFile(mDir.file("ClipBox.txt"), message)) << message;
    EXPECT_EQ(box.clarity, 80.0f);
}

TEST_F(ClipBoxGLTest, PickingPassesDrawTheCodes)
{
    ClipBox box;
    box.draw(1, pass(1));
    EXPECT_EQ(pixel(100, 100), Color(0, 0, 0, 0)) << "hidden boxes draw nothing";

    box.enableState(Object3D::Visible);
    box.draw(1, pass(1));
    EXPECT_EQ(pixel(100, 100), Color(5, 0, 0, 0));
    EXPECT_EQ(pixel(10, 10), Color(0, 0, 0, 0)); // outside the box (-0.5..0.5)

    clear(1, 1, 1, 1);
    box.draw(1, pass(2));
    EXPECT_EQ(pixel(100, 100), Color(0, 0, 0, 0));
    EXPECT_EQ(pixel(10, 10), Color(255, 255, 255, 255));
    EXPECT_EQ(glIsEnabled(GL_CULL_FACE), GL_FALSE);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(ClipBoxGLTest, NormalPassBlendsTheFacesByClarity)
{
    ClipBox box;
    box.enableState(Object3D::Visible);
    // Only the face across z that looks at the viewer is filled: blue at 20 % over black.
    box.draw(1, pass(0));
    const Color blended = pixel(100, 100);
    EXPECT_EQ(blended.red, 0);
    EXPECT_EQ(blended.green, 0);
    EXPECT_NEAR(blended.blue, 51, 1);
    EXPECT_EQ(glIsEnabled(GL_BLEND), GL_FALSE);

    clear(0, 0, 0, 0);
    box.setClarity(0);
    box.draw(1, pass(0));
    EXPECT_EQ(pixel(100, 100).blue, 255);

    clear(0, 0, 0, 0);
    box.setClarity(100);
    box.draw(1, pass(0));
    EXPECT_EQ(pixel(100, 100).blue, 0);

    // Clarities beyond 0..100 stay within the byte.
    clear(0, 0, 0, 0);
    box.setClarity(250);
    box.draw(1, pass(0));
    EXPECT_EQ(pixel(100, 100).blue, 0);
    clear(0, 0, 0, 0);
    box.setClarity(-300);
    box.draw(1, pass(0));
    EXPECT_EQ(pixel(100, 100).blue, 255);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(ClipBoxGLTest, BeginClipLoadsTheSixPlanes)
{
    ClipBox box;
    box.setScale(V(0.25, 0.5, 2));
    box.setPosition(V(0.1, 0.2, 0.3));
    box.rotate(V(0, 1, 0), 20);
    std::vector<P> planes;
    box.getPlanes(&planes);

    box.beginClip();
    for (int i = 0; i < 6; ++i) {
        EXPECT_TRUE(glIsEnabled(GL_CLIP_PLANE0 + i)) << i;
        GLdouble equation[4];
        glGetClipPlane(GL_CLIP_PLANE0 + i, equation);
        // GL may keep the planes in single precision.
        EXPECT_NEAR(equation[0], planes[i].x, 1e-6) << i;
        EXPECT_NEAR(equation[1], planes[i].y, 1e-6) << i;
        EXPECT_NEAR(equation[2], planes[i].z, 1e-6) << i;
        EXPECT_NEAR(equation[3], planes[i].w, 1e-6) << i;
    }
    box.endClip();
    for (int i = 0; i < 6; ++i)
        EXPECT_FALSE(glIsEnabled(GL_CLIP_PLANE0 + i)) << i;
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}
