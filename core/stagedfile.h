#ifndef CORE_STAGEDFILE_H
#define CORE_STAGEDFILE_H

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

} // namespace stagedfile

#endif
