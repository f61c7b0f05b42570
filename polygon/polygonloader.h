#ifndef POLYGON_POLYGONLOADER_H
#define POLYGON_POLYGONLOADER_H

#include <QThread>

#include <atomic>
#include <vector>

class MyPolygon;

// Loads the voxel or leaf blocks that the current view needs for a set of octree meshes,
// either at once on the caller's thread or in the background, and tells from what is loaded
// which draw level a frame can use. Meshes held whole in memory are skipped and count as loaded.
//
// Threads. Every public operation belongs to the GUI thread; only run() and the load loops it
// calls execute on the loader thread. The parameters are written only while the thread is not
// running. The key lists are copies, so the view may change the meshes' draw lists meanwhile;
// the blocks a load reads are staged by the octree implementation and installed under its own
// lock. The stop request is an atomic flag polled before each mesh and, on the thread, between
// the blocks of one mesh, so that a stop takes effect after the block in progress.
//
// The owner calls stopFully() before it frees the data of any mesh that a load may use, and
// before the loader goes (the destructor stops it too).
class PolygonLoader : public QThread
{
    Q_OBJECT

public:
    enum Level
    {
        LeafLevel = 0,
        VoxelLevel = 1,
    };

    PolygonLoader();
    ~PolygonLoader() override;
    PolygonLoader(const PolygonLoader&) = delete;
    PolygonLoader& operator=(const PolygonLoader&) = delete;

    // The level now reached: 0 leaves, 1 voxels, 2 neither (iLevel above 1, or voxel data left
    // to the thread). With iAsync off the data are loaded now, a running load stopped first.
    int loadData(const std::vector<MyPolygon*>& iTargets, int iLevel, bool iAsync);
    // True when the level's data are complete when the call returns; false when they were left
    // to the thread (started now, or already running).
    bool loadData_VoxelLevel(const std::vector<MyPolygon*>& iTargets, bool iAsync);
    bool loadData_PointLevel(const std::vector<MyPolygon*>& iTargets, bool iAsync);
    // Ignored while the thread runs. Stores the level, the meshes and a copy of each octree
    // mesh's voxel and leaf draw-node keys.
    void setLoadParameter(int iLevel, const std::vector<MyPolygon*>& iTargets);
    // The work itself, on the calling thread, until the list ends or a stop is taken.
    void load_VoxelLevel();
    void load_PointLevel();

    bool isStopRequested() const { return mStop.load(); }

public slots:
    // Asks the running load to end; returns at once.
    void stop();
    // Asks the running load to end, waits for the thread without time limit and clears the
    // request, so that the next load loads all of its meshes.
    void stopFully();

protected:
    void run() override;

private:
    // Takes (and clears) a pending stop request.
    bool takeStop();
    void load(int iLevel);

    std::atomic<bool> mStop{false};
    int mLevel = VoxelLevel;
    std::vector<MyPolygon*> mTargets;
    std::vector<std::vector<const void*>> mVoxelKeys;
    std::vector<std::vector<const void*>> mLeafKeys;
};

#endif
