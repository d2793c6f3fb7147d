#include "archive/registry_backup.h"

#include <cerrno>
#include <string>
#include <utility>
#include <vector>

#include "config/config_keys.h"
#include "config/qv_ini_file.h"
#include "config/registry_export.h"
#include "filesys/file_ops.h"
#include "filesys/path_ops.h"
#include "filesys/platform.h"
#include "log/logger.h"

namespace qv {

namespace {

// One run of the backup into one directory; counts the keys saved.
class TRegistryBackup {
 public:
  TRegistryBackup(TQVIniFile& ini, TLogger& logger, std::string dir)
      : ini_(ini), logger_(logger), dir_(std::move(dir)) {}

  // Answers the number of hives listed.
  int SaveHiveList();
  // False when the scan was terminated.
  bool SaveAdditionalKeys(int* listed);
  int saved() const { return saved_; }

 private:
  std::vector<std::string> ReadHiveList(const std::string& hive_list_key);
  void SaveHive(const std::string& hive);
  void SaveRegKey(const std::string& key_path);

  TQVIniFile& ini_;
  TLogger& logger_;
  const std::string dir_;  // ends with "/"
  int saved_ = 0;
};

int TRegistryBackup::SaveHiveList() {
  const std::string hive_list_key = ini_.ReadHiveListKey();
  if (hive_list_key.empty()) {
    logger_.LogLine("Skipped saving the default hive list");
    return 0;
  }
  std::string key;
  if (SplitKeyText(hive_list_key, &key) == TRootKey::kNone) {
    logger_.LogError("Cannot handle root key in " + hive_list_key);
    return 0;
  }
  const std::vector<std::string> hives = ReadHiveList(hive_list_key);
  const int count = static_cast<int>(hives.size());
  logger_.LogLine("Saving " + std::to_string(count) + " hives retrieved from registry key " +
                  hive_list_key);
  for (const std::string& hive : hives) {
    if (logger_.IsTerminated()) break;
    SaveHive(hive);
  }
  return count;
}

// The value names of the key; a missing key is what other roots than the
// current user's always give here.
std::vector<std::string> TRegistryBackup::ReadHiveList(const std::string& hive_list_key) {
  TSettingsDb& db = ini_.db();
  std::string key;
  const TRootKey root = SplitKeyText(hive_list_key, &key);
  std::vector<std::string> names;
  int code = 0;
  {
    TSettingsLock lock(ini_);
    if (!db.KeyExists(root, key)) {
      code = db.Failed() ? EIO : ENOENT;
    } else {
      names = db.ListValues(root, key);
      if (db.Failed()) code = EIO;
    }
  }
  if (code == 0) return names;
  logger_.LogSysError(code, "Failed to read the hive list in registry key " + hive_list_key);
  return {};
}

// A hive name such as \REGISTRY\MACHINE\SYSTEM: the word before the last
// level names the root.
void TRegistryBackup::SaveHive(const std::string& hive) {
  const size_t last = hive.rfind('\\');
  if (last == std::string::npos || last == 0) return;
  const std::string head = hive.substr(0, last);
  std::string root = head.substr(head.rfind('\\') + 1);  // npos + 1 is the whole head
  if (root == "MACHINE") {
    root = "HKEY_LOCAL_MACHINE";
  } else if (root == "USER") {
    root = "HKEY_USERS";
  }
  SaveRegKey(root + hive.substr(last));
}

void TRegistryBackup::SaveRegKey(const std::string& key_path) {
  std::string key;
  if (SplitKeyText(key_path, &key) == TRootKey::kNone) {
    logger_.LogError("Cannot translate the root key of " + key_path);
    return;
  }
  const std::string file = dir_ + RegistryBackupFileName(key_path);
  // The saving service never replaces a file; a delete that fails shows in
  // the save's error.
  (void)ini_.platform().DeleteFile(file);
  const int code = SaveKeyToFile(ini_.db(), key_path, file);
  if (code != 0) {
    logger_.LogSysError(code, "Save of " + key_path + " to " + file + " failed");
    return;
  }
  ++saved_;
  logger_.LogLine("Saved " + key_path);
}

bool TRegistryBackup::SaveAdditionalKeys(int* listed) {
  logger_.LogLine("Saving additional keys...");
  const std::string save_keys = std::string(kRegistryKey) + "\\SaveKeys";
  const std::vector<std::string> names = ini_.ListSubkeysInRowOrder(save_keys);
  *listed = static_cast<int>(names.size());
  for (const std::string& name : names) {
    if (logger_.IsTerminated()) return false;
    const std::string key_path = ini_.ReadString(save_keys + "\\" + name, "");
    if (!key_path.empty()) SaveRegKey(key_path);
  }
  if (names.empty()) logger_.Log(" No additional keys specified.", false);
  return true;
}

}  // namespace

std::string RegistryBackupFileName(const std::string& key_path) {
  std::string name;
  for (char c : key_path) {
    if (c == '\\' || c == '/') {
      name += '_';
    } else if (c != '.') {
      name += c;
    }
  }
  return name;
}

bool BackupRegistry(TQVIniFile& ini, TLogger& logger) {
  Platform& platform = ini.platform();
  logger.LogEmpty();
  const std::string dir = ExpandEnvironment(platform, ini.ReadBackupDir());
  logger.LogLine("Saving registry to directory " + dir);
  // A relative directory (an undefined variable stays as written) would land
  // wherever the program happens to run.
  if (!HasRoot(dir) || !CreateDirectoryTree(platform, dir, logger)) {
    logger.LogLine("Cannot backup registry, backup directory not valid.");
    return false;
  }
  TRegistryBackup backup(ini, logger, IncludeTrailingSeparator(dir));
  int expected = backup.SaveHiveList();
  if (logger.IsTerminated()) return false;
  int additional = 0;
  if (!backup.SaveAdditionalKeys(&additional)) return false;
  expected += additional;
  if (backup.saved() == 0 || backup.saved() != expected) logger.LogLine("Backup registry failed");
  return true;
}

}  // namespace qv
