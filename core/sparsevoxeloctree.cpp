#include "sparsevoxeloctree.h"

#include <climits>
#include <cmath>
#include <iostream>

// ---------------------------------------------------------------------------
// Pools and octree ownership
// ---------------------------------------------------------------------------

template <typename C>
VoxelBlockPool<C>::~VoxelBlockPool()
{
    for (VoxelInfo<C>* entry : mEntries)
        delete entry;
}

template <typename L>
LeafBlockPool<L>::~LeafBlockPool()
{
    for (LeafInfo<L>* entry : mEntries)
        delete entry;
}

SparseVoxelOctree::~SparseVoxelOctree()
{
    for (SparseVoxelOctreeNode* node : mNodeList)
        delete node;
}

void SparseVoxelOctree::appendNode(SparseVoxelOctreeNode* iNode)
{
    if (iNode)
        mNodeList.push_back(iNode);
}

void SparseVoxelOctree::addNewNode(SparseVoxelOctreeNode* iNode, SparseVoxelOctreeNode* iParent, int iOctant)
{
    if (!iNode)
        return;
    if (!iParent) {
        iNode->setDepth(0);
        iNode->setCenter(Vector3T<float>(mBoundingBox.getCenter()));
    } else {
        const int depth = iParent->getDepth() + 1;
        const Vector3T<float> size = getNodeSize(depth, Vector3T<float>(mBoundingBox.getSize()));
        const Vector3T<float> sign = getAreaNornal(iOctant);
        const Vector3T<float>& c = iParent->getCenter();
        iNode->setDepth(depth);
        iNode->setCenter(Vector3T<float>(c.x + size.x * sign.x * 0.5f, c.y + size.y * sign.y * 0.5f,
                                         c.z + size.z * sign.z * 0.5f));
    }
    iNode->setIndex(static_cast<unsigned>(mNodeList.size()));
    mNodeList.push_back(iNode);
    if (iParent) {
        iParent->setChildFlag(iOctant, 1);
        if (iParent->getFirstIndex() == -1)
            iParent->setFirstIndex(static_cast<int>(iNode->getIndex()));
    }
}

