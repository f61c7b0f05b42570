#include "camerapath.h"
#include "camerapathmanager.h"

#include "sceneparameter.h"
#include "testutil.h"

#include <QGLWidget>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

using V = Vector3T<double>;

Camera::LookAtData lookAt(const V& iView, const V& iLockOn = V(), const V& iUpward = V(0, 0, 1))
{
    Camera::LookAtData data;
    data.viewPoint = iView;
    data.lockOnPoint = iLockOn;
    data.upward = iUpward;
    return data;
}

bool operator==(const Camera::LookAtData& a, const Camera::LookAtData& b)
{
    return a.viewPoint == b.viewPoint && a.lockOnPoint == b.lockOnPoint && a.upward == b.upward;
}

std::vector<double> distances(const CameraPath& iPath)
{
    std::vector<double> out;
    double d = 0;
    for (int i = 0; iPath.getDistance(i, &d); ++i)
        out.push_back(d);
    return out;
}

const char* const kDefaultRendering = "CameraPathRenderingData 0.1\n* Visibility\n1\nPathLine\n"
                                      "* LineWidth\n2\n* LineColor\n100 255 255\n";

const char* const kPopulated = "CameraPathData 0.1\n* CameraPathListSize\n2\n* CameraPathList\n"
                               "* Name\nFlight A\n* Visible\n1\n* CheckPointNumber\n2\n"
                               "* ViewPoint\n412345.678 5.423456789e+06 312.25\n* LockOnPoint\n0 0 0\n* Upward\n0 0 1\n"
                               "* ViewPoint\n0.1 0.2 0.9\n* LockOnPoint\n0.3333333333333333 -2e-07 1e+22\n"
                               "* Upward\n0 0 1\n"
                               "* Name\n\n* Visible\n0\n* CheckPointNumber\n0\n";

void populate(CameraPathManager& ioManager)
{
    CameraPath* first = new CameraPath(nullptr);
    first->setName("Flight\nA");
    first->addPoint(lookAt(V(412345.678, 5423456.789, 312.25)));
    first->addPoint(lookAt(V(0.1, 0.2, 0.9), V(1.0 / 3, -2e-7, 1e22)));
    ioManager.addNewObject(first);
    CameraPath* second = new CameraPath(nullptr);
    second->disableState(Object3D::Visible);
    ioManager.addNewObject(second);
}

bool readPaths(CameraPathManager& ioManager, const std::string& iPath, std::string& ioError)
{
    testutil::CoutCapture capture;
    return ioManager.initDataFromTextFile(iPath, ioError);
}

bool readRendering(CameraPathManager& ioManager, const std::string& iPath, std::string& ioError)
{
    testutil::CoutCapture capture;
    return ioManager.importRenderingParameter(iPath, ioError);
}

} // namespace

TEST(CameraPathTest, DistancesSegmentsAndFrames)
{
    CameraPath path;
    path.addPoint(lookAt(V(0, 0, 0), V(0, 10, 0), V(0, 0, 1)));
    path.addPoint(lookAt(V(3, 4, 0), V(2, 10, 0), V(0, 0, 3)));
    path.addPoint(lookAt(V(3, 4, 12), V(4, 20, 2), V(1, 0, 1)));
    EXPECT_EQ(distances(path), (std::vector<double>{0, 5, 17}));
    EXPECT_EQ(path.getBoundingBox().getCenter(), V(1.5, 2, 6));
    EXPECT_EQ(path.getBoundingBox().getSize(), V(3, 4, 12));

    int i0 = -1, i1 = -1;
    double t = -1;
    ASSERT_TRUE(path.getSegment(&i0, &i1, &t, 2.5));
    EXPECT_EQ(i0, 0);
    EXPECT_EQ(i1, 1);
    EXPECT_EQ(t, 0.5);

    Camera::LookAtData frame;
    ASSERT_TRUE(path.getFrame(&frame, 5));
    Camera::LookAtData second;
    path.getPoint(1, &second);
    EXPECT_TRUE(frame == second);
    ASSERT_TRUE(path.getFrame(&frame, 11));
    EXPECT_TRUE(frame == lookAt(V(3, 4, 6), V(3, 15, 1), V(0.5, 0, 2)));

    const Camera::LookAtData before = frame;
    EXPECT_FALSE(path.getFrame(&frame, 17));
    EXPECT_FALSE(path.getFrame(&frame, -0.5));
    EXPECT_FALSE(path.getSegment(&i0, &i1, &t, 1e9));
    EXPECT_TRUE(frame == before);

    // One check point: no segment at all.
    CameraPath single;
    single.addPoint(lookAt(V(1, 1, 1)));
    EXPECT_EQ(distances(single), std::vector<double>{0});
    EXPECT_FALSE(single.getFrame(&frame, 0));

    // A segment of length 0 is never chosen: the flight jumps over it.
    CameraPath jump;
    jump.addPoint(lookAt(V(0, 0, 0), V(1, 0, 0)));
    jump.addPoint(lookAt(V(0, 0, 0), V(9, 0, 0)));
    jump.addPoint(lookAt(V(2, 0, 0), V(9, 0, 0)));
    ASSERT_TRUE(jump.getSegment(&i0, &i1, &t, 0));
    EXPECT_EQ(i0, 1);
    EXPECT_EQ(t, 0);
}

