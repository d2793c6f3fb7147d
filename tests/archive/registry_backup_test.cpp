#include "archive/registry_backup.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "config/config_keys.h"
#include "config/qv_ini_file.h"
#include "filesys/platform.h"
#include "tests/support/recording_logger.h"
#include "tests/support/temp_dir.h"

namespace qv::testing {
namespace {

using Lines = std::vector<std::string>;

TEST(RegistryBackupTest, LogsEveryStepOfTheBackup) {
  ScopedTempDir temp;
  TQVIniFile ini(DefaultPlatform(), temp / "settings.db");
  const std::string dir = temp / "backup/";
  const std::string save_keys = std::string(kRegistryKey) + "\\SaveKeys\\";
  // The lines after the two that name the directory, of a backup of the hive
  // list and of keys, which are saved in Row order.
  const auto backup = [&](const std::string& hive_list, const Lines& keys, bool done = true) {
    EXPECT_TRUE(ini.DeleteKey(save_keys) && ini.WriteHiveListKey(hive_list));
    for (size_t i = 0; i < keys.size(); ++i) {
      const std::string key = save_keys + std::to_string(keys.size() - i);  // names sort backwards
      EXPECT_TRUE(ini.WriteString(key, "", keys[i]) && ini.WriteInteger(key, "Row", i));
    }
    RecordingLogger log;
    EXPECT_EQ(BackupRegistry(ini, log), done);
    EXPECT_EQ(log.lines.at(1), "Saving registry to directory " + ini.ReadBackupDir());
    return Lines(log.lines.begin() + 2, log.lines.end());
  };
  ASSERT_TRUE(ini.WriteBackupDir(dir));
  // Twice: the saving service never replaces a file, so the backup must.
  for (int run = 0; run < 2; ++run) {
    EXPECT_EQ(
        backup("", {"HKEY_CURRENT_USER\\Software\\KZ", "hkey_current_user\\Software"}),
        (Lines{"Skipped saving the default hive list", "Saving additional keys...",
               "Saved HKEY_CURRENT_USER\\Software\\KZ", "Saved hkey_current_user\\Software"}));
  }
  EXPECT_TRUE(PathExists(dir + "HKEY_CURRENT_USER_Software_KZ"));
  EXPECT_EQ(RegistryBackupFileName("HKEY_USERS\\a.b/../c"), "HKEY_USERS_ab__c");
  const std::string hive_list = kDefaultHiveListKey;
  EXPECT_EQ(backup(hive_list, {}), (Lines{"Error 2: Failed to read the hive list in registry key " +
                                              hive_list + ". No such file or directory",
                                          "Saving 0 hives retrieved from registry key " + hive_list,
                                          "Saving additional keys... No additional keys specified.",
                                          "Backup registry failed"}));
  for (const char* hive : {"\\REGISTRY\\MACHINE\\SYSTEM", "\\SYSTEM",
                           "\\REGISTRY\\HKEY_CURRENT_USER\\Software", "\\REGISTRY\\A\\B\\C"}) {
    ASSERT_TRUE(ini.WriteString("Software\\Hives", hive, ""));
  }
  EXPECT_EQ(
      backup("HKEY_CURRENT_USER\\Software\\Hives", {"HKEY_CURRENT_USER\\Software\\KZ"}),
      (Lines{"Saving 4 hives retrieved from registry key HKEY_CURRENT_USER\\Software\\Hives",
             "Error: Cannot translate the root key of B\\C", "Saved HKEY_CURRENT_USER\\Software",
             "Error 2: Save of HKEY_LOCAL_MACHINE\\SYSTEM to " + dir +
                 "HKEY_LOCAL_MACHINE_SYSTEM failed. No such file or directory",
             "Saving additional keys...", "Saved HKEY_CURRENT_USER\\Software\\KZ",
             "Backup registry failed"}));
  // An undefined variable stays as written: no directory relative to wherever
  // the program runs.
  ASSERT_TRUE(ini.WriteBackupDir("%QV_UNSET%/b"));
  EXPECT_EQ(backup("", {}, false), Lines{"Cannot backup registry, backup directory not valid."});
}

}  // namespace
}  // namespace qv::testing
