#include "fileoperation_svo.h"
#include "fileoperation_zrply.h"
#include "polygonsvobuilder.h"
#include "rawio.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <sstream>
#include <unistd.h>

using testutil::appendRaw;
using testutil::CoutCapture;
using testutil::TempDir;
using NodeList = std::vector<const SparseVoxelOctreeNode*>;
using System = SVOSystem<ColorBlock, ElementIndexBlock>;

namespace {

const std::string kHeader = "QuillmarshPolygonData 0.0 PM/P<ColorBlock,ElementIndexBlock>";

Triangle tri(unsigned a, unsigned b, unsigned c)
{
    Triangle t;
    t.index[0] = a;
    t.index[1] = b;
    t.index[2] = c;
    return t;
}

// A wavy grid surface of 2 g^2 triangles with one colour per vertex.
PolygonData waveMesh(int iGrid)
{
    PolygonData data;
    for (int j = 0; j <= iGrid; ++j)
        for (int i = 0; i <= iGrid; ++i) {
            data.points.push_back(Vector3F(i * 0.5f, j * 0.25f, std::sin(i * 0.9f) * std::cos(j * 0.6f)));
            data.colors.push_back(Color(i * 20, j * 20, 7, 200));
        }
    const unsigned row = iGrid + 1;
    for (int j = 0; j < iGrid; ++j)
        for (int i = 0; i < iGrid; ++i) {
            const unsigned v = j * row + i;
            data.triangles.push_back(tri(v, v + 1, v + row + 1));
            data.triangles.push_back(tri(v, v + row + 1, v + row));
        }
    return data;
}

void buildQuietly(System* oSystem, const PolygonData& iData, int iResolution)
{
    CoutCapture quiet;
    ASSERT_TRUE(createSparseVoxelOctree(&oSystem->getOctree(), &oSystem->getVoxelBlockPool(),
                                        &oSystem->getLeafBlockPool(), iData, iResolution));
}

bool writeQuietly(const std::string& iPath, const PolygonData& iData, const System& iSystem)
{
    CoutCapture quiet;
    return exportZRPLYFile(iPath, iData, iSystem.getOctree(), iSystem.getVoxelBlockPool(),
                           iSystem.getLeafBlockPool());
}

template <typename T>
std::string rawOf(const std::vector<T>& iList)
{
    std::string bytes;
    appendRaw(&bytes, std::uint32_t(iList.size()));
    bytes.append(reinterpret_cast<const char*>(iList.data()), iList.size() * sizeof(T));
    return bytes;
}

std::string headerBytes(const std::string& iText)
{
    std::string bytes;
    appendRaw(&bytes, std::uint32_t(iText.size()));
    return bytes + iText;
}

// The octree part of a file, section by section.
struct OctreeBytes
{
    std::string tree, nodes, voxels, leaves;
    std::string all() const { return tree + nodes + voxels + leaves; }
};

OctreeBytes octreeBytesOf(const System& iSystem)
{
    const int n = iSystem.getOctree().getVoxelResolution();
    std::ostringstream tree, nodes, voxels, leaves;
    EXPECT_TRUE(writeTree(tree, iSystem.getOctree()));
    EXPECT_TRUE(writeNode(nodes, iSystem.getOctree()));
    EXPECT_TRUE(writeVoxelInfo(voxels, iSystem.getVoxelBlockPool(), n * n * n) &&
                writeVoxelBlocks(voxels, iSystem.getVoxelBlockPool()));
    EXPECT_TRUE(writeLeafData(leaves, iSystem.getLeafBlockPool()));
    return OctreeBytes{tree.str(), nodes.str(), voxels.str(), leaves.str()};
}

std::string assemble(const PolygonData& iData, const std::string& iOctree)
{
    return headerBytes(kHeader) + rawOf(iData.triangles) + rawOf(iData.points) + rawOf(iData.colors) + iOctree;
}

bool sameMesh(const PolygonData& a, const PolygonData& b)
{
    if (a.points != b.points || a.colors != b.colors || a.triangles.size() != b.triangles.size())
        return false;
    for (size_t t = 0; t < a.triangles.size(); ++t)
        if (std::memcmp(a.triangles[t].index, b.triangles[t].index, 12) != 0)
            return false;
    return true;
}

// Two octree systems hold the same stored data exactly when their sections write the same bytes.
void expectSameSystem(const System& a, const System& b)
{
    const OctreeBytes x = octreeBytesOf(a);
    const OctreeBytes y = octreeBytesOf(b);
    EXPECT_EQ(x.tree, y.tree);
    EXPECT_EQ(x.nodes, y.nodes);
    EXPECT_EQ(x.voxels, y.voxels);
    EXPECT_EQ(x.leaves, y.leaves);
}

// Each loader run on its own, reporting success and the error text; quiet.
struct LoadResult
{
    bool ok;
    std::string error;
};

using Loader = std::function<bool(const std::string& path, std::string& error)>;

LoadResult run(const Loader& iLoader, const std::string& iPath)
{
    CoutCapture quiet;
    std::string error = "untouched";
    const bool ok = iLoader(iPath, error);
    return LoadResult{ok, error};
}

// Every loader, named, with the file offset up to which it must read (filled by the caller).
struct NamedLoader
{
    const char* name;
    Loader load;
    size_t needs;
};

std::vector<NamedLoader> allLoaders(size_t iMeshEnd, size_t iInfoEnd, size_t iIndexEnd, size_t iNodesEnd,
                                    size_t iVoxelsEnd, size_t iEnd)
{
    return {
        {"whole",
         [](const std::string& p, std::string& e) {
             PolygonData data;
             System s;
             return loadZRPLYFile(p, &data, &s.getOctree(), &s.getVoxelBlockPool(), &s.getLeafBlockPool(), e);
         },
         iEnd},
        {"mesh",
         [](const std::string& p, std::string& e) {
             PolygonData data;
             return loadZRPLYFile_PolygonData(p, &data, e);
         },
         iMeshEnd},
        {"subset",
         [](const std::string& p, std::string& e) {
             std::vector<TriangleData> out;
             return loadZRPLYFile_PolygonData(p, &out, {0, 1, 0}, e);
         },
         iMeshEnd},
        {"info",
         [](const std::string& p, std::string& e) {
             int t = 0, v = 0;
             return loadZRPLYFile_PolygonInfo(p, &t, &v, e);
         },
         iInfoEnd},
        {"tree",
         [](const std::string& p, std::string& e) {
             SparseVoxelOctree octree;
             return loadZRPLYFile_Tree(p, &octree, e);
         },
         // The layers are checked against the node count that follows them, the entries' first
         // indices against the counts, up to the leaf total.
         iIndexEnd},
        {"nodes",
         [](const std::string& p, std::string& e) {
             // The root only, by layer sizes given here.
             SparseVoxelOctree octree;
             octree.getLayerSizeList() = {1, 1, 1, 1};
             return loadZRPLYFile_Nodes(p, &octree, 0, e);
         },
         iNodesEnd},
        {"voxels",
         [](const std::string& p, std::string& e) {
             System s;
             SparseVoxelOctreeNode node;
             node.setVoxelInfoIndex(0);
             return loadZRPLYFile_Voxels(p, &s.getVoxelBlockPool(), &s.getLeafBlockPool(), {&node}, 8, e);
         },
         iVoxelsEnd},
        {"leafs",
         [](const std::string& p, std::string& e) {
             System s;
             SparseVoxelOctreeNode node;
             node.setFirstIndex(0);
             return loadZRPLYFile_Leafs(p, &s.getVoxelBlockPool(), &s.getLeafBlockPool(), {&node}, 8, e);
         },
         iEnd},
    };
}

std::string withWord(std::string iBytes, size_t iOffset, std::uint32_t iValue)
{
    std::memcpy(&iBytes[iOffset], &iValue, 4);
    return iBytes;
}

class ZRPLYFileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        mMesh = waveMesh(6);
        buildQuietly(&mBuilt, mMesh, 4);
        mPath = mDir.file("mesh.zrply");
        CoutCapture out;
        ASSERT_TRUE(exportZRPLYFile(mPath, mMesh, mBuilt.getOctree(), mBuilt.getVoxelBlockPool(),
                                    mBuilt.getLeafBlockPool()));
        mLines = out.text();
        mBytes = testutil::readFile(mPath);
    }

    TempDir mDir;
    std::string mPath;
    std::string mBytes;
    std::string mLines;
    PolygonData mMesh;
    System mBuilt;
};

