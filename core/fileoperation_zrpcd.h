#ifndef CORE_FILEOPERATION_ZRPCD_H
#define CORE_FILEOPERATION_ZRPCD_H

#include "pointclouddata.h"
#include "sparsevoxeloctree.h"

#include <string>
#include <vector>

// The point-matrix octree file (.zrpmd): header, the whole point matrix, then the tree, node,
// voxel and leaf sections with PointIndexBlock leaves (matrix cell indices). Every function
// opens the file anew and closes it on return.
//
// A loader fails with "Cannot open file for reading: " and the path in iErrorMessage when
// the file cannot be opened, with its header message printed and iErrorMessage unchanged
// when the header does not match, and with "File is broken: " and the path when the file is
// short or its counts and indices are inconsistent.

// Writes the whole file; false when it cannot be opened, the matrix does not hold width x
// height cells, the octree cannot be written as it is, or the stream failed.
bool exportZRPCDFile(const std::string& iFilePath, const PointCloudData& iData, const SparseVoxelOctree& iOctree,
                     const VoxelBlockPool<ColorBlock>& iVoxelPool, const LeafBlockPool<PointIndexBlock>& iLeafPool);

// The whole file into empty targets, checked as a whole (leaf indices inside the matrix).
// On failure the targets may be partly filled; every object linked into them is complete.
bool loadZRPCDFile(const std::string& iFilePath, PointCloudData* oData, SparseVoxelOctree* oOctree,
                   VoxelBlockPool<ColorBlock>* oVoxelPool, LeafBlockPool<PointIndexBlock>* oLeafPool,
                   std::string& iErrorMessage);

// The point matrix only.
bool loadZRPCDFile_Matrix(const std::string& iFilePath, PointCloudData* oData, std::string& iErrorMessage);
// Width, height and valid point number of the matrix.
bool loadZRPCDFile_MatrixInfo(const std::string& iFilePath, int* oWidth, int* oHeight, int* oValidNumber,
                              std::string& iErrorMessage);
// The three matrix numbers and the tree.
bool loadZRPCDFile_Base(const std::string& iFilePath, int* oWidth, int* oHeight, int* oValidNumber,
                        SparseVoxelOctree* oOctree, std::string& iErrorMessage);
// The tree only.
bool loadZRPCDFile_Tree(const std::string& iFilePath, SparseVoxelOctree* oOctree, std::string& iErrorMessage);
// Nodes through iDepth by the layer sizes already in the octree; sets the loaded depth.
bool loadZRPCDFile_Nodes(const std::string& iFilePath, SparseVoxelOctree* ioOctree, int iDepth,
                         std::string& iErrorMessage);
// The same into oNodes for an octree with the layer sizes iLayers holding iPresent nodes,
// which is not touched (nor needed) while the file is read.
bool loadZRPCDFile_Nodes(const std::string& iFilePath, const std::vector<int>& iLayers, std::uint64_t iPresent,
                         int iDepth, SVONodeList* oNodes, std::string& iErrorMessage);
// Voxel entries and colours of iVoxelNodes, then leaf entries and matrix indices of
// iLeafNodes (indices must lie inside the matrix); the points themselves are not read.
bool loadZRPCDFile_VoxelAndPoints(const std::string& iFilePath, VoxelBlockPool<ColorBlock>* ioVoxelPool,
                                  LeafBlockPool<PointIndexBlock>* ioLeafPool,
                                  const std::vector<const SparseVoxelOctreeNode*>& iVoxelNodes,
                                  const std::vector<const SparseVoxelOctreeNode*>& iLeafNodes, int iVoxelCount,
                                  std::string& iErrorMessage);
// oOut[k] = the matrix cell iIndices[k]; an index outside the matrix fails the load.
bool loadZRPCDFile_Matrix(const std::string& iFilePath, std::vector<Point>* oOut,
                          const std::vector<unsigned>& iIndices, std::string& iErrorMessage);
// The same, stopping before the next cell once *iStop is true; cells not read keep their
// default values and the result is still true.
bool loadZRPCDFile_Matrix(const std::string& iFilePath, std::vector<Point>* oOut,
                          const std::vector<unsigned>& iIndices, bool volatile* iStop, std::string& iErrorMessage);

#endif
