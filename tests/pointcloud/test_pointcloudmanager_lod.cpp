// The manager's level-of-detail step, its loader decisions, render settings and draw passes.
// The point data is a recording stand-in for the octree implementation; the GL cases draw into
// a framebuffer object and compare the shader's colours with a CPU reference.
#include "pointcloudmanager.h"

#include "camera.h"
#include "clipbox.h"
#include "deleter.h"
#include "drawfunction.h"
#include "octreedepth.h"
#include "pointcloud.h"
#include "pointcloudinterface.h"
#include "pointcloudloader.h"
#include "pointcloudmanagerform.h"
#include "scanfixture.h"
#include "shotfixture.h"
#include "testutil.h"

#include <QGLFramebufferObject>
#include <QGLShaderProgram>
#include <QGLWidget>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QThread>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

using V = Vector3T<double>;
using testutil::CoutCapture;

// ---------------------------------------------------------------------------------------------
// A recording stand-in for a shot's octree data
// ---------------------------------------------------------------------------------------------

// What the stand-in was asked, in order, with the thread that asked. Outlives the stand-in,
// which its shot frees.
struct Record
{
    struct Call
    {
        std::string what;
        int value;
        bool onGuiThread;
    };

    void add(const std::string& iWhat, int iValue = 0)
    {
        std::lock_guard<std::mutex> lock(mutex);
        calls.push_back(Call{iWhat, iValue, QThread::currentThread() == qApp->thread()});
    }
    std::vector<Call> get(const std::string& iWhat) const
    {
        std::lock_guard<std::mutex> lock(mutex);
        std::vector<Call> found;
        for (const Call& call : calls)
            if (call.what == iWhat)
                found.push_back(call);
        return found;
    }
    // Position of the first call named iWhat; -1 when there is none.
    int indexOf(const std::string& iWhat) const
    {
        std::lock_guard<std::mutex> lock(mutex);
        for (std::size_t i = 0; i < calls.size(); ++i)
            if (calls[i].what == iWhat)
                return static_cast<int>(i);
        return -1;
    }

    int lastIndexOf(const std::string& iWhat) const
    {
        std::lock_guard<std::mutex> lock(mutex);
        for (std::size_t i = calls.size(); i-- > 0;)
            if (calls[i].what == iWhat)
                return static_cast<int>(i);
        return -1;
    }

    // Point loads wait while the gate is shut, ten seconds at most.
    void shutGate()
    {
        std::lock_guard<std::mutex> lock(mutex);
        gateOpen = false;
    }
    void openGate()
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            gateOpen = true;
        }
        gate.notify_all();
    }
    void passGate()
    {
        std::unique_lock<std::mutex> lock(mutex);
        gate.wait_for(lock, std::chrono::seconds(10), [this]() { return gateOpen; });
    }

    mutable std::mutex mutex;
    std::vector<Call> calls;
    std::condition_variable gate;
    bool gateOpen = true;
};

// Freed by a Deleter: records on which thread.
struct Body
{
    explicit Body(std::shared_ptr<Record> iRecord) : record(std::move(iRecord)) {}
    ~Body() { record->add("body freed"); }
    std::shared_ptr<Record> record;
};

class FakeData : public PointCloudInterface, public PointCloudSVOInterface
{
public:
    explicit FakeData(std::shared_ptr<Record> iRecord) : mRecord(std::move(iRecord)) {}
    ~FakeData() override { mRecord->add("data freed"); }

    // State the level checks look at.
    bool hasData = true;
    int treeDepth = 10;
    bool leavesLoaded = true;
    // Points drawn, in shot coordinates.
    std::vector<Vector3T<float>> positions;
    std::vector<Color> colors;
    // A point load sleeps this long, to be caught running.
    int pointLoadMilliseconds = 0;

    // PointCloudInterface
    std::string getFilePath() const override { return "fake"; }
    int getPointNumber() const override { return static_cast<int>(positions.size()); }
    Vector3T<double> getCenter() const override { return V(); }
    Vector3T<double> getSize() const override { return V(1, 1, 1); }
    void draw(int iLevel, int iPointSize) const override
    {
        mRecord->add("draw", iLevel);
        drawPoints(positions, colors, iPointSize);
    }
    void draw(int iLevel, int iPointSize, Color iColor) const override
    {
        mRecord->add("draw flat", iLevel);
        drawPoints(positions, iColor, iPointSize);
    }
    PointCloudSVOInterface* getSVOInterface() override { return this; }

    // PointCloudSVOInterface: the level-of-detail side records, the rest does nothing.
    bool isLoadedDrawLeafData() const override
    {
        mRecord->add("leaves checked");
        std::lock_guard<std::mutex> lock(mMutex);
        return leavesLoaded;
    }
    bool isLoadedDrawVoxelData() const override { return true; }
    void updateDrawNode(const Matrix4x4T<double>&, const Camera&, int iPointSize, float) override
    {
        mRecord->add("update draw nodes", iPointSize);
    }
    std::vector<const void*> getDrawLeafNodeKeyList() const override { return {&mKeys[0], &mKeys[1]}; }
    std::vector<const void*> getDrawVoxelNodeKeyList() const override { return {&mKeys[2]}; }
    int getTreeDepth() override
    {
        mRecord->add("depth checked");
        std::lock_guard<std::mutex> lock(mMutex);
        return treeDepth;
    }
    bool hasPointData() override { return hasData; }
    void clearPointData() override { hasData = false; }
    void clearPointData(Deleter** oDeleter) override
    {
        mRecord->add("clear");
        hasData = false;
        *oDeleter = new TDeleter<Body>(new Body(mRecord));
    }
    bool loadSVO_Base(std::string&) override
    {
        mRecord->add("base");
        hasData = true;
        return true;
    }
    bool loadSVO_Nodes(int iDepth, std::string&) override
    {
        mRecord->add("nodes", iDepth);
        std::lock_guard<std::mutex> lock(mMutex);
        treeDepth = std::max(treeDepth, iDepth);
        return true;
    }
    bool loadSVO_Points(const std::vector<const void*>& iKeys, bool volatile* iStop, std::string& iError) override
    {
        (void)iStop;
        return loadSVO_Points(iKeys, iError);
    }
    bool loadSVO_Points(const std::vector<const void*>& iKeys, std::string&) override
    {
        mRecord->add("points begin", static_cast<int>(iKeys.size()));
        std::this_thread::sleep_for(std::chrono::milliseconds(pointLoadMilliseconds));
        mRecord->passGate();
        {
            std::lock_guard<std::mutex> lock(mMutex);
            leavesLoaded = iKeys.size() == 2 && iKeys[0] == &mKeys[0] && iKeys[1] == &mKeys[1];
        }
        mRecord->add("points end");
        return true;
    }

