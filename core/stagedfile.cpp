#include "stagedfile.h"

#include <algorithm>
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
#include <sys/xattr.h>
#include <unistd.h>

namespace stagedfile {

namespace {

// The named staged files being written, read by the signal handler: fixed buffers, no allocation.
// Each name is removed only while it still names the file remembered with it.
constexpr int flSlotCount = 4;
int flSlotFolders[flSlotCount];
char flSlotNames[flSlotCount][NAME_MAX + 1];
dev_t flSlotDevices[flSlotCount];
ino_t flSlotInodes[flSlotCount];
bool flSlotEmptyOnly[flSlotCount];
std::atomic<bool> flSlotUsed[flSlotCount];
std::atomic<bool> flSlotFilled[flSlotCount];
std::atomic<bool> flUnnamedAllowed{true};

// A leftover younger than this may still be written by a writer whose lock does not reach here.
const time_t flLeftoverAge = 10 * 60;
const std::size_t flTokenLength = 12;
const std::string flPartSuffix = ".part";
const std::string flTokenDigits = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
// The byte a writer locks: far beyond any data, since a file server may refuse writes through
// another open of the file over a locked range.
const off_t flLockByte = off_t(1) << 62;
const mode_t flPrivateMode = S_IRUSR | S_IWUSR;
const char* const flAccessAcl = "system.posix_acl_access";
const char* const flDefaultAcl = "system.posix_acl_default";

void FL_removeStagedAndEnd(int iSignal)
{
    for (int slot = 0; slot < flSlotCount; ++slot) {
        struct stat named;
        if (flSlotFilled[slot].load() &&
            fstatat(flSlotFolders[slot], flSlotNames[slot], &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            named.st_dev == flSlotDevices[slot] && named.st_ino == flSlotInodes[slot] &&
            (!flSlotEmptyOnly[slot] || named.st_size == 0))
            unlinkat(flSlotFolders[slot], flSlotNames[slot], 0);
    }
    std::signal(iSignal, SIG_DFL);
    // Delivered when the handler returns, so the process ends with the signal's own status.
    raise(iSignal);
}

// A slot through which the signal handler removes iName from iFolder while it names the file
// iFile is of (and, with iEmptyOnly, that file is still empty); -1 when none is free.
int FL_remember(int iFolder, const std::string& iName, const struct stat& iFile, bool iEmptyOnly)
{
    for (int slot = 0; slot < flSlotCount; ++slot) {
        bool used = false;
        if (iName.size() <= NAME_MAX && flSlotUsed[slot].compare_exchange_strong(used, true)) {
            flSlotFolders[slot] = iFolder;
            std::memcpy(flSlotNames[slot], iName.c_str(), iName.size() + 1);
            flSlotDevices[slot] = iFile.st_dev;
            flSlotInodes[slot] = iFile.st_ino;
            flSlotEmptyOnly[slot] = iEmptyOnly;
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

// Whether iName has the form of a staged file's name, of whatever destination.
bool FL_isStagedName(const std::string& iName)
{
    const std::size_t size = iName.size();
    const std::size_t suffix = flPartSuffix.size();
    if (size < 3 + flTokenLength + suffix || iName[0] != '.' || iName.compare(size - suffix, suffix, flPartSuffix) != 0)
        return false;
    const std::size_t token = size - suffix - flTokenLength;
    return iName[token - 1] == '.' && iName.find_first_not_of(flTokenDigits, token) == size - suffix;
}

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

// Makes a staged name for iTarget through iMake(name), which fails with EEXIST when the name is
// taken; a taken name is never touched, another is tried. The name, empty with errno on failure.
std::string FL_makeStagedName(const std::string& iTarget, const std::function<bool(const std::string&)>& iMake)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = FL_stagedName(iTarget, FL_randomToken());
        if (iMake(name))
            return name;
        if (errno != EEXIST)
            return std::string();
    }
    return std::string();
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

// The folder of iPath, held open, and in oName the name in it. -1 with errno when the folder
// cannot be opened; -1 and no name for a path that names no file in a folder ("dir/", "..").
int FL_openFolderOf(const std::string& iPath, std::string& oName)
{
    const std::size_t slash = iPath.rfind('/');
    oName = iPath.substr(slash + 1);
    if (oName.empty() || oName == "." || oName == "..") {
        oName.clear();
        return -1;
    }
    const std::string folderPath = slash == std::string::npos ? "." : slash == 0 ? "/" : iPath.substr(0, slash);
    const int folder = ::open(folderPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    // A folder that may be entered but not listed is still where the file goes.
    return folder >= 0 || errno != EACCES ? folder : ::open(folderPath.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
}

// Where a write of a path puts its file: a folder held open and the name in it, no folder for a
// direct write; the file found there (st_ino 0: none), and whether the system made it for the
// write.
struct FLPlace
{
    int folder = -1;
    std::string name;
    struct stat found = {};
    bool made = false;
};

// The system follows the links of iPath under its own rules (EACCES for a protected link). A
// link to a file not there yet has the system make that file, empty, for the write to replace.
// The place is read from the file the system reached, by its path under /proc, and checked
// against it. Anything but a regular file, a file with no name left and a path that names no
// file in a folder are written directly. False with errno as a plain open gives it; EAGAIN when
// the file moved meanwhile.
bool FL_locate(const std::string& iPath, FLPlace& oPlace)
{
    struct stat reached;
    int file = ::open(iPath.c_str(), O_PATH | O_CLOEXEC);
    bool made = false;
    if (file < 0 && errno == ENOENT && lstat(iPath.c_str(), &reached) == 0 && S_ISLNK(reached.st_mode)) {
        file = ::open(iPath.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, flPrivateMode);
        made = file >= 0;
    }
    if (file < 0 && errno != ENOENT)
        return false;
    const bool exists = file >= 0;
    std::string path = iPath;
    if (exists) {
        char target[PATH_MAX];
        ssize_t length = 0;
        if (fstat(file, &reached) == 0 && S_ISREG(reached.st_mode) && reached.st_nlink > 0)
            length = readlink(("/proc/self/fd/" + std::to_string(file)).c_str(), target, sizeof target);
        close(file);
        if (length <= 0 || length == ssize_t(sizeof target) || target[0] != '/')
            return true;
        path.assign(target, std::size_t(length));
    }
    oPlace.folder = FL_openFolderOf(path, oPlace.name);
    if (oPlace.folder < 0)
        return oPlace.name.empty();
    struct stat named;
    if (exists && (fstatat(oPlace.folder, oPlace.name.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0 ||
                   !FL_sameFile(named, reached))) {
        close(oPlace.folder);
        oPlace.folder = -1;
        errno = EAGAIN;
        return false;
    }
    if (exists)
        oPlace.found = reached;
    oPlace.made = made;
    return true;
}

// A file that may not be replaced by a new one, so is written directly: anything but a regular
// file, a file the process may not write, a file mounted on its place, one whose folder does not
// let this process make a file, or is sticky (as /tmp) while the file belongs to another user.
bool FL_isDirect(int iFolder, const std::string& iName)
{
    struct statx info;
    struct stat folderInfo;
    if (statx(iFolder, iName.c_str(), AT_SYMLINK_NOFOLLOW, STATX_TYPE | STATX_UID, &info) != 0)
        return false;
    if (!S_ISREG(info.stx_mode) || (info.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0 ||
        faccessat(iFolder, iName.c_str(), W_OK, AT_EACCESS) != 0 ||
        faccessat(iFolder, ".", W_OK | X_OK, AT_EACCESS) != 0 || fstat(iFolder, &folderInfo) != 0)
        return true;
    const uid_t user = geteuid();
    return (folderInfo.st_mode & S_ISVTX) != 0 && user != 0 && info.stx_uid != user && folderInfo.st_uid != user;
}

mode_t FL_defaultMode()
{
    unsigned mask = 0;
    bool known = false;
    if (FILE* status = std::fopen("/proc/self/status", "re")) {
        char line[256];
        while (!known && std::fgets(line, sizeof line, status))
            known = std::sscanf(line, "Umask: %o", &mask) == 1;
        std::fclose(status);
    }
    if (!known) {
        // Older systems do not show it: read by setting it, which other threads may meet.
        mask = umask(0);
        umask(mode_t(mask));
    }
    return 0666 & ~mode_t(mask);
}

// A file system that keeps no rights (FAT through FUSE, network shares of phones) answers so.
bool FL_keepsNoRights(int iError)
{
    return iError == ENOSYS || iError == EOPNOTSUPP;
}

bool FL_setMode(int iFd, mode_t iMode)
{
    return fchmod(iFd, iMode) == 0 || FL_keepsNoRights(errno);
}

std::string FL_descriptorPath(int iFd)
{
    return "/proc/self/fd/" + std::to_string(iFd);
}

// The ACL iName of the file at iPath, as the system stores it; empty where there is none or the
// file system keeps none. False with errno when it cannot be read.
bool FL_readAcl(const std::string& iPath, const char* iName, std::string& oAcl)
{
    oAcl.clear();
    for (int attempt = 0; attempt < 10; ++attempt) {
        const ssize_t size = getxattr(iPath.c_str(), iName, nullptr, 0);
        if (size <= 0)
            return size == 0 || errno == ENODATA || FL_keepsNoRights(errno);
        oAcl.resize(std::size_t(size));
        const ssize_t read = getxattr(iPath.c_str(), iName, &oAcl[0], oAcl.size());
        if (read >= 0) {
            oAcl.resize(std::size_t(read));
            return true;
        }
        oAcl.clear();
        // ERANGE: it grew meanwhile.
        if (errno != ERANGE)
            return errno == ENODATA || FL_keepsNoRights(errno);
    }
    errno = ERANGE;
    return false;
}

// The rights of the owning group in an access ACL (its group entry within the mask), or iMode's
// group bits where it has none.
mode_t FL_owningGroupRights(const std::string& iAcl, mode_t iMode)
{
    // A version word, then entries of a 16-bit tag, 16-bit rights and a 32-bit id, little-endian.
    const std::size_t header = 4;
    const std::size_t entry = 8;
    const unsigned groupTag = 0x04;
    const unsigned maskTag = 0x10;
    mode_t group = (iMode >> 3) & 7;
    mode_t mask = 7;
    for (std::size_t at = header; !iAcl.empty() && at + entry <= iAcl.size(); at += entry) {
        const auto word = [&](std::size_t iAt) {
            return unsigned(static_cast<unsigned char>(iAcl[iAt])) |
                   unsigned(static_cast<unsigned char>(iAcl[iAt + 1])) << 8;
        };
        if (word(at) == groupTag)
            group = mode_t(word(at + 2) & 7);
        else if (word(at) == maskTag)
            mask = mode_t(word(at + 2) & 7);
    }
    return group & mask;
}

// The permissions of iOld for a file whose owner or group could not be kept: whoever falls
// under the group or the others now gets no more than under either before. iOwningGroup is
// what the old owning group had (its ACL entry, where the group bits are an ACL's mask).
mode_t FL_narrowedMode(mode_t iOld, mode_t iOwningGroup, bool iOwnerDiffers, bool iGroupDiffers)
{
    const mode_t user = (iOld >> 6) & 7;
    const mode_t group = (iOld >> 3) & 7;
    mode_t special = iOld & (S_ISUID | S_ISGID | S_ISVTX);
    mode_t newGroup = group;
    mode_t others = iOld & 7;
    if (iOwnerDiffers) {
        newGroup &= user;
        others &= user;
        special &= ~mode_t(S_ISUID);
    }
    if (iGroupDiffers) {
        others &= iOwningGroup;
        newGroup = 0;
        special &= ~mode_t(S_ISGID);
    }
    return special | (user << 6) | (newGroup << 3) | others;
}

// The rights a file made in iFolder now gets: those of the folder's default ACL for a file made
// with the usual 0666 where it has one, the umask's otherwise.
bool FL_giveNewFileRights(int iFd, int iFolder)
{
    std::string acl;
    if (!FL_readAcl(FL_descriptorPath(iFolder), flDefaultAcl, acl))
        return false;
    if (acl.empty())
        return FL_setMode(iFd, FL_defaultMode());
    struct stat own;
    return fsetxattr(iFd, flAccessAcl, acl.data(), acl.size(), 0) == 0 && fstat(iFd, &own) == 0 &&
           FL_setMode(iFd, own.st_mode & 0666);
}

// Gives the staged file the owner (root may give it), group (where the user is in it) and access
// ACL (none where it had none) of the file iName in iFolder as it is now, and its permissions as
// far as they grant no one more than before; a new file, also the empty one made for the write
// (inode iMade), gets the rights a new file gets. In a sticky folder another user's file, a file
// of several links or any file but iFound, the one found there at the open, may have been put
// there for the writer to hand its output to: its owner, group and ACL are not given, and its
// permissions no more than a new file's.
bool FL_giveRights(int iFd, int iFolder, const std::string& iName, ino_t iMade,
                   const std::pair<dev_t, ino_t>& iFound)
{
    struct stat old;
    std::string acl;
    const int oldFile = openat(iFolder, iName.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
    if (oldFile < 0 && errno != ENOENT)
        return false;
    bool looked = oldFile < 0 || fstat(oldFile, &old) == 0;
    const bool replaced = looked && oldFile >= 0 && S_ISREG(old.st_mode) && old.st_ino != iMade;
    looked = looked && (!replaced || FL_readAcl(FL_descriptorPath(oldFile), flAccessAcl, acl));
    const int error = errno;
    if (oldFile >= 0)
        close(oldFile);
    errno = error;
    if (!looked)
        return false;
    if (!replaced)
        return FL_giveNewFileRights(iFd, iFolder);
    struct stat folder;
    if (fstat(iFolder, &folder) != 0)
        return false;
    const uid_t user = geteuid();
    const bool planted = (folder.st_mode & S_ISVTX) != 0 &&
                         ((old.st_uid != user && old.st_uid != folder.st_uid) || old.st_nlink > 1 ||
                          old.st_dev != iFound.first || old.st_ino != iFound.second);
    if (planted) {
        if (!FL_giveNewFileRights(iFd, iFolder))
            return false;
    } else {
        if (fchown(iFd, user == 0 ? old.st_uid : uid_t(-1), old.st_gid) != 0) {
            // The group could not be given; the owner is the writer's.
        }
        // What the folder's default ACL gave the new file is for new files only.
        if (acl.empty() ? fremovexattr(iFd, flAccessAcl) != 0 && errno != ENODATA && !FL_keepsNoRights(errno)
                        : fsetxattr(iFd, flAccessAcl, acl.data(), acl.size(), 0) != 0)
            return false;
    }
    struct stat own;
    if (fstat(iFd, &own) != 0)
        return false;
    const mode_t mode = FL_narrowedMode(old.st_mode & 07777, FL_owningGroupRights(acl, old.st_mode),
                                        own.st_uid != old.st_uid, own.st_gid != old.st_gid);
    return FL_setMode(iFd, planted ? own.st_mode & mode & 0777 : mode);
}

struct flock FL_markLock(short iType)
{
    struct flock lock = {};
    lock.l_type = iType;
    lock.l_whence = SEEK_SET;
    lock.l_start = flLockByte;
    lock.l_len = 1;
    return lock;
}

// A file system without locks; its files are told from leftovers by their age alone.
bool FL_hasNoLocks(int iError)
{
    return iError == ENOLCK || iError == EINVAL || iError == EOPNOTSUPP || iError == ENOSYS;
}

// Removes the leftovers of writers that were killed while writing: staged files that this
// process can lock itself (no writer holds them), that their name still refers to once locked,
// and that have not changed for flLeftoverAge. Everything else is left alone.
void FL_removeLeftovers(int iFolder)
{
    const int error = errno;
    const int listed = openat(iFolder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* folder = listed >= 0 ? fdopendir(listed) : nullptr;
    if (!folder) {
        if (listed >= 0)
            close(listed);
        errno = error;
        return;
    }
    while (const dirent* entry = readdir(folder)) {
        const std::string name = entry->d_name;
        struct stat info;
        if (!FL_isStagedName(name) || fstatat(iFolder, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(info.st_mode))
            continue;
        const int fd = openat(iFolder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct flock lock = FL_markLock(F_RDLCK);
        if ((fcntl(fd, F_OFD_SETLK, &lock) == 0 || FL_hasNoLocks(errno)) && fstat(fd, &info) == 0 &&
            S_ISREG(info.st_mode) && time(nullptr) - info.st_mtime >= flLeftoverAge && FL_namesFile(iFolder, name, fd))
            unlinkat(iFolder, name.c_str(), 0);
        close(fd);
    }
    closedir(folder);
    errno = error;
}

// Removes the leftovers of iFolder unless it is one of ioCleaned, which it then joins; always
// without ioCleaned.
void FL_removeLeftoversOnce(int iFolder, std::vector<std::pair<dev_t, ino_t>>* ioCleaned)
{
    struct stat folderInfo;
    if (fstat(iFolder, &folderInfo) != 0)
        return;
    const std::pair<dev_t, ino_t> folderId(folderInfo.st_dev, folderInfo.st_ino);
    if (!ioCleaned || std::find(ioCleaned->begin(), ioCleaned->end(), folderId) == ioCleaned->end()) {
        FL_removeLeftovers(iFolder);
        if (ioCleaned)
            ioCleaned->push_back(folderId);
    }
}

} // namespace

Stage::Stage(const std::string& iDestination) : mDestination(iDestination), mWritePath(iDestination) {}

Stage::~Stage()
{
    discard();
}

bool Stage::open()
{
    return open(nullptr);
}

bool Stage::open(std::vector<std::pair<dev_t, ino_t>>* ioCleaned)
{
    discard();
    FLPlace place;
    // A file replaced while its path is followed (by another save) is followed anew.
    for (int attempt = 0; !FL_locate(mDestination, place); ++attempt)
        if (errno != EAGAIN || attempt == 10)
            return false;
    mOpen = true;
    // The writer opens the staged file through /proc; without it, by a path that others could
    // change, so the destination is written directly.
    if (place.folder >= 0 && (FL_isDirect(place.folder, place.name) || access("/proc/self/fd", F_OK) != 0)) {
        close(place.folder);
        place.folder = -1;
    }
    if (place.folder < 0)
        return true;
    mFolder = place.folder;
    mTargetName = place.name;
    mFound = {place.found.st_dev, place.found.st_ino};
    if (place.made) {
        // Held, so that no later file can have its inode while it is told by it.
        mMadeFile = openat(mFolder, mTargetName.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
        struct stat held;
        if (mMadeFile >= 0 && fstat(mMadeFile, &held) == 0 && FL_sameFile(held, place.found)) {
            mMade = held.st_ino;
            mMadeSlot = FL_remember(mFolder, mTargetName, held, true);
        }
    }
    if (flUnnamedAllowed.load())
        mFd = openat(mFolder, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, flPrivateMode);
    if (mFd < 0) {
        mName = FL_makeStagedName(mTargetName, [&](const std::string& iName) {
            mFd = openat(mFolder, iName.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, flPrivateMode);
            return mFd >= 0;
        });
        struct stat own;
        if (mName.empty() || fstat(mFd, &own) != 0) {
            const int error = errno;
            discard();
            errno = error;
            return false;
        }
        mSignalSlot = FL_remember(mFolder, mName, own, false);
    }
    // Locked at once: a file that no one holds locked is a leftover once it is old enough. Its
    // writer may write it also where the umask takes that right from new files.
    struct flock lock = FL_markLock(F_WRLCK);
    int locked;
    while ((locked = fcntl(mFd, F_OFD_SETLKW, &lock)) != 0 && errno == EINTR) {
    }
    if ((locked != 0 && !FL_hasNoLocks(errno)) || (fchmod(mFd, flPrivateMode) != 0 && !FL_keepsNoRights(errno))) {
        const int error = errno;
        discard();
        errno = error;
        return false;
    }
    mWritePath = FL_descriptorPath(mFd);
    FL_removeLeftoversOnce(mFolder, ioCleaned);
    return true;
}

bool Stage::commit()
{
    if (!mOpen) {
        errno = EINVAL;
        return false;
    }
    if (mFd < 0) {
        mOpen = false;
        return true;
    }
    // The rights first, then the flush: without it a crash soon after the rename can leave an
    // empty file in place of both.
    bool done = FL_giveRights(mFd, mFolder, mTargetName, mMade, mFound) && (fsync(mFd) == 0 || errno == EINVAL);
    struct stat own;
    if (done && mName.empty() && (done = fstat(mFd, &own) == 0)) {
        // The unnamed file gets a name beside the destination first, which is renamed over it at
        // once. Each name is remembered before the link is made, so that a signal in between
        // removes it if it is there.
        const std::string procPath = mWritePath;
        mName = FL_makeStagedName(mTargetName, [&](const std::string& iName) {
            FL_forget(mSignalSlot);
            mSignalSlot = FL_remember(mFolder, iName, own, false);
            return linkat(AT_FDCWD, procPath.c_str(), mFolder, iName.c_str(), AT_SYMLINK_FOLLOW) == 0;
        });
        done = !mName.empty();
    } else if (done && !FL_namesFile(mFolder, mName, mFd)) {
        // Someone removed the file; a file now of that name is not this writer's.
        errno = ENOENT;
        done = false;
    }
    FL_forget(mMadeSlot);
    done = done && renameat(mFolder, mName.c_str(), mFolder, mTargetName.c_str()) == 0;
    const int error = errno;
    if (done) {
        mName.clear();
        mMade = 0;
        // The rename lives in the folder; the file is in place either way, so a folder that
        // cannot be flushed does not fail the write.
        fsync(mFolder);
    }
    discard();
    errno = error;
    return done;
}

void Stage::discard()
{
    if (!mOpen)
        return;
    if (!mName.empty() && mFd >= 0 && FL_namesFile(mFolder, mName, mFd))
        unlinkat(mFolder, mName.c_str(), 0);
    // The file made for the write goes too, while it is still that empty file.
    struct stat made;
    if (mMade != 0 && fstatat(mFolder, mTargetName.c_str(), &made, AT_SYMLINK_NOFOLLOW) == 0 &&
        made.st_ino == mMade && made.st_size == 0)
        unlinkat(mFolder, mTargetName.c_str(), 0);
    FL_forget(mSignalSlot);
    FL_forget(mMadeSlot);
    for (int* fd : {&mFd, &mMadeFile, &mFolder}) {
        if (*fd >= 0)
            close(*fd);
        *fd = -1;
    }
    mName.clear();
    mTargetName.clear();
    mFound = {0, 0};
    mMade = 0;
    mWritePath = mDestination;
    mOpen = false;
}

Stage* Group::add(const std::string& iDestination)
{
    mStages.push_back(std::make_unique<Stage>(iDestination));
    if (mStages.back()->open(&mCleaned))
        return mStages.back().get();
    const int error = errno;
    mStages.pop_back();
    errno = error;
    return nullptr;
}

bool Group::open(Stage& ioStage)
{
    return ioStage.open(&mCleaned);
}

void Group::clean(const std::string& iFolderPath)
{
    const int error = errno;
    const int folder = ::open(iFolderPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        FL_removeLeftoversOnce(folder, &mCleaned);
        close(folder);
    }
    errno = error;
}

bool Group::commit()
{
    mFailedPath.clear();
    for (const std::unique_ptr<Stage>& stage : mStages) {
        if (!stage->commit()) {
            const int error = errno;
            mFailedPath = stage->destination();
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
    const int folder = ::open(iFolderPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
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
