// Kestrune run as a child process: command line, printed lines, exit status and the files it
// leaves, read back with the project's own loaders.

#include "fileoperation_svob.h"
#include "fileoperation_zrpcd.h"
#include "numberformat.h"
#include "pointcloudimpoperation.h"
#include "processrun.h"
#include "scanfixture.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <tuple>
#include <unistd.h>
#include <vector>

namespace {

using testutil::readFile;
using testutil::writeFile;

using PointSystem = SVOSystem<ColorBlock, PointBlock>;
using IndexSystem = SVOSystem<ColorBlock, PointIndexBlock>;
using Names = std::vector<std::string>;

using RunResult = testutil::ProcessResult;

std::string programPath()
{
    return testutil::programPath("Kestrune");
}

std::vector<std::string> echoLines(const std::string& iIn, const std::string& iOut, const std::string& iResolution,
                                   const std::string& iPitch, const std::string& iInSuffix,
                                   const std::string& iOutSuffix)
{
    return {"importFilePath: " + iIn,         "exportFilePath: " + iOut,
            "voxelResolution: " + iResolution, "samplingPitch: " + iPitch,
            "importFileSuffix: " + iInSuffix,  "exportFileSuffix: " + iOutSuffix};
}

std::vector<std::string> concat(std::vector<std::string> iA, const std::vector<std::string>& iB)
{
    iA.insert(iA.end(), iB.begin(), iB.end());
    return iA;
}

std::vector<std::string> head(const std::vector<std::string>& iLines, std::size_t iCount)
{
    return std::vector<std::string>(iLines.begin(), iLines.begin() + std::min(iCount, iLines.size()));
}

bool hasLine(const std::vector<std::string>& iLines, const std::string& iLine)
{
    return std::find(iLines.begin(), iLines.end(), iLine) != iLines.end();
}

// The lines between the converter's "Start: export file..." and its last line may only be the
// octree and file code's progress lines: no error and no step of the converter.
void expectConverted(const RunResult& iRun, const std::vector<std::string>& iHead)
{
    ASSERT_TRUE(iRun.exited);
    EXPECT_EQ(iRun.status, 1);
    ASSERT_GT(iRun.lines.size(), iHead.size());
    EXPECT_EQ(head(iRun.lines, iHead.size()), iHead);
    EXPECT_EQ(iRun.lines.back(), "Convert OK.");
    for (std::size_t k = iHead.size(); k + 1 < iRun.lines.size(); ++k) {
        EXPECT_NE(iRun.lines[k].rfind("Error", 0), 0u) << iRun.lines[k];
        EXPECT_NE(iRun.lines[k].rfind("Start:", 0), 0u) << iRun.lines[k];
        EXPECT_NE(iRun.lines[k].rfind("Cannot", 0), 0u) << iRun.lines[k];
    }
}

// The text of a binary file's header record: u32 length, then the text.
std::string headerText(const std::string& iBytes)
{
    if (iBytes.size() < 4)
        return std::string();
    std::uint32_t length = 0;
    std::memcpy(&length, iBytes.data(), 4);
    return iBytes.substr(4, length);
}

const char* const kPTXHeaderLines = "0 0 0\n1 0 0\n0 1 0\n0 0 1\n1 0 0 0\n0 1 0 0\n0 0 1 0\n0 0 0 1\n";

std::string ptxText(int iColumns, int iRows, const std::vector<std::string>& iDataLines)
{
    std::string text = std::to_string(iColumns) + "\n" + std::to_string(iRows) + "\n" + kPTXHeaderLines;
    for (const std::string& line : iDataLines)
        text += line + "\n";
    return text;
}

std::string pcdText(const std::string& iWidthLine, const std::string& iHeightLine,
                    const std::vector<std::string>& iDataLines)
{
    std::string text = "# .PCD v.7 - Point Cloud Data file format\nVERSION .7\nFIELDS x y z rgb\nSIZE 4 4 4 4\n"
                       "TYPE F F F F\nCOUNT 1 1 1 1\n";
    text += iWidthLine + "\n" + iHeightLine + "\nVIEWPOINT 0 0 0 1 0 0 0\nPOINTS 0\nDATA ascii\n";
    for (const std::string& line : iDataLines)
        text += line + "\n";
    return text;
}

// The rgb column of a PCD line: a float whose bit pattern holds red, green and blue.
std::string pcdColor(unsigned char iRed, unsigned char iGreen, unsigned char iBlue)
{
    const std::uint32_t bits = (std::uint32_t(iRed) << 16) | (std::uint32_t(iGreen) << 8) | iBlue;
    float value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return numberformat::toString(value);
}

std::string jpgisText(const std::string& iLow, const std::string& iHigh, const std::vector<std::string>& iHeights)
{
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Dataset>\n"
                       "<jps:westBoundLongitude>135.001</jps:westBoundLongitude>\n"
                       "<jps:eastBoundLongitude>135.004</jps:eastBoundLongitude>\n"
                       "<jps:southBoundLatitude>35.002</jps:southBoundLatitude>\n"
                       "<jps:northBoundLatitude>35.004</jps:northBoundLatitude>\n"
                       "<jps:coordValues>" +
                       iLow + "</jps:coordValues>\n<jps:coordValues>" + iHigh + "</jps:coordValues>\n";
    for (const std::string& h : iHeights)
        text += "<alti>" + h + "</alti>\n";
    return text + "</Dataset>\n";
}

Point makePoint(float x, float y, float z, const Color& iColor, unsigned iFlag = 0)
{
    Point p;
    p.position = Vector3T<float>(x, y, z);
    p.color = iColor;
    p.flag = iFlag;
    return p;
}

Point emptyCell()
{
    return makePoint(0, 0, 0, Color(), Point::Deleted);
}

void expectSameCell(const Point& iActual, const Point& iExpected, const std::string& iWhere)
{
    EXPECT_EQ(iActual.position, iExpected.position) << iWhere;
    EXPECT_EQ(iActual.color, iExpected.color) << iWhere;
    EXPECT_EQ(iActual.flag, iExpected.flag) << iWhere;
}

void expectSameMatrix(const PointCloudData& iActual, int iWidth, int iHeight, const std::vector<Point>& iCells)
{
    EXPECT_EQ(iActual.width, iWidth);
    EXPECT_EQ(iActual.height, iHeight);
    unsigned valid = 0;
    for (const Point& p : iCells)
        valid += p.isValid() ? 1u : 0u;
    EXPECT_EQ(iActual.validPointNumber, valid);
    ASSERT_EQ(iActual.pointList.size(), iCells.size());
    for (std::size_t k = 0; k < iCells.size(); ++k)
        expectSameCell(iActual.pointList[k], iCells[k], "cell " + std::to_string(k));
}

// Root box of the valid cells: min and max per axis in float.
BoundingBox validBox(const std::vector<Point>& iCells)
{
    bool any = false;
    Vector3T<float> lo;
    Vector3T<float> hi;
    for (const Point& p : iCells) {
        if (!p.isValid())
            continue;
        for (int a = 0; a < 3; ++a) {
            lo[a] = any ? std::min(lo[a], p.position[a]) : p.position[a];
            hi[a] = any ? std::max(hi[a], p.position[a]) : p.position[a];
        }
        any = true;
    }
    const Vector3T<float> center = (hi + lo) * 0.5f;
    const Vector3T<float> size = hi - lo;
    return BoundingBox(Vector3T<double>(center.x, center.y, center.z), Vector3T<double>(size.x, size.y, size.z));
}

using PointKey = std::tuple<float, float, float, std::uint32_t>;

PointKey keyOf(const Vector3T<float>& iPosition, const Color& iColor)
{
    return PointKey(iPosition.x, iPosition.y, iPosition.z, iColor.toUInt32());
}

bool insideNode(const SparseVoxelOctree& iOctree, const SparseVoxelOctreeNode& iNode, const Vector3T<float>& iPoint)
{
    const Vector3T<float> root(iOctree.getBoundingBox().getSize());
    const Vector3T<float> size = getNodeSize(iNode.getDepth(), root);
    for (int a = 0; a < 3; ++a) {
        const float half = size[a] * 0.5f;
        const float slack = 1e-5f * (1.0f + std::abs(iNode.getCenter()[a]) + half);
        if (std::abs(iPoint[a] - iNode.getCenter()[a]) > half + slack)
            return false;
    }
    return true;
}

// Every valid cell lies in exactly one leaf, with its colour, inside that leaf's node; the leaf
// entries' counts and running first indices add up to the valid count.
void expectPointOctree(const PointSystem& iSystem, const std::vector<Point>& iCells)
{
    const SparseVoxelOctree& octree = iSystem.getOctree();
    const LeafBlockPool<PointBlock>& leaves = iSystem.getLeafBlockPool();
    EXPECT_EQ(octree.getBoundingBox(), validBox(iCells));
    std::vector<PointKey> expected;
    for (const Point& p : iCells)
        if (p.isValid())
            expected.push_back(keyOf(p.position, p.color));
    std::vector<PointKey> found;
    unsigned running = 0;
    std::vector<int> leafUse(leaves.getEntries().size(), 0);
    for (const SparseVoxelOctreeNode* node : octree.getNodeList()) {
        if (node->hasChild())
            continue;
        const LeafInfo<PointBlock>* entry = leaves.getEntry(node->getFirstIndex());
        ASSERT_NE(entry, nullptr) << "node " << node->getIndex();
        ASSERT_NE(entry->getBlock(), nullptr);
        ++leafUse[std::size_t(node->getFirstIndex())];
        const PointBlock& block = *entry->getBlock();
        ASSERT_EQ(block.positions.size(), entry->getCount());
        ASSERT_EQ(block.colors.size(), entry->getCount());
        EXPECT_EQ(entry->getFirstIndex(), running);
        running += entry->getCount();
        for (std::size_t k = 0; k < block.positions.size(); ++k) {
            EXPECT_TRUE(insideNode(octree, *node, block.positions[k])) << "node " << node->getIndex();
            found.push_back(keyOf(block.positions[k], block.colors[k]));
        }
    }
    for (int use : leafUse)
        EXPECT_EQ(use, 1);
    EXPECT_EQ(leaves.getTotal(), running);
    std::sort(expected.begin(), expected.end());
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, expected);
}

