#include "engine/vanished_archive.h"

#include "archive/clear_archive_info.h"
#include "config/config_keys.h"
#include "config/mapping.h"
#include "config/qv_ini_file.h"
#include "filesys/platform.h"
#include "log/logger.h"

namespace qv {

namespace {

std::string ArchiveDir(const TMapping& mapping) {
  return mapping.destination() + kArchiveDirName + "/";
}

}  // namespace

bool ArchiveVanished(Platform& platform, TQVIniFile& ini, const TMapping& mapping) {
  if (ini.ReadLastTimeSlot(mapping.archive_key()).empty()) return false;
  FileInfo info;
  return platform.Stat(ArchiveDir(mapping), &info).cond() == Cond::kNotFound;
}

bool CheckArchivePresent(Platform& platform, TQVIniFile& ini, const TMapping& mapping,
                         TLogger& logger) {
  if (!ArchiveVanished(platform, ini, mapping)) return true;
  logger.LogError("The archive " + ArchiveDir(mapping) +
                  " is missing although earlier scans stored versions there: the destination "
                  "may be another volume, or the archive was deleted. If this is intended, run: "
                  "quorvane-cli mirror accept " +
                  mapping.destination());
  return false;
}

bool ForgetArchive(TQVIniFile& ini, const TMapping& mapping) {
  TSettingsTransaction transaction(ini.db());
  (void)ClearArchiveInfo(ini, mapping, nullptr);
  (void)ini.Unset(mapping.archive_key(), "LastTimeSlot");
  return transaction.Commit();
}

}  // namespace qv
