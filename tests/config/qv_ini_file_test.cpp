#include "config/qv_ini_file.h"

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "config/config_keys.h"
#include "config/registry_values.h"
#include "tests/config/config_test_util.h"

namespace qv::testing {
namespace {

constexpr char kKey[] = "Software\\KZ\\Quorvane\\Mappings\\|m|\\Destination";

using QVIniFileTest = StoreTest;

TEST_F(QVIniFileTest, CountersAreValidOnlyWhenAllFourAreStored) {
  const TCounts kStored{3, 2, 5000, 4096};
  struct Case {
    const char* what;
    std::function<void(TQVIniFile&)> spoil;
    bool valid;
    TCounts expected;
  } const cases[] = {
      {"all four", [](TQVIniFile&) {}, true, kStored},
      {"files missing",
       [](TQVIniFile& ini) { ini.DeleteValue(kKey, "NumberOfFiles"); },
       false,
       {0, 2, 5000, 4096}},
      {"files not counted",
       [](TQVIniFile& ini) { ini.WriteInteger(kKey, "NumberOfFiles", -1); },
       false,
       {0, 2, 5000, 4096}},
      {"dirs stored as string",
       [](TQVIniFile& ini) { ini.WriteString(kKey, "NumberOfDirs", "2"); },
       false,
       {3, 0, 5000, 4096}},
      {"size of seven bytes",
       [](TQVIniFile& ini) {
         ini.WriteRaw(kKey, "Size", {kRegBinary, std::string(7, '\1')});
       },
       false,
       {3, 2, 0, 4096}},
      {"compressed size beyond the band",
       [](TQVIniFile& ini) { ini.Write64(kKey, "CompressedSize", kNoLimit + 1); },
       false,
       {3, 2, 5000, 0}},
      {"deleted", [](TQVIniFile& ini) { ini.DeleteCounters(kKey); }, false, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(ini().WriteCounters(kKey, kStored));
    c.spoil(ini());
    TCounts read{9, 9, 9, 9};
    EXPECT_EQ(ini().ReadCounters(kKey, &read), c.valid);
    EXPECT_EQ(read, c.expected);
  }
}

TEST_F(QVIniFileTest, WritingTheUnsetValueDeletesIt) {
  struct Case {
    const char* what;
    std::function<bool(TQVIniFile&, int64_t)> write;
    const char* name;
    int64_t value;
    bool stored;
  } const cases[] = {
      {"free bytes 0", [](TQVIniFile& i, int64_t v) { return i.WriteFreeBytesWanted(kKey, v); },
       "FreeBytesWanted", 0, false},
      {"free bytes -5", [](TQVIniFile& i, int64_t v) { return i.WriteFreeBytesWanted(kKey, v); },
       "FreeBytesWanted", -5, false},
      {"free bytes 1", [](TQVIniFile& i, int64_t v) { return i.WriteFreeBytesWanted(kKey, v); },
       "FreeBytesWanted", 1, true},
      {"no limit",
       [](TQVIniFile& i, int64_t v) { return i.WriteSizeLimit(kKey, "MaxSizeDest", v); },
       "MaxSizeDest", kNoLimit, false},
      {"limit below no limit",
       [](TQVIniFile& i, int64_t v) { return i.WriteSizeLimit(kKey, "MaxSizeDest", v); },
       "MaxSizeDest", kNoLimit - 1, true},
      {"limit 0", [](TQVIniFile& i, int64_t v) { return i.WriteSizeLimit(kKey, "MaxSizeDest", v); },
       "MaxSizeDest", 0, true},
      {"resolution 0",
       [](TQVIniFile& i, int64_t v) { return i.WriteResolution(kKey, "WriteTimeResolution", v); },
       "WriteTimeResolution", 0, false},
      {"resolution -1",
       [](TQVIniFile& i, int64_t v) { return i.WriteResolution(kKey, "WriteTimeResolution", v); },
       "WriteTimeResolution", -1, false},
      {"resolution 1",
       [](TQVIniFile& i, int64_t v) { return i.WriteResolution(kKey, "WriteTimeResolution", v); },
       "WriteTimeResolution", 1, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(ini().Write64(kKey, c.name, 77));
    EXPECT_TRUE(c.write(ini(), c.value));
    EXPECT_EQ(ini().ValueExists(kKey, c.name), c.stored);
    if (c.stored) {
      EXPECT_EQ(ini().Read64(kKey, c.name, -9), c.value);
    }
  }
  // No limit comes back through the default.
  ASSERT_TRUE(ini().WriteSizeLimit(kKey, "MaxSizeDest", kNoLimit));
  EXPECT_EQ(ini().Read64NonNegative(kKey, "MaxSizeDest", kNoLimit), kNoLimit);
}

TEST_F(QVIniFileTest, BackupSettingsKeepTheirDefaultsAndRanges) {
  EXPECT_EQ(ini().ReadBackupDir(), "%windir%\\backup_registry");
  EXPECT_EQ(ini().ReadHiveListKey(),
            "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\hivelist");
  ASSERT_TRUE(ini().WriteBackupDir("/var/backups/settings/"));
  EXPECT_EQ(ini().ReadBackupDir(), "/var/backups/settings/");
  for (const char* unset : {"", "%windir%\\backup_registry"}) {
    ASSERT_TRUE(ini().WriteBackupDir("/x/"));
    EXPECT_TRUE(ini().WriteBackupDir(unset));
    EXPECT_FALSE(ini().ValueExists(kRegistryKey, "BackupDir"));
  }
  // An empty hive list key is a setting of its own: skip the hive list.
  ASSERT_TRUE(ini().WriteHiveListKey(""));
  EXPECT_EQ(ini().ReadHiveListKey(), "");
  const std::pair<int, int> modes[] = {{0, 0}, {3, 3}, {4, 0}, {-1, 0}};
  for (const auto& [stored, read] : modes) {
    ASSERT_TRUE(ini().WriteBackupRegistry(stored));
    EXPECT_EQ(ini().ReadBackupRegistry(), read) << stored;
  }
}

TEST_F(QVIniFileTest, FilterAndMappingFlagsKeepTheirRanges) {
  const std::string filter = std::string(kFiltersKey) + "\\00001";
  EXPECT_EQ(ini().ReadFilterType(filter), 0);
  EXPECT_TRUE(ini().ReadLogFilter(filter));
  const std::pair<int, int> types[] = {{0, 0}, {4, 4}, {2, 2}, {5, 0}, {-1, 0}};
  for (const auto& [stored, read] : types) {
    ASSERT_TRUE(ini().WriteInteger(filter, "FilterType", stored));
    EXPECT_EQ(ini().ReadFilterType(filter), read) << stored;
  }
  ASSERT_TRUE(ini().WriteString(filter, "FilterType", "3"));
  EXPECT_EQ(ini().ReadFilterType(filter), 0);
  ASSERT_TRUE(ini().WriteBool(filter, "LogFilter", false));
  EXPECT_FALSE(ini().ReadLogFilter(filter));

  const std::pair<int, bool> scanned[] = {{1, true}, {2, false}, {0, false}, {-1, false}};
  for (const auto& [stored, read] : scanned) {
    ASSERT_TRUE(ini().WriteInteger(kKey, "ScannedExDirs", stored));
    EXPECT_EQ(ini().ReadScannedExDirs(kKey), read) << stored;
  }
}

TEST_F(QVIniFileTest, SubkeysComeInRowOrderWithUnsetRowsLast) {
  const std::string list = std::string(kBaseKey) + "\\MinimalAges";
  const std::pair<const char*, int> rows[] = {
      {"00001", 3}, {"00002", -1}, {"00003", 1}, {"00004", 2}, {"00005", -5}};
  for (const auto& [name, row] : rows) {
    ASSERT_TRUE(ini().WriteString(list + "\\" + name, "", name));
    if (row != -1) {
      ASSERT_TRUE(ini().WriteInteger(list + "\\" + name, "Row", row));
    }
  }
  ASSERT_TRUE(ini().WriteString(list + "\\00006", "Row", "1"));  // not a DWORD: unset
  EXPECT_EQ(ini().ListSubkeysInRowOrder(list),
            (std::vector<std::string>{"00005", "00003", "00004", "00001", "00002", "00006"}));
}

TEST_F(QVIniFileTest, WriteStringOrFailSaysWhatFailed) {
  ini_.reset();
  WriteFile(db_path_, "garbage, not a settings store");
  Reopen();
  const std::string reason = ini().FailureText();
  const std::string key = std::string(kMappingsKey) + "\\|m|";
  std::string error;
  EXPECT_FALSE(ini().WriteStringOrFail(key, "Src", "/data/", false, &error));
  EXPECT_EQ(error,
            "Failed to set value Src of key HKEY_CURRENT_USER\\" + key + " to /data/. " + reason);
  EXPECT_FALSE(ini().WriteStringOrFail(key, "", "", false, &error));
  EXPECT_EQ(error, "Failed to set default value for key HKEY_CURRENT_USER\\" + key +
                       " to empty string. " + reason);
}

}  // namespace
}  // namespace qv::testing