// The same for a point-matrix octree: the leaves name every valid cell index once.
void expectIndexOctree(const IndexSystem& iSystem, const PointCloudData& iData)
{
    const SparseVoxelOctree& octree = iSystem.getOctree();
    const LeafBlockPool<PointIndexBlock>& leaves = iSystem.getLeafBlockPool();
    EXPECT_EQ(octree.getBoundingBox(), validBox(iData.pointList));
    std::vector<unsigned> expected;
    for (std::size_t k = 0; k < iData.pointList.size(); ++k)
        if (iData.pointList[k].isValid())
            expected.push_back(unsigned(k));
    std::vector<unsigned> found;
    for (const SparseVoxelOctreeNode* node : octree.getNodeList()) {
        if (node->hasChild())
            continue;
        const LeafInfo<PointIndexBlock>* entry = leaves.getEntry(node->getFirstIndex());
        ASSERT_NE(entry, nullptr);
        ASSERT_NE(entry->getBlock(), nullptr);
        for (unsigned index : entry->getBlock()->indices) {
            ASSERT_LT(index, iData.pointList.size());
            EXPECT_TRUE(insideNode(octree, *node, iData.pointList[index].position));
            found.push_back(index);
        }
    }
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, expected);
    EXPECT_EQ(leaves.getTotal(), unsigned(expected.size()));
}

class KestruneTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(access(programPath().c_str(), X_OK), 0) << "no program at " << programPath();
    }

    std::string path(const std::string& iName) const { return mDir.file(iName); }
    void write(const std::string& iName, const std::string& iText) const { writeFile(path(iName), iText); }
    // Every entry of the folder, hidden ones included, sorted.
    Names files() const
    {
        Names names;
        for (const auto& entry : std::filesystem::directory_iterator(mDir.path()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    bool exists(const std::string& iName) const
    {
        struct stat st;
        return lstat(path(iName).c_str(), &st) == 0;
    }
    RunResult run(const std::vector<std::string>& iArgs, const testutil::ProcessLimits& iLimits = {}) const
    {
        return testutil::runProgram(programPath(), iArgs, mDir.path(), iLimits);
    }
    // The file a run onto out.zrpcd writes before it is put in place, as /proc/<id>/fd/<n>: an
    // unnamed file of the folder that the run holds open, or its named staged file; empty while
    // there is none.
    std::string stagingFile(pid_t iPid) const
    {
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator("/proc/" + std::to_string(iPid) + "/fd", error)) {
            const std::string target = std::filesystem::read_symlink(entry.path(), error).string();
            const std::string name = std::filesystem::path(target).filename().string();
            const bool unnamed = name[0] == '#' && target.find(" (deleted)") != std::string::npos;
            if (target.rfind(mDir.path() + "/", 0) == 0 && (unnamed || name.rfind(".out.zrpcd.", 0) == 0))
                return entry.path().string();
        }
        return std::string();
    }
    // A run onto out.zrpcd, held right after it made its staged file (or, with iWritten, once it
    // has written to it) while iWhileHeld runs.
    RunResult runHeld(const std::string& iIn, const std::function<void(pid_t)>& iWhileHeld,
                      const testutil::ProcessLimits& iLimits = {}, bool iWritten = false) const
    {
        return testutil::runProgram(programPath(), {iIn, "out.zrpcd", "4", "1"}, mDir.path(), iLimits, [&](pid_t iPid) {
            ASSERT_TRUE(testutil::stopWhen(iPid, [&] {
                struct stat st;
                const std::string file = stagingFile(iPid);
                return !file.empty() && (!iWritten || (stat(file.c_str(), &st) == 0 && st.st_size > 0));
            }));
            iWhileHeld(iPid);
        });
    }

    bool loadPoints(const std::string& iName, int* oPointNumber, PointSystem* oSystem) const
    {
        testutil::CoutCapture quiet;
        SVOBFileOperator file(path(iName));
        return file.load(oPointNumber, &oSystem->getOctree(), &oSystem->getVoxelBlockPool(),
                         &oSystem->getLeafBlockPool());
    }
    bool loadMatrixFile(const std::string& iName, PointCloudData* oData, IndexSystem* oSystem) const
    {
        testutil::CoutCapture quiet;
        std::string error;
        return loadZRPCDFile(path(iName), oData, &oSystem->getOctree(), &oSystem->getVoxelBlockPool(),
                             &oSystem->getLeafBlockPool(), error);
    }

    testutil::TempDir mDir;
};

// 2 columns x 3 rows; the fourth cell is empty.
const std::vector<std::string> kScanLines = {
    "1 2 3 0.5 10 20 30", "-1 0.5 2 1.0 40 50 60", "4 -2 1 0.25 70 80 90",
    "0 0 0 0.5",          "2 2 2 1",               "3 1 -1 0 200 201 202",
};

std::vector<Point> scanCells()
{
    return {makePoint(1, 2, 3, Color(10, 20, 30, 127)),      makePoint(-1, 0.5f, 2, Color(40, 50, 60, 255)),
            makePoint(4, -2, 1, Color(70, 80, 90, 63)),      makePoint(0, 0, 0, Color(255, 255, 255, 127), 2),
            makePoint(2, 2, 2, Color(255, 255, 255, 255)),   makePoint(3, 1, -1, Color(200, 201, 202, 0))};
}

// 5 columns x 4 rows, cell (c, r) at (c + 1, r + 1, 10c + r + 1) coloured (40c, 60r, 5); cell
// (2, 2) is empty.
std::vector<std::string> gridLines()
{
    std::vector<std::string> lines;
    for (int c = 0; c < 5; ++c)
        for (int r = 0; r < 4; ++r) {
            if (c == 2 && r == 2) {
                lines.push_back("0 0 0 1");
                continue;
            }
            lines.push_back(std::to_string(c + 1) + " " + std::to_string(r + 1) + " " +
                            std::to_string(10 * c + r + 1) + " 1 " + std::to_string(40 * c) + " " +
                            std::to_string(60 * r) + " 5");
        }
    return lines;
}

Point gridCell(int c, int r)
{
    if (c == 2 && r == 2)
        return makePoint(0, 0, 0, Color(255, 255, 255, 255), Point::Deleted);
    return makePoint(float(c + 1), float(r + 1), float(10 * c + r + 1), Color(40 * c, 60 * r, 5, 255));
}

std::vector<Point> gridCells()
{
    std::vector<Point> cells;
    for (int c = 0; c < 5; ++c)
        for (int r = 0; r < 4; ++r)
            cells.push_back(gridCell(c, r));
    return cells;
}

// ---------------------------------------------------------------------------
// Command line and suffixes
// ---------------------------------------------------------------------------

TEST_F(KestruneTest, WrongArgumentCountPrintsUsageAndEndsWith255)
{
    const std::vector<std::string> usage = {
        "Argument Error...",
        "arg1: Imported File Name, arg2: Exportd File Name, arg3: Voxel Resolution (1, 2, 3, ...), "
        "arg4: Sampling Pitch (1, 2, 3, ...)"};
    write("in.ptx", ptxText(2, 3, kScanLines));
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{}, std::vector<std::string>{"in.ptx", "out.zrpcd", "4"},
          std::vector<std::string>{"in.ptx", "out.zrpcd", "4", "1", "extra"}}) {
        const RunResult r = run(args);
        ASSERT_TRUE(r.exited);
        EXPECT_EQ(r.status, 255) << args.size() << " arguments";
        EXPECT_EQ(r.lines, usage);
    }
    EXPECT_FALSE(exists("out.zrpcd"));
}

