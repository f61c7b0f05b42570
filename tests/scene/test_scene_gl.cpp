// Frames and picking passes of the scene against a real GL context: what lands in the colour
// buffer and what the pick maps read back.
#include "test_scenemodel.h"

#include "gridshot.h"
#include "measure.h"
#include "pointcloud.h"
#include "testutil.h"

#include <QGLWidget>
#include <QSignalSpy>
#include <QGuiApplication>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace {

using V = Vector3T<double>;
constexpr unsigned kNothing = 0xFFFFFFFFu; // the white, opaque clear colour
constexpr unsigned kOutside = 255u;

struct Pixel
{
    unsigned char r, g, b, a;
};

class SceneGLTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QString platform = QGuiApplication::platformName();
        if (platform == "offscreen" || platform == "minimal")
            GTEST_SKIP() << "GL widgets need a display";
        // As the view asks for it: alpha and multisampling.
        QGLFormat format;
        format.setAlpha(true);
        format.setDepth(true);
        format.setSampleBuffers(true);
        mWidget = std::make_unique<QGLWidget>(format);
        mWidget->resize(kSize, kSize);
        mWidget->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(mWidget.get()));
        mWidget->makeCurrent();
        ASSERT_TRUE(mWidget->isValid());
        ASSERT_EQ(mWidget->width(), kSize);

        mModel = std::make_unique<SceneModel>();
        mModel->sceneState.setScreenSize(kSize, kSize);
        // The default camera: eye at (0, -10, 0) looking at the origin, z up.
        mModel->sceneState.getBackground().setRenderingMode(Background::Uniform);
        mModel->sceneState.getBackground().setColor1(Color(10, 20, 30, 255));
        // Shot loads in the frame, not on the loader thread.
        mModel->pointClouds.setDelayLoad(false);
    }

    void TearDown() override
    {
        if (mWidget)
            mWidget->makeCurrent();
        mModel.reset();
        if (mWidget)
            mWidget->doneCurrent();
        mWidget.reset();
    }

    void setFlags(void (*iEdit)(RenderingTarget::ObjectData&))
    {
        RenderingTarget::ObjectData flags = mModel->sceneState.getRenderingTarget().objectData;
        iEdit(flags);
        mModel->sceneState.getRenderingTarget().setObjectData(flags);
    }

    void drawFrame() { mModel->scene.draw(mWidget.get(), &mModel->sceneState); }

    Pixel readPixel(int iX, int iY) const
    {
        Pixel pixel{0, 0, 0, 0};
        glReadPixels(iX, iY, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, &pixel);
        return pixel;
    }

    // Window position of a model point under the last frame set-up.
    void project(const V& iPoint, int* oX, int* oY) const
    {
        const V window = mModel->sceneState.getCamera().convertValueFromModelToGLDevice(iPoint);
        *oX = static_cast<int>(window.x);
        *oY = static_cast<int>(window.y);
    }

    void pick(const V& iPoint, unsigned* oType, unsigned* oID)
    {
        mModel->scene.updateTypeMap();
        mModel->scene.updateIDMap();
        int x = 0;
        int y = 0;
        project(iPoint, &x, &y);
        mModel->scene.getObjectType(oType, x, y);
        mModel->scene.getObjectID(oID, x, y);
    }

    // Large enough that the gizmo round (100, 100) stays clear of the centre.
    // The IDs of every shot pixel (type 0) inside the window rectangle of two model points.
    std::vector<unsigned> shotIDs(const V& iCorner0, const V& iCorner1)
    {
        mModel->scene.updateTypeMap();
        mModel->scene.updateIDMap();
        int x0 = 0;
        int y0 = 0;
        int x1 = 0;
        int y1 = 0;
        project(iCorner0, &x0, &y0);
        project(iCorner1, &x1, &y1);
        std::vector<unsigned> ids;
        for (int y = std::min(y0, y1); y <= std::max(y0, y1); ++y) {
            for (int x = std::min(x0, x1); x <= std::max(x0, x1); ++x) {
                unsigned type = 0;
                mModel->scene.getObjectType(&type, x, y);
                if (type != 0u)
                    continue;
                unsigned id = 0;
                mModel->scene.getObjectID(&id, x, y);
                ids.push_back(id);
            }
        }
        return ids;
    }

    static constexpr int kSize = 400;
    std::unique_ptr<QGLWidget> mWidget;
    std::unique_ptr<SceneModel> mModel;
};

