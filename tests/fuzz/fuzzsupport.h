#ifndef TESTS_FUZZ_FUZZSUPPORT_H
#define TESTS_FUZZ_FUZZSUPPORT_H

#include "sparsevoxeloctree.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <streambuf>
#include <string>
#include <unistd.h>

// What the file fuzzers share: a scratch file for the input, quiet standard output, the
// --make-seeds mode, and the checks that a load, failed or not, left only sound objects.
namespace fuzzsupport {

// The loaders are handed a path, so each input goes through one scratch file per process.
class ScratchFile
{
public:
    ScratchFile()
    {
        const char* tmp = std::getenv("TMPDIR");
        mPath = std::string(tmp && *tmp ? tmp : "/tmp") + "/vistrel-fuzz-" + std::to_string(getpid()) + ".bin";
    }
    ~ScratchFile() { std::remove(mPath.c_str()); }

    const std::string& path() const { return mPath; }
    bool write(const std::uint8_t* iData, std::size_t iSize) const
    {
        std::ofstream out(mPath, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(iData), static_cast<std::streamsize>(iSize));
        return static_cast<bool>(out);
    }

private:
    std::string mPath;
};

inline const ScratchFile& scratch()
{
    static ScratchFile file;
    return file;
}

// The header check prints for most inputs; that would only slow the fuzzer down.
inline void silence()
{
    struct NullBuffer : std::streambuf
    {
        int overflow(int c) override { return c; }
    };
    static NullBuffer buffer;
    std::cout.rdbuf(&buffer);
}

// "<fuzzer> --make-seeds <folder>" writes the seed files with the project's writers and exits.
inline void handleMakeSeeds(int* iArgc, char*** iArgv, void (*iWrite)(const std::string& folder))
{
    if (*iArgc >= 3 && std::strcmp((*iArgv)[1], "--make-seeds") == 0) {
        iWrite((*iArgv)[2]);
        std::exit(0);
    }
}

inline void require(bool iCondition)
{
    if (!iCondition)
        __builtin_trap();
}

// Every linked node lies at its position and names children after itself; with iWhole (all
// nodes of the file present) the children lie inside the list.
inline void checkLinkedNodes(const SparseVoxelOctree& iOctree, bool iWhole)
{
    const std::vector<SparseVoxelOctreeNode*>& nodes = iOctree.getNodeList();
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        require(nodes[i] != nullptr && nodes[i]->getIndex() == i);
        if (nodes[i]->hasChild()) {
            require(nodes[i]->getFirstIndex() > int(i));
            require(!iWhole || std::size_t(nodes[i]->getFirstIndex()) + nodes[i]->getChildNumber() <= nodes.size());
        }
    }
}

// Every linked voxel entry matches its occupancy bits and its block, if any, holds its count.
inline void checkLinkedVoxels(const VoxelBlockPool<ColorBlock>& iPool)
{
    for (const VoxelInfo<ColorBlock>* entry : iPool.getEntries()) {
        if (entry == nullptr)
            continue;
        unsigned bits = 0;
        for (const Bit8Block& b : entry->getOccupancy())
            for (int k = 0; k < 8; ++k)
                bits += b.get(k);
        require(bits == entry->getCount());
        require(entry->getBlock() == nullptr || entry->getBlock()->colors.size() == entry->getCount());
    }
}

template <typename L, typename F>
void checkLinkedLeaves(const LeafBlockPool<L>& iPool, F iBlockSize)
{
    for (const LeafInfo<L>* entry : iPool.getEntries())
        if (entry != nullptr && entry->getBlock() != nullptr)
            require(iBlockSize(*entry->getBlock()) == entry->getCount());
}

inline std::vector<const SparseVoxelOctreeNode*> allNodes(const SparseVoxelOctree& iOctree)
{
    return std::vector<const SparseVoxelOctreeNode*>(iOctree.getNodeList().begin(), iOctree.getNodeList().end());
}

} // namespace fuzzsupport

#endif