bool SparseVoxelOctree::sortDepth()
{
    std::cout << "sortDepth()" << std::endl;

    // The new order is worked out on the side (list positions, new first indices) and applied
    // only when it passes the checks, so a broken tree stays exactly as it was.
    const size_t count = mNodeList.size();
    std::vector<unsigned> order;
    order.reserve(count);
    std::vector<int> newFirst(count, -1);
    std::vector<unsigned char> reached(count, 0);
    std::vector<int> layerSizes;
    std::vector<unsigned> layer;
    std::vector<unsigned> next;
    // A child slot outside the list, a null node or a node reached twice (shared children,
    // cycles) cannot give a list of every node once.
    bool broken = false;
    if (count > 0) {
        if (mNodeList[0]) {
            layer.push_back(0);
            reached[0] = 1;
        } else {
            broken = true;
        }
    }
    while (!layer.empty()) {
        layerSizes.push_back(static_cast<int>(layer.size()));
        next.clear();
        for (unsigned p : layer) {
            const SparseVoxelOctreeNode* node = mNodeList[p];
            const long long first = node->getFirstIndex();
            const int children = node->getChildNumber();
            for (int k = 0; k < children; ++k) {
                const long long q = first + k;
                if (q < 0 || q >= static_cast<long long>(count) || reached[size_t(q)] || !mNodeList[size_t(q)]) {
                    broken = true;
                    continue;
                }
                reached[size_t(q)] = 1;
                next.push_back(static_cast<unsigned>(q));
            }
        }
        order.insert(order.end(), layer.begin(), layer.end());
        long long running = static_cast<long long>(order.size());
        for (unsigned p : layer) {
            const int children = mNodeList[p]->getChildNumber();
            if (children > 0) {
                newFirst[p] = static_cast<int>(running);
                running += children;
            }
        }
        layer.swap(next);
    }

    if (broken || order.size() != count) {
        std::cout << "this->mNodeList.size() != newNodeList.size()" << std::endl;
        return false;
    }
    auto firstOf = [&](unsigned p) {
        return mNodeList[p]->hasChild() ? newFirst[p] : mNodeList[p]->getFirstIndex();
    };
    if (count > 0) {
        int previous = firstOf(order[0]);
        for (size_t i = 1; i < count; ++i) {
            if (!mNodeList[order[i]]->hasChild())
                continue;
            const int first = firstOf(order[i]);
            if (first < 0)
                continue;
            if (previous < 0) {
                std::cout << "previousFirstChildIndex < 0" << std::endl;
                return false;
            }
            if (first <= previous) {
                std::cout << "firstChildIndex <= previousFirstChildIndex" << std::endl;
                std::cout << "firstChildIndex = " << first << ", previousFirstChildIndex = " << previous << std::endl;
                return false;
            }
            previous = first;
        }
    }
    for (size_t i = 1; i < count; ++i) {
        if (mNodeList[order[i]]->getDepth() < mNodeList[order[i - 1]]->getDepth()) {
            std::cout << "node2->getDepth() < node1->getDepth()" << std::endl;
            return false;
        }
    }

    std::vector<SparseVoxelOctreeNode*> newList(count);
    for (size_t i = 0; i < count; ++i) {
        SparseVoxelOctreeNode* node = mNodeList[order[i]];
        node->setIndex(static_cast<unsigned>(i));
        if (node->hasChild())
            node->setFirstIndex(newFirst[order[i]]);
        newList[i] = node;
    }
    mNodeList.swap(newList);
    mLayerSizeList.swap(layerSizes);

    long long total = 0;
    for (size_t i = 0; i < mLayerSizeList.size(); ++i) {
        std::cout << "Layer Size " << i << ": " << mLayerSizeList[i] << std::endl;
        total += mLayerSizeList[i];
    }
    std::cout << "Layer Size (total): " << total << std::endl;
    return true;
}

template class VoxelBlockPool<ColorBlock>;
template class LeafBlockPool<PointBlock>;
template class LeafBlockPool<PointIndexBlock>;
template class LeafBlockPool<ElementIndexBlock>;
template class SVOSystem<ColorBlock, PointBlock>;
template class SVOSystem<ColorBlock, PointIndexBlock>;
template class SVOSystem<ColorBlock, ElementIndexBlock>;

// ---------------------------------------------------------------------------
// Node placement and the voxel grid
// ---------------------------------------------------------------------------

namespace {

struct FL_Grid
{
    Vector3T<float> origin;
    Vector3T<float> voxelSize;
};

FL_Grid FL_makeGrid(const SparseVoxelOctreeNode& iNode, const Vector3T<float>& iRootSize, int iResolution)
{
    const Vector3T<float> size = getNodeSize(iNode.getDepth(), iRootSize);
    return {iNode.getCenter() - size * 0.5f, size / static_cast<float>(iResolution)};
}

Vector3T<float> FL_fraction(const Vector3T<float>& iPoint, const FL_Grid& iGrid)
{
    return Vector3T<float>((iPoint.x - iGrid.origin.x) / iGrid.voxelSize.x,
                           (iPoint.y - iGrid.origin.y) / iGrid.voxelSize.y,
                           (iPoint.z - iGrid.origin.z) / iGrid.voxelSize.z);
}

Vector3T<float> FL_center(const Vector3T<float>& iIndex3D, const FL_Grid& iGrid)
{
    const Vector3T<float>& o = iGrid.origin;
    const Vector3T<float>& v = iGrid.voxelSize;
    return Vector3T<float>(o.x + v.x * 0.5f + v.x * iIndex3D.x, o.y + v.y * 0.5f + v.y * iIndex3D.y,
                           o.z + v.z * 0.5f + v.z * iIndex3D.z);
}

// Points on a node's upper faces have the fraction n; flat axes give 0/0.
int FL_axisIndex(float iFraction, int iResolution)
{
    if (!std::isfinite(iFraction) || iFraction < 1.0f)
        return 0;
    return iFraction < static_cast<float>(iResolution) ? static_cast<int>(iFraction) : iResolution - 1;
}

void FL_fillSlots(std::vector<int>* oSlots, const std::vector<Vector3T<float>>& iPositions, const unsigned* iNumbers,
                  size_t iNumberCount, const SparseVoxelOctreeNode& iNode, const Vector3T<float>& iRootSize,
                  int iResolution, int iCount)
{
    oSlots->resize(iCount > 0 ? size_t(iCount) : 0, -1);
    if (iCount <= 0 || iResolution <= 0)
        return;
    const FL_Grid grid = FL_makeGrid(iNode, iRootSize, iResolution);
    const int last = iCount - 1;
    int* slots = oSlots->data();
    for (size_t k = 0; k < iNumberCount; ++k) {
        const unsigned number = iNumbers ? iNumbers[k] : static_cast<unsigned>(k);
        if (number >= iPositions.size())
            continue;
        const int v = getVoxelIndex1D(FL_fraction(iPositions[number], grid), iResolution);
        slots[v < last ? v : last] = static_cast<int>(number);
    }
}

} // namespace

