// The editor's save: what the saved octree point file holds when read back, and that a failed
// save leaves the previous file and nothing beside it.

#include "pointfilesave.h"

#include "fileoperation_svob.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <dirent.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <tuple>
#include <unistd.h>
#include <vector>

namespace {

using testutil::TempDir;
using PointSystem = SVOSystem<ColorBlock, PointBlock>;
using Cell = std::tuple<float, float, float, std::uint32_t, unsigned>; // x, y, z, colour, flags

Point makePoint(float x, float y, float z, unsigned iFlag)
{
    Point p;
    p.position = Vector3T<float>(x, y, z);
    p.color = Color(static_cast<unsigned char>(x * 7), static_cast<unsigned char>(y * 5), 9);
    p.flag = iFlag;
    return p;
}

// Save reads only the point list.
PointCloudData makeData(const std::vector<Point>& iPoints)
{
    PointCloudData data;
    data.pointList = iPoints;
    return data;
}

// The points that should come back: the undeleted ones with no marks.
std::vector<Cell> expectedCells(const PointCloudData& iData)
{
    std::vector<Cell> cells;
    for (const Point& p : iData.pointList) {
        if (p.isValid())
            cells.emplace_back(p.position.x, p.position.y, p.position.z, p.color.toUInt32(), 0u);
    }
    std::sort(cells.begin(), cells.end());
    return cells;
}

std::vector<Cell> loadedCells(const PointSystem& iSystem)
{
    std::vector<Cell> cells;
    for (const auto* entry : iSystem.getLeafBlockPool().getEntries()) {
        const PointBlock& block = *entry->getBlock();
        for (size_t k = 0; k < block.positions.size(); ++k)
            cells.emplace_back(block.positions[k].x, block.positions[k].y, block.positions[k].z,
                               block.colors[k].toUInt32(), block.flags[k]);
    }
    std::sort(cells.begin(), cells.end());
    return cells;
}

std::vector<std::string> folderEntries(const std::string& iPath)
{
    std::vector<std::string> names;
    if (DIR* dir = opendir(iPath.c_str())) {
        while (const dirent* e = readdir(dir)) {
            const std::string name = e->d_name;
            if (name != "." && name != "..")
                names.push_back(name);
        }
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST(PointFileSave, SavedFileHoldsTheUndeletedPointsUnmarked)
{
    std::vector<Point> mixed;
    for (int i = 0; i < 300; ++i)
        mixed.push_back(makePoint(float(i % 7), float(i % 11) * 0.5f, float(i % 13) - 6.0f, unsigned(i % 4)));
    // 200 identical points among a few others: the builder must stop dividing them.
    std::vector<Point> identical(200, makePoint(1.5f, 2.5f, 3.5f, Point::Selected));
    for (int i = 0; i < 5; ++i)
        identical.push_back(makePoint(float(i), 0.0f, 1.0f, i == 4 ? Point::Deleted : 0u));
    const std::vector<Point> allDeleted(50, makePoint(1, 2, 3, Point::Deleted | Point::Selected));

    for (const auto& points : {mixed, identical, allDeleted}) {
        TempDir dir;
        const std::string path = dir.file("cloud.zrpcd");
        testutil::writeFile(path, "previous contents");
        const PointCloudData data = makeData(points);
        std::string error;
        ASSERT_TRUE(savePointCloudDataAsSVOB(data, path, error)) << error;
        EXPECT_TRUE(error.empty());
        EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"cloud.zrpcd"});

        const std::vector<Cell> expected = expectedCells(data);
        SVOBFileOperator reader(path);
        PointSystem system;
        int pointNumber = -1;
        ASSERT_TRUE(reader.load(&pointNumber, &system.getOctree(), &system.getVoxelBlockPool(),
                                &system.getLeafBlockPool()));
        EXPECT_EQ(pointNumber, int(expected.size()));
        EXPECT_EQ(system.getOctree().getVoxelResolution(), 4);
        EXPECT_EQ(loadedCells(system), expected);

        SparseVoxelOctree base;
        int baseNumber = -1;
        ASSERT_TRUE(SVOBFileOperator(path).load_Base(&baseNumber, &base));
        EXPECT_EQ(baseNumber, int(expected.size()));
        if (expected.empty()) {
            // Nothing left: one empty root leaf.
            EXPECT_EQ(system.getOctree().getNodeNumber(), 1u);
            ASSERT_EQ(system.getLeafBlockPool().getEntries().size(), 1u);
            EXPECT_EQ(system.getLeafBlockPool().getEntries()[0]->getCount(), 0u);
        }
    }
}

// Runs the save in a child whose files cannot grow beyond iFileSizeLimit bytes, as on a full
// disk. Returns the child's result and message.
std::pair<bool, std::string> saveWithFileSizeLimit(const PointCloudData& iData, const std::string& iPath,
                                                   long long iFileSizeLimit)
{
    int fds[2];
    if (pipe(fds) != 0)
        return {true, "no pipe"};
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit = {rlim_t(iFileSizeLimit), rlim_t(iFileSizeLimit)};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
            _exit(2);
        std::string error;
        testutil::CoutCapture quiet;
        const bool ok = savePointCloudDataAsSVOB(iData, iPath, error);
        const ssize_t written = write(fds[1], error.data(), error.size());
        _exit(ok ? 0 : (written == ssize_t(error.size()) ? 1 : 3));
    }
    close(fds[1]);
    std::string message;
    char buffer[512];
    for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;)
        message.append(buffer, size_t(n));
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) <= 1) << status;
    return {WIFEXITED(status) && WEXITSTATUS(status) == 0, message};
}

