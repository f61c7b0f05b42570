#ifndef TESTS_POINTCLOUD_SHOTFIXTURE_H
#define TESTS_POINTCLOUD_SHOTFIXTURE_H

#include "fileoperation_svob.h"
#include "fileoperation_zrpcd.h"
#include "pointclouddata.h"
#include "sparsevoxeloctree.h"
#include "svobuilder.h"

#include <cstdint>
#include <string>

// A 3 x 2 scan matrix with one deleted cell far away, written by the converter's octree
// building into both octree file kinds.
namespace shotfixture {

// Box of the five valid cells: x 412345 .. 412347.5, y 0.25 .. 0.75, z 0 .. 6.
inline PointCloudData makeData()
{
    PointCloudData data;
    data.width = 3;
    data.height = 2;
    const struct
    {
        float x, y, z;
        unsigned flag;
    } cells[6] = {
        {412345.0f, 0.25f, 0.0f, 0},    {412347.5f, 0.25f, 0.0f, 0}, {412345.0f, 0.75f, 6.0f, 0},
        {-1000.0f, -1000.0f, 999.0f, Point::Deleted}, {412346.0f, 0.5f, 1.0f, Point::Selected},
        {412347.5f, 0.75f, 6.0f, 0},
    };
    for (int i = 0; i < 6; ++i) {
        Point point;
        point.color = Color(static_cast<unsigned char>(10 * i), 20, static_cast<unsigned char>(200 - i), 255);
        point.position = Vector3T<float>(cells[i].x, cells[i].y, cells[i].z);
        point.flag = cells[i].flag;
        data.pointList.push_back(point);
    }
    data.validPointNumber = 5;
    return data;
}

// Octree point file (.zrpcd).
inline bool writeZRPCD(const std::string& iPath, const PointCloudData& iData)
{
    SVOSystem<ColorBlock, PointBlock> system;
    if (!createSparseVoxelOctree(&system.getOctree(), &system.getVoxelBlockPool(), &system.getLeafBlockPool(), iData,
                                 2))
        return false;
    return SVOBFileOperator(iPath).save(static_cast<int>(iData.validPointNumber), system.getOctree(),
                                        system.getVoxelBlockPool(), system.getLeafBlockPool());
}

// Point-matrix octree file (.zrpmd).
inline bool writeZRPMD(const std::string& iPath, const PointCloudData& iData)
{
    SVOSystem<ColorBlock, PointIndexBlock> system;
    if (!createSparseVoxelOctree(&system.getOctree(), &system.getVoxelBlockPool(), &system.getLeafBlockPool(), iData,
                                 2))
        return false;
    return exportZRPCDFile(iPath, iData, system.getOctree(), system.getVoxelBlockPool(), system.getLeafBlockPool());
}

// The 32-bit word at iOffset of a file's bytes.
inline std::uint32_t wordAt(const std::string& iBytes, std::size_t iOffset)
{
    std::uint32_t word = 0;
    iBytes.copy(reinterpret_cast<char*>(&word), 4, iOffset);
    return word;
}

// Offset of the tree section in a file of makeData written by writeZRPCD (behind the header and
// the point number) or writeZRPMD (behind the header and the 3 x 2 point matrix).
inline std::size_t treeOffset(const std::string& iBytes, bool iMatrix)
{
    return 4 + wordAt(iBytes, 0) + (iMatrix ? 12 + 6 * 20 : 4);
}

} // namespace shotfixture

#endif