TEST_F(KestruneTest, UnsupportedSuffixesAreRefusedBeforeAnythingIsRead)
{
    struct Case
    {
        std::string in, out, inSuffix, outSuffix, named;
    };
    // The inputs do not exist: opening one would print the reader's lines.
    const std::vector<Case> cases = {
        {"scan.PCD", "out.zrpcd", "PCD", "zrpcd", "PCD"},
        {"scan.ptx", "out.txt", "ptx", "txt", "txt"},
        {"scan", "out.zrpcd", "", "zrpcd", ""},
        {"scan.zrpmd", "out.zrpcd", "zrpmd", "zrpcd", "zrpmd"},
        {"scan.pts", "out.zrpmd", "pts", "zrpmd", "pts"},
        {"scan.ptx", "out.ZRPCD", "ptx", "ZRPCD", "ZRPCD"},
        {"scan.bin", "out.txt", "bin", "txt", "bin"},
        {"dir.old/scan", "out.zrpcd", "old/scan", "zrpcd", "old/scan"},
    };
    for (const Case& c : cases) {
        const RunResult r = run({c.in, c.out, "4", "1"});
        ASSERT_TRUE(r.exited);
        EXPECT_EQ(r.status, 0) << c.in << " " << c.out;
        EXPECT_EQ(r.lines, concat(echoLines(c.in, c.out, "4", "1", c.inSuffix, c.outSuffix),
                                  {"Error: Non-Supported File Suffix. --> " + c.named}));
        EXPECT_FALSE(exists(c.out)) << c.out;
    }
}

TEST_F(KestruneTest, SuffixIsTheLastPieceAfterADot)
{
    // Empty pieces are dropped, so a..ptx reads as ptx; the reader then opens the file.
    write("a..ptx", ptxText(2, 3, kScanLines));
    const RunResult r = run({"a..ptx", "b.zrpcd", "4", "1"});
    expectConverted(r, concat(echoLines("a..ptx", "b.zrpcd", "4", "1", "ptx", "zrpcd"),
                              {"Start: import File...", "PTX File Loading...", "number of columns: 2",
                               "number of rows: 3", "Point Number: 5", "Start: export file..."}));
    EXPECT_TRUE(exists("b.zrpcd"));
}

TEST_F(KestruneTest, VoxelResolutionOutsideOneToSixtyFourIsRefusedAndNothingIsWritten)
{
    write("in.ptx", ptxText(2, 3, kScanLines));
    write("old.zrpcd", "previous contents");
    for (const std::string& resolution : Names{"0", "-1", "65", "1000", "abc"}) {
        for (const std::string& out : Names{"out.zrpcd", "out.zrpmd", "old.zrpcd"}) {
            const RunResult r = run({"in.ptx", out, resolution, "1"});
            ASSERT_TRUE(r.exited);
            EXPECT_EQ(r.status, 0) << resolution;
            const std::string shown = resolution == "abc" ? "0" : resolution;
            EXPECT_EQ(r.lines, concat(echoLines("in.ptx", out, shown, "1", "ptx", out.substr(4)),
                                      {"Error: Voxel Resolution must be 1 to 64."}));
        }
    }
    EXPECT_FALSE(exists("out.zrpcd"));
    EXPECT_FALSE(exists("out.zrpmd"));
    EXPECT_EQ(readFile(path("old.zrpcd")), "previous contents");
}

TEST_F(KestruneTest, VoxelResolutionsOneAndSixtyFourAreAccepted)
{
    write("in.ptx", ptxText(2, 3, kScanLines));
    for (int resolution : {1, 64}) {
        const std::string out = "out" + std::to_string(resolution) + ".zrpcd";
        const RunResult r = run({"in.ptx", out, std::to_string(resolution), "1"});
        ASSERT_TRUE(r.exited);
        ASSERT_EQ(r.status, 1) << resolution;
        PointSystem system;
        int pointNumber = 0;
        ASSERT_TRUE(loadPoints(out, &pointNumber, &system));
        EXPECT_EQ(system.getOctree().getVoxelResolution(), resolution);
        EXPECT_EQ(pointNumber, 5);
        expectPointOctree(system, scanCells());
    }
}

// ---------------------------------------------------------------------------
// Conversions
// ---------------------------------------------------------------------------

TEST_F(KestruneTest, PTXToOctreePointFile)
{
    write("in.ptx", ptxText(2, 3, kScanLines));
    const RunResult r = run({"in.ptx", "out.zrpcd", "4", "1"});
    expectConverted(r, concat(echoLines("in.ptx", "out.zrpcd", "4", "1", "ptx", "zrpcd"),
                              {"Start: import File...", "PTX File Loading...", "number of columns: 2",
                               "number of rows: 3", "Point Number: 5", "Start: export file..."}));
    EXPECT_FALSE(hasLine(r.lines, "Start: sampling..."));

    EXPECT_EQ(headerText(readFile(path("out.zrpcd"))), "QuillmarshPointCloudData 0.1 PC<ColorBlock,PointBlock>");
    PointSystem system;
    int pointNumber = 0;
    ASSERT_TRUE(loadPoints("out.zrpcd", &pointNumber, &system));
    EXPECT_EQ(pointNumber, 5);
    const SparseVoxelOctree& octree = system.getOctree();
    EXPECT_EQ(octree.getVoxelResolution(), 4);
    // min (-1, -2, -1), max (4, 2, 3)
    EXPECT_EQ(octree.getBoundingBox(), BoundingBox(Vector3D(1.5, 0, 1), Vector3D(5, 4, 4)));
    // Five points are fewer than 4^3: the root is the only node and a leaf, in cell order.
    ASSERT_EQ(octree.getNodeNumber(), 1u);
    EXPECT_EQ(octree.getLayerSizeList(), std::vector<int>({1}));
    ASSERT_EQ(system.getLeafBlockPool().getEntries().size(), 1u);
    const PointBlock& block = *system.getLeafBlockPool().getEntries()[0]->getBlock();
    const std::vector<Point> cells = scanCells();
    const std::vector<std::size_t> valid = {0, 1, 2, 4, 5};
    ASSERT_EQ(block.positions.size(), valid.size());
    for (std::size_t k = 0; k < valid.size(); ++k) {
        EXPECT_EQ(block.positions[k], cells[valid[k]].position) << k;
        EXPECT_EQ(block.colors[k], cells[valid[k]].color) << k;
    }
    expectPointOctree(system, cells);
}

TEST_F(KestruneTest, PTXToPointMatrixFileKeepsEveryCell)
{
    write("in.ptx", ptxText(2, 3, kScanLines));
    const RunResult r = run({"in.ptx", "out.zrpmd", "4", "1"});
    expectConverted(r, concat(echoLines("in.ptx", "out.zrpmd", "4", "1", "ptx", "zrpmd"),
                              {"Start: import File...", "PTX File Loading...", "number of columns: 2",
                               "number of rows: 3", "Point Number: 5", "Start: export file..."}));
    EXPECT_EQ(headerText(readFile(path("out.zrpmd"))),
              "QuillmarshPointCloudData 0.0 PCM/PC<ColorBlock,PointIndexBlock>");
    PointCloudData data;
    IndexSystem system;
    ASSERT_TRUE(loadMatrixFile("out.zrpmd", &data, &system));
    expectSameMatrix(data, 2, 3, scanCells());
    ASSERT_EQ(system.getOctree().getNodeNumber(), 1u);
    EXPECT_EQ(system.getLeafBlockPool().getEntries()[0]->getBlock()->indices, std::vector<unsigned>({0, 1, 2, 4, 5}));
    expectIndexOctree(system, data);
}

TEST_F(KestruneTest, DividedOctreeMatchesHandBuiltTree)
{
    // The eight corners of [1, 3]^3 in octant order, and a ninth point in octant 7 with (1, 1, 1).
    const std::vector<Vector3T<float>> positions = {{3, 3, 3}, {1, 3, 3}, {3, 1, 3}, {1, 1, 3}, {3, 3, 1},
                                                    {1, 3, 1}, {3, 1, 1}, {1, 1, 1}, {1.5f, 1.5f, 1.5f}};
    std::vector<std::string> lines;
    std::vector<Point> cells;
    for (std::size_t k = 0; k < positions.size(); ++k) {
        const Vector3T<float>& p = positions[k];
        lines.push_back(numberformat::toString(p.x) + " " + numberformat::toString(p.y) + " " +
                        numberformat::toString(p.z) + " 1 " + std::to_string(10 * k) + " " + std::to_string(k) +
                        " 200");
        cells.push_back(makePoint(p.x, p.y, p.z, Color(10 * k, k, 200, 255)));
    }
    write("in.ptx", ptxText(3, 3, lines));
    const RunResult r = run({"in.ptx", "out.zrpcd", "2", "1"});
    ASSERT_TRUE(r.exited);
    ASSERT_EQ(r.status, 1);

    PointSystem system;
    int pointNumber = 0;
    ASSERT_TRUE(loadPoints("out.zrpcd", &pointNumber, &system));
    EXPECT_EQ(pointNumber, 9);
    const SparseVoxelOctree& octree = system.getOctree();
    EXPECT_EQ(octree.getBoundingBox(), BoundingBox(Vector3D(2, 2, 2), Vector3D(2, 2, 2)));
    // Nine points reach 2^3: the root is divided into eight leaves, one per octant.
    ASSERT_EQ(octree.getNodeNumber(), 9u);
    EXPECT_EQ(octree.getLayerSizeList(), std::vector<int>({1, 8}));
    const SparseVoxelOctreeNode* root = octree.getNode(0);
    for (int o = 0; o < 8; ++o)
        EXPECT_NE(root->getChildFlag(o), 0) << o;
    EXPECT_EQ(root->getFirstIndex(), 1);
    // Voxel 0 of the root holds (1, 1, 1) and then (1.5, 1.5, 1.5): the last one gives the colour.
    EXPECT_EQ(root->getColor(), Color(80, 8, 200, 255));
    const LeafBlockPool<PointBlock>& leaves = system.getLeafBlockPool();
    ASSERT_EQ(leaves.getEntries().size(), 8u);
    for (int o = 0; o < 8; ++o) {
        const SparseVoxelOctreeNode* node = octree.getNode(1 + o);
        EXPECT_FALSE(node->hasChild());
        EXPECT_EQ(node->getDepth(), 1);
        const Vector3T<float> center(o & 1 ? 1.5f : 2.5f, o & 2 ? 1.5f : 2.5f, o & 4 ? 1.5f : 2.5f);
        EXPECT_EQ(node->getCenter(), center) << o;
        ASSERT_EQ(node->getFirstIndex(), o);
        const LeafInfo<PointBlock>& entry = *leaves.getEntries()[std::size_t(o)];
        EXPECT_EQ(entry.getFirstIndex(), unsigned(o));
        EXPECT_EQ(entry.getCount(), o == 7 ? 2u : 1u);
        EXPECT_EQ(entry.getBlock()->positions.front(), positions[std::size_t(o)]);
        EXPECT_EQ(entry.getBlock()->colors.front(), cells[std::size_t(o)].color);
    }
    EXPECT_EQ(leaves.getEntries()[7]->getBlock()->positions.back(), positions[8]);
    EXPECT_EQ(leaves.getTotal(), 9u);
    expectPointOctree(system, cells);
}

