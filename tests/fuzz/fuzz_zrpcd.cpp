// Fuzzes the octree point file loaders (SVOBFileOperator): the whole load and the staged
// loads the viewer makes (base, nodes by depth, voxels and leaves of listed nodes).
#include "fileoperation_svob.h"
#include "fuzzsupport.h"
#include "octreefixture.h"

using namespace fuzzsupport;

namespace {

void FL_writeSeeds(const std::string& iFolder)
{
    for (int n : {4, 3, 1}) {
        SVOSystem<ColorBlock, PointBlock> system;
        octreefixture::buildSystem(&system, n);
        SVOBFileOperator op(iFolder + "/seed_n" + std::to_string(n) + ".zrpcd");
        op.save(1000 + n, system.getOctree(), system.getVoxelBlockPool(), system.getLeafBlockPool());
    }
}

std::size_t FL_blockSize(const PointBlock& iBlock)
{
    require(iBlock.positions.size() == iBlock.colors.size() && iBlock.flags.size() == iBlock.colors.size());
    return iBlock.positions.size();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    handleMakeSeeds(argc, argv, &FL_writeSeeds);
    silence();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (!scratch().write(data, size))
        return 0;
    SVOBFileOperator op(scratch().path());

    SVOSystem<ColorBlock, PointBlock> whole;
    int number = 0;
    const bool wholeOk = op.load(&number, &whole.getOctree(), &whole.getVoxelBlockPool(), &whole.getLeafBlockPool());
    checkLinkedNodes(whole.getOctree(), true);
    checkLinkedVoxels(whole.getVoxelBlockPool());
    checkLinkedLeaves(whole.getLeafBlockPool(), FL_blockSize);

    SVOSystem<ColorBlock, PointBlock> staged;
    SparseVoxelOctree& octree = staged.getOctree();
    bool stagedOk = op.load_Base(&number, &octree) && op.load_Node(&octree, 0) && op.load_Node(&octree, 1 << 30);
    checkLinkedNodes(octree, false);
    if (stagedOk) {
        const int n = octree.getVoxelResolution();
        std::vector<const SparseVoxelOctreeNode*> nodes = allNodes(octree);
        if (!nodes.empty())
            nodes.push_back(nodes.front());
        stagedOk = op.load_Voxel(&staged.getVoxelBlockPool(), nodes, n * n * n) &&
                   op.load_Leaf(&staged.getLeafBlockPool(), nodes, n * n * n);
        checkLinkedVoxels(staged.getVoxelBlockPool());
        checkLinkedLeaves(staged.getLeafBlockPool(), FL_blockSize);
    }
    // A file that loads whole is consistent, so the staged loads must accept it too.
    if (wholeOk) {
        require(stagedOk);
        require(octree.getNodeNumber() == whole.getOctree().getNodeNumber());
    }
    return 0;
}