    bool exportBinaryFile_SVO(const std::string&, const PointCloudData&) const override { return false; }
    bool updatePCD(PointCloudData*) const override { return false; }
    bool getPointCloudData(PointCloudData*) const override { return false; }
    void updateDrawNode_FullLeaf() override {}
    void drawVoxelNodes(Color) const override {}
    void drawVoxelNodesWithIndexColor() const override {}
    void drawPolygon() const override {}
    void drawPolygonEdge(Color) const override {}
    void setDrawVoxelNodeList(const std::vector<unsigned int>&) override {}
    bool loadSVO(std::string&) override { return true; }
    bool loadSVO_Tree(std::string&) override { return true; }
    bool loadSVO_Voxels(const std::vector<const void*>&, std::string&) override { return true; }
    int getWidth() const override { return 0; }
    int getHeight() const override { return 0; }
    void selectPointALL() override {}
    void deselectPointALL() override {}
    void selectPoint(const std::vector<Vector4T<double>>&) override {}
    void deselectPoint(const std::vector<Vector4T<double>>&) override {}
    void deleteSelectedPoint() override {}

private:
    std::shared_ptr<Record> mRecord;
    mutable std::mutex mMutex;
    const int mKeys[3] = {0, 0, 0};
};

// A shot over a new stand-in, added to iManager; the stand-in stays reachable through *oData.
PointCloud* addShot(PointCloudManager* iManager, const std::shared_ptr<Record>& iRecord, const V& iBoxSize,
                    FakeData** oData = nullptr, const V& iTranslation = V())
{
    PointCloud* shot = new PointCloud;
    FakeData* data = new FakeData(iRecord);
    shot->setBoundingBox(BoundingBox(V(), iBoxSize));
    Matrix4x4T<double> matrix;
    matrix(0, 3) = iTranslation.x;
    matrix(1, 3) = iTranslation.y;
    matrix(2, 3) = iTranslation.z;
    shot->setMatrix(matrix);
    shot->setPointCloud(data);
    iManager->addNewObject(shot);
    if (oData)
        *oData = data;
    return shot;
}

// The default view: eye at (0, -10, 0) looking at the origin, far plane 100, 30 degrees half
// opening, 200 x 100 pixels, after its frame set-up.
void setUpCamera(Camera* ioCamera)
{
    ioCamera->setScreenData(Camera::ScreenData{200, 100});
    ioCamera->initScreen();
    ASSERT_TRUE(ioCamera->setSceneMatrix());
    ioCamera->updateCornerPoints();
}

// The one GL context of this program: the point shader is built once per run, in the first
// context that draws.
QGLWidget* glWidget()
{
    const QString platform = QGuiApplication::platformName();
    if (platform == "offscreen" || platform == "minimal")
        return nullptr;
    static QGLWidget* widget = nullptr;
    if (!widget) {
        QGLFormat format;
        format.setAlpha(true);
        format.setDepth(true);
        format.setSampleBuffers(false);
        widget = new QGLWidget(format);
        widget->resize(64, 64);
        widget->show();
        if (!QTest::qWaitForWindowExposed(widget))
            return nullptr;
    }
    widget->makeCurrent();
    return widget->isValid() ? widget : nullptr;
}

// The draw level the passes use now: read back from what a flat pass hands the stand-in.
int drawnLevel(const PointCloudManager& iManager, const Record& iRecord)
{
    const std::size_t before = iRecord.get("draw flat").size();
    iManager.drawByObjectType(1, ClipBox());
    const std::vector<Record::Call> calls = iRecord.get("draw flat");
    return calls.size() > before ? calls.back().value : -1;
}

class LevelOfDetailTest : public ::testing::Test
{
protected:
    void SetUp() override { setUpCamera(&mCamera); }

    void update(int iTargetLevel, bool iDelay, int iPointSize = 4)
    {
        mManager.updateDrawData(iPointSize, iTargetLevel, iDelay, mCamera, mClipBox);
    }

    std::shared_ptr<Record> mRecord = std::make_shared<Record>();
    Camera mCamera;
    ClipBox mClipBox;
    PointCloudManager mManager;
};

} // namespace

// ---------------------------------------------------------------------------------------------
// Depth choice and culling
// ---------------------------------------------------------------------------------------------

// A box at the origin seen from 10 units away has the pixel size P = D far / (10 - D / 2), D its
// diagonal. With P = t 2^(d-1) 1.5 (t = point size x far-plane pixel size) the wanted depth is
// d; the frame loads nodes two layers short of it, at most 6.
TEST_F(LevelOfDetailTest, SynchronousNodeDepthFollowsTheWantedDepth)
{
    const float threshold = 4 * mCamera.getFarPlanePixelSize();
    ASSERT_GT(threshold, 0.0f);
    const int expected[10] = {0, 1, 2, 1, 2, 3, 4, 5, 6, 6};
    for (int depth = 0; depth < 10; ++depth) {
        const double pixelSize = depth == 0 ? 0.5 * threshold : threshold * std::pow(2.0, depth - 1) * 1.5;
        const double diagonal = 10.0 * pixelSize / (100.0 + pixelSize / 2.0);
        const double edge = diagonal / std::sqrt(3.0);
        std::shared_ptr<Record> record = std::make_shared<Record>();
        PointCloudManager manager;
        addShot(&manager, record, V(edge, edge, edge));
        manager.updateDrawData(4, 2, false, mCamera, mClipBox);
        const std::vector<Record::Call> nodes = record->get("nodes");
        ASSERT_EQ(nodes.size(), 1u) << depth;
        EXPECT_EQ(nodes[0].value, expected[depth]) << depth;
        EXPECT_LT(record->indexOf("base"), record->indexOf("nodes"));
        EXPECT_EQ(record->get("update draw nodes").size(), 1u);
    }

    // The eye inside the box's sphere wants depth 100: six layers at once.
    addShot(&mManager, mRecord, V(30, 30, 30));
    update(2, false);
    ASSERT_EQ(mRecord->get("nodes").size(), 1u);
    EXPECT_EQ(mRecord->get("nodes")[0].value, 6);
}

TEST_F(LevelOfDetailTest, ShotsLeavingTheViewHandTheirOctreesToTheDeleter)
{
    std::shared_ptr<Record> behind = std::make_shared<Record>();
    std::shared_ptr<Record> empty = std::make_shared<Record>();
    FakeData* emptyData = nullptr;
    addShot(&mManager, mRecord, V(1, 1, 1));
    // The box's centre is placed by the matrix: this one lies behind the eye.
    addShot(&mManager, behind, V(1, 1, 1), nullptr, V(0, -30, 0));
    addShot(&mManager, empty, V(1, 1, 1), &emptyData, V(0, -30, 0));
    emptyData->hasData = false;

    update(2, false);
    EXPECT_EQ(mRecord->get("base").size(), 1u);
    EXPECT_TRUE(behind->get("base").empty());
    EXPECT_TRUE(behind->get("nodes").empty());
    ASSERT_EQ(behind->get("clear").size(), 1u);
    EXPECT_TRUE(empty->get("clear").empty());
    EXPECT_TRUE(mRecord->get("clear").empty());
    // Out of view or not, every shot chooses its draw nodes.
    EXPECT_EQ(behind->get("update draw nodes").size(), 1u);
    EXPECT_EQ(behind->get("update draw nodes")[0].value, 4);

    // The octree is freed on the deleter thread, started at the end of the step.
    for (int i = 0; i < 500 && behind->get("body freed").empty(); ++i)
        QTest::qWait(10);
    ASSERT_EQ(behind->get("body freed").size(), 1u);
    EXPECT_FALSE(behind->get("body freed")[0].onGuiThread);
}