TEST_F(KestruneTest, MatrixWithoutValidPointsGivesAnEmptyRootLeaf)
{
    write("in.ptx", ptxText(2, 1, {"0 0 0 0.5", "0 0 0 1"}));
    const RunResult r = run({"in.ptx", "out.zrpcd", "4", "1"});
    ASSERT_TRUE(r.exited);
    ASSERT_EQ(r.status, 1);
    EXPECT_EQ(r.lines.back(), "Convert OK.");
    PointSystem system;
    int pointNumber = -1;
    ASSERT_TRUE(loadPoints("out.zrpcd", &pointNumber, &system));
    EXPECT_EQ(pointNumber, 0);
    EXPECT_EQ(system.getOctree().getBoundingBox(), BoundingBox());
    ASSERT_EQ(system.getOctree().getNodeNumber(), 1u);
    ASSERT_EQ(system.getLeafBlockPool().getEntries().size(), 1u);
    EXPECT_EQ(system.getLeafBlockPool().getEntries()[0]->getCount(), 0u);
    EXPECT_EQ(system.getOctree().getNode(0)->getColor(), Color(255, 255, 255, 255));
}

TEST_F(KestruneTest, PCDWithColoursAndEmptyCells)
{
    write("in.pcd", pcdText("WIDTH 3", "HEIGHT 2",
                            {"1 2 3 " + pcdColor(255, 0, 0), "nan nan nan " + pcdColor(0, 0, 0),
                             "-4 0.5 2 " + pcdColor(0, 128, 7), "1 inf 2 " + pcdColor(1, 2, 3),
                             "2 2 2 nan", "0 0 0 " + pcdColor(9, 8, 7)}));
    const RunResult r = run({"in.pcd", "out.zrpmd", "4", "1"});
    expectConverted(r, concat(echoLines("in.pcd", "out.zrpmd", "4", "1", "pcd", "zrpmd"),
                              {"Start: import File...", "PCD File Loading...", "Point Number: 3",
                               "Start: export file..."}));
    PointCloudData data;
    IndexSystem system;
    ASSERT_TRUE(loadMatrixFile("out.zrpmd", &data, &system));
    // A PCD cell at the origin is a point; non-finite and nan cells are empty.
    expectSameMatrix(data, 3, 2,
                     {makePoint(1, 2, 3, Color(255, 0, 0)), emptyCell(), makePoint(-4, 0.5f, 2, Color(0, 128, 7)),
                      emptyCell(), emptyCell(), makePoint(0, 0, 0, Color(9, 8, 7))});
    expectIndexOctree(system, data);
}

TEST_F(KestruneTest, ShortPCDIsPaddedWithEmptyCells)
{
    write("in.pcd", pcdText("WIDTH 3", "HEIGHT 2",
                            {"1 1 1 " + pcdColor(1, 1, 1), "2 2 2 " + pcdColor(2, 2, 2), "3 3 3 " + pcdColor(3, 3, 3),
                             "4 4 4 " + pcdColor(4, 4, 4)}));
    const RunResult r = run({"in.pcd", "out.zrpmd", "4", "1"});
    ASSERT_TRUE(r.exited);
    ASSERT_EQ(r.status, 1);
    EXPECT_TRUE(hasLine(r.lines, "Point Number: 4"));
    PointCloudData data;
    IndexSystem system;
    ASSERT_TRUE(loadMatrixFile("out.zrpmd", &data, &system));
    expectSameMatrix(data, 3, 2,
                     {makePoint(1, 1, 1, Color(1, 1, 1)), makePoint(2, 2, 2, Color(2, 2, 2)),
                      makePoint(3, 3, 3, Color(3, 3, 3)), makePoint(4, 4, 4, Color(4, 4, 4)), emptyCell(),
                      emptyCell()});
    expectIndexOctree(system, data);

    // The octree point file counts the valid points only.
    ASSERT_EQ(run({"in.pcd", "out.zrpcd", "4", "2"}).status, 1);
    PointSystem points;
    int pointNumber = 0;
    ASSERT_TRUE(loadPoints("out.zrpcd", &pointNumber, &points));
    // Pitch 2 on 3 x 2: cell (0, 0) only.
    EXPECT_EQ(pointNumber, 1);
    expectPointOctree(points, {makePoint(1, 1, 1, Color(1, 1, 1))});
}

TEST_F(KestruneTest, JPGISGridUnderBothSuffixes)
{
    // 3 x 2 grid, one height below 0.
    const std::string text = jpgisText("0 0", "2 1", {"12.5", "13", "-9999", "14.25", "15", "16"});
    for (const std::string& in : Names{"in.xml", "in.jpgis"}) {
        write(in, text);
        PointCloudData direct;
        std::vector<std::string> importerLines;
        {
            testutil::CoutCapture capture;
            ASSERT_TRUE(initByJPGISFile(&direct, path(in)));
            importerLines = capture.lines();
        }
        ASSERT_EQ(direct.pointList.size(), 6u);
        ASSERT_EQ(direct.validPointNumber, 5u);

        const std::string out = in.substr(3) + ".zrpmd";
        const RunResult r = run({in, out, "4", "1"});
        expectConverted(r, concat(concat(echoLines(in, out, "4", "1", in.substr(3), "zrpmd"),
                                         {"Start: import File...", "JPGIS File Loading..."}),
                                  concat(importerLines, {"Start: export file..."})));
        PointCloudData data;
        IndexSystem system;
        ASSERT_TRUE(loadMatrixFile(out, &data, &system));
        expectSameMatrix(data, 3, 2, direct.pointList);
        EXPECT_EQ(data.pointList[2].flag, unsigned(Point::Deleted));
        EXPECT_EQ(data.pointList[0].color, Color(0, 0, 255, 255));
        EXPECT_EQ(data.pointList[0].position.z, 12.5f * 0.001f);
        expectIndexOctree(system, data);
    }
}

// ---------------------------------------------------------------------------
// Thinning
// ---------------------------------------------------------------------------

TEST_F(KestruneTest, PitchTwoKeepsEveryOtherColumnAndRow)
{
    write("grid.ptx", ptxText(5, 4, gridLines()));
    const RunResult r = run({"grid.ptx", "out.zrpmd", "4", "2"});
    expectConverted(r, concat(echoLines("grid.ptx", "out.zrpmd", "4", "2", "ptx", "zrpmd"),
                              {"Start: import File...", "PTX File Loading...", "number of columns: 5",
                               "number of rows: 4", "Point Number: 19", "Start: sampling...",
                               "Start: export file..."}));
    PointCloudData data;
    IndexSystem system;
    ASSERT_TRUE(loadMatrixFile("out.zrpmd", &data, &system));
    // Column-major again: (0,0), (0,2), (2,0), (2,2); the last is the empty cell, copied as it is.
    expectSameMatrix(data, 2, 2, {gridCell(0, 0), gridCell(0, 2), gridCell(2, 0), gridCell(2, 2)});
    EXPECT_EQ(data.validPointNumber, 3u);
    expectIndexOctree(system, data);
}

TEST_F(KestruneTest, PitchBelowTwoLeavesTheMatrixAsRead)
{
    write("grid.ptx", ptxText(5, 4, gridLines()));
    for (const std::string& pitch : Names{"1", "0", "-3", "x"}) {
        const RunResult r = run({"grid.ptx", "out.zrpmd", "4", pitch});
        const std::string shown = pitch == "x" ? "0" : pitch;
        expectConverted(r, concat(echoLines("grid.ptx", "out.zrpmd", "4", shown, "ptx", "zrpmd"),
                                  {"Start: import File...", "PTX File Loading...", "number of columns: 5",
                                   "number of rows: 4", "Point Number: 19", "Start: export file..."}));
        EXPECT_FALSE(hasLine(r.lines, "Start: sampling..."));
        PointCloudData data;
        IndexSystem system;
        ASSERT_TRUE(loadMatrixFile("out.zrpmd", &data, &system));
        expectSameMatrix(data, 5, 4, gridCells());
    }
}