// A small file (n = 2, ten triangles, divided root) with the end offsets of its parts.
struct SmallFile
{
    PolygonData mesh;
    System system;
    std::string bytes;
    size_t infoEnd = 0, meshEnd = 0, treeEnd = 0, nodesEnd = 0, voxelsEnd = 0, indexEnd = 0;
    // Offsets of the section counts and totals, and of the counts and first indices of the
    // entries (which the partial loaders read only for the entries they are asked for).
    std::vector<size_t> counts;
    std::vector<size_t> entryFields;

    SmallFile()
    {
        mesh = waveMesh(2);
        mesh.triangles.push_back(tri(0, 4, 8));
        mesh.triangles.push_back(tri(2, 4, 6));
        buildQuietly(&system, mesh, 2);
        const OctreeBytes octree = octreeBytesOf(system);
        bytes = assemble(mesh, octree.all());
        const size_t t = 64, p = t + 4 + 12 * mesh.triangles.size(), k = p + 4 + 12 * mesh.points.size();
        infoEnd = k;
        meshEnd = k + 4 + 4 * mesh.colors.size();
        treeEnd = meshEnd + octree.tree.size();
        nodesEnd = treeEnd + octree.nodes.size();
        voxelsEnd = nodesEnd + octree.voxels.size();
        const size_t voxelEntries = system.getVoxelBlockPool().getEntries().size();
        const size_t voxelTotal = nodesEnd + 4 + voxelEntries * (8 + 1);
        const size_t leafEntries = system.getLeafBlockPool().getEntries().size();
        indexEnd = voxelsEnd + 8 + 8 * leafEntries;
        counts = {0, t, p, k, meshEnd + 24, meshEnd + 28, treeEnd, nodesEnd, voxelTotal, voxelsEnd,
                  voxelsEnd + 4 + 8 * leafEntries};
        for (size_t i = 0; i < voxelEntries; ++i)
            entryFields.insert(entryFields.end(), {nodesEnd + 4 + 9 * i, nodesEnd + 8 + 9 * i});
        for (size_t i = 0; i < leafEntries; ++i)
            entryFields.insert(entryFields.end(), {voxelsEnd + 4 + 8 * i, voxelsEnd + 8 + 8 * i});
    }
};

} // namespace

