#ifndef CORE_POLYGONSVOBUILDER_H
#define CORE_POLYGONSVOBUILDER_H

#include "polygonmesh.h"
#include "sparsevoxeloctree.h"

// Building a sparse voxel octree over a triangle mesh, depth first. Leaves hold triangle
// numbers; every voxel carries as colour the index colour of a triangle (the number written in
// base 255: red, green, blue = its three lowest digits, alpha 255), so that reading drawn voxel
// colours back identifies triangles.
//
// A triangle belongs to the node of each depth that holds its centroid. A node with n^3 or more
// triangles is divided, except in three cases that make it a leaf whatever its count, because
// dividing could not separate its triangles: all share one centroid; all fall into one octant
// whose child centre equals the node's centre in float; or the node lies at depth
// svoMaxBuildDepth. This also bounds the recursion.
//
// A leaf's voxels are those its triangles meet: a voxel is marked when the triangle overlaps the
// closed voxel box grown on every axis by 1e-4 of the voxel side plus a few float steps of the
// coordinates there (separating axis test). A triangle lying exactly on a face shared by two
// voxels thus marks both, one on a face of the node marks the voxels inside the node that it
// touches, and a triangle reaching beyond the node marks the node's voxels it crosses. A
// degenerate triangle marks the voxels its segment or point meets; one with a non-finite vertex
// marks none. On an axis where the node has no extent only voxel index 0 is used, as for points.
// An inner node's voxels are those holding its children's voxel centres, each with the colour of
// the last centre that fell into it.

// The whole build into empty containers: root box of the vertices, resolution, nodes, leaves and
// voxels, breadth-first re-layout, loaded depth = number of layers. Prints "create SVOctree..."
// at the start and the processor time before the re-layout. False without touching the
// containers for a resolution below 1 or with n^3 beyond int, more than INT_MAX triangles, a
// triangle naming a missing vertex, or containers that are not empty; false after a failed
// step (a voxel colour total beyond 32 bits) or when memory runs out ("Error: out of memory"
// printed), with a partial build that the caller discards.
bool createSparseVoxelOctree(SparseVoxelOctree* oOctree, VoxelBlockPool<ColorBlock>* oVoxelPool,
                             LeafBlockPool<ElementIndexBlock>* oLeafPool, const PolygonData& iData, int iResolution);

#endif
