#include "fileoperation_svo.h"
#include "fileoperation_svob.h"
#include "fileoperation_zrpcd.h"
#include "octreefixture.h"
#include "rawio.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <tuple>

using octreefixture::buildSystem;
using octreefixture::makeMatrix;
using testutil::appendRaw;
using testutil::CoutCapture;
using testutil::TempDir;
using NodeList = std::vector<const SparseVoxelOctreeNode*>;

namespace {

const std::string kPointHeader = "QuillmarshPointCloudData 0.1 PC<ColorBlock,PointBlock>";
const std::string kMatrixHeader = "QuillmarshPointCloudData 0.0 PCM/PC<ColorBlock,PointIndexBlock>";
bool samePoint(const Point& a, const Point& b)
{
    return a.color == b.color && a.position == b.position && a.flag == b.flag;
}

void expectSameNode(const SparseVoxelOctreeNode& a, const SparseVoxelOctreeNode& b)
{
    EXPECT_EQ(a.getIndex(), b.getIndex());
    EXPECT_EQ(a.getFirstIndex(), b.getFirstIndex());
    EXPECT_EQ(0, std::memcmp(a.getChildFlags(), b.getChildFlags(), 8));
    EXPECT_EQ(a.getDepth(), b.getDepth());
    EXPECT_EQ(a.getCenter(), b.getCenter());
    EXPECT_EQ(a.getColor(), b.getColor());
    EXPECT_EQ(a.getVoxelInfoIndex(), b.getVoxelInfoIndex());
}

void expectSameNodes(const SparseVoxelOctree& a, const SparseVoxelOctree& b, size_t iCount)
{
    ASSERT_EQ(b.getNodeNumber(), iCount);
    for (size_t i = 0; i < iCount; ++i)
        expectSameNode(*a.getNodeList()[i], *b.getNodeList()[i]);
}

void expectSameVoxel(const VoxelInfo<ColorBlock>* a, const VoxelInfo<ColorBlock>* b)
{
    ASSERT_TRUE(a && b && a->getBlock() && b->getBlock());
    EXPECT_EQ(a->getFirstIndex(), b->getFirstIndex());
    EXPECT_EQ(a->getCount(), b->getCount());
    ASSERT_EQ(a->getOccupancy().size(), b->getOccupancy().size());
    for (size_t k = 0; k < a->getOccupancy().size(); ++k)
        EXPECT_EQ(a->getOccupancy()[k].bits, b->getOccupancy()[k].bits);
    EXPECT_TRUE(a->getBlock()->colors == b->getBlock()->colors);
}

bool sameBlock(const PointBlock& a, const PointBlock& b)
{
    return a.positions == b.positions && a.colors == b.colors && a.flags == b.flags;
}

bool sameBlock(const PointIndexBlock& a, const PointIndexBlock& b)
{
    return a.indices == b.indices;
}

template <typename L>
void expectSameLeaf(const LeafInfo<L>* a, const LeafInfo<L>* b)
{
    ASSERT_TRUE(a && b && a->getBlock() && b->getBlock());
    EXPECT_EQ(a->getFirstIndex(), b->getFirstIndex());
    EXPECT_EQ(a->getCount(), b->getCount());
    EXPECT_TRUE(sameBlock(*a->getBlock(), *b->getBlock()));
}

template <typename L>
void expectSameSystem(const SVOSystem<ColorBlock, L>& a, const SVOSystem<ColorBlock, L>& b)
{
    EXPECT_EQ(a.getOctree().getBoundingBox(), b.getOctree().getBoundingBox());
    EXPECT_EQ(a.getOctree().getVoxelResolution(), b.getOctree().getVoxelResolution());
    EXPECT_EQ(a.getOctree().getLayerSizeList(), b.getOctree().getLayerSizeList());
    expectSameNodes(a.getOctree(), b.getOctree(), a.getOctree().getNodeNumber());
    EXPECT_EQ(a.getVoxelBlockPool().getTotal(), b.getVoxelBlockPool().getTotal());
    ASSERT_EQ(a.getVoxelBlockPool().getEntries().size(), b.getVoxelBlockPool().getEntries().size());
    for (size_t i = 0; i < a.getVoxelBlockPool().getEntries().size(); ++i)
        expectSameVoxel(a.getVoxelBlockPool().getEntries()[i], b.getVoxelBlockPool().getEntries()[i]);
    EXPECT_EQ(a.getLeafBlockPool().getTotal(), b.getLeafBlockPool().getTotal());
    ASSERT_EQ(a.getLeafBlockPool().getEntries().size(), b.getLeafBlockPool().getEntries().size());
    for (size_t i = 0; i < a.getLeafBlockPool().getEntries().size(); ++i)
        expectSameLeaf(a.getLeafBlockPool().getEntries()[i], b.getLeafBlockPool().getEntries()[i]);
}

NodeList nodesOf(const SparseVoxelOctree& iOctree, std::initializer_list<int> iIndices)
{
    NodeList out;
    for (int i : iIndices)
        out.push_back(iOctree.getNodeList()[i]);
    return out;
}

// Offsets of the count fields of a file written from buildSystem, after a prefix of iPrefix
// bytes (header and the file kind's own part).
struct Layout
{
    std::vector<size_t> counts;  // fields that no huge or negative value may pass
    std::vector<size_t> indices; // node fields where -1 means none
    size_t nodeRecords = 0;
    size_t voxelRecords = 0;
    size_t leafRecords = 0;
};

Layout layoutOf(size_t iPrefix, int iResolution, unsigned iVoxelTotal)
{
    Layout l;
    const size_t tree = iPrefix;
    l.counts = {0, tree + 24, tree + 28, tree + 32, tree + 36, tree + 40};
    const size_t nodes = tree + 32 + 4 * 3;
    l.counts.push_back(nodes);
    l.nodeRecords = nodes + 4;
    const size_t recordSize = 8 + (iResolution * iResolution * iResolution + 7) / 8;
    const size_t voxels = l.nodeRecords + 40 * 7;
    l.voxelRecords = voxels + 4;
    const size_t voxelTotal = l.voxelRecords + 7 * recordSize;
    const size_t leaves = voxelTotal + 4 + 4 * iVoxelTotal;
    l.leafRecords = leaves + 4;
    l.counts.insert(l.counts.end(), {voxels, voxelTotal, leaves, l.leafRecords + 8 * 4});
    for (int i = 0; i < 7; ++i) {
        const size_t r = l.nodeRecords + 40 * i;
        l.counts.insert(l.counts.end(), {r, r + 16});
        l.indices.insert(l.indices.end(), {r + 4, r + 36});
        l.counts.insert(l.counts.end(), {l.voxelRecords + i * recordSize, l.voxelRecords + i * recordSize + 4});
    }
    for (int i = 0; i < 4; ++i)
        l.counts.insert(l.counts.end(), {l.leafRecords + 8 * i, l.leafRecords + 8 * i + 4});
    return l;
}

// (offset, value) pairs: every count field with huge and negative values, node index fields
// with everything but -1.
std::vector<std::pair<size_t, std::uint32_t>> mutationsOf(const Layout& iLayout)
{
    std::vector<std::pair<size_t, std::uint32_t>> out;
    for (size_t offset : iLayout.counts)
        for (std::uint32_t value : {0xFFFFFFFFu, 0x80000000u, 0x7FFFFFFFu, 0x10000u})
            out.emplace_back(offset, value);
    for (size_t offset : iLayout.indices)
        for (std::uint32_t value : {0xFFFFFFFEu, 0x80000000u, 0x7FFFFFFFu, 0x10000u})
            out.emplace_back(offset, value);
    return out;
}

std::string withWord(std::string iBytes, size_t iOffset, std::uint32_t iValue)
{
    std::memcpy(&iBytes[iOffset], &iValue, 4);
    return iBytes;
}

std::string replaced(std::string iBytes, const std::string& iFrom, const std::string& iTo)
{
    iBytes.replace(iBytes.find(iFrom), iFrom.size(), iTo);
    return iBytes;
}

std::string headerBytes(const std::string& iText)
{
    std::string bytes;
    appendRaw(&bytes, std::uint32_t(iText.size()));
    return bytes + iText;
}

class PointFileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        buildSystem(&mBuilt, 4);
        mPath = mDir.file("cloud.zrpcd");
        SVOBFileOperator op(mPath);
        ASSERT_TRUE(op.save(1234, mBuilt.getOctree(), mBuilt.getVoxelBlockPool(), mBuilt.getLeafBlockPool()));
        mBytes = testutil::readFile(mPath);
    }

    TempDir mDir;
    std::string mPath;
    std::string mBytes;
    SVOSystem<ColorBlock, PointBlock> mBuilt;
};

class MatrixFileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        buildSystem(&mBuilt, 3);
        mMatrix = makeMatrix();
        mPath = mDir.file("cloud.zrpmd");
        CoutCapture out;
        ASSERT_TRUE(exportZRPCDFile(mPath, mMatrix, mBuilt.getOctree(), mBuilt.getVoxelBlockPool(),
                                    mBuilt.getLeafBlockPool()));
        mLines = out.text();
        mBytes = testutil::readFile(mPath);
    }

    TempDir mDir;
    std::string mPath;
    std::string mBytes;
    std::string mLines;
    PointCloudData mMatrix;
    SVOSystem<ColorBlock, PointIndexBlock> mBuilt;
};

} // namespace

// ---------------------------------------------------------------------------
// Sections
// ---------------------------------------------------------------------------

TEST(OctreeSectionTest, HeaderAndNodeRecordBytes)
{
    SVOSystem<ColorBlock, PointBlock> system;
    buildSystem(&system, 4);
    std::stringstream stream;
    ASSERT_TRUE(writeHeader(stream, "QuillmarshPointCloudData", "0.1", "PC<ColorBlock,PointBlock>"));
    EXPECT_EQ(stream.str(), headerBytes(kPointHeader));
    EXPECT_EQ(kPointHeader.size(), 54u);

    std::stringstream nodes;
    ASSERT_TRUE(writeNode(nodes, system.getOctree()));
    const SparseVoxelOctreeNode& n1 = *system.getOctree().getNodeList()[1];
    std::string record;
    appendRaw(&record, std::uint32_t(1));
    appendRaw(&record, std::int32_t(4));
    record += std::string("\x00\x00\x01\x00\x00\x00\x00\x01", 8);
    appendRaw(&record, std::int32_t(1));
    appendRaw(&record, n1.getCenter().x);
    appendRaw(&record, n1.getCenter().y);
    appendRaw(&record, n1.getCenter().z);
    record += char(n1.getColor().red);
    record += char(n1.getColor().green);
    record += char(n1.getColor().blue);
    record += char(n1.getColor().alpha);
    appendRaw(&record, std::int32_t(1));
    ASSERT_EQ(nodes.str().size(), 4u + 7 * 40);
    EXPECT_EQ(nodes.str().substr(4 + 40, 40), record);
}

TEST(OctreeSectionTest, VoxelInfoRecordSizeFollowsResolution)
{
    for (int n : {4, 3}) {
        SVOSystem<ColorBlock, PointBlock> system;
        buildSystem(&system, n);
        std::stringstream stream;
        ASSERT_TRUE(writeVoxelInfo(stream, system.getVoxelBlockPool(), n * n * n));
        EXPECT_EQ(stream.str().size(), 4u + 7 * (n == 4 ? 16 : 12)) << n;
    }
}

TEST(OctreeSectionTest, HeaderCheckMessages)
{
    const auto check = [](const std::string& text) {
        CoutCapture out;
        const bool ok = checkHeader(text, "A", "0.1", "D");
        return std::make_pair(ok, out.text());
    };
    EXPECT_EQ(check("A 0.1 D"), std::make_pair(true, std::string()));
    EXPECT_EQ(check("  A  0.1 D "), std::make_pair(true, std::string()));
    EXPECT_EQ(check("B 0.0 E"), std::make_pair(false, std::string("Error FileID: B\n")));
    EXPECT_EQ(check("A 0.0 E"), std::make_pair(false, std::string("Error Version: 0.0\n")));
    EXPECT_EQ(check("A 0.1 E"), std::make_pair(false, std::string("Error DataID: E\n")));
    EXPECT_EQ(check("A 0.1"), std::make_pair(false, std::string()));
    EXPECT_EQ(check("A 0.1 D x"), std::make_pair(false, std::string()));

    std::string text;
    std::istringstream tooLong(headerBytes(std::string(kMaxHeaderLength + 1, 'x')));
    EXPECT_FALSE(readHeader(tooLong, &text));
    std::istringstream cut(headerBytes("A 0.1 D").substr(0, 8));
    EXPECT_FALSE(readHeader(cut, &text));
}

