#ifndef CORE_SPARSEVOXELOCTREE_H
#define CORE_SPARSEVOXELOCTREE_H

#include "boundingbox.h"
#include "color.h"
#include "vector3.h"

#include <cstddef>
#include <memory>
#include <vector>

// ---------------------------------------------------------------------------
// Voxel and leaf blocks
// ---------------------------------------------------------------------------

// Eight voxel occupancy bits; voxel v is bit (v mod 8) of byte v / 8, bit 0 least significant.
struct Bit8Block
{
    unsigned char bits = 0;

    bool get(int iBit) const { return (bits >> iBit) & 1u; }
    void set(int iBit) { bits = static_cast<unsigned char>(bits | (1u << iBit)); }
};

static_assert(sizeof(Bit8Block) == 1, "occupancy bytes are stored raw");

// One colour per occupied voxel of a node, in increasing voxel order.
struct ColorBlock
{
    std::vector<Color> colors;
};

// Points of a leaf; the flags carry the Point flag bits and are not stored in files.
struct PointBlock
{
    std::vector<Color> colors;
    std::vector<Vector3T<float>> positions;
    std::vector<unsigned> flags;
};

// Matrix cell indices of a leaf (the stored part) and the draw data built from them.
struct PointIndexBlock
{
    unsigned char pointsLoaded = 0;
    unsigned char meshBuilt = 0;
    std::vector<unsigned> indices;
    PointBlock points;                    // own points, in indices order
    std::vector<unsigned> neighbourIndices; // grid neighbours outside the leaf, ascending
    PointBlock neighbourPoints;           // in neighbourIndices order
    std::vector<unsigned> triangles;      // vertex triples over points ++ neighbourPoints
    std::vector<unsigned> edges;          // vertex pairs, three per triangle
};

// Triangle numbers of a leaf (the stored part) and the draw arrays built from them.
struct ElementIndexBlock
{
    std::vector<unsigned> indices;
    std::vector<Color> colors;
    std::vector<Vector3T<float>> positions;
    std::vector<unsigned> triangleIndices;
    std::vector<unsigned> edgeIndices;
};

// ---------------------------------------------------------------------------
// Block pools
// ---------------------------------------------------------------------------

// The stored part of a voxel entry: where its colours start, how many, and the occupancy.
class SVON_VoxelInfoPart
{
public:
    unsigned getFirstIndex() const { return mFirstIndex; }
    void setFirstIndex(unsigned iIndex) { mFirstIndex = iIndex; }
    unsigned getCount() const { return mCount; }
    void setCount(unsigned iCount) { mCount = iCount; }
    const std::vector<Bit8Block>& getOccupancy() const { return mOccupancy; }
    std::vector<Bit8Block>& getOccupancy() { return mOccupancy; }

private:
    unsigned mFirstIndex = 0xFFFFFFFFu;
    unsigned mCount = 0;
    std::vector<Bit8Block> mOccupancy;
};

// A voxel entry with its colour block, which stays null until loaded. Owns the block.
template <typename T>
class VoxelInfo : public SVON_VoxelInfoPart
{
public:
    VoxelInfo() = default;
    ~VoxelInfo() { delete mBlock; }
    VoxelInfo(const VoxelInfo&) = delete;
    VoxelInfo& operator=(const VoxelInfo&) = delete;

    T* getBlock() const { return mBlock; }
    // Takes ownership; a different block held before is deleted.
    void setBlock(T* iBlock)
    {
        if (iBlock != mBlock)
            delete mBlock;
        mBlock = iBlock;
    }

private:
    T* mBlock = nullptr;
};

// Voxel entries, one per node with voxels (the node's voxel-info index). Entries may be null
// until a partial load fills them. Owns the entries.
template <typename C>
class VoxelBlockPool
{
public:
    VoxelBlockPool() = default;
    ~VoxelBlockPool();
    VoxelBlockPool(const VoxelBlockPool&) = delete;
    VoxelBlockPool& operator=(const VoxelBlockPool&) = delete;

    unsigned getTotal() const { return mTotal; }
    void setTotal(unsigned iTotal) { mTotal = iTotal; }

