#ifndef QUORVANE_CONFIG_SETTINGS_DB_H_
#define QUORVANE_CONFIG_SETTINGS_DB_H_

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "config/registry_key.h"

struct sqlite3;

namespace qv {

class Platform;

inline constexpr int kDefaultBusyTimeoutMs = 3000;

// How a store reaches its file: read and written there, or copied once, read
// only, into memory, where whatever is written stays (a scan plan's store).
enum class TStoreAccess { kFile, kMemoryCopy };

// The one re-entrant lock of the process around every access to the
// settings. List loads hold it while the single reads inside take it again.
// Never hold it while a question is shown to the user.
std::recursive_mutex& SettingsMutex();

// The key tree of the settings in one SQLite file. Key paths use "\" and
// compare ignoring ASCII case; each key keeps the spelling it was created
// with for listing. Values keep their type and raw bytes. Only
// HKEY_CURRENT_USER holds keys: other roots read as empty and refuse writes.
//
// Nothing is cached: every read asks the file, so changes committed by
// another process (or connection) are seen at once. Writes run in
// BEGIN IMMEDIATE transactions with the rollback journal; a lock held by
// another process is waited for up to the busy timeout.
//
// Fails closed: a file that exists but cannot be opened or read (locked past
// the busy timeout, damaged, not a settings store) is never changed. The first
// such failure is kept (Failed(), FailureText() names the file); from then on
// reads answer "nothing stored" and writes answer false without touching the
// file, until ClearFailure(). A failed write that leaves the file readable
// (lock, disk full) answers false without making the store failed. A missing
// or empty file is a fresh, empty store; missing parent directories are made.
//
// Threads: every method may be called from any thread; all take SettingsMutex().
class TSettingsDb {
 public:
  TSettingsDb(Platform& platform, std::string path, int busy_timeout_ms = kDefaultBusyTimeoutMs,
              TStoreAccess access = TStoreAccess::kFile);
  ~TSettingsDb();
  TSettingsDb(const TSettingsDb&) = delete;
  TSettingsDb& operator=(const TSettingsDb&) = delete;

  Platform& platform() const { return platform_; }
  const std::string& path() const { return path_; }

  bool Failed() const;
  // "Cannot read the settings store <path>: <reason>"; empty while healthy.
  std::string FailureText() const;
  // Forgets a failure; a store that could not be opened is opened again.
  void ClearFailure();

  std::optional<TRegValue> ReadValue(TRootKey root, const std::string& key,
                                     const std::string& name);
  bool ValueExists(TRootKey root, const std::string& key, const std::string& name);
  bool KeyExists(TRootKey root, const std::string& key);
  // Names as created, ordered ignoring case; empty for a missing key.
  std::vector<std::string> ListSubkeys(TRootKey root, const std::string& key);
  std::vector<std::string> ListValues(TRootKey root, const std::string& key);

  // Creates the key and its parents as needed. On failure *error (when
  // given) receives "Cannot write the settings store <path>: <reason>".
  bool WriteValue(TRootKey root, const std::string& key, const std::string& name,
                  const TRegValue& value, std::string* error = nullptr);
  // True when the value was there and is deleted.
  bool DeleteValue(TRootKey root, const std::string& key, const std::string& name);
  // Deletes the key with all its subkeys and values; true when the key is
  // gone afterwards (also when it never existed). The root itself is never
  // deleted.
  bool DeleteKeyTree(TRootKey root, const std::string& key);

  // From now on a value written at or below key is stored only while key's
  // value name holds value. The check runs inside the write's transaction:
  // another connection's deletion of key either came first and the write is
  // dropped, or comes later and takes the write with it. A dropped write
  // answers true (nothing is left to keep it for) and is never tried again.
  // A scan guards each mapping's key so that what it stores at a mirror's end
  // never re-creates the key of a mapping removed meanwhile.
  void KeepWritesWhile(const std::string& key, const std::string& name, const TRegValue& value);