bool isBackground(const Pixel& iPixel)
{
    return iPixel.r == 10 && iPixel.g == 20 && iPixel.b == 30 && iPixel.a == 255;
}

} // namespace

TEST_F(SceneGLTest, FrameHasBackgroundCornersAndColouredAxes)
{
    drawFrame();
    EXPECT_TRUE(isBackground(readPixel(0, 0)));
    EXPECT_TRUE(isBackground(readPixel(kSize - 1, 0)));
    EXPECT_TRUE(isBackground(readPixel(0, kSize - 1)));
    EXPECT_TRUE(isBackground(readPixel(kSize - 1, kSize - 1)));

    int x = 0;
    int y = 0;
    project(V(0.6, 0, 0), &x, &y);
    const Pixel red = readPixel(x, y);
    EXPECT_GT(red.r, 200);
    EXPECT_LT(red.g, 50);
    EXPECT_LT(red.b, 50);
    project(V(0, 0, 0.6), &x, &y);
    const Pixel blue = readPixel(x, y);
    EXPECT_LT(blue.r, 50);
    EXPECT_LT(blue.g, 50);
    EXPECT_GT(blue.b, 200);
    // The rotation centre point, white, at the lock-on point (beside the axes drawn over it).
    project(V(0, 0, 0), &x, &y);
    const Pixel centre = readPixel(x - 3, y - 3);
    EXPECT_GT(centre.r, 200);
    EXPECT_GT(centre.g, 200);
    EXPECT_GT(centre.b, 200);

    // Off: the background shows through.
    setFlags([](RenderingTarget::ObjectData& flags) {
        flags.drawOriginAxis = false;
        flags.drawRotationCenterPoint = false;
    });
    drawFrame();
    project(V(0.6, 0, 0), &x, &y);
    EXPECT_TRUE(isBackground(readPixel(x, y)));
    project(V(0, 0, 0), &x, &y);
    EXPECT_TRUE(isBackground(readPixel(x - 3, y - 3)));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(SceneGLTest, CoarseLevelReplicatesTheReducedPicture)
{
    mWidget->resize(100, 100);
    QCoreApplication::processEvents();
    mWidget->makeCurrent();
    ASSERT_EQ(mWidget->width(), 100);
    mModel->sceneState.setScreenSize(100, 100);
    setFlags([](RenderingTarget::ObjectData& flags) {
        flags.drawOriginAxis = false;
        flags.drawRotationCenterPoint = false;
    });
    mModel->sceneState.setLODLevel(3);
    drawFrame();

    // 33 × 33 pixels read, each spread over 3 × 3; column 99 and row 99 stay empty. The gizmo
    // reaches no further than 50 pixels from the top-right corner.
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 50; ++x)
            ASSERT_TRUE(isBackground(readPixel(x, y))) << x << ", " << y;
    for (int i = 0; i < 50; ++i) {
        const Pixel right = readPixel(99, i);
        const Pixel top = readPixel(i, 99);
        EXPECT_EQ(right.r + right.g + right.b + right.a, 0) << i;
        EXPECT_EQ(top.r + top.g + top.b + top.a, 0) << i;
        EXPECT_TRUE(isBackground(readPixel(98, i))) << i;
    }

    mModel->sceneState.setLODLevel(1);
    drawFrame();
    EXPECT_TRUE(isBackground(readPixel(99, 10)));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(SceneGLTest, EmptySceneMapsToNothingAndOutsideTo255)
{
    unsigned type = 0;
    unsigned id = 0;
    // Before any pass the maps are empty.
    mModel->scene.getObjectType(&type, 10, 10);
    EXPECT_EQ(type, kOutside);

    setFlags([](RenderingTarget::ObjectData& flags) {
        flags.drawOriginAxis = false;
        flags.drawRotationCenterPoint = false;
    });
    mModel->scene.updateTypeMap();
    mModel->scene.updateIDMap();
    mModel->scene.getObjectType(&type, 10, 10);
    mModel->scene.getObjectID(&id, kSize - 1, kSize - 1);
    EXPECT_EQ(type, kNothing);
    EXPECT_EQ(id, kNothing);
    // Outside the view, a column past the width included (it must not wrap to the next row).
    for (const auto& at : {std::pair<int, int>{-1, 0}, {0, -1}, {kSize, 0}, {0, kSize}, {kSize + 5, 3}}) {
        mModel->scene.getObjectType(&type, at.first, at.second);
        EXPECT_EQ(type, kOutside) << at.first << ", " << at.second;
    }
}

TEST_F(SceneGLTest, PicksShotsByTypeAndIndexAndForgetsMovedOnes)
{
    testutil::TempDir folder;
    const std::string path = folder.file("grid.zrpcd");
    ASSERT_TRUE(gridshot::write(path));
    std::string error;
    ASSERT_TRUE(mModel->pointClouds.generateFromBinaryFile_SVO(path, error)) << error;
    ASSERT_TRUE(mModel->pointClouds.generateFromBinaryFile_SVO(path, error)) << error;
    ASSERT_EQ(mModel->pointClouds.getObjectSetSize(), 2u);
    // Shot 1 beside shot 0, to the right.
    Matrix4x4T<double> shift;
    shift(0, 3) = 3.0;
    mModel->pointClouds.getData(1)->setMatrix(shift);
    setFlags([](RenderingTarget::ObjectData& flags) {
        flags.drawOriginAxis = false;
        flags.drawRotationCenterPoint = false;
    });
    drawFrame();

    // The points are drawn at the depth the level of detail chose, so look at every pixel of
    // a shot's square rather than at one.
    const auto idsAt = [this](double iLeft, double iRight) { return shotIDs(V(iLeft, 0, -1), V(iRight, 0, 1)); };
    const std::vector<unsigned> first = idsAt(-1, 1);
    const std::vector<unsigned> second = idsAt(2, 4);
    ASSERT_GT(first.size(), 100u);
    ASSERT_GT(second.size(), 100u);
    EXPECT_EQ(std::count(first.begin(), first.end(), 0u), static_cast<long>(first.size()));
    EXPECT_EQ(std::count(second.begin(), second.end(), 1u), static_cast<long>(second.size()));
    EXPECT_TRUE(idsAt(-4, -2).empty());

    // Moving shot 0 away must not leave it pickable where it was.
    Matrix4x4T<double> away;
    away(0, 3) = -3.0;
    mModel->pointClouds.getData(0)->setMatrix(away);
    drawFrame();
    EXPECT_TRUE(idsAt(-1, 1).empty());
    const std::vector<unsigned> moved = idsAt(-4, -2);
    ASSERT_GT(moved.size(), 100u);
    EXPECT_EQ(std::count(moved.begin(), moved.end(), 0u), static_cast<long>(moved.size()));

    // A hidden shot is not drawn, and the others keep their index.
    mModel->pointClouds.getData(0)->disableState(Object3D::Visible);
    EXPECT_TRUE(idsAt(-4, -2).empty());
    const std::vector<unsigned> kept = idsAt(2, 4);
    ASSERT_GT(kept.size(), 100u);
    EXPECT_EQ(std::count(kept.begin(), kept.end(), 1u), static_cast<long>(kept.size()));

    // Deleting shot 0 renumbers shot 1.
    mModel->scene.deleteObject({mModel->pointClouds.getData(0)});
    drawFrame();
    const std::vector<unsigned> renumbered = idsAt(2, 4);
    ASSERT_GT(renumbered.size(), 100u);
    EXPECT_EQ(std::count(renumbered.begin(), renumbered.end(), 0u), static_cast<long>(renumbered.size()));
}

TEST_F(SceneGLTest, PicksClipBoxAndManipulatorHandlesWithTheirAlpha)
{
    mModel->clipBox.enableState(Object3D::Visible);
    mModel->clipBox.setScale(V(0.5, 0.5, 0.5));
    Matrix4x4T<double> place;
    place(0, 3) = -2.0;
    mModel->clipBox.setMatrix(place);
    mModel->manipulator.setVisible(true);
    Matrix4x4T<double> handles;
    handles(0, 3) = 2.0;
    mModel->manipulator.setMatrix(handles);
    setFlags([](RenderingTarget::ObjectData& flags) {
        flags.drawOriginAxis = false;
        flags.drawRotationCenterPoint = false;
    });
    drawFrame();

    unsigned type = 0;
    unsigned id = 0;
    pick(V(-2.0, 0, 0), &type, &id);
    EXPECT_EQ(type, 5u); // (5, 0, 0, 0): the alpha byte reads back as 0
    EXPECT_EQ(id, 0u);
    pick(V(2.5, 0, 0), &type, &id);
    EXPECT_EQ(type, 4u);
    EXPECT_EQ(id, 0u); // the X axis
    pick(V(2.0, 0, 0.5), &type, &id);
    EXPECT_EQ(type, 4u);
    EXPECT_EQ(id, 2u); // the Z axis
    const double s = std::sqrt(0.5);
    pick(V(2.0 + s, 0, s), &type, &id);
    EXPECT_EQ(type, 4u);
    EXPECT_EQ(id, 4u); // the Y ring, in the x-z plane

    // At a coarse level the pass still covers the whole view.
    mModel->sceneState.setLODLevel(2);
    pick(V(-2.0, 0, 0), &type, &id);
    EXPECT_EQ(type, 5u);
    pick(V(2.5, 0, 0), &type, &id);
    EXPECT_EQ(type, 4u);
    EXPECT_EQ(id, 0u);
    // And the conversions see the whole view afterwards.
    int x = 0;
    int y = 0;
    project(V(0, 0, 0), &x, &y);
    EXPECT_NEAR(x, kSize / 2, 1);
    EXPECT_NEAR(y, kSize / 2, 1);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(SceneGLTest, MapsAreKeptUntilAChangeAndPassesAreSilent)
{
    mModel->clipBox.enableState(Object3D::Visible);
    mModel->clipBox.setScale(V(0.5, 0.5, 0.5));
    setFlags([](RenderingTarget::ObjectData& flags) {
        flags.drawOriginAxis = false;
        flags.drawRotationCenterPoint = false;
    });
    QSignalSpy value(&mModel->scene, SIGNAL(changedValue()));

    unsigned type = 0;
    unsigned id = 0;
    pick(V(0.9, 0, 0), &type, &id);
    EXPECT_EQ(type, kNothing);
    // Written past the setter: no signal, so the map stays as it was read.
    mModel->clipBox.scale = V(1, 1, 1);
    pick(V(0.9, 0, 0), &type, &id);
    EXPECT_EQ(type, kNothing);
    EXPECT_EQ(value.count(), 0);
    EXPECT_EQ(mModel->sceneState.getSceneParameter().drawPass, SceneParameter::NormalPass);

    mModel->clipBox.setScale(V(1, 1, 1.5));
    pick(V(0.9, 0, 0), &type, &id);
    EXPECT_EQ(type, 5u);
}

TEST_F(SceneGLTest, RectanglePickListsEveryPixelInside)
{
    mModel->clipBox.enableState(Object3D::Visible);
    mModel->clipBox.setScale(V(0.5, 0.5, 0.5));
    setFlags([](RenderingTarget::ObjectData& flags) {
        flags.drawOriginAxis = false;
        flags.drawRotationCenterPoint = false;
    });
    mModel->scene.updateTypeMap();
    mModel->scene.updateIDMap();

    // Widget coordinates, y from the top: a 5 × 4 block round the view centre.
    std::vector<unsigned> types = {77u};
    mModel->scene.getObjectTypeList(&types, Range{198.0f, 202.5f}, Range{199.0f, 202.0f});
    ASSERT_EQ(types.size(), 1u + 5u * 4u);
    EXPECT_EQ(types.front(), 77u);
    EXPECT_TRUE(std::all_of(types.begin() + 1, types.end(), [](unsigned t) { return t == 5u; }));
    std::vector<unsigned> ids;
    mModel->scene.getObjectIDList(&ids, Range{198.0f, 202.5f}, Range{199.0f, 202.0f});
    EXPECT_EQ(ids, std::vector<unsigned>(20, 0u));

    // The whole view and beyond: rows 1 to 400 of the widget and columns 0 to 399 are inside.
    std::vector<unsigned> all;
    mModel->scene.getObjectTypeList(&all, Range{-50.0f, 500.0f}, Range{-50.0f, 500.0f});
    EXPECT_EQ(all.size(), static_cast<std::size_t>(kSize) * kSize);
    EXPECT_GT(std::count(all.begin(), all.end(), 5u), 100);
    EXPECT_GT(std::count(all.begin(), all.end(), kNothing), 100);

    // Wild ranges end at once.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float huge = std::numeric_limits<float>::max();
    std::vector<unsigned> none;
    mModel->scene.getObjectTypeList(&none, Range{nan, nan}, Range{0.0f, 10.0f});
    mModel->scene.getObjectTypeList(&none, Range{10.0f, 5.0f}, Range{0.0f, 10.0f});
    mModel->scene.getObjectTypeList(&none, Range{huge, huge}, Range{-huge, huge});
    EXPECT_TRUE(none.empty());
    std::vector<unsigned> wide;
    mModel->scene.getObjectTypeList(&wide, Range{-huge, huge}, Range{200.0f, 200.0f});
    EXPECT_EQ(wide.size(), static_cast<std::size_t>(kSize));
}

TEST_F(SceneGLTest, LabelsAreRenderedOnceIntoEmptyImages)
{
    ASSERT_TRUE(mModel->measures.createMeasureLength({V(0, 0, 0), V(1, 0, 0)}));
    ASSERT_TRUE(mModel->comments.createComment(V(0, 0, 0), "Title", {"first line", "second"}));
    mModel->measures.setLabelMode(MeasureParameter::XYZ);
    Measure* measure = mModel->measures.getData(0);
    measure->enableState(Object3D::Selected);
    drawFrame();

    ASSERT_FALSE(measure->labelImage.empty());
    EXPECT_GT(measure->labelWidth, 0);
    EXPECT_EQ(measure->labelHeight % 3, 0); // three lines
    EXPECT_EQ(measure->labelImage.size(), static_cast<std::size_t>(measure->labelWidth) * measure->labelHeight * 4u);
    // Selected: red text on black.
    bool red = false;
    for (std::size_t i = 0; i < measure->labelImage.size(); i += 4)
        red = red || (measure->labelImage[i] > 128 && measure->labelImage[i + 1] == 0);
    EXPECT_TRUE(red);

    Comment* comment = mModel->comments.getData(0);
    ASSERT_FALSE(comment->labelImage.empty());
    EXPECT_EQ(comment->labelHeight % 2, 0);
    // A filled image is not rendered again.
    comment->labelImage.assign(comment->labelImage.size(), 7);
    drawFrame();
    EXPECT_EQ(comment->labelImage.front(), 7);
}

TEST_F(SceneGLTest, InformationLinesGoToStandardOutput)
{
    RenderingTarget::InfomationData info;
    info.showDrawFlagInfomation = true;
    info.showBackgroundRenderingInfomation = true;
    mModel->sceneState.getRenderingTarget().setInfomationData(info);
    setFlags([](RenderingTarget::ObjectData& flags) { flags.drawOriginAxis = false; });

    testutil::CoutCapture capture;
    drawFrame();
    const std::vector<std::string> lines = capture.lines();
    const std::vector<std::string> expected = {"----- Draw Flags -----",
                                               "RotationCenterPoint: true",
                                               "OriginAxis: flase",
                                               "PointCloud: true",
                                               "Measure: true",
                                               "Comment: true",
                                               "CameraPath: true",
                                               "",
                                               "----- Background Rendering -----",
                                               "RenderingMode: " + Background::toString(Background::Uniform),
                                               "Color 0: [10, 20, 30]",
                                               "Color 1: [0, 0, 0]",
                                               ""};
    EXPECT_EQ(lines, expected);
}
