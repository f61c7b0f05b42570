#ifndef CONVERTER_POINTFILESAVE_H
#define CONVERTER_POINTFILESAVE_H

#include "pointclouddata.h"

#include <string>

// Writes the points of iData whose deleted mark is clear as an octree point file (.zrpcd):
// selected marks cleared, octree of voxel resolution 4, point number = the points written.
// Every point deleted gives a valid file with one empty root leaf and point number 0.
// The file is written beside its place and renamed over it only after the complete write was
// checked; on failure the previous file is left as it was, nothing is left beside it, and
// iErrorMessage names the path and the reason.
bool savePointCloudDataAsSVOB(const PointCloudData& iData, const std::string& iFilePath, std::string& iErrorMessage);

#endif
