#include "pointfilesave.h"

#include "fileoperation_svob.h"
#include "stagedfile.h"
#include "svobuilder.h"

#include <algorithm>

bool savePointCloudDataAsSVOB(const PointCloudData& iData, const std::string& iFilePath, std::string& iErrorMessage)
{
    // The builder takes the points whose deleted bit is clear and stores them with their marks
    // cleared, so the list needs no copy with the selected bits taken off.
    const PointCloudData& data = iData;
    const int pointNumber = static_cast<int>(
        std::count_if(data.pointList.begin(), data.pointList.end(), [](const Point& p) { return p.isValid(); }));

    SVOSystem<ColorBlock, PointBlock> system;
    if (!createSparseVoxelOctree<ColorBlock, PointBlock>(&system.getOctree(), &system.getVoxelBlockPool(),
                                                         &system.getLeafBlockPool(), data, 4)) {
        iErrorMessage = "Cannot build the octree for: " + iFilePath;
        return false;
    }

    const std::string stagedPath = stagedfile::getStagedPath(iFilePath);
    SVOBFileOperator writer(stagedPath);
    if (!writer.save(pointNumber, system.getOctree(), system.getVoxelBlockPool(), system.getLeafBlockPool())) {
        stagedfile::discard(stagedPath, iFilePath);
        iErrorMessage = writer.getErrorMessage();
        stagedfile::replacePath(iErrorMessage, stagedPath, iFilePath);
        return false;
    }
    if (!stagedfile::commit(stagedPath, iFilePath)) {
        stagedfile::discard(stagedPath, iFilePath);
        iErrorMessage = "Cannot write file: " + iFilePath;
        return false;
    }
    return true;
}
