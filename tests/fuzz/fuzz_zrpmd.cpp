// Fuzzes the point-matrix octree file loaders: the whole load, the matrix loaders and the
// staged loads (base, nodes by depth, voxels and leaf indices of listed nodes, cells by index).
#include "fileoperation_zrpcd.h"
#include "fuzzsupport.h"
#include "octreefixture.h"

using namespace fuzzsupport;

namespace {

void FL_writeSeeds(const std::string& iFolder)
{
    const PointCloudData matrix = octreefixture::makeMatrix();
    for (int n : {4, 3, 1}) {
        SVOSystem<ColorBlock, PointIndexBlock> system;
        octreefixture::buildSystem(&system, n);
        exportZRPCDFile(iFolder + "/seed_n" + std::to_string(n) + ".zrpmd", matrix, system.getOctree(),
                        system.getVoxelBlockPool(), system.getLeafBlockPool());
    }
}

std::size_t FL_blockSize(const PointIndexBlock& iBlock)
{
    return iBlock.indices.size();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    silence();
    handleMakeSeeds(argc, argv, &FL_writeSeeds);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (!scratch().write(data, size))
        return 0;
    const std::string& path = scratch().path();
    std::string err;

    PointCloudData matrix;
    SVOSystem<ColorBlock, PointIndexBlock> whole;
    const bool wholeOk = loadZRPCDFile(path, &matrix, &whole.getOctree(), &whole.getVoxelBlockPool(),
                                       &whole.getLeafBlockPool(), err);
    checkLinkedNodes(whole.getOctree(), true);
    checkLinkedVoxels(whole.getVoxelBlockPool());
    checkLinkedLeaves(whole.getLeafBlockPool(), FL_blockSize);
    if (wholeOk) {
        for (const LeafInfo<PointIndexBlock>* entry : whole.getLeafBlockPool().getEntries())
            for (unsigned index : entry->getBlock()->indices)
                require(index < matrix.pointList.size());
    }

    int width = 0, height = 0, valid = 0;
    loadZRPCDFile_MatrixInfo(path, &width, &height, &valid, err);
    PointCloudData onlyMatrix;
    loadZRPCDFile_Matrix(path, &onlyMatrix, err);

    SVOSystem<ColorBlock, PointIndexBlock> staged;
    SparseVoxelOctree& octree = staged.getOctree();
    bool stagedOk = loadZRPCDFile_Base(path, &width, &height, &valid, &octree, err) &&
                    loadZRPCDFile_Nodes(path, &octree, 1, err) && loadZRPCDFile_Nodes(path, &octree, 1 << 30, err);
    checkLinkedNodes(octree, false);
    std::vector<unsigned> indices;
    if (stagedOk) {
        const int n = octree.getVoxelResolution();
        const std::vector<const SparseVoxelOctreeNode*> nodes = allNodes(octree);
        stagedOk = loadZRPCDFile_VoxelAndPoints(path, &staged.getVoxelBlockPool(), &staged.getLeafBlockPool(), nodes,
                                                {}, n * n * n, err) &&
                   loadZRPCDFile_VoxelAndPoints(path, &staged.getVoxelBlockPool(), &staged.getLeafBlockPool(), {},
                                                nodes, n * n * n, err);
        checkLinkedVoxels(staged.getVoxelBlockPool());
        checkLinkedLeaves(staged.getLeafBlockPool(), FL_blockSize);
        for (const LeafInfo<PointIndexBlock>* entry : staged.getLeafBlockPool().getEntries())
            if (entry != nullptr && entry->getBlock() != nullptr)
                indices.insert(indices.end(), entry->getBlock()->indices.begin(), entry->getBlock()->indices.end());
    }
    indices.push_back(0);
    std::vector<Point> cells;
    const bool cellsOk = loadZRPCDFile_Matrix(path, &cells, indices, err);
    require(!cellsOk || cells.size() == indices.size());
    bool volatile stop = false;
    loadZRPCDFile_Matrix(path, &cells, indices, &stop, err);

    // A file that loads whole is consistent, so the staged loads must accept it too.
    if (wholeOk) {
        require(stagedOk);
        require(octree.getNodeNumber() == whole.getOctree().getNodeNumber());
        require(!indices.empty() && (cellsOk || matrix.pointList.empty()));
    }
    return 0;
}
