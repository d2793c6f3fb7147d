#ifndef QUORVANE_CLI_SCAN_CHOICE_H_
#define QUORVANE_CLI_SCAN_CHOICE_H_

#include <string>
#include <vector>

namespace qv {

class TCommandContext;
class TQVIniFile;

// The mirrors one run of the scan command brings up to date.
struct TScanChoice {
  // By destination as stored; empty: every enabled mirror.
  std::vector<std::string> destinations;
  // Every enabled mirror is chosen, so the scan counts as the last scan of
  // all of them (LastScan, from which the window schedules the next).
  bool whole = true;
};

// Checks the typed destinations against the mirrors stored in ini (the
// context's store) and fills *choice. Answers kExitOk, or kExitCannotRun
// after writing why no scan can run: no mirror at all, every mirror
// disabled, or a named destination that is no mirror's or a disabled one's.
int ChooseMirrors(TCommandContext& context, TQVIniFile& ini, const std::vector<std::string>& typed,
                  TScanChoice* choice);

}  // namespace qv

#endif  // QUORVANE_CLI_SCAN_CHOICE_H_
