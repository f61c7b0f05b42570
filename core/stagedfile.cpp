#include "stagedfile.h"

#include <atomic>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <sys/random.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace stagedfile {

namespace {

// The named staged files being written, read by the signal handler: fixed buffers, no allocation.
constexpr int flSlotCount = 4;
char flSlotPaths[flSlotCount][PATH_MAX];
std::atomic<bool> flSlotUsed[flSlotCount];
std::atomic<bool> flSlotFilled[flSlotCount];
std::atomic<bool> flUnnamedAllowed{true};

// A leftover younger than this may still be written by a writer whose lock does not reach here.
const time_t flLeftoverAge = 10 * 60;
const std::size_t flTokenLength = 12;
const char* const flPartSuffix = ".part";

void FL_removeStagedAndEnd(int iSignal)
{
    for (int slot = 0; slot < flSlotCount; ++slot)
        if (flSlotFilled[slot].load())
            unlink(flSlotPaths[slot]);
    std::signal(iSignal, SIG_DFL);
    // Delivered when the handler returns, so the process ends with the signal's own status.
    raise(iSignal);
}

// A slot that the signal handler removes iPath through; -1 when none is free or the path is too long.
int FL_remember(const std::string& iPath)
{
    if (iPath.size() >= PATH_MAX)
        return -1;
    for (int slot = 0; slot < flSlotCount; ++slot) {
        bool used = false;
        if (flSlotUsed[slot].compare_exchange_strong(used, true)) {
            std::memcpy(flSlotPaths[slot], iPath.c_str(), iPath.size() + 1);
            flSlotFilled[slot].store(true);
            return slot;
        }
    }
    return -1;
}

void FL_forget(int& ioSlot)
{
    if (ioSlot < 0)
        return;
    flSlotFilled[ioSlot].store(false);
    flSlotUsed[ioSlot].store(false);
    ioSlot = -1;
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

// ".<name>.<token>.part", the name cut at a UTF-8 character to keep the whole within the file
// name limit.
std::string FL_stagedName(const std::string& iName, const std::string& iToken)
{
    const std::string tail = "." + iToken + flPartSuffix;
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

// The characters of the unique part of a staged name.
const std::string flTokenDigits = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";

std::string FL_randomToken()
{
    static std::atomic<unsigned> counter{0};
    unsigned char bytes[flTokenLength] = {};
    // Should the system have no random bytes to give, O_EXCL still keeps the names apart.
    if (getrandom(bytes, sizeof bytes, 0) != ssize_t(sizeof bytes))
        std::snprintf(reinterpret_cast<char*>(bytes), sizeof bytes, "%x%x", unsigned(getpid()), counter++);
    std::string token;
    for (unsigned char byte : bytes)
        token += flTokenDigits[byte % flTokenDigits.size()];
    return token;
}

// Makes a name beside iTarget through iMake(path), which fails with EEXIST when the name is taken;
// a taken name is never touched, another is tried. The made path, empty with errno on failure.
std::string FL_makeStagedName(const std::string& iTarget, const std::function<bool(const std::string&)>& iMake)
{
    const std::string folder = iTarget.substr(0, iTarget.rfind('/') + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string path = folder + FL_stagedName(FL_nameOf(iTarget), FL_randomToken());
        if (iMake(path))
            return path;
        if (errno != EEXIST)
            return std::string();
    }
    return std::string();
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

// Whether iTarget is written directly (see the header).
bool FL_isDirect(const std::string& iTarget)
{
    // lstat: a link left at the end of a loop is written directly and fails there.
    struct stat info;
    return lstat(iTarget.c_str(), &info) == 0 &&
           (!S_ISREG(info.st_mode) || faccessat(AT_FDCWD, iTarget.c_str(), W_OK, AT_EACCESS) != 0 ||
            FL_isFixedInItsFolder(iTarget, info));
}

// A file replacing another is made for its owner alone, then shows the rights of that file.
const mode_t flPrivateMode = S_IRUSR | S_IWUSR;

mode_t FL_createMode(const std::string& iTarget)
{
    struct stat old;
    return stat(iTarget.c_str(), &old) == 0 && S_ISREG(old.st_mode) ? flPrivateMode : 0666;
}

// Gives the staged file the owner (root may give it) and group (where the user is in it) of the
// file it replaces, and its permissions, less the group's where the group differs and the
// set-user-id bit where the owner does; a new file keeps iNewMode, or stays private when that is
// not known. While it is written its owner may also read and write it.
bool FL_takeRights(int iFd, const std::string& iTarget, int iNewMode, bool iWhileWritten)
{
    struct stat old;
    struct stat own;
    mode_t mode = iNewMode >= 0 ? mode_t(iNewMode) : flPrivateMode;
    if (stat(iTarget.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
        if (fchown(iFd, geteuid() == 0 ? old.st_uid : uid_t(-1), old.st_gid) != 0) {
            // The group could not be given; the owner is the writer's.
        }
        if (fstat(iFd, &own) != 0)
            return false;
        mode = old.st_mode & 07777;
        if (own.st_gid != old.st_gid)
            mode &= ~mode_t(S_IRWXG | S_ISGID);
        if (own.st_uid != old.st_uid)
            mode &= ~mode_t(S_ISUID);
    }
    if (iWhileWritten)
        mode |= flPrivateMode;
    return fchmod(iFd, mode) == 0;
}

struct flock FL_wholeFileLock(short iType)
{
    struct flock lock = {};
    lock.l_type = iType;
    lock.l_whence = SEEK_SET;
    return lock;
}

bool FL_sameFile(const struct stat& iOne, const struct stat& iOther)
{
    return iOne.st_dev == iOther.st_dev && iOne.st_ino == iOther.st_ino;
}

// Whether iName in iFolder still names the file iFd holds.
bool FL_namesFile(int iFolder, const std::string& iName, int iFd)
{
    struct stat named;
    struct stat held;
    return fstatat(iFolder, iName.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 && fstat(iFd, &held) == 0 &&
           FL_sameFile(named, held);
}

// Removes the leftovers of iTarget's writers that were killed while writing: staged files of its
// name that this process can lock itself (no writer holds them), that the name still refers to
// once locked, and that have not changed for flLeftoverAge. Everything else is left alone.
void FL_removeLeftovers(const std::string& iTarget)
{
    DIR* folder = opendir(FL_folderOf(iTarget).c_str());
    if (!folder)
        return;
    const int error = errno;
    const std::string name = FL_nameOf(iTarget);
    const std::size_t suffixSize = std::strlen(flPartSuffix);
    while (const dirent* entry = readdir(folder)) {
        const std::string entryName = entry->d_name;
        if (entryName[0] != '.' || entryName.size() <= suffixSize + 2 ||
            entryName.compare(entryName.size() - suffixSize, suffixSize, flPartSuffix) != 0)
            continue;
        const std::size_t end = entryName.size() - suffixSize;
        const std::size_t dot = entryName.rfind('.', end - 1);
        const std::string token = entryName.substr(dot + 1, end - dot - 1);
        if (dot == 0 || token.empty() || token.size() > 16 ||
            token.find_first_not_of(flTokenDigits) != std::string::npos || entryName != FL_stagedName(name, token))
            continue;
        const int fd = openat(dirfd(folder), entryName.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct flock lock = FL_wholeFileLock(F_RDLCK);
        struct stat info;
        if (fcntl(fd, F_OFD_SETLK, &lock) == 0 && fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
            time(nullptr) - info.st_mtime >= flLeftoverAge && FL_namesFile(dirfd(folder), entryName, fd))
            unlinkat(dirfd(folder), entryName.c_str(), 0);
        close(fd);
    }
    closedir(folder);
    errno = error;
}

// The path under which a writer reopens the file iFd; iFallback where there is none.
std::string FL_writerPath(int iFd, const std::string& iFallback)
{
    const std::string path = "/proc/self/fd/" + std::to_string(iFd);
    return access(path.c_str(), F_OK) == 0 ? path : iFallback;
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

Stage::Stage(const std::string& iFilePath) : mFilePath(iFilePath), mPath(iFilePath) {}

Stage::~Stage()
{
    discard();
}

bool Stage::open()
{
    discard();
    mPath = mFilePath;
    const std::string target = resolveLink(mFilePath);
    if (FL_isDirect(target)) {
        mOpen = true;
        return true;
    }
    const mode_t createMode = FL_createMode(target);
    if (flUnnamedAllowed.load()) {
        // The writer reaches the unnamed file only through /proc; without it the named file is used.
        mFd = ::open(FL_folderOf(target).c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, createMode);
        if (mFd >= 0 && FL_writerPath(mFd, std::string()).empty()) {
            close(mFd);
            mFd = -1;
        }
    }
    if (mFd < 0) {
        mName = FL_makeStagedName(target, [&](const std::string& iPath) {
            mFd = ::open(iPath.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, createMode);
            return mFd >= 0;
        });
        if (mName.empty())
            return false;
        mSignalSlot = FL_remember(mName);
    }
    mOpen = true;
    // Locked at once: a file that no one holds locked is a leftover once it is old enough. On a
    // file system without locks it stays unlocked, and only its age keeps others off it.
    struct flock lock = FL_wholeFileLock(F_WRLCK);
    fcntl(mFd, F_OFD_SETLKW, &lock);
    struct stat made;
    if (createMode != flPrivateMode && fstat(mFd, &made) == 0)
        mNewMode = int(made.st_mode & 07777);
    if (!FL_takeRights(mFd, target, mNewMode, true)) {
        const int error = errno;
        discard();
        errno = error;
        return false;
    }
    mPath = FL_writerPath(mFd, mName);
    FL_removeLeftovers(target);
    return true;
}

bool Stage::commit()
{
    if (!mOpen)
        return false;
    if (mFd < 0) {
        mOpen = false;
        return true;
    }
    // Without the flush a crash soon after the rename can leave an empty file in place of both.
    const std::string target = resolveLink(mFilePath);
    bool done = FL_takeRights(mFd, target, mNewMode, false) && (fsync(mFd) == 0 || errno == EINVAL);
    if (done && mName.empty()) {
        // The unnamed file gets a name beside the destination first, which is renamed over it at once.
        const std::string procPath = mPath;
        mName = FL_makeStagedName(target, [&](const std::string& iPath) {
            return linkat(AT_FDCWD, procPath.c_str(), AT_FDCWD, iPath.c_str(), AT_SYMLINK_FOLLOW) == 0;
        });
        done = !mName.empty();
        if (done)
            mSignalSlot = FL_remember(mName);
    } else if (done && !FL_namesFile(AT_FDCWD, mName, mFd)) {
        // Someone removed the file; a file now of that name is not this writer's.
        errno = ENOENT;
        done = false;
    }
    done = done && std::rename(mName.c_str(), target.c_str()) == 0;
    const int error = errno;
    if (done) {
        mName.clear();
        // The rename lives in the folder; the file is in place either way, so a folder that
        // cannot be synced does not fail the write.
        syncFolder(FL_folderOf(target));
    }
    discard();
    errno = error;
    return done;
}

void Stage::discard()
{
    if (!mOpen)
        return;
    if (!mName.empty() && mFd >= 0 && FL_namesFile(AT_FDCWD, mName, mFd))
        unlink(mName.c_str());
    FL_forget(mSignalSlot);
    if (mFd >= 0)
        close(mFd);
    mFd = -1;
    mName.clear();
    mPath = mFilePath;
    mNewMode = -1;
    mOpen = false;
}

Stage* Group::add(const std::string& iFilePath)
{
    mStages.push_back(std::make_unique<Stage>(iFilePath));
    if (mStages.back()->open())
        return mStages.back().get();
    const int error = errno;
    mStages.pop_back();
    errno = error;
    return nullptr;
}

bool Group::commit()
{
    mFailedPath.clear();
    for (const std::unique_ptr<Stage>& stage : mStages) {
        if (!stage->commit()) {
            const int error = errno;
            mFailedPath = stage->filePath();
            mStages.clear();
            errno = error;
            return false;
        }
    }
    mStages.clear();
    return true;
}

void syncFolder(const std::string& iFolderPath)
{
    const int folder = open(iFolderPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        fsync(folder);
        close(folder);
    }
}

void replacePath(std::string& ioMessage, const std::string& iStagedPath, const std::string& iFilePath)
{
    const std::size_t at = ioMessage.find(iStagedPath);
    if (at != std::string::npos)
        ioMessage.replace(at, iStagedPath.size(), iFilePath);
}

std::string withReason(const std::string& iMessage, int iError)
{
    return iError == 0 ? iMessage : iMessage + ": " + detail::describe(iError);
}

namespace detail {

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

void raiseOpenFileLimit()
{
    struct rlimit limit;
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
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
