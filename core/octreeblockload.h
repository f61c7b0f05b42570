#ifndef CORE_OCTREEBLOCKLOAD_H
#define CORE_OCTREEBLOCKLOAD_H

#include "sparsevoxeloctree.h"

#include <cstddef>
#include <string>
#include <unordered_set>
#include <vector>

// Pieces of the part-by-part loading of octree files shared by the point and polygon octree
// implementations: which blocks the listed nodes still lack, reading a list with a fallback to
// one node at a time, and handing blocks read into a staging pool over to the body's pool.
namespace octreeload {

using NodeList = std::vector<const SparseVoxelOctreeNode*>;
// Leaf entry numbers of leaves whose read failed.
using LeafMarks = std::unordered_set<int>;

// The loaded leaf block of a leaf node; null for an inner node or a block not loaded.
template <typename L>
L* leafBlock(const LeafBlockPool<L>& iPool, const SparseVoxelOctreeNode* iNode)
{
    if (iNode == nullptr || iNode->hasChild())
        return nullptr;
    const LeafInfo<L>* entry = iPool.getEntry(iNode->getFirstIndex());
    return entry != nullptr ? entry->getBlock() : nullptr;
}

// The leaf nodes whose blocks the pool lacks; leaves without a leaf entry have nothing to load,
// and leaves whose read failed are not read again.
template <typename L>
NodeList missingLeaves(const LeafBlockPool<L>& iPool, const LeafMarks& iFailed, const NodeList& iNodes)
{
    NodeList missing;
    for (const SparseVoxelOctreeNode* node : iNodes)
        if (!node->hasChild() && node->getFirstIndex() >= 0 && leafBlock(iPool, node) == nullptr &&
            iFailed.count(node->getFirstIndex()) == 0)
            missing.push_back(node);
    return missing;
}

// Reads the items with iRead(items, message) in one go and, when that fails for several, each
// on its own, so that one broken leaf does not keep the rest of the list from loading. Returns
// the items whose read failed, with the message of the first failure in ioErrorMessage.
template <typename T, typename F>
std::vector<T> readEach(const std::vector<T>& iItems, std::string& ioErrorMessage, F iRead)
{
    std::string message;
    if (iItems.empty() || iRead(iItems, message))
        return {};
    std::vector<T> failed;
    if (iItems.size() == 1) {
        failed = iItems;
    } else {
        for (const T& item : iItems) {
            std::string single;
            if (!iRead(std::vector<T>{item}, single))
                failed.push_back(item);
        }
    }
    if (!failed.empty())
        ioErrorMessage = message;
    return failed;
}

inline std::vector<int> entriesOf(const NodeList& iLeaves)
{
    std::vector<int> entries;
    for (const SparseVoxelOctreeNode* node : iLeaves)
        entries.push_back(node->getFirstIndex());
    return entries;
}

// Frees what a load staged for the listed leaf entries, so that none of it is installed.
template <typename L>
void dropLeaves(LeafBlockPool<L>* ioStaged, const std::vector<int>& iEntries)
{
    std::vector<LeafInfo<L>*>& entries = ioStaged->getEntries();
    for (int entry : iEntries)
        if (entry >= 0 && std::size_t(entry) < entries.size()) {
            delete entries[std::size_t(entry)];
            entries[std::size_t(entry)] = nullptr;
        }
}

// Voxel entry numbers of voxel blocks whose read failed.
using VoxelMarks = std::unordered_set<int>;

// The nodes whose voxel blocks the pool lacks; nodes without a voxel entry have nothing to load,
// and entries in iFailed are not read again.
template <typename C>
NodeList missingVoxels(const VoxelBlockPool<C>& iPool, const NodeList& iNodes, const VoxelMarks* iFailed = nullptr)
{
    NodeList missing;
    for (const SparseVoxelOctreeNode* node : iNodes) {
        if (node->getVoxelInfoIndex() < 0 || (iFailed != nullptr && iFailed->count(node->getVoxelInfoIndex()) != 0))
            continue;
        const VoxelInfo<C>* entry = iPool.getEntry(node->getVoxelInfoIndex());
        if (entry == nullptr || entry->getBlock() == nullptr)
            missing.push_back(node);
    }
    return missing;
}

// Moves the complete entries that a load read into a pool of its own over to the body's pool,
// where that pool has none yet; the rest stays with the staging pool, which frees it.
template <typename Pool>
void install(Pool* ioTarget, Pool* ioStaged)
{
    auto& from = ioStaged->getEntries();
    auto& to = ioTarget->getEntries();
    bool moved = false;
    for (std::size_t i = 0; i < from.size(); ++i) {
        if (from[i] == nullptr || from[i]->getBlock() == nullptr)
            continue;
        if (i < to.size() && to[i] != nullptr && to[i]->getBlock() != nullptr)
            continue;
        if (to.size() <= i)
            to.resize(from.size(), nullptr);
        delete to[i];
        to[i] = from[i];
        from[i] = nullptr;
        moved = true;
    }
    // The total of a load that failed before reading it stays out.
    if (moved)
        ioTarget->setTotal(ioStaged->getTotal());
}

// Reads the voxel blocks of the listed nodes with iRead(nodes, pool, message) into pools of its
// own, all at once or, when that fails, node by node (readEach), and moves the complete ones
// into ioStaged. Returns the voxel entry numbers whose read failed, for marking.
template <typename C, typename F>
std::vector<int> readVoxelBlocks(const NodeList& iNodes, VoxelBlockPool<C>* ioStaged, std::string& ioErrorMessage,
                                 F iRead)
{
    const NodeList failed = readEach(iNodes, ioErrorMessage, [&](const NodeList& iPart, std::string& oMessage) {
        VoxelBlockPool<C> read;
        if (!iRead(iPart, &read, oMessage))
            return false;
        install(ioStaged, &read);
        return true;
    });
    std::vector<int> entries;
    for (const SparseVoxelOctreeNode* node : failed)
        entries.push_back(node->getVoxelInfoIndex());
    return entries;
}

} // namespace octreeload

#endif
