#ifndef CORE_STAGEDFILE_H
#define CORE_STAGEDFILE_H

#include "memoryguard.h"

#include <cerrno>
#include <string>
#include <sys/types.h>

// Replacing a file safely: the new content is written beside its place under a hidden name of
// its own and renamed over the old file only when the whole write succeeded, so a failed save
// leaves the previous file as it was. Anything other than a regular file that the process may
// write (a device, a folder, a write-protected file) is written directly and never replaced, so
// that the writer's open fails, or writes, as it did before files were staged.
namespace stagedfile {

// The file a path names: symbolic links are followed, also one whose target does not exist yet,
// so that a save writes the file a link points to and the link stays.
std::string resolveLink(const std::string& iFilePath);

// ".<name>.<process id>.part" in the folder of the file iFilePath names, the name part cut (at a
// UTF-8 character) so that the whole stays within the file name limit; iFilePath itself when
// something other than a regular file that this process may write is there. The first form
// names this process's own staged file.
std::string getStagedPath(const std::string& iFilePath);
std::string getStagedPath(const std::string& iFilePath, pid_t iProcessId);

// Makes the staged file, empty, where no file of that name was; a file that a dead process of
// the same id left there goes first. True at once when the two are the same path. On failure
// errno tells why.
bool create(const std::string& iStagedPath, const std::string& iFilePath);

// Flushes the staged file to the disk, renames it over iFilePath and syncs the folder, so that
// the new name survives a crash; true at once when the two are the same path. False when a step
// before the rename fails; the staged file is then still there and errno tells why.
bool commit(const std::string& iStagedPath, const std::string& iFilePath);

// Removes the staged file (never iFilePath itself).
void discard(const std::string& iStagedPath, const std::string& iFilePath);

// A writer's message names the file it wrote; the user knows the file by its place.
void replacePath(std::string& ioMessage, const std::string& iStagedPath, const std::string& iFilePath);

namespace detail {
// The staged file that SIGINT, SIGTERM and SIGHUP remove (removeOnSignals), until forgotten.
void remember(const std::string& iStagedPath);
void forget();
// The system's text for an errno value; empty for 0.
std::string describe(int iError);
} // namespace detail

// The whole sequence: iWrite(path) writes a complete file at the path it is given (the staged
// path) and returns whether it did; the result then replaces iFilePath. False, with the staged
// file removed and the file at iFilePath as it was, when the staged file cannot be made, iWrite
// fails or runs out of memory, or the commit fails. oErrorMessage is then "Cannot open file for
// writting: <iFilePath>" when no staged file could be made (a writer reports its own trouble),
// and oReason the system's reason for the failing call ("No space left on device"), empty when
// none failed (out of memory, data the writer refused).
template <typename W>
bool write(const std::string& iFilePath, W&& iWrite, std::string& oErrorMessage, std::string& oReason)
{
    const std::string stagedPath = getStagedPath(iFilePath);
    if (stagedPath != iFilePath)
        detail::remember(stagedPath);
    if (!create(stagedPath, iFilePath)) {
        oReason = detail::describe(errno);
        oErrorMessage = "Cannot open file for writting: " + iFilePath;
        detail::forget();
        return false;
    }
    bool returned = false;
    bool done = memoryguard::run([&] {
        errno = 0;
        const bool written = iWrite(stagedPath);
        returned = true;
        return written;
    });
    int error = errno;
    if (done) {
        done = commit(stagedPath, iFilePath);
        error = errno;
    }
    if (!done)
        discard(stagedPath, iFilePath);
    detail::forget();
    // After running out of memory errno holds whatever the allocator left: no reason to give.
    if (!done && returned)
        oReason = detail::describe(error);
    return done;
}

// A write beyond the file size limit (ulimit -f) would kill the process with SIGXFSZ and leave
// its staged file behind. Every program calls this at start-up, so that such a write fails
// (EFBIG) like one on a full disk and the failure path runs. The setting passes on to the
// programs it starts.
void ignoreFileSizeSignal();

// From now on SIGINT, SIGTERM and SIGHUP remove the staged file being written, if any, and end
// the process as the signal does by default. A signal that the process was started with
// ignored (nohup, a background job) stays ignored.
void removeOnSignals();

} // namespace stagedfile

#endif
