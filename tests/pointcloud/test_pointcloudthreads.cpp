// The loader thread over fake octrees that record what they are asked to load, and the
// deleter thread.
#include "pointcloudloader.h"
#include "pointclouddeleter.h"

#include "deleter.h"
#include "pointcloud.h"
#include "pointcloudinterface.h"

#include <QCoreApplication>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

namespace {

using Keys = std::vector<const void*>;

// An octree that loads nothing but records the loads. Its node depth and its loaded leaves
// follow the loads; a point load can be told to block until the loader asks it to stop.
class FakeOctree : public PointCloudInterface, public PointCloudSVOInterface
{
public:
    explicit FakeOctree(int iLeafCount) : mLeaves(std::size_t(iLeafCount)) {}

    // While set, the next point load blocks until iStopped() is true, then clears the setting.
    void blockNextPointLoad(std::function<bool()> iStopped)
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mStopped = std::move(iStopped);
    }
    bool isBlocked() const { return mBlocked.load(); }
    int loadedLeaves() const { return mLoadedLeaves.load(); }
    int pointLoads() const { return mPointLoads.load(); }
    int nodeLoads() const { return mNodeLoads.load(); }
    int voxelKeysLoaded() const { return mVoxelKeys.load(); }
    std::thread::id lastLoadThread() const
    {
        std::lock_guard<std::mutex> lock(mMutex);
        return mLastThread;
    }

    // PointCloudInterface
    std::string getFilePath() const override { return std::string(); }
    int getPointNumber() const override { return 0; }
    Vector3T<double> getCenter() const override { return Vector3T<double>(); }
    Vector3T<double> getSize() const override { return Vector3T<double>(); }
    void draw(int, int) const override {}
    void draw(int, int, Color) const override {}
    PointCloudSVOInterface* getSVOInterface() override { return this; }

    // PointCloudSVOInterface: what the loader uses.
    bool isLoadedDrawVoxelData() const override { return mVoxelKeys.load() >= int(2 * mLeaves.size()); }
    bool isLoadedDrawLeafData() const override { return mLoadedLeaves.load() >= int(mLeaves.size()); }
    std::vector<const void*> getDrawVoxelNodeKeyList() const override { return keys(); }
    std::vector<const void*> getDrawLeafNodeKeyList() const override { return keys(); }
    int getTreeDepth() override { return mDepth.load(); }
    bool loadSVO_Nodes(int iDepth, std::string&) override
    {
        record();
        ++mNodeLoads;
        mDepth.store(iDepth);
        return true;
    }
    bool loadSVO_Voxels(const std::vector<const void*>& iNodeKeyList, std::string&) override
    {
        record();
        mVoxelKeys += int(iNodeKeyList.size());
        return true;
    }
    bool loadSVO_Points(const std::vector<const void*>& iNodeKeyList, bool volatile* iStop, std::string&) override
    {
        record();
        ++mPointLoads;
        std::function<bool()> stopped;
        {
            std::lock_guard<std::mutex> lock(mMutex);
            stopped.swap(mStopped);
        }
        if (stopped) {
            mBlocked.store(true);
            while (!stopped() && !(iStop != nullptr && *iStop))
                std::this_thread::yield();
            mBlocked.store(false);
        }
        mLoadedLeaves += int(iNodeKeyList.size());
        return true;
    }