TEST_F(KestruneTest, PitchBeyondTheMatrixKeepsTheFirstCell)
{
    write("grid.ptx", ptxText(5, 4, gridLines()));
    // 5 / 3 = 1 and 4 / 3 = 1; beyond the size, one row and one column still remain.
    for (const std::string& pitch : Names{"3", "10", "2147483647"}) {
        const RunResult r = run({"grid.ptx", "out.zrpmd", "4", pitch});
        ASSERT_TRUE(r.exited);
        ASSERT_EQ(r.status, 1) << pitch;
        EXPECT_TRUE(hasLine(r.lines, "Start: sampling..."));
        PointCloudData data;
        IndexSystem system;
        ASSERT_TRUE(loadMatrixFile("out.zrpmd", &data, &system));
        expectSameMatrix(data, 1, 1, {gridCell(0, 0)});
    }
}

TEST_F(KestruneTest, PitchTwoOnAPCDOfHeightOneKeepsItsPoints)
{
    std::vector<std::string> lines;
    std::vector<Point> kept;
    for (int k = 0; k < 7; ++k) {
        lines.push_back(std::to_string(k + 1) + " 0 " + std::to_string(-k) + " " + pcdColor(k, 2 * k, 3 * k));
        if (k % 2 == 0 && k < 6)
            kept.push_back(makePoint(float(k + 1), 0, float(-k), Color(k, 2 * k, 3 * k)));
    }
    write("row.pcd", pcdText("WIDTH 7", "HEIGHT 1", lines));
    const RunResult r = run({"row.pcd", "out.zrpcd", "4", "2"});
    expectConverted(r, concat(echoLines("row.pcd", "out.zrpcd", "4", "2", "pcd", "zrpcd"),
                              {"Start: import File...", "PCD File Loading...", "Point Number: 7",
                               "Start: sampling...", "Start: export file..."}));
    // W' = 7 / 2 = 3, H' = 1: cells 0, 2, 4.
    PointSystem system;
    int pointNumber = 0;
    ASSERT_TRUE(loadPoints("out.zrpcd", &pointNumber, &system));
    EXPECT_EQ(pointNumber, 3);
    expectPointOctree(system, kept);

    ASSERT_EQ(run({"row.pcd", "out.zrpmd", "4", "2"}).status, 1);
    PointCloudData data;
    IndexSystem matrix;
    ASSERT_TRUE(loadMatrixFile("out.zrpmd", &data, &matrix));
    expectSameMatrix(data, 3, 1, kept);
}

TEST_F(KestruneTest, PitchTwoOnARowMajorGridKeepsEveryOtherRowAndColumn)
{
    // A 6 x 4 PCD grid, row after row; cell (column c, row r) at (c, r, 0).
    std::vector<std::string> lines;
    std::vector<Point> kept;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 6; ++c) {
            lines.push_back(std::to_string(c) + " " + std::to_string(r) + " 0 " + pcdColor(c, r, 0));
            if (r % 2 == 0 && c % 2 == 0)
                kept.push_back(makePoint(float(c), float(r), 0, Color(c, r, 0)));
        }
    write("grid.pcd", pcdText("WIDTH 6", "HEIGHT 4", lines));
    // A point-matrix file keeps no order: it is told from the points.
    ASSERT_EQ(run({"grid.pcd", "whole.zrpmd", "4", "1"}).status, 1);
    ASSERT_EQ(std::rename(path("whole.zrpmd").c_str(), path("whole.zrpcd").c_str()), 0);
    for (const std::string& in : Names{"grid.pcd", "whole.zrpcd"}) {
        ASSERT_EQ(run({in, "out.zrpmd", "4", "2"}).status, 1) << in;
        PointCloudData data;
        IndexSystem matrix;
        ASSERT_TRUE(loadMatrixFile("out.zrpmd", &data, &matrix));
        // Still row after row: (0,0) (2,0) (4,0), then (0,2) (2,2) (4,2).
        expectSameMatrix(data, 3, 2, kept);
    }

    // A 16-ring lidar, where 16 cells along a ring lie nearer than the next ring: its
    // point-matrix file is thinned as the PCD itself.
    PointCloudData lidar;
    ASSERT_TRUE(scanfixture::read(&lidar, path("lidar.pcd"), scanfixture::lidar(3600, {0.5, 0.2, 0.0})));
    ASSERT_EQ(run({"lidar.pcd", "lidar.zrpmd", "4", "1"}).status, 1);
    ASSERT_EQ(std::rename(path("lidar.zrpmd").c_str(), path("lidar.zrpcd").c_str()), 0);
    for (const std::string& in : Names{"lidar.pcd", "lidar.zrpcd"})
        ASSERT_EQ(run({in, in + ".thin.zrpmd", "4", "2"}).status, 1) << in;
    const std::string direct = readFile(path("lidar.pcd.thin.zrpmd"));
    EXPECT_FALSE(direct.empty());
    EXPECT_TRUE(readFile(path("lidar.zrpcd.thin.zrpmd")) == direct);
}

// ---------------------------------------------------------------------------
// Point-matrix files as input, round trips, determinism
// ---------------------------------------------------------------------------

TEST_F(KestruneTest, PointMatrixFileAsInputReproducesTheDirectConversion)
{
    write("grid.ptx", ptxText(5, 4, gridLines()));
    ASSERT_EQ(run({"grid.ptx", "direct.zrpcd", "4", "1"}).status, 1);
    ASSERT_EQ(run({"grid.ptx", "matrix.zrpmd", "4", "1"}).status, 1);
    ASSERT_EQ(std::rename(path("matrix.zrpmd").c_str(), path("matrix.zrpcd").c_str()), 0);

    const RunResult r = run({"matrix.zrpcd", "again.zrpcd", "4", "1"});
    expectConverted(r, concat(echoLines("matrix.zrpcd", "again.zrpcd", "4", "1", "zrpcd", "zrpcd"),
                              {"Start: import File...", "ZRPCD File Loading...", "Start: export file..."}));
    const std::string direct = readFile(path("direct.zrpcd"));
    ASSERT_FALSE(direct.empty());
    EXPECT_TRUE(readFile(path("again.zrpcd")) == direct);

    // And back into a point-matrix file: the same bytes as the first one.
    ASSERT_EQ(run({"matrix.zrpcd", "again.zrpmd", "4", "1"}).status, 1);
    EXPECT_TRUE(readFile(path("again.zrpmd")) == readFile(path("matrix.zrpcd")));

    // Thinning a matrix read from a file works on its stored grid.
    ASSERT_EQ(run({"matrix.zrpcd", "thin.zrpmd", "4", "2"}).status, 1);
    PointCloudData data;
    IndexSystem system;
    ASSERT_TRUE(loadMatrixFile("thin.zrpmd", &data, &system));
    expectSameMatrix(data, 2, 2, {gridCell(0, 0), gridCell(0, 2), gridCell(2, 0), gridCell(2, 2)});
}

TEST_F(KestruneTest, OctreePointFileUnderTheMatrixSuffixIsRefusedByTheHeader)
{
    write("in.ptx", ptxText(2, 3, kScanLines));
    ASSERT_EQ(run({"in.ptx", "points.zrpcd", "4", "1"}).status, 1);
    const std::string before = readFile(path("points.zrpcd"));
    for (const std::string& out : Names{"out.zrpcd", "out.zrpmd"}) {
        const RunResult r = run({"points.zrpcd", out, "4", "1"});
        ASSERT_TRUE(r.exited);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.lines, concat(echoLines("points.zrpcd", out, "4", "1", "zrpcd", out.substr(4)),
                                  {"Start: import File...", "ZRPCD File Loading...", "Error Version: 0.1",
                                   "Error: Point Cloud Data Loading."}));
        EXPECT_FALSE(exists(out));
    }
    EXPECT_TRUE(readFile(path("points.zrpcd")) == before);
}

TEST_F(KestruneTest, SameInputGivesTheSameBytes)
{
    write("grid.ptx", ptxText(5, 4, gridLines()));
    write("row.pcd", pcdText("WIDTH 3", "HEIGHT 1",
                             {"1 2 3 " + pcdColor(1, 2, 3), "nan 0 0 0", "7 8 9 " + pcdColor(7, 8, 9)}));
    write("grid.xml", jpgisText("0 0", "2 1", {"1", "2", "3", "4", "5", "6"}));
    for (const std::string& in : Names{"grid.ptx", "row.pcd", "grid.xml"}) {
        for (const std::string& suffix : Names{"zrpcd", "zrpmd"}) {
            for (const std::string& resolution : Names{"1", "4"}) {
                ASSERT_EQ(run({in, "first." + suffix, resolution, "1"}).status, 1) << in;
                ASSERT_EQ(run({in, "second." + suffix, resolution, "1"}).status, 1) << in;
                const std::string first = readFile(path("first." + suffix));
                ASSERT_FALSE(first.empty());
                EXPECT_TRUE(readFile(path("second." + suffix)) == first) << in << " -> " << suffix;
            }
        }
    }
}