TEST_F(LevelOfDetailTest, ABackgroundLoadEndsBeforeAnOctreeIsReleased)
{
    FakeData* data = nullptr;
    PointCloud* shot = addShot(&mManager, mRecord, V(1, 1, 1), &data);
    data->leavesLoaded = false;
    data->pointLoadMilliseconds = 200;
    update(0, true);
    for (int i = 0; i < 500 && mRecord->indexOf("points begin") < 0; ++i)
        QTest::qWait(2);
    ASSERT_GE(mRecord->indexOf("points begin"), 0);

    // The shot leaves the view while its points are being read.
    Matrix4x4T<double> away;
    away(1, 3) = -30;
    shot->setMatrix(away);
    update(0, true);
    ASSERT_GE(mRecord->indexOf("clear"), 0);
    ASSERT_GE(mRecord->indexOf("points end"), 0);
    EXPECT_LT(mRecord->indexOf("points end"), mRecord->indexOf("clear"));
}

TEST_F(LevelOfDetailTest, AnOutOfViewShotWithoutDataDoesNotStopTheLoader)
{
    FakeData* data = nullptr;
    FakeData* idle = nullptr;
    std::shared_ptr<Record> idleRecord = std::make_shared<Record>();
    addShot(&mManager, mRecord, V(1, 1, 1), &data);
    addShot(&mManager, idleRecord, V(1, 1, 1), &idle, V(0, -30, 0));
    idle->hasData = false;
    data->leavesLoaded = false;
    mRecord->shutGate();
    update(0, true);
    for (int i = 0; i < 500 && mRecord->indexOf("points begin") < 0; ++i)
        QTest::qWait(2);
    ASSERT_GE(mRecord->indexOf("points begin"), 0);
    update(0, true);
    // The second step neither waited for the load nor started another one.
    EXPECT_LT(mRecord->indexOf("points end"), 0);
    mRecord->openGate();
    mManager.stopDataLoading();
    EXPECT_GE(mRecord->indexOf("points end"), 0);
    EXPECT_EQ(mRecord->get("points begin").size(), 1u);
}

// ---------------------------------------------------------------------------------------------
// Loader decisions, as the frame sees them
// ---------------------------------------------------------------------------------------------

TEST_F(LevelOfDetailTest, NodeLevelChecksAndLoadsNothing)
{
    FakeData* data = nullptr;
    addShot(&mManager, mRecord, V(1, 1, 1), &data);
    data->treeDepth = -1;
    data->leavesLoaded = false;
    update(2, false);
    EXPECT_TRUE(mRecord->get("depth checked").empty());
    EXPECT_TRUE(mRecord->get("leaves checked").empty());
    EXPECT_TRUE(mRecord->get("points begin").empty());
    if (glWidget()) {
        EXPECT_EQ(drawnLevel(mManager, *mRecord), 2);
    }
}

TEST_F(LevelOfDetailTest, WithoutDelayTheFrameLoadsNodesAndPointsItself)
{
    FakeData* data = nullptr;
    addShot(&mManager, mRecord, V(3, 3, 3), &data);
    data->treeDepth = 0;
    data->leavesLoaded = false;
    update(1, false);
    // The frame's own layers first, then the loader brings the wanted depth, then the points.
    const std::vector<Record::Call> nodes = mRecord->get("nodes");
    ASSERT_EQ(nodes.size(), 2u);
    EXPECT_LT(nodes[0].value, nodes[1].value);
    EXPECT_TRUE(nodes[1].onGuiThread);
    const std::vector<Record::Call> points = mRecord->get("points begin");
    ASSERT_EQ(points.size(), 1u);
    EXPECT_EQ(points[0].value, 2); // the leaf keys of the draw lists
    EXPECT_TRUE(points[0].onGuiThread);
    if (glWidget()) {
        EXPECT_EQ(drawnLevel(mManager, *mRecord), 0);
    }
}

TEST_F(LevelOfDetailTest, WithDelayTheFrameDrawsNodesWhileTheLoaderWorks)
{
    FakeData* data = nullptr;
    addShot(&mManager, mRecord, V(3, 3, 3), &data);
    data->treeDepth = 0;
    data->leavesLoaded = false;
    const QThread* guiThread = QThread::currentThread();
    const QThread* relayThread = nullptr;
    QObject::connect(&mManager, &PointCloudManager::finishedDataLoading, &mManager,
            [&relayThread]() { relayThread = QThread::currentThread(); });
    QSignalSpy finished(&mManager, SIGNAL(finishedDataLoading()));

    // Nodes missing: a background node load.
    update(0, true);
    if (glWidget()) {
        EXPECT_EQ(drawnLevel(mManager, *mRecord), 2);
    }
    ASSERT_TRUE(finished.count() == 1 || finished.wait(5000));
    EXPECT_EQ(relayThread, guiThread);
    ASSERT_EQ(mRecord->get("nodes").size(), 2u);
    EXPECT_FALSE(mRecord->get("nodes")[1].onGuiThread);
    EXPECT_TRUE(mRecord->get("points begin").empty());

    // Nodes complete, points missing: a background point load.
    update(0, true);
    ASSERT_TRUE(finished.count() == 2 || finished.wait(5000));
    ASSERT_EQ(mRecord->get("points begin").size(), 1u);
    EXPECT_FALSE(mRecord->get("points begin")[0].onGuiThread);

    // Everything there: points are drawn and nothing more is loaded.
    update(0, true);
    EXPECT_EQ(mRecord->get("points begin").size(), 1u);
    if (glWidget()) {
        EXPECT_EQ(drawnLevel(mManager, *mRecord), 0);
    }
}

TEST_F(LevelOfDetailTest, WithoutShotsOnlyTheTargetLevelCounts)
{
    if (!glWidget())
        GTEST_SKIP() << "the draw level is read back through a draw pass";
    // The draw level belongs to all managers: a shot of another one shows it.
    std::shared_ptr<Record> record = std::make_shared<Record>();
    PointCloudManager probe;
    addShot(&probe, record, V(1, 1, 1));
    update(2, false);
    EXPECT_EQ(drawnLevel(probe, *record), 2);
    update(0, false);
    EXPECT_EQ(drawnLevel(probe, *record), 0);
}

// ---------------------------------------------------------------------------------------------
// Threads over the shots' lifetime
// ---------------------------------------------------------------------------------------------

TEST(PointCloudManagerThreads, EveryShotAddedFreesItsOctreeOnTheDeleterThread)
{
    std::shared_ptr<Record> record = std::make_shared<Record>();
    Camera camera;
    setUpCamera(&camera);
    PointCloudManager manager;
    PointCloud* shot = addShot(&manager, record, V(1, 1, 1));
    manager.deleteObject(shot);
    // The small rest at once, the octree body through the deleter's queue.
    EXPECT_EQ(record->get("clear").size(), 1u);
    EXPECT_EQ(record->get("data freed").size(), 1u);
    manager.updateDrawData(4, 0, false, camera, ClipBox());
    for (int i = 0; i < 500 && record->get("body freed").empty(); ++i)
        QTest::qWait(10);
    ASSERT_EQ(record->get("body freed").size(), 1u);
    EXPECT_FALSE(record->get("body freed")[0].onGuiThread);
}