    // The rest is not used by the loader.
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
    bool hasPointData() override { return true; }
    void clearPointData() override {}
    void clearPointData(Deleter** oDeleter) override { *oDeleter = nullptr; }
    bool loadSVO(std::string&) override { return true; }
    bool loadSVO_Base(std::string&) override { return true; }
    bool loadSVO_Tree(std::string&) override { return true; }
    bool loadSVO_Points(const std::vector<const void*>&, std::string&) override { return false; }
    int getWidth() const override { return 0; }
    int getHeight() const override { return 0; }
    void selectPointALL() override {}
    void deselectPointALL() override {}
    void selectPoint(const std::vector<Vector4T<double>>&) override {}
    void deselectPoint(const std::vector<Vector4T<double>>&) override {}
    void deleteSelectedPoint() override {}

private:
    Keys keys() const
    {
        Keys keys;
        for (const char& leaf : mLeaves)
            keys.push_back(&leaf);
        return keys;
    }
    void record()
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mLastThread = std::this_thread::get_id();
    }

    std::vector<char> mLeaves; // their addresses are the node keys
    std::atomic<int> mDepth{0};
    std::atomic<int> mLoadedLeaves{0};
    std::atomic<int> mPointLoads{0};
    std::atomic<int> mNodeLoads{0};
    std::atomic<int> mVoxelKeys{0};
    std::atomic<bool> mBlocked{false};
    mutable std::mutex mMutex;
    std::function<bool()> mStopped;
    std::thread::id mLastThread;
};

// Shots over fake octrees of 100 leaves (several point-load chunks) each, and one without data.
class LoaderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (int i = 0; i < 3; ++i) {
            mOwned.push_back(std::make_unique<PointCloud>());
            mShots.push_back(mOwned.back().get());
        }
        for (int i = 0; i < 2; ++i) {
            mOctrees.push_back(new FakeOctree(100));
            mShots[i]->setPointCloud(mOctrees.back());
        }
        QObject::connect(&mLoader, &QThread::finished, &mContext, [this] { ++mFinished; });
    }

    void TearDown() override { mLoader.stopFully(); }

    // Waits, handling events, until iCondition holds; false after a minute.
    template <typename F>
    static bool waitFor(F iCondition)
    {
        return QTest::qWaitFor(iCondition, 60000);
    }
    bool waitForFinished(int iCount)
    {
        return waitFor([&] { return mFinished >= iCount && !mLoader.isRunning(); });
    }

    PointCloudLoader mLoader;
    QObject mContext; // receives finished() on this thread, through a queued connection
    int mFinished = 0;
    std::vector<FakeOctree*> mOctrees;
    std::vector<PointCloud*> mShots;
    std::vector<std::unique_ptr<PointCloud>> mOwned;
    const std::vector<int> mNoLevels = std::vector<int>(3, -1);
};

struct Probe
{
    std::atomic<int>* destroyed;
    std::thread::id* thread;
    ~Probe()
    {
        *thread = std::this_thread::get_id();
        ++*destroyed;
    }
};

// Counts its runs and its deletion.
class CountingDeleter : public Deleter
{
public:
    CountingDeleter(std::atomic<int>* oExecuted, std::atomic<int>* oDeleted) : mExecuted(oExecuted), mDeleted(oDeleted)
    {
    }
    ~CountingDeleter() override { ++*mDeleted; }
    void execute() override { ++*mExecuted; }

private:
    std::atomic<int>* mExecuted;
    std::atomic<int>* mDeleted;
};

} // namespace

TEST(UtilityVector, AddAppendsInOrder)
{
    int a = 0, b = 0, c = 0;
    Keys to{&a};
    UtilityVector::add(&to, Keys{&b, &c});
    EXPECT_EQ(to, (Keys{&a, &b, &c}));
    UtilityVector::add(&to, Keys());
    EXPECT_EQ(to.size(), 3u);
}

TEST_F(LoaderTest, StopFullyInterruptsAPointLoadAndTheNextStartLoadsEverything)
{
    mOctrees[0]->blockNextPointLoad([this] { return mLoader.isStopRequested(); });
    EXPECT_EQ(mLoader.loadData(mShots, mNoLevels, 0, true), 2);
    ASSERT_TRUE(waitFor([&] { return mOctrees[0]->isBlocked(); }));
    EXPECT_TRUE(mLoader.isRunning());

    mLoader.stopFully();
    EXPECT_FALSE(mLoader.isRunning());
    EXPECT_FALSE(mLoader.isStopRequested());
    // Cut short after the first chunk of the first shot; the second was not reached.
    EXPECT_EQ(mOctrees[0]->pointLoads(), 1);
    EXPECT_LT(mOctrees[0]->loadedLeaves(), 100);
    EXPECT_EQ(mOctrees[1]->pointLoads(), 0);
    ASSERT_TRUE(waitForFinished(1));
    EXPECT_EQ(mFinished, 1);

    // The next start is not cut short by the old request.
    EXPECT_EQ(mLoader.loadData(mShots, mNoLevels, 0, true), 2);
    ASSERT_TRUE(waitForFinished(2));
    EXPECT_EQ(mOctrees[0]->loadedLeaves(), 32 + 100); // the fake counts every key handed to it
    EXPECT_EQ(mOctrees[1]->loadedLeaves(), 100);
    EXPECT_NE(mOctrees[1]->lastLoadThread(), std::this_thread::get_id());
    EXPECT_EQ(mLoader.loadData(mShots, mNoLevels, 0, true), 0);
}

