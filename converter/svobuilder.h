#ifndef CONVERTER_SVOBUILDER_H
#define CONVERTER_SVOBUILDER_H

#include "color.h"
#include "pointclouddata.h"
#include "sparsevoxeloctree.h"
#include "vector3.h"

#include <vector>

// Building a sparse voxel octree from a point matrix, breadth-first with explicit layer lists.
// Point numbers are cell indices into the position and colour lists of getValidDataList.
//
// A node with n^3 or more points is divided, except in three cases that make it a leaf whatever
// its count, because dividing could not separate its points (it would go on without end): all
// its points share one position; all fall into one octant whose child centre equals the node's
// centre in float; or the node lies at depth svoMaxBuildDepth. Wherever plain division ends
// without a node of n^3 or more points at that depth, the tree is exactly the one it gives.

// The whole build into empty containers: root box of the valid cells, resolution, root node,
// nodes and leaves, voxels, breadth-first re-layout, loaded depth = number of layers.
// False without touching anything for a resolution below 1 or with n^3 beyond int, a matrix of
// more than INT_MAX cells, or containers that are not empty; false after a failed step or when
// memory runs out ("Error: out of memory" printed), with the containers holding a partial build
// that the caller discards.
template <typename C, typename L>
bool createSparseVoxelOctree(SparseVoxelOctree* oOctree, VoxelBlockPool<C>* oVoxelPool, LeafBlockPool<L>* oLeafPool,
                             const PointCloudData& iData, int iResolution);

// Creates every node below the root (node 0) and every leaf, appending nodes breadth-first,
// the children of a node contiguously in octant order. False (nothing done) without a root,
// with a resolution below 1, or with a number outside the position or colour list.
template <typename L>
bool growOctreeCompletely(SparseVoxelOctree* ioOctree, LeafBlockPool<L>* ioLeafPool,
                          const std::vector<Vector3T<float>>& iPositions, const std::vector<Color>& iColors,
                          const std::vector<unsigned>& iNumbers);

// Makes the node a leaf holding the numbered points (PointBlock: their positions and colours
// with flags 0; PointIndexBlock: the numbers as matrix indices) when it holds fewer than n^3 of
// them or cannot be divided (see above). Returns whether the node became a leaf.
template <typename L>
bool createLeaf(const SparseVoxelOctree& iOctree, LeafBlockPool<L>* ioLeafPool, SparseVoxelOctreeNode* ioNode,
                const std::vector<Vector3T<float>>& iPositions, const std::vector<Color>& iColors,
                const std::vector<unsigned>& iNumbers);

// Creates one voxel entry per node, in node order, from the points below each node. Each
// node's list is split by octant and the list of every flagged octant goes to the next child.
// False on a tree whose children do not match its flags, on numbers outside the lists, or when
// the pool's 32-bit colour total would overflow.
template <typename C>
bool createVoxelALL(SparseVoxelOctree* ioOctree, VoxelBlockPool<C>* ioVoxelPool,
                    const std::vector<Vector3T<float>>& iPositions, const std::vector<Color>& iColors,
                    const std::vector<unsigned>& iNumbers);

// Creates the node's voxel entry: a voxel holds the colour of the last listed point inside it,
// the node takes the colour of its lowest occupied voxel. False (nothing done) on numbers
// outside the lists or an overflowing colour total.
template <typename C>
bool createVoxel(const SparseVoxelOctree& iOctree, VoxelBlockPool<C>* ioVoxelPool, SparseVoxelOctreeNode* ioNode,
                 const std::vector<Vector3T<float>>& iPositions, const std::vector<Color>& iColors,
                 const std::vector<unsigned>& iNumbers);

extern template bool createSparseVoxelOctree<ColorBlock, PointBlock>(SparseVoxelOctree*, VoxelBlockPool<ColorBlock>*,
                                                                     LeafBlockPool<PointBlock>*, const PointCloudData&,
                                                                     int);
extern template bool createSparseVoxelOctree<ColorBlock, PointIndexBlock>(SparseVoxelOctree*,
                                                                          VoxelBlockPool<ColorBlock>*,
                                                                          LeafBlockPool<PointIndexBlock>*,
                                                                          const PointCloudData&, int);
extern template bool growOctreeCompletely<PointBlock>(SparseVoxelOctree*, LeafBlockPool<PointBlock>*,
                                                      const std::vector<Vector3T<float>>&, const std::vector<Color>&,
                                                      const std::vector<unsigned>&);
extern template bool growOctreeCompletely<PointIndexBlock>(SparseVoxelOctree*, LeafBlockPool<PointIndexBlock>*,
                                                           const std::vector<Vector3T<float>>&,
                                                           const std::vector<Color>&, const std::vector<unsigned>&);
extern template bool createLeaf<PointBlock>(const SparseVoxelOctree&, LeafBlockPool<PointBlock>*,
                                            SparseVoxelOctreeNode*, const std::vector<Vector3T<float>>&,
                                            const std::vector<Color>&, const std::vector<unsigned>&);
extern template bool createLeaf<PointIndexBlock>(const SparseVoxelOctree&, LeafBlockPool<PointIndexBlock>*,
                                                 SparseVoxelOctreeNode*, const std::vector<Vector3T<float>>&,
                                                 const std::vector<Color>&, const std::vector<unsigned>&);
extern template bool createVoxelALL<ColorBlock>(SparseVoxelOctree*, VoxelBlockPool<ColorBlock>*,
                                                const std::vector<Vector3T<float>>&, const std::vector<Color>&,
                                                const std::vector<unsigned>&);
extern template bool createVoxel<ColorBlock>(const SparseVoxelOctree&, VoxelBlockPool<ColorBlock>*,
                                             SparseVoxelOctreeNode*, const std::vector<Vector3T<float>>&,
                                             const std::vector<Color>&, const std::vector<unsigned>&);

#endif
