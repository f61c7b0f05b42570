#include "stagedfile.h"

#include <atomic>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace stagedfile {

namespace {

// The staged file being written, read by the signal handler: a fixed buffer, no allocation.
char flStagedPath[PATH_MAX];
std::atomic<bool> flStaged{false};
std::atomic<bool> flUnnamedAllowed{true};

void FL_removeStagedAndEnd(int iSignal)
{
    if (flStaged.load())
        unlink(flStagedPath);
    std::signal(iSignal, SIG_DFL);
    // Delivered when the handler returns, so the process ends with the signal's own status.
    raise(iSignal);
}

std::string FL_folderOf(const std::string& iFilePath)
{
    const std::size_t slash = iFilePath.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : iFilePath.substr(0, slash);
}

std::string FL_nameOf(const std::string& iFilePath)
{
    return iFilePath.substr(iFilePath.rfind('/') + 1); // the whole without a slash
}

// ".<name>.<process id>.part", the name cut at a UTF-8 character to keep the whole within the
// file name limit.
std::string FL_stagedName(const std::string& iName, pid_t iProcessId)
{
    const std::string tail = "." + std::to_string(iProcessId) + ".part";
    std::string name = iName;
    const std::size_t room = NAME_MAX - 1 - tail.size();
    if (name.size() > room) {
        std::size_t cut = room;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
            --cut;
        name.resize(cut);
    }
    return "." + name + tail;
}

// The staged file of iTarget, a resolved path, for the writer iProcessId.
std::string FL_stagedPathOf(const std::string& iTarget, pid_t iProcessId)
{
    return iTarget.substr(0, iTarget.rfind('/') + 1) + FL_stagedName(FL_nameOf(iTarget), iProcessId);
}

// A file that exists but may not be replaced by a new one: the folder does not let this process
// make a file, or is sticky (as /tmp) and the file belongs to another user.
bool FL_isFixedInItsFolder(const std::string& iTarget, const struct stat& iInfo)
{
    const std::string folder = FL_folderOf(iTarget);
    struct stat folderInfo;
    if (faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0 || stat(folder.c_str(), &folderInfo) != 0)
        return true;
    const uid_t user = geteuid();
    return (folderInfo.st_mode & S_ISVTX) != 0 && user != 0 && iInfo.st_uid != user && folderInfo.st_uid != user;
}

// A staged file shows no more than the file it replaces: it is made for its owner alone, then
// takes that file's owner (root may give it) and group (where the user is in it) and permissions,
// with no group rights under another group. Its owner, this process, keeps the right to write it
// until it is put in place with the exact permissions.
const mode_t flPrivateMode = S_IRUSR | S_IWUSR;

mode_t FL_createMode(const std::string& iTarget)
{
    struct stat old;
    return stat(iTarget.c_str(), &old) == 0 && S_ISREG(old.st_mode) ? flPrivateMode : 0666;
}

bool FL_takeOwnerAndMode(int iFd, const std::string& iTarget)
{
    struct stat old;
    if (stat(iTarget.c_str(), &old) != 0 || !S_ISREG(old.st_mode))
        return true;
    mode_t mode = (old.st_mode & 0777) | flPrivateMode;
    if (fchown(iFd, geteuid() == 0 ? old.st_uid : uid_t(-1), old.st_gid) != 0)
        mode &= ~mode_t(S_IRWXG);
    return fchmod(iFd, mode) == 0;
}

// The new file gets the permissions the file it replaces has now; true for a new file.
bool FL_giveModeOfTarget(int iFd, const std::string& iTarget)
{
    struct stat old;
    return stat(iTarget.c_str(), &old) != 0 || !S_ISREG(old.st_mode) || fchmod(iFd, old.st_mode & 07777) == 0;
}

// A writer holds a lock on its staged file while it lives, so that no other process takes the file
// for one that a dead writer left: a process id says nothing across machines or pid namespaces.
struct flock FL_wholeFileLock()
{
    struct flock lock = {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    return lock;
}

void FL_lock(int iFd)
{
    struct flock lock = FL_wholeFileLock();
    fcntl(iFd, F_OFD_SETLK, &lock);
}

// True also where it cannot be told.
bool FL_isLocked(int iFolder, const std::string& iName)
{
    const int fd = openat(iFolder, iName.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return true;
    struct flock lock = FL_wholeFileLock();
    const bool locked = fcntl(fd, F_OFD_GETLK, &lock) != 0 || lock.l_type != F_UNLCK;
    close(fd);
    return locked;
}

// The rename lives in the folder; the file is in place either way, so a folder that cannot be
// synced does not fail the write.
void FL_syncFolder(const std::string& iTarget)
{
    const int folder = open(FL_folderOf(iTarget).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        fsync(folder);
        close(folder);
    }
}

// Removes the staged files of iTarget whose writers no longer run: one killed while writing
// (SIGKILL, the out-of-memory killer, a crash) leaves its file behind, and the next writers have
// other process ids. Files of running or locking writers, and those this process may not read,
// are left alone.
void FL_removeDeadWritersFiles(const std::string& iTarget)
{
    DIR* folder = opendir(FL_folderOf(iTarget).c_str());
    if (!folder)
        return;
    const int error = errno;
    const std::string name = FL_nameOf(iTarget);
    const std::string suffix = ".part";
    while (const dirent* entry = readdir(folder)) {
        const std::string entryName = entry->d_name;
        if (entryName[0] != '.' || entryName.size() <= suffix.size() + 2 ||
            entryName.compare(entryName.size() - suffix.size(), suffix.size(), suffix) != 0)
            continue;
        const std::size_t end = entryName.size() - suffix.size();
        const std::size_t dot = entryName.rfind('.', end - 1);
        const std::string digits = entryName.substr(dot + 1, end - dot - 1);
        if (dot == 0 || digits.empty() || digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const pid_t writer = pid_t(std::stol(digits));
        struct stat info;
        if (writer <= 0 || writer == getpid() || entryName != FL_stagedName(name, writer) ||
            fstatat(dirfd(folder), entryName.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(info.st_mode))
            continue;
        if (kill(writer, 0) != 0 && errno == ESRCH && !FL_isLocked(dirfd(folder), entryName))
            unlinkat(dirfd(folder), entryName.c_str(), 0);
    }
    closedir(folder);
    errno = error;
}

} // namespace

std::string resolveLink(const std::string& iFilePath)
{
    std::string path = iFilePath;
    // A chain longer than the system follows is left to fail at the open.
    for (int hop = 0; hop < 40; ++hop) {
        char target[PATH_MAX];
        const ssize_t length = readlink(path.c_str(), target, sizeof target);
        if (length <= 0 || length == ssize_t(sizeof target))
            return path;
        // A relative target is relative to the link's folder.
        const std::size_t slash = path.rfind('/');
        const std::string link(target, std::size_t(length));
        path = link[0] == '/' || slash == std::string::npos ? link : path.substr(0, slash + 1) + link;
    }
    return path;
}

std::string getStagedPath(const std::string& iFilePath)
{
    return getStagedPath(iFilePath, getpid());
}

std::string getStagedPath(const std::string& iFilePath, pid_t iProcessId)
{
    const std::string target = resolveLink(iFilePath);
    // lstat: a link left at the end of a loop is written directly and fails there.
    struct stat info;
    if (lstat(target.c_str(), &info) == 0 &&
        (!S_ISREG(info.st_mode) || faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0 ||
         FL_isFixedInItsFolder(target, info)))
        return iFilePath;
    return FL_stagedPathOf(target, iProcessId);
}

namespace {

const int flDirect = -2;

// create() with the staged file left open, or flDirect when the two are the same path; -1 with
// errno on failure.
int FL_create(const std::string& iStagedPath, const std::string& iFilePath)
{
    if (iStagedPath == iFilePath)
        return flDirect;
    const std::string target = resolveLink(iFilePath);
    // A name that carries this process's id can only have been left by a process that had the id
    // before. Any other name is not touched.
    const std::string tail = "." + std::to_string(getpid()) + ".part";
    const bool own = iStagedPath.size() > tail.size() &&
                     iStagedPath.compare(iStagedPath.size() - tail.size(), tail.size(), tail) == 0;
    const int flags = O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC;
    int fd = open(iStagedPath.c_str(), flags, FL_createMode(target));
    if (fd < 0 && errno == EEXIST && own && unlink(iStagedPath.c_str()) == 0)
        fd = open(iStagedPath.c_str(), flags, FL_createMode(target));
    if (fd < 0)
        return -1;
    if (!FL_takeOwnerAndMode(fd, target)) {
        const int error = errno;
        close(fd);
        unlink(iStagedPath.c_str());
        errno = error;
        return -1;
    }
    FL_removeDeadWritersFiles(target);
    return fd;
}

} // namespace

bool create(const std::string& iStagedPath, const std::string& iFilePath)
{
    const int fd = FL_create(iStagedPath, iFilePath);
    return fd == flDirect || (fd >= 0 && close(fd) == 0);
}

bool commit(const std::string& iStagedPath, const std::string& iFilePath)
{
    if (iStagedPath == iFilePath)
        return true;
    const std::string target = resolveLink(iFilePath);
    const int fd = open(iStagedPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    // Without the sync a crash soon after the rename can leave an empty file in place of both.
    const bool synced = FL_giveModeOfTarget(fd, target) && (fsync(fd) == 0 || errno == EINVAL);
    const int error = errno;
    close(fd);
    errno = error;
    if (!synced || std::rename(iStagedPath.c_str(), target.c_str()) != 0)
        return false;
    FL_syncFolder(target);
    return true;
}

void discard(const std::string& iStagedPath, const std::string& iFilePath)
{
    if (iStagedPath != iFilePath)
        std::remove(iStagedPath.c_str());
}

Stage::Stage(const std::string& iFilePath) : mFilePath(iFilePath), mPath(getStagedPath(iFilePath)) {}

Stage::~Stage()
{
    discard();
}

bool Stage::open()
{
    mOpen = true;
    if (mPath == mFilePath)
        return true;
    const std::string target = resolveLink(mFilePath);
    if (flUnnamedAllowed.load()) {
        const int fd = ::open(FL_folderOf(target).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, FL_createMode(target));
        // The writer opens the file by its name under /proc; without one the named file is used.
        const std::string path = "/proc/self/fd/" + std::to_string(fd);
        if (fd >= 0 && faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0 && FL_takeOwnerAndMode(fd, target)) {
            mFd = fd;
            mUnnamed = true;
            mPath = path;
            FL_lock(mFd);
            FL_removeDeadWritersFiles(target);
            return true;
        }
        if (fd >= 0)
            close(fd);
    }
    detail::remember(mPath);
    mFd = FL_create(mPath, mFilePath);
    if (mFd >= 0) {
        FL_lock(mFd);
        return true;
    }
    const int error = errno;
    detail::forget();
    mOpen = false;
    errno = error;
    return false;
}

bool Stage::commit()
{
    if (!mOpen)
        return false;
    if (!mUnnamed) {
        if (!stagedfile::commit(mPath, mFilePath))
            return false;
        detail::forget();
        mOpen = false;
        if (mFd >= 0)
            close(mFd);
        mFd = -1;
        return true;
    }
    // The unnamed file gets this process's staged name and is renamed over the destination at
    // once; only a kill between the two leaves a file, which the next writer removes.
    const std::string target = resolveLink(mFilePath);
    const std::string named = FL_stagedPathOf(target, getpid());
    if ((fsync(mFd) != 0 && errno != EINVAL) || !FL_giveModeOfTarget(mFd, target))
        return false;
    detail::remember(named);
    int linked = linkat(AT_FDCWD, mPath.c_str(), AT_FDCWD, named.c_str(), AT_SYMLINK_FOLLOW);
    if (linked != 0 && errno == EEXIST && unlink(named.c_str()) == 0)
        linked = linkat(AT_FDCWD, mPath.c_str(), AT_FDCWD, named.c_str(), AT_SYMLINK_FOLLOW);
    const bool renamed = linked == 0 && std::rename(named.c_str(), target.c_str()) == 0;
    const int error = errno;
    if (linked == 0 && !renamed)
        unlink(named.c_str());
    detail::forget();
    errno = error;
    if (!renamed)
        return false;
    close(mFd);
    mFd = -1;
    mOpen = false;
    FL_syncFolder(target);
    return true;
}

void Stage::discard()
{
    if (!mOpen)
        return;
    if (!mUnnamed)
        stagedfile::discard(mPath, mFilePath);
    if (mFd >= 0)
        close(mFd);
    mFd = -1;
    mOpen = false;
    detail::forget();
}

void replacePath(std::string& ioMessage, const std::string& iStagedPath, const std::string& iFilePath)
{
    const std::size_t at = ioMessage.find(iStagedPath);
    if (at != std::string::npos)
        ioMessage.replace(at, iStagedPath.size(), iFilePath);
}

namespace detail {

void remember(const std::string& iStagedPath)
{
    flStaged.store(false);
    if (iStagedPath.size() >= sizeof flStagedPath)
        return;
    std::memcpy(flStagedPath, iStagedPath.c_str(), iStagedPath.size() + 1);
    flStaged.store(true);
}

void forget()
{
    flStaged.store(false);
}

std::string describe(int iError)
{
    return iError == 0 ? std::string() : std::string(std::strerror(iError));
}

void allowUnnamedFiles(bool iAllowed)
{
    flUnnamedAllowed.store(iAllowed);
}

} // namespace detail

void ignoreFileSizeSignal()
{
    std::signal(SIGXFSZ, SIG_IGN);
}

void removeOnSignals()
{
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction current;
        if (sigaction(signal, nullptr, &current) == 0 && current.sa_handler != SIG_IGN)
            std::signal(signal, FL_removeStagedAndEnd);
    }
}

} // namespace stagedfile
