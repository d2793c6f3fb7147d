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
const std::string kHiveList = kDefaultHiveListKey;
const std::string kSaveKeys = std::string(kRegistryKey) + "\\SaveKeys\\";

class RegistryBackupTest : public ::testing::Test {
 protected:
  // The lines of a backup with hive_list and keys (in Row order) after the
  // first two, which name the directory.
  Lines Backup(const std::string& hive_list, const Lines& keys, bool backed_up = true) {
    EXPECT_TRUE(ini_.DeleteKey(kSaveKeys));
    EXPECT_TRUE(ini_.WriteHiveListKey(hive_list));
    for (size_t i = 0; i < keys.size(); ++i) {
      const std::string key = kSaveKeys + std::to_string(keys.size() - i);  // names sort backwards
      EXPECT_TRUE(ini_.WriteString(key, "", keys[i]) && ini_.WriteInteger(key, "Row", i));
    }
    RecordingLogger log;
    EXPECT_EQ(BackupRegistry(ini_, log), backed_up);
    EXPECT_EQ(log.lines.at(1), "Saving registry to directory " + ini_.ReadBackupDir());
    return Lines(log.lines.begin() + 2, log.lines.end());
  }

  ScopedTempDir temp_;
  TQVIniFile ini_{DefaultPlatform(), temp_ / "settings.db"};
  const std::string dir_ = temp_ / "backup/";
};

TEST_F(RegistryBackupTest, LogsEveryStepOfTheBackup) {
  ASSERT_TRUE(ini_.WriteBackupDir(dir_));
  const std::string no_keys = "Saving additional keys... No additional keys specified.";
  // Twice: the saving service never replaces a file, so the backup must.
  for (int run = 0; run < 2; ++run) {
    EXPECT_EQ(
        Backup("", {"HKEY_CURRENT_USER\\Software\\KZ", "hkey_current_user\\Software"}),
        (Lines{"Skipped saving the default hive list", "Saving additional keys...",
               "Saved HKEY_CURRENT_USER\\Software\\KZ", "Saved hkey_current_user\\Software"}));
  }
  EXPECT_TRUE(PathExists(dir_ + "HKEY_CURRENT_USER_Software_KZ"));
  EXPECT_EQ(RegistryBackupFileName("HKEY_USERS\\a.b/../c"), "HKEY_USERS_ab__c");
  EXPECT_EQ(Backup(kHiveList, {"HKEY_CURRENT_USER\\Software"}),
            (Lines{"Error 2: Failed to read the hive list in registry key " + kHiveList +
                       ". No such file or directory",
                   "Saving 0 hives retrieved from registry key " + kHiveList,
                   "Saving additional keys...", "Saved HKEY_CURRENT_USER\\Software"}));
  EXPECT_EQ(Backup("", {}),
            (Lines{"Skipped saving the default hive list", no_keys, "Backup registry failed"}));
  for (const char* hive : {"\\REGISTRY\\MACHINE\\SYSTEM", "\\SYSTEM",
                           "\\REGISTRY\\HKEY_CURRENT_USER\\Software", "\\REGISTRY\\A\\B\\C"}) {
    ASSERT_TRUE(ini_.WriteString("Software\\Hives", hive, ""));
  }
  EXPECT_EQ(
      Backup("HKEY_CURRENT_USER\\Software\\Hives", {}),
      (Lines{"Saving 4 hives retrieved from registry key HKEY_CURRENT_USER\\Software\\Hives",
             "Error: Cannot translate the root key of B\\C", "Saved HKEY_CURRENT_USER\\Software",
             "Error 2: Save of HKEY_LOCAL_MACHINE\\SYSTEM to " + dir_ +
                 "HKEY_LOCAL_MACHINE_SYSTEM failed. No such file or directory",
             no_keys, "Backup registry failed"}));
  // An undefined variable stays as written: no directory relative to wherever
  // the program runs.
  ASSERT_TRUE(ini_.WriteBackupDir("%QV_UNSET%/b"));
  EXPECT_EQ(Backup("", {}, false), Lines{"Cannot backup registry, backup directory not valid."});
}

}  // namespace
}  // namespace qv::testing