TEST_F(LoaderTest, AStopOfAnIdleLoaderDoesNotReachTheNextStart)
{
    mLoader.stopFully();
    EXPECT_FALSE(mLoader.isStopRequested());
    mLoader.stop();
    EXPECT_EQ(mLoader.loadData(mShots, mNoLevels, 1, true), 2);
    ASSERT_TRUE(waitForFinished(1));
    EXPECT_EQ(mOctrees[0]->loadedLeaves(), 100);
    EXPECT_EQ(mOctrees[1]->loadedLeaves(), 100);
}

TEST_F(LoaderTest, WithoutDelayARunningLoadIsStoppedAndTheCallerLoads)
{
    mOctrees[0]->blockNextPointLoad([this] { return mLoader.isStopRequested(); });
    EXPECT_EQ(mLoader.loadData(mShots, mNoLevels, 0, true), 2);
    ASSERT_TRUE(waitFor([&] { return mOctrees[0]->isBlocked(); }));

    EXPECT_EQ(mLoader.loadData(mShots, mNoLevels, 0, false), 0);
    EXPECT_FALSE(mLoader.isRunning());
    EXPECT_EQ(mOctrees[0]->loadedLeaves(), 32 + 100); // the interrupted chunk, then everything
    EXPECT_EQ(mOctrees[1]->loadedLeaves(), 100);
    EXPECT_EQ(mOctrees[1]->lastLoadThread(), std::this_thread::get_id());
    EXPECT_FALSE(mLoader.isStopRequested());
}

TEST_F(LoaderTest, NodeLevelLoadsTheWantedDepthsFirst)
{
    // Target level 2: nothing is checked, loaded, started or stopped.
    EXPECT_EQ(mLoader.loadData(mShots, {3, 1, 5}, 2, false), 2);
    EXPECT_FALSE(mLoader.isRunning());
    EXPECT_EQ(mOctrees[0]->nodeLoads() + mOctrees[0]->pointLoads(), 0);

    // Shot 1 wants no more than it has (depth 0 < 1 is missing, -1 never asks).
    EXPECT_EQ(mLoader.loadData(mShots, {3, -1, 5}, 0, true), 2);
    ASSERT_TRUE(waitForFinished(1));
    EXPECT_EQ(mOctrees[0]->getTreeDepth(), 3);
    EXPECT_EQ(mOctrees[1]->nodeLoads(), 0);
    EXPECT_EQ(mOctrees[0]->pointLoads(), 0);

    // Nodes complete: the next frame asks for the points; without delay both load here.
    EXPECT_EQ(mLoader.loadData(mShots, {4, 1, -1}, 0, false), 0);
    EXPECT_EQ(mOctrees[0]->getTreeDepth(), 4);
    EXPECT_EQ(mOctrees[1]->getTreeDepth(), 1);
    EXPECT_EQ(mOctrees[1]->loadedLeaves(), 100);
    EXPECT_EQ(mOctrees[0]->lastLoadThread(), std::this_thread::get_id());

    // Shorter level lists mean no wanted depth.
    EXPECT_TRUE(mLoader.loadData_NodeLevel(mShots, {}, true));
    EXPECT_TRUE(mLoader.loadData_NodeLevel({}, {}, true));
}