// ---------------------------------------------------------------------------
// Writer and whole loads
// ---------------------------------------------------------------------------

TEST_F(ZRPLYFileTest, FileLayoutIsByteExact)
{
    EXPECT_EQ(kHeader.size(), 60u);
    std::uint32_t length = 0;
    std::memcpy(&length, mBytes.data(), 4);
    EXPECT_EQ(length, 60u);
    EXPECT_EQ(mBytes.substr(4, 60), kHeader);
    EXPECT_EQ(mBytes, assemble(mMesh, octreeBytesOf(mBuilt).all()));
    EXPECT_EQ(mLines, "Write: Triangle\nWrite: Node Position\nWrite: Node Color\n");
}

TEST_F(ZRPLYFileTest, WholeRoundTripIsIdenticalAndRewritesByteForByte)
{
    PolygonData mesh;
    System loaded;
    std::string error;
    {
        CoutCapture out;
        ASSERT_TRUE(loadZRPLYFile(mPath, &mesh, &loaded.getOctree(), &loaded.getVoxelBlockPool(),
                                  &loaded.getLeafBlockPool(), error))
            << error;
        EXPECT_EQ(out.text(), "Load: Triangle\nLoad: Node Position\nLoad: Node Color\n");
    }
    EXPECT_TRUE(sameMesh(mesh, mMesh));
    expectSameSystem(mBuilt, loaded);
    EXPECT_TRUE(checkSVOData(loaded.getOctree(), loaded.getVoxelBlockPool(), loaded.getLeafBlockPool(),
                             mesh.triangles.size()));

    // Written again from the loaded data, and from a second build of the same mesh.
    ASSERT_TRUE(writeQuietly(mDir.file("again.zrply"), mesh, loaded));
    EXPECT_EQ(testutil::readFile(mDir.file("again.zrply")), mBytes);
    System rebuilt;
    buildQuietly(&rebuilt, mMesh, 4);
    ASSERT_TRUE(writeQuietly(mDir.file("rebuilt.zrply"), mMesh, rebuilt));
    EXPECT_EQ(testutil::readFile(mDir.file("rebuilt.zrply")), mBytes);

    PolygonData only;
    {
        CoutCapture out;
        ASSERT_TRUE(loadZRPLYFile_PolygonData(mPath, &only, error));
        EXPECT_EQ(out.text(), "Load: Triangle\nLoad: Node Position\nLoad: Node Color\n");
    }
    EXPECT_TRUE(sameMesh(only, mMesh));
}

