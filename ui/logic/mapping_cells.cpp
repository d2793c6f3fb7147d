#include "ui/logic/mapping_cells.h"

#include "config/mapping.h"
#include "config/new_mirror_dirs.h"
#include "config/time_resolution.h"
#include "filesys/path_ops.h"
#include "filesys/path_places.h"
#include "filesys/platform.h"
#include "filesys/text_format.h"
#include "ui/logic/path_cells.h"

namespace qv {

namespace {

bool KeysCollide(const std::string& a, const std::string& b) {
  return LowerAscii(MappingKeyName(a)) == LowerAscii(MappingKeyName(b));
}

// The errors against the rows above.
TCellVerdict CheckAgainstRows(Platform& platform, const TMappingCellInput& input,
                              const std::string& destination) {
  for (const TMappingRowPaths& other : input.rows_above) {
    const std::string other_destination = ExpandedDirectory(platform, other.destination);
    if (other_destination.empty()) continue;
    if (Overlap(other_destination, destination)) {
      return TCellVerdict::Error("Quorvane cannot mirror to " + InQuotes(destination) +
                                 " because this destination overlaps with the destination " +
                                 InQuotes(other_destination) + ".");
    }
    if (KeysCollide(other_destination, destination)) {
      return TCellVerdict::Error("Quorvane cannot mirror to " + InQuotes(destination) +
                                 " because its settings would share one key with those of the "
                                 "destination " +
                                 InQuotes(other_destination) +
                                 ": settings keys do not tell upper and lower case apart.");
    }
  }
  return TCellVerdict::Ok(input.row.destination);
}

TCellVerdict CheckAgainstSource(Platform& platform, const std::string& source,
                                const std::string& destination) {
  if (source.empty()) return TCellVerdict::Ok(destination);
  // Asked of the file system too: a link or a bind mount can hide the nesting.
  if (SourceInsideDestination(platform, source, destination)) {
    return TCellVerdict::Error("Quorvane cannot mirror the source " + InQuotes(source) + " to " +
                               InQuotes(destination) +
                               " because the source lies inside its destination.");
  }
  if (!Overlap(source, destination)) return TCellVerdict::Ok(destination);
  return TCellVerdict::Warning("Source " + InQuotes(source) + " and destination " +
                               InQuotes(destination) +
                               " overlap. Are you sure you want to create this mirror?");
}

}  // namespace

TCellVerdict CheckMappingSource(Platform& platform, const TMappingCellInput& input) {
  const std::string source = ExpandedDirectory(platform, input.row.source);
  if (input.against_rows && !source.empty()) {
    for (const TMappingRowPaths& other : input.rows_above) {
      if (ExpandedDirectory(platform, other.source) != source) continue;
      return TCellVerdict::Error(
          "Quorvane cannot keep track of mirroring one source " + InQuotes(source) +
          " to multiple destinations. Instead mirror one source to the first destination, the "
          "first destination to the second, and so on.");
    }
  }
  return TCellVerdict::Ok(input.row.source);
}

TCellVerdict CheckMappingDestination(Platform& platform, const TMappingCellInput& input,
                                     const TAskedQuestions& asked) {
  const std::string destination = ExpandedDirectory(platform, input.row.destination);
  const TCellVerdict ok = TCellVerdict::Ok(input.row.destination);
  if (destination.empty()) return ok;
  if (input.against_rows) {
    const TCellVerdict verdict = CheckAgainstRows(platform, input, destination);
    if (!verdict.ok()) return verdict;
  }
  const TCellVerdict verdict =
      CheckAgainstSource(platform, ExpandedDirectory(platform, input.row.source), destination);
  if (!asked.Passes(verdict)) return verdict;
  if (input.row.destination != input.stored_destination &&
      HoldsFilesWithoutArchive(platform, destination)) {
    TCellVerdict files = TCellVerdict::Warning(
        "The destination " + InQuotes(input.row.destination) +
        " is an existing directory containing files. Be aware that if you use this destination "
        "all files not present on the source will be moved to the Quorvane archive. Do you want "
        "to use this destination anyway?");
    if (!asked.Passes(files)) return files;
  }
  return ok;
}

std::optional<int64_t> DefaultResolutionAt(Platform& platform, const std::string& destination,
                                           bool write) {
  VolumeInfo volume;
  if (destination.empty() || !platform.GetVolume(destination, &volume).ok() ||
      volume.fs_type.empty()) {
    return std::nullopt;
  }
  const TTimeResolution defaults = DefaultTimeResolution(volume.fs_type);
  return write ? defaults.write : defaults.creation;
}

}  // namespace qv
