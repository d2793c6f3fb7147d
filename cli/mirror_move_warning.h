#ifndef QUORVANE_CLI_MIRROR_MOVE_WARNING_H_
#define QUORVANE_CLI_MIRROR_MOVE_WARNING_H_

#include <string>

namespace qv {

class TCommandContext;
class TQVIniFile;

// A mirror leaves out the sources of the enabled mirrors inside its own
// (while the automatic filters are on). So when the mirror of source (a
// normalised directory) to destination starts taking part in scans (joins:
// added or enabled) or stops (disabled or removed) while source lies inside
// the source of another enabled mirror, that folder moves between the two
// destinations at the next scan. Warns so, naming the folder on both sides.
void WarnOfMovingFolder(TCommandContext& context, TQVIniFile& ini, const std::string& source,
                        const std::string& destination, bool joins);

}  // namespace qv

#endif  // QUORVANE_CLI_MIRROR_MOVE_WARNING_H_
