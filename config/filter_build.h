#ifndef QUORVANE_CONFIG_FILTER_BUILD_H_
#define QUORVANE_CONFIG_FILTER_BUILD_H_

#include <string>
#include <vector>

#include "config/filter.h"
#include "filesys/wide_string_list.h"

namespace qv {

class Platform;
class TDirWeights;
class TFilterAdder;
class TLogger;
class TMappings;
class TQVIniFile;

// The four filter lists of one mirror, built when its scan starts.
struct TMirrorFilters {
  TFilters included_sources;
  TFilters excluded_sources;
  TFilters excluded_destinations;
  TFilters empty_dirs;  // destination directories to remove when empty

  void Clear();
};

// What the build knows of the mirror and the scan.
struct TFilterBuildInput {
  std::string source;       // ends with "/"
  std::string destination;  // ends with "/"
  bool auto_filter = true;  // Filters\AutoFilter of the general settings
  // Inner sources of nested mirrors, from the mapping load (may be null).
  const TWideStringList<>* overlaps = nullptr;
  // Targets of the mirror's file mappings (may be null).
  const std::vector<std::string>* file_mapping_targets = nullptr;
  // The destination as a directory of the source, when it lies there by
  // where it is although its text does not say so (a link or a bind mount
  // in a path); "" otherwise.
  std::string destination_in_source;
};

// Fills the four lists of a mirror from the stored filters, the implicit
// include of all sources, the overlapping mirrors, the file mappings and the
// automatic filters, and records every excluded source path in weights (whose
// root is the mirror's source). Every line goes under the pending heading
// "Filters:". mappings translate excluded destinations to their sources.
//
// Answers false, with the lists empty and the store's failure logged once,
// when the stored filters could not be read: the mirror must not run then,
// since every exclusion would be missing.
bool BuildFilters(TQVIniFile& ini, const TFilterBuildInput& input, const TMappings& mappings,
                  TLogger& logger, TMirrorFilters* filters, TDirWeights* weights);

// The automatic filters of the build: recycle bins, file system recovery
// directories, the archive and swap files in the source root, mounted
// virtual file systems inside the source (all when input.auto_filter is on),
// and, whatever the switch, the mirror's own destination when it lies inside
// its source, which would otherwise be copied into itself.
void AddAutomaticFilters(TFilterAdder& adder, Platform& platform, const TFilterBuildInput& input,
                         TLogger& logger, TMirrorFilters* filters, TDirWeights* weights);

}  // namespace qv

#endif  // QUORVANE_CONFIG_FILTER_BUILD_H_
