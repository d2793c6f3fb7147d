#ifndef QUORVANE_CONFIG_NEW_MIRROR_DIRS_H_
#define QUORVANE_CONFIG_NEW_MIRROR_DIRS_H_

#include <string>

namespace qv {

class Platform;
class TMapping;
class TMappings;
class TQVIniFile;

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

// The checks a scan makes when it loads the mirrors, so that a mirror added
// now is never rejected there: the source not inside its destination, no
// other mirror of the same source, no destination overlapping another.
// source and destination are as a scan reads them (expanded, normalised).
// False with *error (a lower-case clause naming the paths) when one fails.
bool CheckNewMirror(Platform& platform, const TMappings& mappings, const std::string& source,
                    const std::string& destination, std::string* error);

// False with *error when the key that mapping would get is already taken:
// two destinations that share their first 255 bytes share a key.
bool CheckMirrorKeyFree(TQVIniFile& ini, const TMapping& mapping, std::string* error);

}  // namespace qv

#endif  // QUORVANE_CONFIG_NEW_MIRROR_DIRS_H_
