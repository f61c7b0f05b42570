#ifndef SCENE_OCTREEDEPTH_H
#define SCENE_OCTREEDEPTH_H

#include "matrix4x4.h"
#include "sparsevoxeloctree.h"
#include "vector3.h"

#include <vector>

class Camera;

// How deep an octree is drawn and which of its nodes, for the camera of the current frame
// (after its frame set-up). A node's size on screen is the camera's pixel size of its box;
// iFactor is the model size of one pixel on the far plane (Camera::getFarPlanePixelSize), so
// iResolution x iFactor stands for iResolution pixels.

// The first depth, 0..100, at which a node of the box (root size halved per depth) is no
// larger on screen than iResolution pixels; 100 when the eye is inside the box's sphere.
int calculateDrawingOcTreeDepth(const Vector3T<double>& iCenter, const Vector3T<double>& iSize, const Camera& iCamera,
                                int iResolution, float iFactor);

// Depth-first selection below iNode (of size iNodeSize at iCurrentDepth, placed by iMatrix):
// nodes outside the view are skipped (tested while iSphereTest is set; a node wholly inside
// turns the test off for its subtree); nodes small enough on screen go to oVoxelList; larger
// nodes, or nodes that hold the eye, go to oLeafList when childless, to oVoxelList at
// iMaxDepth, and are descended into otherwise. Children outside iNodeList are skipped.
// Callers pass the root, depth 0, the root box size and true.
void collectRenderingVoxel_Recursively(std::vector<const SparseVoxelOctreeNode*>* oVoxelList,
                                       std::vector<const SparseVoxelOctreeNode*>* oLeafList,
                                       const std::vector<SparseVoxelOctreeNode*>& iNodeList,
                                       const SparseVoxelOctreeNode* iNode, int iMaxDepth, int iCurrentDepth,
                                       const Matrix4x4T<double>& iMatrix, const Vector3T<double>& iNodeSize,
                                       int iResolution, const Camera& iCamera, float iFactor, bool iSphereTest);

// The editor's selection: no maximum depth, it descends until a node is small enough on screen
// or childless. A node whose children are not in iNodeList (not loaded yet) goes to oVoxelList,
// so that a partly loaded octree is drawn down to its loaded layers. Callers pass the root, the
// root box size and true.
void collectRenderingVoxel_Recursively(std::vector<const SparseVoxelOctreeNode*>* oVoxelList,
                                       std::vector<const SparseVoxelOctreeNode*>* oLeafList,
                                       const std::vector<SparseVoxelOctreeNode*>& iNodeList,
                                       const SparseVoxelOctreeNode* iNode, const Matrix4x4T<double>& iMatrix,
                                       const Vector3T<double>& iNodeSize, int iResolution, const Camera& iCamera,
                                       float iFactor, bool iSphereTest);

#endif
