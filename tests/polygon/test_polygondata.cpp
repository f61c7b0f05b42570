// Mesh data held whole and as a polygon octree: index lists, loads whole and in parts of files
// made by the real Mervane, drawing by level with index-colour read-back, and the loader.
#include "polygon.h"
#include "polygonfiler.h"
#include "polygonimp.h"
#include "polygonloader.h"
#include "polygonsvoimp.h"

#include "glframe.h"
#include "jpgisfixture.h"
#include "polygonfixture.h"
#include "processrun.h"
#include "programtestutil.h"
#include "testutil.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

using testutil::appDir;
using testutil::CoutCapture;
using testutil::TempDir;

namespace {

using Body = PolygonSVOImp::Body;
using NodeList = std::vector<const SparseVoxelOctreeNode*>;

// Runs Mervane from the application folder; its exit status, or -100 when it did not run.
int runMervane(const std::string& iSource, const std::string& iDestination)
{
    QProcess mervane;
    mervane.start(appDir() + "/Mervane", {QString::fromStdString(iSource), QString::fromStdString(iDestination)});
    if (!mervane.waitForFinished(60000) || mervane.exitStatus() != QProcess::NormalExit)
        return -100;
    return mervane.exitCode();
}

std::vector<unsigned> leafTriangles(const Body* iBody)
{
    std::vector<unsigned> numbers;
    for (const LeafInfo<ElementIndexBlock>* entry : iBody->getLeafBlockPool().getEntries())
        if (entry && entry->getBlock())
            numbers.insert(numbers.end(), entry->getBlock()->indices.begin(), entry->getBlock()->indices.end());
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

std::unique_ptr<PolygonSVOImp> octreeOf(const std::string& iPath)
{
    auto imp = std::make_unique<PolygonSVOImp>();
    imp->filePath = iPath;
    return imp;
}

// Loads tree, every node layer and every block, through the staged loads.
void loadInParts(PolygonSVOImp* ioImp)
{
    CoutCapture quiet;
    std::string error;
    ASSERT_TRUE(ioImp->loadSVO_Base(error)) << error;
    ASSERT_TRUE(ioImp->loadSVO_Nodes(1 << 20, error)) << error;
    ioImp->updateIndexListForTriangle();
    EXPECT_FALSE(ioImp->isLoadedDrawVoxelData());
    EXPECT_FALSE(ioImp->isLoadedDrawLeafData());
    std::vector<const void*> keys = ioImp->getDrawVoxelNodeKeyList();
    ASSERT_TRUE(ioImp->loadSVO_Voxels(keys, error)) << error;
    ASSERT_TRUE(ioImp->loadSVO_Leafs(ioImp->getDrawLeafNodeKeyList(), error)) << error;
    EXPECT_TRUE(ioImp->isLoadedDrawVoxelData());
    EXPECT_TRUE(ioImp->isLoadedDrawLeafData());
}

} // namespace

TEST(PolygonImpTest, IndexListsAndDataSide)
{
    PolygonData* data = new PolygonData;
    ASSERT_TRUE(data->init(2, 2));
    data->triangles.resize(1);
    PolygonImp imp(data);
    imp.updateIndexListForTriangle();
    imp.updateIndexListForTriangleEdge();
    EXPECT_EQ(imp.getTriangleIndexList(), (std::vector<unsigned>{0, 2, 1}));
    EXPECT_EQ(imp.getEdgeIndexList(), (std::vector<unsigned>{0, 2, 2, 1, 1, 0}));
    EXPECT_EQ(imp.getSVOInterface(), nullptr);
    PolygonSVOImp octree;
    EXPECT_EQ(octree.getSVOInterface(), static_cast<PolygonSVOInterface*>(&octree));

    // The mesh object owns its data side: it keeps one until another comes, then frees it,
    // stopping the loads first.
    MyPolygon mesh;
    int stops = 0;
    mesh.setLoadStop([&stops]() { ++stops; });
    QSignalSpy changes(&mesh, SIGNAL(changedValue()));
    PolygonImp* first = new PolygonImp(new PolygonData);
    mesh.setPolygonInterface(first);
    mesh.setPolygonInterface(first);
    mesh.setPolygonInterface(nullptr);
    EXPECT_EQ(mesh.getPolygonInterface(), first);
    EXPECT_EQ(changes.count(), 1);
    EXPECT_EQ(stops, 0);
    mesh.setPolygonInterface(new PolygonSVOImp);
    EXPECT_EQ(stops, 1);
    EXPECT_EQ(changes.count(), 2);
}

TEST(PolygonSVOImpTest, MervaneFilesLoadWholeAndInPartsAlike)
{
    TempDir dir;
    PolygonData wave = polygonfixture::makeWave(12);
    ASSERT_TRUE(PolygonFiler(dir.file("wave.stl")).exportSTLFile_Binary(wave));
    testutil::writeFile(dir.file("dem.xml"),
                        jpgisfixture::jpgis({"0 0", "3 2"}, {"1", "2", "3", "4", "5", "-9999", "7", "8", "9", "10", "11", "12"}));

    for (const char* source : {"wave.stl", "dem.xml"}) {
        SCOPED_TRACE(source);
        const std::string zrply = dir.file(std::string(source) + ".zrply");
        ASSERT_EQ(runMervane(dir.file(source), zrply), 1);

        std::unique_ptr<PolygonSVOImp> whole = octreeOf(zrply);
        std::string error;
        ASSERT_TRUE(whole->loadSVO(error)) << error;
        std::unique_ptr<PolygonSVOImp> parts = octreeOf(zrply);
        loadInParts(parts.get());

        std::size_t wholeNodes = 0, partNodes = 0;
        std::vector<unsigned> wholeTriangles, partTriangles;
        whole->readBody([&](const Body* iBody) {
            wholeNodes = iBody->getOctree().getNodeNumber();
            wholeTriangles = leafTriangles(iBody);
        });
        parts->readBody([&](const Body* iBody) {
            partNodes = iBody->getOctree().getNodeNumber();
            partTriangles = leafTriangles(iBody);
        });
        EXPECT_GT(wholeNodes, 0u);
        EXPECT_EQ(partNodes, wholeNodes);
        EXPECT_EQ(partTriangles, wholeTriangles);
        int triangles = 0, vertices = 0;
        ASSERT_TRUE(loadZRPLYFile_PolygonInfo(zrply, &triangles, &vertices, error));
        // Every triangle lies in exactly one leaf.
        EXPECT_EQ(wholeTriangles.size(), std::size_t(triangles));
        if (std::string(source) == "wave.stl") {
            EXPECT_EQ(triangles, 288);
            EXPECT_EQ(vertices, 169);
        } else {
            EXPECT_EQ(vertices, 11);
        }
    }
}

TEST(PolygonSVOImpTest, MervaneRefusesAndWritesNothing)
{
    TempDir dir;
    testutil::writeFile(dir.file("notes.txt"), "no mesh");
    testutil::writeFile(dir.file("broken.stl"), "solid x\nfacet normal 0 0 1\n");
    ASSERT_TRUE(PolygonFiler(dir.file("ok.stl")).exportSTLFile_Binary(polygonfixture::makeWave(2)));
    {
        CoutCapture quiet;
        EXPECT_EQ(runMervane(dir.file("notes.txt"), dir.file("a.zrply")), 0);
        EXPECT_EQ(runMervane(dir.file("broken.stl"), dir.file("b.zrply")), 0);
        EXPECT_EQ(runMervane(dir.file("ok.stl"), dir.file("missing/folder/c.zrply")), 0);
        EXPECT_EQ(runMervane(dir.file("ok.stl"), dir.file("d.stl")), 0);
    }
    QProcess bare;
    bare.start(appDir() + "/Mervane", QStringList());
    ASSERT_TRUE(bare.waitForFinished(60000));
    EXPECT_EQ(bare.exitCode(), 255);
    EXPECT_EQ(QDir(QString::fromStdString(dir.path())).entryList(QDir::Files | QDir::Hidden).size(), 3);
}

// Out of disk or memory, Mervane ends with a message and status 0, not by a signal, and leaves
// no staging file. 300,000 separate triangles do not fit in 60 MB.
TEST(PolygonSVOImpTest, MervaneOutOfDiskOrMemoryKeepsTheOlderOutput)
{
    TempDir dir;
    PolygonData soup;
    for (unsigned t = 0; t < 300000; ++t) {
        const float x = float(t % 1000), y = float(t / 1000);
        soup.points.insert(soup.points.end(), {Vector3T<float>(x, y, 0), Vector3T<float>(x + 0.5f, y, 0.2f),
                                               Vector3T<float>(x, y + 0.5f, 0.1f * float(t % 7))});
        soup.triangles.push_back(Triangle{{3 * t, 3 * t + 1, 3 * t + 2}});
    }
    ASSERT_TRUE(PolygonFiler(dir.file("soup.stl")).exportSTLFile_Binary(soup));
    testutil::writeFile(dir.file("old.zrply"), "previous");
    const QDir folder(QString::fromStdString(dir.path()));
    const QStringList before = folder.entryList(QDir::Files | QDir::Hidden);
    const std::pair<testutil::ProcessLimits, std::string> cases[] = {
        {{200 * 1024, -1}, "Error: Export File Writing. --> old.zrply"},
        {{-1, 60000LL * 1024}, "Error: Polygon Data Loading. Not enough memory to read: soup.stl"}};
    for (const auto& limits : cases) {
        if (limits.first.addressSpace >= 0 && !testutil::kCanLimitAddressSpace)
            continue;
        const testutil::ProcessResult run =
            testutil::runProgram(testutil::programPath("Mervane"), {"soup.stl", "old.zrply"}, dir.path(), limits.first);
        ASSERT_TRUE(run.exited && !run.lines.empty()) << limits.second;
        EXPECT_EQ(run.status, 0) << limits.second;
        EXPECT_EQ(run.lines.back(), limits.second);
        if (limits.first.fileSize >= 0) {
            EXPECT_EQ(run.lines[run.lines.size() - 2], "Error: File too large");
        }
        EXPECT_EQ(testutil::readFile(dir.file("old.zrply")), "previous");
        EXPECT_EQ(folder.entryList(QDir::Files | QDir::Hidden), before);
    }
}

TEST(PolygonSVOImpTest, BrokenFilesAndKeysAreReported)
{
    TempDir dir;
    const std::string path = dir.file("wave.zrply");
    ASSERT_TRUE(polygonfixture::writeZRPLY(path, polygonfixture::makeWave(6), 2));
    std::string bytes;
    {
        QFile file(QString::fromStdString(path));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        bytes = file.readAll().toStdString();
    }
    const std::string cut = dir.file("cut.zrply");
    testutil::writeFile(cut, bytes.substr(0, bytes.size() - 40));

    CoutCapture quiet;
    std::string error;
    std::unique_ptr<PolygonSVOImp> broken = octreeOf(cut);
    EXPECT_FALSE(broken->loadSVO(error));
    EXPECT_FALSE(broken->hasData());
    EXPECT_FALSE(error.empty());

    // Without a body, and with keys of another octree.
    std::unique_ptr<PolygonSVOImp> imp = octreeOf(path);
    error.clear();
    EXPECT_FALSE(imp->loadSVO_Nodes(3, error));
    EXPECT_EQ(error, "Cannot access Body...");
    EXPECT_TRUE(imp->loadSVO_Voxels({}, error));
    EXPECT_EQ(error, "iNodeKeyList is Empty.");
    std::unique_ptr<PolygonSVOImp> other = octreeOf(path);
    loadInParts(other.get());
    ASSERT_TRUE(imp->loadSVO_Base(error));
    ASSERT_TRUE(imp->loadSVO_Nodes(1 << 20, error));
    EXPECT_FALSE(imp->loadSVO_Leafs(other->getDrawLeafNodeKeyList(), error));
    EXPECT_EQ(error, "Node key is not in the loaded octree.");
    // A second base load keeps the body and its layers.
    imp->updateIndexListForTriangle();
    const std::size_t drawn = imp->getDrawVoxelNodeKeyList().size();
    ASSERT_TRUE(imp->loadSVO_Base(error));
    imp->updateIndexListForTriangle();
    EXPECT_EQ(imp->getDrawVoxelNodeKeyList().size(), 2 * drawn);

    // Positions 2, 0 and one past the end.
    imp->setDrawVoxelNodeList({2, 0, 99999});
    const std::vector<const void*> kept = imp->getDrawVoxelNodeKeyList();
    ASSERT_EQ(kept.size(), 2u);
    imp->clearData();
    EXPECT_FALSE(imp->hasData());
    EXPECT_TRUE(imp->getDrawVoxelNodeKeyList().empty());
}

TEST(PolygonSVOImpTest, IndexColoursShowTheNodesAndLevelZeroSkipsUnloadedLeaves)
{
    if (!GLFrame::available())
        GTEST_SKIP() << "GL widgets need a display";
    constexpr int kSize = 64;
    GLFrame frame(kSize);
    ASSERT_TRUE(frame.isValid());
    // The wave fills 0..16 in x and y: scaled to the frame.
    glScalef(kSize / 16.0f, kSize / 16.0f, 1.0f);

    TempDir dir;
    const std::string path = dir.file("wave.zrply");
    ASSERT_TRUE(polygonfixture::writeZRPLY(path, polygonfixture::makeWave(16), 2));
    std::unique_ptr<PolygonSVOImp> imp = octreeOf(path);
    CoutCapture quiet;
    std::string error;
    ASSERT_TRUE(imp->loadSVO_Base(error));
    ASSERT_TRUE(imp->loadSVO_Nodes(1 << 20, error));
    imp->updateIndexListForTriangle();
    const std::size_t nodes = imp->getDrawVoxelNodeKeyList().size();

    imp->drawVoxelNodesWithIndexColor();
    std::set<unsigned> keys;
    for (const Color& c : frame.readAll()) {
        const unsigned key = c.toUInt32();
        if (key != 0xFFFFFFFFu)
            keys.insert(key);
    }
    EXPECT_GT(keys.size(), nodes / 4);
    EXPECT_LT(*keys.rbegin(), nodes);

    // Level 0 with no leaf loaded: voxels only, no leaf triangles, and no crash.
    frame.clear();
    imp->setDrawLevel(0);
    imp->drawPolygon();
    EXPECT_EQ(frame.countNot(Color(255, 255, 255, 255)), 0);

    // Loaded, the leaves' triangles cover the frame in the mesh's colours.
    std::unique_ptr<PolygonSVOImp> loaded = octreeOf(path);
    loadInParts(loaded.get());
    loaded->setDrawLevel(0);
    frame.clear();
    loaded->drawPolygon();
    EXPECT_GT(frame.countNot(Color(255, 255, 255, 255)), kSize * kSize * 9 / 10);
    // Vertex colours (9 i, 9 j, 50) blended over the triangles near the corner.
    const Color corner = frame.read(2, 2);
    EXPECT_EQ(corner.blue, 50);
    EXPECT_LT(corner.red, 20);
    EXPECT_LT(corner.green, 20);
    frame.clear();
    loaded->drawPolygonEdge(Color(0, 0, 255, 255));
    EXPECT_GT(frame.countNot(Color(255, 255, 255, 255)), 0);

    // A whole mesh draws its points at the given size and its edges in the given colour.
    PolygonData* square = new PolygonData;
    ASSERT_TRUE(square->init(2, 2)); // corners 0 and 0.1 apart: scaled to pixel 0 and 0.4
    for (Vector3T<float>& p : square->points)
        p = p * 100.0f + Vector3T<float>(3, 3, 0);
    PolygonImp whole(square);
    whole.updateIndexListForTriangle();
    whole.updateIndexListForTriangleEdge();
    frame.clear();
    whole.drawNode(5);
    EXPECT_GE(frame.countNot(Color(255, 255, 255, 255)), 4 * 25);
    frame.clear();
    whole.drawPolygonEdge(Color(0, 0, 255, 255));
    const std::vector<Color> pixels = frame.readAll();
    EXPECT_NE(std::find(pixels.begin(), pixels.end(), Color(0, 0, 255, 255)), pixels.end());
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST(PolygonLoaderTest, LoadsAtOnceOrInTheBackgroundAndSkipsWholeMeshes)
{
    TempDir dir;
    const std::string path = dir.file("wave.zrply");
    ASSERT_TRUE(polygonfixture::writeZRPLY(path, polygonfixture::makeWave(8), 2));
    std::unique_ptr<PolygonSVOImp> imp = octreeOf(path);
    PolygonSVOImp* octree = imp.get();
    CoutCapture quiet;
    std::string error;
    ASSERT_TRUE(octree->loadSVO_Base(error));
    ASSERT_TRUE(octree->loadSVO_Nodes(1 << 20, error));
    octree->updateIndexListForTriangle();
    MyPolygon octreeMesh;
    octreeMesh.setPolygonInterface(imp.release());
    MyPolygon wholeMesh;
    wholeMesh.setPolygonInterface(new PolygonImp(new PolygonData(polygonfixture::makeWave(2))));

    PolygonLoader loader;
    EXPECT_EQ(loader.loadData({&wholeMesh}, 0, true), 0);
    EXPECT_EQ(loader.loadData({&octreeMesh}, 2, true), 2);
    EXPECT_FALSE(loader.isRunning());

    // In the background: voxels first, then, asked again, the leaves.
    EXPECT_EQ(loader.loadData({&octreeMesh, &wholeMesh}, 0, true), 2);
    loader.wait();
    EXPECT_TRUE(octree->isLoadedDrawVoxelData());
    EXPECT_EQ(loader.loadData({&octreeMesh, &wholeMesh}, 0, true), 1);
    loader.wait();
    EXPECT_EQ(loader.loadData({&octreeMesh, &wholeMesh}, 0, true), 0);

    // At once: a fresh body is loaded before the call returns.
    loader.stopFully();
    octree->clearData();
    ASSERT_TRUE(octree->loadSVO_Base(error));
    ASSERT_TRUE(octree->loadSVO_Nodes(1 << 20, error));
    octree->updateIndexListForTriangle();
    EXPECT_EQ(loader.loadData({&octreeMesh}, 1, false), 1);
    EXPECT_EQ(loader.loadData({&octreeMesh}, 0, false), 0);
    EXPECT_TRUE(octree->isLoadedDrawLeafData());
    EXPECT_FALSE(loader.isStopRequested());
}

TEST(PolygonSVOImpTest, UnreadableBlocksAndTrianglesAreMarkedAndTheRestDraws)
{
    if (!GLFrame::available())
        GTEST_SKIP() << "GL widgets need a display";
    constexpr int kSize = 64;
    GLFrame frame(kSize);
    ASSERT_TRUE(frame.isValid());
    glScalef(kSize / 16.0f, kSize / 16.0f, 1.0f);

    TempDir dir;
    const std::string path = dir.file("wave.zrply");
    ASSERT_TRUE(polygonfixture::writeZRPLY(path, polygonfixture::makeWave(16), 2));
    const std::string bytes = testutil::readFile(path);
    CoutCapture quiet;
    std::string error;

    // Voxel blocks the file no longer holds: reported once, then counted as loaded.
    std::unique_ptr<PolygonSVOImp> cut = octreeOf(path);
    ASSERT_TRUE(cut->loadSVO_Base(error));
    ASSERT_TRUE(cut->loadSVO_Nodes(1 << 20, error));
    cut->updateIndexListForTriangle();
    testutil::writeFile(path, bytes.substr(0, bytes.size() / 2));
    EXPECT_FALSE(cut->loadSVO_Voxels(cut->getDrawVoxelNodeKeyList(), error));
    EXPECT_TRUE(cut->isLoadedDrawVoxelData());
    error.clear();
    EXPECT_TRUE(cut->loadSVO_Voxels(cut->getDrawVoxelNodeKeyList(), error));
    EXPECT_EQ(error, "");
    // A new body reads them again.
    testutil::writeFile(path, bytes);
    cut->clearData();
    loadInParts(cut.get());

    // The last triangle names a vertex the file does not have: its leaf draws nothing, and is
    // not read again on the next frame; every other leaf draws.
    std::unique_ptr<PolygonSVOImp> imp = octreeOf(path);
    loadInParts(imp.get());
    std::uint32_t headerLength = 0;
    std::memcpy(&headerLength, bytes.data(), 4);
    std::string broken = bytes;
    const std::size_t lastTriangle = 4 + headerLength + 4 + 511 * sizeof(Triangle);
    std::memset(&broken[lastTriangle], 0xFF, 4);
    // Triangle pixels carry the vertex colours' blue 50; the voxels around them are black.
    auto triangles = [&] {
        frame.clear();
        imp->drawPolygon();
        const std::vector<Color> pixels = frame.readAll();
        return std::count_if(pixels.begin(), pixels.end(), [](const Color& c) { return c.blue == 50; });
    };
    imp->setDrawLevel(0);
    const auto whole = triangles();
    testutil::writeFile(path, broken);
    imp->clearData();
    loadInParts(imp.get());
    imp->setDrawLevel(0);
    const auto drawn = triangles();
    EXPECT_GT(drawn, whole / 2);
    EXPECT_LT(drawn, whole);
    CoutCapture second;
    EXPECT_EQ(triangles(), drawn);
    EXPECT_EQ(second.text(), "");
}
