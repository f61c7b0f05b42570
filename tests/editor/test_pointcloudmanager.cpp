// The editor's point cloud manager: its 0.0 render settings file and its draw passes.
#include "pointcloud.h"
#include "pointcloudimp.h"
#include "pointcloudmanager.h"

#include "testutil.h"

#include <QGLFramebufferObject>
#include <QGLWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>

namespace {

std::string readFile(const std::string& iPath)
{
    std::ifstream in(iPath, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void writeFile(const std::string& iPath, const std::string& iText)
{
    std::ofstream(iPath, std::ios::binary) << iText;
}

const char* const flFile00 = "PointCloudRenderingData 0.0\n* PointSize\n7\n* ContourMode\n3\n"
                             "* ContourValueMax\n2.5\n* ContourValueMin\n-0.25\n* ContourColorMax\n1 2 3\n"
                             "* ContourColorMin\n4 5 6\n* DelayLoad\n1\n* LoadLevelNormal\n2\n* LoadLevelRough\n1\n";

} // namespace

TEST(EditorRenderSettings, RoundTripsVersion00ByteForByteAndRefusesTheRest)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("Scene.txt").toStdString();
    const std::string copy = dir.filePath("Copy.txt").toStdString();
    writeFile(path, flFile00);
    PointCloudManager manager;
    manager.disableState(Object3D::Visible);
    std::string error = "untouched";
    {
        testutil::CoutCapture capture;
        ASSERT_TRUE(manager.initPointWithTextFile(path, error));
        ASSERT_TRUE(manager.exportPointParameter(copy, error));
        EXPECT_EQ(capture.text(), "PointCloudRenderSetting Ver: 0.0\nPointCloudRenderSetting Ver: 0.0\n");
    }
    EXPECT_EQ(error, "untouched");
    EXPECT_EQ(readFile(copy), flFile00);
    EXPECT_EQ(manager.getPointCloudParameter()->pointSize, 7);
    EXPECT_EQ(manager.getPointCloudParameter()->contourColorMin, Color(4, 5, 6, 255));
    EXPECT_FALSE(manager.hasState(Object3D::Visible)); // the 0.0 file carries no visibility

    // Each broken file fails with its message and changes nothing.
    std::string file01 = flFile00;
    file01.replace(file01.find("0.0"), 3, "0.1");
    std::string missing = flFile00;
    missing.replace(missing.find("* DelayLoad"), 11, "* Delay");
    const struct
    {
        std::string text;
        std::string message;
    } cases[] = {
        {file01, path + ": PointCloudRenderingData version 0.1 is not supported."},
        {missing, "Header: DelayLoad is not found."},
        {"Other 0.0\n", "PointCloudRenderingData is not found."},
        {"", "File Header Error."},
    };
    PointCloudManager fresh;
    for (const auto& c : cases) {
        writeFile(path, c.text);
        testutil::CoutCapture capture;
        EXPECT_FALSE(fresh.initPointWithTextFile(path, error)) << c.message;
        EXPECT_EQ(error, c.message);
        EXPECT_EQ(fresh.getPointCloudParameter()->pointSize, 4) << c.message;
    }
    const std::string absent = dir.filePath("none/Scene.txt").toStdString();
    EXPECT_FALSE(fresh.initPointWithTextFile(absent, error));
    EXPECT_EQ(error, "Cannot open file for reading: " + absent);
    EXPECT_FALSE(fresh.exportPointParameter(absent, error));
    EXPECT_EQ(error, "Cannot open file for writting: " + absent);
}

namespace {

QGLWidget* glWidget()
{
    static QGLWidget* widget = nullptr;
    if (widget == nullptr) {
        widget = new QGLWidget;
        if (!widget->isValid())
            return nullptr;
    }
    widget->makeCurrent();
    return widget;
}

// A shot of one point at the origin; iFlag may mark it deleted.
PointCloud* addShot(PointCloudManager* ioManager, unsigned iFlag = 0)
{
    PointCloudData data;
    Point point;
    point.color = Color(100, 150, 200, 255);
    point.flag = iFlag;
    data.pointList.push_back(point);
    data.width = 1;
    data.height = 1;
    data.validPointNumber = 1;
    std::string error;
    PointCloud* shot = new PointCloud;
    shot->setPointCloud(PointCloudImp::generateFromPCD(data, "one.zrpcd", error));
    ioManager->addNewObject(shot);
    return shot;
}

// The centre pixel of a 16 x 16 target after iDraw.
template <typename Draw>
Color drawnCentre(Draw iDraw)
{
    QGLFramebufferObject target(16, 16);
    target.bind();
    glViewport(0, 0, 16, 16);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    iDraw();
    unsigned char p[4] = {};
    glReadPixels(8, 8, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    target.release();
    return Color(p[0], p[1], p[2], p[3]);
}

} // namespace

TEST(EditorManagerDraw, PickingColoursAndDeletedPoints)
{
    if (glWidget() == nullptr)
        GTEST_SKIP() << "GL widgets need a display";
    const Color white(255, 255, 255, 255);
    PointCloudManager manager;
    for (int i = 0; i < 256; ++i)
        manager.addNewObject(new PointCloud);
    addShot(&manager);
    manager.disableState(Object3D::Visible); // hides nothing in the editor
    EXPECT_EQ(drawnCentre([&] { manager.drawByObjectID(4); }), Color(0, 1, 0, 0));
    EXPECT_EQ(drawnCentre([&] { manager.drawByObjectType(4); }), Color(0, 0, 0, 0));
    EXPECT_EQ(drawnCentre([&] { manager.draw(4, *manager.getPointCloudParameter()); }), Color(100, 150, 200, 255));
    // The editor's contour colour is not scaled by the point's brightness: x = 0 takes the
    // minimum colour as it is.
    manager.setPointContourMode(2);
    EXPECT_EQ(drawnCentre([&] { manager.draw(4, *manager.getPointCloudParameter()); }), Color(0, 0, 255, 255));
    manager.getData(256)->enableState(Object3D::Selected);
    EXPECT_EQ(drawnCentre([&] { manager.draw(4, *manager.getPointCloudParameter()); }), Color(200, 0, 0, 255));
    manager.getData(256)->disableState(Object3D::Visible);
    EXPECT_EQ(drawnCentre([&] { manager.drawByObjectID(4); }), white);

    // A deleted point is dropped by the shader but still coloured by the picking passes.
    PointCloudManager deleted;
    addShot(&deleted, Point::Deleted);
    EXPECT_EQ(drawnCentre([&] { deleted.draw(4, *deleted.getPointCloudParameter()); }), white);
    EXPECT_EQ(drawnCentre([&] { deleted.drawByObjectID(4); }), Color(0, 0, 0, 0));
}