TEST(OctreeSectionTest, PartialNodeLoadReadsOnlyNewRecords)
{
    SVOSystem<ColorBlock, PointBlock> system;
    buildSystem(&system, 4);
    std::stringstream stream;
    ASSERT_TRUE(writeNode(stream, system.getOctree()));
    std::string bytes = stream.str();

    SparseVoxelOctree octree;
    octree.getLayerSizeList() = {1, 3, 3};
    EXPECT_EQ(getTotalSize(octree, -1), 0);
    EXPECT_EQ(getTotalSize(octree, 0), 1);
    EXPECT_EQ(getTotalSize(octree, 1), 4);
    EXPECT_EQ(getTotalSize(octree, 9), 7);

    std::istringstream first(bytes);
    ASSERT_TRUE(loadNode(first, &octree, 0));
    EXPECT_EQ(first.tellg(), std::streampos(4 + 40));
    expectSameNodes(system.getOctree(), octree, 1);
    const SparseVoxelOctreeNode* root = octree.getNodeList()[0];

    // A changed root record must not be read again.
    bytes[4 + 32] = char(1);
    std::istringstream second(bytes);
    ASSERT_TRUE(loadNode(second, &octree, 2));
    EXPECT_EQ(second.tellg(), std::streampos(4 + 7 * 40));
    EXPECT_EQ(octree.getNodeList()[0], root);
    EXPECT_EQ(root->getColor(), system.getOctree().getNodeList()[0]->getColor());
    for (size_t i = 1; i < 7; ++i)
        expectSameNode(*system.getOctree().getNodeList()[i], *octree.getNodeList()[i]);

    std::istringstream again(bytes);
    ASSERT_TRUE(loadNode(again, &octree, 5));
    EXPECT_EQ(octree.getNodeNumber(), 7u);
}

TEST(OctreeSectionTest, PartialLoadsSkipSectionsAndKeepPresentEntries)
{
    SVOSystem<ColorBlock, PointBlock> system;
    buildSystem(&system, 4);
    const std::uint32_t marker = 0xC0FFEE;
    std::stringstream stream;
    ASSERT_TRUE(writeVoxelInfo(stream, system.getVoxelBlockPool(), 64) &&
                writeVoxelBlocks(stream, system.getVoxelBlockPool()) &&
                writeLeafData(stream, system.getLeafBlockPool()) && rawio::writeValue(stream, marker));
    const std::string bytes = stream.str();
    const SparseVoxelOctree& octree = system.getOctree();

    // Empty lists: only the totals change and the stream ends up after both sections.
    {
        std::istringstream in(bytes);
        VoxelBlockPool<ColorBlock> voxels;
        LeafBlockPool<PointBlock> leaves;
        ASSERT_TRUE(loadVoxelData(in, &voxels, {}, 64));
        ASSERT_TRUE(loadLeafData(in, &leaves, NodeList()));
        std::uint32_t value = 0;
        ASSERT_TRUE(rawio::readValue(in, &value));
        EXPECT_EQ(value, marker);
        EXPECT_TRUE(voxels.getEntries().empty());
        EXPECT_TRUE(leaves.getEntries().empty());
        EXPECT_EQ(voxels.getTotal(), system.getVoxelBlockPool().getTotal());
        EXPECT_EQ(leaves.getTotal(), 9u);
    }
    // A node named twice is read once; a present entry is kept; inner nodes have no leaf.
    {
        std::istringstream in(bytes);
        VoxelBlockPool<ColorBlock> voxels;
        LeafBlockPool<PointBlock> leaves;
        VoxelInfo<ColorBlock>* kept = new VoxelInfo<ColorBlock>;
        kept->setBlock(new ColorBlock);
        voxels.getEntries() = {nullptr, nullptr, kept};
        ASSERT_TRUE(loadVoxelData(in, &voxels, nodesOf(octree, {5, 2, 5, 0}), 64));
        ASSERT_TRUE(loadLeafData(in, &leaves, nodesOf(octree, {6, 1, 6, 4})));
        std::uint32_t value = 0;
        ASSERT_TRUE(rawio::readValue(in, &value));
        EXPECT_EQ(value, marker);

        ASSERT_EQ(voxels.getEntries().size(), 6u);
        EXPECT_EQ(voxels.getEntries()[2], kept);
        EXPECT_TRUE(kept->getBlock()->colors.empty());
        EXPECT_EQ(voxels.getEntries()[1], nullptr);
        for (int i : {0, 5})
            expectSameVoxel(system.getVoxelBlockPool().getEntries()[i], voxels.getEntries()[i]);
        ASSERT_EQ(leaves.getEntries().size(), 4u);
        EXPECT_EQ(leaves.getEntries()[0], nullptr);
        EXPECT_EQ(leaves.getEntries()[2], nullptr);
        expectSameLeaf(system.getLeafBlockPool().getEntries()[1], leaves.getEntries()[1]);
        expectSameLeaf(system.getLeafBlockPool().getEntries()[3], leaves.getEntries()[3]);
    }
}

TEST(OctreeSectionTest, WritersRefuseWhatCannotBeReadBack)
{
    SVOSystem<ColorBlock, PointBlock> system;
    buildSystem(&system, 4);
    std::stringstream stream;
    EXPECT_FALSE(writeVoxelInfo(stream, system.getVoxelBlockPool(), 27)); // 4 occupancy bytes expected
    system.getLeafBlockPool().getEntries()[0]->getBlock()->colors.pop_back();
    EXPECT_FALSE(writeLeafData(stream, system.getLeafBlockPool()));
    system.getVoxelBlockPool().getEntries()[3]->setBlock(nullptr);
    EXPECT_FALSE(writeVoxelBlocks(stream, system.getVoxelBlockPool()));
}

// ---------------------------------------------------------------------------
// Octree point file
// ---------------------------------------------------------------------------

TEST_F(PointFileTest, WholeRoundTripIsByteForByte)
{
    EXPECT_EQ(mBytes.substr(0, 4 + 54), headerBytes(kPointHeader));
    std::uint32_t pointNumber = 0;
    std::memcpy(&pointNumber, &mBytes[58], 4);
    EXPECT_EQ(pointNumber, 1234u);

    SVOSystem<ColorBlock, PointBlock> loaded;
    SVOBFileOperator op(mPath);
    int number = 0;
    ASSERT_TRUE(op.load(&number, &loaded.getOctree(), &loaded.getVoxelBlockPool(), &loaded.getLeafBlockPool()));
    EXPECT_EQ(number, 1234);
    EXPECT_EQ(loaded.getOctree().getLoadedDepth(), -1);
    expectSameSystem(mBuilt, loaded);

    SVOBFileOperator again(mDir.file("again.zrpcd"));
    ASSERT_TRUE(again.save(number, loaded.getOctree(), loaded.getVoxelBlockPool(), loaded.getLeafBlockPool()));
    EXPECT_EQ(testutil::readFile(mDir.file("again.zrpcd")), mBytes);
}