    const std::vector<VoxelInfo<C>*>& getEntries() const { return mEntries; }
    // Loaders place entries into null slots; the pool owns whatever the list holds.
    std::vector<VoxelInfo<C>*>& getEntries() { return mEntries; }
    // Null for a negative or too large index, or an entry not loaded yet.
    VoxelInfo<C>* getEntry(long long iIndex) const
    {
        return iIndex >= 0 && iIndex < static_cast<long long>(mEntries.size()) ? mEntries[std::size_t(iIndex)]
                                                                                  : nullptr;
    }
    void addEntry(VoxelInfo<C>* iEntry) { mEntries.push_back(iEntry); }

private:
    unsigned mTotal = 0;
    std::vector<VoxelInfo<C>*> mEntries;
};

// A leaf entry with its block, which stays null until loaded. Owns the block.
template <typename L>
class LeafInfo
{
public:
    LeafInfo() = default;
    ~LeafInfo() { delete mBlock; }
    LeafInfo(const LeafInfo&) = delete;
    LeafInfo& operator=(const LeafInfo&) = delete;

    L* getBlock() const { return mBlock; }
    // Takes ownership; a different block held before is deleted.
    void setBlock(L* iBlock)
    {
        if (iBlock != mBlock)
            delete mBlock;
        mBlock = iBlock;
    }
    unsigned getFirstIndex() const { return mFirstIndex; }
    void setFirstIndex(unsigned iIndex) { mFirstIndex = iIndex; }
    unsigned getCount() const { return mCount; }
    void setCount(unsigned iCount) { mCount = iCount; }

private:
    L* mBlock = nullptr;
    unsigned mFirstIndex = 0xFFFFFFFFu;
    unsigned mCount = 0;
};

// Leaf entries, one per leaf node (the leaf node's first index). Owns the entries.
template <typename L>
class LeafBlockPool
{
public:
    LeafBlockPool() = default;
    ~LeafBlockPool();
    LeafBlockPool(const LeafBlockPool&) = delete;
    LeafBlockPool& operator=(const LeafBlockPool&) = delete;

    unsigned getTotal() const { return mTotal; }
    void setTotal(unsigned iTotal) { mTotal = iTotal; }

    const std::vector<LeafInfo<L>*>& getEntries() const { return mEntries; }
    std::vector<LeafInfo<L>*>& getEntries() { return mEntries; }
    LeafInfo<L>* getEntry(long long iIndex) const
    {
        return iIndex >= 0 && iIndex < static_cast<long long>(mEntries.size()) ? mEntries[std::size_t(iIndex)]
                                                                                  : nullptr;
    }
    void addEntry(LeafInfo<L>* iEntry) { mEntries.push_back(iEntry); }

private:
    unsigned mTotal = 0;
    std::vector<LeafInfo<L>*> mEntries;
};

// ---------------------------------------------------------------------------
// Octree
// ---------------------------------------------------------------------------

class SparseVoxelOctreeNode
{
public:
    unsigned getIndex() const { return mIndex; }
    void setIndex(unsigned iIndex) { mIndex = iIndex; }
    // First child for an inner node, leaf entry for a leaf, -1 for neither.
    int getFirstIndex() const { return mFirstIndex; }
    void setFirstIndex(int iIndex) { mFirstIndex = iIndex; }

    unsigned char getChildFlag(int iOctant) const { return unsigned(iOctant) < 8 ? mChildFlags[iOctant] : 0; }
    void setChildFlag(int iOctant, unsigned char iFlag)
    {
        if (unsigned(iOctant) < 8)
            mChildFlags[iOctant] = iFlag;
    }
    const unsigned char* getChildFlags() const { return mChildFlags; }
    // Number of set child flags: the children lie at first index + 0 .. this - 1.
    int getChildNumber() const
    {
        int n = 0;
        for (unsigned char f : mChildFlags)
            n += f != 0;
        return n;
    }
    bool hasChild() const { return getChildNumber() != 0; }

    int getDepth() const { return mDepth; }
    void setDepth(int iDepth) { mDepth = iDepth; }
    const Vector3T<float>& getCenter() const { return mCenter; }
    void setCenter(const Vector3T<float>& iCenter) { mCenter = iCenter; }
    const Color& getColor() const { return mColor; }
    void setColor(const Color& iColor) { mColor = iColor; }
    int getVoxelInfoIndex() const { return mVoxelInfoIndex; }
    void setVoxelInfoIndex(int iIndex) { mVoxelInfoIndex = iIndex; }