TEST(PointFileSave, SaveThroughALinkReplacesTheFileItPointsTo)
{
    TempDir dir;
    ASSERT_EQ(mkdir(dir.file("real").c_str(), 0755), 0);
    const std::string real = dir.file("real/cloud.zrpcd");
    const std::string link = dir.file("link.zrpcd");
    std::string error;
    ASSERT_TRUE(savePointCloudDataAsSVOB(makeData({makePoint(1, 2, 3, 0)}), real, error));
    ASSERT_EQ(chmod(real.c_str(), 0600), 0);
    ASSERT_EQ(symlink(real.c_str(), link.c_str()), 0);

    ASSERT_TRUE(savePointCloudDataAsSVOB(makeData({makePoint(4, 5, 6, 0), makePoint(7, 8, 9, 0)}), link, error))
        << error;
    struct stat info;
    ASSERT_EQ(lstat(link.c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    ASSERT_EQ(stat(real.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    SparseVoxelOctree octree;
    VoxelBlockPool<ColorBlock> voxels;
    LeafBlockPool<PointBlock> leaves;
    int number = 0;
    testutil::CoutCapture quiet;
    ASSERT_TRUE(SVOBFileOperator(real).load(&number, &octree, &voxels, &leaves));
    EXPECT_EQ(number, 2);
    EXPECT_EQ(folderEntries(dir.file("real")), std::vector<std::string>{"cloud.zrpcd"});
}

TEST(PointFileSave, FailedSaveLeavesThePreviousFile)
{
    TempDir dir;
    const std::string path = dir.file("cloud.zrpcd");
    std::vector<Point> points;
    for (int i = 0; i < 400; ++i)
        points.push_back(makePoint(float(i % 9), float(i % 5), float(i % 17), 0));
    const PointCloudData data = makeData(points);
    std::string error;
    ASSERT_TRUE(savePointCloudDataAsSVOB(makeData({makePoint(1, 2, 3, 0)}), path, error));
    const std::string before = testutil::readFile(path);
    ASSERT_LT(before.size(), 1000u);

    // The disk fills up while the new, larger file is written.
    const auto full = saveWithFileSizeLimit(data, path, 1000);
    EXPECT_FALSE(full.first);
    EXPECT_EQ(full.second, "Cannot write file: " + path + ": File too large");
    EXPECT_TRUE(testutil::readFile(path) == before) << "the previous file changed";
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"cloud.zrpcd"});

    testutil::CoutCapture out;
    const std::string missing = dir.file("none/cloud.zrpcd");
    error.clear();
    EXPECT_FALSE(savePointCloudDataAsSVOB(data, missing, error));
    EXPECT_EQ(error, "Cannot open file for writting: " + missing + ": No such file or directory");

    const std::string folder = dir.file("folder.zrpcd");
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    error.clear();
    EXPECT_FALSE(savePointCloudDataAsSVOB(data, folder, error));
    EXPECT_EQ(error, "Cannot open file for writting: " + folder + ": Is a directory");
    EXPECT_TRUE(folderEntries(folder).empty());
    EXPECT_EQ(folderEntries(dir.path()), (std::vector<std::string>{"cloud.zrpcd", "folder.zrpcd"}));
    EXPECT_TRUE(testutil::readFile(path) == before) << "the previous file changed";
}

} // namespace
