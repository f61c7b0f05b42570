// The loader thread against the lifetime of the shots and of the application. Runs without an
// application of the test's own, so that a case can make one and destroy it.
#include "pointcloudmanager.h"

#include "camera.h"
#include "clipbox.h"
#include "deleter.h"
#include "pointcloud.h"
#include "pointcloudinterface.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using V = Vector3T<double>;

// Events in order, from any thread.
class Record
{
public:
    void add(const std::string& iWhat)
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mEvents.push_back(iWhat);
    }
    // Position of the first event iWhat; -1 when there is none.
    int indexOf(const std::string& iWhat) const
    {
        std::lock_guard<std::mutex> lock(mMutex);
        for (std::size_t i = 0; i < mEvents.size(); ++i)
            if (mEvents[i] == iWhat)
                return static_cast<int>(i);
        return -1;
    }
    int count(const std::string& iWhat) const
    {
        std::lock_guard<std::mutex> lock(mMutex);
        return static_cast<int>(std::count(mEvents.begin(), mEvents.end(), iWhat));
    }
    // Waits up to ten seconds for the iCount-th event iWhat.
    bool waitFor(const std::string& iWhat, int iCount) const
    {
        for (int i = 0; i < 1000 && count(iWhat) < iCount; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return count(iWhat) >= iCount;
    }

private:
    mutable std::mutex mMutex;
    std::vector<std::string> mEvents;
};

// Octree data whose nodes are complete and whose two leaves are never loaded, so that every
// level-of-detail step with delay starts a background point load. A point load takes 300 ms
// and touches nothing of the object once it has begun, so that a load outliving its data
// shows in the record instead of crashing.
class SlowData : public PointCloudInterface, public PointCloudSVOInterface
{
public:
    explicit SlowData(std::shared_ptr<Record> iRecord) : mRecord(std::move(iRecord)) {}
    ~SlowData() override { mRecord->add("data freed"); }

    std::string getFilePath() const override { return "slow"; }
    int getPointNumber() const override { return 0; }
    Vector3T<double> getCenter() const override { return V(); }
    Vector3T<double> getSize() const override { return V(1, 1, 1); }
    void draw(int, int) const override {}
    void draw(int, int, Color) const override {}
    PointCloudSVOInterface* getSVOInterface() override { return this; }

    bool loadSVO_Points(const std::vector<const void*>&, bool volatile*, std::string&) override
    {
        const std::shared_ptr<Record> record = mRecord;
        record->add("points begin");
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        record->add("points end");
        return true;
    }
    bool isLoadedDrawLeafData() const override { return false; }
    bool isLoadedDrawVoxelData() const override { return true; }
    std::vector<const void*> getDrawLeafNodeKeyList() const override { return {&mKeys[0], &mKeys[1]}; }
    std::vector<const void*> getDrawVoxelNodeKeyList() const override { return {}; }
    int getTreeDepth() override { return 1000; }
    bool hasPointData() override { return true; }
    void clearPointData() override {}
    void clearPointData(Deleter** oDeleter) override { *oDeleter = nullptr; }
    bool loadSVO_Base(std::string&) override { return true; }
    bool loadSVO_Nodes(int, std::string&) override { return true; }
    bool loadSVO_Points(const std::vector<const void*>&, std::string&) override { return true; }

    bool exportBinaryFile_SVO(const std::string&, const PointCloudData&) const override { return false; }
    bool updatePCD(PointCloudData*) const override { return false; }
    bool getPointCloudData(PointCloudData*) const override { return false; }
    void updateDrawNode(const Matrix4x4T<double>&, const Camera&, int, float) override {}
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
    const int mKeys[2] = {0, 0};
};

