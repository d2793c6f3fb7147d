// Opening the settings file: a fresh file is set up, anything else that is not
// a readable settings store leaves the store failed and the file untouched.

#include <string>

#include "config/settings_db.h"
#include "config/sql_statement.h"
#include "filesys/path_ops.h"
#include "filesys/platform.h"

namespace qv {

namespace {

// "QVS1" in the header marks a file as ours.
constexpr int64_t kApplicationId = 0x51565331;

constexpr const char* kCreateTables =
    "BEGIN IMMEDIATE;"
    "CREATE TABLE IF NOT EXISTS keys ("
    "  path TEXT PRIMARY KEY,"  // lower-cased, "\"-separated; "" is the root
    "  parent TEXT,"            // lower-cased path of the parent; NULL for the root
    "  name TEXT NOT NULL"      // last component as created
    ") WITHOUT ROWID;"
    "CREATE INDEX IF NOT EXISTS keys_by_parent ON keys (parent);"
    "CREATE TABLE IF NOT EXISTS vals ("
    "  key TEXT NOT NULL REFERENCES keys (path) ON DELETE CASCADE,"
    "  lname TEXT NOT NULL,"  // lower-cased name; "" is the unnamed value
    "  name TEXT NOT NULL,"
    "  type INTEGER NOT NULL,"
    "  data BLOB NOT NULL,"
    "  PRIMARY KEY (key, lname)"
    ") WITHOUT ROWID;"
    "INSERT OR IGNORE INTO keys (path, parent, name) VALUES ('', NULL, '');"
    "PRAGMA user_version = 1;";

Status MakeDirs(Platform& platform, const std::string& dir) {
  FileInfo info;
  if (platform.Stat(dir, &info).ok()) return Status::Ok();
  const std::string parent = ParentDir(dir);
  if (!parent.empty() && parent != dir) {
    const Status s = MakeDirs(platform, parent);
    if (!s.ok()) return s;
  }
  const Status s = platform.CreateDir(dir);
  return s.cond() == Cond::kExists ? Status::Ok() : s;
}

// Answers the single integer of a query, or an error code in *rc.
int64_t QueryInt(sqlite3* db, const char* sql, int* rc) {
  TSqlStatement statement(db, sql);
  *rc = statement.Step();
  if (*rc != SQLITE_ROW) return 0;
  *rc = SQLITE_OK;
  return statement.Int(0);
}

}  // namespace

void TSettingsDb::Open() {
  if (path_.empty()) {
    failed_ = true;
    failure_text_ = "Cannot open the settings store: no file name (set QUORVANE_SETTINGS or HOME)";
    return;
  }
  FileInfo info;
  const Status stat = platform_.Stat(path_, &info);
  if (!stat.ok() && stat.cond() != Cond::kNotFound) {
    Fail("Cannot read", stat.message());
    return;
  }
  const bool fresh = !stat.ok() || (info.size == 0 && !info.IsDirectory());
  if (access_ == TStoreAccess::kMemoryCopy) {
    if (!OpenCopy(fresh)) return;
  } else if (fresh && !PrepareFreshFile()) {
    return;
  }
  // An existing file is opened without SQLITE_OPEN_CREATE, so a file removed
  // meanwhile is reported instead of silently replaced by an empty one.
  const int flags = SQLITE_OPEN_READWRITE | (fresh ? SQLITE_OPEN_CREATE : 0);
  const int rc = db_ != nullptr ? SQLITE_OK : sqlite3_open_v2(path_.c_str(), &db_, flags, nullptr);
  if (rc != SQLITE_OK) {
    Fail("Cannot read", db_ != nullptr ? sqlite3_errmsg(db_) : sqlite3_errstr(rc));
    sqlite3_close(db_);
    db_ = nullptr;
    return;
  }
  sqlite3_extended_result_codes(db_, 1);
  sqlite3_busy_timeout(db_, busy_timeout_ms_);
  if (!SqlSucceeded(ExecSql(db_, "PRAGMA foreign_keys = ON")) || !CheckSchema()) {
    if (!failed_) Fail("Cannot read", sqlite3_errmsg(db_));
    sqlite3_close(db_);
    db_ = nullptr;
  }
}

// A missing or empty file gives an empty store in memory; an existing one is
// read once, read only, under the busy timeout.
bool TSettingsDb::OpenCopy(bool fresh) {
  if (sqlite3_open_v2(":memory:", &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
    Fail("Cannot read", "no memory for a copy");
    sqlite3_close(db_);
    db_ = nullptr;
    return false;
  }
  if (fresh) return true;
  sqlite3* file = nullptr;
  int rc = sqlite3_open_v2(path_.c_str(), &file, SQLITE_OPEN_READONLY, nullptr);
  if (rc == SQLITE_OK) {
    sqlite3_busy_timeout(file, busy_timeout_ms_);
    sqlite3_backup* backup = sqlite3_backup_init(db_, "main", file, "main");
    rc = backup == nullptr ? sqlite3_errcode(db_) : sqlite3_backup_step(backup, -1);
    if (backup != nullptr) (void)sqlite3_backup_finish(backup);
  }
  if (rc != SQLITE_DONE) Fail("Cannot read", sqlite3_errstr(rc));
  sqlite3_close(file);
  if (rc == SQLITE_DONE) return true;
  sqlite3_close(db_);
  db_ = nullptr;
  return false;
}

bool TSettingsDb::PrepareFreshFile() {
  const std::string dir = ParentDir(path_);
  if (dir.empty()) return true;
  const Status s = MakeDirs(platform_, dir);
  if (!s.ok()) Fail("Cannot create", dir + ": " + s.message());
  return s.ok();
}

bool TSettingsDb::CheckSchema() {
  // Reading the header is what detects a damaged file or a foreign lock.
  int rc = SQLITE_OK;
  const int64_t id = QueryInt(db_, "PRAGMA application_id", &rc);
  if (rc != SQLITE_OK) return false;
  if (id == kApplicationId) return true;
  const int64_t objects = QueryInt(db_, "SELECT count(*) FROM sqlite_master", &rc);
  if (rc != SQLITE_OK) return false;
  if (id != 0 || objects != 0) {
    Fail("Cannot read", "the file holds no Quorvane settings");
    return false;
  }
  return CreateSchema();
}

bool TSettingsDb::CreateSchema() {
  const std::string sql = std::string(kCreateTables) +
                          "PRAGMA application_id = " + std::to_string(kApplicationId) + ";COMMIT;";
  const int rc = ExecSql(db_, sql.c_str());
  if (SqlSucceeded(rc)) return true;
  Fail("Cannot write", sqlite3_errmsg(db_));
  RollbackIfOpen();
  return false;
}

}  // namespace qv