int getAreaIndex(const Vector3T<float>& iPoint, const Vector3T<float>& iCenter)
{
    return (iPoint.x < iCenter.x ? 1 : 0) + (iPoint.y < iCenter.y ? 2 : 0) + (iPoint.z < iCenter.z ? 4 : 0);
}

Vector3T<float> getAreaNornal(int iOctant)
{
    if (iOctant < 0 || iOctant > 7)
        return Vector3T<float>(1.0f, 1.0f, 1.0f);
    return Vector3T<float>((iOctant & 1) ? -1.0f : 1.0f, (iOctant & 2) ? -1.0f : 1.0f, (iOctant & 4) ? -1.0f : 1.0f);
}

Vector3T<float> getNodeSize(int iDepth, const Vector3T<float>& iRootSize)
{
    if (iDepth < 1)
        return iRootSize;
    // Scaling by a power of two is exact, the same as halving depth times.
    return Vector3T<float>(std::ldexp(iRootSize.x, -iDepth), std::ldexp(iRootSize.y, -iDepth),
                           std::ldexp(iRootSize.z, -iDepth));
}

Vector3T<float> getVoxelCenter(const Vector3T<float>& iIndex3D, const SparseVoxelOctreeNode& iNode,
                               const Vector3T<float>& iRootSize, int iResolution)
{
    return FL_center(iIndex3D, FL_makeGrid(iNode, iRootSize, iResolution));
}

Vector3T<float> getVoxelIndex3D(unsigned iVoxel, int iResolution)
{
    if (iResolution <= 0)
        return Vector3T<float>();
    const unsigned n = static_cast<unsigned>(iResolution);
    return Vector3T<float>(static_cast<float>(iVoxel % n), static_cast<float>((iVoxel / n) % n),
                           static_cast<float>((iVoxel / n / n) % n));
}

Vector3T<float> getVoxelIndex3D(const Vector3T<float>& iPoint, const SparseVoxelOctreeNode& iNode,
                                const Vector3T<float>& iRootSize, int iResolution)
{
    return FL_fraction(iPoint, FL_makeGrid(iNode, iRootSize, iResolution));
}

int getVoxelIndex1D(const Vector3T<float>& iIndex3D, int iResolution)
{
    if (iResolution <= 0)
        return 0;
    const long long n = iResolution;
    const long long v = FL_axisIndex(iIndex3D.x, iResolution) +
                        n * (FL_axisIndex(iIndex3D.y, iResolution) + n * FL_axisIndex(iIndex3D.z, iResolution));
    return v < INT_MAX ? static_cast<int>(v) : INT_MAX;
}