TEST(PointCloudManagerThreads, DestructionWaitsForTheLoaderAndDrainsTheDeleter)
{
    std::shared_ptr<Record> kept = std::make_shared<Record>();
    std::shared_ptr<Record> dropped = std::make_shared<Record>();
    {
        Camera camera;
        setUpCamera(&camera);
        PointCloudManager manager;
        FakeData* data = nullptr;
        addShot(&manager, kept, V(1, 1, 1), &data);
        PointCloud* gone = addShot(&manager, dropped, V(1, 1, 1));
        data->leavesLoaded = false;
        data->pointLoadMilliseconds = 100;
        manager.updateDrawData(4, 0, true, camera, ClipBox());
        for (int i = 0; i < 500 && kept->get("points begin").size() < 1; ++i)
            QTest::qWait(2);
        // Shots are deleted with the loader stopped; the octree waits in the deleter's queue.
        manager.stopDataLoading();
        manager.deleteObject(gone);
        data->leavesLoaded = false;
        manager.updateDrawData(4, 0, true, camera, ClipBox());
        for (int i = 0; i < 500 && kept->get("points begin").size() < 2; ++i)
            QTest::qWait(2);
        ASSERT_EQ(kept->get("points begin").size(), 2u);
    }
    // The running load ended before its shot's data was freed; the queued octree was freed.
    ASSERT_EQ(kept->get("points end").size(), 2u);
    ASSERT_EQ(kept->get("data freed").size(), 1u);
    EXPECT_LT(kept->lastIndexOf("points end"), kept->indexOf("data freed"));
    EXPECT_EQ(dropped->get("body freed").size(), 1u);
    EXPECT_EQ(dropped->get("data freed").size(), 1u);
}

// ---------------------------------------------------------------------------------------------
// Render settings
// ---------------------------------------------------------------------------------------------

TEST(PointCloudManagerSettings, SettersStoreChangesInRangeAndReportEachOnce)
{
    PointCloudManager manager;
    const PointCloudParameter& p = *manager.getPointCloudParameter();
    QSignalSpy changed(&manager, SIGNAL(changedValue()));

    // Levels 0 to 2, tested as unsigned.
    manager.setTargetLevel(-1);
    manager.setTargetLevel(3);
    manager.setTargetLevel(0); // the default
    EXPECT_EQ(changed.count(), 0);
    manager.setTargetLevel(2);
    manager.setNormalLevel(1);
    manager.setRoughLevel(2);
    manager.setRoughLevel(2);
    manager.setNormalLevel(-5);
    EXPECT_EQ(changed.count(), 3);
    EXPECT_EQ(p.targetLevel, 2);
    EXPECT_EQ(p.normalLevel, 1);
    EXPECT_EQ(p.roughLevel, 2);

    changed.clear();
    manager.setPointSize(0);
    manager.setPointSize(11);
    manager.setPointSize(4);
    EXPECT_EQ(changed.count(), 0);
    manager.setPointSize(10);
    manager.setPointSize(1);
    EXPECT_EQ(changed.count(), 2);
    EXPECT_EQ(p.pointSize, 1);

    // Unchecked values.
    changed.clear();
    manager.setPointContourMode(12);
    manager.setColorMode(PointCloudParameter::ZLevel);
    manager.setDelayLoad(true);
    manager.setDarkVoxel(true);
    manager.setUpdateDrawData(false);
    manager.setPointVisible(false);
    manager.setPointContourValueMax(-3.5f);
    manager.setPointContourValueMin(-7.0f);
    manager.setPointContourColorMax(Color(1, 2, 3, 4));
    manager.setPointContourColorMin(Color(5, 6, 7, 8));
    EXPECT_EQ(changed.count(), 10);
    EXPECT_EQ(p.pointContourMode, 12);
    EXPECT_EQ(p.colorMode, PointCloudParameter::ZLevel);
    EXPECT_TRUE(p.delayLoad && p.darkVoxel && !p.updateDrawData && !p.pointVisible);
    EXPECT_EQ(p.contourValueMax, -3.5f);
    EXPECT_EQ(p.contourColorMin, Color(5, 6, 7, 8));

    changed.clear();
    manager.setPointContourMode(12);
    manager.setColorMode(PointCloudParameter::ZLevel);
    manager.setDelayLoad(true);
    manager.setPointContourValueMax(-3.5f);
    manager.setPointContourColorMax(Color(1, 2, 3, 4));
    EXPECT_EQ(changed.count(), 0);
    manager.setPointContourColorMax(Color(1, 2, 3, 5)); // one byte differs
    // A NaN is never equal to what is stored.
    manager.setPointContourValueMin(std::nanf(""));
    manager.setPointContourValueMin(std::nanf(""));
    EXPECT_EQ(changed.count(), 3);
}

TEST(PointCloudManagerSettings, ThePanelAndNoErasing)
{
    PointCloudManager manager;
    EXPECT_FALSE(manager.isErasable());
    std::unique_ptr<QWidget> panel(manager.createUI());
    EXPECT_NE(qobject_cast<PointCloudManagerForm*>(panel.get()), nullptr);
}

TEST(PointCloudManagerSettings, ColorModeNames)
{
    EXPECT_EQ(PointCloudManager::toString(PointCloudParameter::ShotColor), "Shot Color");
    EXPECT_EQ(PointCloudManager::toString(PointCloudParameter::ZLevel), "Z Level");
    EXPECT_EQ(PointCloudManager::toString(static_cast<PointCloudParameter::ColorMode>(7)), "Point Color");
    EXPECT_EQ(PointCloudManager::toString(static_cast<PointCloudParameter::ColorMode>(-1)), "Point Color");
    EXPECT_EQ(PointCloudManager::toColorMode("Intensity"), PointCloudParameter::Intensity);
    EXPECT_EQ(PointCloudManager::toColorMode("Y Level"), PointCloudParameter::YLevel);
    EXPECT_EQ(PointCloudManager::toColorMode("y level"), PointCloudParameter::PointColor);
}