TEST(CameraPathTest, EditsSignalOnceAndKeepDistancesAndBox)
{
    CameraPath path;
    for (int k = 0; k < 3; ++k)
        path.addPoint(lookAt(V(k * 2, 0, 0)));
    QSignalSpy value(&path, SIGNAL(changedValue()));
    QSignalSpy box(&path, SIGNAL(changedBoudingBox()));

    Camera::LookAtData point;
    path.getPoint(2, &point);
    EXPECT_TRUE(path.setPoint(2, point)); // same data still signals
    EXPECT_EQ(value.count(), 1);
    EXPECT_EQ(box.count(), 0);
    EXPECT_FALSE(path.setPoint(3, point));
    EXPECT_FALSE(path.deletePoint(-1));
    EXPECT_FALSE(path.getPoint(3, &point));
    EXPECT_EQ(value.count(), 1);

    ASSERT_TRUE(path.deletePoint(1));
    EXPECT_EQ(value.count(), 2);
    EXPECT_EQ(path.getListSize(), 2);
    path.getPoint(1, &point);
    EXPECT_EQ(point.viewPoint, V(4, 0, 0));
    EXPECT_EQ(distances(path), (std::vector<double>{0, 4}));

    path.setPoint(1, lookAt(V(0, 0, 8)));
    EXPECT_EQ(value.count(), 3);
    EXPECT_EQ(box.count(), 1);
    EXPECT_EQ(path.getBoundingBox().getSize(), V(0, 0, 8));

    path.deleteALLPoint();
    EXPECT_EQ(value.count(), 4);
    EXPECT_TRUE(distances(path).empty());
    EXPECT_EQ(path.getBoundingBox().getSize(), V(0, 0, 0));
}

TEST(CameraPathTest, IsCrossing)
{
    // The unit cube around the origin: a·p - d <= 0 inside.
    const std::vector<Vector4T<double>> cube = {{1, 0, 0, 1},  {-1, 0, 0, 1}, {0, 1, 0, 1},
                                                {0, -1, 0, 1}, {0, 0, 1, 1},  {0, 0, -1, 1}};
    CameraPath path;
    EXPECT_FALSE(path.isCrossing({}));
    path.addPoint(lookAt(V(-5, 0.5, 0)));
    EXPECT_TRUE(path.isCrossing({}));
    EXPECT_FALSE(path.isCrossing(cube));
    // Through the cube with no check point inside it.
    path.addPoint(lookAt(V(5, 0.5, 0)));
    EXPECT_TRUE(path.isCrossing(cube));
    // Past a corner.
    path.setPoint(1, lookAt(V(-5, 7, 0)));
    EXPECT_FALSE(path.isCrossing(cube));
    // Lying in the plane x = 1 but far from the cube in y.
    path.setPoint(0, lookAt(V(1, 5, 0)));
    path.setPoint(1, lookAt(V(1, 9, 0)));
    EXPECT_FALSE(path.isCrossing(cube));
    // In the plane x = 1 and across the cube's face.
    path.setPoint(1, lookAt(V(1, -5, 0)));
    EXPECT_TRUE(path.isCrossing(cube));
}

