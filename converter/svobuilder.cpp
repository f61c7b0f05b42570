#include "svobuilder.h"

#include "memoryguard.h"
#include "pointblockoperation.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <memory>

namespace {

// A node of the layer being processed and its run in the layer's number list.
struct FL_Run
{
    SparseVoxelOctreeNode* node;
    size_t begin;
    size_t count;
};

// The leaf threshold n^3; the callers keep n^3 within int.
long long FL_leafThreshold(int iResolution)
{
    const long long n = iResolution;
    return n * n * n;
}

// Two coordinates no octant test can tell apart: equal, or both NaN.
inline bool FL_same(float iA, float iB)
{
    return iA == iB || (iA != iA && iB != iB);
}

inline bool FL_same(const Vector3F& iA, const Vector3F& iB)
{
    return FL_same(iA.x, iB.x) && FL_same(iA.y, iB.y) && FL_same(iA.z, iB.z);
}

// getAreaIndex, inlined for the per-point loops.
inline int FL_octant(const Vector3F& iPoint, const Vector3F& iCenter)
{
    return (iPoint.x < iCenter.x ? 1 : 0) | (iPoint.y < iCenter.y ? 2 : 0) | (iPoint.z < iCenter.z ? 4 : 0);
}

bool FL_numbersFit(const unsigned* iNumbers, size_t iCount, size_t iPositionCount, size_t iColorCount)
{
    const size_t limit = iPositionCount < iColorCount ? iPositionCount : iColorCount;
    for (size_t k = 0; k < iCount; ++k) {
        if (iNumbers[k] >= limit)
            return false;
    }
    return true;
}

// Places a child as addNewNode does.
Vector3F FL_childCenter(const Vector3F& iCenter, const Vector3F& iChildSize, int iOctant)
{
    const Vector3F sign = getAreaNornal(iOctant);
    return Vector3F(iCenter.x + iChildSize.x * sign.x * 0.5f, iCenter.y + iChildSize.y * sign.y * 0.5f,
                    iCenter.z + iChildSize.z * sign.z * 0.5f);
}

// True when dividing the node could never separate its points, so it must stay a leaf: it lies
// at the depth cap, all its points share one position, or all fall into one octant whose child
// would have the node's own centre (the float centre no longer moves, nor will its children's).
bool FL_cannotDivide(const SparseVoxelOctree& iOctree, const SparseVoxelOctreeNode& iNode,
                     const std::vector<Vector3F>& iPositions, const unsigned* iNumbers, size_t iCount)
{
    if (iNode.getDepth() >= svoMaxBuildDepth || iCount == 0)
        return true;
    const Vector3F& center = iNode.getCenter();
    const Vector3F& first = iPositions[iNumbers[0]];
    const int octant = FL_octant(first, center);
    bool samePosition = true;
    bool sameOctant = true;
    for (size_t k = 1; k < iCount && (samePosition || sameOctant); ++k) {
        const Vector3F& p = iPositions[iNumbers[k]];
        samePosition = samePosition && FL_same(p, first);
        sameOctant = sameOctant && FL_octant(p, center) == octant;
    }
    if (samePosition)
        return true;
    if (!sameOctant)
        return false;
    const Vector3F childSize = getNodeSize(iNode.getDepth() + 1, Vector3F(iOctree.getBoundingBox().getSize()));
    return FL_same(FL_childCenter(center, childSize, octant), center);
}

template <typename L>
L* FL_newLeafBlock(const std::vector<Vector3F>& iPositions, const std::vector<Color>& iColors,
                   const unsigned* iNumbers, size_t iCount);

template <>
PointBlock* FL_newLeafBlock<PointBlock>(const std::vector<Vector3F>& iPositions, const std::vector<Color>& iColors,
                                        const unsigned* iNumbers, size_t iCount)
{
    PointBlock* block = new PointBlock();
    block->colors.resize(iCount);
    block->positions.resize(iCount);
    block->flags.assign(iCount, 0u);
    for (size_t k = 0; k < iCount; ++k) {
        block->colors[k] = iColors[iNumbers[k]];
        block->positions[k] = iPositions[iNumbers[k]];
    }
    return block;
}

template <>
PointIndexBlock* FL_newLeafBlock<PointIndexBlock>(const std::vector<Vector3F>&, const std::vector<Color>&,
                                                  const unsigned* iNumbers, size_t iCount)
{
    // Only the matrix indices: the draw lists are filled when the leaf is loaded for drawing.
    PointIndexBlock* block = new PointIndexBlock();
    block->indices.assign(iNumbers, iNumbers + iCount);
    return block;
}

// createLeaf over a run of numbers that are known to fit the lists.
template <typename L>
bool FL_createLeaf(const SparseVoxelOctree& iOctree, LeafBlockPool<L>* ioLeafPool, SparseVoxelOctreeNode* ioNode,
                   const std::vector<Vector3F>& iPositions, const std::vector<Color>& iColors,
                   const unsigned* iNumbers, size_t iCount)
{
    if (static_cast<long long>(iCount) >= FL_leafThreshold(iOctree.getVoxelResolution()) &&
        !FL_cannotDivide(iOctree, *ioNode, iPositions, iNumbers, iCount))
        return false;
    LeafInfo<L>* entry = new LeafInfo<L>();
    entry->setBlock(FL_newLeafBlock<L>(iPositions, iColors, iNumbers, iCount));
    entry->setFirstIndex(ioLeafPool->getTotal());
    entry->setCount(static_cast<unsigned>(iCount));
    ioNode->setFirstIndex(static_cast<int>(ioLeafPool->getEntries().size()));
    ioLeafPool->addEntry(entry);
    ioLeafPool->setTotal(ioLeafPool->getTotal() + static_cast<unsigned>(iCount));
    return true;
}

// A node's voxel grid: its lower corner and voxel size.
struct FL_Grid
{
    Vector3F origin;
    Vector3F voxel;
};

// Voxel entries of nodes. The voxels of a node's children are filled while the node's points
// are split among them, so that each point is fetched once per layer; a node on its own (the
// root, or a child whose placement differs from the expected one) takes a pass of its own.
// Both find the voxel as getIndexForEachVoxel does: fraction (p - origin) / voxel size per
// axis, truncated, clamped to 0..n-1, non-finite (flat axis) to 0.
template <typename C>
class FL_VoxelMaker
{
public:
    FL_VoxelMaker(const SparseVoxelOctree& iOctree, VoxelBlockPool<C>* ioPool, const std::vector<Vector3F>& iPositions,
                  const std::vector<Color>& iColors)
        : mPool(ioPool),
          mPositions(iPositions),
          mColors(iColors),
          mRootSize(iOctree.getBoundingBox().getSize()),
          mResolution(iOctree.getVoxelResolution()),
          mLastIndex(static_cast<float>(mResolution - 1)),
          mSlotCount(static_cast<size_t>(FL_leafThreshold(mResolution)))
    {
        for (int o = 0; o < 8; ++o)
            mChildSlots[o].assign(mSlotCount, -1);
    }