TEST(PointCloudManagerSettings, SceneFileCarriesTheSettingsAndTheVisibleState)
{
    testutil::TempDir dir;
    PointCloudManager source;
    source.setPointSize(7);
    source.setPointContourMode(5);
    source.setPointContourValueMax(12.25f);
    source.setPointContourValueMin(-0.5f);
    source.setPointContourColorMax(Color(10, 20, 30, 255)); // the file keeps no alpha
    source.setDelayLoad(true);
    source.setNormalLevel(1);
    source.setRoughLevel(2);
    source.setTargetLevel(2); // not stored
    source.disableState(Object3D::Visible);
    std::string error;
    {
        CoutCapture out;
        ASSERT_TRUE(source.exportPointParameter(dir.file("Scene.txt"), error)) << error;
        EXPECT_EQ(out.text(), "PointCloudRenderSetting Ver: 0.1\n");
    }

    PointCloudManager target;
    QSignalSpy changed(&target, SIGNAL(changedValue()));
    {
        CoutCapture out;
        ASSERT_TRUE(target.initPointWithTextFile(dir.file("Scene.txt"), error)) << error;
    }
    const PointCloudParameter& p = *target.getPointCloudParameter();
    EXPECT_FALSE(target.hasState(Object3D::Visible));
    EXPECT_EQ(p.pointSize, 7);
    EXPECT_EQ(p.pointContourMode, 5);
    EXPECT_EQ(p.contourValueMax, 12.25f);
    EXPECT_EQ(p.contourValueMin, -0.5f);
    EXPECT_EQ(p.contourColorMax, Color(10, 20, 30, 255));
    EXPECT_TRUE(p.delayLoad);
    EXPECT_EQ(p.normalLevel, 1);
    EXPECT_EQ(p.roughLevel, 2);
    EXPECT_EQ(p.targetLevel, 0);
    // Visibility, size, mode, two values, one colour, delay, two levels.
    EXPECT_EQ(changed.count(), 9);

    // A failed read changes nothing.
    changed.clear();
    error.clear();
    EXPECT_FALSE(target.initPointWithTextFile(dir.file("missing.txt"), error));
    EXPECT_EQ(error, "Cannot open file for reading: " + dir.file("missing.txt"));
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(p.pointSize, 7);
}

// ---------------------------------------------------------------------------------------------
// Draw passes against a CPU reference
// ---------------------------------------------------------------------------------------------

namespace {

struct RGBA
{
    float r, g, b, a;
};

// The shader's colour functions in float; a grey has hue 0.
void referenceToHsv(const RGBA& iColor, float oHsv[3])
{
    const float vMax = std::max({iColor.r, iColor.g, iColor.b});
    const float vMin = std::min({iColor.r, iColor.g, iColor.b});
    oHsv[0] = oHsv[1] = oHsv[2] = 0.0f;
    if (vMax == 0.0f)
        return;
    const float range = vMax - vMin;
    float h = 0.0f;
    if (range > 0.0f) {
        if (vMax == iColor.r)
            h = 60.0f * (iColor.g - iColor.b) / range;
        else if (vMax == iColor.g)
            h = 60.0f * (iColor.b - iColor.r) / range + 120.0f;
        else
            h = 60.0f * (iColor.r - iColor.g) / range + 240.0f;
        if (h < 0.0f)
            h += 360.0f;
    }
    oHsv[0] = h;
    oHsv[1] = range / vMax;
    oHsv[2] = vMax;
}

RGBA referenceToRgb(const float iHsv[3], float iAlpha)
{
    const float v = iHsv[2];
    const float s = iHsv[1];
    if (s == 0.0f)
        return RGBA{v, v, v, iAlpha};
    const float sector = std::floor(iHsv[0] / 60.0f);
    const int i = static_cast<int>(sector);
    const float f = iHsv[0] / 60.0f - sector;
    const float m = v * (1 - s), n = v * (1 - s * f), k = v * (1 - s * (1 - f));
    switch (i) {
    case 0:
        return RGBA{v, k, m, iAlpha};
    case 1:
        return RGBA{n, v, m, iAlpha};
    case 2:
        return RGBA{m, v, k, iAlpha};
    case 3:
        return RGBA{m, n, v, iAlpha};
    case 4:
        return RGBA{k, m, v, iAlpha};
    default:
        return RGBA{v, m, n, iAlpha};
    }
}

RGBA toRGBA(const Color& iColor)
{
    return RGBA{iColor.red / 255.0f, iColor.green / 255.0f, iColor.blue / 255.0f, iColor.alpha / 255.0f};
}

RGBA referenceContour(float iValue, const PointCloudParameter& iPara)
{
    if (iPara.contourValueMax <= iPara.contourValueMin)
        return RGBA{0, 0, 0, 1};
    const RGBA high = toRGBA(iPara.contourColorMax);
    const RGBA low = toRGBA(iPara.contourColorMin);
    float hsvHigh[3], hsvLow[3], hsv[3];
    referenceToHsv(high, hsvHigh);
    referenceToHsv(low, hsvLow);
    const float ratio = (iValue - iPara.contourValueMin) / (iPara.contourValueMax - iPara.contourValueMin);
    if (ratio < 0)
        return referenceToRgb(hsvLow, low.a);
    if (ratio > 1)
        return referenceToRgb(hsvHigh, high.a);
    for (int i = 0; i < 3; ++i)
        hsv[i] = (hsvHigh[i] - hsvLow[i]) * ratio + hsvLow[i];
    return referenceToRgb(hsv, (high.a - low.a) * ratio + low.a);
}

// The colour of a point at shot position iShot placed by the translation iMove, under the
// projection glOrtho(-1, 1, -1, 1, -10, 10) with an identity modelview.
RGBA referencePoint(const Color& iColor, const Vector3T<float>& iShot, const V& iMove, const PointCloudParameter& iPara,
                    const Color& iShotColor)
{
    const RGBA own = toRGBA(iColor);
    const float v = std::max({own.r, own.g, own.b});
    const float scene[3] = {iShot.x + float(iMove.x), iShot.y + float(iMove.y), iShot.z + float(iMove.z)};
    const float clip[4] = {scene[0], scene[1], -0.1f * scene[2], 1.0f};
    float value = 0;
    switch (iPara.pointContourMode) {
    case 1:
        value = std::sqrt(clip[0] * clip[0] + clip[1] * clip[1] + clip[2] * clip[2] + clip[3] * clip[3]);
        break;
    case 2:
    case 3:
    case 4:
        value = iShot[iPara.pointContourMode - 2];
        break;
    case 5:
    case 6:
    case 7:
        value = scene[iPara.pointContourMode - 5];
        break;
    default:
        break;
    }
    if (iPara.pointContourMode < 1 || iPara.pointContourMode > 8)
        return own;
    const RGBA c = iPara.pointContourMode == 8 ? toRGBA(iShotColor) : referenceContour(value, iPara);
    return RGBA{v * c.r, v * c.g, v * c.b, c.a};
}

constexpr int flSide = 64;

// The centre of pixel iPixel along one axis of the 64 x 64 target, in normalised coordinates.
float pixelCenter(int iPixel)
{
    return (iPixel + 0.5f) / (flSide / 2) - 1.0f;
}

class ShaderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!glWidget())
            GTEST_SKIP() << "GL widgets need a display";
        mTarget = std::make_unique<QGLFramebufferObject>(flSide, flSide);
        ASSERT_TRUE(mTarget->isValid());
        mShot = addShot(&mManager, mRecord, V(4, 4, 4), &mData, mMove);
        mShot->setColor(Color(40, 200, 120, 160));
    }

    void TearDown() override
    {
        if (mTarget)
            mTarget->release();
        mTarget.reset();
    }

    // One point per pixel of iPixels, each with its colour, at shot height iZ.
    void setPoints(const std::vector<std::pair<int, int>>& iPixels, const std::vector<Color>& iColors, float iZ = 0.25f)
    {
        mPixels = iPixels;
        mData->positions.clear();
        mData->colors = iColors;
        for (const auto& pixel : iPixels)
            mData->positions.push_back(Vector3T<float>(pixelCenter(pixel.first) - float(mMove.x),
                                                       pixelCenter(pixel.second) - float(mMove.y),
                                                       iZ - float(mMove.z)));
    }

    enum Pass
    {
        Shader,
        Types,
        IDs
    };

    void render(const PointCloudParameter& iPara, Pass iPass = Shader, bool iGLClip = false)
    {
        mTarget->bind();
        glViewport(0, 0, flSide, flSide);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-mHalf, mHalf, -mHalf, mHalf, -10, 10);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_BLEND);
        glClearColor(1, 1, 1, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        if (iGLClip)
            mClipBox.beginClip();
        if (iPass == Shader)
            mManager.draw(1, mClipBox, iPara);
        else if (iPass == Types)
            mManager.drawByObjectType(1, mClipBox);
        else
            mManager.drawByObjectID(1, mClipBox);
        if (iGLClip)
            mClipBox.endClip();
        glFinish();
        mImage.assign(flSide * flSide * 4, 0);
        glReadPixels(0, 0, flSide, flSide, GL_RGBA, GL_UNSIGNED_BYTE, mImage.data());
        mTarget->release();
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    }

    Color pixel(int iX, int iY) const
    {
        const unsigned char* p = &mImage[std::size_t(iY * flSide + iX) * 4];
        return Color(p[0], p[1], p[2], p[3]);
    }

    // Within two steps of 255 per channel.
    void expectColor(int iX, int iY, const RGBA& iExpected, const std::string& iWhat) const
    {
        const Color got = pixel(iX, iY);
        const float expected[4] = {iExpected.r, iExpected.g, iExpected.b, iExpected.a};
        const unsigned char actual[4] = {got.red, got.green, got.blue, got.alpha};
        for (int c = 0; c < 4; ++c)
            EXPECT_NEAR(actual[c], std::round(std::min(std::max(expected[c], 0.0f), 1.0f) * 255.0f), 2.0)
                << iWhat << " at (" << iX << ", " << iY << ") channel " << c;
    }

    void expectBackground(int iX, int iY, const std::string& iWhat) const
    {
        EXPECT_EQ(pixel(iX, iY), Color(255, 255, 255, 255)) << iWhat << " at (" << iX << ", " << iY << ")";
    }

    const V mMove = V(0.25, -0.125, 0.5);
    // Half the extent of the orthographic view; the reference colours assume 1.
    double mHalf = 1.0;
    std::shared_ptr<Record> mRecord = std::make_shared<Record>();
    PointCloudManager mManager;
    ClipBox mClipBox;
    PointCloud* mShot = nullptr;
    FakeData* mData = nullptr;
    std::unique_ptr<QGLFramebufferObject> mTarget;
    std::vector<std::pair<int, int>> mPixels;
    std::vector<unsigned char> mImage;
};

} // namespace

