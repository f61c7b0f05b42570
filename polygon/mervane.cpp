// Mervane: converts one mesh file (STL, ASCII or binary; JPGIS elevation grid) into a polygon
// octree file.
//   Mervane <import file> <export file .zrply>
// Exit status: 1 converted, 0 failed (nothing written), -1 wrong argument count.

#include "fileoperation_zrply.h"
#include "polygonfiler.h"
#include "polygonsvobuilder.h"
#include "stagedfile.h"

#include <iostream>
#include <memory>
#include <string>

namespace {

// Voxels per node side of the polygon octree: a leaf holds up to 4^3 triangles.
constexpr int kVoxelResolution = 4;

void FL_print(const std::string& iLine)
{
    std::cout << iLine << std::endl;
}

bool FL_endsWith(const std::string& iText, const std::string& iEnd)
{
    return iText.size() >= iEnd.size() && iText.compare(iText.size() - iEnd.size(), iEnd.size(), iEnd) == 0;
}

} // namespace

int main(int argc, char* argv[])
{
    stagedfile::ignoreFileSizeSignal();
    stagedfile::removeOnSignals();
    if (argc != 3) {
        FL_print("Argument Error...");
        FL_print("arg1: Imported File Name (.stl, .xml), arg2: Exported File Name (.zrply)");
        return -1;
    }
    const std::string importFilePath = argv[1];
    const std::string exportFilePath = argv[2];
    FL_print("importFilePath: " + importFilePath);
    FL_print("exportFilePath: " + exportFilePath);
    if (!FL_endsWith(exportFilePath, ".zrply")) {
        FL_print("Error: Non-Supported Export File Suffix. --> " + exportFilePath);
        return 0;
    }

    FL_print("Start: import File...");
    std::string error;
    std::unique_ptr<PolygonData> data(PolygonFiler(importFilePath).importPolygonDataFile(error));
    if (!data) {
        FL_print("Error: Polygon Data Loading. " + error);
        return 0;
    }
    if (data->triangles.empty()) {
        FL_print("Error: The file holds no triangle.");
        return 0;
    }

    FL_print("Start: create octree...");
    SVOSystem<ColorBlock, ElementIndexBlock> system;
    if (!createSparseVoxelOctree(&system.getOctree(), &system.getVoxelBlockPool(), &system.getLeafBlockPool(), *data,
                                 kVoxelResolution)) {
        FL_print("Error: Octree Building.");
        return 0;
    }

    FL_print("Start: export file...");
    // Written beside the destination and moved there whole: a failed write leaves no part of a
    // file that would later load as garbage.
    std::string message;
    std::string reason;
    if (!stagedfile::write(
            exportFilePath,
            [&](const std::string& iPath) {
                return exportZRPLYFile(iPath, *data, system.getOctree(), system.getVoxelBlockPool(),
                                       system.getLeafBlockPool());
            },
            message, reason)) {
        if (!message.empty())
            FL_print(message);
        if (!reason.empty())
            FL_print("Error: " + reason);
        FL_print("Error: Export File Writing. --> " + exportFilePath);
        return 0;
    }
    FL_print("Convert OK.");
    return 1;
}
