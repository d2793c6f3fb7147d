// The destination's file system as it is: what a probe file shows when the
// mirror starts, the names it cannot tell apart, and the end of its writes.
#include <string>
#include <unordered_map>

#include "engine/mirror.h"
#include "filesys/fs_probe.h"
#include "filesys/text_format.h"
#include "log/logger.h"

namespace qv {

bool TMirror::ProbeDestination() {
  const Status status = ProbeByWriting(platform_, dest_path(), &dest_fs_);
  if (status.ok()) return true;
  if (status.cond() == Cond::kReadOnly) {
    log().LogSysError(status.code(), "Could not write to destination " + dest_path());
    return false;
  }
  // A full drive may still gain room; the defaults of its file system apply.
  log().LogWarning("Could not write a probe file to " + dest_path() + ": " + status.message());
  return true;
}

void TMirror::SkipCaseTwins(const TDirToProcess& pair, const TWideStringList<TFoundFile>& sources,
                            std::vector<bool>* taken) {
  if (!dest_fs_.ignores_case) return;
  // Each name as the destination sees it, with the source entry that has it.
  std::unordered_map<std::string, int> owners;
  for (int i = 0; i < sources.Count(); ++i) {
    if ((*taken)[i]) owners.emplace(LowerAscii(sources.Text(i)), i);
  }
  for (int i = 0; i < sources.Count(); ++i) {
    if ((*taken)[i]) continue;
    const auto [owner, first] = owners.emplace(LowerAscii(sources.Text(i)), i);
    if (first) continue;
    (*taken)[i] = true;
    log().LogError("Skipped " + pair.source + sources.Text(i) +
                   " because the destination cannot tell its name from " + pair.dest +
                   sources.Text(owner->second));
  }
}

void TMirror::LogNameTaken(const std::string& source, const std::string& dest) {
  log().LogError("Skipped " + source + " because the destination holds another entry under " +
                 dest);
}

void TMirror::LogWritesLost() {
  const std::string why =
      writes_.read_only()
          ? "is read-only"
          : "failed " + std::to_string(TWriteWatch::kFailuresInARow) + " writes in a row";
  log().LogSysError(writes_.lost().code(),
                    "Canceling the " + title_ + " because its destination " + why);
}

}  // namespace qv
