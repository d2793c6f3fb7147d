#include "config/settings_db.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include "config/registry_values.h"
#include "tests/config/config_test_util.h"
#include "tests/support/recording_logger.h"
#include "tests/support/temp_dir.h"

namespace qv::testing {
namespace {

constexpr TRootKey kUser = TRootKey::kCurrentUser;
constexpr char kKey[] = "Software\\KZ\\Quorvane\\Test";

std::string Bytes(std::initializer_list<int> bytes) {
  std::string data;
  for (int b : bytes) data += static_cast<char>(b);
  return data;
}

using SettingsDbTest = StoreTest;

TEST_F(SettingsDbTest, IntegerAndBooleanReadsAcceptOnlyFourByteDwords) {
  struct Case {
    const char* what;
    TRegValue stored;
    int32_t expected;  // with default 99
  } const cases[] = {
      {"dword", DwordValue(42), 42},
      {"negative dword", DwordValue(-7), -7},
      {"zero", DwordValue(0), 0},
      {"dword stored as string", StringValue("42", false), 99},
      {"three bytes", {kRegDword, Bytes({1, 0, 0})}, 99},
      {"five bytes", {kRegDword, Bytes({1, 0, 0, 0, 0})}, 99},
      {"four binary bytes", {kRegBinary, Bytes({1, 0, 0, 0})}, 99},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(ini().WriteRaw(kKey, "Value", c.stored));
    EXPECT_EQ(ini().ReadInteger(kKey, "Value", 99), c.expected);
    EXPECT_EQ(ini().ReadBool(kKey, "Value", true), c.expected != 0);
  }
  EXPECT_EQ(ini().ReadInteger(kKey, "Missing", 99), 99);
  EXPECT_FALSE(ini().ReadBool(kKey, "Missing", false));
}

TEST_F(SettingsDbTest, SixtyFourBitReadsKeepTheBandAndTheirVariants) {
  constexpr int64_t kDefault = 5;
  struct Case {
    const char* what;
    TRegValue stored;
    int64_t plain, non_negative, positive;
  } const cases[] = {
      {"ordinary", Int64Value(1234), 1234, 1234, 1234},
      {"no limit", Int64Value(kNoLimit), kNoLimit, kNoLimit, kNoLimit},
      {"just above the band", Int64Value(kNoLimit + 1), kDefault, kDefault, kDefault},
      {"lowest in the band", Int64Value(-kNoLimit), -kNoLimit, kDefault, kDefault},
      {"just below the band", Int64Value(-kNoLimit - 1), kDefault, kDefault, kDefault},
      {"largest int64", Int64Value(INT64_MAX), kDefault, kDefault, kDefault},
      {"zero", Int64Value(0), 0, 0, kDefault},
      {"minus one", Int64Value(-1), -1, kDefault, kDefault},
      {"seven bytes", {kRegBinary, Bytes({1, 2, 3, 4, 5, 6, 7})}, kDefault, kDefault, kDefault},
      {"nine bytes",
       {kRegBinary, Bytes({1, 0, 0, 0, 0, 0, 0, 0, 0})},
       kDefault,
       kDefault,
       kDefault},
      {"dword", DwordValue(3), kDefault, kDefault, kDefault},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(ini().WriteRaw(kKey, "Size", c.stored));
    EXPECT_EQ(ini().Read64(kKey, "Size", kDefault), c.plain);
    EXPECT_EQ(ini().Read64NonNegative(kKey, "Size", kDefault), c.non_negative);
    EXPECT_EQ(ini().Read64Positive(kKey, "Size", kDefault), c.positive);
  }
}

TEST_F(SettingsDbTest, StringReadsAcceptBothStringTypesAndKeepBytes) {
  struct Case {
    const char* what;
    TRegValue stored;
    std::string expected;  // with default "dflt"
  } const cases[] = {
      {"string", StringValue("/data/", false), "/data/"},
      {"expandable string is not expanded", StringValue("%HOME%/x", true), "%HOME%/x"},
      {"empty string", StringValue("", false), ""},
      {"no terminator", {kRegSz, "abc"}, "abc"},
      {"not UTF-8", StringValue("/d/\xff\xfe\x80/", false), "/d/\xff\xfe\x80/"},
      {"dword", DwordValue(1), "dflt"},
      {"binary", {kRegBinary, "abc"}, "dflt"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(ini().WriteRaw(kKey, "Text", c.stored));
    EXPECT_EQ(ini().ReadString(kKey, "Text", "dflt"), c.expected);
  }
}

TEST_F(SettingsDbTest, WritesStoreTheirTypesAndBytes) {
  ASSERT_TRUE(ini().WriteString(kKey, "Empty", ""));
  ASSERT_TRUE(ini().WriteString(kKey, "Path", "%windir%\\x", true));
  ASSERT_TRUE(ini().WriteInteger(kKey, "Count", -2));
  ASSERT_TRUE(ini().Write64(kKey, "Size", 0x0102030405060708));
  EXPECT_EQ(*ini().ReadRaw(kKey, "Empty"), (TRegValue{kRegSz, std::string(1, '\0')}));
  EXPECT_EQ(*ini().ReadRaw(kKey, "Path"),
            (TRegValue{kRegExpandSz, "%windir%\\x" + std::string(1, '\0')}));
  EXPECT_EQ(*ini().ReadRaw(kKey, "Count"), (TRegValue{kRegDword, Bytes({0xfe, 0xff, 0xff, 0xff})}));
  EXPECT_EQ(*ini().ReadRaw(kKey, "Size"), (TRegValue{kRegBinary, Bytes({8, 7, 6, 5, 4, 3, 2, 1})}));
}

TEST_F(SettingsDbTest, KeyAndValueNamesIgnoreAsciiCaseAndKeepTheirSpelling) {
  ASSERT_TRUE(ini().WriteString("Software\\KZ\\Quorvane\\Mappings\\|Data|", "Src", "/a/"));
  EXPECT_EQ(ini().ReadString("SOFTWARE\\kz\\QUORVANE\\mappings\\|data|", "SRC"), "/a/");
  EXPECT_TRUE(ini().KeyExists("\\software\\kz\\\\quorvane\\"));
  ASSERT_TRUE(ini().WriteString("software\\KZ\\Quorvane\\Mappings\\|DATA|", "src", "/b/"));
  EXPECT_EQ(ini().ListSubkeys("Software"), std::vector<std::string>{"KZ"});
  EXPECT_EQ(ini().ListSubkeys("Software\\KZ\\Quorvane\\Mappings"),
            std::vector<std::string>{"|Data|"});
  EXPECT_EQ(ini().ListValues("Software\\KZ\\Quorvane\\Mappings\\|Data|"),
            std::vector<std::string>{"Src"});
  EXPECT_EQ(ini().ReadString("Software\\KZ\\Quorvane\\Mappings\\|Data|", "Src"), "/b/");
  // Only ASCII letters fold: other bytes are compared as they are.
  ASSERT_TRUE(ini().WriteString("Software\\\xc3\x89t\xc3\xa9", "", "x"));
  EXPECT_FALSE(ini().KeyExists("Software\\\xc3\xa9t\xc3\xa9"));
}

TEST_F(SettingsDbTest, ListsAreOrderedIgnoringCase) {
  for (const char* name : {"b", "A", "c"})
    ASSERT_TRUE(ini().WriteInteger(kKey + std::string("\\") + name, "", 1));
  for (const char* name : {"y", "X", ""}) ASSERT_TRUE(ini().WriteInteger(kKey, name, 1));
  EXPECT_EQ(ini().ListSubkeys(kKey), (std::vector<std::string>{"A", "b", "c"}));
  EXPECT_EQ(ini().ListValues(kKey), (std::vector<std::string>{"", "X", "y"}));
  EXPECT_TRUE(ini().ListSubkeys("Software\\Missing").empty());
}

TEST_F(SettingsDbTest, DeleteKeyRemovesTheWholeTreeAndNothingBeside) {
  const std::string mapping = "Software\\KZ\\Quorvane\\Mappings\\|m|";
  for (const char* sub : {"", "\\Source", "\\Source\\Excluded", "\\Destination\\Archive"}) {
    ASSERT_TRUE(ini().WriteInteger(mapping + sub, "NumberOfFiles", 1));
  }
  // Names that sort right beside the deleted key must survive.
  const char* const kNeighbours[] = {"|m|x", "|m|-", "|m|]", "|m|_", "|m", "|M|2"};
  for (const char* name : kNeighbours) {
    ASSERT_TRUE(
        ini().WriteInteger(std::string("Software\\KZ\\Quorvane\\Mappings\\") + name, "V", 1));
  }
  EXPECT_TRUE(ini().DeleteKey("software\\kz\\quorvane\\mappings\\|M|"));
  EXPECT_FALSE(ini().KeyExists(mapping));
  EXPECT_FALSE(ini().KeyExists(mapping + "\\Destination\\Archive"));
  EXPECT_FALSE(ini().ValueExists(mapping + "\\Source", "NumberOfFiles"));
  for (const char* name : kNeighbours) {
    SCOPED_TRACE(name);
    EXPECT_TRUE(ini().ValueExists(std::string("Software\\KZ\\Quorvane\\Mappings\\") + name, "V"));
  }
  EXPECT_TRUE(ini().DeleteKey("Software\\Never\\There"));
  EXPECT_FALSE(ini().DeleteKey("\\"));
  EXPECT_TRUE(ini().KeyExists("Software\\KZ"));
}

TEST_F(SettingsDbTest, OtherRootsHoldNothingAndRefuseWrites) {
  TSettingsDb& db = ini().db();
  std::string error;
  EXPECT_FALSE(db.WriteValue(TRootKey::kLocalMachine, "SYSTEM", "x", DwordValue(1), &error));
  EXPECT_EQ(error, "Cannot write the settings store " + db_path_ +
                       ": HKEY_LOCAL_MACHINE holds no settings here");
  ASSERT_TRUE(db.WriteValue(kUser, "SYSTEM", "x", DwordValue(1)));
  EXPECT_FALSE(db.ValueExists(TRootKey::kLocalMachine, "SYSTEM", "x"));
  EXPECT_FALSE(db.KeyExists(TRootKey::kUsers, "SYSTEM"));
  EXPECT_TRUE(db.ListSubkeys(TRootKey::kLocalMachine, "").empty());
  EXPECT_FALSE(db.Failed());
}

TEST_F(SettingsDbTest, TransactionsCommitAllOrNothing) {
  {
    TSettingsTransaction abandoned(ini().db());
    ASSERT_TRUE(ini().WriteInteger(kKey, "A", 1));
  }
  EXPECT_FALSE(ini().ValueExists(kKey, "A"));
  {
    TSettingsTransaction failing(ini().db());
    ASSERT_TRUE(ini().WriteInteger(kKey, "A", 1));
    EXPECT_FALSE(ini().db().WriteValue(TRootKey::kUsers, kKey, "B", DwordValue(1)));
    EXPECT_FALSE(ini().WriteInteger(kKey, "C", 1));  // nothing more after a failure
    EXPECT_FALSE(failing.Commit());
  }
  EXPECT_FALSE(ini().ValueExists(kKey, "A"));
  TSettingsTransaction good(ini().db());
  {
    TSettingsTransaction nested(ini().db());
    ASSERT_TRUE(ini().WriteInteger(kKey, "A", 1));
    EXPECT_TRUE(nested.Commit());
  }
  ASSERT_TRUE(ini().WriteInteger(kKey, "B", 2));
  EXPECT_TRUE(good.Commit());
  EXPECT_EQ(ini().ReadInteger(kKey, "A", 0) + ini().ReadInteger(kKey, "B", 0), 3);
}

TEST_F(SettingsDbTest, AnotherProcessSeesEveryCommittedChange) {
  ASSERT_TRUE(ini().WriteInteger(kKey, "Counter", 1));
  EXPECT_EQ(ini().ReadInteger(kKey, "Counter", 0), 1);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ConfigTestPlatform platform;
    TQVIniFile other(platform, db_path_);
    const bool ok = other.ReadInteger(kKey, "Counter", 0) == 1 &&
                    other.WriteInteger(kKey, "Counter", 2) &&
                    other.DeleteKey(kKey + std::string("\\Sub"));
    _exit(ok ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(ini().ReadInteger(kKey, "Counter", 0), 2);
}

TEST_F(SettingsDbTest, EmptyOrMissingFileIsAFreshStore) {
  for (const std::string& path : {dir_ / "empty.db", dir_ / "new/sub/dir/settings.db"}) {
    SCOPED_TRACE(path);
    if (path == dir_ / "empty.db") WriteFile(path, "");
    TQVIniFile store(platform_, path);
    EXPECT_FALSE(store.Failed()) << store.FailureText();
    EXPECT_TRUE(store.ListSubkeys("").empty());
    EXPECT_TRUE(store.WriteInteger(kKey, "V", 7));
    EXPECT_EQ(store.ReadInteger(kKey, "V", 0), 7);
  }
}

// A file that is there but unreadable must fail closed: one error naming the
// file, defaults for reads, refused writes, and the bytes left as they were.
class DamagedStoreTest : public StoreTest {
 protected:
  void ExpectFailedClosed(const std::string& reason) {
    const std::string before = ReadFile(db_path_);
    Reopen(50);
    EXPECT_EQ(ini().ReadInteger(kKey, "V", -3), -3);
    EXPECT_TRUE(ini().Failed());
    EXPECT_EQ(ini().FailureText(), "Cannot read the settings store " + db_path_ + ": " + reason);
    std::string error;
    EXPECT_FALSE(ini().WriteInteger(kKey, "V", 1, &error));
    EXPECT_EQ(error, ini().FailureText());
    EXPECT_FALSE(ini().DeleteKey("Software"));
    EXPECT_TRUE(ini().ListSubkeys("").empty());
    RecordingLogger log;
    EXPECT_FALSE(ini().CheckStore(log));
    EXPECT_FALSE(ini().CheckStore(log));
    EXPECT_EQ(log.lines, std::vector<std::string>{"Error: " + ini().FailureText()});
    ini_.reset();
    EXPECT_EQ(ReadFile(db_path_), before);
  }
};

TEST_F(DamagedStoreTest, GarbageIsNotADatabase) {
  ini_.reset();
  WriteFile(db_path_, std::string(3000, 'x') + "not a database");
  ExpectFailedClosed("file is not a database");
}

TEST_F(DamagedStoreTest, ForeignDatabaseIsNotTouched) {
  ini_.reset();
  ASSERT_EQ(unlink(db_path_.c_str()), 0);
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(db_path_.c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE notes (text TEXT)", nullptr, nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(db);
  ExpectFailedClosed("the file holds no Quorvane settings");
}

TEST_F(DamagedStoreTest, DamagedPagesAreFoundByTheFirstRead) {
  ASSERT_TRUE(ini().WriteString(kKey, "V", std::string(100, 'v')));
  ini_.reset();
  std::string bytes = ReadFile(db_path_);
  ASSERT_GT(bytes.size(), 4096u);
  for (size_t i = 4096; i < bytes.size(); ++i) bytes[i] = static_cast<char>(0xA5);
  WriteFile(db_path_, bytes);
  ExpectFailedClosed("database disk image is malformed");
}

TEST_F(DamagedStoreTest, ExclusiveLockPastTheBusyTimeout) {
  ASSERT_TRUE(ini().WriteInteger(kKey, "V", 1));
  ini_.reset();
  sqlite3* holder = nullptr;
  ASSERT_EQ(sqlite3_open(db_path_.c_str(), &holder), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(holder, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
  ExpectFailedClosed("database is locked");
  sqlite3_close(holder);
  // Once the lock is gone the same store recovers on request.
  Reopen(50);
  EXPECT_FALSE(ini().Failed());
  EXPECT_EQ(ini().ReadInteger(kKey, "V", 0), 1);
}

TEST_F(SettingsDbTest, ReservedLockRefusesWritesButKeepsReading) {
  ASSERT_TRUE(ini().WriteInteger(kKey, "V", 1));
  Reopen(50);
  sqlite3* holder = nullptr;
  ASSERT_EQ(sqlite3_open(db_path_.c_str(), &holder), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(holder, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
  std::string error;
  EXPECT_FALSE(ini().WriteInteger(kKey, "V", 2, &error));
  EXPECT_EQ(error, "Cannot write the settings store " + db_path_ + ": database is locked");
  EXPECT_FALSE(ini().Failed());
  EXPECT_EQ(ini().ReadInteger(kKey, "V", 0), 1);
  sqlite3_close(holder);
  EXPECT_TRUE(ini().WriteInteger(kKey, "V", 2));
  EXPECT_EQ(ini().ReadInteger(kKey, "V", 0), 2);
}

TEST_F(SettingsDbTest, ClearFailureOpensAStoreThatFailedToOpen) {
  ini_.reset();
  ASSERT_EQ(unlink(db_path_.c_str()), 0);
  MakeDirs(db_path_);  // a directory where the file should be
  Reopen();
  EXPECT_TRUE(ini().Failed());
  EXPECT_EQ(ini().FailureText().rfind("Cannot read the settings store " + db_path_ + ": ", 0), 0u);
  ASSERT_EQ(rmdir(db_path_.c_str()), 0);
  ini().ClearFailure();
  EXPECT_FALSE(ini().Failed());
  EXPECT_TRUE(ini().WriteInteger(kKey, "V", 1));
}

}  // namespace
}  // namespace qv::testing