// ---------------------------------------------------------------------------
// Failures
// ---------------------------------------------------------------------------

struct FailedImport
{
    std::string name;
    std::string text;
    std::vector<std::string> readerLines; // between "Start: import File..." and the loading error
};

TEST_F(KestruneTest, FailedImportReportsAndLeavesNoOutput)
{
    const std::vector<FailedImport> cases = {
        {"missing.ptx", "", {"PTX File Loading...", "Error: open file stream ... missing.ptx"}},
        {"zero-columns.ptx",
         ptxText(0, 3, {}),
         {"PTX File Loading...", "number of columns: 0", "Error: number of columns"}},
        {"zero-rows.ptx",
         ptxText(2, 0, {}),
         {"PTX File Loading...", "number of columns: 2", "number of rows: 0", "Error: number of rows"}},
        {"no-rows.ptx", "2\n", {"PTX File Loading...", "number of columns: 2", "Error: read number of rows"}},
        {"five-words.ptx",
         ptxText(2, 1, {"1 2 3 0.5", "1 2 3 0.5 9"}),
         {"PTX File Loading...", "number of columns: 2", "number of rows: 1", "Error: piont data"}},
        {"short.ptx",
         ptxText(2, 2, {"1 2 3 0.5"}),
         {"PTX File Loading...", "number of columns: 2", "number of rows: 2", "Error: read piont"}},
        {"no-width.pcd",
         "# .PCD v.7 - Point Cloud Data file format\nVERSION .7\nFIELDS x y z rgb\nSIZE 4 4 4 4\nTYPE F F F F\n"
         "COUNT 1 1 1 1\n",
         {"PCD File Loading...", "Error: read WIDTH"}},
        {"width-word.pcd", pcdText("WIDTH", "HEIGHT 1", {}), {"PCD File Loading...", "Error: read WIDTH"}},
        {"no-height.pcd", pcdText("WIDTH 2", "HEIGHT", {}), {"PCD File Loading...", "Error: read HEIGHT"}},
        {"one-corner.xml",
         "<jps:coordValues>0 0</jps:coordValues>\n<alti>1</alti>\n",
         {"JPGIS File Loading...", "Error: row or high date is not exist."}},
        {"missing.zrpcd", "", {"ZRPCD File Loading..."}},
        {"garbage.zrpcd", "not an octree file", {"ZRPCD File Loading..."}},
    };
    for (const FailedImport& c : cases) {
        if (c.name.rfind("missing", 0) != 0)
            write(c.name, c.text);
        for (const std::string& out : Names{"out.zrpcd", "out.zrpmd"}) {
            const RunResult r = run({c.name, out, "4", "1"});
            ASSERT_TRUE(r.exited) << c.name;
            EXPECT_EQ(r.status, 0) << c.name;
            const std::string suffix = c.name.substr(c.name.rfind('.') + 1);
            EXPECT_EQ(r.lines, concat(concat(echoLines(c.name, out, "4", "1", suffix, out.substr(4)),
                                             {"Start: import File..."}),
                                      concat(c.readerLines, {"Error: Point Cloud Data Loading."})))
                << c.name;
            EXPECT_FALSE(exists(out)) << c.name;
        }
    }
}

TEST_F(KestruneTest, JPGISGridBelowOneColumnOrRowFails)
{
    for (const std::string& high : Names{"-1 1", "2 -1"}) {
        write("bad.xml", jpgisText("0 0", high, {"1", "2"}));
        const RunResult r = run({"bad.xml", "out.zrpcd", "4", "1"});
        ASSERT_TRUE(r.exited);
        EXPECT_EQ(r.status, 0);
        ASSERT_GE(r.lines.size(), 3u);
        EXPECT_EQ(r.lines[r.lines.size() - 2], "Error: grid size is out of range.");
        EXPECT_EQ(r.lines.back(), "Error: Point Cloud Data Loading.");
        EXPECT_TRUE(hasLine(r.lines, high == "-1 1" ? "Number X: 0" : "Number Y: 0"));
        EXPECT_FALSE(exists("out.zrpcd"));
    }
}

TEST_F(KestruneTest, FailedImportLeavesAnEarlierOutputAlone)
{
    write("old.zrpcd", "previous contents");
    write("bad.ptx", ptxText(2, 1, {"1 2 3"}));
    const RunResult r = run({"bad.ptx", "old.zrpcd", "4", "1"});
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.lines.back(), "Error: Point Cloud Data Loading.");
    EXPECT_EQ(readFile(path("old.zrpcd")), "previous contents");
}

TEST_F(KestruneTest, OutputInAMissingFolderFails)
{
    write("in.ptx", ptxText(2, 3, kScanLines));
    for (const std::string& out : Names{"missing/out.zrpcd", "missing/out.zrpmd"}) {
        const RunResult r = run({"in.ptx", out, "4", "1"});
        ASSERT_TRUE(r.exited);
        EXPECT_EQ(r.status, 0) << out;
        ASSERT_GE(r.lines.size(), 3u);
        EXPECT_EQ(r.lines[r.lines.size() - 3], "Cannot open file for writting: " + out);
        EXPECT_EQ(r.lines.back(), "Error: Export File Writing. --> " + out);
        EXPECT_FALSE(hasLine(r.lines, "Convert OK."));
    }
    EXPECT_FALSE(exists("missing"));
}

TEST_F(KestruneTest, OutputThatIsAFolderIsLeftAlone)
{
    write("in.ptx", ptxText(2, 3, kScanLines));
    for (const std::string& out : Names{"out.zrpcd", "out.zrpmd"}) {
        ASSERT_EQ(mkdir(path(out).c_str(), 0755), 0);
        write(out + "/inside.txt", "kept");
        const RunResult r = run({"in.ptx", out, "4", "1"});
        ASSERT_TRUE(r.exited);
        EXPECT_EQ(r.status, 0) << out;
        ASSERT_GE(r.lines.size(), 3u);
        EXPECT_EQ(r.lines[r.lines.size() - 3], "Cannot open file for writting: " + out);
        EXPECT_EQ(r.lines.back(), "Error: Export File Writing. --> " + out);
        struct stat st;
        ASSERT_EQ(stat(path(out).c_str(), &st), 0);
        EXPECT_TRUE(S_ISDIR(st.st_mode));
        EXPECT_EQ(readFile(path(out + "/inside.txt")), "kept");
    }
}

// Writes past the file size limit fail (the program ignores SIGXFSZ): an older output, also
// one reached through a link, stays as it was and no staging file is left.
TEST_F(KestruneTest, FailedWriteKeepsTheOlderOutputAndLeavesNoStagingFile)
{
    write("grid.ptx", ptxText(5, 4, gridLines()));
    write("old.zrpcd", "previous contents");
    write("old.zrpmd", "previous matrix");
    ASSERT_EQ(symlink("old.zrpcd", path("link.zrpcd").c_str()), 0);
    const Names before = files();
    for (const std::string& out : Names{"new.zrpcd", "new.zrpmd", "old.zrpcd", "old.zrpmd", "link.zrpcd"}) {
        for (long long limit : {0LL, 40LL, 300LL}) {
            SCOPED_TRACE(out + " limit " + std::to_string(limit));
            const RunResult r = run({"grid.ptx", out, "4", "1"}, {limit});
            ASSERT_TRUE(r.exited && r.lines.size() >= 2);
            EXPECT_EQ(r.status, 0);
            EXPECT_EQ(r.lines[r.lines.size() - 2], "Error: File too large");
            EXPECT_EQ(r.lines.back(), "Error: Export File Writing. --> " + out);
            EXPECT_EQ(files(), before);
        }
    }
    EXPECT_EQ(readFile(path("old.zrpcd")), "previous contents");
    EXPECT_EQ(readFile(path("old.zrpmd")), "previous matrix");
}

// A million points fit in 60 MB of address space, their octree does not.
TEST_F(KestruneTest, OutOfMemoryWhileBuildingEndsWithAMessageAndKeepsTheOlderOutput)
{
    if (!testutil::kCanLimitAddressSpace)
        GTEST_SKIP() << "no address space limit under a sanitizer";
    std::vector<std::string> lines;
    for (int k = 0; k < 1000000; ++k)
        lines.push_back(std::to_string(k / 1000) + " " + std::to_string(k % 1000) + " " + std::to_string(k % 97) +
                        " 1");
    write("big.ptx", ptxText(1000, 1000, lines));
    write("old.zrpcd", "previous contents");
    const Names before = files();
    const RunResult r = run({"big.ptx", "old.zrpcd", "4", "1"}, {-1, 60000LL * 1024});
    ASSERT_TRUE(r.exited && r.lines.size() >= 3);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(Names(r.lines.end() - 3, r.lines.end()),
              (Names{"Start: export file...", "Error: out of memory", "Error: Export File Writing. --> old.zrpcd"}));
    EXPECT_EQ(files(), before);
    EXPECT_EQ(readFile(path("old.zrpcd")), "previous contents");
}

