#ifndef QUORVANE_FILESYS_PATH_PLACES_H_
#define QUORVANE_FILESYS_PATH_PLACES_H_

#include <string>

namespace qv {

class Platform;

// How a mirror's two roots lie to each other, decided by where they are
// (Platform::LocatePath: the device and the path inside the file system, so
// that a link or a bind mount in either path does not hide a nesting) and
// by their text, which also catches another file system mounted inside.
// Both paths are directories ending with "/".

// True when source is destination or lies inside it: walking the
// destination would then reach the source.
bool SourceInsideDestination(Platform& platform, const std::string& source,
                             const std::string& destination);

// The directory of source that is destination, when destination lies inside
// source (source + the part below it); "" when it does not.
std::string DestinationInSource(Platform& platform, const std::string& source,
                                const std::string& destination);

}  // namespace qv

#endif  // QUORVANE_FILESYS_PATH_PLACES_H_