TEST_F(ZRPLYFileTest, PartialLoadsAgreeWithTheWholeLoad)
{
    std::string error;
    const SparseVoxelOctree& whole = mBuilt.getOctree();
    const std::string skipLines = "Read: Triangle\nRead: Node Position\nRead: Node Color\n";

    System staged;
    SparseVoxelOctree& octree = staged.getOctree();
    {
        CoutCapture out;
        ASSERT_TRUE(loadZRPLYFile_Tree(mPath, &octree, error));
        EXPECT_EQ(out.text(), skipLines);
    }
    EXPECT_EQ(octree.getBoundingBox(), whole.getBoundingBox());
    EXPECT_EQ(octree.getVoxelResolution(), 4);
    EXPECT_EQ(octree.getLayerSizeList(), whole.getLayerSizeList());
    EXPECT_EQ(octree.getNodeNumber(), 0u);
    ASSERT_GE(whole.getLayerSizeList().size(), 2u);

    {
        CoutCapture out;
        ASSERT_TRUE(loadZRPLYFile_Nodes(mPath, &octree, 0, error));
        EXPECT_EQ(out.text(), skipLines);
    }
    EXPECT_EQ(octree.getNodeNumber(), 1u);
    EXPECT_EQ(octree.getLoadedDepth(), 0);
    CoutCapture quiet;
    ASSERT_TRUE(loadZRPLYFile_Nodes(mPath, &octree, 1, error));
    EXPECT_EQ(octree.getNodeNumber(), size_t(whole.getLayerSizeList()[0] + whole.getLayerSizeList()[1]));
    ASSERT_TRUE(loadZRPLYFile_Nodes(mPath, &octree, 99, error));
    ASSERT_EQ(octree.getNodeNumber(), whole.getNodeNumber());

    // Voxels of every node, listed backwards and twice; leaves of every node. Each load leaves
    // the other pool alone.
    NodeList nodes(octree.getNodeList().rbegin(), octree.getNodeList().rend());
    nodes.insert(nodes.end(), octree.getNodeList().begin(), octree.getNodeList().end());
    ASSERT_TRUE(loadZRPLYFile_Voxels(mPath, &staged.getVoxelBlockPool(), &staged.getLeafBlockPool(), nodes, 64, error));
    EXPECT_TRUE(staged.getLeafBlockPool().getEntries().empty());
    ASSERT_TRUE(loadZRPLYFile_Leafs(mPath, &staged.getVoxelBlockPool(), &staged.getLeafBlockPool(), nodes, 64, error));
    expectSameSystem(mBuilt, staged);

    int triangles = -1, vertices = -1;
    {
        CoutCapture out;
        ASSERT_TRUE(loadZRPLYFile_PolygonInfo(mPath, &triangles, &vertices, error));
        EXPECT_EQ(out.text(), "Load: Triangle Number\nLoad: Node Number\n");
    }
    EXPECT_EQ(triangles, int(mMesh.triangles.size()));
    EXPECT_EQ(vertices, int(mMesh.points.size()));
}

