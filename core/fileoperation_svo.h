#ifndef CORE_FILEOPERATION_SVO_H
#define CORE_FILEOPERATION_SVO_H

#include "sparsevoxeloctree.h"

#include <cstdint>
#include <istream>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

// The sections shared by the binary octree files: header, tree, node, voxel and leaf sections.
//
// Every loader returns false when the stream ends early, a count does not fit in what is
// left of the stream, or the data it read is inconsistent; nothing is allocated for a count
// before it has been checked against the bytes left. Loaders link a node, entry or block
// only once it has been read and checked, so a failed load leaves every linked object
// complete and every pointer valid (index fields may then name objects that are absent; the
// pools' getEntry and the octree's getNode return null for them).

// Longest header text a loader accepts; the real ones are about 50 bytes.
constexpr std::uint32_t kMaxHeaderLength = 256;
// Largest voxel resolution whose n^3 still fits an int.
constexpr int kMaxVoxelResolution = 1290;
// Size of one node record.
constexpr std::uint64_t kNodeRecordSize = 40;

// ---------------------------------------------------------------------------
// Header
// ---------------------------------------------------------------------------

// Writes the text length, then "<file id> <version> <data id>".
bool writeHeader(std::ostream& iStream, const std::string& iFileID, const std::string& iVersion,
                 const std::string& iDataID);
// Reads the length and the text; false on a short read or a length above kMaxHeaderLength.
bool readHeader(std::istream& iStream, std::string* oText);
// True only for exactly three words equal to the given ones. Prints "Error FileID: ",
// "Error Version: " or "Error DataID: " with the first word that differs; a text without
// three words fails without a message.
bool checkHeader(const std::string& iText, const std::string& iFileID, const std::string& iVersion,
                 const std::string& iDataID);

// ---------------------------------------------------------------------------
// Writers (false when the stream failed or an entry to write is missing or malformed)
// ---------------------------------------------------------------------------

bool writeTree(std::ostream& iStream, const SparseVoxelOctree& iOctree);
bool writeNode(std::ostream& iStream, const SparseVoxelOctree& iOctree);
// The entry count and every entry's first colour index, count and ceil(iVoxelCount / 8)
// occupancy bytes. The caller writes the colour total and the blocks after it.
template <typename C>
bool writeVoxelInfo(std::ostream& iStream, const VoxelBlockPool<C>& iPool, int iVoxelCount);
template <typename C>
bool writeVoxelBlock(std::ostream& iStream, const C& iBlock);
// The colour total and every entry's block, in entry order.
template <typename C>
bool writeVoxelBlocks(std::ostream& iStream, const VoxelBlockPool<C>& iPool);
// The whole leaf section.
template <typename L>
bool writeLeafData(std::ostream& iStream, const LeafBlockPool<L>& iPool);
template <typename L>
bool writeLeafBlock(std::ostream& iStream, const L& iBlock);

// Bytes per stored element of a block kind.
template <typename T>
unsigned getSeekSize();
template <>
unsigned getSeekSize<ColorBlock>();
template <>
unsigned getSeekSize<PointBlock>();
template <>
unsigned getSeekSize<PointIndexBlock>();
template <>
unsigned getSeekSize<ElementIndexBlock>();

// ---------------------------------------------------------------------------
// Whole loaders (the target is empty)
// ---------------------------------------------------------------------------

// Root box, resolution and layer sizes. Refuses a box that is not finite, a resolution outside
// 0..kMaxVoxelResolution, layer sizes that are not one root and non-empty layers adding up to
// the node count at the start of the node section, which follows (the stream is left before
// it), and voxel or leaf entries whose first index is not the sum of the counts before it, or
// counts that do not add up to their section's total. Every octree file load checks its file
// here. Loaded depth and nodes are not touched.
bool loadTree(std::istream& iStream, SparseVoxelOctree* oOctree);
// Every node record. The nodes are appended only when the whole section was read and each
// record is sound on its own (index = position, children inside the list and after the node).
bool loadNode(std::istream& iStream, SparseVoxelOctree* oOctree);

// Voxel info, colour total and every entry's colours.
template <typename C>
bool loadVoxelData(std::istream& iStream, VoxelBlockPool<C>* oPool, int iVoxelCount);
// Appends one entry per record; each entry's occupied count must match its occupancy bits.
template <typename C>
bool loadVoxelInfo(std::istream& iStream, VoxelBlockPool<C>* oPool, int iVoxelCount);
// Reads iCount colours into the block.
template <typename C>
bool loadVoxelBlock(std::istream& iStream, C* oBlock, unsigned iCount);

