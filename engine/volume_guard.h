#ifndef QUORVANE_ENGINE_VOLUME_GUARD_H_
#define QUORVANE_ENGINE_VOLUME_GUARD_H_

#include <string>

namespace qv {

class Platform;
class TLogger;
class TMapping;
class TQVIniFile;

// A mirror only runs while its source and destination lie on the file
// systems they lay on when it last ran. A source disk that is not mounted
// leaves an empty mount-point directory behind; mirroring that would move
// the whole destination into the archive. A destination disk that is not
// mounted would fill the disk that holds its mount point.
//
// The identity of a file system is its UUID where the system knows one,
// else its device number and type. Both are stored as strings under the
// mapping's key ("SourceVolume", "DestVolume").

// True when both roots lie where they lay at the last scan. A root seen for
// the first time has its identity recorded. A root that does not exist, or
// whose file system cannot be asked, is left to the checks of the mirror
// (a warning for the latter). A changed identity is an error that says what
// to do; the caller cancels the mirror.
bool CheckVolumes(Platform& platform, TQVIniFile& ini, const TMapping& mapping, TLogger& logger);

// Records the current identities of both roots of mapping, so that the next
// scan accepts them. False with *error set when a root's file system cannot
// be asked or the store refuses the write.
bool AcceptVolumes(TQVIniFile& ini, Platform& platform, const TMapping& mapping,
                   std::string* error);

}  // namespace qv

#endif  // QUORVANE_ENGINE_VOLUME_GUARD_H_