TEST_F(PointFileTest, StagedLoadsMatchTheWholeLoad)
{
    SVOBFileOperator op(mPath);
    SparseVoxelOctree octree;
    int number = 0;
    ASSERT_TRUE(op.load_Base(&number, &octree));
    EXPECT_EQ(number, 1234);
    EXPECT_EQ(octree.getLayerSizeList(), mBuilt.getOctree().getLayerSizeList());
    EXPECT_EQ(octree.getNodeNumber(), 0u);

    ASSERT_TRUE(op.load_Node(&octree, 0));
    EXPECT_EQ(octree.getLoadedDepth(), 0);
    expectSameNodes(mBuilt.getOctree(), octree, 1);
    ASSERT_TRUE(op.load_Node(&octree, 2));
    EXPECT_EQ(octree.getLoadedDepth(), 2);
    expectSameNodes(mBuilt.getOctree(), octree, 7);

    VoxelBlockPool<ColorBlock> voxels;
    LeafBlockPool<PointBlock> leaves;
    ASSERT_TRUE(op.load_Voxel(&voxels, nodesOf(octree, {3, 0, 3}), 64));
    ASSERT_TRUE(op.load_Leaf(&leaves, nodesOf(octree, {5, 2, 2}), 64));
    ASSERT_EQ(voxels.getEntries().size(), 4u);
    expectSameVoxel(mBuilt.getVoxelBlockPool().getEntries()[0], voxels.getEntries()[0]);
    expectSameVoxel(mBuilt.getVoxelBlockPool().getEntries()[3], voxels.getEntries()[3]);
    EXPECT_EQ(voxels.getEntries()[1], nullptr);
    ASSERT_EQ(leaves.getEntries().size(), 3u);
    expectSameLeaf(mBuilt.getLeafBlockPool().getEntries()[0], leaves.getEntries()[0]);
    expectSameLeaf(mBuilt.getLeafBlockPool().getEntries()[2], leaves.getEntries()[2]);
    EXPECT_EQ(leaves.getEntries()[1], nullptr);

    LeafBlockPool<PointBlock> untouched;
    ASSERT_TRUE(op.load_Leaf(&untouched, {}, 64));
    EXPECT_TRUE(untouched.getEntries().empty());
    EXPECT_EQ(untouched.getTotal(), 9u);

    SparseVoxelOctree tree;
    ASSERT_TRUE(op.load_Tree(&tree));
    EXPECT_EQ(tree.getVoxelResolution(), 4);
    EXPECT_EQ(tree.getBoundingBox(), mBuilt.getOctree().getBoundingBox());
    EXPECT_TRUE(op.getErrorMessage().empty());
}

TEST_F(PointFileTest, OpenAndHeaderFailures)
{
    SparseVoxelOctree octree;
    SVOBFileOperator missing(mDir.file("none.zrpcd"));
    EXPECT_FALSE(missing.load_Tree(&octree));
    EXPECT_EQ(missing.getErrorMessage(), "Cannot open file for reading: " + mDir.file("none.zrpcd"));

    const std::string other = mDir.file("other.zrpcd");
    const auto loadWith = [&](const std::string& bytes) {
        testutil::writeFile(other, bytes);
        SVOBFileOperator op(other);
        CoutCapture out;
        int number = -7;
        SVOSystem<ColorBlock, PointBlock> s;
        const bool ok = op.load(&number, &s.getOctree(), &s.getVoxelBlockPool(), &s.getLeafBlockPool());
        EXPECT_EQ(number, -7);
        // The printed line, then the error text.
        return std::make_pair(ok, out.text() + op.getErrorMessage());
    };
    EXPECT_EQ(loadWith(replaced(mBytes, "0.1 PC", "0.0 PC")),
              std::make_pair(false, std::string("Error Version: 0.0\n")));
    EXPECT_EQ(loadWith(replaced(mBytes, "Data 0.1", "DatX 0.1")),
              std::make_pair(false, std::string("Error FileID: QuillmarshPointCloudDatX\n")));
    EXPECT_EQ(loadWith(replaced(mBytes, "Block>", "BlocX>")),
              std::make_pair(false, std::string("Error DataID: PC<ColorBlock,PointBlocX>\n")));
    // Two words only: no header of any kind, refused as broken without a printed line.
    EXPECT_EQ(loadWith(replaced(mBytes, " PC<ColorBlock,PointBlock>", std::string(26, 'x'))),
              std::make_pair(false, "File is broken: " + other));
    // A header length of 0 or one too many (32 points put a blank after the words) opens no part.
    for (std::uint32_t length : {0u, 55u}) {
        testutil::writeFile(other, withWord(withWord(mBytes, 58, 32), 0, length));
        SVOBFileOperator op(other);
        EXPECT_FALSE(op.load_Tree(&octree));
        EXPECT_EQ(op.getErrorMessage(), "File is broken: " + other);
    }

    CoutCapture out;
    SVOBFileOperator noFolder(mDir.file("no/such/folder.zrpcd"));
    EXPECT_FALSE(noFolder.save(1, mBuilt.getOctree(), mBuilt.getVoxelBlockPool(), mBuilt.getLeafBlockPool()));
    EXPECT_EQ(out.text(), "Cannot open file for writting: " + mDir.file("no/such/folder.zrpcd") + "\n");
    // The open succeeds here but the data never reaches the device.
    SVOBFileOperator full("/dev/full");
    EXPECT_FALSE(full.save(1, mBuilt.getOctree(), mBuilt.getVoxelBlockPool(), mBuilt.getLeafBlockPool()));
}

