#ifndef QUORVANE_CLI_PLAN_SCAN_H_
#define QUORVANE_CLI_PLAN_SCAN_H_

#include <string>
#include <vector>

namespace qv {

class TCommandContext;

// scan --plan: what a scan of the mirrors to the typed destinations (all
// enabled ones when none) would do, in the scan's words, each line behind
// "plan: ", then per mirror and in total what it would copy, archive, create
// and remove; with json one JSON record a line instead. Nothing on disk or in
// the settings file changes. Exit status as the scan's.
int PlanScan(TCommandContext& context, const std::vector<std::string>& typed, bool json);

}  // namespace qv

#endif  // QUORVANE_CLI_PLAN_SCAN_H_