TEST(CameraPathManagerTest, ListsSelectionSettingsAndPassColours)
{
    CameraPathManager manager;
    EXPECT_EQ(manager.getPara(), CameraPathParameter());
    EXPECT_EQ(manager.getLineColor(), Color(100, 255, 255, 255));
    EXPECT_FALSE(manager.isErasable());
    for (int i = 0; i < 301; ++i) {
        CameraPath* path = new CameraPath(nullptr);
        path->setName("p" + std::to_string(i));
        manager.addNewObject(path);
    }
    EXPECT_EQ(manager.getPathNameList().size(), 301u);
    EXPECT_EQ(manager.getPathNameList()[300], "p300");
    EXPECT_EQ(manager.getData(301), nullptr);
    EXPECT_EQ(manager.getData(-1), nullptr);

    int first = 0;
    manager.getFirstIndexSelected(&first);
    EXPECT_EQ(first, -1);
    manager.setSelectedALL(true);
    manager.getFirstIndexSelected(&first);
    EXPECT_EQ(first, 0);
    manager.setSelectedALL(false);

    SceneParameter scene;
    const Color own(1, 2, 3, 4);
    scene.drawPass = SceneParameter::ObjectTypePass;
    EXPECT_EQ(manager.getDrawColor(7, scene, own), Color(3, 0, 0, 0));
    scene.drawPass = SceneParameter::ObjectIDPass;
    EXPECT_EQ(manager.getDrawColor(300, scene, own), Color(44, 1, 0, 0));
    EXPECT_EQ(manager.getDrawColor(299, scene, own), Color(43, 1, 0, 0));
    EXPECT_EQ(manager.getDrawColor(258, scene, own), Color(2, 1, 0, 0));
    scene.drawPass = SceneParameter::NormalPass;
    EXPECT_EQ(manager.getDrawColor(5, scene, own), own);
    manager.getData(5)->enableState(Object3D::Highlight);
    manager.getData(5)->enableState(Object3D::Selected);
    EXPECT_EQ(manager.getDrawColor(5, scene, own), Color(255, 255, 0, 255));
    manager.getData(5)->disableState(Object3D::Highlight);
    EXPECT_EQ(manager.getDrawColor(5, scene, own), Color(255, 0, 0, 255));

    QSignalSpy value(&manager, SIGNAL(changedValue()));
    manager.setLineWidth(0);
    manager.setLineWidth(2);
    manager.setLineColor(Color(100, 255, 255, 255));
    EXPECT_EQ(value.count(), 0);
    manager.setLineWidth(5);
    manager.setLineColor(Color(100, 255, 255, 0));
    EXPECT_EQ(value.count(), 2);
}

