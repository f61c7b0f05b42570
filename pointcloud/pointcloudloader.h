#ifndef POINTCLOUD_POINTCLOUDLOADER_H
#define POINTCLOUD_POINTCLOUDLOADER_H

#include <QThread>

#include <atomic>
#include <vector>

class PointCloud;

namespace UtilityVector {

// Appends every element of iFrom to *ioTo, in order.
template <typename T>
void add(std::vector<T>* ioTo, const std::vector<T>& iFrom)
{
    ioTo->reserve(ioTo->size() + iFrom.size());
    ioTo->insert(ioTo->end(), iFrom.begin(), iFrom.end());
}

} // namespace UtilityVector

// Loads octree data of the shots, either at once on the caller's thread or in the background,
// and tells from what is loaded which draw level a frame can use.
//
// Threads. Every public operation belongs to the GUI thread; only run() and the load loops it
// calls execute on the loader thread. The parameter lists are written only while the thread is
// not running and read by the loops, which run either on the thread or, after it has ended, on
// the GUI thread. The octree blocks that a load fills are staged by the octree implementation
// and installed under its own lock, so drawing never sees a half-filled block.
//
// Stopping. The stop request is an atomic flag, polled before each shot and, in point loads,
// between chunks of leaves. The point loads of the octree layer take a plain `bool volatile*`
// that they read without synchronisation; a flag written by the GUI thread while the layer
// reads it would be a data race, so the layer only ever gets a flag of this thread's own and
// the leaves are handed to it in small chunks instead. A stop therefore takes effect after the
// chunk in progress.
//
// The owner (the point cloud manager) calls stopFully() before it releases or deletes any shot
// that a load may use, and before the loader itself is destroyed (the destructor stops it too).
class PointCloudLoader : public QThread
{
    Q_OBJECT

public:
    // Load modes of run().
    enum Mode
    {
        PointLevel = 0,
        VoxelLevel = 1,
        NodeData = 2,
    };

    PointCloudLoader();
    ~PointCloudLoader() override;
    PointCloudLoader(const PointCloudLoader&) = delete;
    PointCloudLoader& operator=(const PointCloudLoader&) = delete;

    // Both ignored while the thread runs. The first stores the mode, the shots and their wanted
    // node depths (-1: none); the second stores the mode and the shots and takes from each
    // shot's octree its current voxel and leaf draw-node keys.
    void setLoadParameter(const std::vector<PointCloud*>& iTargets, int iMode, const std::vector<int>& iLevels);
    void setLoadParameter(const std::vector<PointCloud*>& iTargets, int iMode);

    // The draw level for this frame: 2 when iTargetLevel is above 1 or a background load was
    // requested, else 0 (nodes and leaf points complete, loaded now when iDelay is off).
    int loadData(const std::vector<PointCloud*>& iShots, const std::vector<int>& iLevels, int iTargetLevel,
                 bool iDelay);
    // Each: true when that level's data is complete when the call returns (loaded now on this
    // thread when it was not and iDelay is off); false when it is incomplete and was left to
    // the thread (started now, or already running).
    bool loadData_NodeLevel(const std::vector<PointCloud*>& iShots, const std::vector<int>& iLevels, bool iDelay);
    bool loadData_VoxelLevel(const std::vector<PointCloud*>& iShots, bool iDelay);
    bool loadData_PointLevel(const std::vector<PointCloud*>& iShots, bool iDelay);

    // Whether a stop has been asked for and not yet taken by a load or cleared.
    bool isStopRequested() const { return mStop.load(); }

public slots:
    // Asks the running load to end; returns at once. A request made while nothing runs does not
    // reach the next start.
    void stop();
    // Asks the running load to end, waits for the thread without time limit and clears the
    // request, so the next start loads all of its shots.
    void stopFully();

protected:
    void run() override;

private:
    // Loads the stored shots in order until the list ends or a stop request is taken.
    void load_NodeData();
    void load_VoxelLevel();
    void load_PointLevel();
    // Takes (and clears) a pending stop request.
    bool takeStop();
    // The stop-and-wait of the synchronous branches; afterwards the lists can be written.
    void waitStopped();
    // Starts the thread for the parameters just stored, with no stale stop request.
    void startLoad();

    std::atomic<bool> mStop{false};
    int mMode = PointLevel;
    std::vector<PointCloud*> mTargets;
    std::vector<int> mLevels;
    std::vector<std::vector<const void*>> mVoxelKeyList;
    std::vector<std::vector<const void*>> mLeafKeyList;
    // Written last by run() and read after each wait: QThread::wait() orders the threads, but in
    // a way that thread checkers cannot see; this makes the order visible to them.
    std::atomic<unsigned> mRunsEnded{0};
};

#endif