TEST_F(ZRPLYFileTest, TriangleSubsetLoadReadsListedTrianglesInOrder)
{
    const unsigned last = static_cast<unsigned>(mMesh.triangles.size() - 1);
    const std::vector<unsigned> indices = {5, 0, 5, last};
    std::vector<TriangleData> out(1);
    out[0].colors[0] = Color(9, 9, 9, 9);
    std::string error;
    {
        CoutCapture lines;
        ASSERT_TRUE(loadZRPLYFile_PolygonData(mPath, &out, indices, error)) << error;
        EXPECT_EQ(lines.text(), "Load: Triangle\ntriangleList Size: 4\nLoad: Node Position\nvertexList Size: 12\n"
                                "Load: Node Color\ncolorList Size: 12\nSet: TriangleData\n");
    }
    ASSERT_EQ(out.size(), 5u);
    EXPECT_EQ(out[0].colors[0], Color(9, 9, 9, 9));
    for (size_t k = 0; k < indices.size(); ++k) {
        const Triangle& t = mMesh.triangles[indices[k]];
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(out[k + 1].positions[c], mMesh.points[t.index[c]]);
            EXPECT_EQ(out[k + 1].colors[c], mMesh.colors[t.index[c]]);
        }
    }
    EXPECT_EQ(0, std::memcmp(&out[1], &out[3], sizeof(TriangleData)));

    // A number beyond the triangles fails and appends nothing.
    CoutCapture quiet;
    EXPECT_FALSE(loadZRPLYFile_PolygonData(mPath, &out, {0, last + 1}, error));
    EXPECT_EQ(error, "File is broken: " + mPath);
    EXPECT_EQ(out.size(), 5u);
}

// ---------------------------------------------------------------------------
// Damaged files
// ---------------------------------------------------------------------------

TEST(ZRPLYDamageTest, EveryProperPrefixFailsAndEachLoaderNeedsExactlyItsPart)
{
    TempDir dir;
    const std::string path = dir.file("cut.zrply");
    SmallFile file;
    const std::vector<NamedLoader> loaders = allLoaders(file.meshEnd, file.infoEnd, file.indexEnd, file.nodesEnd,
                                                        file.voxelsEnd, file.bytes.size());
    testutil::writeFile(path, file.bytes);
    for (const NamedLoader& loader : loaders)
        ASSERT_TRUE(run(loader.load, path).ok) << loader.name;
    for (size_t length = 0; length < file.bytes.size(); ++length) {
        testutil::writeFile(path, file.bytes.substr(0, length));
        for (const NamedLoader& loader : loaders) {
            const LoadResult r = run(loader.load, path);
            EXPECT_EQ(r.ok, length >= loader.needs) << loader.name << " at " << length;
            if (!r.ok) {
                EXPECT_EQ(r.error, "File is broken: " + path) << loader.name << " at " << length;
            }
        }
    }
}

TEST(ZRPLYDamageTest, HugeAndNegativeCountsFail)
{
    TempDir dir;
    const std::string path = dir.file("counts.zrply");
    SmallFile file;
    const std::vector<NamedLoader> loaders = allLoaders(file.meshEnd, file.infoEnd, file.indexEnd, file.nodesEnd,
                                                        file.voxelsEnd, file.bytes.size());
    std::vector<size_t> offsets = file.counts;
    offsets.insert(offsets.end(), file.entryFields.begin(), file.entryFields.end());
    for (size_t offset : offsets) {
        const bool readByAll = std::find(file.counts.begin(), file.counts.end(), offset) != file.counts.end();
        for (std::uint32_t value : {0xFFFFFFFFu, 0x80000000u, 0x7FFFFFFFu, 0x10000u}) {
            testutil::writeFile(path, withWord(file.bytes, offset, value));
            for (const NamedLoader& loader : loaders) {
                const LoadResult r = run(loader.load, path);
                // A loader that reads the field must refuse it: every loader reads the section
                // counts before its end, and the whole load reads everything.
                if (offset < loader.needs && (readByAll || std::string(loader.name) == "whole")) {
                    EXPECT_FALSE(r.ok) << loader.name << " at " << offset << " = " << value;
                    EXPECT_EQ(r.error, "File is broken: " + path) << loader.name << " at " << offset;
                }
            }
        }
    }

    // A first index one past the running total (second voxel and leaf entries) is refused by the
    // whole load and by the tree load that opens the file for the part loads.
    const size_t voxelEntries = file.system.getVoxelBlockPool().getEntries().size();
    for (size_t offset : {file.entryFields[2], file.entryFields[2 * voxelEntries + 2]}) {
        std::string bytes = file.bytes;
        ++bytes[offset];
        testutil::writeFile(path, bytes);
        for (const NamedLoader& loader : {loaders[0], loaders[4]}) // whole, tree
            EXPECT_EQ(run(loader.load, path).error, "File is broken: " + path) << loader.name << " " << offset;
    }
}