TEST_F(ShaderTest, ContourModesMatchTheReference)
{
    // Built once from the resources, quietly.
    {
        CoutCapture out;
        QGLShaderProgram* program = FL_getPointCloudShader();
        EXPECT_TRUE(program->isLinked());
        EXPECT_EQ(FL_getPointCloudShader(), program);
        EXPECT_EQ(out.text(), "");
    }
    std::vector<std::pair<int, int>> pixels;
    std::vector<Color> colors;
    const Color shades[3] = {Color(128, 64, 32, 255), Color(255, 255, 255, 255), Color(10, 90, 200, 77)};
    for (int i = 0; i < 7; ++i) {
        pixels.emplace_back(4 + 9 * i, 10 + 20 * (i % 3));
        colors.push_back(shades[i % 3]);
    }
    // Different heights in shot coordinates, so that the z modes see a spread.
    setPoints(pixels, colors);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        mData->positions[i].z = -0.9f + 0.3f * float(i);

    PointCloudParameter para;
    para.contourValueMin = -0.5f;
    para.contourValueMax = 0.6f;
    para.contourColorMin = Color(0, 0, 255, 255);
    para.contourColorMax = Color(255, 0, 0, 128);
    for (int mode = 0; mode <= 9; ++mode) {
        para.pointContourMode = mode == 9 ? 12 : mode; // an unknown mode keeps the point colours
        if (mode == 1) {
            para.contourValueMin = 1.0f;
            para.contourValueMax = 1.5f;
        } else {
            para.contourValueMin = -0.5f;
            para.contourValueMax = 0.6f;
        }
        render(para);
        for (std::size_t i = 0; i < pixels.size(); ++i)
            expectColor(pixels[i].first, pixels[i].second,
                        referencePoint(colors[i], mData->positions[i], mMove, para, mShot->getColor()),
                        "mode " + std::to_string(para.pointContourMode));
    }
}

TEST_F(ShaderTest, GreyContourEndsAndEmptyRanges)
{
    setPoints({{8, 8}, {32, 8}, {56, 8}}, {Color(255, 0, 0, 255), Color(200, 200, 200, 255), Color(0, 0, 0, 255)});
    PointCloudParameter para;
    para.pointContourMode = 5;
    para.contourValueMin = -1.0f;
    para.contourValueMax = 1.0f;
    // A grey end has hue 0, so the contour runs from grey to red without a hue jump.
    para.contourColorMin = Color(128, 128, 128, 255);
    para.contourColorMax = Color(255, 0, 0, 255);
    render(para);
    for (std::size_t i = 0; i < 3; ++i)
        expectColor(mPixels[i].first, mPixels[i].second,
                    referencePoint(mData->colors[i], mData->positions[i], mMove, para, mShot->getColor()), "grey");
    // The middle point at scene x = 0.016 sits near ratio 0.5: (0.75, 0.375, 0.375) x 200/255.
    const Color middle = pixel(32, 8);
    EXPECT_NEAR(middle.red, 151, 3);
    EXPECT_NEAR(middle.green, 74, 3);
    EXPECT_EQ(middle.green, middle.blue);

    // No value range: opaque black, whatever the value.
    para.contourValueMax = para.contourValueMin;
    render(para);
    for (const auto& p : mPixels)
        EXPECT_EQ(pixel(p.first, p.second), Color(0, 0, 0, 255));
}

