#ifndef CORE_DRAWFUNCTION_H
#define CORE_DRAWFUNCTION_H

#include "color.h"
#include "sparsevoxeloctree.h"
#include "vector3.h"

#include <vector>

// OpenGL drawing of points, triangles, octree node centres and voxel centres from client-side
// arrays, one draw call per list. They need a current GL context. Nodes and voxels are drawn as
// points. Index colours encode a list position i as Color::fromUInt32(i), for picking by
// colour read-back.

// Whether a GL context is current: without one, drawing and GL state calls must be skipped.
bool hasCurrentGLContext();

// Nothing when the lists differ in length.
void drawPoints(const std::vector<Vector3T<float>>& iPositions, const std::vector<Color>& iColors, int iPointSize);
void drawPoints(const std::vector<Vector3T<float>>& iPositions, const Color& iColor, int iPointSize);

// Indexed triangles. Nothing when positions and colours differ in length or an index lies
// outside the positions.
void drawTriangles(const std::vector<unsigned>& iIndices, const std::vector<Vector3T<float>>& iPositions,
                   const std::vector<Color>& iColors);
void drawTriangles(const std::vector<unsigned>& iIndices, const std::vector<Vector3T<float>>& iPositions,
                   const Color& iColor);
// Each consecutive pair of indices is one line, width 1. Nothing when an index lies outside
// the positions.
void drawTriangleEdges(const std::vector<unsigned>& iIndices, const std::vector<Vector3T<float>>& iPositions,
                       const Color& iColor);

// Position i of the output gets node i's centre, colour or index colour. The nodes must not be
// null.
void getNodeCenterList(std::vector<Vector3T<float>>* oCenters, const std::vector<const SparseVoxelOctreeNode*>& iNodes);
void getNodeColorList(std::vector<Color>* oColors, const std::vector<const SparseVoxelOctreeNode*>& iNodes);
void getNodeIndexColorList(std::vector<Color>* oColors, const std::vector<const SparseVoxelOctreeNode*>& iNodes);

// Node centres as points in the nodes' colours, in one colour, or in the index colours of their
// list positions.
void drawNodes(const std::vector<const SparseVoxelOctreeNode*>& iNodes, int iPointSize);
void drawNodes(const std::vector<const SparseVoxelOctreeNode*>& iNodes, const Color& iColor, int iPointSize);
void drawNodesByIndexColor(const std::vector<const SparseVoxelOctreeNode*>& iNodes, int iPointSize);

// A copy of the node's voxel colours; empty while its voxel entry or colour block is not loaded.
void getVoxelColorList(std::vector<Color>* oColors, const SparseVoxelOctreeNode& iNode,
                       const VoxelBlockPool<ColorBlock>& iPool);

// The node's voxel centres as points in its voxel colours or in one colour. A node whose voxel
// entry or colour block is not loaded draws nothing. The list forms draw node by node in list
// order and skip null nodes.
void drawVoxels(const SparseVoxelOctreeNode& iNode, const SparseVoxelOctree& iOctree,
                const VoxelBlockPool<ColorBlock>& iPool, int iPointSize);
void drawVoxels(const SparseVoxelOctreeNode& iNode, const SparseVoxelOctree& iOctree,
                const VoxelBlockPool<ColorBlock>& iPool, const Color& iColor, int iPointSize);
void drawVoxels(const std::vector<const SparseVoxelOctreeNode*>& iNodes, const SparseVoxelOctree& iOctree,
                const VoxelBlockPool<ColorBlock>& iPool, int iPointSize);
void drawVoxels(const std::vector<const SparseVoxelOctreeNode*>& iNodes, const SparseVoxelOctree& iOctree,
                const VoxelBlockPool<ColorBlock>& iPool, const Color& iColor, int iPointSize);

#endif