    // Cached centres of the occupied voxels; filled on first use by getVoxelCenterList.
    const std::vector<Vector3T<float>>& getVoxelCenters() const { return mVoxelCenterList; }
    // Appends to the cache; const because drawing fills it through const nodes.
    void setVoxelCenterList(const std::vector<Vector3T<float>>& iCenters) const
    {
        mVoxelCenterList.insert(mVoxelCenterList.end(), iCenters.begin(), iCenters.end());
    }

private:
    unsigned mIndex = 0xFFFFFFFFu;
    int mFirstIndex = -1;
    unsigned char mChildFlags[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    int mDepth = 0;
    Vector3T<float> mCenter;
    Color mColor;
    int mVoxelInfoIndex = -1;
    mutable std::vector<Vector3T<float>> mVoxelCenterList;
};

// Flat node list over a root box; owns its nodes. After a build or a whole load the list is
// breadth-first and the children of a node lie contiguously from its first index.
class SparseVoxelOctree
{
public:
    SparseVoxelOctree() = default;
    ~SparseVoxelOctree();
    SparseVoxelOctree(const SparseVoxelOctree&) = delete;
    SparseVoxelOctree& operator=(const SparseVoxelOctree&) = delete;

    const BoundingBox& getBoundingBox() const { return mBoundingBox; }
    void setBoundingBox(const BoundingBox& iBox) { mBoundingBox = iBox; }
    int getVoxelResolution() const { return mVoxelResolution; }
    void setVoxelResolution(int iResolution) { mVoxelResolution = iResolution; }
    // -1 when empty, the number of layers after a build, d after a node load through depth d.
    int getLoadedDepth() const { return mLoadedDepth; }
    void setLoadedDepth(int iDepth) { mLoadedDepth = iDepth; }

    const std::vector<int>& getLayerSizeList() const { return mLayerSizeList; }
    std::vector<int>& getLayerSizeList() { return mLayerSizeList; }

    const std::vector<SparseVoxelOctreeNode*>& getNodeList() const { return mNodeList; }
    std::size_t getNodeNumber() const { return mNodeList.size(); }
    // Null when out of range.
    SparseVoxelOctreeNode* getNode(long long iIndex) const
    {
        return iIndex >= 0 && iIndex < static_cast<long long>(mNodeList.size()) ? mNodeList[std::size_t(iIndex)]
                                                                                    : nullptr;
    }

    // Appends a node as it is (loaders fill its fields from the file); takes ownership.
    void appendNode(SparseVoxelOctreeNode* iNode);
    // Exchanges the node list with *ioList; the octree owns the nodes of the list it holds. For
    // a list prepared elsewhere that holds the present nodes followed by new ones.
    void swapNodeList(std::vector<SparseVoxelOctreeNode*>* ioList) { mNodeList.swap(*ioList); }
    // Places and appends a node: a root without parent, else the child of iParent in iOctant.
    // Takes ownership. Children of one parent must be added one right after another.
    void addNewNode(SparseVoxelOctreeNode* iNode, SparseVoxelOctreeNode* iParent, int iOctant);

    // Re-lays the nodes breadth-first and fills the layer sizes. On a failed consistency
    // check prints the reason and returns false with the octree left exactly as it was.
    bool sortDepth();

private:
    BoundingBox mBoundingBox;
    int mVoxelResolution = 0;
    int mLoadedDepth = -1;
    std::vector<int> mLayerSizeList;
    std::vector<SparseVoxelOctreeNode*> mNodeList;
};

// Nodes read apart from their octree, owned until they are appended to it.
using SVONodeList = std::vector<std::unique_ptr<SparseVoxelOctreeNode>>;

// An octree with its voxel and leaf pools; owns all three.
template <typename C, typename L>
class SVOSystem
{
public:
    SVOSystem() = default;
    SVOSystem(const SVOSystem&) = delete;
    SVOSystem& operator=(const SVOSystem&) = delete;

