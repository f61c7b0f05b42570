#ifndef CORE_FILEOPERATION_ZRPLY_H
#define CORE_FILEOPERATION_ZRPLY_H

#include "pointblockoperation.h"
#include "polygonmesh.h"
#include "sparsevoxeloctree.h"

#include <string>
#include <vector>

// The polygon octree file (.zrply): header, the triangles, the vertex positions and the vertex
// colours (each a count and its records), then the tree, node, voxel and leaf sections with
// ElementIndexBlock leaves (triangle numbers). Every function opens the file anew and closes it
// on return.
//
// A loader fails with "Cannot open file for reading: " and the path in iErrorMessage when the
// file cannot be opened, with its header message printed and iErrorMessage unchanged when the
// header does not match, and with "File is broken: " and the path when the file is short or
// its counts and indices are inconsistent: a negative count, a count larger than what is left
// of the file, a colour count other than the vertex count, a triangle naming a vertex that is
// not there, a leaf naming a triangle that is not there. Counts are checked before anything is
// allocated for them.

// Writes the whole file; false when it cannot be opened, the mesh or the octree could not be
// read back (a triangle naming a missing vertex, a colour count other than the vertex count,
// a count beyond 32 bits, an octree that fails checkSVOData with the triangle count as index
// limit), or the stream failed.
bool exportZRPLYFile(const std::string& iFilePath, const PolygonData& iData, const SparseVoxelOctree& iOctree,
                     const VoxelBlockPool<ColorBlock>& iVoxelPool, const LeafBlockPool<ElementIndexBlock>& iLeafPool);

// The whole file into empty targets, checked as a whole. On failure the targets may be partly
// filled; every object linked into them is complete.
bool loadZRPLYFile(const std::string& iFilePath, PolygonData* oData, SparseVoxelOctree* oOctree,
                   VoxelBlockPool<ColorBlock>* oVoxelPool, LeafBlockPool<ElementIndexBlock>* oLeafPool,
                   std::string& iErrorMessage);

// The tree only (root box, resolution, layer sizes).
bool loadZRPLYFile_Tree(const std::string& iFilePath, SparseVoxelOctree* oOctree, std::string& iErrorMessage);
// Nodes through iDepth by the layer sizes already in the octree; sets the loaded depth.
bool loadZRPLYFile_Nodes(const std::string& iFilePath, SparseVoxelOctree* ioOctree, int iDepth,
                         std::string& iErrorMessage);
// Voxel entries and colours of the listed nodes; the leaf pool is not touched.
bool loadZRPLYFile_Voxels(const std::string& iFilePath, VoxelBlockPool<ColorBlock>* ioVoxelPool,
                          LeafBlockPool<ElementIndexBlock>* ioLeafPool,
                          const std::vector<const SparseVoxelOctreeNode*>& iNodes, int iVoxelCount,
                          std::string& iErrorMessage);
// Leaf entries and triangle numbers of the listed leaf nodes (each below the triangle count);
// the voxel pool is not touched.
bool loadZRPLYFile_Leafs(const std::string& iFilePath, VoxelBlockPool<ColorBlock>* ioVoxelPool,
                         LeafBlockPool<ElementIndexBlock>* ioLeafPool,
                         const std::vector<const SparseVoxelOctreeNode*>& iNodes, int iVoxelCount,
                         std::string& iErrorMessage);

// The mesh only, checked as in the whole load. oData is replaced only on success.
bool loadZRPLYFile_PolygonData(const std::string& iFilePath, PolygonData* oData, std::string& iErrorMessage);
// Appends one TriangleData per listed triangle number, in list order (a number listed twice
// gives two equal entries). Fails, appending nothing, when a number is not below the triangle
// count or a triangle read names a missing vertex.
bool loadZRPLYFile_PolygonData(const std::string& iFilePath, std::vector<TriangleData>* oOut,
                               const std::vector<unsigned int>& iTriangleIndices, std::string& iErrorMessage);
// Triangle count and vertex count; the outputs are written only on success.
bool loadZRPLYFile_PolygonInfo(const std::string& iFilePath, int* oTriangleNumber, int* oVertexNumber,
                               std::string& iErrorMessage);

// Box of the vertices: minimum and maximum per axis, centre and size taken in float, stored as
// doubles. Non-finite coordinates are left out; an axis without a finite coordinate (and every
// axis of a mesh without vertices) gives centre and size 0.
void getBoundingBox(Vector3T<double>* oCenter, Vector3T<double>* oSize, const PolygonData& iData);

// Replaces the block's triangle numbers with iIndices; positions and colours are not used (the
// draw lists are filled when the leaf is loaded for drawing).
template <>
void initLeafDataBlock<ElementIndexBlock>(ElementIndexBlock* oBlock, const std::vector<Vector3T<float>>& iPositions,
                                          const std::vector<Color>& iColors,
                                          const std::vector<unsigned int>& iIndices);

#endif
