#ifndef QUORVANE_ENGINE_SCAN_PLAN_H_
#define QUORVANE_ENGINE_SCAN_PLAN_H_

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "config/config_data.h"
#include "engine/mirror_thread.h"
#include "filesys/overlay_platform.h"

namespace qv {

// What a scan would do to one mirror, or to all of them.
struct TPlanTally {
  std::string destination;  // empty for the total
  int64_t files_to_copy = 0;
  int64_t bytes_to_copy = 0;
  int64_t items_to_archive = 0;
  int64_t bytes_to_archive = 0;
  int64_t folders_to_create = 0;
  int64_t folders_to_remove = 0;
  // Days of the archive the size limits, the age limit or the free-space
  // rules would remove.
  int64_t days_to_remove = 0;
  bool held = false;  // the mass-change guard would stop the mirror
};

// How far the free space the plan answered can be trusted: the real figure
// (nothing was copied or removed before it was asked), the simulated one where
// no rule of free space acted on it, or an estimate that did decide.
enum class TPlanSpace { kExact, kAmple, kEstimated };

struct TPlanResult {
  std::vector<std::string> lines;  // the scan's log, a line each, as it would write it
  std::vector<TPlanTally> mirrors;
  TPlanTally total;
  TPlanSpace space = TPlanSpace::kExact;
  int errors = 0;
  bool stopped = false;
};

// Tallies the changes recorded below destination (ending with "/") and what
// the log says of its mirror.
TPlanTally TallyMirror(const std::vector<TOverlayChange>& changes, const std::string& destination,
                       const std::vector<std::string>& lines);

// Runs the real scan of options' mirrors (destinations: the mirrors to tally)
// over an overlay of platform, with its clock pinned at the start, on a
// memory copy of the store, with every log switch on. Questions are answered
// Yes and the answer logged. stop is asked about ten times a second from the
// calling thread; true terminates the scan.
TPlanResult RunScanPlan(Platform& platform, TConfigData config, TScanOptions options,
                        const std::vector<std::string>& destinations,
                        const std::function<bool()>& stop);

}  // namespace qv

#endif  // QUORVANE_ENGINE_SCAN_PLAN_H_
