#include "archive/clear_archive_info.h"

#include "config/mapping.h"
#include "config/qv_ini_file.h"
#include "log/log_dir.h"

namespace qv {

bool ClearArchiveInfo(TQVIniFile& ini, const TMapping& mapping, std::string* error) {
  const std::string& key = mapping.archive_key();
  TSettingsTransaction transaction(ini.db());
  // Each joins the transaction, whose commit reports a refused deletion.
  (void)ini.ClearCounters(key);
  (void)ini.ClearCounters(key + "\\" + kLogDirName);
  return transaction.Commit(error);
}

}  // namespace qv
