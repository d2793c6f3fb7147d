#ifndef QUORVANE_ENGINE_VOLUME_GUARD_H_
#define QUORVANE_ENGINE_VOLUME_GUARD_H_

#include <string>
#include <vector>

#include "filesys/platform.h"

namespace qv {

class TLogger;
class TMapping;
class TQVIniFile;

// A mirror only runs while each root is the directory, on the file system,
// that it was when the mirror last ran. A source disk that is not mounted
// leaves an empty mount-point directory behind; a source replaced by a link
// or mounted over is another directory; mirroring either would move the
// whole destination into the archive. A destination disk that is not
// mounted would fill the disk that holds its mount point.
//
// Stored under the mapping's key at the first scan and when the user accepts
// a change: "SourceVolume" and "DestVolume" name the file system (see
// VolumeIdentity), "SourceRoot" and "DestRoot" the directory in it
// ("inode N").

// The identity of a file system: "uuid U root R" where it has a UUID; else
// "fsid F source S root R born B" (the source left out when it names a block
// device, whose name changes with the port it is plugged into); else
// "device D type T source S root R born B". R is the mount table's root
// field, B the birth time of the mount's root directory in file-time ticks.
std::string VolumeIdentity(const VolumeInfo& volume);

// How the stored identity of a root compares with the root now.
enum class TRootMatch {
  kFirst,  // nothing stored yet
  kSame,
  kUpgrade,  // stored in an older form ("device N type", "uuid U") that still matches
  kChanged,
};
TRootMatch MatchRoot(const std::string& stored_volume, const std::string& stored_root,
                     const VolumeInfo& volume, uint64_t inode);

// Checks both roots of a mirror whose scan confines the platform to them, so
// that Stat of a root reaches the directory that the walk then uses, links
// in its path resolved. A root that cannot be opened as a directory, or
// whose identity changed, is an error each (the caller cancels the mirror);
// one whose file system cannot be asked only a warning. Identities seen for
// the first time, or stored in an older form, are stored. *source and *dest
// receive the roots as Stat reports them.
bool CheckRoots(Platform& platform, TQVIniFile& ini, const TMapping& mapping, TLogger& logger,
                FileInfo* source, FileInfo* dest);

// The roots ("source /a/", "destination /b/") whose identity changed since
// it was stored; a root that cannot be asked now is left out.
std::vector<std::string> ChangedRoots(Platform& platform, TQVIniFile& ini, const TMapping& mapping);

// Records the current identities of both roots of mapping, so that the next
// scan accepts them. False with *error set when a root cannot be asked.
bool AcceptRoots(Platform& platform, TQVIniFile& ini, const TMapping& mapping, std::string* error);

}  // namespace qv

#endif  // QUORVANE_ENGINE_VOLUME_GUARD_H_
