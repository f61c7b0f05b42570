#ifndef CORE_STAGEDFILE_H
#define CORE_STAGEDFILE_H

#include "memoryguard.h"

#include <cerrno>
#include <memory>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

// Replacing a file safely: the new content is written to a file of its own beside its place and
// put there by one rename only when the whole write succeeded, so a failed save leaves the
// previous file as it was. The place is found once, when the write starts, by the system, which
// follows links under its own rules (a link to a file not there yet has it make that file,
// empty, which the write replaces); that folder is then held, and everything happens in it. Where
// the file system offers it the new file is unnamed, and a writer killed on the way leaves
// nothing of it; elsewhere it has a hidden name that no other writer can have,
// ".<name>.<random>.part". Its writer holds it open and locked from its creation to the rename.
// A leftover of such a name (its writer was killed) is removed by a later write into the same
// folder once no one holds its lock and it has not changed for ten minutes: a writer on another
// machine may not see this machine's locks.
// Anything other than a regular file that the process may write (a device, a folder, a
// write-protected file, a file mounted in its place, a file with no name left, as one reached
// through /dev/fd after its removal), a file in a folder that would not let the process put a
// new file in its place, and every file where the system has no /proc, is written directly and
// never replaced, so that the writer's open fails, or writes, as that of any other program. A
// link of /proc to a file that has a name leads to that name, like any other link.
// Where the file system keeps no rights (FAT through FUSE), the file is written as a plain write
// would write it, with the rights the file system gives.
namespace stagedfile {

// One replacement of a file. Files of one group (a project's) are each staged, all written, then
// committed one after another. What was not committed is removed with the object.
class Stage
{
public:
    explicit Stage(const std::string& iDestination);
    ~Stage();
    Stage(const Stage&) = delete;
    Stage& operator=(const Stage&) = delete;

    // Finds the destination's place and makes the file to write there, private to its writer
    // while it is written. On failure errno tells why.
    bool open();
    const std::string& destination() const { return mDestination; }
    // What the writer opens, anew and truncating: the staged file itself under /proc, so that
    // its name is never followed. The destination itself for a direct write.
    const std::string& writePath() const { return mWritePath; }
    // Gives the file the rights of the file it replaces as that file has them now, its access
    // ACL among them (no one gets more than before where its owner or group could not be kept;
    // a new file the rights a new file gets in that folder), flushes it, renames it over the
    // destination's name in the folder found at the open and flushes that folder. On failure
    // errno tells why and the file is discarded.
    bool commit();
    void discard();

private:
    friend class Group;
    // Removes the leftovers of the folder unless it is one of ioCleaned, which it then joins.
    bool open(std::vector<std::pair<dev_t, ino_t>>* ioCleaned);

    std::string mDestination;
    std::string mWritePath;
    std::string mTargetName; // the destination's name in mFolder, links followed
    std::string mName;       // the staged file's own name; empty while it has none
    int mFolder = -1;        // the folder of the file replaced
    int mFd = -1;            // the file written, held open and locked while it is
    // The destination the open found there; 0 when none.
    std::pair<dev_t, ino_t> mFound{0, 0};
    ino_t mMade = 0;         // the empty file the system made where a link led to none
    int mMadeFile = -1;      // that file, held open
    int mSignalSlot = -1;
    int mMadeSlot = -1;
    bool mOpen = false;
};

// Files replaced as one group: each is staged and written, then all are committed one after
// another. At the first commit that fails the rest are removed; the files committed before it
// stay replaced.
class Group
{
public:
    // The new stage of iDestination, opened; nullptr with errno when it cannot be. Each folder's
    // leftovers are looked for once.
    Stage* add(const std::string& iDestination);
    // Opens ioStage, which the caller commits, as add() opens the group's own.
    bool open(Stage& ioStage);
    // Looks for the leftovers of a folder that may get no file of the group, unless a file of the
    // group has done so; a folder that cannot be opened is passed over.
    void clean(const std::string& iFolderPath);
    // False with errno at the first file that could not be put in place, which failedPath() names.
    bool commit();
    const std::string& failedPath() const { return mFailedPath; }

private:
    std::vector<std::unique_ptr<Stage>> mStages;
    std::vector<std::pair<dev_t, ino_t>> mCleaned;
    std::string mFailedPath;
};

// Flushes a folder's entries (the moves into and out of it) to the disk; failures are ignored.
void syncFolder(const std::string& iFolderPath);

// A writer's message names the file it wrote; the user knows the file by its place.
void replacePath(std::string& ioMessage, const std::string& iStagedPath, const std::string& iFilePath);

// iMessage followed by ": " and the system's text for iError; iMessage alone for 0.
std::string withReason(const std::string& iMessage, int iError);

namespace detail {
// The system's text for an errno value; empty for 0.
std::string describe(int iError);
// Whether a Stage may use unnamed files; the named staged file is what remains elsewhere.
void allowUnnamedFiles(bool iAllowed);
} // namespace detail

// The whole sequence: iWrite(path) writes a complete file at the path it is given (a Stage's,
// which it opens anew and truncates) and returns whether it did; the result then replaces
// iFilePath. False, with the staged file removed and the file at iFilePath as it was, when the
// staged file cannot be made, iWrite fails or runs out of memory, or the commit fails.
// oErrorMessage is then "Cannot open file for writting: <iFilePath>" when no staged file could
// be made (a writer reports its own trouble), and oReason the system's reason for the failing
// call ("No space left on device"), empty when none failed (out of memory, data the writer
// refused).
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
        const bool written = iWrite(stage.writePath());
        returned = true;
        return written;
    });
    int error = errno;
    if (done) {
        done = stage.commit();
        error = errno;
    }
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

// Every file of a group is held open until the group is committed: a project of many shots
// needs more open files than the usual first limit of 1024. Raises that limit to the most the
// system allows the process; the programs that save groups call this at start-up.
void raiseOpenFileLimit();

// From now on SIGINT, SIGTERM and SIGHUP remove the named staged files being written, if any,
// and end the process as the signal does by default. A signal that the process was started with
// ignored (nohup, a background job) stays ignored.
void removeOnSignals();

} // namespace stagedfile

#endif
