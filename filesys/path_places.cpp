#include "filesys/path_places.h"

#include <optional>

#include "filesys/path_ops.h"
#include "filesys/platform.h"

namespace qv {

namespace {

// The part of inner's place below outer's ("" for the same place), or
// nothing when inner does not lie there or a place is unknown.
std::optional<std::string> PlaceBelow(Platform& platform, const std::string& inner,
                                      const std::string& outer) {
  PathPlace in;
  PathPlace out;
  if (!platform.LocatePath(inner, &in).ok() || !platform.LocatePath(outer, &out).ok() ||
      in.device != out.device || !in.fs_path.starts_with(out.fs_path)) {
    return std::nullopt;
  }
  return in.fs_path.substr(out.fs_path.size());
}

}  // namespace

bool SourceInsideDestination(Platform& platform, const std::string& source,
                             const std::string& destination) {
  return source == destination || IsInside(source, destination) ||
         PlaceBelow(platform, source, destination).has_value();
}

std::string DestinationInSource(Platform& platform, const std::string& source,
                                const std::string& destination) {
  if (IsInside(destination, source)) return destination;
  const std::optional<std::string> below = PlaceBelow(platform, destination, source);
  return below && !below->empty() ? source + *below : std::string();
}

}  // namespace qv
