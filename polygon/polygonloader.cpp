#include "polygonloader.h"

#include "polygon.h"
#include "polygoninterface.h"

#include <iostream>
#include <string>

PolygonLoader::PolygonLoader() : QThread(nullptr)
{
}

PolygonLoader::~PolygonLoader()
{
    stopFully();
}

int PolygonLoader::loadData(const std::vector<MyPolygon*>& iTargets, int iLevel, bool iAsync)
{
    if (iLevel > 1)
        return 2;
    if (!loadData_VoxelLevel(iTargets, iAsync))
        return 2;
    if (iLevel > 0)
        return 1;
    return loadData_PointLevel(iTargets, iAsync) ? 0 : 1;
}

bool PolygonLoader::loadData_VoxelLevel(const std::vector<MyPolygon*>& iTargets, bool iAsync)
{
    bool loaded = true;
    for (const MyPolygon* target : iTargets)
        if (PolygonSVOInterface* octree = meshOctree(target); octree && !octree->isLoadedDrawVoxelData())
            loaded = false;
    if (loaded)
        return true;
    if (!iAsync) {
        stopFully();
        setLoadParameter(VoxelLevel, iTargets);
        load_VoxelLevel();
        return true;
    }
    if (!isRunning()) {
        setLoadParameter(VoxelLevel, iTargets);
        start(QThread::InheritPriority);
    }
    return false;
}

bool PolygonLoader::loadData_PointLevel(const std::vector<MyPolygon*>& iTargets, bool iAsync)
{
    bool loaded = true;
    for (const MyPolygon* target : iTargets)
        if (PolygonSVOInterface* octree = meshOctree(target); octree && !octree->isLoadedDrawLeafData())
            loaded = false;
    if (loaded)
        return true;
    if (!iAsync) {
        stopFully();
        setLoadParameter(LeafLevel, iTargets);
        load_PointLevel();
        return true;
    }
    if (!isRunning()) {
        setLoadParameter(LeafLevel, iTargets);
        start(QThread::InheritPriority);
    }
    return false;
}

void PolygonLoader::setLoadParameter(int iLevel, const std::vector<MyPolygon*>& iTargets)
{
    if (isRunning())
        return;
    mLevel = iLevel;
    mTargets = iTargets;
    mVoxelKeys.resize(iTargets.size());
    mLeafKeys.resize(iTargets.size());
    for (std::size_t i = 0; i < iTargets.size(); ++i)
        if (PolygonSVOInterface* octree = meshOctree(iTargets[i])) {
            mVoxelKeys[i] = octree->getDrawVoxelNodeKeyList();
            mLeafKeys[i] = octree->getDrawLeafNodeKeyList();
        }
}

void PolygonLoader::load_VoxelLevel()
{
    load(VoxelLevel);
}

void PolygonLoader::load_PointLevel()
{
    load(LeafLevel);
}

void PolygonLoader::load(int iLevel)
{
    // On the thread the blocks go one node at a time, so that a stop is taken after the block
    // in progress; on the caller's thread all of a mesh's blocks are read in one go.
    const bool background = QThread::currentThread() == this;
    for (std::size_t i = 0; i < mTargets.size(); ++i) {
        if (takeStop())
            return;
        PolygonSVOInterface* octree = meshOctree(mTargets[i]);
        if (!octree)
            continue;
        std::vector<const void*> keys = mLeafKeys[i];
        if (iLevel == VoxelLevel)
            keys.insert(keys.begin(), mVoxelKeys[i].begin(), mVoxelKeys[i].end());
        const std::size_t chunk = background ? 1 : std::max<std::size_t>(keys.size(), 1);
        for (std::size_t first = 0; first < keys.size(); first += chunk) {
            if (first > 0 && takeStop())
                return;
            const std::vector<const void*> part(keys.begin() + static_cast<std::ptrdiff_t>(first),
                                                keys.begin() + static_cast<std::ptrdiff_t>(
                                                                   std::min(keys.size(), first + chunk)));
            std::string message;
            const bool ok = iLevel == VoxelLevel ? octree->loadSVO_Voxels(part, message)
                                                 : octree->loadSVO_Leafs(part, message);
            if (!ok)
                std::cout << message << std::endl;
        }
    }
}

bool PolygonLoader::takeStop()
{
    return mStop.exchange(false);
}

void PolygonLoader::stop()
{
    mStop.store(true);
}

void PolygonLoader::stopFully()
{
    mStop.store(true);
    wait();
    mStop.store(false);
}

void PolygonLoader::run()
{
    if (mLevel == VoxelLevel)
        load_VoxelLevel();
    else if (mLevel == LeafLevel)
        load_PointLevel();
}