namespace {

// Every loader of the octree point file on one file; whole loaders and those that read to the
// end of the file report whether they failed with the broken-file message.
void runPointLoaders(const std::string& iPath, const SVOSystem<ColorBlock, PointBlock>& iReference,
                     bool iMustFail)
{
    const std::string broken = "File is broken: " + iPath;
    CoutCapture quiet;
    {
        SVOBFileOperator op(iPath);
        SVOSystem<ColorBlock, PointBlock> s;
        int number = 0;
        const bool ok = op.load(&number, &s.getOctree(), &s.getVoxelBlockPool(), &s.getLeafBlockPool());
        if (iMustFail) {
            EXPECT_FALSE(ok);
            EXPECT_EQ(op.getErrorMessage(), broken);
        }
    }
    const NodeList all = nodesOf(iReference.getOctree(), {0, 1, 2, 3, 4, 5, 6});
    SVOBFileOperator op(iPath);
    SparseVoxelOctree octree;
    int number = 0;
    if (op.load_Base(&number, &octree)) {
        op.load_Node(&octree, 1);
        op.load_Node(&octree, 7);
    }
    op.load_Tree(&octree);
    VoxelBlockPool<ColorBlock> voxels;
    op.load_Voxel(&voxels, all, 64);
    LeafBlockPool<PointBlock> leaves;
    const bool leafOk = op.load_Leaf(&leaves, all, 64);
    if (iMustFail) {
        EXPECT_FALSE(leafOk);
    }
}

} // namespace

TEST_F(PointFileTest, EveryPrefixFailsWithoutHarm)
{
    const std::string path = mDir.file("cut.zrpcd");
    for (size_t length = 0; length < mBytes.size(); ++length) {
        SCOPED_TRACE(length);
        testutil::writeFile(path, mBytes.substr(0, length));
        runPointLoaders(path, mBuilt, true);
    }
}

TEST_F(PointFileTest, HugeAndNegativeCountsFail)
{
    const Layout layout = layoutOf(62, 4, mBuilt.getVoxelBlockPool().getTotal());
    const std::string path = mDir.file("bad.zrpcd");
    for (const auto& field : mutationsOf(layout)) {
        const size_t offset = field.first;
        const std::uint32_t value = field.second;
        {
            SCOPED_TRACE(testing::Message() << "offset " << offset << " value " << value);
            testutil::writeFile(path, withWord(mBytes, offset, value));
            runPointLoaders(path, mBuilt, false);
            CoutCapture quiet;
            SVOBFileOperator op(path);
            SVOSystem<ColorBlock, PointBlock> s;
            int number = 0;
            EXPECT_FALSE(op.load(&number, &s.getOctree(), &s.getVoxelBlockPool(), &s.getLeafBlockPool()));
            EXPECT_FALSE(op.getErrorMessage().empty());
        }
    }
}

TEST_F(PointFileTest, InconsistentIndicesFail)
{
    const Layout layout = layoutOf(62, 4, mBuilt.getVoxelBlockPool().getTotal());
    const std::string path = mDir.file("bad.zrpcd");
    const auto wholeLoad = [&](const std::string& bytes) {
        testutil::writeFile(path, bytes);
        SVOBFileOperator op(path);
        SVOSystem<ColorBlock, PointBlock> s;
        int number = 0;
        return op.load(&number, &s.getOctree(), &s.getVoxelBlockPool(), &s.getLeafBlockPool());
    };
    // The root naming itself as first child would make every walk down the tree endless.
    EXPECT_FALSE(wholeLoad(withWord(mBytes, layout.nodeRecords + 4, 0)));
    // Node 3 has one child: its range must stay inside the seven nodes.
    EXPECT_FALSE(wholeLoad(withWord(mBytes, layout.nodeRecords + 3 * 40 + 4, 7)));
    // A leaf entry reaching past the element total.
    EXPECT_FALSE(wholeLoad(withWord(mBytes, layout.leafRecords + 3 * 8, 6)));
    // An occupied count that disagrees with the occupancy bits.
    EXPECT_FALSE(wholeLoad(withWord(mBytes, layout.voxelRecords + 4, 1)));
    // A second voxel or leaf entry whose first index is one past the running total: the whole load
    // would read its block where the one before ends, the part loads where the index says.
    for (size_t offset : {layout.voxelRecords + 16, layout.leafRecords + 8}) {
        std::string bytes = mBytes;
        ++bytes[offset];
        EXPECT_FALSE(wholeLoad(bytes));
        SVOBFileOperator op(path);
        SparseVoxelOctree octree;
        EXPECT_FALSE(op.load_Tree(&octree));
        EXPECT_EQ(op.getErrorMessage(), "File is broken: " + path);
    }

    // A node whose voxel entry number lies beyond the file's entries fails a partial load.
    SparseVoxelOctreeNode stray;
    stray.setVoxelInfoIndex(7);
    stray.setFirstIndex(4);
    SVOBFileOperator op(mPath);
    VoxelBlockPool<ColorBlock> voxels;
    EXPECT_FALSE(op.load_Voxel(&voxels, {&stray}, 64));
    EXPECT_EQ(op.getErrorMessage(), "File is broken: " + mPath);
    EXPECT_TRUE(voxels.getEntries().empty());
    LeafBlockPool<PointBlock> leaves;
    EXPECT_FALSE(op.load_Leaf(&leaves, {&stray}, 64));
    EXPECT_TRUE(leaves.getEntries().empty());
}

// Every tree load refuses layer sizes (1, 3, 3 here) that are not one root and non-empty layers
// adding up to the seven nodes, and a box that is not finite, so that the viewer's staged loads
// refuse what the editor's whole load refuses (point-matrix files: see the import tests).
TEST_F(PointFileTest, TreesThatDoNotMatchTheirNodesAreRefused)
{
    const std::string path = mDir.file("damaged.zrpcd");
    const size_t at = 62; // the tree
    const std::pair<const char*, std::string> damages[] = {
        {"no layers", withWord(mBytes, at + 28, 0).erase(at + 32, 12)},
        {"empty last layer", withWord(mBytes, at + 40, 0)},
        {"layers short of the nodes", withWord(mBytes, at + 40, 2)},
        {"two roots", withWord(mBytes, at + 32, 2).replace(at + 36, 4, "\2\0\0\0", 4)}, // 2, 2, 3
        {"centre not a number", withWord(mBytes, at + 4, 0x7FC00000u)},
        {"size infinite", withWord(mBytes, at + 20, 0x7F800000u)}};
    for (const auto& damage : damages) {
        SCOPED_TRACE(damage.first);
        testutil::writeFile(path, damage.second);
        SVOBFileOperator op(path);
        SVOSystem<ColorBlock, PointBlock> s;
        SparseVoxelOctree base, tree;
        int number = 0;
        EXPECT_FALSE(op.load(&number, &s.getOctree(), &s.getVoxelBlockPool(), &s.getLeafBlockPool()));
        EXPECT_FALSE(op.load_Base(&number, &base));
        EXPECT_FALSE(op.load_Tree(&tree));
        EXPECT_EQ(op.getErrorMessage(), "File is broken: " + path);
        EXPECT_TRUE(base.getLayerSizeList().empty() && tree.getLayerSizeList().empty());
    }
}