    FL_Grid grid(const Vector3F& iCenter, int iDepth) const
    {
        const Vector3F size = getNodeSize(iDepth, mRootSize);
        return FL_Grid{iCenter - size * 0.5f, size / static_cast<float>(mResolution)};
    }

    bool make(SparseVoxelOctreeNode* ioNode, const unsigned* iNumbers, size_t iCount)
    {
        const FL_Grid g = grid(ioNode->getCenter(), ioNode->getDepth());
        mSlots.assign(mSlotCount, -1);
        int* slots = mSlots.data();
        const Vector3F* positions = mPositions.data();
        for (size_t k = 0; k < iCount; ++k)
            slots[voxelOf(positions[iNumbers[k]], g)] = static_cast<int>(iNumbers[k]);
        return addEntry(ioNode, mSlots);
    }

    // Grids of the eight children of the node being split (any grid for an octant that gets no
    // points); their slots are all empty here.
    void beginChildren(const FL_Grid iGrids[8])
    {
        for (int o = 0; o < 8; ++o)
            mChildGrids[o] = iGrids[o];
    }
    void add(int iOctant, const Vector3F& iPoint, unsigned iNumber)
    {
        mChildSlots[iOctant][static_cast<size_t>(voxelOf(iPoint, mChildGrids[iOctant]))] = static_cast<int>(iNumber);
    }
    // The entry of the child in an octant that received points; empties its slots again.
    bool finishChild(SparseVoxelOctreeNode* ioNode, int iOctant)
    {
        const bool ok = addEntry(ioNode, mChildSlots[iOctant]);
        clearChild(iOctant);
        return ok;
    }
    void clearChild(int iOctant) { std::fill(mChildSlots[iOctant].begin(), mChildSlots[iOctant].end(), -1); }

private:
    // Clamping before the truncation gives the same index for every finite fraction, without
    // the branches that random fractions would mispredict.
    int axisIndex(float iFraction) const
    {
        if (!std::isfinite(iFraction))
            return 0;
        return static_cast<int>(std::min(std::max(iFraction, 0.0f), mLastIndex));
    }
    int voxelOf(const Vector3F& iPoint, const FL_Grid& iGrid) const
    {
        const int i = axisIndex((iPoint.x - iGrid.origin.x) / iGrid.voxel.x);
        const int j = axisIndex((iPoint.y - iGrid.origin.y) / iGrid.voxel.y);
        const int k = axisIndex((iPoint.z - iGrid.origin.z) / iGrid.voxel.z);
        return i + mResolution * (j + mResolution * k);
    }

