// What a mirror settles before its walk: the source root, the mapping, the
// roots, and the file mappings, filters and minimal ages of this mirror.
#include "config/config_data.h"
#include "config/mapping.h"
#include "config/qv_ini_file.h"
#include "engine/mirror.h"
#include "engine/scan_context.h"
#include "filesys/file_ops.h"
#include "filesys/path_places.h"
#include "log/logger.h"

namespace qv {

bool TMirror::StartUpdate(TWideStringList<>& scan_filters, TItemCounters counters,
                          uint16_t* flags) {
  log().LogEmpty();
  log().LogEmpty();
  log().LogLine("Start update " + dest_path() + " with " + source_path());
  log().LogDateTime(platform_.ToLocalTime(platform_.Now()));
  const bool ready = PrepareUpdate(scan_filters, counters, flags);
  if (!ready) log().LogLine("Canceling this mirror.");
  log().LogEmpty();
  return ready;
}

bool TMirror::PrepareUpdate(TWideStringList<>& scan_filters, TItemCounters counters,
                            uint16_t* flags) {
  const int64_t attributes = ReadAttributes(platform_, source_path(), log());
  if (attributes < 0) return false;
  if ((attributes & kAttrDirectory) == 0) {
    log().LogError("Source " + source_path() + " is not an accessible directory.");
    return false;
  }
  if (!ProbeDestination() || !mapping_.PrepareForScan(log(), &dest_fs_)) return false;
  int64_t items = 0;
  const bool prepared =
      source_.Prepare(&items, flags, log()) && dest_.Prepare(&items, flags, log());
  *counters.done += static_cast<int32_t>(items);
  if (!prepared) return false;
  privileged_ = platform_.EnablePrivileges().ok();
  TQVIniFile& ini = context_.ini;
  excluded_dirs_new_ = !(switches().scan_excluded_dirs && ini.ReadScannedExDirs(mapping_.key()));
  // A mirror never runs on settings it could not read: a missing exclusion
  // or minimal age would let it change what it must leave alone.
  if (!LoadFileMappings(ini, source_path(), log(), &file_mappings_)) return false;
  const std::string inner = DestinationInSource(platform_, source_path(), dest_path());
  const TFilterBuildInput input{source_path(),           dest_path(),
                                switches().auto_filter,  &scan_filters,
                                &file_mappings_.targets, inner};
  if (!BuildFilters(ini, input, context_.mappings, log(), &filters_, &weights_)) return false;
  return LoadMinimalAges(ini, source_path(), log(), &min_ages_);
}

}  // namespace qv