TEST(CameraPathManagerTest, FilesByteForByteRoundTripAndOldVersion)
{
    testutil::CoutCapture quiet; // the checks below capture what they look at
    testutil::TempDir folder;
    const std::string data = folder.file("CameraPath.txt");
    const std::string rendering = folder.file("CameraPathRendering.txt");
    std::string error = "untouched";

    CameraPathManager empty;
    {
        testutil::CoutCapture capture;
        ASSERT_TRUE(empty.exportData(data, error));
        ASSERT_TRUE(empty.exportRenderingParameter(rendering, error));
        EXPECT_EQ(capture.text(), "CameraPathData Ver: 0.1\nCameraPathRenderingData Ver: 0.1\n");
    }
    EXPECT_EQ(testutil::readFile(data), "CameraPathData 0.1\n* CameraPathListSize\n0\n* CameraPathList\n");
    EXPECT_EQ(testutil::readFile(rendering), kDefaultRendering);

    CameraPathManager manager;
    populate(manager);
    ASSERT_TRUE(manager.exportData(data, error));
    EXPECT_EQ(testutil::readFile(data), kPopulated);

    CameraPathManager other;
    other.addNewObject(new CameraPath(nullptr));
    QSignalSpy structure(&other, SIGNAL(changedStructure()));
    QSignalSpy value(&other, SIGNAL(changedValue()));
    ASSERT_TRUE(readPaths(other, data, error));
    EXPECT_EQ(structure.count(), 1);
    EXPECT_EQ(value.count(), 1);
    ASSERT_EQ(other.getObjectSetSize(), 2u);
    Camera::LookAtData point;
    ASSERT_TRUE(other.getData(0)->getPoint(0, &point));
    EXPECT_EQ(point.viewPoint, V(412345.678, 5423456.789, 312.25));
    ASSERT_TRUE(other.getData(0)->getPoint(1, &point));
    EXPECT_EQ(point.lockOnPoint, V(1.0 / 3, -2e-7, 1e22));
    EXPECT_FALSE(other.getData(1)->hasState(Object3D::Visible));
    ASSERT_TRUE(other.exportData(data, error));
    EXPECT_EQ(testutil::readFile(data), kPopulated);
    EXPECT_EQ(error, "untouched");

    // Version 0.0: no visibility lines; the paths are visible.
    testutil::writeFile(data, "CameraPathData 0.0\n* CameraPathListSize\n1\n* CameraPathList\n* Name\nold\n"
                              "* CheckPointNumber\n1\n* ViewPoint\n1 2 3\n* LockOnPoint\n4 5 6\n* Upward\n0 0 1\n");
    {
        testutil::CoutCapture capture;
        ASSERT_TRUE(other.initDataFromTextFile(data, error));
        EXPECT_EQ(capture.text(), "CameraPathData Ver: 0.0\n");
    }
    ASSERT_EQ(other.getObjectSetSize(), 1u);
    EXPECT_EQ(other.getData(0)->getName(), "old");
    EXPECT_TRUE(other.getData(0)->hasState(Object3D::Visible));
    EXPECT_EQ(other.getData(0)->getListSize(), 1);

    // Rendering, both versions; a width of 0 is out of range.
    manager.setLineWidth(7);
    manager.setLineColor(Color(1, 2, 3));
    manager.disableState(Object3D::Visible);
    ASSERT_TRUE(manager.exportRenderingParameter(rendering, error));
    ASSERT_TRUE(readRendering(other, rendering, error));
    EXPECT_EQ(other.getPara(), manager.getPara());
    EXPECT_FALSE(other.hasState(Object3D::Visible));
    testutil::writeFile(rendering, "CameraPathRenderingData 0.0\nPathLine\n* LineWidth\n0\n* LineColor\n9 9 9\n");
    ASSERT_TRUE(readRendering(other, rendering, error));
    EXPECT_EQ(other.getLineWidth(), 7);
    EXPECT_EQ(other.getLineColor(), Color(9, 9, 9, 255));
    EXPECT_FALSE(other.hasState(Object3D::Visible));

    EXPECT_FALSE(manager.exportData(folder.file("none/CameraPath.txt"), error));
    EXPECT_EQ(error, "Cannot open file for writting: ");
}

