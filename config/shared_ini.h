#ifndef QUORVANE_CONFIG_SHARED_INI_H_
#define QUORVANE_CONFIG_SHARED_INI_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "config/settings_db.h"

namespace qv {

class TLogger;

// The settings of the current user (HKEY_CURRENT_USER of the store): reads
// with defaults and writes of single values, each under SettingsMutex().
// Keys are full paths below the root ("Software\KZ\Quorvane\..."); the
// unnamed value of a key has the name "".
//
// Reads never fail: a value that is missing, of another type or size, or
// unreadable because the store failed gives the default. Writes answer false
// on failure and, when error is given, say why.
//
// One instance per process, passed to whoever needs it. Threads: any.
class TSharedIni {
 public:
  TSharedIni(Platform& platform, const std::string& path,
             int busy_timeout_ms = kDefaultBusyTimeoutMs,
             TStoreAccess access = TStoreAccess::kFile);

  Platform& platform() const { return db_.platform(); }
  TSettingsDb& db() { return db_; }
  bool Failed() const { return db_.Failed(); }
  std::string FailureText() const { return db_.FailureText(); }
  // True while the store is usable. The first time it finds the store failed
  // it logs FailureText() as an error; later calls stay silent.
  bool CheckStore(TLogger& logger);
  void ClearFailure();

  // Groups several accesses under the lock; see TSettingsLock.
  void Enter() { SettingsMutex().lock(); }
  void Leave() { SettingsMutex().unlock(); }

  // A DWORD of 4 bytes.
  bool TryReadInteger(const std::string& key, const std::string& name, int32_t* out);
  // 8 bytes inside +-kNoLimit.
  bool TryRead64(const std::string& key, const std::string& name, int64_t* out);
  int32_t ReadInteger(const std::string& key, const std::string& name, int32_t default_value);
  bool ReadBool(const std::string& key, const std::string& name, bool default_value);
  int64_t Read64(const std::string& key, const std::string& name, int64_t default_value);
  // As Read64, and a negative value also gives the default.
  int64_t Read64NonNegative(const std::string& key, const std::string& name, int64_t default_value);
  // As Read64, and a value below 1 also gives the default.
  int64_t Read64Positive(const std::string& key, const std::string& name, int64_t default_value);
  std::string ReadString(const std::string& key, const std::string& name,
                         const std::string& default_value = std::string());
  std::optional<TRegValue> ReadRaw(const std::string& key, const std::string& name);
  bool ValueExists(const std::string& key, const std::string& name);
  bool KeyExists(const std::string& key);
  std::vector<std::string> ListSubkeys(const std::string& key);
  std::vector<std::string> ListValues(const std::string& key);

  bool WriteInteger(const std::string& key, const std::string& name, int32_t value,
                    std::string* error = nullptr);
  bool WriteBool(const std::string& key, const std::string& name, bool value,
                 std::string* error = nullptr);
  bool Write64(const std::string& key, const std::string& name, int64_t value,
               std::string* error = nullptr);
  bool WriteString(const std::string& key, const std::string& name, const std::string& value,
                   bool expand = false, std::string* error = nullptr);
  // As WriteString; on failure *error reads "Failed to set value <name> of
  // key <key text> to <value>. <reason>" ("Failed to set default value for
  // key <key text>" for the unnamed value, "empty string" for an empty value).
  bool WriteStringOrFail(const std::string& key, const std::string& name, const std::string& value,
                         bool expand, std::string* error);
  bool WriteRaw(const std::string& key, const std::string& name, const TRegValue& value,
                std::string* error = nullptr);
  // True when the value was there and is deleted.
  bool DeleteValue(const std::string& key, const std::string& name);
  // True when the value is absent afterwards (deleted, or never there).
  bool Unset(const std::string& key, const std::string& name);
  // Deletes the key with its subkeys; true when it is gone afterwards.
  bool DeleteKey(const std::string& key);

 private:
  TSettingsDb db_;
  bool failure_reported_ = false;  // guarded by SettingsMutex()
};

// Holds the settings lock for a group of accesses (a list load).
class TSettingsLock {
 public:
  explicit TSettingsLock(TSharedIni& ini) : ini_(ini) { ini_.Enter(); }
  ~TSettingsLock() { ini_.Leave(); }
  TSettingsLock(const TSettingsLock&) = delete;
  TSettingsLock& operator=(const TSettingsLock&) = delete;

 private:
  TSharedIni& ini_;
};

}  // namespace qv

#endif  // QUORVANE_CONFIG_SHARED_INI_H_
