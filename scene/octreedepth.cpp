#include "octreedepth.h"

#include "camera.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace {

// Deepest level the depth choice can ask for. Descending stops there whatever maximum depth
// the caller gives, so that a malformed child link cannot recurse without end.
constexpr int flDepthLimit = 100;

} // namespace

int calculateDrawingOcTreeDepth(const Vector3T<double>& iCenter, const Vector3T<double>& iSize, const Camera& iCamera,
                                int iResolution, float iFactor)
{
    float pixelSize = 0.0f;
    if (!iCamera.getPixelSize(&pixelSize, iCenter, iSize))
        return flDepthLimit;
    const float threshold = static_cast<float>(iResolution) * iFactor;
    // The count cap ends the loop for an infinite size or a threshold of 0.
    int depth = 0;
    while (pixelSize > threshold && depth < flDepthLimit) {
        pixelSize *= 0.5f;
        ++depth;
    }
    return depth;
}

namespace {

// The selection of both forms. iUnloadedAsVoxel: a node whose children lie outside iNodeList
// (not loaded yet) is listed as a voxel node; otherwise the children outside are skipped.
void FL_collect(std::vector<const SparseVoxelOctreeNode*>* oVoxelList,
                std::vector<const SparseVoxelOctreeNode*>* oLeafList,
                const std::vector<SparseVoxelOctreeNode*>& iNodeList, const SparseVoxelOctreeNode* iNode,
                int iMaxDepth, int iCurrentDepth, bool iUnloadedAsVoxel, const Matrix4x4T<double>& iMatrix,
                const Vector3T<double>& iNodeSize, int iResolution, const Camera& iCamera, float iFactor,
                bool iSphereTest)
{
    if (!iNode)
        return;
    const Vector3T<double> center = iMatrix.transform(Vector3T<double>(iNode->getCenter()));

    bool fullyInside = true;
    if (iSphereTest) {
        const double radius = std::sqrt(iNodeSize.dot(iNodeSize)) * 0.5;
        if (!iCamera.isInsideSphere(&fullyInside, center, radius))
            return;
    }

    float pixelSize = 0.0f;
    const float threshold = static_cast<float>(iResolution) * iFactor;
    if (iCamera.getPixelSize(&pixelSize, center, iNodeSize) && pixelSize < threshold) {
        oVoxelList->push_back(iNode);
        return;
    }
    if (!iNode->hasChild()) {
        oLeafList->push_back(iNode);
        return;
    }
    const long long first = iNode->getFirstIndex();
    const int childCount = iNode->getChildNumber();
    const bool unloaded = first < 0 || first + childCount > static_cast<long long>(iNodeList.size());
    if (iCurrentDepth >= std::min(iMaxDepth, flDepthLimit) || (iUnloadedAsVoxel && unloaded)) {
        oVoxelList->push_back(iNode);
        return;
    }
    const Vector3T<double> childSize = iNodeSize * 0.5;
    for (int k = 0; k < childCount; ++k) {
        const long long index = first + k;
        if (first < 0 || index >= static_cast<long long>(iNodeList.size()))
            break;
        FL_collect(oVoxelList, oLeafList, iNodeList, iNodeList[std::size_t(index)], iMaxDepth, iCurrentDepth + 1,
                   iUnloadedAsVoxel, iMatrix, childSize, iResolution, iCamera, iFactor, !fullyInside);
    }
}

} // namespace

void collectRenderingVoxel_Recursively(std::vector<const SparseVoxelOctreeNode*>* oVoxelList,
                                       std::vector<const SparseVoxelOctreeNode*>* oLeafList,
                                       const std::vector<SparseVoxelOctreeNode*>& iNodeList,
                                       const SparseVoxelOctreeNode* iNode, int iMaxDepth, int iCurrentDepth,
                                       const Matrix4x4T<double>& iMatrix, const Vector3T<double>& iNodeSize,
                                       int iResolution, const Camera& iCamera, float iFactor, bool iSphereTest)
{
    FL_collect(oVoxelList, oLeafList, iNodeList, iNode, iMaxDepth, iCurrentDepth, false, iMatrix, iNodeSize,
               iResolution, iCamera, iFactor, iSphereTest);
}

void collectRenderingVoxel_Recursively(std::vector<const SparseVoxelOctreeNode*>* oVoxelList,
                                       std::vector<const SparseVoxelOctreeNode*>* oLeafList,
                                       const std::vector<SparseVoxelOctreeNode*>& iNodeList,
                                       const SparseVoxelOctreeNode* iNode, const Matrix4x4T<double>& iMatrix,
                                       const Vector3T<double>& iNodeSize, int iResolution, const Camera& iCamera,
                                       float iFactor, bool iSphereTest)
{
    FL_collect(oVoxelList, oLeafList, iNodeList, iNode, flDepthLimit, 0, true, iMatrix, iNodeSize, iResolution,
               iCamera, iFactor, iSphereTest);
}