// Leaf info, element total and every entry's block. Stored indices (matrix cells, triangle
// numbers) must lie below iIndexLimit.
template <typename L>
bool loadLeafData(std::istream& iStream, LeafBlockPool<L>* oPool,
                  std::uint64_t iIndexLimit = std::numeric_limits<std::uint64_t>::max());
template <typename L>
bool loadLeafInfo(std::istream& iStream, LeafBlockPool<L>* oPool);
// Reads iCount elements into the block (for PointBlock: positions, then colours; flags 0).
template <typename L>
bool loadLeafBlock(std::istream& iStream, L* oBlock, unsigned iCount,
                   std::uint64_t iIndexLimit = std::numeric_limits<std::uint64_t>::max());

// The whole structure after a whole load: layer sizes adding up to the node count, every
// node at its position and in its layer, children inside the list, after their parent and one
// depth deeper, voxel and leaf indices inside their pools, every entry and block present,
// occupied counts matching the occupancy bits, blocks holding their counts, each first index
// the sum of the counts before it and the counts adding up to the totals, and stored indices
// below iIndexLimit.
template <typename C, typename L>
bool checkSVOData(const SparseVoxelOctree& iOctree, const VoxelBlockPool<C>& iVoxelPool,
                  const LeafBlockPool<L>& iLeafPool,
                  std::uint64_t iIndexLimit = std::numeric_limits<std::uint64_t>::max());

// ---------------------------------------------------------------------------
// Skippers
// ---------------------------------------------------------------------------

bool readTree(std::istream& iStream);
bool readNode(std::istream& iStream);

// ---------------------------------------------------------------------------
// Partial loaders (read only what is missing, seeking to each record)
// ---------------------------------------------------------------------------

// Number of nodes of depths 0..depth by the octree's layer sizes.
std::int64_t getTotalSize(const SparseVoxelOctree& iOctree, int iDepth);
std::int64_t getTotalSize(const std::vector<int>& iLayers, int iDepth);
// Appends the records from the current node count up to getTotalSize(depth); nodes already
// present are kept. The stream is left after the last record read.
bool loadNode(std::istream& iStream, SparseVoxelOctree* ioOctree, int iDepth);
// The same for an octree with the layer sizes iLayers that holds iPresent nodes, without the
// octree: the records are read into oNodes (empty on failure), for appendNodes later.
bool loadNode(std::istream& iStream, const std::vector<int>& iLayers, std::uint64_t iPresent, int iDepth,
              SVONodeList* oNodes);
// Appends the nodes in order and empties the list.
void appendNodes(SparseVoxelOctree* ioOctree, SVONodeList* ioNodes);

// The voxel entries and colours of the listed nodes (nodes without a voxel entry and null
// pointers are skipped); entries and blocks already present are kept. The stream is left
// after the voxel section, also for an empty list.
template <typename C>
bool loadVoxelData(std::istream& iStream, VoxelBlockPool<C>* ioPool,
                   const std::vector<const SparseVoxelOctreeNode*>& iNodes, int iVoxelCount);
// Fills the null entries at the given entry numbers (ascending, each below the file's count).
template <typename C>
bool loadVoxelInfo(std::istream& iStream, VoxelBlockPool<C>* ioPool, const std::vector<unsigned>& iNumbers,
                   int iVoxelCount);
// Reads the colour total and the missing blocks of the given entries.
template <typename C>
bool loadVoxelBlock(std::istream& iStream, VoxelBlockPool<C>* ioPool, const std::vector<unsigned>& iNumbers);

// The leaf entries and blocks of the listed leaf nodes (inner nodes, nodes without a leaf
// entry and null pointers are skipped); the rest as for the voxels.
template <typename L>
bool loadLeafData(std::istream& iStream, LeafBlockPool<L>* ioPool,
                  const std::vector<const SparseVoxelOctreeNode*>& iNodes,
                  std::uint64_t iIndexLimit = std::numeric_limits<std::uint64_t>::max());
template <typename L>
bool loadLeafInfo(std::istream& iStream, LeafBlockPool<L>* ioPool, const std::vector<unsigned>& iNumbers);
template <typename L>
bool loadLeafBlock(std::istream& iStream, LeafBlockPool<L>* ioPool, const std::vector<unsigned>& iNumbers,
                   std::uint64_t iIndexLimit = std::numeric_limits<std::uint64_t>::max());

#endif
