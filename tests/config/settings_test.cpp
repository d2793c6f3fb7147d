#include <array>
#include <cerrno>
#include <cstdlib>
#include <functional>
#include <tuple>

#include <unistd.h>

#include "config/config_data.h"
#include "config/dir_weights.h"
#include "config/filter_build.h"
#include "config/filter_store.h"
#include "config/mappings.h"
#include "config/minimal_ages.h"
#include "config/registry_export.h"
#include "config/registry_values.h"
#include "config/start_at_logon.h"
#include "tests/config/config_test_util.h"
#include "tests/support/recording_logger.h"

namespace qv::testing {
namespace {

constexpr char kKey[] = "Software\\KZ\\Quorvane\\Test";

using SettingsStoreTest = StoreTest;

TEST_F(SettingsStoreTest, ValuesKeepTheirTypeSizeRangeAndDeletionRules) {
  // What; stored; read as int, 64-bit, non-negative, positive (defaults 99,
  // 5, 5, 5) and as string (default "dflt").
  const std::tuple<const char*, TRegValue, int64_t, int64_t, int64_t, int64_t, const char*>
      kCases[] = {
          {"dword", DwordValue(-7), -7, 5, 5, 5, "dflt"},
          {"dword 0", DwordValue(0), 0, 5, 5, 5, "dflt"},
          {"three-byte dword", {kRegDword, std::string(3, '\1')}, 99, 5, 5, 5, "dflt"},
          {"four binary bytes", {kRegBinary, "abcd"}, 99, 5, 5, 5, "dflt"},
          {"no limit", Int64Value(kNoLimit), 99, kNoLimit, kNoLimit, kNoLimit, "dflt"},
          {"above the band", Int64Value(kNoLimit + 1), 99, 5, 5, 5, "dflt"},
          {"lowest in the band", Int64Value(-kNoLimit), 99, -kNoLimit, 5, 5, "dflt"},
          {"below the band", Int64Value(-kNoLimit - 1), 99, 5, 5, 5, "dflt"},
          {"64-bit 0", Int64Value(0), 99, 0, 0, 5, "dflt"},
          {"seven bytes", {kRegBinary, std::string(7, '\0')}, 99, 5, 5, 5, "dflt"},
          {"number as string", StringValue("42", false), 99, 5, 5, 5, "42"},
          {"empty string", StringValue("", false), 99, 5, 5, 5, ""},
          {"expandable, kept unexpanded", StringValue("%HOME%/x", true), 99, 5, 5, 5, "%HOME%/x"},
          {"not UTF-8", StringValue("/\xff\xfe\x80/", false), 99, 5, 5, 5, "/\xff\xfe\x80/"},
      };
  for (const auto& [what, stored, as_int, as_64, non_negative, positive, as_string] : kCases) {
    SCOPED_TRACE(what);
    ASSERT_TRUE(ini().WriteRaw(kKey, "V", stored));
    EXPECT_EQ(ini().ReadInteger(kKey, "V", 99), as_int);
    EXPECT_EQ(ini().ReadBool(kKey, "V", true), as_int != 0);
    EXPECT_EQ(std::tuple(ini().Read64(kKey, "V", 5), ini().Read64NonNegative(kKey, "V", 5),
                         ini().Read64Positive(kKey, "V", 5)),
              std::tuple(as_64, non_negative, positive));
    EXPECT_EQ(ini().ReadString(kKey, "V", "dflt"), as_string);
  }
  // Writing what means "unset" (second) deletes the value; another (third) stays.
  using Write = bool (TQVIniFile::*)(const std::string&, const std::string&, int64_t);
  const std::tuple<Write, int64_t, int64_t> kUnset[] = {
      {&TQVIniFile::WriteSizeLimit, kNoLimit, kNoLimit - 1},
      {&TQVIniFile::WriteResolution, 0, 1},
      {&TQVIniFile::WriteResolution, -1, 1}};
  for (const auto& [write, unset, kept] : kUnset) {
    ASSERT_TRUE((ini().*write)(kKey, "V", kept));
    EXPECT_EQ(ini().Read64(kKey, "V", -9), kept);
    ASSERT_TRUE((ini().*write)(kKey, "V", unset));
    EXPECT_FALSE(ini().ValueExists(kKey, "V")) << unset;
  }
  EXPECT_TRUE(ini().WriteFreeBytesWanted(kKey, 1) && ini().ValueExists(kKey, "FreeBytesWanted"));
  EXPECT_TRUE(ini().WriteFreeBytesWanted(kKey, 0) && !ini().ValueExists(kKey, "FreeBytesWanted"));
}

TEST_F(SettingsStoreTest, NamesIgnoreAsciiCaseKeepTheirSpellingListInOrderAndDeleteExactly) {
  const std::string mappings = "Software\\KZ\\Quorvane\\Mappings\\";
  ASSERT_TRUE(ini().WriteString(mappings + "|Data|", "Src", "/a/"));
  ASSERT_TRUE(ini().WriteString("software\\kz\\\\QUORVANE\\MAPPINGS\\|DATA|", "src", "/b/"));
  for (const char* name : {"b", "A"}) ASSERT_TRUE(ini().WriteInteger(mappings + name, "", 1));
  EXPECT_EQ(ini().ReadString("\\SOFTWARE\\kz\\quorvane\\mappings\\|data|\\", "SRC"), "/b/");
  EXPECT_EQ(ini().ListSubkeys(mappings), (std::vector<std::string>{"A", "b", "|Data|"}));
  EXPECT_EQ(ini().ListValues(mappings + "|data|"), std::vector<std::string>{"Src"});
  // Only ASCII letters fold: other bytes compare as they are.
  ASSERT_TRUE(ini().WriteString("Software\\\xc3\x89t\xc3\xa9", "", "x"));
  EXPECT_FALSE(ini().KeyExists("Software\\\xc3\xa9t\xc3\xa9"));
  // DeleteKey removes the whole tree and nothing beside.
  for (const char* sub : {"", "\\Source", "\\Source\\Excluded", "\\Destination\\Archive"})
    ASSERT_TRUE(ini().WriteInteger(mappings + "|m|" + sub, "NumberOfFiles", 1));
  // Names that sort right beside the deleted key must survive.
  const char* const kNeighbours[] = {"|m|x", "|m|-", "|m|]", "|m|_", "|m", "|M|2"};
  for (const char* name : kNeighbours) ASSERT_TRUE(ini().WriteInteger(mappings + name, "V", 1));
  EXPECT_TRUE(ini().DeleteKey("software\\kz\\quorvane\\mappings\\|M|"));
  EXPECT_FALSE(ini().KeyExists(mappings + "|m|") ||
               ini().KeyExists(mappings + "|m|\\Destination\\Archive"));
  for (const char* name : kNeighbours) EXPECT_TRUE(ini().ValueExists(mappings + name, "V")) << name;
  EXPECT_TRUE(ini().DeleteKey("Software\\Never\\There"));
  EXPECT_FALSE(ini().DeleteKey("\\"));
  EXPECT_TRUE(ini().KeyExists("Software\\KZ"));
}

// Writes the store refuses are kept and made again later, unless something
// newer took their place. A transaction given up on purpose (a command that
// found bad input) is no refusal.
TEST_F(SettingsStoreTest, RefusedWritesAreMadeOnceTheLockIsGoneUnlessOvertaken) {
  {
    TSettingsTransaction abandoned(ini().db());
    ASSERT_TRUE(ini().WriteInteger(kKey, "Dropped", 1));
  }
  ASSERT_TRUE(ini().WriteInteger(kKey, "Kept", 1));
  EXPECT_EQ(ini().db().refusals(), 0);
  sqlite3* other = Exec(db_path_, "BEGIN IMMEDIATE");  // another program writes
  EXPECT_FALSE(ini().WriteInteger(kKey, "Single", 2));
  EXPECT_FALSE(ini().WriteInteger(kKey, "Overtaken", 3));
  {
    TSettingsTransaction transaction(ini().db());
    ini().WriteInteger(kKey, "First", 4);
    ini().Unset(kKey, "Kept");
    EXPECT_FALSE(transaction.Commit());
  }
  EXPECT_EQ(ini().db().refusals(), 4);
  std::string error;
  EXPECT_FALSE(ini().db().RetryRefusedWrites(&error));
  EXPECT_EQ(error, "Cannot write the settings store " + db_path_ + ": database is locked");
  EXPECT_EQ(ini().ReadInteger(kKey, "Kept", 0), 1);

  sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(other);
  ASSERT_TRUE(ini().WriteInteger(kKey, "Overtaken", 30));
  EXPECT_TRUE(ini().db().RetryRefusedWrites());
  const std::pair<const char*, int32_t> kStored[] = {
      {"Single", 2}, {"Overtaken", 30}, {"First", 4}, {"Kept", -1}, {"Dropped", -1}};
  for (const auto& [name, value] : kStored) {
    EXPECT_EQ(ini().ReadInteger(kKey, name, -1), value) << name;
  }
  const int64_t refusals = ini().db().refusals();
  EXPECT_TRUE(ini().db().RetryRefusedWrites());
  EXPECT_EQ(ini().db().refusals(), refusals);
}

TEST_F(SettingsStoreTest, EmptyOrMissingFileIsAFreshStore) {
  WriteFile(dir_ / "empty.db", "");
  for (const std::string& path : {dir_ / "empty.db", dir_ / "new/sub/settings.db"}) {
    TQVIniFile store(platform_, path);
    EXPECT_TRUE(store.WriteInteger(kKey, "V", 7) && store.ReadInteger(kKey, "V", 0) == 7) << path;
  }
}

// A file that is there but unreadable must fail closed: one error per store
// naming the file, defaults for reads, refused writes, the bytes unchanged.
TEST_F(SettingsStoreTest, AnUnreadableFileFailsClosed) {
  // The failure text; what spoils the file, answering a connection to close afterwards.
  const std::pair<const char*, std::function<sqlite3*()>> kCases[] = {
      {"file is not a database",
       [&] { return WriteFile(db_path_, std::string(3000, 'x')), nullptr; }},
      {"the file holds no Quorvane settings",
       [&] { return unlink(db_path_.c_str()), Exec(db_path_, "CREATE TABLE notes (text TEXT)"); }},
      {"database disk image is malformed", [&] { return DamagePages(), nullptr; }},
      {"database is locked", [&] { return Exec(db_path_, "BEGIN EXCLUSIVE"); }},
  };
  for (const auto& [reason, spoil] : kCases) {
    SCOPED_TRACE(reason);
    Reopen();
    ASSERT_TRUE(ini().WriteString(kKey, "V", std::string(5000, 'v')));
    ini_.reset();
    sqlite3* holder = spoil();
    const std::string before = ReadFile(db_path_);
    // Each load on a store that has not met the damage yet must find it by
    // its own reads and answer false with nothing half loaded: a mirror must
    // not run without its mappings, filters or minimal ages.
    RecordingLogger log;
    TMirrorFilters filters;
    TDirWeights weights("/");
    TMinimalAges ages;
    ages.Add("/d/", 1);
    std::vector<TStoredFilter> stored(1);
    const std::function<bool()> loads[] = {
        [&] { return BuildFilters(ini(), {}, TMappings(ini()), log, &filters, &weights); },
        [&] { return TMappings(ini()).Load(log, nullptr, true, false); },
        [&] { return LoadMinimalAges(ini(), "/", log, &ages); },
        [&] { return ReadStoredFilters(ini(), log, &stored); }};
    for (const auto& load : loads) {
      Reopen();
      EXPECT_FALSE(load());
    }
    EXPECT_TRUE(filters.included_sources.Empty() && ages.Empty() && stored.empty());
    EXPECT_EQ(ini().ReadInteger(kKey, "V", -3), -3);
    EXPECT_EQ(ini().FailureText(), "Cannot read the settings store " + db_path_ + ": " + reason);
    std::string error;
    EXPECT_FALSE(ini().WriteStringOrFail(kKey, "Src", "/d/", false, &error));
    EXPECT_EQ(error, "Failed to set value Src of key HKEY_CURRENT_USER\\" + std::string(kKey) +
                         " to /d/. " + ini().FailureText());
    EXPECT_FALSE(ini().DeleteKey("Software") || ini().CheckStore(log));
    EXPECT_EQ(log.lines, std::vector<std::string>(4, "Error: " + ini().FailureText()));
    ini_.reset();
    sqlite3_close(holder);
    EXPECT_EQ(ReadFile(db_path_), before);
    unlink(db_path_.c_str());
  }
}

// settings_v1.sql holds a store as the first version of its format wrote it;
// the GUI and the headless tool of different releases may share one file.
TEST_F(SettingsStoreTest, ReadsTheFirstStoredFormat) {
  ini_.reset();
  unlink(db_path_.c_str());
  const std::string sql = ReadFile(QUORVANE_TESTS_DIR "config/settings_v1.sql");
  sqlite3_close(Exec(db_path_, sql.c_str()));
  Reopen();
  RecordingLogger log;
  TMappings mappings(ini());
  ASSERT_TRUE(mappings.Load(log, nullptr, false, false) && mappings.Count() == 1);
  EXPECT_EQ(mappings.Destination(0) + "=" + mappings.Source(0), "/mnt/backup/=/home/u/");
  const TMappingSettings& s = mappings.Mapping(0)->settings();
  EXPECT_TRUE(s.row == 1 && !s.copy_security_info && s.max_size_dest == 1 << 20);
  TConfigData data;
  EXPECT_TRUE(data.Load(ini()) && data.wait_minutes() == 60 && data.switches.confirm);
  EXPECT_TRUE(log.lines.empty());
}

TEST_F(SettingsStoreTest, ExportWritesTheTreeAsTextAndNeverOverwrites) {
  const std::string base = "Software\\KZ\\Quorvane";
  ASSERT_TRUE(ini().WriteString(base + "\\Mappings\\|m|", "", "/m/"));
  ASSERT_TRUE(ini().WriteString(base + "\\Mappings\\|m|", "Src", "%HOME%/a \"b\"\\c\n", true));
  ASSERT_TRUE(ini().WriteInteger(base, "Wait", 42));
  ASSERT_TRUE(ini().Write64(base + "\\Mappings\\|m|\\Destination", "MaxSizeDest", 4096));
  ASSERT_TRUE(ini().WriteInteger("Software\\Other", "Outside", 1));
  const std::string file = dir_ / "export.txt";
  EXPECT_EQ(SaveKeyToFile(ini().db(), "HKEY_CURRENT_USER\\software\\KZ\\Quorvane", file), 0);
  EXPECT_EQ(ReadFile(file),
            "Quorvane settings export 1\n"
            "\n[HKEY_CURRENT_USER\\software\\KZ\\Quorvane]\n"
            "\"Wait\"=dword:0000002a\n"
            "\n[HKEY_CURRENT_USER\\software\\KZ\\Quorvane\\Mappings]\n"
            "\n[HKEY_CURRENT_USER\\software\\KZ\\Quorvane\\Mappings\\|m|]\n"
            "@=\"/m/\"\n"
            "\"Src\"=expand:\"%HOME%/a \\\"b\\\"\\\\c\\x0a\"\n"
            "\n[HKEY_CURRENT_USER\\software\\KZ\\Quorvane\\Mappings\\|m|\\Destination]\n"
            "\"MaxSizeDest\"=hex:00,10,00,00,00,00,00,00\n");
  const std::string exported = ReadFile(file);
  EXPECT_EQ(SaveKeyToFile(ini().db(), "HKEY_CURRENT_USER\\Software\\KZ", file), EEXIST);
  EXPECT_EQ(ReadFile(file), exported);
  EXPECT_EQ(SaveKeyToFile(ini().db(), "HKEY_CURRENT_USER\\Software\\None", dir_ / "a"), ENOENT);
  EXPECT_FALSE(PathExists(dir_ / "a"));
}

// The window schedules from LastScan: what is no 8-byte time reads as none.
TEST_F(SettingsStoreTest, LastScanIsAnEightByteTimeOrNone) {
  const FileTime kTime = 133500000123456789;
  EXPECT_EQ(ini().ReadLastScan(), std::nullopt);
  ASSERT_TRUE(ini().WriteLastScan(kTime));
  EXPECT_EQ(ini().ReadLastScan(), kTime);
  EXPECT_EQ(ini().Read64(kBaseKey, "LastScan", 0), kTime);
  const std::function<bool()> kNoTimes[] = {
      [&] { return ini().WriteInteger(kBaseKey, "LastScan", 7); },
      [&] { return ini().WriteString(kBaseKey, "LastScan", "yesterday"); },
  };
  for (const auto& write : kNoTimes) {
    ASSERT_TRUE(write());
    EXPECT_EQ(ini().ReadLastScan(), std::nullopt);
  }
}

using ConfigDataTest = StoreTest;

TEST_F(ConfigDataTest, NumbersKeepTheirRangesFromStoreAndSetters) {
  const char* const kNames[] = {"Wait", "Priority", "MilliSecondsToSuspendAfterUserInput",
                                "MinMinutesToWait"};
  void (TConfigData::*const kSetters[])(int) = {
      &TConfigData::SetWaitMinutes, &TConfigData::SetPriority, &TConfigData::SetSuspendMillis,
      &TConfigData::SetMinMinutesToWait};
  const std::pair<std::array<int, 4>, std::array<int, 4>> kCases[] = {
      {{35791, 6, 2500, 35791}, {35791, 6, 2500, 35791}},
      {{35792, 7, -5, 35792}, {-1, 0, 0, 0}},
      {{-2, -1, 0, -1}, {-1, 0, 0, 0}},
      {{0, 0, 0, 0}, {0, 0, 0, 0}}};
  for (const auto& [stored, read] : kCases) {
    TConfigData loaded, set;
    for (int i = 0; i < 4; ++i) {
      ASSERT_TRUE(ini().WriteInteger(kBaseKey, kNames[i], stored[i]));
      (set.*kSetters[i])(stored[i]);
    }
    EXPECT_TRUE(loaded.Load(ini()));
    for (const TConfigData* d : {&loaded, &set}) {
      EXPECT_EQ((std::array{d->wait_minutes(), d->priority(), d->suspend_millis(),
                            d->min_minutes_to_wait()}),
                read);
    }
  }
}

TEST_F(ConfigDataTest, TheSettingsLinesSayWhatDiffersFromTheUsual) {
  TConfigData saved;
  saved.SetSuspendMillis(2999);
  saved.SetPriority(6);
  saved.switches = {true, false, false, false, false, false, true, false, true, true};
  ASSERT_TRUE(saved.Save(ini()));
  EXPECT_FALSE(ini().ReadBool(kFiltersKey, "AutoFilter", true));
  TConfigData loaded;
  ASSERT_TRUE(loaded.Load(ini()));
  RecordingLogger log;
  loaded.LogSettings(log);
  EXPECT_EQ(log.lines, (std::vector<std::string>{
                           "Resuming scan in 2 seconds after user input when minimized",
                           "Thread priority Time critical",
                           "Closing when scan is done",
                           "Log creation of files is disabled",
                           "Log creation of directories is disabled",
                           "Log matching filters is disabled",
                           "Log modified files with minimal age not expired is disabled",
                           "Log update of creation time is disabled",
                           "Confirm updates of destination",
                           "Disabled automatic filters",
                           "Enabled scan of excluded directories",
                           "Enabled update of files wich have their archive attribute set",
                       }));
}

TEST_F(ConfigDataTest, OneToggleStoresItsOwnValueAlone) {
  TConfigData stored;
  ASSERT_TRUE(stored.Save(ini()));
  TConfigData changed = stored;
  changed.SetWaitMinutes(30);
  changed.SetSuspendMillis(4000);
  changed.SetMinMinutesToWait(5);
  changed.SetPriority(3);
  using S = TConfigSwitches;
  bool S::*const kFields[] = {&S::close_when_done, &S::log_create,   &S::log_create_dir,
                              &S::log_excluded,    &S::log_min_ages, &S::log_update_creation_time,
                              &S::confirm,         &S::auto_filter,  &S::scan_excluded_dirs,
                              &S::use_archive_bit};
  for (bool S::*field : kFields) changed.switches.*field ^= true;
  TConfigData expected = stored;
  for (bool S::*field : kFields) {
    ASSERT_TRUE(changed.SaveSwitch(ini(), field));
    expected.switches.*field = changed.switches.*field;
    TConfigData loaded;
    ASSERT_TRUE(loaded.Load(ini()));
    EXPECT_EQ(loaded.switches, expected.switches);
    EXPECT_EQ(loaded.priority(), stored.priority());
  }
  ASSERT_TRUE(changed.SavePriority(ini()));
  TConfigData loaded;
  ASSERT_TRUE(loaded.Load(ini()));
  EXPECT_EQ((std::array{loaded.priority(), loaded.wait_minutes(), loaded.suspend_millis(),
                        loaded.min_minutes_to_wait()}),
            (std::array{3, stored.wait_minutes(), stored.suspend_millis(),
                        stored.min_minutes_to_wait()}));
}

// The entry lives below $XDG_CONFIG_HOME, which the real platform reads from
// the process environment.
TEST(StartAtLogonTest, RegistersQuotesAndRemovesTheProgram) {
  ScopedTempDir dir;
  const char* old = getenv("XDG_CONFIG_HOME");
  const std::string saved = old != nullptr ? old : "";  // setenv may free old
  setenv("XDG_CONFIG_HOME", dir.path().c_str(), 1);
  const std::string entry = dir / "autostart/quorvane.desktop";
  Platform& platform = DefaultPlatform();
  EXPECT_FALSE(StartsAtLogon(platform));
  EXPECT_TRUE(SetStartAtLogon(platform, true, false, "/opt/my apps/q$\\uorvane 100%"));
  EXPECT_TRUE(StartsAtLogon(platform));
  EXPECT_NE(ReadFile(entry).find("\nExec=\"/opt/my apps/q\\\\$\\\\\\\\uorvane 100%%\" /START\n"),
            std::string::npos)
      << ReadFile(entry);
  EXPECT_TRUE(SetStartAtLogon(platform, false, true, "/opt/my apps/q$\\uorvane 100%"));
  EXPECT_FALSE(StartsAtLogon(platform));
  old != nullptr ? setenv("XDG_CONFIG_HOME", saved.c_str(), 1) : unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
}  // namespace qv::testing
