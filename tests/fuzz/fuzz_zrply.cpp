// Fuzzes the polygon octree file loaders: the whole load, the mesh loads (whole, counts,
// triangles by number) and the staged loads (tree, nodes by depth, voxels and leaves of listed
// nodes).
#include "fileoperation_zrply.h"
#include "fuzzsupport.h"
#include "polygonsvobuilder.h"

#include <cmath>

using namespace fuzzsupport;

namespace {

// A wavy grid surface of 2 g^2 triangles, plus iCopies copies of its first triangle (which
// share one centroid and so end division where they gather).
PolygonData FL_mesh(int iGrid, int iCopies)
{
    PolygonData data;
    for (int j = 0; j <= iGrid; ++j)
        for (int i = 0; i <= iGrid; ++i) {
            data.points.push_back(Vector3F(float(i), float(j), std::sin(i * 0.8f) + std::cos(j * 0.3f)));
            data.colors.push_back(Color(i * 9, j * 9, 50, 255));
        }
    const unsigned row = iGrid + 1;
    for (int j = 0; j < iGrid; ++j)
        for (int i = 0; i < iGrid; ++i) {
            const unsigned v = j * row + i;
            Triangle a, b;
            a.index[0] = v, a.index[1] = v + 1, a.index[2] = v + row + 1;
            b.index[0] = v, b.index[1] = v + row + 1, b.index[2] = v + row;
            data.triangles.push_back(a);
            data.triangles.push_back(b);
        }
    if (!data.triangles.empty())
        data.triangles.insert(data.triangles.end(), iCopies, data.triangles[0]);
    return data;
}

void FL_writeSeeds(const std::string& iFolder)
{
    struct Seed
    {
        int grid, copies, n;
    };
    for (const Seed& s : {Seed{3, 0, 2}, Seed{2, 10, 2}, Seed{4, 0, 4}, Seed{2, 0, 1}, Seed{0, 0, 4}}) {
        const PolygonData mesh = FL_mesh(s.grid, s.copies);
        SVOSystem<ColorBlock, ElementIndexBlock> system;
        createSparseVoxelOctree(&system.getOctree(), &system.getVoxelBlockPool(), &system.getLeafBlockPool(), mesh,
                                s.n);
        exportZRPLYFile(iFolder + "/seed_g" + std::to_string(s.grid) + "_c" + std::to_string(s.copies) + "_n" +
                            std::to_string(s.n) + ".zrply",
                        mesh, system.getOctree(), system.getVoxelBlockPool(), system.getLeafBlockPool());
    }
}

std::size_t FL_blockSize(const ElementIndexBlock& iBlock)
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

    PolygonData mesh;
    SVOSystem<ColorBlock, ElementIndexBlock> whole;
    const bool wholeOk = loadZRPLYFile(path, &mesh, &whole.getOctree(), &whole.getVoxelBlockPool(),
                                       &whole.getLeafBlockPool(), err);
    checkLinkedNodes(whole.getOctree(), true);
    checkLinkedVoxels(whole.getVoxelBlockPool());
    checkLinkedLeaves(whole.getLeafBlockPool(), FL_blockSize);
    if (wholeOk) {
        require(mesh.colors.size() == mesh.points.size());
        for (const Triangle& t : mesh.triangles)
            for (std::uint32_t v : t.index)
                require(v < mesh.points.size());
        for (const LeafInfo<ElementIndexBlock>* entry : whole.getLeafBlockPool().getEntries())
            for (unsigned index : entry->getBlock()->indices)
                require(index < mesh.triangles.size());
    }

    int triangles = -1, vertices = -1;
    const bool infoOk = loadZRPLYFile_PolygonInfo(path, &triangles, &vertices, err);
    require(!infoOk || (triangles >= 0 && vertices >= 0));
    PolygonData onlyMesh;
    const bool meshOk = loadZRPLYFile_PolygonData(path, &onlyMesh, err);

    SVOSystem<ColorBlock, ElementIndexBlock> staged;
    SparseVoxelOctree& octree = staged.getOctree();
    bool stagedOk = loadZRPLYFile_Tree(path, &octree, err) && loadZRPLYFile_Nodes(path, &octree, 1, err) &&
                    loadZRPLYFile_Nodes(path, &octree, 1 << 30, err);
    checkLinkedNodes(octree, false);
    std::vector<unsigned> numbers;
    if (stagedOk) {
        const int n = octree.getVoxelResolution();
        const std::vector<const SparseVoxelOctreeNode*> nodes = allNodes(octree);
        stagedOk = loadZRPLYFile_Voxels(path, &staged.getVoxelBlockPool(), &staged.getLeafBlockPool(), nodes, n * n * n,
                                        err) &&
                   loadZRPLYFile_Leafs(path, &staged.getVoxelBlockPool(), &staged.getLeafBlockPool(), nodes, n * n * n,
                                       err);
        checkLinkedVoxels(staged.getVoxelBlockPool());
        checkLinkedLeaves(staged.getLeafBlockPool(), FL_blockSize);
        for (const LeafInfo<ElementIndexBlock>* entry : staged.getLeafBlockPool().getEntries())
            if (entry != nullptr && entry->getBlock() != nullptr)
                numbers.insert(numbers.end(), entry->getBlock()->indices.begin(), entry->getBlock()->indices.end());
    }
    if (!numbers.empty())
        numbers.push_back(numbers.front());
    std::vector<TriangleData> picked;
    const bool pickedOk = loadZRPLYFile_PolygonData(path, &picked, numbers, err);
    require(picked.size() == (pickedOk ? numbers.size() : 0));

    // A file that loads whole is consistent, so every partial load must accept it and agree.
    if (wholeOk) {
        require(infoOk && meshOk && stagedOk && pickedOk);
        require(std::size_t(triangles) == mesh.triangles.size() && std::size_t(vertices) == mesh.points.size());
        require(onlyMesh.points.size() == mesh.points.size() && onlyMesh.triangles.size() == mesh.triangles.size());
        require(octree.getNodeNumber() == whole.getOctree().getNodeNumber());
    }
    return 0;
}