TEST(CameraPathManagerTest, BrokenFilesLeaveTheManagerAsItWas)
{
    testutil::TempDir folder;
    const std::string path = folder.file("CameraPath.txt");
    CameraPathManager manager;
    populate(manager);
    QSignalSpy value(&manager, SIGNAL(changedValue()));

    auto expectFailure = [&](const std::string& iText, const std::string& iMessage) {
        testutil::writeFile(path, iText);
        std::string error = "untouched";
        EXPECT_FALSE(readPaths(manager, path, error)) << iText;
        EXPECT_EQ(error, iMessage) << iText;
        ASSERT_EQ(manager.getObjectSetSize(), 2u);
        EXPECT_EQ(manager.getData(0)->getListSize(), 2);
    };
    expectFailure("CameraPathData\n", "File Header Error.");
    expectFailure("Paths 0.1\n", "CameraPathData is not found.");
    expectFailure("CameraPathData 0.2\n* CameraPathListSize\n0\n* CameraPathList\n", "untouched");
    expectFailure("CameraPathData 0.0\n* CameraPathListSize\n1\n* CameraPathList\n* Name\nx\n"
                  "* CheckPointNumber\n2000000000\n* ViewPoint\n1 2 3\n* LockOnPoint\n4 5 6\n* Upward\n0 0 1\n",
                  "Header: ViewPoint is not found.");

    std::vector<std::string> lines;
    std::istringstream in(kPopulated);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    for (std::size_t i = 1; i < lines.size(); ++i) {
        if (lines[i].rfind("* ", 0) != 0)
            continue;
        std::string text;
        for (std::size_t k = 0; k < lines.size(); ++k)
            text += (k == i ? "* Wrong" : lines[k]) + "\n";
        expectFailure(text, "Header: " + lines[i].substr(2) + " is not found.");
    }
    const std::string text = kPopulated;
    for (std::size_t end = text.find('\n'); end + 1 < text.size(); end = text.find('\n', end + 1)) {
        testutil::writeFile(path, text.substr(0, end + 1));
        std::string error;
        EXPECT_FALSE(readPaths(manager, path, error)) << end;
        EXPECT_EQ(manager.getObjectSetSize(), 2u);
    }
    std::string error;
    EXPECT_FALSE(manager.initDataFromTextFile(folder.file("missing.txt"), error));
    EXPECT_EQ(error, "Cannot open file for reading: ");

    // Rendering: a broken file changes nothing.
    testutil::writeFile(path, "CameraPathRenderingData 0.1\n* Visibility\n0\nLine\n* LineWidth\n5\n* LineColor\n1 1 1\n");
    EXPECT_FALSE(readRendering(manager, path, error));
    EXPECT_EQ(error, "PathLine is not found.");
    testutil::writeFile(path, "CameraPathRenderingData 0.1\n* Visibility\n0\nPathLine\n* LineWidth\n5\n* Color\n1 1 1\n");
    EXPECT_FALSE(readRendering(manager, path, error));
    EXPECT_EQ(error, "Header: LineColor is not found.");
    EXPECT_EQ(manager.getPara(), CameraPathParameter());
    EXPECT_TRUE(manager.hasState(Object3D::Visible));
    EXPECT_EQ(value.count(), 0);
}

namespace {

class CameraPathGLTest : public ::testing::Test
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
        mWidget->resize(320, 240);
        mWidget->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(mWidget.get()));
        mWidget->makeCurrent();
        mCamera.setScreenData(Camera::ScreenData{320, 240});
        mCamera.setLookAtData(lookAt(V(0, -10, 0)));
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

    // The middle of the view; alpha only where the framebuffer keeps it.
    Color centre() const
    {
        unsigned char rgba[4] = {0, 0, 0, 0};
        glReadPixels(160, 120, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
        return expected(Color(rgba[0], rgba[1], rgba[2], rgba[3]));
    }
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

TEST_F(CameraPathGLTest, DrawsTheVisiblePathInThePassColour)
{
    CameraPathManager manager;
    for (int i = 0; i < 300; ++i) {
        CameraPath* path = new CameraPath(nullptr);
        path->addPoint(lookAt(V(-1, 0, 0)));
        path->addPoint(lookAt(V(1, 0, 0)));
        if (i != 299)
            path->disableState(Object3D::Visible);
        manager.addNewObject(path);
    }
    CameraPathParameter para;
    para.lineWidth = 5;
    SceneParameter scene;
    scene.drawPass = SceneParameter::ObjectIDPass;
    manager.draw(para, scene);
    glFlush();
    EXPECT_EQ(centre(), expected(Color(43, 1, 0, 0)));

    scene.drawPass = SceneParameter::NormalPass;
    manager.getData(299)->enableState(Object3D::Selected);
    manager.draw(para, scene);
    glFlush();
    EXPECT_EQ(centre(), expected(Color(255, 0, 0, 255)));

    mCamera.initScreen();
    manager.disableState(Object3D::Visible);
    manager.draw(para, scene);
    glFlush();
    EXPECT_EQ(centre(), expected(Color(255, 255, 255, 255)));
}