TEST_F(KestruneTest, OutputDeviceThatRefusesWritesIsNotRemoved)
{
    // A private node of the always-full device: writes to it fail with "no space".
    write("in.ptx", ptxText(2, 3, kScanLines));
    for (const std::string& out : Names{"full.zrpcd", "full.zrpmd"}) {
        if (mknod(path(out).c_str(), S_IFCHR | 0666, makedev(1, 7)) != 0)
            GTEST_SKIP() << "cannot make a device node here: " << std::strerror(errno);
        const RunResult r = run({"in.ptx", out, "4", "1"});
        ASSERT_TRUE(r.exited);
        EXPECT_EQ(r.status, 0) << out;
        ASSERT_GE(r.lines.size(), 2u);
        EXPECT_EQ(r.lines[r.lines.size() - 2], "Error: No space left on device");
        EXPECT_EQ(r.lines.back(), "Error: Export File Writing. --> " + out);
        struct stat st;
        ASSERT_EQ(lstat(path(out).c_str(), &st), 0) << out << " was removed";
        EXPECT_TRUE(S_ISCHR(st.st_mode));
    }
}


// The second run starts while the first holds its staging file: the destination is always one
// run's whole output, in the end that of the run that renamed last; both reported success.
TEST_F(KestruneTest, TwoRunsOntoOneDestinationLeaveOneWholeOutput)
{
    if (!testutil::canTrace())
        GTEST_SKIP() << "this system refuses ptrace, which holds a run mid-write";
    write("a.ptx", ptxText(5, 4, gridLines()));
    write("b.ptx", ptxText(2, 3, kScanLines));
    ASSERT_EQ(run({"a.ptx", "a.zrpcd", "4", "1"}).status, 1);
    ASSERT_EQ(run({"b.ptx", "b.zrpcd", "4", "1"}).status, 1);
    const RunResult first = runHeld("a.ptx", [&](pid_t) {
        EXPECT_EQ(run({"b.ptx", "out.zrpcd", "4", "1"}).status, 1);
        EXPECT_TRUE(readFile(path("out.zrpcd")) == readFile(path("b.zrpcd")));
    });
    EXPECT_EQ(first.status, 1);
    EXPECT_TRUE(readFile(path("out.zrpcd")) == readFile(path("a.zrpcd")));
    EXPECT_EQ(files(), (Names{"a.ptx", "a.zrpcd", "b.ptx", "b.zrpcd", "out.zrpcd"}));
}

TEST_F(KestruneTest, InterruptDuringTheWriteRemovesTheStagingFile)
{
    if (!testutil::canTrace())
        GTEST_SKIP() << "this system refuses ptrace, which holds a run mid-write";
    write("grid.ptx", ptxText(5, 4, gridLines()));
    write("out.zrpcd", "previous contents");
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        EXPECT_EQ(runHeld("grid.ptx", [signal](pid_t iPid) { kill(iPid, signal); }).signal, signal);
        EXPECT_EQ(files(), (Names{"grid.ptx", "out.zrpcd"}));
        EXPECT_EQ(readFile(path("out.zrpcd")), "previous contents");
    }
}

// Runs killed while writing leave nothing, and the output never shows more rights than it has: a
// user's private file rewritten by root keeps its owner and the rights it has when the run ends;
// while it is written the new file is root's alone.
TEST_F(KestruneTest, KilledRunsLeaveNothingAndAPrivateOutputStaysPrivate)
{
    if (!testutil::canTrace())
        GTEST_SKIP() << "this system refuses ptrace, which holds a run mid-write";
    umask(022);
    write("grid.ptx", ptxText(5, 4, gridLines()));
    write("out.zrpcd", "previous contents");
    const uid_t owner = getuid() == 0 ? 65534 : getuid();
    ASSERT_EQ(chmod(path("out.zrpcd").c_str(), 0600) | chown(path("out.zrpcd").c_str(), owner, gid_t(-1)), 0);
    auto status = [](const std::string& iPath) {
        struct stat st;
        return stat(iPath.c_str(), &st) == 0 ? std::make_pair(int(st.st_mode & 07777), st.st_uid)
                                             : std::make_pair(-1, uid_t(-1));
    };
    for (int k = 0; k < 3; ++k) {
        const RunResult r = runHeld(
            "grid.ptx",
            [&](pid_t iPid) {
                EXPECT_EQ(status(stagingFile(iPid)), std::make_pair(0600, getuid()));
                if (k < 2)
                    kill(iPid, SIGKILL);
                else
                    chmod(path("out.zrpcd").c_str(), 0640);
            },
            {}, true);
        EXPECT_EQ(r.signal, k < 2 ? SIGKILL : 0);
    }
    EXPECT_EQ(files(), (Names{"grid.ptx", "out.zrpcd"}));
    EXPECT_EQ(status(path("out.zrpcd")), std::make_pair(0640, owner));
}

// A writable output in a folder where the user may not put a new file in its place, his own in a
// read-only folder or root's in a sticky one, is written in place as nobody.
TEST_F(KestruneTest, WritableOutputInAFolderThatTakesNoNewFileIsWrittenInPlace)
{
    write("in.ptx", ptxText(2, 3, kScanLines));
    const bool root = getuid() == 0;
    ASSERT_EQ(chmod(mDir.path().c_str(), 0755), 0);
    for (const auto& folder : {std::make_pair(std::string("shut"), 0555), std::make_pair(std::string("shared"), 01777)}) {
        SCOPED_TRACE(folder.first);
        const std::string out = folder.first + "/out.zrpcd";
        ASSERT_EQ(mkdir(path(folder.first).c_str(), 0755), 0);
        write(out, "previous contents");
        ASSERT_EQ(chmod(path(out).c_str(), 0666), 0);
        if (root && folder.second == 0555) {
            ASSERT_EQ(chown(path(folder.first).c_str(), 65534, 65534) | chown(path(out).c_str(), 65534, 65534), 0);
        }
        ASSERT_EQ(chmod(path(folder.first).c_str(), mode_t(folder.second)), 0);
        EXPECT_EQ(run({"in.ptx", out, "4", "1"}, {-1, -1, true}).status, 1);
        int number = 0;
        PointSystem system;
        EXPECT_TRUE(loadPoints(out, &number, &system) && number == 5);
        chmod(path(folder.first).c_str(), 0755);
    }
}

// The link stays and the file it names, relative to the link's folder, is made.
TEST_F(KestruneTest, LinkToAFileNotYetThereIsWrittenThrough)
{
    write("in.ptx", ptxText(2, 3, kScanLines));
    ASSERT_TRUE(std::filesystem::create_directory(path("links")) && std::filesystem::create_directory(path("real")));
    std::filesystem::create_symlink("../real/out.zrpcd", path("links/out.zrpcd"));
    EXPECT_EQ(run({"in.ptx", "links/out.zrpcd", "4", "1"}).status, 1);
    EXPECT_TRUE(std::filesystem::is_symlink(path("links/out.zrpcd")));
    int number = 0;
    PointSystem system;
    EXPECT_TRUE(loadPoints("real/out.zrpcd", &number, &system) && number == 5);
}

// Root's run onto another user's link in a sticky folder that everyone may write: where the
// system protects such links, it follows neither that link nor one to a file not there yet, and
// the run fails as a plain open would; the files they name stay as they were. Root's own link
// there is written through.
TEST_F(KestruneTest, AnotherUsersLinkInASharedFolderIsNotFollowed)
{
    if (getuid() != 0)
        GTEST_SKIP() << "needs root, to make a link of another user";
    const testutil::LinkProtection protection;
    if (!protection.on())
        GTEST_SKIP() << protection.reason();
    write("in.ptx", ptxText(2, 3, kScanLines));
    ASSERT_EQ(mkdir(path("shared").c_str(), 01777) | chmod(path("shared").c_str(), 01777), 0);
    ASSERT_EQ(mkdir(path("private").c_str(), 0700), 0);
    write("private/precious", "precious");
    for (const std::string target : {"precious", "planted"}) {
        SCOPED_TRACE(target);
        const std::string link = "shared/" + target + ".zrpcd";
        ASSERT_EQ(symlink(path("private/" + target).c_str(), path(link).c_str()), 0);
        ASSERT_EQ(lchown(path(link).c_str(), 65534, 65534), 0);
        const RunResult r = run({"in.ptx", link, "4", "1"});
        ASSERT_TRUE(r.exited && r.lines.size() >= 3);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(Names(r.lines.end() - 3, r.lines.end()),
                  (Names{"Cannot open file for writting: " + link, "Error: Permission denied",
                         "Error: Export File Writing. --> " + link}));
        EXPECT_TRUE(std::filesystem::is_symlink(path(link)));
    }
    EXPECT_EQ(readFile(path("private/precious")), "precious");
    EXPECT_FALSE(std::filesystem::exists(path("private/planted")));
    ASSERT_EQ(symlink(path("private/own.zrpcd").c_str(), path("shared/own.zrpcd").c_str()), 0);
    EXPECT_EQ(run({"in.ptx", "shared/own.zrpcd", "4", "1"}).status, 1);
    int number = 0;
    PointSystem system;
    EXPECT_TRUE(loadPoints("private/own.zrpcd", &number, &system) && number == 5);
}

