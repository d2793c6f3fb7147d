#include "config/settings_db.h"

#include <utility>

#include "config/sql_statement.h"
#include "filesys/text_format.h"

namespace qv {

namespace {

// Lower-cased key path without root, components joined by "\"; "" is the root.
std::string LookupPath(const std::vector<std::string>& parts, size_t count) {
  std::string path;
  for (size_t i = 0; i < count; ++i) {
    if (i > 0) path += '\\';
    path += LowerAscii(parts[i]);
  }
  return path;
}

std::string LookupPath(const std::string& key) {
  const std::vector<std::string> parts = KeyComponents(key);
  return LookupPath(parts, parts.size());
}

// Damage to the file: from now on nothing may touch it.
bool IsDamage(int rc) {
  const int primary = rc & 0xff;
  return primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT;
}

}  // namespace

std::recursive_mutex& SettingsMutex() {
  static std::recursive_mutex mutex;
  return mutex;
}

TSettingsDb::TSettingsDb(Platform& platform, std::string path, int busy_timeout_ms,
                         TStoreAccess access)
    : platform_(platform),
      path_(std::move(path)),
      busy_timeout_ms_(busy_timeout_ms),
      access_(access) {
  std::lock_guard<std::recursive_mutex> lock(SettingsMutex());
  Open();
}

TSettingsDb::~TSettingsDb() {
  std::lock_guard<std::recursive_mutex> lock(SettingsMutex());
  sqlite3_close(db_);
}

bool TSettingsDb::Failed() const {
  std::lock_guard<std::recursive_mutex> lock(SettingsMutex());
  return failed_;
}

std::string TSettingsDb::FailureText() const {
  std::lock_guard<std::recursive_mutex> lock(SettingsMutex());
  return failure_text_;
}

void TSettingsDb::ClearFailure() {
  std::lock_guard<std::recursive_mutex> lock(SettingsMutex());
  failed_ = false;
  failure_text_.clear();
  if (db_ == nullptr) Open();
}

bool TSettingsDb::Usable() const { return db_ != nullptr && !failed_; }

void TSettingsDb::Fail(const std::string& what, const std::string& reason) {
  if (failed_) return;
  failed_ = true;
  failure_text_ = what + " the settings store " + path_ + ": " + reason;
}

void TSettingsDb::CheckRead(int rc) {
  if (!SqlSucceeded(rc)) Fail("Cannot read", sqlite3_errmsg(db_));
}

std::string TSettingsDb::WriteError(int rc) {
  const std::string reason = sqlite3_errmsg(db_);
  if (IsDamage(rc)) Fail("Cannot read", reason);
  return "Cannot write the settings store " + path_ + ": " + reason;
}

void TSettingsDb::RollbackIfOpen() {
  if (sqlite3_get_autocommit(db_) == 0) (void)ExecSql(db_, "ROLLBACK");
}

std::optional<TRegValue> TSettingsDb::ReadValue(TRootKey root, const std::string& key,
                                                const std::string& name) {
  std::lock_guard<std::recursive_mutex> lock(SettingsMutex());
  if (root != TRootKey::kCurrentUser || !Usable()) return std::nullopt;
  TSqlStatement statement(db_, "SELECT type, data FROM vals WHERE key = ?1 AND lname = ?2");
  statement.BindText(1, LookupPath(key)).BindText(2, LowerAscii(name));
  const int rc = statement.Step();
  if (rc == SQLITE_ROW) {
    return TRegValue{static_cast<uint32_t>(statement.Int(0)), statement.Blob(1)};
  }
  CheckRead(rc);
  return std::nullopt;
}

bool TSettingsDb::ValueExists(TRootKey root, const std::string& key, const std::string& name) {
  return ReadValue(root, key, name).has_value();
}

bool TSettingsDb::KeyExists(TRootKey root, const std::string& key) {
  std::lock_guard<std::recursive_mutex> lock(SettingsMutex());
  if (root != TRootKey::kCurrentUser || !Usable()) return false;
  TSqlStatement statement(db_, "SELECT 1 FROM keys WHERE path = ?1");
  statement.BindText(1, LookupPath(key));
  const int rc = statement.Step();
  CheckRead(rc);
  return rc == SQLITE_ROW;
}

std::vector<std::string> TSettingsDb::ListSubkeys(TRootKey root, const std::string& key) {
  return ListNames(root, "SELECT name FROM keys WHERE parent = ?1 ORDER BY path", key);
}

std::vector<std::string> TSettingsDb::ListValues(TRootKey root, const std::string& key) {
  return ListNames(root, "SELECT name FROM vals WHERE key = ?1 ORDER BY lname", key);
}

std::vector<std::string> TSettingsDb::ListNames(TRootKey root, const char* sql,
                                                const std::string& key) {
  std::lock_guard<std::recursive_mutex> lock(SettingsMutex());
  if (root != TRootKey::kCurrentUser || !Usable()) return {};
  TSqlStatement statement(db_, sql);
  statement.BindText(1, LookupPath(key));
  std::vector<std::string> names;
  int rc = SQLITE_OK;
  while ((rc = statement.Step()) == SQLITE_ROW) names.push_back(statement.Text(0));
  CheckRead(rc);
  return failed_ ? std::vector<std::string>() : names;
}

bool TSettingsDb::WriteValue(TRootKey root, const std::string& key, const std::string& name,
                             const TRegValue& value, std::string* error) {
  const std::vector<std::string> parts = KeyComponents(key);
  return RunWrite(
      root,
      [&]() {
        // Every level of the key exists before the value does.
        for (size_t level = 1; level <= parts.size(); ++level) {
          TSqlStatement add(db_,
                            "INSERT OR IGNORE INTO keys (path, parent, name) VALUES (?1, ?2, ?3)");
          add.BindText(1, LookupPath(parts, level))
              .BindText(2, LookupPath(parts, level - 1))
              .BindText(3, parts[level - 1]);
          const int rc = add.Step();
          if (!SqlSucceeded(rc)) return rc;
        }
        // An existing value keeps the spelling of its name.
        TSqlStatement set(
            db_,
            "INSERT INTO vals (key, lname, name, type, data) VALUES (?1, ?2, ?3, ?4, ?5)"
            " ON CONFLICT (key, lname) DO UPDATE SET type = excluded.type,"
            " data = excluded.data");
        set.BindText(1, LookupPath(parts, parts.size()))
            .BindText(2, LowerAscii(name))
            .BindText(3, name)
            .BindInt(4, value.type)
            .BindBlob(5, value.data);
        return set.Step();
      },
      TWrite{TWrite::Kind::kValue, key, name, value}, error);
}

bool TSettingsDb::DeleteValue(TRootKey root, const std::string& key, const std::string& name) {
  bool deleted = false;
  const bool ok = RunWrite(
      root,
      [&]() {
        TSqlStatement statement(db_, "DELETE FROM vals WHERE key = ?1 AND lname = ?2");
        statement.BindText(1, LookupPath(key)).BindText(2, LowerAscii(name));
        const int rc = statement.Step();
        deleted = sqlite3_changes(db_) > 0;
        return rc;
      },
      TWrite{TWrite::Kind::kDeleteValue, key, name, {}}, nullptr);
  return ok && deleted;
}

bool TSettingsDb::DeleteKeyTree(TRootKey root, const std::string& key) {
  const std::string path = LookupPath(key);
  if (path.empty()) return false;
  if (root != TRootKey::kCurrentUser) return true;  // other roots hold nothing
  // Values go with their keys (ON DELETE CASCADE); '\' + 1 is ']'.
  return RunWrite(
      root,
      [&]() {
        TSqlStatement statement(db_,
                                "DELETE FROM keys WHERE path = ?1"
                                " OR (path > (?1 || '\\') AND path < (?1 || ']'))");
        statement.BindText(1, path);
        return statement.Step();
      },
      TWrite{TWrite::Kind::kDeleteKey, key, {}, {}}, nullptr);
}

bool TSettingsDb::RunWrite(TRootKey root, const std::function<int()>& body, const TWrite& write,
                           std::string* error) {
  std::lock_guard<std::recursive_mutex> lock(SettingsMutex());
  std::string text;
  if (root != TRootKey::kCurrentUser) {
    text = "Cannot write the settings store " + path_ + ": " + NameFromRoot(root) +
           " holds no settings here";
  } else if (!Usable()) {
    text = failure_text_;
    Journal(write, false);
  } else if (depth_ > 0 && doomed_) {
    text = last_write_error_;
    Journal(write, false);
  } else {
    const bool own = depth_ == 0;
    int rc = own ? ExecSql(db_, "BEGIN IMMEDIATE") : SQLITE_OK;
    // Deletions never re-create a key; only values are guarded.
    if (SqlSucceeded(rc) && (write.kind != TWrite::Kind::kValue || GuardsHold(write.key))) {
      rc = body();
    }
    if (SqlSucceeded(rc) && own) rc = Commit();
    Journal(write, SqlSucceeded(rc));
    if (SqlSucceeded(rc)) return true;
    text = WriteError(rc);
    if (own) RollbackIfOpen();
  }
  // Whatever failed inside a transaction dooms the whole of it.
  if (depth_ > 0) {
    doomed_ = true;
    last_write_error_ = text;
  }
  if (error != nullptr) *error = text;
  return false;
}

void TSettingsDb::KeepWritesWhile(const std::string& key, const std::string& name,
                                  const TRegValue& value) {
  std::lock_guard<std::recursive_mutex> lock(SettingsMutex());
  guards_.push_back(TWrite{TWrite::Kind::kValue, key, name, value});
}

bool TSettingsDb::GuardsHold(const std::string& key) {
  const std::string path = LookupPath(key);
  for (const TWrite& guard : guards_) {
    const std::string guarded = LookupPath(guard.key);
    if (path != guarded && !path.starts_with(guarded + '\\')) continue;
    if (ReadValue(TRootKey::kCurrentUser, guard.key, guard.name) != guard.value) return false;
  }
  return true;
}

int TSettingsDb::Commit() {
  const int rc = ExecSql(db_, "COMMIT");
  if (SqlSucceeded(rc)) ++commits_;
  return rc;
}

int64_t TSettingsDb::commits() const {
  std::lock_guard<std::recursive_mutex> lock(SettingsMutex());
  return commits_;
}

bool TSettingsDb::BeginTransaction() {
  if (++depth_ > 1) return !doomed_;
  doomed_ = false;
  if (!Usable()) {
    last_write_error_ = failed_ ? failure_text_ : "Cannot write the settings store " + path_;
    doomed_ = true;
    transaction_refused_ = true;
    return false;
  }
  const int rc = ExecSql(db_, "BEGIN IMMEDIATE");
  if (SqlSucceeded(rc)) return true;
  last_write_error_ = WriteError(rc);
  doomed_ = true;
  transaction_refused_ = true;
  return false;
}

bool TSettingsDb::EndTransaction(bool commit, std::string* error, bool keep_refused) {
  if (!commit) doomed_ = true;
  if (--depth_ > 0) return !doomed_;
  bool ok = !doomed_;
  bool commit_failed = false;
  if (ok) {
    const int rc = Commit();
    ok = SqlSucceeded(rc);
    commit_failed = !ok;
    if (!ok) last_write_error_ = WriteError(rc);
  }
  if (!ok && db_ != nullptr) RollbackIfOpen();
  EndJournal(ok, commit_failed, keep_refused);
  if (!ok && error != nullptr) *error = last_write_error_;
  doomed_ = false;
  return ok;
}

TSettingsTransaction::TSettingsTransaction(TSettingsDb& db, bool keep_refused)
    : db_(db), lock_(SettingsMutex()), keep_refused_(keep_refused) {
  (void)db_.BeginTransaction();
}

TSettingsTransaction::~TSettingsTransaction() {
  if (open_) (void)db_.EndTransaction(false, nullptr, keep_refused_);
}

bool TSettingsTransaction::Commit(std::string* error) {
  if (!open_) return false;
  open_ = false;
  return db_.EndTransaction(true, error, keep_refused_);
}

}  // namespace qv
