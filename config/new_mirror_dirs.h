#ifndef QUORVANE_CONFIG_NEW_MIRROR_DIRS_H_
#define QUORVANE_CONFIG_NEW_MIRROR_DIRS_H_

#include <string>

namespace qv {

class Platform;

// What the directories typed for a new mirror are now, so that a mirror that
// cannot work is refused when it is added rather than failing every scan.

enum class TDirState { kDirectory, kMissing, kNotDirectory };

// The state of dir, links followed: a link whose target is not there now (a
// drive not mounted) is missing. A path that cannot be reached counts as
// missing too, and *reason gets the system's text; it is left alone for a
// path that is simply not there.
TDirState DirStateOf(Platform& platform, const std::string& dir, std::string* reason);

// True when the directory dir has no archive yet and holds an entry that its
// first scan moves into the archive unless the source has it too: anything
// but hidden entries and the file system's lost+found. False when dir cannot
// be listed.
bool HoldsFilesWithoutArchive(Platform& platform, const std::string& dir);

}  // namespace qv

#endif  // QUORVANE_CONFIG_NEW_MIRROR_DIRS_H_