    SparseVoxelOctree& getOctree() { return mOctree; }
    const SparseVoxelOctree& getOctree() const { return mOctree; }
    VoxelBlockPool<C>& getVoxelBlockPool() { return mVoxelBlockPool; }
    const VoxelBlockPool<C>& getVoxelBlockPool() const { return mVoxelBlockPool; }
    LeafBlockPool<L>& getLeafBlockPool() { return mLeafBlockPool; }
    const LeafBlockPool<L>& getLeafBlockPool() const { return mLeafBlockPool; }

private:
    SparseVoxelOctree mOctree;
    VoxelBlockPool<C> mVoxelBlockPool;
    LeafBlockPool<L> mLeafBlockPool;
};

extern template class VoxelBlockPool<ColorBlock>;
extern template class LeafBlockPool<PointBlock>;
extern template class LeafBlockPool<PointIndexBlock>;
extern template class LeafBlockPool<ElementIndexBlock>;
extern template class SVOSystem<ColorBlock, PointBlock>;
extern template class SVOSystem<ColorBlock, PointIndexBlock>;
extern template class SVOSystem<ColorBlock, ElementIndexBlock>;

// ---------------------------------------------------------------------------
// Node placement and the voxel grid (all in float)
// ---------------------------------------------------------------------------

// (1 if p.x < c.x) + (2 if p.y < c.y) + (4 if p.z < c.z); equal counts as not below.
// Deepest node depth the octree builders create: 2^-32 of the root size, far below what float
// coordinates resolve. It ends division where the points or triangles of a node cannot be
// separated.
constexpr int svoMaxBuildDepth = 32;

int getAreaIndex(const Vector3T<float>& iPoint, const Vector3T<float>& iCenter);
// Sign vector of an octant (bit set = -1 on that axis); +1 on every axis outside 0..7.
Vector3T<float> getAreaNornal(int iOctant);

// Node size at a depth: root size x 0.5^depth; a depth below 1 gives the root size.
Vector3T<float> getNodeSize(int iDepth, const Vector3T<float>& iRootSize);
// Centre of voxel (i, j, k) given as floats.
Vector3T<float> getVoxelCenter(const Vector3T<float>& iIndex3D, const SparseVoxelOctreeNode& iNode,
                               const Vector3T<float>& iRootSize, int iResolution);
// (v mod n, (v / n) mod n, (v / n / n) mod n) as floats.
Vector3T<float> getVoxelIndex3D(unsigned iVoxel, int iResolution);
// Fractional voxel coordinates of a point: (p - node origin) / voxel size.
Vector3T<float> getVoxelIndex3D(const Vector3T<float>& iPoint, const SparseVoxelOctreeNode& iNode,
                                const Vector3T<float>& iRootSize, int iResolution);
// Linear voxel number i + n j + n^2 k of fractional coordinates. Each axis is truncated and
// clamped to 0..n-1; a non-finite coordinate (flat axis) gives 0.
int getVoxelIndex1D(const Vector3T<float>& iIndex3D, int iResolution);

// Appends the node list entries of the node's children; entries outside the list are skipped.
void getChildNodeList(std::vector<SparseVoxelOctreeNode*>* oList, const SparseVoxelOctreeNode& iNode,
                      const SparseVoxelOctree& iOctree);
// Appends each number to the list of the octant of its position; numbers without a position
// are skipped.
void getSubIndexList(std::vector<unsigned> oList[8], const std::vector<Vector3T<float>>& iPositions,
                     const std::vector<unsigned>& iNumbers, const Vector3T<float>& iCenter);

// Sizes the slots to iCount (new slots -1) and stores each listed number in the slot of the
// voxel that holds its position; a later number overwrites an earlier one.
void getIndexForEachVoxel(std::vector<int>* oSlots, const std::vector<Vector3T<float>>& iPositions,
                          const std::vector<unsigned>& iNumbers, const SparseVoxelOctreeNode& iNode,
                          const Vector3T<float>& iRootSize, int iResolution, int iCount);
// The same over every position, storing its position number.
void getIndexForEachVoxel(std::vector<int>* oSlots, const std::vector<Vector3T<float>>& iPositions,
                          const SparseVoxelOctreeNode& iNode, const Vector3T<float>& iRootSize, int iResolution,
                          int iCount);

// Number of occupied slots (0 or more).
unsigned getVoxelDataNumber(const std::vector<int>& iSlots);
// Sizes the occupancy to ceil(slots / 8) bytes and sets the bit of every occupied slot.
void decideVoxelFlag(std::vector<Bit8Block>* oBits, const std::vector<int>& iSlots);
// Appends the colour of every occupied slot's number in voxel order (white for a number
// without a colour, so that the count still matches the occupancy).
void decideVoxelColor(ColorBlock* oBlock, const std::vector<int>& iSlots, const std::vector<Color>& iColors);

// Centres of the node's occupied voxels, computed once and cached in the node. Empty when the
// node's voxel entry is missing.
template <typename C>
void getVoxelCenterList(std::vector<Vector3T<float>>* oCenters, const SparseVoxelOctreeNode& iNode,
                        const SparseVoxelOctree& iOctree, const VoxelBlockPool<C>& iPool);

extern template void getVoxelCenterList<ColorBlock>(std::vector<Vector3T<float>>*, const SparseVoxelOctreeNode&,
                                                     const SparseVoxelOctree&, const VoxelBlockPool<ColorBlock>&);

#endif
