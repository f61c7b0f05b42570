#include "pointcloudloader.h"

#include "pointcloud.h"
#include "pointcloudinterface.h"

#include <algorithm>
#include <iostream>
#include <string>

namespace {

// Leaves handed to one point load: small enough that a stop is not kept waiting long, large
// enough that reopening the file per call costs little.
constexpr std::size_t FL_LEAF_CHUNK = 32;

PointCloudSVOInterface* FL_octree(PointCloud* iShot)
{
    PointCloudInterface* data = iShot != nullptr ? iShot->getPointCloud() : nullptr;
    return data != nullptr ? data->getSVOInterface() : nullptr;
}

// One write, so that lines from both threads do not interleave.
void FL_printError(const std::string& iErrorMessage)
{
    std::cout << (iErrorMessage + "\n") << std::flush;
}

} // namespace

PointCloudLoader::PointCloudLoader() : QThread(nullptr) {}

PointCloudLoader::~PointCloudLoader()
{
    stopFully();
}

void PointCloudLoader::stop()
{
    mStop.store(true);
}

void PointCloudLoader::stopFully()
{
    waitStopped();
}

void PointCloudLoader::waitStopped()
{
    mStop.store(true);
    wait();
    mStop.store(false);
    mRunsEnded.load(std::memory_order_acquire);
}

bool PointCloudLoader::takeStop()
{
    return mStop.exchange(false);
}

void PointCloudLoader::startLoad()
{
    mStop.store(false);
    start(QThread::InheritPriority);
}

void PointCloudLoader::setLoadParameter(const std::vector<PointCloud*>& iTargets, int iMode,
                                        const std::vector<int>& iLevels)
{
    if (isRunning())
        return;
    mRunsEnded.load(std::memory_order_acquire);
    mMode = iMode;
    mTargets = iTargets;
    mLevels = iLevels;
}

void PointCloudLoader::setLoadParameter(const std::vector<PointCloud*>& iTargets, int iMode)
{
    if (isRunning())
        return;
    mRunsEnded.load(std::memory_order_acquire);
    mMode = iMode;
    mTargets = iTargets;
    mVoxelKeyList.resize(iTargets.size());
    mLeafKeyList.resize(iTargets.size());
    for (std::size_t i = 0; i < iTargets.size(); ++i) {
        PointCloudSVOInterface* octree = FL_octree(iTargets[i]);
        mVoxelKeyList[i] = octree != nullptr ? octree->getDrawVoxelNodeKeyList() : std::vector<const void*>();
        mLeafKeyList[i] = octree != nullptr ? octree->getDrawLeafNodeKeyList() : std::vector<const void*>();
    }
}

int PointCloudLoader::loadData(const std::vector<PointCloud*>& iShots, const std::vector<int>& iLevels,
                               int iTargetLevel, bool iDelay)
{
    if (iTargetLevel > 1)
        return 2;
    if (!loadData_NodeLevel(iShots, iLevels, iDelay))
        return 2;
    if (!loadData_PointLevel(iShots, iDelay))
        return 2;
    return 0;
}

bool PointCloudLoader::loadData_NodeLevel(const std::vector<PointCloud*>& iShots, const std::vector<int>& iLevels,
                                          bool iDelay)
{
    bool complete = true;
    for (std::size_t i = 0; i < iShots.size() && complete; ++i) {
        PointCloudSVOInterface* octree = FL_octree(iShots[i]);
        const int level = i < iLevels.size() ? iLevels[i] : -1;
        if (octree != nullptr && octree->getTreeDepth() < level)
            complete = false;
    }
    if (complete)
        return true;
    if (!iDelay) {
        waitStopped();
        setLoadParameter(iShots, NodeData, iLevels);
        load_NodeData();
        return true;
    }
    if (!isRunning()) {
        setLoadParameter(iShots, NodeData, iLevels);
        startLoad();
    }
    return false;
}

bool PointCloudLoader::loadData_VoxelLevel(const std::vector<PointCloud*>& iShots, bool iDelay)
{
    const bool complete = std::all_of(iShots.begin(), iShots.end(), [](PointCloud* iShot) {
        PointCloudSVOInterface* octree = FL_octree(iShot);
        return octree == nullptr || octree->isLoadedDrawVoxelData();
    });
    if (complete)
        return true;
    if (!iDelay) {
        waitStopped();
        setLoadParameter(iShots, VoxelLevel);
        load_VoxelLevel();
        return true;
    }
    if (!isRunning()) {
        setLoadParameter(iShots, VoxelLevel);
        startLoad();
    }
    return false;
}

bool PointCloudLoader::loadData_PointLevel(const std::vector<PointCloud*>& iShots, bool iDelay)
{
    const bool complete = std::all_of(iShots.begin(), iShots.end(), [](PointCloud* iShot) {
        PointCloudSVOInterface* octree = FL_octree(iShot);
        return octree == nullptr || octree->isLoadedDrawLeafData();
    });
    if (complete)
        return true;
    if (!iDelay) {
        waitStopped();
        setLoadParameter(iShots, PointLevel);
        load_PointLevel();
        return true;
    }
    if (!isRunning()) {
        setLoadParameter(iShots, PointLevel);
        startLoad();
    }
    return false;
}

void PointCloudLoader::run()
{
    switch (mMode) {
    case NodeData:
        load_NodeData();
        break;
    case VoxelLevel:
        load_VoxelLevel();
        break;
    case PointLevel:
        load_PointLevel();
        break;
    default:
        break;
    }
    mRunsEnded.fetch_add(1, std::memory_order_release);
}

void PointCloudLoader::load_NodeData()
{
    for (std::size_t i = 0; i < mTargets.size(); ++i) {
        if (takeStop())
            return;
        PointCloudSVOInterface* octree = FL_octree(mTargets[i]);
        const int level = i < mLevels.size() ? mLevels[i] : -1;
        if (octree == nullptr || level < 0)
            continue;
        std::string error;
        if (!octree->loadSVO_Nodes(level, error))
            FL_printError(error);
    }
}

void PointCloudLoader::load_VoxelLevel()
{
    for (std::size_t i = 0; i < mTargets.size(); ++i) {
        if (takeStop())
            return;
        PointCloudSVOInterface* octree = FL_octree(mTargets[i]);
        if (octree == nullptr || i >= mVoxelKeyList.size())
            continue;
        std::vector<const void*> keys = mVoxelKeyList[i];
        UtilityVector::add(&keys, mLeafKeyList[i]);
        std::string error;
        if (!octree->loadSVO_Voxels(keys, error))
            FL_printError(error);
    }
}

void PointCloudLoader::load_PointLevel()
{
    for (std::size_t i = 0; i < mTargets.size(); ++i) {
        if (takeStop())
            return;
        PointCloudSVOInterface* octree = FL_octree(mTargets[i]);
        if (octree == nullptr || i >= mLeafKeyList.size())
            continue;
        const std::vector<const void*>& keys = mLeafKeyList[i];
        // The layer's own flag, never written by another thread (see the class comment).
        bool volatile layerStop = false;
        std::string error;
        bool ok = true;
        for (std::size_t first = 0; first < keys.size() && ok; first += FL_LEAF_CHUNK) {
            if (first != 0 && takeStop())
                return;
            const std::size_t last = std::min(keys.size(), first + FL_LEAF_CHUNK);
            const std::vector<const void*> chunk(keys.begin() + std::ptrdiff_t(first),
                                                 keys.begin() + std::ptrdiff_t(last));
            ok = octree->loadSVO_Points(chunk, &layerStop, error);
        }
        if (!ok)
            FL_printError(error);
    }
}