// A manager with one shot in view whose point load is running.
class RunningLoad
{
public:
    RunningLoad()
    {
        mCamera.setScreenData(Camera::ScreenData{200, 100});
        mCamera.initScreen();
        mCamera.setSceneMatrix();
        mCamera.updateCornerPoints();
        shot = new PointCloud;
        shot->setBoundingBox(BoundingBox(V(), V(1, 1, 1)));
        shot->setPointCloud(new SlowData(record));
        manager.addNewObject(shot);
    }
    // True once the background load has begun.
    bool start()
    {
        const int begun = record->count("points begin");
        manager.updateDrawData(4, 0, true, mCamera, ClipBox());
        return record->waitFor("points begin", begun + 1);
    }
    // The load ended before the data went (and did end).
    ::testing::AssertionResult loadEndedFirst() const
    {
        const int end = record->indexOf("points end");
        const int freed = std::max(record->indexOf("data freed"), record->indexOf("shot freed"));
        if (end >= 0 && (freed < 0 || end < freed))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "points end at " << end << ", freed at " << freed;
    }

    std::shared_ptr<Record> record = std::make_shared<Record>();
    PointCloudManager manager;
    PointCloud* shot = nullptr;

private:
    Camera mCamera;
};

char flProgramName[] = "test_pointcloud_lifetime";

std::unique_ptr<QCoreApplication> makeApplication()
{
    static int argc = 1;
    static char* argv[] = {flProgramName, nullptr};
    return std::make_unique<QCoreApplication>(argc, argv);
}

} // namespace

// The base's list operations know nothing of the loader; the shots stop it themselves.
TEST(PointCloudLifetime, EveryWayOfDroppingAShotOrItsDataStopsTheLoaderFirst)
{
    {
        RunningLoad load;
        ASSERT_TRUE(load.start());
        static_cast<Object3D&>(load.manager).clearObject();
        EXPECT_TRUE(load.loadEndedFirst());
        EXPECT_EQ(load.manager.getObjectSetSize(), 0u);
    }
    {
        RunningLoad load;
        ASSERT_TRUE(load.start());
        static_cast<Object3D&>(load.manager).deleteObject(load.shot);
        EXPECT_TRUE(load.loadEndedFirst());
    }
    {
        RunningLoad load;
        ASSERT_TRUE(load.start());
        delete load.shot;
        EXPECT_TRUE(load.loadEndedFirst());
        EXPECT_EQ(load.manager.getObjectSetSize(), 0u);
    }
    {
        RunningLoad load;
        ASSERT_TRUE(load.start());
        load.shot->setPointCloud(nullptr);
        EXPECT_TRUE(load.loadEndedFirst());
        EXPECT_EQ(load.shot->getPointCloud(), nullptr);
    }
    {
        // The loader goes through every shot of its list, one without data too.
        RunningLoad load;
        PointCloud* empty = new PointCloud;
        load.manager.addNewObject(empty);
        std::shared_ptr<Record> record = load.record;
        QObject::connect(empty, &QObject::destroyed, [record]() { record->add("shot freed"); });
        ASSERT_TRUE(load.start());
        load.manager.deleteObject(empty);
        EXPECT_TRUE(load.loadEndedFirst());
        EXPECT_LT(load.record->indexOf("data freed"), 0);
    }
}

// The managers are kept for the whole run and may be made before the application.
TEST(PointCloudLifetime, TheThreadsEndWithAnApplicationMadeAfterTheManager)
{
    RunningLoad load;
    std::unique_ptr<QCoreApplication> application = makeApplication();
    ASSERT_TRUE(load.start());
    application.reset();
    EXPECT_GE(load.record->indexOf("points end"), 0);
}

// An application destroyed without its event loop having run sends no aboutToQuit().
TEST(PointCloudLifetime, TheThreadsEndWithAnApplicationThatNeverRan)
{
    std::unique_ptr<QCoreApplication> application = makeApplication();
    RunningLoad load;
    ASSERT_TRUE(load.start());
    application.reset();
    EXPECT_GE(load.record->indexOf("points end"), 0);

    // A later application is followed too.
    application = makeApplication();
    ASSERT_TRUE(load.start());
    application.reset();
    EXPECT_EQ(load.record->count("points end"), 2);
}
