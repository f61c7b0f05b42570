#ifndef CORE_FILEOPERATION_SVOB_H
#define CORE_FILEOPERATION_SVOB_H

#include "sparsevoxeloctree.h"

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

namespace rawio {
class InputFile;
}

// The octree point file (.zrpcd): header, point number, then the tree, node, voxel and leaf
// sections with PointBlock leaves. Every call opens the file anew and closes it on return.
//
// A loader fails with "Cannot open file for reading: " and the path when the file cannot be
// opened, with its header message printed and the error message unchanged when the header
// does not match, and with "File is broken: " and the path when the file is short or its
// counts and indices are inconsistent.
class SVOBFileOperator
{
public:
    explicit SVOBFileOperator(const std::string& iFilePath);

    const std::string& getFilePath() const { return mFilePath; }
    const std::string& getErrorMessage() const { return mErrorMessage; }

    // Writes the whole file; false when it cannot be opened (the message, also printed, is
    // "Cannot open file for writting: " and the path), or the data cannot be written as it is
    // (missing blocks, counts that disagree) or the stream failed ("Cannot write file: ").
    bool save(int iPointNumber, const SparseVoxelOctree& iOctree, const VoxelBlockPool<ColorBlock>& iVoxelPool,
              const LeafBlockPool<PointBlock>& iLeafPool);

    // The whole file into empty targets, checked as a whole. On failure the targets may be
    // partly filled; every object linked into them is complete.
    bool load(int* oPointNumber, SparseVoxelOctree* oOctree, VoxelBlockPool<ColorBlock>* oVoxelPool,
              LeafBlockPool<PointBlock>* oLeafPool);
    // Point number and tree.
    bool load_Base(int* oPointNumber, SparseVoxelOctree* oOctree);
    // Tree only.
    bool load_Tree(SparseVoxelOctree* oOctree);
    // Nodes through iDepth by the layer sizes already in the octree; sets the loaded depth.
    bool load_Node(SparseVoxelOctree* ioOctree, int iDepth);
    // The same into oNodes for an octree with the layer sizes iLayers holding iPresent nodes,
    // which is not touched (nor needed) while the file is read.
    bool load_Node(const std::vector<int>& iLayers, std::uint64_t iPresent, int iDepth, SVONodeList* oNodes);
    // Voxel entries and colours of the listed nodes (iVoxelCount = n^3).
    bool load_Voxel(VoxelBlockPool<ColorBlock>* ioPool, const std::vector<const SparseVoxelOctreeNode*>& iNodes,
                    int iVoxelCount);
    // Leaf entries and points of the listed leaf nodes.
    bool load_Leaf(LeafBlockPool<PointBlock>* ioPool, const std::vector<const SparseVoxelOctreeNode*>& iNodes,
                   int iVoxelCount);

private:
    // Opens the file, checks the header and reads the point number.
    bool begin(rawio::InputFile& iStream, std::uint32_t* oPointNumber);
    bool broken();

    std::string mFilePath;
    std::string mErrorMessage;
};

#endif
