#include "engine/pending_accepts.h"

#include "config/config_keys.h"
#include "config/mapping.h"
#include "config/mass_change.h"
#include "config/qv_ini_file.h"
#include "engine/source_mounts.h"
#include "engine/vanished_archive.h"
#include "engine/volume_guard.h"

namespace qv {

namespace {

std::string Joined(const std::vector<std::string>& parts, const std::string& between) {
  std::string text;
  for (const std::string& part : parts) text += (text.empty() ? "" : between) + part;
  return text;
}

bool RootsPending(TAcceptContext& c, std::string* line) {
  const std::vector<std::string> changed = ChangedRoots(c.platform, c.ini, c.mapping);
  if (changed.empty()) return false;
  *line = "Accepted the " + Joined(changed, " and the ") +
          (changed.size() == 1 ? " as it is now" : " as they are now");
  return true;
}

bool AcceptRootsNow(TAcceptContext& c, std::string* error) {
  return AcceptRoots(c.platform, c.ini, c.mapping, error);
}

bool ArchivePending(TAcceptContext& c, std::string* line) {
  if (!ArchiveVanished(c.platform, c.ini, c.mapping)) return false;
  *line = "Accepted that the archive " + c.mapping.destination() + kArchiveDirName +
          "/ is gone: its counters and last time slot are reset";
  return true;
}

bool AcceptArchiveGone(TAcceptContext& c, std::string*) { return ForgetArchive(c.ini, c.mapping); }

bool MountsPending(TAcceptContext& c, std::string* line) {
  const std::vector<std::string> gone = MountsGone(c.platform, c.ini, c.mapping);
  if (gone.empty()) return false;
  *line = "Accepted that " + Joined(gone, ", ") +
          (gone.size() == 1 ? " is no longer a mount point" : " are no longer mount points");
  return true;
}

bool AcceptMountsGone(TAcceptContext& c, std::string*) {
  return ForgetMountsGone(c.platform, c.ini, c.mapping);
}

bool HoldPending(TAcceptContext& c, std::string* line) {
  const std::string held =
      PendingMassChangeText(c.ini, c.mapping.key(), c.mapping.destination());
  if (held.empty()) return false;
  *line = "Accepted " + held;
  return true;
}

bool AcceptHold(TAcceptContext& c, std::string*) { return AcceptMassChange(c.ini, c.mapping.key()); }

constexpr TPendingKind kKinds[] = {
    {RootsPending, AcceptRootsNow},
    {ArchivePending, AcceptArchiveGone},
    {MountsPending, AcceptMountsGone},
    {HoldPending, AcceptHold},
};

}  // namespace

std::span<const TPendingKind> PendingKinds() { return kKinds; }

bool AcceptPending(TAcceptContext& context, std::vector<std::string>* lines, std::string* error) {
  lines->clear();
  TSettingsTransaction transaction(context.ini.db());
  for (const TPendingKind& kind : PendingKinds()) {
    std::string line;
    if (!kind.pending(context, &line)) continue;
    if (!kind.accept(context, error)) return false;
    lines->push_back(line);
  }
  if (transaction.Commit(error)) return true;
  lines->clear();
  return false;
}

}  // namespace qv
