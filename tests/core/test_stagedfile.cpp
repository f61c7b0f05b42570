// Staged writes where the file system offers unnamed files and where it does not: the rights of
// the file being replaced, and the staged files that killed writers left.

#include "stagedfile.h"

#include "testutil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

std::vector<std::string> folderEntries(const std::string& iPath)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(iPath))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

int modeOf(const std::string& iPath)
{
    struct stat info;
    return stat(iPath.c_str(), &info) == 0 ? int(info.st_mode & 07777) : -1;
}

pid_t deadProcessId()
{
    const pid_t pid = fork();
    if (pid == 0)
        _exit(0);
    waitpid(pid, nullptr, 0);
    return pid;
}

class StagedWrite : public ::testing::TestWithParam<bool>
{
protected:
    void TearDown() override { stagedfile::detail::allowUnnamedFiles(true); }
};

TEST_P(StagedWrite, DeadWritersFilesGoAndThePrivateFileStaysPrivate)
{
    const bool unnamed = GetParam();
    stagedfile::detail::allowUnnamedFiles(unnamed);
    testutil::TempDir dir;
    const std::string out = dir.file("cloud.zrpcd");
    testutil::writeFile(out, "previous contents");
    ASSERT_EQ(chmod(out.c_str(), 0600), 0);
    const std::string dead = std::to_string(deadProcessId());
    const std::string running = std::to_string(getppid());
    const std::vector<std::string> kept = {".cloud.zrpcd." + running + ".part", ".cloud.zrpcd.x.part",
                                           ".other.zrpcd." + dead + ".part", "cloud.zrpcd"};
    for (const std::string& name : kept)
        if (name != "cloud.zrpcd")
            testutil::writeFile(dir.file(name), "another writer's");
    testutil::writeFile(dir.file(".cloud.zrpcd." + dead + ".part"), "left by a killed writer");

    std::string message;
    std::string reason;
    const bool written = stagedfile::write(
        out,
        [&](const std::string& iPath) {
            EXPECT_EQ(modeOf(iPath), 0600);
            if (!unnamed)
                EXPECT_EQ(iPath, dir.file(".cloud.zrpcd." + std::to_string(getpid()) + ".part"));
            else
                EXPECT_EQ(folderEntries(dir.path()), kept);
            std::ofstream file(iPath, std::ios::binary | std::ios::trunc);
            file << "new contents";
            file.close();
            return !file.fail();
        },
        message, reason);
    ASSERT_TRUE(written) << message << reason;
    EXPECT_EQ(testutil::readFile(out), "new contents");
    EXPECT_EQ(modeOf(out), 0600);
    EXPECT_EQ(folderEntries(dir.path()), kept);
}

// A writer ended by SIGTERM halfway leaves the older file and nothing beside it, and ends by the
// signal.
TEST_P(StagedWrite, SignalMidWriteLeavesTheOlderFileAlone)
{
    testutil::TempDir dir;
    const std::string out = dir.file("cloud.zrpcd");
    testutil::writeFile(out, "previous contents");
    const pid_t pid = fork();
    if (pid == 0) {
        stagedfile::detail::allowUnnamedFiles(GetParam());
        stagedfile::removeOnSignals();
        std::string message;
        std::string reason;
        stagedfile::write(
            out,
            [](const std::string& iPath) {
                testutil::writeFile(iPath, "half");
                return raise(SIGTERM) == 0;
            },
            message, reason);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"cloud.zrpcd"});
    EXPECT_EQ(testutil::readFile(out), "previous contents");
}

INSTANTIATE_TEST_SUITE_P(UnnamedOrNamed, StagedWrite, ::testing::Bool());

} // namespace
