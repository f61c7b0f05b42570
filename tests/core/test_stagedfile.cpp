// Staged writes with and without unnamed files: writers killed on the way, the leftovers of killed
// writers beside the files of live ones, and the rights and ACLs of the file being replaced.

#include "stagedfile.h"

#include "processrun.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <sched.h>
#include <sys/mount.h>
#include <thread>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <functional>
#include <filesystem>
#include <grp.h>
#include <string>
#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/vfs.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

// The rights calls and links of the code under test, watched while gCalls.active: the fchmod
// numbered failChmodAt fails with chmodError; every linkat is followed by signalAfterLink.
namespace {

struct CallWatch
{
    bool active = false;
    int chmods = 0;
    int failChmodAt = 0;
    int chmodError = 0;
    int signalAfterLink = 0;
};
CallWatch gCalls;

} // namespace

extern "C" int fchmod(int iFd, mode_t iMode)
{
    if (gCalls.active && ++gCalls.chmods == gCalls.failChmodAt) {
        errno = gCalls.chmodError;
        return -1;
    }
    return int(syscall(SYS_fchmod, iFd, iMode));
}

extern "C" int linkat(int iFromFolder, const char* iFrom, int iToFolder, const char* iTo, int iFlags)
{
    const int result = int(syscall(SYS_linkat, iFromFolder, iFrom, iToFolder, iTo, iFlags));
    if (gCalls.signalAfterLink != 0)
        raise(gCalls.signalAfterLink);
    return result;
}

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

bool exists(const std::string& iPath)
{
    struct stat info;
    return lstat(iPath.c_str(), &info) == 0;
}