    bool addEntry(SparseVoxelOctreeNode* ioNode, const std::vector<int>& iSlots)
    {
        const unsigned occupied = getVoxelDataNumber(iSlots);
        if (static_cast<unsigned long long>(mPool->getTotal()) + occupied > UINT_MAX ||
            mPool->getEntries().size() >= static_cast<size_t>(INT_MAX))
            return false;
        C* block = new C();
        block->colors.reserve(occupied);
        decideVoxelColor(block, iSlots, mColors);
        VoxelInfo<C>* entry = new VoxelInfo<C>();
        entry->setBlock(block);
        entry->setFirstIndex(mPool->getTotal());
        entry->setCount(occupied);
        decideVoxelFlag(&entry->getOccupancy(), iSlots);
        ioNode->setVoxelInfoIndex(static_cast<int>(mPool->getEntries().size()));
        mPool->addEntry(entry);
        mPool->setTotal(mPool->getTotal() + occupied);
        if (!block->colors.empty())
            ioNode->setColor(block->colors.front());
        return true;
    }

    VoxelBlockPool<C>* mPool;
    const std::vector<Vector3F>& mPositions;
    const std::vector<Color>& mColors;
    const Vector3F mRootSize;
    const int mResolution;
    const float mLastIndex;
    const size_t mSlotCount;
    std::vector<int> mSlots;
    std::vector<int> mChildSlots[8];
    FL_Grid mChildGrids[8];
};

// The numbers of a run lie scattered over the position list; asking for a point a few steps
// ahead hides much of the wait for memory.
inline void FL_prefetch(const Vector3F* iPositions, const unsigned* iNumbers, size_t k, size_t iCount)
{
#if defined(__GNUC__)
    if (k + 16 < iCount)
        __builtin_prefetch(iPositions + iNumbers[k + 16]);
#else
    (void)iPositions;
    (void)iNumbers;
    (void)k;
    (void)iCount;
#endif
}

// Stable split of a run by octant around a centre: oOut receives the numbers grouped by octant
// 0..7, each group in input order, and oCounts the group sizes (what getSubIndexList gives,
// without eight growing vectors). The octant of each point is computed once; with a voxel maker
// the point also goes into its child's voxels.
template <typename C>
void FL_splitByOctant(unsigned* oOut, size_t oCounts[8], const std::vector<Vector3F>& iPositions,
                      const unsigned* iNumbers, size_t iCount, const Vector3F& iCenter,
                      std::vector<unsigned char>* ioOctants, FL_VoxelMaker<C>* ioMaker)
{
    if (ioOctants->size() < iCount)
        ioOctants->resize(iCount);
    unsigned char* octants = ioOctants->data();
    size_t counts[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    const Vector3F* positions = iPositions.data();
    if (ioMaker) {
        for (size_t k = 0; k < iCount; ++k) {
            FL_prefetch(positions, iNumbers, k, iCount);
            const Vector3F& p = positions[iNumbers[k]];
            const int o = FL_octant(p, iCenter);
            octants[k] = static_cast<unsigned char>(o);
            ++counts[o];
            ioMaker->add(o, p, iNumbers[k]);
        }
    } else {
        for (size_t k = 0; k < iCount; ++k) {
            FL_prefetch(positions, iNumbers, k, iCount);
            const int o = FL_octant(positions[iNumbers[k]], iCenter);
            octants[k] = static_cast<unsigned char>(o);
            ++counts[o];
        }
    }
    size_t offsets[8];
    size_t running = 0;
    for (int o = 0; o < 8; ++o) {
        oCounts[o] = counts[o];
        offsets[o] = running;
        running += counts[o];
    }
    for (size_t k = 0; k < iCount; ++k)
        oOut[offsets[octants[k]]++] = iNumbers[k];
}

bool FL_resolutionUsable(int iResolution)
{
    return iResolution >= 1 && FL_leafThreshold(iResolution) <= INT_MAX;
}

// The breadth-first walk shared by the build steps, carrying each node's point numbers as a run
// of one list per layer; only the runs of nodes that have children go on to the next layer.
// Two lists take turns, one holding the layer being split and one receiving the next, so no
// more than two layers are held and no page is allocated afresh per layer. The root's list is
// the caller's and is not copied; when the caller hands it over as ioSpare (it is not read
// after the root is split) it serves as the second list.
//
// With a leaf pool the walk grows the tree: a child for every non-empty octant, in octant order,
// each tried as a leaf at once. Without one it follows the children already there: the list of
// every flagged octant goes to the next child, which pairs the k-th non-empty list with the k-th
// child of a tree grown from the same numbers (a list without a child or a child without points
// means it was not, and fails). With a voxel maker every node visited gets its voxel entry, in
// node order; making them during the growth spares a second pass over the points.
template <typename L, typename C>
bool FL_walkLayers(SparseVoxelOctree* ioOctree, LeafBlockPool<L>* ioLeafPool, FL_VoxelMaker<C>* ioMaker,
                   const std::vector<Vector3F>& iPositions, const std::vector<Color>& iColors,
                   const std::vector<unsigned>& iNumbers, std::vector<unsigned>* ioSpare)
{
    SparseVoxelOctreeNode* root = ioOctree->getNode(0);
    const bool grow = ioLeafPool != nullptr;
    bool leaf = grow ? FL_createLeaf(*ioOctree, ioLeafPool, root, iPositions, iColors, iNumbers.data(), iNumbers.size())
                     : !root->hasChild();
    if (ioMaker && !ioMaker->make(root, iNumbers.data(), iNumbers.size()))
        return false;
    if (leaf)
        return true;

    std::vector<FL_Run> layer{FL_Run{root, 0, iNumbers.size()}};
    std::vector<FL_Run> nextLayer;
    const unsigned* layerNumbers = iNumbers.data();
    size_t layerTotal = iNumbers.size();
    // Layer totals never grow, so a list sized for the first layer it receives fits all later.
    std::unique_ptr<unsigned[]> ownLists[2];
    unsigned* lists[2] = {nullptr, ioSpare && ioSpare->size() >= layerTotal ? ioSpare->data() : nullptr};
    int target = 0;
    std::vector<unsigned char> octants;
    size_t counts[8];
    const Vector3F rootSize(ioOctree->getBoundingBox().getSize());
    while (!layer.empty()) {
        if (!lists[target]) {
            ownLists[target].reset(new unsigned[layerTotal]);
            lists[target] = ownLists[target].get();
        }
        unsigned* const nextNumbers = lists[target];
        size_t nextSize = 0;
        nextLayer.clear();
        nextLayer.reserve(layer.size() * 2);
        for (const FL_Run& run : layer) {
            SparseVoxelOctreeNode* parent = run.node;
            const long long firstChild = parent->getFirstIndex();
            // Where the children are (grown: where addNewNode will put them).
            Vector3F centers[8];
            if (ioMaker) {
                FL_Grid grids[8];
                const Vector3F childSize = getNodeSize(parent->getDepth() + 1, rootSize);
                int k = 0;
                for (int o = 0; o < 8; ++o) {
                    centers[o] = FL_childCenter(parent->getCenter(), childSize, o);
                    int depth = parent->getDepth() + 1;
                    if (!grow && parent->getChildFlag(o)) {
                        if (const SparseVoxelOctreeNode* child = ioOctree->getNode(firstChild + k)) {
                            centers[o] = child->getCenter();
                            depth = child->getDepth();
                        }
                        ++k;
                    }
                    grids[o] = ioMaker->grid(centers[o], depth);
                }
                ioMaker->beginChildren(grids);
            }
            unsigned* out = nextNumbers + nextSize;
            FL_splitByOctant(out, counts, iPositions, layerNumbers + run.begin, run.count, parent->getCenter(),
                             &octants, ioMaker);
            int k = 0;
            size_t read = 0;
            size_t write = 0;
            for (int o = 0; o < 8; ++o) {
                SparseVoxelOctreeNode* child = nullptr;
                if (grow) {
                    if (counts[o] == 0)
                        continue;
                    child = new SparseVoxelOctreeNode();
                    ioOctree->addNewNode(child, parent, o);
                    leaf = FL_createLeaf(*ioOctree, ioLeafPool, child, iPositions, iColors, out + read, counts[o]);
                } else {
                    if (!parent->getChildFlag(o)) {
                        if (counts[o] != 0)
                            return false;
                        continue;
                    }
                    child = ioOctree->getNode(firstChild + k);
                    ++k;
                    if (!child || counts[o] == 0)
                        return false;
                    leaf = !child->hasChild();
                }
                if (ioMaker) {
                    bool made = false;
                    if (child->getCenter() == centers[o] && child->getDepth() == parent->getDepth() + 1) {
                        made = ioMaker->finishChild(child, o);
                    } else {
                        ioMaker->clearChild(o);
                        made = ioMaker->make(child, out + read, counts[o]);
                    }
                    if (!made)
                        return false;
                }
                if (!leaf) {
                    if (write != read)
                        std::memmove(out + write, out + read, counts[o] * sizeof(unsigned));
                    nextLayer.push_back(FL_Run{child, nextSize + write, counts[o]});
                    write += counts[o];
                }
                read += counts[o];
            }
            nextSize += write;
        }
        layer.swap(nextLayer);
        layerNumbers = nextNumbers;
        layerTotal = nextSize;
        target ^= 1;
    }
    return true;
}

bool FL_inputUsable(const SparseVoxelOctree* iOctree, const std::vector<Vector3F>& iPositions,
                    const std::vector<Color>& iColors, const std::vector<unsigned>& iNumbers)
{
    return iOctree && iOctree->getNodeNumber() != 0 && FL_resolutionUsable(iOctree->getVoxelResolution()) &&
           FL_numbersFit(iNumbers.data(), iNumbers.size(), iPositions.size(), iColors.size());
}

} // namespace

template <typename L>
bool createLeaf(const SparseVoxelOctree& iOctree, LeafBlockPool<L>* ioLeafPool, SparseVoxelOctreeNode* ioNode,
                const std::vector<Vector3F>& iPositions, const std::vector<Color>& iColors,
                const std::vector<unsigned>& iNumbers)
{
    if (!ioLeafPool || !ioNode || !FL_resolutionUsable(iOctree.getVoxelResolution()) ||
        !FL_numbersFit(iNumbers.data(), iNumbers.size(), iPositions.size(), iColors.size()))
        return false;
    return FL_createLeaf(iOctree, ioLeafPool, ioNode, iPositions, iColors, iNumbers.data(), iNumbers.size());
}

template <typename L>
bool growOctreeCompletely(SparseVoxelOctree* ioOctree, LeafBlockPool<L>* ioLeafPool,
                          const std::vector<Vector3F>& iPositions, const std::vector<Color>& iColors,
                          const std::vector<unsigned>& iNumbers)
{
    if (!ioLeafPool || !FL_inputUsable(ioOctree, iPositions, iColors, iNumbers))
        return false;
    return FL_walkLayers<L, ColorBlock>(ioOctree, ioLeafPool, nullptr, iPositions, iColors, iNumbers, nullptr);
}

template <typename C>
bool createVoxel(const SparseVoxelOctree& iOctree, VoxelBlockPool<C>* ioVoxelPool, SparseVoxelOctreeNode* ioNode,
                 const std::vector<Vector3F>& iPositions, const std::vector<Color>& iColors,
                 const std::vector<unsigned>& iNumbers)
{
    if (!ioVoxelPool || !ioNode || !FL_resolutionUsable(iOctree.getVoxelResolution()) ||
        !FL_numbersFit(iNumbers.data(), iNumbers.size(), iPositions.size(), iColors.size()))
        return false;
    FL_VoxelMaker<C> maker(iOctree, ioVoxelPool, iPositions, iColors);
    return maker.make(ioNode, iNumbers.data(), iNumbers.size());
}

template <typename C>
bool createVoxelALL(SparseVoxelOctree* ioOctree, VoxelBlockPool<C>* ioVoxelPool,
                    const std::vector<Vector3F>& iPositions, const std::vector<Color>& iColors,
                    const std::vector<unsigned>& iNumbers)
{
    if (!ioVoxelPool || !FL_inputUsable(ioOctree, iPositions, iColors, iNumbers))
        return false;
    FL_VoxelMaker<C> maker(*ioOctree, ioVoxelPool, iPositions, iColors);
    return FL_walkLayers<PointBlock, C>(ioOctree, nullptr, &maker, iPositions, iColors, iNumbers, nullptr);
}

namespace {

template <typename C, typename L>
bool FL_createSparseVoxelOctree(SparseVoxelOctree* oOctree, VoxelBlockPool<C>* oVoxelPool,
                                LeafBlockPool<L>* oLeafPool, const PointCloudData& iData, int iResolution)
{
    if (!oOctree || !oVoxelPool || !oLeafPool || !FL_resolutionUsable(iResolution))
        return false;
    // Voxel slots hold cell indices as int.
    if (iData.pointList.size() > static_cast<size_t>(INT_MAX))
        return false;
    if (oOctree->getNodeNumber() != 0 || !oVoxelPool->getEntries().empty() || !oLeafPool->getEntries().empty())
        return false;

    Vector3T<double> center;
    Vector3T<double> size;
    getBoundingBox(&center, &size, iData);
    oOctree->setBoundingBox(BoundingBox(center, size));
    oOctree->setVoxelResolution(iResolution);
    oOctree->addNewNode(new SparseVoxelOctreeNode(), nullptr, 0);

    {
        // The working lists are dropped before the re-layout.
        std::vector<Vector3F> positions;
        std::vector<Color> colors;
        std::vector<unsigned> numbers;
        getValidDataList(&positions, &colors, &numbers, iData.pointList);
        // Growth and voxels in one walk: the same nodes, leaves and voxel entries as
        // growOctreeCompletely followed by createVoxelALL, with one pass over the points.
        FL_VoxelMaker<C> maker(*oOctree, oVoxelPool, positions, colors);
        if (!FL_walkLayers<L, C>(oOctree, oLeafPool, &maker, positions, colors, numbers, &numbers))
            return false;
    }
    if (!oOctree->sortDepth())
        return false;
    oOctree->setLoadedDepth(static_cast<int>(oOctree->getLayerSizeList().size()));
    return true;
}

} // namespace

template <typename C, typename L>
bool createSparseVoxelOctree(SparseVoxelOctree* oOctree, VoxelBlockPool<C>* oVoxelPool, LeafBlockPool<L>* oLeafPool,
                             const PointCloudData& iData, int iResolution)
{
    return memoryguard::run(
        [&] { return FL_createSparseVoxelOctree<C, L>(oOctree, oVoxelPool, oLeafPool, iData, iResolution); });
}

template bool createSparseVoxelOctree<ColorBlock, PointBlock>(SparseVoxelOctree*, VoxelBlockPool<ColorBlock>*,
                                                              LeafBlockPool<PointBlock>*, const PointCloudData&, int);
template bool createSparseVoxelOctree<ColorBlock, PointIndexBlock>(SparseVoxelOctree*, VoxelBlockPool<ColorBlock>*,
                                                                   LeafBlockPool<PointIndexBlock>*,
                                                                   const PointCloudData&, int);
template bool growOctreeCompletely<PointBlock>(SparseVoxelOctree*, LeafBlockPool<PointBlock>*,
                                               const std::vector<Vector3F>&, const std::vector<Color>&,
                                               const std::vector<unsigned>&);
template bool growOctreeCompletely<PointIndexBlock>(SparseVoxelOctree*, LeafBlockPool<PointIndexBlock>*,
                                                    const std::vector<Vector3F>&, const std::vector<Color>&,
                                                    const std::vector<unsigned>&);
template bool createLeaf<PointBlock>(const SparseVoxelOctree&, LeafBlockPool<PointBlock>*, SparseVoxelOctreeNode*,
                                     const std::vector<Vector3F>&, const std::vector<Color>&,
                                     const std::vector<unsigned>&);
template bool createLeaf<PointIndexBlock>(const SparseVoxelOctree&, LeafBlockPool<PointIndexBlock>*,
                                          SparseVoxelOctreeNode*, const std::vector<Vector3F>&,
                                          const std::vector<Color>&, const std::vector<unsigned>&);
template bool createVoxelALL<ColorBlock>(SparseVoxelOctree*, VoxelBlockPool<ColorBlock>*,
                                         const std::vector<Vector3F>&, const std::vector<Color>&,
                                         const std::vector<unsigned>&);
template bool createVoxel<ColorBlock>(const SparseVoxelOctree&, VoxelBlockPool<ColorBlock>*, SparseVoxelOctreeNode*,
                                      const std::vector<Vector3F>&, const std::vector<Color>&,
                                      const std::vector<unsigned>&);