void getChildNodeList(std::vector<SparseVoxelOctreeNode*>* oList, const SparseVoxelOctreeNode& iNode,
                      const SparseVoxelOctree& iOctree)
{
    const int children = iNode.getChildNumber();
    for (int k = 0; k < children; ++k) {
        if (SparseVoxelOctreeNode* child = iOctree.getNode(static_cast<long long>(iNode.getFirstIndex()) + k))
            oList->push_back(child);
    }
}

void getSubIndexList(std::vector<unsigned> oList[8], const std::vector<Vector3T<float>>& iPositions,
                     const std::vector<unsigned>& iNumbers, const Vector3T<float>& iCenter)
{
    for (unsigned number : iNumbers) {
        if (number < iPositions.size())
            oList[getAreaIndex(iPositions[number], iCenter)].push_back(number);
    }
}

void getIndexForEachVoxel(std::vector<int>* oSlots, const std::vector<Vector3T<float>>& iPositions,
                          const std::vector<unsigned>& iNumbers, const SparseVoxelOctreeNode& iNode,
                          const Vector3T<float>& iRootSize, int iResolution, int iCount)
{
    FL_fillSlots(oSlots, iPositions, iNumbers.data(), iNumbers.size(), iNode, iRootSize, iResolution, iCount);
}

void getIndexForEachVoxel(std::vector<int>* oSlots, const std::vector<Vector3T<float>>& iPositions,
                          const SparseVoxelOctreeNode& iNode, const Vector3T<float>& iRootSize, int iResolution,
                          int iCount)
{
    FL_fillSlots(oSlots, iPositions, nullptr, iPositions.size(), iNode, iRootSize, iResolution, iCount);
}

unsigned getVoxelDataNumber(const std::vector<int>& iSlots)
{
    unsigned count = 0;
    for (int slot : iSlots)
        count += slot >= 0;
    return count;
}

void decideVoxelFlag(std::vector<Bit8Block>* oBits, const std::vector<int>& iSlots)
{
    oBits->resize((iSlots.size() + 7) / 8);
    for (size_t v = 0; v < iSlots.size(); ++v) {
        if (iSlots[v] >= 0)
            (*oBits)[v / 8].set(static_cast<int>(v % 8));
    }
}

void decideVoxelColor(ColorBlock* oBlock, const std::vector<int>& iSlots, const std::vector<Color>& iColors)
{
    if (!oBlock)
        return;
    for (int slot : iSlots) {
        if (slot >= 0)
            oBlock->colors.push_back(size_t(slot) < iColors.size() ? iColors[size_t(slot)] : Color());
    }
}

template <typename C>
void getVoxelCenterList(std::vector<Vector3T<float>>* oCenters, const SparseVoxelOctreeNode& iNode,
                        const SparseVoxelOctree& iOctree, const VoxelBlockPool<C>& iPool)
{
    if (!iNode.getVoxelCenters().empty()) {
        *oCenters = iNode.getVoxelCenters();
        return;
    }
    oCenters->clear();
    const VoxelInfo<C>* entry = iPool.getEntry(iNode.getVoxelInfoIndex());
    const int n = iOctree.getVoxelResolution();
    if (!entry || n <= 0)
        return;
    const FL_Grid grid = FL_makeGrid(iNode, Vector3T<float>(iOctree.getBoundingBox().getSize()), n);
    const std::vector<Bit8Block>& bits = entry->getOccupancy();
    for (size_t b = 0; b < bits.size(); ++b) {
        if (bits[b].bits == 0)
            continue;
        for (int bit = 0; bit < 8; ++bit) {
            if (bits[b].get(bit))
                oCenters->push_back(FL_center(getVoxelIndex3D(static_cast<unsigned>(b * 8 + bit), n), grid));
        }
    }
    iNode.setVoxelCenterList(*oCenters);
}

template void getVoxelCenterList<ColorBlock>(std::vector<Vector3T<float>>*, const SparseVoxelOctreeNode&,
                                             const SparseVoxelOctree&, const VoxelBlockPool<ColorBlock>&);
