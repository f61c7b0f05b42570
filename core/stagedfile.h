#ifndef CORE_STAGEDFILE_H
#define CORE_STAGEDFILE_H

#include "memoryguard.h"

#include <cerrno>
#include <string>
#include <sys/types.h>

// Replacing a file safely: the new content is written beside its place and put there only when
// the whole write succeeded, so a failed save leaves the previous file as it was. Where the file
// system offers it the new content goes to an unnamed file, which a writer killed on the way
// leaves nothing of; elsewhere, and for the project's groups of files, to a hidden name of its own.
// Anything other than a regular file that the process may write (a device, a folder, a
// write-protected file), and a file in a folder that would not let the process put a new file in
// its place, is written directly and never replaced, so that the writer's open fails, or writes,
// as it did before files were staged.
namespace stagedfile {

// The file a path names: symbolic links are followed, also one whose target does not exist yet,
// so that a save writes the file a link points to and the link stays.
std::string resolveLink(const std::string& iFilePath);

// ".<name>.<process id>.part" in the folder of the file iFilePath names, the name part cut (at a
// UTF-8 character) so that the whole stays within the file name limit; iFilePath itself when it
// is to be written directly (see above). The first form names this process's own staged file.
std::string getStagedPath(const std::string& iFilePath);
std::string getStagedPath(const std::string& iFilePath, pid_t iProcessId);

// Makes the staged file, empty, where no file of that name was. From the start it shows no more
// than the file it will replace: that file's group where the user is in it (and owner, for root)
// and its permissions, no group rights under another group; a new file gets the default ones. A
// file that a dead process of the same id left there goes first, and so do the staged files of
// the same destination whose writers no longer run. True at once when the two are the same path.
// On failure errno tells why.
bool create(const std::string& iStagedPath, const std::string& iFilePath);

// Flushes the staged file to the disk, renames it over iFilePath and syncs the folder, so that
// the new name survives a crash; true at once when the two are the same path. False when a step
// before the rename fails; the staged file is then still there and errno tells why.
bool commit(const std::string& iStagedPath, const std::string& iFilePath);

// Removes the staged file (never iFilePath itself).
void discard(const std::string& iStagedPath, const std::string& iFilePath);

// One replacement of a file, written through path(): an unnamed file in the destination's folder
// where the file system offers it, otherwise the named staged file, or the destination itself
// when it is written directly. What was not committed is removed with the object.
class Stage
{
public:
    explicit Stage(const std::string& iFilePath);
    ~Stage();
    Stage(const Stage&) = delete;
    Stage& operator=(const Stage&) = delete;

    // Makes the file to write, as create() does. On failure errno tells why.
    bool open();
    const std::string& path() const { return mPath; }
    // As commit(): the unnamed file gets a name of its own beside the destination, which is
    // renamed over it at once.
    bool commit();
    void discard();

private:
    std::string mFilePath;
    std::string mPath;
    bool mOpen = false;
    bool mUnnamed = false;
    int mFd = -1; // the file written, held open and locked while it is
};

// A writer's message names the file it wrote; the user knows the file by its place.
void replacePath(std::string& ioMessage, const std::string& iStagedPath, const std::string& iFilePath);

namespace detail {
// The staged file that SIGINT, SIGTERM and SIGHUP remove (removeOnSignals), until forgotten.
void remember(const std::string& iStagedPath);
void forget();
// The system's text for an errno value; empty for 0.
std::string describe(int iError);
// Whether a Stage may use unnamed files; the named staged file is what remains elsewhere.
void allowUnnamedFiles(bool iAllowed);
} // namespace detail

// The whole sequence: iWrite(path) writes a complete file at the path it is given (a Stage's,
// which it opens anew and truncates) and returns whether it did; the result then replaces iFilePath. False, with the staged
// file removed and the file at iFilePath as it was, when the staged file cannot be made, iWrite
// fails or runs out of memory, or the commit fails. oErrorMessage is then "Cannot open file for
// writting: <iFilePath>" when no staged file could be made (a writer reports its own trouble),
// and oReason the system's reason for the failing call ("No space left on device"), empty when
// none failed (out of memory, data the writer refused).
template <typename W>
bool write(const std::string& iFilePath, W&& iWrite, std::string& oErrorMessage, std::string& oReason)
{
    Stage stage(iFilePath);
    if (!stage.open()) {
        oReason = detail::describe(errno);
        oErrorMessage = "Cannot open file for writting: " + iFilePath;
        return false;
    }
    bool returned = false;
    bool done = memoryguard::run([&] {
        errno = 0;
        const bool written = iWrite(stage.path());
        returned = true;
        return written;
    });
    int error = errno;
    if (done) {
        done = stage.commit();
        error = errno;
    }
    if (!done)
        stage.discard();
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