// A leaf block lying more than 4 GiB into the file, in a sparse file.
TEST(OctreePointLargeFileTest, PartialLeafLoadSeeksBeyondFourGiB)
{
    TempDir dir;
    const std::string path = dir.file("large.zrpcd");
    SVOSystem<ColorBlock, PointBlock> system;
    SparseVoxelOctree& octree = system.getOctree();
    octree.setBoundingBox(BoundingBox(Vector3D(0, 0, 0), Vector3D(2, 2, 2)));
    octree.setVoxelResolution(1);
    SparseVoxelOctreeNode* root = new SparseVoxelOctreeNode;
    octree.addNewNode(root, nullptr, 0);
    for (int o : {0, 7}) {
        SparseVoxelOctreeNode* child = new SparseVoxelOctreeNode;
        octree.addNewNode(child, root, o);
        child->setFirstIndex(o == 0 ? 0 : 1);
    }
    octree.getLayerSizeList() = {1, 2};
    const std::uint32_t skip = 300000000u; // 300M elements of 16 bytes: 4.8 GB
    {
        std::ofstream out(path, std::ios::binary);
        ASSERT_TRUE(writeHeader(out, "QuillmarshPointCloudData", "0.1", "PC<ColorBlock,PointBlock>") &&
                    rawio::writeValue(out, std::uint32_t(2)) && writeTree(out, octree) && writeNode(out, octree) &&
                    writeVoxelInfo(out, system.getVoxelBlockPool(), 1) &&
                    writeVoxelBlocks(out, system.getVoxelBlockPool()));
        for (std::uint32_t v : {2u, 0u, skip, skip, 2u, skip + 2})
            rawio::writeValue(out, v);
        out.seekp(std::streamoff(skip) * 16, std::ios::cur);
        const Vector3F positions[2] = {Vector3F(1, 2, 3), Vector3F(4, 5, 6)};
        const Color colors[2] = {Color(1, 2, 3, 4), Color(5, 6, 7, 8)};
        rawio::writeRaw(out, positions, sizeof positions);
        rawio::writeRaw(out, colors, sizeof colors);
        ASSERT_TRUE(out.good());
    }
    SVOBFileOperator op(path);
    SparseVoxelOctree loaded;
    int number = 0;
    ASSERT_TRUE(op.load_Base(&number, &loaded) && op.load_Node(&loaded, 1)) << op.getErrorMessage();
    LeafBlockPool<PointBlock> leaves;
    ASSERT_TRUE(op.load_Leaf(&leaves, nodesOf(loaded, {2}), 1)) << op.getErrorMessage();
    ASSERT_EQ(leaves.getEntries().size(), 2u);
    const PointBlock* block = leaves.getEntries()[1]->getBlock();
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block->positions[1], Vector3F(4, 5, 6));
    EXPECT_EQ(block->colors[0], Color(1, 2, 3, 4));
    EXPECT_EQ(block->flags, std::vector<unsigned>(2, 0u));
}

// ---------------------------------------------------------------------------
// Point-matrix octree file
// ---------------------------------------------------------------------------

TEST_F(MatrixFileTest, WholeRoundTripIsByteForByte)
{
    EXPECT_EQ(mLines, "width = 4\nheight = 3\npoint number = 9\nPoint Cloud dataset size = 12\n"
                      "Point data size = 20\n");
    EXPECT_EQ(mBytes.substr(0, 4 + kMatrixHeader.size()), headerBytes(kMatrixHeader));

    PointCloudData matrix;
    SVOSystem<ColorBlock, PointIndexBlock> loaded;
    std::string err;
    ASSERT_TRUE(loadZRPCDFile(mPath, &matrix, &loaded.getOctree(), &loaded.getVoxelBlockPool(),
                              &loaded.getLeafBlockPool(), err));
    EXPECT_TRUE(err.empty());
    EXPECT_EQ(matrix.width, octreefixture::kMatrixWidth);
    EXPECT_EQ(matrix.validPointNumber, 9u);
    ASSERT_EQ(matrix.pointList.size(), mMatrix.pointList.size());
    for (size_t i = 0; i < matrix.pointList.size(); ++i)
        EXPECT_TRUE(samePoint(matrix.pointList[i], mMatrix.pointList[i])) << i;
    expectSameSystem(mBuilt, loaded);

    CoutCapture quiet;
    const std::string again = mDir.file("again.zrpmd");
    ASSERT_TRUE(exportZRPCDFile(again, matrix, loaded.getOctree(), loaded.getVoxelBlockPool(),
                                loaded.getLeafBlockPool()));
    EXPECT_EQ(testutil::readFile(again), mBytes);
}

TEST_F(MatrixFileTest, StagedLoadsMatchTheWholeLoad)
{
    std::string err;
    int width = 0, height = 0, valid = 0;
    ASSERT_TRUE(loadZRPCDFile_MatrixInfo(mPath, &width, &height, &valid, err));
    EXPECT_EQ(std::make_tuple(width, height, valid), std::make_tuple(4, 3, 9));

    SparseVoxelOctree octree;
    width = height = valid = 0;
    ASSERT_TRUE(loadZRPCDFile_Base(mPath, &width, &height, &valid, &octree, err));
    EXPECT_EQ(std::make_tuple(width, height, valid), std::make_tuple(4, 3, 9));
    EXPECT_EQ(octree.getVoxelResolution(), 3);
    ASSERT_TRUE(loadZRPCDFile_Nodes(mPath, &octree, 0, err));
    EXPECT_EQ(octree.getNodeNumber(), 1u);
    EXPECT_EQ(octree.getLoadedDepth(), 0);
    ASSERT_TRUE(loadZRPCDFile_Nodes(mPath, &octree, 2, err));
    expectSameNodes(mBuilt.getOctree(), octree, 7);

    VoxelBlockPool<ColorBlock> voxels;
    LeafBlockPool<PointIndexBlock> leaves;
    ASSERT_TRUE(loadZRPCDFile_VoxelAndPoints(mPath, &voxels, &leaves, nodesOf(octree, {6, 6, 1}), {}, 27, err));
    EXPECT_TRUE(leaves.getEntries().empty());
    EXPECT_EQ(leaves.getTotal(), 9u);
    ASSERT_TRUE(loadZRPCDFile_VoxelAndPoints(mPath, &voxels, &leaves, {}, nodesOf(octree, {6, 4, 6}), 27, err));
    ASSERT_EQ(voxels.getEntries().size(), 7u);
    expectSameVoxel(mBuilt.getVoxelBlockPool().getEntries()[6], voxels.getEntries()[6]);
    expectSameVoxel(mBuilt.getVoxelBlockPool().getEntries()[1], voxels.getEntries()[1]);
    ASSERT_EQ(leaves.getEntries().size(), 4u);
    expectSameLeaf(mBuilt.getLeafBlockPool().getEntries()[1], leaves.getEntries()[1]);
    expectSameLeaf(mBuilt.getLeafBlockPool().getEntries()[3], leaves.getEntries()[3]);

    SparseVoxelOctree tree;
    ASSERT_TRUE(loadZRPCDFile_Tree(mPath, &tree, err));
    EXPECT_EQ(tree.getLayerSizeList(), mBuilt.getOctree().getLayerSizeList());

    PointCloudData matrix;
    ASSERT_TRUE(loadZRPCDFile_Matrix(mPath, &matrix, err));
    EXPECT_EQ(matrix.pointList.size(), 12u);
    EXPECT_TRUE(err.empty());
}