  // Writes the store refused (disk full, a read-only file, a lock held past
  // the busy timeout; every write of a transaction that failed after such a
  // refusal) are kept to be tried again, until a later write of the same
  // value succeeds. refusals() counts them since the store was opened: a
  // caller compares two counts to learn whether its own writes were refused.
  int64_t refusals() const;
  // Tries every write still refused once more, in the order they were made,
  // in one transaction. True when none is left; otherwise *error (when
  // given) says why.
  bool RetryRefusedWrites(std::string* error = nullptr);

  // Transactions committed through this store since it was opened: each may
  // cost the disk a few synchronous flushes, so a scan groups its writes.
  int64_t commits() const;

 private:
  friend class TSettingsTransaction;

  // One write, as it can be made again.
  struct TWrite {
    enum class Kind { kValue, kDeleteValue, kDeleteKey };
    Kind kind;
    std::string key;
    std::string name;
    TRegValue value;
  };

  void Open();
  // The memory copy of an existing file; false after Fail.
  bool OpenCopy(bool fresh);
  bool PrepareFreshFile();
  bool CheckSchema();
  bool CreateSchema();
  bool Usable() const;
  std::vector<std::string> ListNames(TRootKey root, const char* sql, const std::string& key);
  void Fail(const std::string& what, const std::string& reason);
  // Sticky failure for a read that did not succeed; rc SQLITE_DONE is success.
  void CheckRead(int rc);
  std::string WriteError(int rc);
  // Runs body (which answers a result code) inside a write transaction of its
  // own, or inside the open TSettingsTransaction.
  bool RunWrite(TRootKey root, const std::function<int()>& body, const TWrite& write,
                std::string* error);
  bool BeginTransaction();
  int Commit();  // counted in commits_ when it succeeds
  bool EndTransaction(bool commit, std::string* error, bool keep_refused);
  void RollbackIfOpen();

  // False when a guard of KeepWritesWhile over key does not hold now.
  bool GuardsHold(const std::string& key);

  // The journal of refused writes (settings_db_journal.cpp).
  void Journal(const TWrite& write, bool written);
  void EndJournal(bool committed, bool commit_failed, bool keep_refused);
  void Refuse(const TWrite& write);
  void Supersede(const TWrite& write);
  void Replay(const TWrite& write);

  Platform& platform_;
  const std::string path_;
  const int busy_timeout_ms_;
  const TStoreAccess access_;
  sqlite3* db_ = nullptr;
  bool failed_ = false;
  std::string failure_text_;
  std::string last_write_error_;
  int depth_ = 0;        // nesting of TSettingsTransaction
  bool doomed_ = false;  // the open transaction will be rolled back
  std::vector<TWrite> refused_;
  std::vector<TWrite> guards_;              // key, name and the value it must hold
  std::vector<TWrite> transaction_writes_;  // of the open transaction
  bool transaction_refused_ = false;        // the store refused one of them
  int64_t refusals_ = 0;
  int64_t commits_ = 0;
};

// Groups writes into one transaction (a list save) and holds SettingsMutex()
// throughout. After the first failed write inside, later writes answer false
// at once and Commit() rolls everything back. Nested transactions join the
// outer one. Destroying an uncommitted transaction rolls it back.
class TSettingsTransaction {
 public:
  // Without keep_refused a failed transaction leaves none of its writes to
  // be tried again: a save the user is told failed, and repeats, must not be
  // made later behind the user's back from what is out of date by then.
  explicit TSettingsTransaction(TSettingsDb& db, bool keep_refused = true);
  ~TSettingsTransaction();
  TSettingsTransaction(const TSettingsTransaction&) = delete;
  TSettingsTransaction& operator=(const TSettingsTransaction&) = delete;

  // True when every write inside succeeded and the changes are committed.
  bool Commit(std::string* error = nullptr);

 private:
  TSettingsDb& db_;
  std::lock_guard<std::recursive_mutex> lock_;
  const bool keep_refused_;
  bool open_ = true;
};

}  // namespace qv

#endif  // QUORVANE_CONFIG_SETTINGS_DB_H_
