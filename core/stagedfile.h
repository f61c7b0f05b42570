#ifndef CORE_STAGEDFILE_H
#define CORE_STAGEDFILE_H

#include "memoryguard.h"

#include <string>

// Replacing a file safely: the new content is written beside its place under a hidden name and
// renamed over the old file only when the whole write succeeded, so a failed save leaves the
// previous file as it was. Anything other than a regular file at the place (a device, a folder)
// is written directly and never replaced.
namespace stagedfile {

// The file a path names: a symbolic link is followed (when it leads somewhere), so that a save
// replaces the file it points to and the link stays.
std::string resolveLink(const std::string& iFilePath);

// ".<name>.part" in the folder of iFilePath, or iFilePath itself when something other than a
// regular file is there.
std::string getStagedPath(const std::string& iFilePath);

// Flushes the staged file to the disk and renames it over iFilePath; true at once when the two
// are the same path. False when either step fails; the staged file is then still there.
bool commit(const std::string& iStagedPath, const std::string& iFilePath);

// Removes the staged file (never iFilePath itself).
void discard(const std::string& iStagedPath, const std::string& iFilePath);

// A writer's message names the file it wrote; the user knows the file by its place.
void replacePath(std::string& ioMessage, const std::string& iStagedPath, const std::string& iFilePath);

// The whole sequence: iWrite(path) writes a complete file at the path it is given (the staged
// path) and returns whether it did; the result then replaces iFilePath. False, with the staged
// file removed and the file at iFilePath as it was, when iWrite fails or runs out of memory or
// the commit fails.
template <typename W>
bool write(const std::string& iFilePath, W&& iWrite)
{
    const std::string stagedPath = getStagedPath(iFilePath);
    if (memoryguard::run([&] { return iWrite(stagedPath); }) && commit(stagedPath, iFilePath))
        return true;
    discard(stagedPath, iFilePath);
    return false;
}

// A write beyond the file size limit (ulimit -f) would kill the process with SIGXFSZ and leave
// its staged file behind. Every program calls this at start-up, so that such a write fails
// (EFBIG) like one on a full disk and the failure path runs. The setting passes on to the
// programs it starts.
void ignoreFileSizeSignal();

} // namespace stagedfile

#endif