TEST(ZRPLYDamageTest, InconsistentMeshesAndLeavesFail)
{
    TempDir dir;
    const std::string path = dir.file("bad.zrply");
    SmallFile file;
    const std::string octree = octreeBytesOf(file.system).all();
    std::string error;
    CoutCapture quiet;
    const auto whole = [&]() {
        PolygonData data;
        System s;
        return loadZRPLYFile(path, &data, &s.getOctree(), &s.getVoxelBlockPool(), &s.getLeafBlockPool(), error);
    };

    // One colour short of the vertices.
    PolygonData fewColors = file.mesh;
    fewColors.colors.pop_back();
    testutil::writeFile(path, assemble(fewColors, octree));
    EXPECT_FALSE(whole());
    EXPECT_EQ(error, "File is broken: " + path);
    PolygonData mesh;
    EXPECT_FALSE(loadZRPLYFile_PolygonData(path, &mesh, error));
    std::vector<TriangleData> out;
    EXPECT_FALSE(loadZRPLYFile_PolygonData(path, &out, {0}, error));
    EXPECT_TRUE(out.empty());

    // A triangle naming a vertex that is not there: the whole load and a subset holding it fail.
    PolygonData badVertex = file.mesh;
    badVertex.triangles[3].index[1] = static_cast<std::uint32_t>(badVertex.points.size());
    testutil::writeFile(path, assemble(badVertex, octree));
    EXPECT_FALSE(whole());
    EXPECT_FALSE(loadZRPLYFile_PolygonData(path, &mesh, error));
    EXPECT_FALSE(loadZRPLYFile_PolygonData(path, &out, {0, 3}, error));
    EXPECT_TRUE(out.empty());
    EXPECT_TRUE(loadZRPLYFile_PolygonData(path, &out, {0, 2}, error));
    EXPECT_EQ(out.size(), 2u);

    // A leaf naming a triangle that is not there.
    PolygonData fewTriangles = file.mesh;
    fewTriangles.triangles.pop_back();
    const unsigned missing = static_cast<unsigned>(fewTriangles.triangles.size());
    testutil::writeFile(path, assemble(fewTriangles, octree));
    EXPECT_FALSE(whole());
    EXPECT_EQ(error, "File is broken: " + path);
    const SparseVoxelOctreeNode* holder = nullptr;
    const SparseVoxelOctreeNode* other = nullptr;
    for (const SparseVoxelOctreeNode* node : file.system.getOctree().getNodeList()) {
        if (node->hasChild())
            continue;
        const std::vector<unsigned>& indices =
            file.system.getLeafBlockPool().getEntry(node->getFirstIndex())->getBlock()->indices;
        (std::find(indices.begin(), indices.end(), missing) != indices.end() ? holder : other) = node;
    }
    ASSERT_TRUE(holder && other);
    System staged;
    EXPECT_TRUE(loadZRPLYFile_Leafs(path, nullptr, &staged.getLeafBlockPool(), {other}, 8, error));
    EXPECT_FALSE(loadZRPLYFile_Leafs(path, nullptr, &staged.getLeafBlockPool(), {holder}, 8, error));
    SparseVoxelOctree tree;
    EXPECT_TRUE(loadZRPLYFile_Tree(path, &tree, error));
}

// ---------------------------------------------------------------------------
// Writer refusals and edge cases
// ---------------------------------------------------------------------------

TEST(ZRPLYWriterTest, RefusesWhatCannotBeReadBack)
{
    TempDir dir;
    SmallFile file;
    const std::string path = dir.file("refused.zrply");

    PolygonData badVertex = file.mesh;
    badVertex.triangles[0].index[2] = 1000;
    EXPECT_FALSE(writeQuietly(path, badVertex, file.system));
    PolygonData fewColors = file.mesh;
    fewColors.colors.pop_back();
    EXPECT_FALSE(writeQuietly(path, fewColors, file.system));
    PolygonData fewTriangles = file.mesh;
    fewTriangles.triangles.pop_back();
    EXPECT_FALSE(writeQuietly(path, fewTriangles, file.system));
    EXPECT_NE(access(path.c_str(), F_OK), 0) << "a refused mesh must not create the file";

    const std::string nowhere = dir.file("no/such/folder.zrply");
    {
        CoutCapture out;
        EXPECT_FALSE(exportZRPLYFile(nowhere, file.mesh, file.system.getOctree(), file.system.getVoxelBlockPool(),
                                     file.system.getLeafBlockPool()));
        EXPECT_EQ(out.text(), "Cannot open file for writting: " + nowhere + "\n");
    }
    if (access("/dev/full", W_OK) == 0) {
        EXPECT_FALSE(writeQuietly("/dev/full", file.mesh, file.system));
    }
}

