#include "stats/mirror_info.h"

#include "config/config_keys.h"
#include "config/mapping.h"
#include "config/mirror_health.h"
#include "config/qv_ini_file.h"
#include "filesys/file_ops.h"

namespace qv {

namespace {

// Whether all four values were stored does not matter for the display.
void ReadInto(TQVIniFile& ini, const std::string& key, TDirInfo* counters) {
  TCounts counts;
  (void)ini.ReadCounters(key, &counts);
  counters->SetCounts(counts);
}

static_assert(kDriveQueryFailed == -1, "GetFreeSpace answers -1 for a volume it cannot ask");

}  // namespace

void TMirrorInfo::LoadMirrorInfo(const std::string& source, const std::string& destination,
                                 bool query_drives, TQVIniFile& ini, Platform& platform) {
  source_dir_ = source;
  destination_dir_ = destination;
  // The mapping derives its key paths from the destination; nothing is loaded.
  const TMapping mapping(ini, destination);
  const std::string source_key = mapping.key() + kSourceSubkey;
  enabled_ = ini.ReadBool(mapping.key(), "Enabled", true);
  ReadInto(ini, source_key, &source_);
  ReadInto(ini, source_key + kExcludedSubkey, &source_excluded_);
  ReadInto(ini, mapping.dest_key(), &destination_);
  ReadInto(ini, mapping.dest_key() + kExcludedSubkey, &destination_excluded_);
  ReadInto(ini, mapping.archive_key(), &archive_);
  const TMirrorHealth health = ReadMirrorHealth(ini, mapping.key());
  last_scan_ = {LastScanWhen(health, platform), LastScanOutcome(health)};
  if (query_drives) {
    GetFreeSpace(platform, source, &source_free_, &source_total_);
    GetFreeSpace(platform, destination, &destination_free_, &destination_total_);
  } else {
    source_free_ = source_total_ = destination_free_ = destination_total_ = kDriveNotQueried;
  }
}

void TMirrorInfo::SetRunning(const std::string& source, const std::string& destination,
                             const TDirInfo& source_included, const TDirInfo& source_excluded,
                             const TDirInfo& destination_included,
                             const TDirInfo& destination_excluded, const TDirInfo& archive) {
  source_dir_ = source;
  destination_dir_ = destination;
  enabled_ = true;
  last_scan_ = {};
  source_.Assign(source_included);
  source_excluded_.Assign(source_excluded);
  destination_.Assign(destination_included);
  destination_excluded_.Assign(destination_excluded);
  archive_.Assign(archive);
  source_free_ = source_total_ = destination_free_ = destination_total_ = kDriveNotQueried;
}

}  // namespace qv
