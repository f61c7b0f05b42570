#ifndef TESTS_SUPPORT_POLYGONFIXTURE_H
#define TESTS_SUPPORT_POLYGONFIXTURE_H

#include "fileoperation_zrply.h"
#include "polygonsvobuilder.h"

#include <cmath>
#include <string>

// Meshes for the polygon tests: a wavy grid surface and its polygon octree file.
namespace polygonfixture {

// A g x g grid of quads, two triangles each, over a gentle wave, in the square 0..g.
inline PolygonData makeWave(int iGrid)
{
    PolygonData data;
    for (int j = 0; j <= iGrid; ++j)
        for (int i = 0; i <= iGrid; ++i) {
            data.points.push_back(Vector3T<float>(float(i), float(j), 0.3f * std::sin(i * 0.8f) * std::cos(j * 0.3f)));
            data.colors.push_back(Color(static_cast<unsigned char>(i * 9), static_cast<unsigned char>(j * 9), 50, 255));
        }
    const unsigned row = static_cast<unsigned>(iGrid + 1);
    for (int j = 0; j < iGrid; ++j)
        for (int i = 0; i < iGrid; ++i) {
            const unsigned v = static_cast<unsigned>(j) * row + static_cast<unsigned>(i);
            Triangle a, b;
            a.index[0] = v, a.index[1] = v + 1, a.index[2] = v + row + 1;
            b.index[0] = v, b.index[1] = v + row + 1, b.index[2] = v + row;
            data.triangles.push_back(a);
            data.triangles.push_back(b);
        }
    return data;
}

inline bool writeZRPLY(const std::string& iPath, const PolygonData& iData, int iResolution)
{
    SVOSystem<ColorBlock, ElementIndexBlock> system;
    return createSparseVoxelOctree(&system.getOctree(), &system.getVoxelBlockPool(), &system.getLeafBlockPool(), iData,
                                   iResolution) &&
           exportZRPLYFile(iPath, iData, system.getOctree(), system.getVoxelBlockPool(), system.getLeafBlockPool());
}

} // namespace polygonfixture

#endif
