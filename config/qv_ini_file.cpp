#include "config/qv_ini_file.h"

#include <algorithm>
#include <utility>

#include "config/config_keys.h"
#include "config/registry_values.h"

namespace qv {

namespace {

constexpr char kFiles[] = "NumberOfFiles";
constexpr char kDirs[] = "NumberOfDirs";
constexpr char kSize[] = "Size";
constexpr char kCompressedSize[] = "CompressedSize";

// A stored count of -1 stands for "not counted".
bool ReadCount(TQVIniFile& ini, const std::string& key, const char* name, int32_t* count) {
  int32_t value = 0;
  const bool valid = ini.TryReadInteger(key, name, &value) && value != -1;
  *count = valid ? value : 0;
  return valid;
}

bool ReadSize(TQVIniFile& ini, const std::string& key, const char* name, int64_t* size) {
  int64_t value = 0;
  const bool valid = ini.TryRead64(key, name, &value);
  *size = valid ? value : 0;
  return valid;
}

int InRange(int value, int low, int high) { return value >= low && value <= high ? value : 0; }

}  // namespace

bool TQVIniFile::ReadCounters(const std::string& key, TCounts* counts) {
  TSettingsLock lock(*this);
  bool valid = ReadCount(*this, key, kFiles, &counts->files);
  valid &= ReadCount(*this, key, kDirs, &counts->dirs);
  valid &= ReadSize(*this, key, kSize, &counts->size);
  valid &= ReadSize(*this, key, kCompressedSize, &counts->compressed_size);
  return valid;
}

bool TQVIniFile::WriteCounters(const std::string& key, const TCounts& counts) {
  TSettingsTransaction transaction(db());
  WriteInteger(key, kFiles, counts.files);
  WriteInteger(key, kDirs, counts.dirs);
  Write64(key, kSize, counts.size);
  Write64(key, kCompressedSize, counts.compressed_size);
  return transaction.Commit();
}

bool TQVIniFile::ClearCounters(const std::string& key) {
  TSettingsTransaction transaction(db());
  for (const char* name : {kFiles, kDirs, kSize, kCompressedSize}) (void)Unset(key, name);
  return transaction.Commit();
}

std::string TQVIniFile::ReadLastTimeSlot(const std::string& archive_key) {
  return ReadString(archive_key, "LastTimeSlot");
}

bool TQVIniFile::WriteLastTimeSlot(const std::string& archive_key, const std::string& slot) {
  return WriteString(archive_key, "LastTimeSlot", slot);
}

bool TQVIniFile::WriteFreeBytesWanted(const std::string& key, int64_t value) {
  return value <= 0 ? Unset(key, "FreeBytesWanted") : Write64(key, "FreeBytesWanted", value);
}

bool TQVIniFile::WriteSizeLimit(const std::string& key, const std::string& name, int64_t value) {
  return value == kNoLimit ? Unset(key, name) : Write64(key, name, value);
}

bool TQVIniFile::WriteResolution(const std::string& key, const std::string& name, int64_t value) {
  return value < 1 ? Unset(key, name) : Write64(key, name, value);
}

int32_t TQVIniFile::ReadDays(const std::string& key, const std::string& name) {
  const int32_t days = ReadInteger(key, name, 0);
  return days < 0 || days > kMaxDays ? 0 : days;
}

bool TQVIniFile::WriteDays(const std::string& key, const std::string& name, int64_t value) {
  return value < 1
             ? Unset(key, name)
             : WriteInteger(key, name, static_cast<int32_t>(std::min<int64_t>(value, kMaxDays)));
}

std::string TQVIniFile::ReadBackupDir() {
  return ReadString(kRegistryKey, "BackupDir", kDefaultBackupDir);
}

bool TQVIniFile::WriteBackupDir(const std::string& dir) {
  if (dir.empty() || dir == kDefaultBackupDir) return Unset(kRegistryKey, "BackupDir");
  return WriteString(kRegistryKey, "BackupDir", dir);
}

std::string TQVIniFile::ReadHiveListKey() {
  return ReadString(kRegistryKey, "HiveListKey", kDefaultHiveListKey);
}

bool TQVIniFile::WriteHiveListKey(const std::string& key) {
  return WriteString(kRegistryKey, "HiveListKey", key);
}

int TQVIniFile::ReadBackupRegistry() {
  return InRange(ReadInteger(kRegistryKey, "BackupRegistry", 0), 0, 3);
}

bool TQVIniFile::WriteBackupRegistry(int mode) {
  return WriteInteger(kRegistryKey, "BackupRegistry", mode);
}

bool TQVIniFile::ReadScannedExDirs(const std::string& mapping_key) {
  return ReadInteger(mapping_key, "ScannedExDirs", 0) == 1;
}

bool TQVIniFile::WriteScannedExDirs(const std::string& mapping_key, bool scanned) {
  return WriteInteger(mapping_key, "ScannedExDirs", scanned ? 1 : 0);
}

std::optional<FileTime> TQVIniFile::ReadLastScan() {
  int64_t end = 0;
  if (!TryRead64(kBaseKey, "LastScan", &end)) return std::nullopt;
  return end;
}

bool TQVIniFile::WriteLastScan(FileTime end) { return Write64(kBaseKey, "LastScan", end); }

int TQVIniFile::ReadFilterType(const std::string& filter_key) {
  return InRange(ReadInteger(filter_key, "FilterType", 0), 0, 4);
}

bool TQVIniFile::ReadLogFilter(const std::string& filter_key) {
  return ReadBool(filter_key, "LogFilter", true);
}

std::vector<std::string> TQVIniFile::ListSubkeysInRowOrder(const std::string& key) {
  TSettingsLock lock(*this);
  std::vector<std::pair<int32_t, std::string>> rows;
  for (std::string& name : ListSubkeys(key)) {
    rows.emplace_back(ReadInteger(key + "\\" + name, "Row", kRowUnset), std::move(name));
  }
  std::stable_sort(rows.begin(), rows.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<std::string> names;
  names.reserve(rows.size());
  for (auto& row : rows) names.push_back(std::move(row.second));
  return names;
}

}  // namespace qv