TEST_F(LoaderTest, ARunningLoadKeepsItsParameters)
{
    const std::vector<PointCloud*> first{mShots[0]};
    const std::vector<PointCloud*> second{mShots[1]};
    mOctrees[0]->blockNextPointLoad([this] { return mLoader.isStopRequested(); });
    EXPECT_FALSE(mLoader.loadData_PointLevel(first, true));
    ASSERT_TRUE(waitFor([&] { return mOctrees[0]->isBlocked(); }));

    EXPECT_EQ(mLoader.loadData(second, {-1}, 0, true), 2);
    mLoader.setLoadParameter(second, PointCloudLoader::PointLevel);
    mLoader.stopFully();
    EXPECT_EQ(mOctrees[1]->pointLoads(), 0);

    // Idle again: the parameters are taken.
    EXPECT_FALSE(mLoader.loadData_PointLevel(second, true));
    ASSERT_TRUE(waitFor([&] { return !mLoader.isRunning(); }));
    EXPECT_EQ(mOctrees[1]->loadedLeaves(), 100);
}

TEST_F(LoaderTest, VoxelLevelLoadsVoxelAndLeafKeysTogether)
{
    EXPECT_FALSE(mLoader.loadData_VoxelLevel(mShots, true));
    ASSERT_TRUE(waitForFinished(1));
    EXPECT_EQ(mOctrees[0]->voxelKeysLoaded(), 200);
    EXPECT_EQ(mOctrees[1]->voxelKeysLoaded(), 200);
    EXPECT_TRUE(mLoader.loadData_VoxelLevel(mShots, false));
    EXPECT_EQ(mOctrees[0]->voxelKeysLoaded(), 200);
}

TEST(PointCloudDeleter, FreesOnItsOwnThreadAndEndsWhenTheQueueIsEmpty)
{
    PointCloudDeleter deleter;
    QObject context;
    int finished = 0;
    QObject::connect(&deleter, &QThread::finished, &context, [&] { ++finished; });

    // An empty queue ends at once.
    deleter.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished == 1; }, 60000));

    std::atomic<int> destroyed{0};
    std::thread::id thread;
    deleter.addTarget(new TDeleter<Probe>(new Probe{&destroyed, &thread}));
    deleter.addTarget(nullptr);
    EXPECT_FALSE(deleter.isQueueEmpty());
    deleter.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished == 2; }, 60000));
    ASSERT_TRUE(deleter.wait());
    EXPECT_EQ(destroyed.load(), 1);
    EXPECT_NE(thread, std::this_thread::get_id());
    EXPECT_TRUE(deleter.isQueueEmpty());
}

TEST(PointCloudDeleter, FinishDrainsEverythingAppendedMeanwhile)
{
    std::atomic<int> executed{0};
    std::atomic<int> deleted{0};
    PointCloudDeleter deleter;
    for (int round = 0; round < 50; ++round) {
        for (int i = 0; i < 20; ++i)
            deleter.addTarget(new CountingDeleter(&executed, &deleted));
        deleter.start(); // no effect while a drain runs
    }
    deleter.finish();
    EXPECT_FALSE(deleter.isRunning());
    EXPECT_TRUE(deleter.isQueueEmpty());
    EXPECT_EQ(executed.load(), 1000);
    EXPECT_EQ(deleted.load(), 1000);

    // Never started: finish still frees on the deleter thread.
    std::atomic<int> destroyed{0};
    std::thread::id thread;
    deleter.addTarget(new TDeleter<Probe>(new Probe{&destroyed, &thread}));
    deleter.finish();
    EXPECT_EQ(destroyed.load(), 1);
    EXPECT_NE(thread, std::this_thread::get_id());
}

TEST(PointCloudDeleter, EntriesLeftAtDestructionAreDeletedWithoutExecute)
{
    std::atomic<int> executed{0};
    std::atomic<int> deleted{0};
    {
        PointCloudDeleter deleter;
        deleter.addTarget(new CountingDeleter(&executed, &deleted));
        deleter.addTarget(new CountingDeleter(&executed, &deleted));
    }
    EXPECT_EQ(executed.load(), 0);
    EXPECT_EQ(deleted.load(), 2);
}