// The place of the output is found when the run starts. A link put at a new output's name while
// the run writes, to a file in another folder, is replaced by the output; a link re-pointed
// meanwhile to another folder leaves the output where the link named at the start. Nothing
// reaches the other folder.
TEST_F(KestruneTest, LinksChangedWhileTheRunWritesLeadNowhereElse)
{
    if (!testutil::canTrace())
        GTEST_SKIP() << "this system refuses ptrace, which holds a run mid-write";
    write("grid.ptx", ptxText(5, 4, gridLines()));
    ASSERT_EQ(run({"grid.ptx", "whole.zrpcd", "4", "1"}).status, 1);
    const std::string whole = readFile(path("whole.zrpcd"));
    ASSERT_TRUE(std::filesystem::create_directory(path("other")) && std::filesystem::create_directory(path("real")));
    for (bool unnamed : {true, false}) {
        SCOPED_TRACE(unnamed ? "unnamed staged file" : "named staged file");
        testutil::ProcessLimits limits;
        limits.withoutUnnamedFiles = !unnamed;
        RunResult r = runHeld(
            "grid.ptx", [&](pid_t) { ASSERT_EQ(symlink(path("other/planted").c_str(), path("out.zrpcd").c_str()), 0); },
            limits, true);
        EXPECT_EQ(r.status, 1);
        EXPECT_FALSE(std::filesystem::is_symlink(path("out.zrpcd")));
        EXPECT_TRUE(readFile(path("out.zrpcd")) == whole);
        ASSERT_EQ(unlink(path("out.zrpcd").c_str()), 0);

        ASSERT_EQ(symlink("real/out.zrpcd", path("out.zrpcd").c_str()), 0);
        r = runHeld(
            "grid.ptx",
            [&](pid_t) {
                ASSERT_EQ(unlink(path("out.zrpcd").c_str()), 0);
                ASSERT_EQ(symlink("other/elsewhere", path("out.zrpcd").c_str()), 0);
            },
            limits, true);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(std::filesystem::read_symlink(path("out.zrpcd")), "other/elsewhere");
        EXPECT_TRUE(readFile(path("real/out.zrpcd")) == whole);
        ASSERT_EQ(unlink(path("out.zrpcd").c_str()) | unlink(path("real/out.zrpcd").c_str()), 0);
        EXPECT_TRUE(std::filesystem::is_empty(path("other")));
        EXPECT_TRUE(std::filesystem::is_empty(path("real")));
    }
}

// The writer's lock lies beyond the data: a file server that holds a lock against the file's
// other opens would otherwise refuse the writes made through the writer's own open.
TEST_F(KestruneTest, TheWritersLockCoversNoByteOfTheData)
{
    if (!testutil::canTrace())
        GTEST_SKIP() << "this system refuses ptrace, which holds a run mid-write";
    write("grid.ptx", ptxText(5, 4, gridLines()));
    for (bool unnamed : {true, false}) {
        SCOPED_TRACE(unnamed ? "unnamed staged file" : "named staged file");
        testutil::ProcessLimits limits;
        limits.withoutUnnamedFiles = !unnamed;
        const RunResult r = runHeld(
            "grid.ptx",
            [&](pid_t iPid) {
                struct stat file;
                ASSERT_EQ(stat(stagingFile(iPid).c_str(), &file), 0);
                std::ifstream locks("/proc/locks");
                std::string line;
                int held = 0;
                while (std::getline(locks, line)) {
                    std::istringstream fields(line.substr(line.find(':') + 1));
                    std::string kind, mode, access, owner, where;
                    long long start = 0;
                    fields >> kind >> mode >> access >> owner >> where >> start;
                    if (where.substr(where.rfind(':') + 1) != std::to_string(file.st_ino))
                        continue;
                    ++held;
                    EXPECT_GE(start, (long long)(file.st_size) + (1ll << 40)) << line;
                }
                EXPECT_EQ(held, 1);
            },
            limits, true);
        EXPECT_EQ(r.status, 1);
    }
}

// The folder would let a rename replace it, but the user may not write the file: refused as a
// direct write was. Root may write anything, so the run is made as nobody.
TEST_F(KestruneTest, WriteProtectedDestinationIsRefusedAndKept)
{
    write("in.ptx", ptxText(2, 3, kScanLines));
    write("out.zrpcd", "previous contents");
    ASSERT_EQ(chmod(path("out.zrpcd").c_str(), 0444) | chmod(mDir.path().c_str(), 0777), 0);
    const RunResult r = run({"in.ptx", "out.zrpcd", "4", "1"}, {-1, -1, true});
    ASSERT_TRUE(r.exited && r.lines.size() >= 3);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(Names(r.lines.end() - 3, r.lines.end()),
              (Names{"Cannot open file for writting: out.zrpcd", "Error: Permission denied",
                     "Error: Export File Writing. --> out.zrpcd"}));
    EXPECT_EQ(readFile(path("out.zrpcd")), "previous contents");
}

// The staging name is cut to the file name limit of 255 bytes, between characters.
TEST_F(KestruneTest, NameOf250BytesConverts)
{
    write("in.ptx", ptxText(2, 3, kScanLines));
    const std::string out = std::string(244, 'n') + ".zrpcd";
    EXPECT_EQ(run({"in.ptx", out, "4", "1"}).status, 1);
    EXPECT_EQ(files(), (Names{"in.ptx", out}));
}

// Two runs onto one destination on a file system without unnamed files, the first held just
// after it made its staged file, before it could lock it. The second runs in a pid namespace of
// its own, where it has the first's process id (1), or in this one: it keeps off the first's file
// and puts its whole output in place; the first, finishing last, then puts its own.
TEST_F(KestruneTest, RunsOfOneIdInTwoPidNamespacesKeepTheirOwnStagedFiles)
{
    std::string reason;
    if (!testutil::canTrace())
        GTEST_SKIP() << "this system refuses ptrace, which holds a run mid-write";
    if (!testutil::canMakePidNamespace(&reason))
        GTEST_SKIP() << reason;
    write("a.ptx", ptxText(5, 4, gridLines()));
    write("b.ptx", ptxText(2, 3, kScanLines));
    ASSERT_EQ(run({"a.ptx", "a.zrpcd", "4", "1"}).status, 1);
    ASSERT_EQ(run({"b.ptx", "b.zrpcd", "4", "1"}).status, 1);
    testutil::ProcessLimits named;
    named.withoutUnnamedFiles = true;
    named.newPidNamespace = true;
    for (bool ownNamespace : {true, false}) {
        SCOPED_TRACE(ownNamespace ? "second run in a pid namespace of its own" : "second run here");
        const RunResult first = runHeld(
            "a.ptx",
            [&](pid_t iPid) {
                struct stat held;
                ASSERT_EQ(stat(stagingFile(iPid).c_str(), &held), 0);
                testutil::ProcessLimits second = named;
                second.newPidNamespace = ownNamespace;
                const RunResult r = run({"b.ptx", "out.zrpcd", "4", "1"}, second);
                EXPECT_EQ(r.status, 1);
                EXPECT_TRUE(readFile(path("out.zrpcd")) == readFile(path("b.zrpcd")));
                struct stat still;
                const std::string file = stagingFile(iPid);
                EXPECT_TRUE(stat(file.c_str(), &still) == 0 && still.st_ino == held.st_ino && still.st_nlink == 1);
                EXPECT_EQ(std::filesystem::read_symlink(file).string().rfind(path(".out.zrpcd."), 0), 0u);
            },
            named);
        ASSERT_TRUE(first.exited && !first.lines.empty());
        EXPECT_EQ(first.status, 1);
        EXPECT_EQ(first.lines.back(), "Convert OK.");
        EXPECT_TRUE(readFile(path("out.zrpcd")) == readFile(path("a.zrpcd")));
        EXPECT_EQ(files(), (Names{"a.ptx", "a.zrpcd", "b.ptx", "b.zrpcd", "out.zrpcd"}));
    }
}

// Under umask 0222 a new output is written and gets the mode that umask gives, 0444: the staged
// file stays writable by its writer. Run as an ordinary user (nobody, when root runs the tests).
TEST_F(KestruneTest, NewOutputUnderAUmaskWithoutWriteRights)
{
    write("in.ptx", ptxText(2, 3, kScanLines));
    ASSERT_EQ(chmod(mDir.path().c_str(), 0777), 0);
    for (bool unnamed : {true, false}) {
        SCOPED_TRACE(unnamed ? "unnamed staged file" : "named staged file");
        testutil::ProcessLimits limits;
        limits.asNobody = true;
        limits.umask = 0222;
        limits.withoutUnnamedFiles = !unnamed;
        const std::string out = unnamed ? "new.zrpcd" : "other.zrpcd";
        const RunResult r = run({"in.ptx", out, "4", "1"}, limits);
        EXPECT_EQ(r.status, 1) << (r.lines.empty() ? std::string() : r.lines.back());
        struct stat st;
        ASSERT_EQ(stat(path(out).c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0444u);
        int number = 0;
        PointSystem system;
        EXPECT_TRUE(loadPoints(out, &number, &system) && number == 5);
    }
    EXPECT_EQ(files(), (Names{"in.ptx", "new.zrpcd", "other.zrpcd"}));
}

} // namespace
