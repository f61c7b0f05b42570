#include "drawfunction.h"

#include <QOpenGLContext>
#include <qopengl.h>

#include <algorithm>
#include <climits>
#include <cstddef>

// The arrays go to GL as they lie in memory.
static_assert(sizeof(Vector3T<float>) == 3 * sizeof(float), "positions are passed as 3 packed floats");
static_assert(sizeof(Color) == 4, "colours are passed as 4 packed bytes");

namespace {

// GL counts are signed ints; longer lists are not drawn rather than drawn cut off.
bool FL_fitsGLCount(std::size_t iCount)
{
    return iCount <= static_cast<std::size_t>(INT_MAX);
}

// GL reads the positions at every index without a bounds check.
bool FL_indicesInside(const std::vector<unsigned>& iIndices, std::size_t iPositionCount)
{
    if (iIndices.empty())
        return true;
    return *std::max_element(iIndices.begin(), iIndices.end()) < iPositionCount;
}

void FL_setColor(const Color& iColor)
{
    glColor4ub(iColor.red, iColor.green, iColor.blue, iColor.alpha);
}

void FL_drawElements(GLenum iMode, const std::vector<unsigned>& iIndices, const std::vector<Vector3T<float>>& iPositions,
                     const std::vector<Color>* iColors)
{
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, iPositions.data());
    if (iColors) {
        glEnableClientState(GL_COLOR_ARRAY);
        glColorPointer(4, GL_UNSIGNED_BYTE, 0, iColors->data());
    }
    glDrawElements(iMode, static_cast<GLsizei>(iIndices.size()), GL_UNSIGNED_INT, iIndices.data());
    if (iColors)
        glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}

bool FL_canDrawElements(const std::vector<unsigned>& iIndices, const std::vector<Vector3T<float>>& iPositions)
{
    return FL_fitsGLCount(iIndices.size()) && FL_indicesInside(iIndices, iPositions.size());
}

// The node's voxel centres when its entry and colour block are loaded; else false.
bool FL_getVoxelCenters(std::vector<Vector3T<float>>* oCenters, const SparseVoxelOctreeNode& iNode,
                        const SparseVoxelOctree& iOctree, const VoxelBlockPool<ColorBlock>& iPool)
{
    const VoxelInfo<ColorBlock>* entry = iPool.getEntry(iNode.getVoxelInfoIndex());
    if (!entry || !entry->getBlock())
        return false;
    getVoxelCenterList(oCenters, iNode, iOctree, iPool);
    return true;
}

} // namespace

bool hasCurrentGLContext()
{
    return QOpenGLContext::currentContext() != nullptr;
}

void drawPoints(const std::vector<Vector3T<float>>& iPositions, const std::vector<Color>& iColors, int iPointSize)
{
    if (iPositions.size() != iColors.size() || !FL_fitsGLCount(iPositions.size()))
        return;
    glPointSize(static_cast<GLfloat>(iPointSize));
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glColorPointer(4, GL_UNSIGNED_BYTE, 0, iColors.data());
    glVertexPointer(3, GL_FLOAT, 0, iPositions.data());
    glDrawArrays(GL_POINTS, 0, static_cast<GLsizei>(iPositions.size()));
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}

void drawPoints(const std::vector<Vector3T<float>>& iPositions, const Color& iColor, int iPointSize)
{
    if (!FL_fitsGLCount(iPositions.size()))
        return;
    glPointSize(static_cast<GLfloat>(iPointSize));
    FL_setColor(iColor);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, iPositions.data());
    glDrawArrays(GL_POINTS, 0, static_cast<GLsizei>(iPositions.size()));
    glDisableClientState(GL_VERTEX_ARRAY);
}

void drawTriangles(const std::vector<unsigned>& iIndices, const std::vector<Vector3T<float>>& iPositions,
                   const std::vector<Color>& iColors)
{
    if (iPositions.size() != iColors.size() || !FL_canDrawElements(iIndices, iPositions))
        return;
    FL_drawElements(GL_TRIANGLES, iIndices, iPositions, &iColors);
}

void drawTriangles(const std::vector<unsigned>& iIndices, const std::vector<Vector3T<float>>& iPositions,
                   const Color& iColor)
{
    if (!FL_canDrawElements(iIndices, iPositions))
        return;
    FL_setColor(iColor);
    FL_drawElements(GL_TRIANGLES, iIndices, iPositions, nullptr);
}

