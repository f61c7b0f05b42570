#include "stagedfile.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace stagedfile {

std::string resolveLink(const std::string& iFilePath)
{
    struct stat info;
    if (lstat(iFilePath.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
        return iFilePath;
    char* resolved = realpath(iFilePath.c_str(), nullptr);
    if (resolved == nullptr)
        return iFilePath;
    const std::string path = resolved;
    free(resolved);
    return path;
}

std::string getStagedPath(const std::string& iFilePath)
{
    const std::string target = resolveLink(iFilePath);
    struct stat info;
    if (stat(target.c_str(), &info) == 0 && !S_ISREG(info.st_mode))
        return iFilePath;
    const std::size_t slash = target.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    return target.substr(0, nameStart) + "." + target.substr(nameStart) + ".part";
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
    const int fd = open(iStagedPath.c_str(), O_RDONLY);
    if (fd < 0)
        return false;
    const bool synced = fsync(fd) == 0 || errno == EINVAL;
    close(fd);
    return synced && std::rename(iStagedPath.c_str(), target.c_str()) == 0;
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

void ignoreFileSizeSignal()
{
    std::signal(SIGXFSZ, SIG_IGN);
}

} // namespace stagedfile
