#include "stagedfile.h"

#include <atomic>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace stagedfile {

namespace {

// The staged file being written, read by the signal handler: a fixed buffer, no allocation.
char flStagedPath[PATH_MAX];
std::atomic<bool> flStaged{false};

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
    if (lstat(target.c_str(), &info) == 0 && (!S_ISREG(info.st_mode) || access(target.c_str(), W_OK) != 0))
        return iFilePath;
    const std::size_t nameStart = target.rfind('/') + 1; // 0 without a slash
    const std::string tail = "." + std::to_string(iProcessId) + ".part";
    std::string name = target.substr(nameStart);
    const std::size_t room = NAME_MAX - 1 - tail.size();
    if (name.size() > room) {
        std::size_t cut = room;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
            --cut;
        name.resize(cut);
    }
    return target.substr(0, nameStart) + "." + name + tail;
}

bool create(const std::string& iStagedPath, const std::string& iFilePath)
{
    if (iStagedPath == iFilePath)
        return true;
    // A name that carries this process's id can only have been left by a process that had the id
    // before. Any other name is not touched.
    const std::string tail = "." + std::to_string(getpid()) + ".part";
    const bool own = iStagedPath.size() > tail.size() &&
                     iStagedPath.compare(iStagedPath.size() - tail.size(), tail.size(), tail) == 0;
    const int flags = O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC;
    int fd = open(iStagedPath.c_str(), flags, 0666);
    if (fd < 0 && errno == EEXIST && own && unlink(iStagedPath.c_str()) == 0)
        fd = open(iStagedPath.c_str(), flags, 0666);
    return fd >= 0 && close(fd) == 0;
}

bool commit(const std::string& iStagedPath, const std::string& iFilePath)
{
    if (iStagedPath == iFilePath)
        return true;
    const std::string target = resolveLink(iFilePath);
    // The new file keeps the permissions of the one it replaces.
    struct stat old;
    if (stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode) && chmod(iStagedPath.c_str(), old.st_mode & 07777) != 0)
        return false;
    // Without the sync a crash soon after the rename can leave an empty file in place of both.
    const int fd = open(iStagedPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = fsync(fd) == 0 || errno == EINVAL;
    const int error = errno;
    close(fd);
    errno = error;
    if (!synced || std::rename(iStagedPath.c_str(), target.c_str()) != 0)
        return false;
    // The rename lives in the folder; the file is in place either way, so a folder that cannot be
    // synced does not fail the write.
    const int folder = open(FL_folderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        fsync(folder);
        close(folder);
    }
    return true;
}

void discard(const std::string& iStagedPath, const std::string& iFilePath)
{
    if (iStagedPath != iFilePath)
        std::remove(iStagedPath.c_str());
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