TEST_F(MatrixFileTest, CellsByIndexAndStopFlag)
{
    std::string err;
    std::vector<Point> cells;
    ASSERT_TRUE(loadZRPCDFile_Matrix(mPath, &cells, {0, 7, 7, 11, 0}, err));
    ASSERT_EQ(cells.size(), 5u);
    const unsigned expected[] = {0, 7, 7, 11, 0};
    for (size_t k = 0; k < 5; ++k)
        EXPECT_TRUE(samePoint(cells[k], mMatrix.pointList[expected[k]])) << k;

    bool volatile stop = true;
    std::vector<Point> none;
    ASSERT_TRUE(loadZRPCDFile_Matrix(mPath, &none, {1, 2, 3}, &stop, err));
    ASSERT_EQ(none.size(), 3u);
    for (const Point& p : none)
        EXPECT_TRUE(samePoint(p, Point()));

    EXPECT_FALSE(loadZRPCDFile_Matrix(mPath, &cells, {12}, err));
    EXPECT_EQ(err, "File is broken: " + mPath);
}

TEST_F(MatrixFileTest, HeaderFailuresAndWriters)
{
    const std::string other = mDir.file("other.zrpmd");
    const auto infoOf = [&](const std::string& bytes) {
        testutil::writeFile(other, bytes);
        CoutCapture out;
        std::string err = "unchanged";
        int width = -1, height = -1, valid = -1;
        const bool ok = loadZRPCDFile_MatrixInfo(other, &width, &height, &valid, err);
        EXPECT_EQ(err, "unchanged");
        EXPECT_EQ(width, -1);
        return std::make_pair(ok, out.text());
    };
    EXPECT_EQ(infoOf(replaced(mBytes, "0.0 PCM", "0.1 PCM")),
              std::make_pair(false, std::string("Error Version: 0.1\n")));
    EXPECT_EQ(infoOf(replaced(mBytes, "PCM/PC", "XCM/PC")),
              std::make_pair(false, std::string("Error DataID: XCM/PC<ColorBlock,PointIndexBlock>\n")));

    // An octree point file is refused by its version word already.
    CoutCapture captured;
    SVOSystem<ColorBlock, PointBlock> points;
    buildSystem(&points, 4);
    const std::string pointFile = mDir.file("points.zrpcd");
    ASSERT_TRUE(SVOBFileOperator(pointFile).save(1, points.getOctree(), points.getVoxelBlockPool(),
                                                 points.getLeafBlockPool()));
    SparseVoxelOctree tree;
    std::string err;
    EXPECT_FALSE(loadZRPCDFile_Tree(pointFile, &tree, err));
    EXPECT_EQ(captured.text(), "Error Version: 0.1\n");
    EXPECT_TRUE(err.empty());

    EXPECT_FALSE(loadZRPCDFile_Tree(mDir.file("none.zrpmd"), &tree, err));
    EXPECT_EQ(err, "Cannot open file for reading: " + mDir.file("none.zrpmd"));

    PointCloudData short_ = mMatrix;
    short_.pointList.pop_back();
    EXPECT_FALSE(exportZRPCDFile(mDir.file("short.zrpmd"), short_, mBuilt.getOctree(), mBuilt.getVoxelBlockPool(),
                                 mBuilt.getLeafBlockPool()));
    EXPECT_FALSE(exportZRPCDFile("/dev/full", mMatrix, mBuilt.getOctree(), mBuilt.getVoxelBlockPool(),
                                 mBuilt.getLeafBlockPool()));
}

namespace {

void runMatrixLoaders(const std::string& iPath, const SVOSystem<ColorBlock, PointIndexBlock>& iReference,
                      bool iMustFail)
{
    const std::string broken = "File is broken: " + iPath;
    CoutCapture quiet;
    {
        PointCloudData matrix;
        SVOSystem<ColorBlock, PointIndexBlock> s;
        std::string err;
        const bool ok = loadZRPCDFile(iPath, &matrix, &s.getOctree(), &s.getVoxelBlockPool(),
                                      &s.getLeafBlockPool(), err);
        if (iMustFail) {
            EXPECT_FALSE(ok);
            EXPECT_EQ(err, broken);
        }
    }
    const NodeList all = nodesOf(iReference.getOctree(), {0, 1, 2, 3, 4, 5, 6});
    std::string err;
    int width = 0, height = 0, valid = 0;
    SparseVoxelOctree octree;
    if (loadZRPCDFile_Base(iPath, &width, &height, &valid, &octree, err)) {
        loadZRPCDFile_Nodes(iPath, &octree, 0, err);
        loadZRPCDFile_Nodes(iPath, &octree, 3, err);
    }
    loadZRPCDFile_Tree(iPath, &octree, err);
    loadZRPCDFile_MatrixInfo(iPath, &width, &height, &valid, err);
    PointCloudData matrix;
    loadZRPCDFile_Matrix(iPath, &matrix, err);
    std::vector<Point> cells;
    loadZRPCDFile_Matrix(iPath, &cells, {11, 0, 5}, err);
    VoxelBlockPool<ColorBlock> voxels;
    LeafBlockPool<PointIndexBlock> leaves;
    const bool leafOk = loadZRPCDFile_VoxelAndPoints(iPath, &voxels, &leaves, all, all, 27, err);
    if (iMustFail) {
        EXPECT_FALSE(leafOk);
        EXPECT_EQ(err, broken);
    }
}

} // namespace

