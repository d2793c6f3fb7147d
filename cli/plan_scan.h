#ifndef QUORVANE_CLI_PLAN_SCAN_H_
#define QUORVANE_CLI_PLAN_SCAN_H_

namespace qv {

class TCommandContext;
class TConfigData;
class TQVIniFile;
struct TScanChoice;

// scan --plan: what a scan of the chosen mirrors would do, in the scan's words, each line behind
// "plan: ", then per mirror and in total what it would copy, archive, create
// and remove; with json one JSON record a line instead. Nothing on disk or in
// the settings file changes. Exit status as the scan's.
// ini is the context's store, made a memory copy before it was opened.
int PlanScan(TCommandContext& context, TQVIniFile& ini, const TConfigData& config,
             const TScanChoice& choice, bool json);

}  // namespace qv

#endif  // QUORVANE_CLI_PLAN_SCAN_H_