void drawTriangleEdges(const std::vector<unsigned>& iIndices, const std::vector<Vector3T<float>>& iPositions,
                       const Color& iColor)
{
    if (!FL_canDrawElements(iIndices, iPositions))
        return;
    glLineWidth(1.0f);
    FL_setColor(iColor);
    FL_drawElements(GL_LINES, iIndices, iPositions, nullptr);
}

void getNodeCenterList(std::vector<Vector3T<float>>* oCenters, const std::vector<const SparseVoxelOctreeNode*>& iNodes)
{
    oCenters->resize(iNodes.size());
    for (std::size_t i = 0; i < iNodes.size(); ++i)
        (*oCenters)[i] = iNodes[i]->getCenter();
}

void getNodeColorList(std::vector<Color>* oColors, const std::vector<const SparseVoxelOctreeNode*>& iNodes)
{
    oColors->resize(iNodes.size());
    for (std::size_t i = 0; i < iNodes.size(); ++i)
        (*oColors)[i] = iNodes[i]->getColor();
}

void getNodeIndexColorList(std::vector<Color>* oColors, const std::vector<const SparseVoxelOctreeNode*>& iNodes)
{
    oColors->resize(iNodes.size());
    for (std::size_t i = 0; i < iNodes.size(); ++i)
        (*oColors)[i] = Color::fromUInt32(static_cast<std::uint32_t>(i));
}

void drawNodes(const std::vector<const SparseVoxelOctreeNode*>& iNodes, int iPointSize)
{
    std::vector<Vector3T<float>> centers;
    std::vector<Color> colors;
    getNodeCenterList(&centers, iNodes);
    getNodeColorList(&colors, iNodes);
    drawPoints(centers, colors, iPointSize);
}

void drawNodes(const std::vector<const SparseVoxelOctreeNode*>& iNodes, const Color& iColor, int iPointSize)
{
    std::vector<Vector3T<float>> centers;
    getNodeCenterList(&centers, iNodes);
    drawPoints(centers, iColor, iPointSize);
}

void drawNodesByIndexColor(const std::vector<const SparseVoxelOctreeNode*>& iNodes, int iPointSize)
{
    std::vector<Vector3T<float>> centers;
    std::vector<Color> colors;
    getNodeCenterList(&centers, iNodes);
    getNodeIndexColorList(&colors, iNodes);
    drawPoints(centers, colors, iPointSize);
}

void getVoxelColorList(std::vector<Color>* oColors, const SparseVoxelOctreeNode& iNode,
                       const VoxelBlockPool<ColorBlock>& iPool)
{
    const VoxelInfo<ColorBlock>* entry = iPool.getEntry(iNode.getVoxelInfoIndex());
    if (!entry || !entry->getBlock()) {
        oColors->clear();
        return;
    }
    *oColors = entry->getBlock()->colors;
}

void drawVoxels(const SparseVoxelOctreeNode& iNode, const SparseVoxelOctree& iOctree,
                const VoxelBlockPool<ColorBlock>& iPool, int iPointSize)
{
    std::vector<Vector3T<float>> centers;
    if (!FL_getVoxelCenters(&centers, iNode, iOctree, iPool))
        return;
    std::vector<Color> colors;
    getVoxelColorList(&colors, iNode, iPool);
    // A colour count that disagrees with the occupancy draws nothing (drawPoints).
    drawPoints(centers, colors, iPointSize);
}

void drawVoxels(const SparseVoxelOctreeNode& iNode, const SparseVoxelOctree& iOctree,
                const VoxelBlockPool<ColorBlock>& iPool, const Color& iColor, int iPointSize)
{
    std::vector<Vector3T<float>> centers;
    if (!FL_getVoxelCenters(&centers, iNode, iOctree, iPool))
        return;
    drawPoints(centers, iColor, iPointSize);
}

void drawVoxels(const std::vector<const SparseVoxelOctreeNode*>& iNodes, const SparseVoxelOctree& iOctree,
                const VoxelBlockPool<ColorBlock>& iPool, int iPointSize)
{
    for (const SparseVoxelOctreeNode* node : iNodes)
        if (node)
            drawVoxels(*node, iOctree, iPool, iPointSize);
}

void drawVoxels(const std::vector<const SparseVoxelOctreeNode*>& iNodes, const SparseVoxelOctree& iOctree,
                const VoxelBlockPool<ColorBlock>& iPool, const Color& iColor, int iPointSize)
{
    for (const SparseVoxelOctreeNode* node : iNodes)
        if (node)
            drawVoxels(*node, iOctree, iPool, iColor, iPointSize);
}