TEST_F(ShaderTest, ClipBoxPlanesAndTransparentPoints)
{
    // A box turned 90 degrees about z: its x axis (half extent 0.5) runs along the scene's y,
    // its y axis (0.25) along the scene's x.
    mClipBox.setScale(V(0.5, 0.25, 1.0));
    Matrix4x4T<double> turn;
    turn(0, 0) = 0;
    turn(0, 1) = -1;
    turn(1, 0) = 1;
    turn(1, 1) = 0;
    mClipBox.setMatrix(turn);
    mClipBox.setEnable(true);
    // Scene x = pixelCenter(p): pixel 39 is at 0.234 (inside), 40 at 0.266 (outside);
    // scene y: pixel 47 at 0.484 (inside), 48 at 0.516 (outside).
    setPoints({{39, 32}, {40, 32}, {32, 47}, {32, 48}, {24, 24}, {20, 20}},
              {Color(90, 90, 90, 255), Color(90, 90, 90, 255), Color(90, 90, 90, 255), Color(90, 90, 90, 255),
               Color(90, 90, 90, 255), Color(90, 90, 90, 0)});
    PointCloudParameter para;
    render(para);
    expectColor(39, 32, toRGBA(Color(90, 90, 90, 255)), "inside along x");
    expectBackground(40, 32, "outside along x");
    expectColor(32, 47, toRGBA(Color(90, 90, 90, 255)), "inside along y");
    expectBackground(32, 48, "outside along y");
    expectColor(24, 24, toRGBA(Color(90, 90, 90, 255)), "inside");
    expectBackground(20, 20, "transparent point");

    // A point exactly on a face (scene x = 31 / 64, the centre of pixel 47) stays.
    mClipBox.setMatrix(Matrix4x4T<double>::identity());
    mClipBox.setScale(V(0.484375, 1.0, 1.0));
    setPoints({{47, 24}, {48, 24}}, {Color(90, 90, 90, 255), Color(90, 90, 90, 255)});
    render(para);
    expectColor(47, 24, toRGBA(Color(90, 90, 90, 255)), "on the face");
    expectBackground(48, 24, "beyond the face");

    // Off: nothing is clipped by the shader.
    mClipBox.setEnable(false);
    mClipBox.setScale(V(0.1, 0.1, 0.1));
    setPoints({{60, 60}}, {Color(90, 90, 90, 255)});
    render(para);
    expectColor(60, 60, toRGBA(Color(90, 90, 90, 255)), "clip effect off");
}

TEST_F(ShaderTest, GLClipPlanesCutShaderPointsInEyeCoordinates)
{
    // The box reaches 0.5 from the origin; the view shows -2 to 2, so eye and clip coordinates
    // differ by a factor of 2 and only the eye position (gl_ClipVertex) cuts at the box.
    mHalf = 2.0;
    mClipBox.setScale(V(0.5, 0.5, 1.0));
    setPoints({{36, 32}, {44, 32}}, {Color(90, 90, 90, 255), Color(90, 90, 90, 255)});
    mData->positions[0] = Vector3T<float>(0.3f - float(mMove.x), 0.0f - float(mMove.y), 0.0f);
    mData->positions[1] = Vector3T<float>(0.8f - float(mMove.x), 0.0f - float(mMove.y), 0.0f);
    PointCloudParameter para;
    render(para, Shader, true);
    expectColor(36, 32, toRGBA(Color(90, 90, 90, 255)), "inside the GL planes");
    expectBackground(44, 32, "outside the GL planes");
    // Without the planes both are there.
    render(para);
    expectColor(44, 32, toRGBA(Color(90, 90, 90, 255)), "no GL planes");
}

TEST_F(ShaderTest, SelectionHighlightAndHiddenPoints)
{
    setPoints({{10, 10}, {30, 30}}, {Color(100, 50, 25, 255), Color(0, 200, 0, 255)});
    PointCloudParameter para;
    para.pointContourMode = 8;
    mShot->enableState(Object3D::Selected);
    render(para);
    expectColor(10, 10, RGBA{100 / 255.0f, 0, 0, 1}, "selected");
    expectColor(30, 30, RGBA{200 / 255.0f, 0, 0, 1}, "selected");
    mShot->enableState(Object3D::Highlight);
    render(para);
    expectColor(10, 10, RGBA{100 / 255.0f, 100 / 255.0f, 0, 1}, "highlighted");
    expectColor(30, 30, RGBA{200 / 255.0f, 200 / 255.0f, 0, 1}, "highlighted");

    // The point layer off, a hidden shot, a hidden manager: nothing drawn.
    para.pointVisible = false;
    render(para);
    expectBackground(10, 10, "points off");
    para.pointVisible = true;
    mShot->disableState(Object3D::Visible);
    render(para);
    expectBackground(10, 10, "hidden shot");
    mShot->enableState(Object3D::Visible);
    mManager.disableState(Object3D::Visible);
    render(para);
    expectBackground(10, 10, "hidden manager");
    render(para, IDs);
    expectBackground(10, 10, "hidden manager, ID pass");
}

TEST_F(ShaderTest, TypeAndIDPassesUseFlatColoursWithoutTheShader)
{
    setPoints({{10, 10}}, {Color(100, 50, 25, 255)});
    FakeData* hiddenData = nullptr;
    FakeData* thirdData = nullptr;
    PointCloud* hidden = addShot(&mManager, mRecord, V(1, 1, 1), &hiddenData);
    addShot(&mManager, mRecord, V(1, 1, 1), &thirdData);
    hidden->disableState(Object3D::Visible);
    hiddenData->positions = {Vector3T<float>(pixelCenter(20), pixelCenter(20), 0)};
    thirdData->positions = {Vector3T<float>(pixelCenter(30), pixelCenter(30), 0)};
    // A contour and a selection that would colour the points if the shader were still bound.
    PointCloudParameter para;
    para.pointContourMode = 8;
    mShot->enableState(Object3D::Selected);
    render(para);

    render(para, IDs);
    EXPECT_EQ(pixel(10, 10), Color(0, 0, 0, 0));
    expectBackground(20, 20, "hidden shot");
    EXPECT_EQ(pixel(30, 30), Color(2, 0, 0, 0)); // its child index, although a shot before it is hidden
    render(para, Types);
    EXPECT_EQ(pixel(10, 10), Color(0, 0, 0, 0));
    EXPECT_EQ(pixel(30, 30), Color(0, 0, 0, 0));
}

namespace {

// A 200 x 100 view of the manager's first shot from 20 units in front of it.
bool lookAtFirstShot(const PointCloudManager& iManager, Camera* oCamera)
{
    oCamera->setScreenData(Camera::ScreenData{200, 100});
    Camera::LookAtData lookAt;
    const V center = iManager.getData(0)->getBoundingBox().getCenter();
    lookAt.viewPoint = center + V(0, -20, 0);
    lookAt.lockOnPoint = center;
    lookAt.upward = V(0, 0, 1);
    oCamera->setLookAtData(lookAt);
    oCamera->initScreen();
    if (!oCamera->setSceneMatrix())
        return false;
    oCamera->updateCornerPoints();
    return true;
}

// Imports the file as the manager's first shot and points the camera at it.
bool importAndLook(PointCloudManager* ioManager, const std::string& iPath, Camera* oCamera)
{
    std::string error;
    CoutCapture quiet;
    return ioManager->generateFromBinaryFile_SVO(iPath, error) && lookAtFirstShot(*ioManager, oCamera);
}

} // namespace

TEST(PointCloudManagerFile, ImportedScanIsDrawnAfterTheLevelOfDetailStep)
{
    if (!glWidget())
        GTEST_SKIP() << "GL widgets need a display";
    testutil::TempDir dir;
    ASSERT_TRUE(shotfixture::writeZRPCD(dir.file("scan.zrpcd"), shotfixture::makeData()));
    PointCloudManager manager;
    std::string error;
    {
        CoutCapture quiet;
        ASSERT_TRUE(manager.generateFromBinaryFile_SVO(dir.file("scan.zrpcd"), error)) << error;
    }
    QGLFramebufferObject target(200, 100);
    ASSERT_TRUE(target.bind());
    Camera camera;
    std::vector<V> corners;
    manager.getBoundingPoints(&corners);
    ASSERT_TRUE(lookAtFirstShot(manager, &camera));
    manager.updateDrawData(4, 0, false, camera, ClipBox());
    PointCloudParameter para;
    manager.draw(4, ClipBox(), para);
    glFinish();
    std::vector<unsigned char> image(200 * 100 * 4);
    glReadPixels(0, 0, 200, 100, GL_RGBA, GL_UNSIGNED_BYTE, image.data());
    target.release();
    int drawn = 0;
    for (std::size_t i = 0; i < image.size(); i += 4)
        if (image[i] != 255 || image[i + 1] != 255 || image[i + 2] != 255)
            ++drawn;
    EXPECT_GT(drawn, 0);
}

