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

    std::string writerMessage;
    std::string stagingMessage;
    std::string reason;
    const bool written = stagedfile::write(
        iFilePath,
        [&](const std::string& iStagedPath) {
            SVOBFileOperator writer(iStagedPath);
            if (writer.save(pointNumber, system.getOctree(), system.getVoxelBlockPool(), system.getLeafBlockPool()))
                return true;
            writerMessage = writer.getErrorMessage();
            stagedfile::replacePath(writerMessage, iStagedPath, iFilePath);
            return false;
        },
        stagingMessage, reason);
    if (!written)
        iErrorMessage = (!writerMessage.empty()    ? writerMessage
                         : !stagingMessage.empty() ? stagingMessage
                                                   : "Cannot write file: " + iFilePath) +
                        (reason.empty() ? "" : ": " + reason);
    return written;
}