TEST(ZRPLYEdgeTest, FileWithoutTriangles)
{
    TempDir dir;
    const std::string path = dir.file("empty.zrply");
    PolygonData mesh;
    mesh.points = {Vector3F(0, 0, 0), Vector3F(1, 2, 3), Vector3F(-1, 0, 2)};
    mesh.colors.resize(3, Color(5, 6, 7, 8));
    System built;
    buildQuietly(&built, mesh, 4);
    ASSERT_TRUE(writeQuietly(path, mesh, built));

    std::string error;
    PolygonData loadedMesh;
    System loaded;
    CoutCapture quiet;
    ASSERT_TRUE(loadZRPLYFile(path, &loadedMesh, &loaded.getOctree(), &loaded.getVoxelBlockPool(),
                              &loaded.getLeafBlockPool(), error));
    EXPECT_TRUE(sameMesh(loadedMesh, mesh));
    expectSameSystem(built, loaded);

    std::vector<TriangleData> out;
    {
        CoutCapture lines;
        ASSERT_TRUE(loadZRPLYFile_PolygonData(path, &out, {}, error));
        EXPECT_EQ(lines.text(), "Load: Triangle\ntriangleList Size: 0\nLoad: Node Position\nvertexList Size: 0\n"
                                "Load: Node Color\ncolorList Size: 0\nSet: TriangleData\n");
    }
    EXPECT_TRUE(out.empty());
    int triangles = -1, vertices = -1;
    ASSERT_TRUE(loadZRPLYFile_PolygonInfo(path, &triangles, &vertices, error));
    EXPECT_EQ(triangles, 0);
    EXPECT_EQ(vertices, 3);
}

TEST(ZRPLYEdgeTest, HeaderMismatchAndMissingFile)
{
    TempDir dir;
    SmallFile file;
    const std::string path = dir.file("wrong.zrply");
    const auto infoOf = [&](const std::string& iBytes) {
        testutil::writeFile(path, iBytes);
        int triangles = -7, vertices = -8;
        std::string error = "untouched";
        CoutCapture out;
        const bool ok = loadZRPLYFile_PolygonInfo(path, &triangles, &vertices, error);
        EXPECT_FALSE(ok);
        EXPECT_EQ(triangles, -7);
        EXPECT_EQ(vertices, -8);
        EXPECT_EQ(error, "untouched");
        return out.text();
    };
    const auto replaced = [&](const std::string& from, const std::string& to) {
        std::string bytes = file.bytes;
        bytes.replace(bytes.find(from), from.size(), to);
        return bytes;
    };
    EXPECT_EQ(infoOf(replaced("ElementIndexBlock>", "ElementIndexBlocX>")),
              "Error DataID: PM/P<ColorBlock,ElementIndexBlocX>\n");
    EXPECT_EQ(infoOf(replaced("0.0", "0.1")), "Error Version: 0.1\n");
    EXPECT_EQ(infoOf(replaced("QuillmarshPolygonData", "QuillmarshPolygonDatb")),
              "Error FileID: QuillmarshPolygonDatb\n");

    const std::string missing = dir.file("missing.zrply");
    const std::vector<NamedLoader> loaders = allLoaders(0, 0, 0, 0, 0, 0);
    testutil::writeFile(path, replaced("0.0 ", "0.0_")); // two words: no header of any kind
    EXPECT_EQ(run(loaders[0].load, path).error, "File is broken: " + path);
    for (const NamedLoader& loader : loaders)
        EXPECT_EQ(run(loader.load, missing).error, "Cannot open file for reading: " + missing) << loader.name;
}