// A shot whose file lost its end after the import: with delayed loading the frames go on, the
// failed leaf read is made and reported once, not on every frame, and made again only once the
// shot's data has been released and loaded anew.
TEST(PointCloudManagerFile, AFailedLeafReadIsReportedOnceUntilTheDataIsReloaded)
{
    for (const std::string name : {"scan.zrpcd", "scan.zrpmd"}) {
        testutil::TempDir dir;
        const std::string path = dir.file(name);
        const PointCloudData data = shotfixture::makeData();
        ASSERT_TRUE(name == "scan.zrpcd" ? shotfixture::writeZRPCD(path, data) : shotfixture::writeZRPMD(path, data));
        PointCloudManager manager;
        std::string error;
        {
            CoutCapture quiet;
            ASSERT_TRUE(manager.generateFromBinaryFile_SVO(path, error)) << error;
        }
        const std::string good = testutil::readFile(path);
        testutil::writeFile(path, good.substr(0, good.size() - 4));

        Camera camera;
        ASSERT_TRUE(lookAtFirstShot(manager, &camera));
        PointCloudSVOInterface* octree = manager.getData(0)->getPointCloud()->getSVOInterface();
        const auto reports = [&] {
            CoutCapture out;
            for (int frame = 0; frame < 30; ++frame) {
                manager.updateDrawData(4, 0, true, camera, ClipBox());
                QThread::msleep(5);
            }
            manager.stopDataLoading();
            const std::vector<std::string> lines = out.lines();
            return std::count(lines.begin(), lines.end(), "File is broken: " + path);
        };
        EXPECT_EQ(reports(), 1) << name;
        EXPECT_FALSE(octree->getDrawLeafNodeKeyList().empty()) << name;
        EXPECT_TRUE(octree->isLoadedDrawLeafData()) << name;
        EXPECT_EQ(reports(), 0) << name;
        octree->clearPointData();
        EXPECT_EQ(reports(), 1) << name;
    }
}

// The same for voxel blocks, read by the loader at its voxel level: every voxel entry's
// occupancy bits disagree with its count, while the nodes and leaves still read.
TEST(PointCloudManagerFile, AFailedVoxelReadIsReportedOnceUntilTheDataIsReloaded)
{
    for (const bool matrix : {false, true}) {
        testutil::TempDir dir;
        const std::string path = dir.file(matrix ? "scan.zrpmd" : "scan.zrpcd");
        const PointCloudData data = shotfixture::makeData();
        ASSERT_TRUE(matrix ? shotfixture::writeZRPMD(path, data) : shotfixture::writeZRPCD(path, data));
        std::string bytes = testutil::readFile(path);
        const std::size_t tree = shotfixture::treeOffset(bytes, matrix);
        const std::size_t nodes = tree + 32 + 4 * shotfixture::wordAt(bytes, tree + 28);
        const std::size_t voxels = nodes + 4 + 40 * shotfixture::wordAt(bytes, nodes);
        for (std::uint32_t i = 0; i < shotfixture::wordAt(bytes, voxels); ++i)
            bytes[voxels + 4 + 9 * i + 8] ^= 1; // entries of 8 + 1 bytes at resolution 2
        testutil::writeFile(path, bytes);

        PointCloudManager manager;
        Camera camera;
        ASSERT_TRUE(importAndLook(&manager, path, &camera));
        PointCloudSVOInterface* octree = manager.getData(0)->getPointCloud()->getSVOInterface();
        PointCloudLoader loader;
        const auto reports = [&] {
            manager.updateDrawData(4, 2, false, camera, ClipBox()); // draw lists only, nothing loaded
            CoutCapture out;
            for (int frame = 0; frame < 10; ++frame)
                loader.loadData_VoxelLevel({manager.getData(0)}, false);
            const std::vector<std::string> lines = out.lines();
            return std::count(lines.begin(), lines.end(), "File is broken: " + path);
        };
        EXPECT_EQ(reports(), 1) << path;
        EXPECT_TRUE(octree->isLoadedDrawVoxelData()) << path;
        EXPECT_EQ(reports(), 0) << path;
        octree->clearPointData();
        EXPECT_EQ(reports(), 1) << path;
    }
}

// A shot whose wanted depth lies more than two layers below what a frame loads by itself, left
// alone (the scene runs the level-of-detail step again only when a background load ends): with
// and without delay it ends up drawing what the level of detail asks for, not the nodes of the
// synchronous depth as single points.
TEST(PointCloudManagerFile, ALargeShotLeftAloneReachesTheDetailItsLevelOfDetailAsksFor)
{
    testutil::TempDir dir;
    const std::string path = dir.file("room.zrpcd");
    PointCloudData room;
    ASSERT_TRUE(scanfixture::read(&room, dir.file("room.pcd"), scanfixture::room(400, 160, {0, 0, 0})));
    ASSERT_TRUE(shotfixture::writeZRPCD(path, room));
    for (const bool delay : {false, true}) {
        SCOPED_TRACE(delay ? "delayed" : "in the frame");
        PointCloudManager manager;
        Camera camera;
        ASSERT_TRUE(importAndLook(&manager, path, &camera));
        const PointCloud& shot = *manager.getData(0);
        const int depth = calculateDrawingOcTreeDepth(shot.getBoundingBox().getCenter(), shot.getBoundingBox().getSize(),
                                                      camera, 4, camera.getFarPlanePixelSize());
        bool stepAsked = true;
        QObject::connect(&manager, &PointCloudManager::finishedDataLoading, [&] { stepAsked = true; });
        for (int i = 0; i < 400; ++i) {
            if (std::exchange(stepAsked, false))
                manager.updateDrawData(4, 0, delay, camera, ClipBox());
            QCoreApplication::processEvents();
            QThread::msleep(5);
        }
        manager.stopDataLoading();
        PointCloudSVOInterface* octree = shot.getPointCloud()->getSVOInterface();
        EXPECT_GE(octree->getTreeDepth(), depth);
        EXPECT_TRUE(octree->isLoadedDrawLeafData());
        // The draw lists are those that the level of detail chooses over the layers now held.
        const auto lists = [octree] {
            return std::make_pair(octree->getDrawVoxelNodeKeyList(), octree->getDrawLeafNodeKeyList());
        };
        const auto drawn = lists();
        octree->updateDrawNode(shot.getMatrix(), camera, 4, camera.getFarPlanePixelSize());
        EXPECT_EQ(lists(), drawn);
    }
}
