#ifndef QUORVANE_CONFIG_QV_INI_FILE_H_
#define QUORVANE_CONFIG_QV_INI_FILE_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "config/shared_ini.h"
#include "filesys/counts.h"
#include "filesys/local_time.h"

namespace qv {

inline constexpr char kDefaultBackupDir[] = "%windir%\\backup_registry";
inline constexpr char kDefaultHiveListKey[] =
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\hivelist";

// The settings store with the program's own rules on top of TSharedIni: stored
// counters, deletion rules of limits, and the settings of several parts that
// share the tree. Every operation holds the settings lock for its duration.
class TQVIniFile : public TSharedIni {
 public:
  using TSharedIni::TSharedIni;

  // Reads NumberOfFiles, NumberOfDirs, Size and CompressedSize of key. True
  // only when all four are present and valid (a count stored as -1 counts as
  // missing). *counts is filled in any case, a missing value as 0.
  bool ReadCounters(const std::string& key, TCounts* counts);
  // Writes the four values in one transaction.
  bool WriteCounters(const std::string& key, const TCounts& counts);
  // Deletes the four values, so that the next reader counts again.
  bool ClearCounters(const std::string& key);

  std::string ReadLastTimeSlot(const std::string& archive_key);
  bool WriteLastTimeSlot(const std::string& archive_key, const std::string& slot);

  // Deletes FreeBytesWanted for 0 or less.
  bool WriteFreeBytesWanted(const std::string& key, int64_t value);
  // Deletes the value for kNoLimit.
  bool WriteSizeLimit(const std::string& key, const std::string& name, int64_t value);
  // Deletes the value below 1 (unset).
  bool WriteResolution(const std::string& key, const std::string& name, int64_t value);
  // A count of days, 0 (none) for a missing value or one outside 0 ..
  // kMaxDays; writing 0 or less deletes the value.
  int32_t ReadDays(const std::string& key, const std::string& name);
  bool WriteDays(const std::string& key, const std::string& name, int64_t value);

  // Registry backup settings; the directory is kept as stored (unexpanded).
  std::string ReadBackupDir();
  // An empty directory or kDefaultBackupDir deletes the value.
  bool WriteBackupDir(const std::string& dir);
  std::string ReadHiveListKey();
  bool WriteHiveListKey(const std::string& key);
  // 0 .. 3 as stored, anything else 0.
  int ReadBackupRegistry();
  bool WriteBackupRegistry(int mode);

  // True only for the stored value 1.
  bool ReadScannedExDirs(const std::string& mapping_key);
  bool WriteScannedExDirs(const std::string& mapping_key, bool scanned);

  // When the last scan of every mirror ended, from which the next one is
  // scheduled; nullopt when none is stored or the value is not a time.
  std::optional<FileTime> ReadLastScan();
  bool WriteLastScan(FileTime end);

  // FilterType 0 .. 4, anything else 0.
  int ReadFilterType(const std::string& filter_key);
  bool ReadLogFilter(const std::string& filter_key);

  // Names of the direct subkeys of key ordered by their Row values; a subkey
  // without Row comes after all others. Ties keep no particular order.
  std::vector<std::string> ListSubkeysInRowOrder(const std::string& key);
};

}  // namespace qv

#endif  // QUORVANE_CONFIG_QV_INI_FILE_H_
