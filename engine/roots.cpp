// The two sides of a mirror: what they share, and the source.
#include "engine/roots.h"

#include <utility>

#include "config/config_keys.h"
#include "config/mapping.h"
#include "config/qv_ini_file.h"
#include "filesys/file_ops.h"
#include "filesys/found_file.h"
#include "log/logger.h"

namespace qv {

TSourceOrDest::TSourceOrDest(Platform& platform, TQVIniFile& ini, std::string path, std::string key)
    : platform_(platform), ini_(ini), path_(std::move(path)), key_(std::move(key)) {}

int64_t TSourceOrDest::GetWeight() const {
  TCounts included;
  TCounts excluded;
  (void)ini_.ReadCounters(key_, &included);
  (void)ini_.ReadCounters(key_ + kExcludedSubkey, &excluded);
  return static_cast<int64_t>(included.files) + included.dirs + excluded.files + excluded.dirs;
}

bool TSourceOrDest::Prepare(int64_t*, uint16_t*, TLogger&) {
  compressing_ = SupportsCompression(platform_, path_);
  return true;
}

void TSourceOrDest::SaveCounters() {
  TSettingsTransaction transaction(ini_.db());
  ini_.WriteCounters(key_, included_.Get());
  ini_.WriteCounters(key_ + kExcludedSubkey, excluded_.Get());
  (void)transaction.Commit();
}

TSource::TSource(Platform& platform, TQVIniFile& ini, const TMapping& mapping)
    : TSourceOrDest(platform, ini, mapping.source(), mapping.key() + kSourceSubkey) {}

void TSource::AddSkipped(const TFoundFile& entry) {
  excluded().AddFound(entry);
  skipped_.AddFound(entry);
}

void TSource::Report(TLogger& logger) const {
  if (logger.IsTerminated()) return;
  logger.LogEmpty();
  logger.LogLine("Source " + path() + " contains " + included().ToText());
  if (excluded().Items() != 0) logger.LogLine("Excluded sources found: " + excluded().ToText());
  if (skipped_.Items() != 0) {
    logger.LogLine("Including " + skipped_.ToText() + " with the temporary file attribute set");
  }
}

}  // namespace qv