// Makes the file's last change an hour old.
void makeOld(const std::string& iPath)
{
    const struct timespec times[2] = {{0, UTIME_OMIT}, {time(nullptr) - 3600, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, iPath.c_str(), times, 0), 0) << iPath;
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

// Whether iDo() holds in a child that runs as iUser of iGroup alone.
bool asUser(uid_t iUser, gid_t iGroup, const std::function<bool()>& iDo)
{
    const pid_t pid = fork();
    if (pid == 0)
        _exit(setgroups(0, nullptr) == 0 && setgid(iGroup) == 0 && setuid(iUser) == 0 && iDo() ? 0 : 1);
    int status = 0;
    return waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool writeText(const std::string& iFilePath, const std::string& iText)
{
    std::string message;
    std::string reason;
    return stagedfile::write(
        iFilePath, [&](const std::string& iPath) {
            testutil::writeFile(iPath, iText);
            return true;
        },
        message, reason);
}

class StagedWrite : public ::testing::TestWithParam<bool>
{
protected:
    void SetUp() override
    {
        mUnnamed = GetParam();
        const int probe = open(mDir.path().c_str(), O_TMPFILE | O_WRONLY, 0600);
        if (mUnnamed && probe < 0)
            GTEST_SKIP() << "no unnamed files in " << mDir.path();
        close(probe);
        umask(022);
        stagedfile::detail::allowUnnamedFiles(mUnnamed);
    }
    void TearDown() override
    {
        umask(022);
        stagedfile::detail::allowUnnamedFiles(true);
    }

    testutil::TempDir mDir;
    bool mUnnamed = true;
};

// SIGTERM removes the staged file; SIGKILL leaves nothing of an unnamed one. A later write into
// the folder removes a writer's leftover, of any name, only when it holds its lock itself and the
// file is ten minutes old: the file of a live writer, even an old one, a file just made and not
// yet locked, and a user's own hidden file of another form stay. The live writer then puts its
// own file in place.
TEST_P(StagedWrite, LeftoversOfKilledWritersGoAndLiveWritersFilesStay)
{
    const std::string out = mDir.file("cloud.zrpcd");
    testutil::writeFile(out, "previous contents");
    ASSERT_EQ(chmod(out.c_str(), 0600), 0);
    killedWriter(out, mUnnamed, SIGTERM);
    EXPECT_EQ(folderEntries(mDir.path()), Names{"cloud.zrpcd"});
    killedWriter(out, mUnnamed, SIGKILL);
    EXPECT_EQ(testutil::readFile(out), "previous contents");
    Names kept = folderEntries(mDir.path());
    EXPECT_EQ(kept.size(), mUnnamed ? 1u : 2u);

    stagedfile::detail::allowUnnamedFiles(false);
    stagedfile::Stage live(out);
    ASSERT_TRUE(live.open());
    stagedfile::detail::allowUnnamedFiles(mUnnamed);
    Names liveFile;
    const Names withLive = folderEntries(mDir.path());
    std::set_difference(withLive.begin(), withLive.end(), kept.begin(), kept.end(), std::back_inserter(liveFile));
    ASSERT_EQ(liveFile.size(), 1u);
    testutil::writeFile(live.writePath(), "live contents");
    makeOld(mDir.file(liveFile[0]));
    // Files of writers whose locks do not reach here: one just made, and those left long ago.
    const Names old = {".cloud.zrpcd.leftlongago0.part", ".other.zrpcd.leftlongago0.part", ".cloud.zrpcd.backup.part"};
    for (const std::string& name : Names{".cloud.zrpcd.justmade0000.part", old[0], old[1], old[2]}) {
        testutil::writeFile(mDir.file(name), "another writer's");
        if (name != ".cloud.zrpcd.justmade0000.part")
            makeOld(mDir.file(name));
    }
    kept.insert(kept.end(), {liveFile[0], ".cloud.zrpcd.justmade0000.part", old[2]});
    std::sort(kept.begin(), kept.end());

    std::string message;
    std::string reason;
    ASSERT_TRUE(stagedfile::write(
        out,
        [&](const std::string& iPath) {
            EXPECT_EQ(modeOf(iPath), 0600);
            EXPECT_EQ(iPath.rfind("/proc/self/fd/", 0), 0u) << iPath;
            testutil::writeFile(iPath, "new contents");
            return true;
        },
        message, reason));
    EXPECT_EQ(testutil::readFile(out), "new contents");
    EXPECT_EQ(modeOf(out), 0600);
    EXPECT_EQ(folderEntries(mDir.path()), kept);
    ASSERT_TRUE(live.commit());
    EXPECT_EQ(testutil::readFile(out), "live contents");
    kept.erase(std::find(kept.begin(), kept.end(), liveFile[0]));
    EXPECT_EQ(folderEntries(mDir.path()), kept);
}

// The new file gets the rights, owner and group the destination has when it is put in place; a
// new destination, or one removed meanwhile, those the umask gives, also when they leave the
// owner no right to write. While it is written it is its writer's alone.
TEST_P(StagedWrite, TheCommitGivesTheRightsOfTheDestinationThen)
{
    const std::string out = mDir.file("cloud.zrpcd");
    testutil::writeFile(out, "previous contents");
    ASSERT_EQ(chmod(out.c_str(), 0600), 0);
    stagedfile::Stage stage(out);
    ASSERT_TRUE(stage.open());
    EXPECT_EQ(modeOf(stage.writePath()), 0600);
    testutil::writeFile(stage.writePath(), "new contents");
    ASSERT_EQ(chmod(out.c_str(), 0640), 0);
    const bool root = getuid() == 0;
    if (root) {
        ASSERT_EQ(chown(out.c_str(), 65534, 65534), 0);
    }
    ASSERT_TRUE(stage.commit());
    struct stat info;
    ASSERT_EQ(stat(out.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    if (root) {
        EXPECT_TRUE(info.st_uid == 65534 && info.st_gid == 65534) << info.st_uid << ':' << info.st_gid;
    }

    ASSERT_TRUE(stage.open());
    testutil::writeFile(stage.writePath(), "after a removal");
    ASSERT_EQ(unlink(out.c_str()), 0);
    ASSERT_TRUE(stage.commit());
    EXPECT_EQ(modeOf(out), 0644);
    EXPECT_EQ(testutil::readFile(out), "after a removal");

    // A commit that cannot look at the file it replaces fails, rather than give it a new file's.
    ASSERT_EQ(chmod(out.c_str(), 0600), 0);
    ASSERT_TRUE(stage.open());
    rlimit old;
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &old), 0);
    const rlimit low = {64, old.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &low), 0);
    std::vector<int> spent;
    for (int fd; (fd = dup(0)) >= 0;)
        spent.push_back(fd);
    errno = 0;
    EXPECT_FALSE(stage.commit());
    EXPECT_EQ(errno, EMFILE);
    for (int fd : spent)
        close(fd);
    setrlimit(RLIMIT_NOFILE, &old);
    EXPECT_EQ(modeOf(out), 0600);

    umask(0222);
    EXPECT_TRUE(writeText(mDir.file("new.zrpcd"), "new file"));
    EXPECT_EQ(modeOf(mDir.file("new.zrpcd")), 0444);
    EXPECT_EQ(testutil::readFile(mDir.file("new.zrpcd")), "new file");
    EXPECT_EQ(folderEntries(mDir.path()), (Names{"cloud.zrpcd", "new.zrpcd"}));
}

// nobody rewrites root's 06606 file of a group that he is not in, whose members it denies, in an
// open folder. He can give the new file neither root as owner nor that group: its others get no
// more than the old group had, so a member of that group is still denied, and the set-id bits go.
TEST_P(StagedWrite, WhoFallsUnderAnotherOwnerOrGroupGainsNoRights)
{
    if (getuid() != 0)
        GTEST_SKIP() << "needs root, to make a file of another user";
    const std::string out = mDir.file("cloud.zrpcd");
    testutil::writeFile(out, "root's");
    ASSERT_EQ(chmod(mDir.path().c_str(), 0777) | chown(out.c_str(), 0, 1234) | chmod(out.c_str(), 06606), 0);
    const bool memberDeniedBefore = asUser(1234, 1234, [&] { return open(out.c_str(), O_RDONLY) < 0 && errno == EACCES; });
    EXPECT_TRUE(memberDeniedBefore);
    EXPECT_TRUE(asUser(65534, 65534, [&] { return writeText(out, "nobody's"); }));
    struct stat info;
    ASSERT_EQ(stat(out.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    EXPECT_TRUE(info.st_uid == 65534 && info.st_gid == 65534) << info.st_uid << ':' << info.st_gid;
    EXPECT_EQ(testutil::readFile(out), "nobody's");
    EXPECT_TRUE(asUser(1234, 1234, [&] { return open(out.c_str(), O_RDONLY) < 0 && errno == EACCES; }));
}

// Root writes a new file into a sticky folder that everyone may write; before root's is put in
// place, another user puts there a file of that name open to all, or a second link of a file of
// root's open to all, whose first name he may then remove. Root's file goes in its place as
// root's, with no more rights than a new file has; a linked file keeps its contents.
TEST_P(StagedWrite, AFilePutInAStickyFolderMeanwhileDoesNotGetRootsFile)
{
    if (getuid() != 0)
        GTEST_SKIP() << "needs root, to make a file of another user";
    ASSERT_EQ(chmod(mDir.path().c_str(), 01777), 0);
    const std::string out = mDir.file("cloud.zrpcd");
    const std::string nobodys = mDir.file("nobodys");
    ASSERT_EQ(mkdir(nobodys.c_str(), 0700) | chown(nobodys.c_str(), 65534, 65534), 0);
    for (int kind : {0, 1, 2}) {
        SCOPED_TRACE(kind == 0 ? "another user's file" : kind == 1 ? "a link of root's file" : "its only link");
        const std::string linked = kind == 1 ? mDir.file("everyones.zrpcd") : nobodys + "/everyones.zrpcd";
        testutil::writeFile(linked, "open to all");
        ASSERT_EQ(chmod(linked.c_str(), 0666), 0);
        std::remove(out.c_str());
        stagedfile::Stage stage(out);
        ASSERT_TRUE(stage.open());
        testutil::writeFile(stage.writePath(), "root's");
        ASSERT_TRUE(asUser(65534, 65534, [&] {
            umask(0);
            if (kind == 0)
                return close(::open(out.c_str(), O_WRONLY | O_CREAT | O_EXCL, 06666)) == 0;
            return link(linked.c_str(), out.c_str()) == 0 && (kind == 1 || unlink(linked.c_str()) == 0);
        }));
        ASSERT_TRUE(stage.commit());
        struct stat info;
        ASSERT_EQ(stat(out.c_str(), &info), 0);
        EXPECT_EQ(info.st_uid, 0u);
        EXPECT_EQ(info.st_mode & 07777, kind == 0 ? 0604u : 0644u);
        EXPECT_EQ(testutil::readFile(out), "root's");
        if (kind == 1) {
            EXPECT_EQ(testutil::readFile(linked), "open to all");
        }
    }
}

// A file system that keeps no rights answers the rights calls with ENOSYS or EOPNOTSUPP: the
// write goes on as a plain write would, at the open and at the commit alike. Any other failure
// fails the write with its reason and leaves the file as it was.
TEST_P(StagedWrite, RightsThatTheFileSystemDoesNotKeep)
{
    const std::string out = mDir.file("cloud.zrpcd");
    std::string contents = "previous contents";
    testutil::writeFile(out, contents);
    for (int error : {ENOSYS, EOPNOTSUPP, EIO}) {
        for (int failAt : {1, 2}) {
            SCOPED_TRACE(std::string(std::strerror(error)) + (failAt == 1 ? " at the open" : " at the commit"));
            gCalls = CallWatch();
            gCalls.failChmodAt = failAt;
            gCalls.chmodError = error;
            gCalls.active = true;
            const std::string text = "written " + std::to_string(error) + "/" + std::to_string(failAt);
            std::string message;
            std::string reason;
            const bool written = stagedfile::write(
                out, [&](const std::string& iPath) {
                    testutil::writeFile(iPath, text);
                    return true;
                },
                message, reason);
            gCalls.active = false;
            EXPECT_EQ(gCalls.chmods, error == EIO ? failAt : 2);
            EXPECT_EQ(written, error != EIO);
            if (written)
                contents = text;
            else
                EXPECT_EQ(reason, "Input/output error");
            EXPECT_EQ(testutil::readFile(out), contents);
            EXPECT_EQ(folderEntries(mDir.path()), Names{"cloud.zrpcd"});
        }
    }
}

INSTANTIATE_TEST_SUITE_P(UnnamedOrNamed, StagedWrite, ::testing::Bool());

// What a link of /proc stands for (here a file already removed), and a file mounted on its
// place, cannot be replaced by a rename: they are written in place.
TEST(StagedPlace, FilesThatCannotBeReplacedAreWrittenInPlace)
{
    testutil::TempDir dir;
    const int removed = open(dir.file("removed").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(removed, 0);
    ASSERT_EQ(unlink(dir.file("removed").c_str()), 0);
    EXPECT_TRUE(writeText("/dev/fd/" + std::to_string(removed), "through the link"));
    char read[32] = {};
    EXPECT_EQ(pread(removed, read, sizeof read, 0), ssize_t(std::strlen("through the link")));
    EXPECT_STREQ(read, "through the link");
    close(removed);

    testutil::writeFile(dir.file("source"), "source");
    testutil::writeFile(dir.file("mounted"), "covered");
    const pid_t pid = fork();
    if (pid == 0) {
        if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            mount(dir.file("source").c_str(), dir.file("mounted").c_str(), nullptr, MS_BIND, nullptr) != 0)
            _exit(2);
        _exit(writeText(dir.file("mounted"), "written") ? 0 : 1);
    }
    int status = 0;
    ASSERT_TRUE(waitpid(pid, &status, 0) == pid && WIFEXITED(status));
    if (WEXITSTATUS(status) == 2)
        GTEST_SKIP() << "this process may not mount a file in a mount namespace of its own";
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(testutil::readFile(dir.file("source")), "written");
    EXPECT_EQ(testutil::readFile(dir.file("mounted")), "covered");
    EXPECT_EQ(folderEntries(dir.path()), (Names{"mounted", "source"}));
}

// A link to a file not there yet has the system make that file, which the write then replaces
// with the rights of a new file; a write that fails or is ended by SIGTERM removes it again. The
// link stays.
TEST(StagedPlace, ALinkToAFileNotThereYetIsWrittenThroughOrLeftAsItWas)
{
    testutil::TempDir dir;
    ASSERT_EQ(mkdir(dir.file("real").c_str(), 0755), 0);
    ASSERT_EQ(symlink("real/new.zrpcd", dir.file("link.zrpcd").c_str()), 0);
    std::string message;
    std::string reason;
    EXPECT_FALSE(stagedfile::write(
        dir.file("link.zrpcd"), [](const std::string& iPath) {
            testutil::writeFile(iPath, "half");
            return false;
        },
        message, reason));
    killedWriter(dir.file("link.zrpcd"), true, SIGTERM);
    EXPECT_TRUE(std::filesystem::is_empty(dir.file("real")));
    umask(022);
    EXPECT_TRUE(writeText(dir.file("link.zrpcd"), "through the link"));
    EXPECT_EQ(testutil::readFile(dir.file("real/new.zrpcd")), "through the link");
    EXPECT_EQ(modeOf(dir.file("real/new.zrpcd")), 0644);
    EXPECT_EQ(std::filesystem::read_symlink(dir.file("link.zrpcd")), "real/new.zrpcd");
}

// A FAT file system through FUSE keeps no rights: a new file and its rewrite are written there
// as on a local disk, and nothing hidden is left.
TEST(StagedPlace, AFileSystemThatKeepsNoRights)
{
    if (getuid() != 0 || access("/dev/fuse", R_OK | W_OK) != 0)
        GTEST_SKIP() << "needs root and /dev/fuse, to mount a FAT image through FUSE";
    if (std::system("command -v fusefat && PATH=$PATH:/usr/sbin:/sbin command -v mkfs.vfat >/dev/null") != 0)
        GTEST_SKIP() << "needs fusefat and mkfs.vfat (Debian's fusefat and dosfstools)";
    testutil::TempDir dir;
    const std::string image = dir.file("fat.img");
    const std::string mounted = dir.file("m");
    ASSERT_EQ(mkdir(mounted.c_str(), 0700), 0);
    ASSERT_EQ(std::system(("truncate -s 64M '" + image + "' && PATH=$PATH:/usr/sbin:/sbin mkfs.vfat -F 32 '" + image +
                           "' >/dev/null")
                              .c_str()),
              0);
    struct statfs mount;
    const long fuseMagic = 0x65735546;
    if (std::system(("fusefat -o rw+ '" + image + "' '" + mounted + "' >/dev/null 2>&1").c_str()) != 0 ||
        statfs(mounted.c_str(), &mount) != 0 || mount.f_type != fuseMagic)
        GTEST_SKIP() << "fusefat cannot mount the image here";
    struct Unmount
    {
        std::string path;
        ~Unmount() { (void)std::system(("fusermount -u '" + path + "' || umount '" + path + "'").c_str()); }
    } unmount{mounted};
    for (bool unnamed : {true, false}) {
        stagedfile::detail::allowUnnamedFiles(unnamed);
        const std::string out = mounted + (unnamed ? "/unnamed.zrpcd" : "/named.zrpcd");
        EXPECT_TRUE(writeText(out, "new file"));
        EXPECT_EQ(testutil::readFile(out), "new file");
        EXPECT_TRUE(writeText(out, "rewritten"));
        EXPECT_EQ(testutil::readFile(out), "rewritten");
    }
    stagedfile::detail::allowUnnamedFiles(true);
    EXPECT_EQ(folderEntries(mounted), (Names{"named.zrpcd", "unnamed.zrpcd"}));
}

// Another save replaces the destination again and again while writes of it start: each finds its
// place all the same.
TEST(StagedPlace, ADestinationReplacedWhileItIsFollowedIsFollowedAnew)
{
    testutil::TempDir dir;
    const std::string out = dir.file("cloud.zrpcd");
    testutil::writeFile(out, "first");
    std::atomic<bool> stop{false};
    std::thread other([&] {
        for (int k = 0; !stop.load(); ++k) {
            const std::string mine = dir.file("other" + std::to_string(k % 2));
            testutil::writeFile(mine, "other's");
            rename(mine.c_str(), out.c_str());
        }
    });
    int failed = 0;
    for (int k = 0; k < 200; ++k)
        failed += writeText(out, "mine") ? 0 : 1;
    stop.store(true);
    other.join();
    EXPECT_EQ(failed, 0);
}

// A writer held at every system call: it locks an old leftover before its checks. Another file put
// under that name meanwhile is not the one it locked, and stays; the next writer, which can lock
// that one, removes it once it is old.
TEST(StagedCleanUp, ALeftoverIsRemovedOnlyUnderTheCleanUpsOwnLock)
{
    if (!testutil::canTrace())
        GTEST_SKIP() << "this system refuses ptrace, which holds the writer";
    testutil::TempDir dir;
    const std::string leftover = dir.file(".cloud.zrpcd.leftlongago0.part");
    testutil::writeFile(leftover, "left");
    makeOld(leftover);
    const int probe = open(leftover.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(probe, 0);
    const pid_t pid = fork();
    if (pid == 0) {
        if (ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0 || raise(SIGSTOP) != 0)
            _exit(2);
        _exit(writeText(dir.file("cloud.zrpcd"), "new") ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    bool lockedWhileThere = false;
    EXPECT_TRUE(testutil::stopWhen(pid, [&] {
        struct flock lock = {};
        lock.l_type = F_WRLCK;
        if (fcntl(probe, F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK) {
            lockedWhileThere = exists(leftover);
            return true;
        }
        return !exists(leftover);
    }));
    EXPECT_TRUE(lockedWhileThere);
    const std::string other = dir.file("other");
    testutil::writeFile(other, "another writer's");
    makeOld(other);
    ASSERT_EQ(rename(other.c_str(), leftover.c_str()), 0);
    ptrace(PTRACE_DETACH, pid, nullptr, nullptr);
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(testutil::readFile(leftover), "another writer's");
    close(probe);
    EXPECT_TRUE(writeText(dir.file("cloud.zrpcd"), "newer"));
    EXPECT_EQ(folderEntries(dir.path()), Names{"cloud.zrpcd"});
}

// A group holds each of its files open until it is committed: more of them than a low first
// open-file limit allows are written once the limit is raised, and put in place together. It
// lists their folder once, not once for each file.
TEST(StagedGroup, MoreFilesThanTheFirstOpenFileLimit)
{
    rlimit old;
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &old), 0);
    if (old.rlim_max < 1024)
        GTEST_SKIP() << "the open-file limit of this system is below 1024";
    const rlimit low = {64, old.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &low), 0);
    stagedfile::raiseOpenFileLimit();
    testutil::TempDir dir;
    Names expected;
    stagedfile::Group group;
    for (int k = 0; k < 100; ++k) {
        expected.push_back("Shot_" + std::to_string(k) + ".shot");
        const stagedfile::Stage* stage = group.add(dir.file(expected.back()));
        ASSERT_TRUE(stage) << k;
        testutil::writeFile(stage->writePath(), expected.back());
        // The folder's leftovers were looked for at its first file, and only then.
        if (k == 0) {
            testutil::writeFile(dir.file(".left.shot.leftlongago0.part"), "left");
            makeOld(dir.file(".left.shot.leftlongago0.part"));
        }
    }
    expected.push_back(".left.shot.leftlongago0.part");
    setrlimit(RLIMIT_NOFILE, &old);
    ASSERT_TRUE(group.commit());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(folderEntries(dir.path()), expected);
    EXPECT_EQ(testutil::readFile(dir.file("Shot_99.shot")), "Shot_99.shot");
}

// Another file renamed over a writer's staged name is not the writer's: the commit fails with
// ENOENT and a discard leaves it, and the destination stays as it was.
TEST(StagedName, AnotherFileUnderTheStagedNameIsLeftAlone)
{
    testutil::TempDir dir;
    const std::string out = dir.file("cloud.zrpcd");
    testutil::writeFile(out, "previous contents");
    stagedfile::detail::allowUnnamedFiles(false);
    for (bool commit : {true, false}) {
        SCOPED_TRACE(commit ? "commit" : "discard");
        stagedfile::Stage stage(out);
        ASSERT_TRUE(stage.open());
        testutil::writeFile(stage.writePath(), "new contents");
        Names names = folderEntries(dir.path());
        ASSERT_EQ(names.size(), 2u);
        const std::string staged = dir.file(names[0]);
        testutil::writeFile(dir.file("other"), "another's");
        ASSERT_EQ(rename(dir.file("other").c_str(), staged.c_str()), 0);
        if (commit) {
            errno = 0;
            EXPECT_FALSE(stage.commit());
            EXPECT_EQ(errno, ENOENT);
        } else {
            stage.discard();
        }
        EXPECT_EQ(testutil::readFile(staged), "another's");
        EXPECT_EQ(testutil::readFile(out), "previous contents");
        ASSERT_EQ(unlink(staged.c_str()), 0);
    }
    stagedfile::detail::allowUnnamedFiles(true);
}

// A staged name stays within the file name limit of 255 bytes, cut between characters.
TEST(StagedName, ALongNameIsCutBetweenCharacters)
{
    testutil::TempDir dir;
    std::string wide;
    for (int k = 0; k < 81; ++k)
        wide += "\xe6\xb8\xac";
    stagedfile::detail::allowUnnamedFiles(false);
    stagedfile::Stage stage(dir.file(wide + ".zrpcd"));
    const bool opened = stage.open();
    stagedfile::detail::allowUnnamedFiles(true);
    ASSERT_TRUE(opened);
    const Names names = folderEntries(dir.path());
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names[0].size(), 1u + 234 + 1 + 12 + 5);
    EXPECT_EQ(names[0].rfind("." + wide.substr(0, 234) + ".", 0), 0u) << names[0];
    testutil::writeFile(stage.writePath(), "x");
    ASSERT_TRUE(stage.commit());
    EXPECT_EQ(folderEntries(dir.path()), Names{wide + ".zrpcd"});
}

// The raw access or default ACL of the entries {tag, rights, id}, as the system stores it.
std::string aclValue(std::initializer_list<std::array<std::uint32_t, 3>> iEntries)
{
    std::string value;
    testutil::appendRaw(&value, std::uint32_t(2));
    for (const auto& entry : iEntries) {
        testutil::appendRaw(&value, std::uint16_t(entry[0]));
        testutil::appendRaw(&value, std::uint16_t(entry[1]));
        testutil::appendRaw(&value, entry[2]);
    }
    return value;
}

std::string xattrOf(const std::string& iPath, const char* iName)
{
    char value[1024];
    const ssize_t size = getxattr(iPath.c_str(), iName, value, sizeof value);
    return size > 0 ? std::string(value, std::size_t(size)) : std::string();
}

bool setAcl(const std::string& iPath, const char* iName, const std::string& iValue)
{
    return setxattr(iPath.c_str(), iName, iValue.data(), iValue.size(), 0) == 0;
}

// Root rewrites a file whose ACL denies its owning group and lets u2 in: the rewrite has the
// same ACL and mode, so a member of that group is still denied and u2 let in; so is the member
// when a user who cannot give the file its group rewrites it. A file without an
// ACL in a folder whose default ACL names u1 is rewritten without an ACL, u1 still denied; a new
// file there gets the mode and ACL that a plain new file gets, which let u1 write it.
TEST(StagedRights, TheReplacedFilesACLOrNone)
{
    if (getuid() != 0)
        GTEST_SKIP() << "needs root, to give files to other users and groups";
    const std::uint32_t none = ~0u;
    const uid_t u1 = 2001;
    const uid_t u2 = 2002;
    const uid_t member = 2003;
    const gid_t group = 1234;
    const char* const access = "system.posix_acl_access";
    testutil::TempDir dir;
    ASSERT_EQ(chmod(dir.path().c_str(), 0711), 0);
    umask(022);
    const std::string out = dir.file("o.zrpcd");
    testutil::writeFile(out, "root's");
    ASSERT_EQ(chown(out.c_str(), 0, group) | chmod(out.c_str(), 0600), 0);
    if (!setAcl(out, access, aclValue({{1, 6, none}, {2, 6, u2}, {4, 0, none}, {0x10, 6, none}, {0x20, 0, none}})))
        GTEST_SKIP() << "no ACLs in " << dir.path() << ": " << std::strerror(errno);
    const std::string acl = xattrOf(out, access);
    const auto denied = [](const std::string& iPath) {
        return [iPath] { return open(iPath.c_str(), O_RDONLY) < 0 && errno == EACCES; };
    };
    const auto writable = [](const std::string& iPath) {
        return [iPath] { return close(open(iPath.c_str(), O_RDWR)) == 0; };
    };
    ASSERT_TRUE(asUser(member, group, denied(out)) && asUser(u2, u2, writable(out)));
    EXPECT_TRUE(writeText(out, "rewritten"));
    EXPECT_EQ(xattrOf(out, access), acl);
    EXPECT_EQ(modeOf(out), 0660);
    EXPECT_TRUE(asUser(member, group, denied(out)));
    EXPECT_TRUE(asUser(u2, u2, writable(out)));

    // nobody, let in by the ACL, cannot keep its group: the others, where the group's members
    // now fall, get no more than the group had within the mask: reading.
    const std::string everyones = dir.file("everyones");
    ASSERT_EQ(mkdir(everyones.c_str(), 0700) | chmod(everyones.c_str(), 0777), 0);
    const std::string others = everyones + "/o.zrpcd";
    testutil::writeFile(others, "root's");
    ASSERT_EQ(chown(others.c_str(), 0, group), 0);
    ASSERT_TRUE(setAcl(others, access,
                       aclValue({{1, 7, none}, {2, 6, 65534}, {4, 5, none}, {0x10, 6, none}, {0x20, 7, none}})));
    const auto onlyReads = [&] {
        return ::access(others.c_str(), R_OK) == 0 && ::access(others.c_str(), W_OK) != 0 &&
               ::access(others.c_str(), X_OK) != 0;
    };
    ASSERT_TRUE(asUser(member, group, onlyReads));
    EXPECT_TRUE(asUser(65534, 65534, [&] { return writeText(others, "nobody's"); }));
    struct stat info;
    ASSERT_EQ(stat(others.c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, 65534u);
    EXPECT_TRUE(asUser(member, group, onlyReads));

    const std::string folder = dir.file("shared");
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    const std::string kept = folder + "/f.zrpcd";
    testutil::writeFile(kept, "root's");
    ASSERT_EQ(chmod(kept.c_str(), 0640), 0);
    ASSERT_TRUE(setAcl(folder, "system.posix_acl_default",
                       aclValue({{1, 6, none}, {2, 6, u1}, {4, 4, none}, {0x10, 6, none}, {0x20, 0, none}})));
    EXPECT_TRUE(writeText(kept, "rewritten"));
    EXPECT_EQ(xattrOf(kept, access), "");
    EXPECT_EQ(modeOf(kept), 0640);
    EXPECT_TRUE(asUser(u1, u1, denied(kept)));

    const std::string plain = folder + "/plain.zrpcd";
    ASSERT_EQ(close(open(plain.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666)), 0);
    const std::string made = folder + "/new.zrpcd";
    EXPECT_TRUE(writeText(made, "new"));
    EXPECT_EQ(modeOf(made), modeOf(plain));
    EXPECT_EQ(xattrOf(made, access), xattrOf(plain, access));
    EXPECT_TRUE(asUser(u1, u1, writable(made)));
}

// SIGTERM to a writer removes only what is still its own. A writes through a link to a file not
// there yet, which the system makes for it; B writes that file meanwhile, through a staged write
// of its own or in place: B's file stays. A writer ended just after its unnamed file got its
// staged name leaves nothing behind.
TEST(StagedSignal, ASignalRemovesOnlyTheWritersOwnFiles)
{
    for (bool inPlace : {false, true}) {
        SCOPED_TRACE(inPlace ? "B writes in place" : "B replaces the file");
        testutil::TempDir dir;
        ASSERT_EQ(mkdir(dir.file("real").c_str(), 0755), 0);
        ASSERT_EQ(symlink("real/t.zrpcd", dir.file("link.zrpcd").c_str()), 0);
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        const pid_t writerA = fork();
        if (writerA == 0) {
            stagedfile::removeOnSignals();
            std::string message;
            std::string reason;
            stagedfile::write(
                dir.file("link.zrpcd"), [&](const std::string&) { return write(ready[1], "", 1) == 1 && pause(); },
                message, reason);
            _exit(0);
        }
        char byte = 0;
        ASSERT_EQ(read(ready[0], &byte, 1), 1);
        // A file of B's that is as empty as the one made for A is told from it by its inode.
        const std::string target = dir.file("real/t.zrpcd");
        const std::string written = inPlace ? "B's" : "";
        if (inPlace)
            testutil::writeFile(target, written);
        else
            EXPECT_TRUE(writeText(target, written));
        kill(writerA, SIGTERM);
        int status = 0;
        ASSERT_EQ(waitpid(writerA, &status, 0), writerA);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
        EXPECT_EQ(folderEntries(dir.file("real")), Names{"t.zrpcd"});
        EXPECT_EQ(testutil::readFile(target), written);
        close(ready[0]);
        close(ready[1]);
    }

    testutil::TempDir dir;
    const int probe = open(dir.path().c_str(), O_TMPFILE | O_WRONLY, 0600);
    if (probe < 0)
        GTEST_SKIP() << "no unnamed files in " << dir.path();
    close(probe);
    const std::string out = dir.file("cloud.zrpcd");
    testutil::writeFile(out, "previous contents");
    const pid_t writer = fork();
    if (writer == 0) {
        stagedfile::removeOnSignals();
        gCalls.signalAfterLink = SIGTERM;
        writeText(out, "whole");
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(writer, &status, 0), writer);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
    EXPECT_EQ(folderEntries(dir.path()), Names{"cloud.zrpcd"});
    EXPECT_EQ(testutil::readFile(out), "previous contents");
}

} // namespace
