// What a mirror's run stores, and how often it waits for the disk to do so.
#include <sqlite3.h>

#include "config/mirror_health.h"
#include "tests/engine/engine_test_util.h"

namespace qv::testing {
namespace {

// Values of this name stored under keys ending in key_end, read beside the
// scan's connection.
int CountValues(const std::string& file, const std::string& lname,
                const std::string& key_end = "") {
  sqlite3* db = nullptr;
  EXPECT_EQ(sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  sqlite3_stmt* statement = nullptr;
  sqlite3_prepare_v2(db, "SELECT count(*) FROM vals WHERE lname = ?1 AND key LIKE '%' || ?2", -1, &statement, nullptr);
  sqlite3_bind_text(statement, 1, lname.c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_text(statement, 2, key_end.c_str(), -1, SQLITE_TRANSIENT);
  const int count = sqlite3_step(statement) == SQLITE_ROW ? sqlite3_column_int(statement, 0) : -1;
  sqlite3_finalize(statement);
  sqlite3_close(db);
  return count;
}

// The second run changes a file or not; another writer may hold the store
// while the mirror's end stores.
struct StoreCase {
  const char* name;
  bool change;
  bool locked_at_end;
  int open_at_flush;    // the mark that a run was cut short, before its end
  int end_commits;      // commits from the last log save to the run's end
  int run_commits;      // of the whole second run
  int run_open_values;  // the mark, after the run
  TScanResult result;   // stored, after a retry that finds the store free
                        // (the refusal is logged after the end is computed)
};

TEST(MirrorStoreTest, RunEndIsOneCommitAndARefusedOneIsReportedAndKept) {
  const StoreCase kCases[] = {
      // What the mirror found (unchanged, so no write reaches the disk) and
      // its end: an archive nothing went into is never marked open.
      {"NothingChanged", false, false, 0, 1, 2, 0, TScanResult::kCompleted},
      // The mark before the old version goes into the archive.
      {"Changed", true, false, 1, 1, 3, 0, TScanResult::kCompleted},
      {"LockedAtEnd", true, true, 1, 0, 2, 1, TScanResult::kCompleted},
  };
  for (const StoreCase& c : kCases) {
    SCOPED_TRACE(c.name);
    MirrorTest t;  // one per case
    MakeTree(t.src_, {"a.txt=a", "sub/b.txt=b"});
    t.Run();
    ASSERT_EQ(t.errors_, 0);
    if (c.change) MakeTree(t.src_, {"a.txt=changed"});
    const std::string file = t.dir_ / "settings.db";
    TSettingsDb& db = t.ini_.db();
    sqlite3* holder = nullptr;
    int64_t at_flush = 0;
    t.log_.on_flush = [&] {
      at_flush = db.commits();
      EXPECT_EQ(CountValues(file, "runopen"), c.open_at_flush);
      if (!c.locked_at_end) return;
      ASSERT_EQ(sqlite3_open(file.c_str(), &holder), SQLITE_OK);
      ASSERT_EQ(sqlite3_exec(holder, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    };
    const int64_t before = db.commits();
    t.Run();
    EXPECT_EQ(db.commits() - at_flush, c.end_commits);
    EXPECT_EQ(db.commits() - before, c.run_commits);
    EXPECT_EQ(CountValues(file, "runopen"), c.run_open_values);
    EXPECT_EQ(t.errors_, c.locked_at_end ? 1 : 0);
    EXPECT_EQ(t.log_.Has("Error: What this mirror found could not be stored: Cannot write the "
                         "settings store " + file + ": database is locked"),
              c.locked_at_end);
    sqlite3_close(holder);  // rolls the holder's transaction back
    EXPECT_TRUE(db.RetryRefusedWrites());
    const TMirrorHealth health = ReadMirrorHealth(t.ini_, t.mapping_->key());
    EXPECT_EQ(health.last_end, t.started_);
    EXPECT_EQ(health.result, c.result);
    EXPECT_EQ(CountValues(file, "runopen"), 0);
    EXPECT_EQ(CountValues(file, "lasttimeslot"), 1);
    // The log directory's counters, stored with the archive's at the end.
    EXPECT_EQ(CountValues(file, "numberoffiles", "\\archive\\logs"), 1);
  }
}

}  // namespace
}  // namespace qv::testing