TEST_F(MatrixFileTest, EveryPrefixFailsWithoutHarm)
{
    const std::string path = mDir.file("cut.zrpmd");
    for (size_t length = 0; length < mBytes.size(); ++length) {
        SCOPED_TRACE(length);
        testutil::writeFile(path, mBytes.substr(0, length));
        runMatrixLoaders(path, mBuilt, true);
    }
}

TEST_F(MatrixFileTest, HugeAndNegativeCountsFail)
{
    const size_t matrixStart = 4 + kMatrixHeader.size();
    const size_t prefix = matrixStart + 12 + 12 * 20;
    Layout layout = layoutOf(prefix, 3, mBuilt.getVoxelBlockPool().getTotal());
    layout.counts.insert(layout.counts.end(), {matrixStart, matrixStart + 4});
    const std::string path = mDir.file("bad.zrpmd");
    for (const auto& field : mutationsOf(layout)) {
        const size_t offset = field.first;
        const std::uint32_t value = field.second;
        {
            SCOPED_TRACE(testing::Message() << "offset " << offset << " value " << value);
            testutil::writeFile(path, withWord(mBytes, offset, value));
            runMatrixLoaders(path, mBuilt, false);
            CoutCapture quiet;
            PointCloudData matrix;
            SVOSystem<ColorBlock, PointIndexBlock> s;
            std::string err;
            EXPECT_FALSE(loadZRPCDFile(path, &matrix, &s.getOctree(), &s.getVoxelBlockPool(),
                                       &s.getLeafBlockPool(), err));
            EXPECT_FALSE(err.empty());
        }
    }

    // A matrix index outside the 4 x 3 cells.
    const size_t lastIndex = mBytes.size() - 4;
    testutil::writeFile(path, withWord(mBytes, lastIndex, 12));
    PointCloudData matrix;
    SVOSystem<ColorBlock, PointIndexBlock> s;
    std::string err;
    EXPECT_FALSE(loadZRPCDFile(path, &matrix, &s.getOctree(), &s.getVoxelBlockPool(), &s.getLeafBlockPool(), err));
    VoxelBlockPool<ColorBlock> voxels;
    LeafBlockPool<PointIndexBlock> leaves;
    EXPECT_FALSE(loadZRPCDFile_VoxelAndPoints(path, &voxels, &leaves, {}, nodesOf(mBuilt.getOctree(), {6}), 27, err));
    EXPECT_EQ(err, "File is broken: " + path);
    // The entry record was sound and stays; its block was refused.
    ASSERT_NE(leaves.getEntry(3), nullptr);
    EXPECT_EQ(leaves.getEntry(3)->getBlock(), nullptr);

    // A first index one past the running total (second voxel and leaf entries), for every load.
    for (size_t offset : {layout.voxelRecords + 12, layout.leafRecords + 8}) {
        std::string bytes = mBytes;
        ++bytes[offset];
        testutil::writeFile(path, bytes);
        PointCloudData cells;
        SVOSystem<ColorBlock, PointIndexBlock> whole;
        EXPECT_FALSE(loadZRPCDFile(path, &cells, &whole.getOctree(), &whole.getVoxelBlockPool(),
                                   &whole.getLeafBlockPool(), err));
        SparseVoxelOctree octree;
        EXPECT_FALSE(loadZRPCDFile_Tree(path, &octree, err));
        EXPECT_EQ(err, "File is broken: " + path);
    }
}

// The octree sections of a sparse file lie behind a 5 GiB point matrix.
TEST(OctreeMatrixLargeFileTest, PartialLoadsBehindALargeMatrix)
{
    TempDir dir;
    const std::string path = dir.file("large.zrpmd");
    SVOSystem<ColorBlock, PointIndexBlock> system;
    buildSystem(&system, 4);
    const std::int32_t side = 16384;
    const std::uint64_t cells = std::uint64_t(side) * side;
    Point last;
    last.color = Color(9, 8, 7, 6);
    last.position = Vector3F(1.5f, 2.5f, 3.5f);
    last.flag = 1;
    {
        std::ofstream out(path, std::ios::binary);
        ASSERT_TRUE(writeHeader(out, "QuillmarshPointCloudData", "0.0", "PCM/PC<ColorBlock,PointIndexBlock>"));
        rawio::writeValue(out, side);
        rawio::writeValue(out, side);
        rawio::writeValue(out, std::uint32_t(cells - 1));
        out.seekp(std::streamoff((cells - 1) * 20), std::ios::cur);
        rawio::writeValue(out, last);
        ASSERT_TRUE(writeTree(out, system.getOctree()) && writeNode(out, system.getOctree()) &&
                    writeVoxelInfo(out, system.getVoxelBlockPool(), 64) &&
                    writeVoxelBlocks(out, system.getVoxelBlockPool()) &&
                    writeLeafData(out, system.getLeafBlockPool()));
        ASSERT_TRUE(out.good());
    }
    std::string err;
    int width = 0, height = 0, valid = 0;
    SparseVoxelOctree octree;
    ASSERT_TRUE(loadZRPCDFile_Base(path, &width, &height, &valid, &octree, err)) << err;
    EXPECT_EQ(width, side);
    ASSERT_TRUE(loadZRPCDFile_Nodes(path, &octree, 2, err)) << err;
    expectSameNodes(system.getOctree(), octree, 7);
    VoxelBlockPool<ColorBlock> voxels;
    LeafBlockPool<PointIndexBlock> leaves;
    ASSERT_TRUE(loadZRPCDFile_VoxelAndPoints(path, &voxels, &leaves, nodesOf(octree, {5}), nodesOf(octree, {6}), 64,
                                             err))
        << err;
    expectSameVoxel(system.getVoxelBlockPool().getEntries()[5], voxels.getEntries()[5]);
    expectSameLeaf(system.getLeafBlockPool().getEntries()[3], leaves.getEntries()[3]);
    std::vector<Point> read;
    ASSERT_TRUE(loadZRPCDFile_Matrix(path, &read, {unsigned(cells - 1), 0}, err)) << err;
    EXPECT_TRUE(samePoint(read[0], last));
    EXPECT_TRUE(samePoint(read[1], Point{Color(0, 0, 0, 0), Vector3F(), 0}));
}
