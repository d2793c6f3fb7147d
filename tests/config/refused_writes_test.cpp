// Writes the settings store refuses are kept and made again later, unless
// something newer took their place.
#include <string>

#include "tests/config/config_test_util.h"

namespace qv::testing {
namespace {

constexpr char kKey[] = "Software\\KZ\\Quorvane\\Test";

using RefusedWritesTest = StoreTest;

TEST_F(RefusedWritesTest, AreMadeOnceTheLockIsGoneUnlessANewerWriteTookTheirPlace) {
  ASSERT_TRUE(ini().WriteInteger(kKey, "Kept", 1));
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
      {"Single", 2}, {"Overtaken", 30}, {"First", 4}, {"Kept", -1}};
  for (const auto& [name, value] : kStored) {
    EXPECT_EQ(ini().ReadInteger(kKey, name, -1), value) << name;
  }
  const int64_t refusals = ini().db().refusals();
  EXPECT_TRUE(ini().db().RetryRefusedWrites());
  EXPECT_EQ(ini().db().refusals(), refusals);
}

// A transaction given up on purpose (a command that found bad input) is
// no refusal.
TEST_F(RefusedWritesTest, AnAbandonedTransactionIsNoRefusal) {
  {
    TSettingsTransaction transaction(ini().db());
    ASSERT_TRUE(ini().WriteInteger(kKey, "Dropped", 1));
  }
  EXPECT_EQ(ini().db().refusals(), 0);
  EXPECT_TRUE(ini().db().RetryRefusedWrites());
  EXPECT_FALSE(ini().ValueExists(kKey, "Dropped"));
}

}  // namespace
}  // namespace qv::testing
