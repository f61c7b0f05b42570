// Staged writes with and without unnamed files: writers killed on the way, and the rights of the
// file being replaced.

#include "stagedfile.h"

#include "testutil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using Names = std::vector<std::string>;

Names folderEntries(const std::string& iPath)
{
    Names names;
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

// A writer, in a child, that iSignal ends halfway through its write; its process id.
pid_t killedWriter(const std::string& iFilePath, bool iUnnamed, int iSignal)
{
    const pid_t pid = fork();
    if (pid == 0) {
        stagedfile::detail::allowUnnamedFiles(iUnnamed);
        stagedfile::removeOnSignals();
        std::string message;
        std::string reason;
        stagedfile::write(
            iFilePath, [iSignal](const std::string& iPath) {
                testutil::writeFile(iPath, "half");
                return raise(iSignal) == 0;
            },
            message, reason);
        _exit(0);
    }
    int status = 0;
    EXPECT_TRUE(waitpid(pid, &status, 0) == pid && WIFSIGNALED(status) && WTERMSIG(status) == iSignal);
    return pid;
}

class StagedWrite : public ::testing::TestWithParam<bool>
{
protected:
    void TearDown() override { stagedfile::detail::allowUnnamedFiles(true); }
};

// SIGTERM removes the staged file; what SIGKILL leaves without unnamed files goes at the next
// write of the same file, while other files and running writers' files stay.
TEST_P(StagedWrite, KilledWritersLeaveNothingAndThePrivateFileStaysPrivate)
{
    const bool unnamed = GetParam();
    testutil::TempDir dir;
    const int probe = open(dir.path().c_str(), O_TMPFILE | O_WRONLY, 0600);
    if (unnamed && probe < 0)
        GTEST_SKIP() << "no unnamed files in " << dir.path();
    close(probe);
    umask(022);
    const std::string out = dir.file("cloud.zrpcd");
    testutil::writeFile(out, "previous contents");
    ASSERT_EQ(chmod(out.c_str(), 0600), 0);
    killedWriter(out, unnamed, SIGTERM);
    EXPECT_EQ(folderEntries(dir.path()), Names{"cloud.zrpcd"});
    const std::string killed = std::to_string(killedWriter(out, unnamed, SIGKILL));
    EXPECT_EQ(testutil::readFile(out), "previous contents");
    // A writer of another pid namespace or machine: its id names no process here, its lock shows it.
    const std::string locked = ".cloud.zrpcd." + std::to_string(killedWriter(dir.file("x"), true, SIGKILL)) + ".part";
    Names kept = {".cloud.zrpcd." + std::to_string(getppid()) + ".part", ".cloud.zrpcd.x.part", locked,
                  ".other.zrpcd." + killed + ".part"};
    for (const std::string& name : kept)
        testutil::writeFile(dir.file(name), "another writer's");
    kept.push_back("cloud.zrpcd");
    std::sort(kept.begin(), kept.end());
    const int lockedFd = open(dir.file(locked).c_str(), O_RDWR);
    struct flock lock = {};
    lock.l_type = F_WRLCK;
    ASSERT_EQ(fcntl(lockedFd, F_OFD_SETLK, &lock), 0);

    stagedfile::detail::allowUnnamedFiles(unnamed);
    std::string message;
    std::string reason;
    ASSERT_TRUE(stagedfile::write(
        out,
        [&](const std::string& iPath) {
            EXPECT_EQ(modeOf(iPath), 0600);
            EXPECT_EQ(iPath.rfind(unnamed ? "/proc/self/fd/" : dir.file(".cloud.zrpcd."), 0), 0u) << iPath;
            testutil::writeFile(iPath, "new contents");
            return true;
        },
        message, reason));
    EXPECT_EQ(testutil::readFile(out), "new contents");
    EXPECT_EQ(modeOf(out), 0600);
    EXPECT_EQ(folderEntries(dir.path()), kept);
    close(lockedFd);
}

INSTANTIATE_TEST_SUITE_P(UnnamedOrNamed, StagedWrite, ::testing::Bool());

} // namespace
