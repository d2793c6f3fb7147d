#include "config/shared_ini.h"

#include "config/registry_values.h"
#include "log/logger.h"

namespace qv {

namespace {

constexpr TRootKey kUser = TRootKey::kCurrentUser;

}  // namespace

TSharedIni::TSharedIni(Platform& platform, const std::string& path, int busy_timeout_ms,
                       TStoreAccess access)
    : db_(platform, path, busy_timeout_ms, access) {}

bool TSharedIni::CheckStore(TLogger& logger) {
  std::lock_guard<std::recursive_mutex> lock(SettingsMutex());
  if (!db_.Failed()) return true;
  if (!failure_reported_) logger.LogError(db_.FailureText());
  failure_reported_ = true;
  return false;
}

void TSharedIni::ClearFailure() {
  std::lock_guard<std::recursive_mutex> lock(SettingsMutex());
  failure_reported_ = false;
  db_.ClearFailure();
}

bool TSharedIni::TryReadInteger(const std::string& key, const std::string& name, int32_t* out) {
  const std::optional<TRegValue> value = db_.ReadValue(kUser, key, name);
  return value && DecodeDword(*value, out);
}

bool TSharedIni::TryRead64(const std::string& key, const std::string& name, int64_t* out) {
  const std::optional<TRegValue> value = db_.ReadValue(kUser, key, name);
  return value && DecodeInt64(*value, out);
}

int32_t TSharedIni::ReadInteger(const std::string& key, const std::string& name,
                                int32_t default_value) {
  int32_t value = default_value;
  return TryReadInteger(key, name, &value) ? value : default_value;
}

bool TSharedIni::ReadBool(const std::string& key, const std::string& name, bool default_value) {
  return ReadInteger(key, name, default_value ? 1 : 0) != 0;
}

int64_t TSharedIni::Read64(const std::string& key, const std::string& name, int64_t default_value) {
  int64_t value = default_value;
  return TryRead64(key, name, &value) ? value : default_value;
}

int64_t TSharedIni::Read64NonNegative(const std::string& key, const std::string& name,
                                      int64_t default_value) {
  const int64_t value = Read64(key, name, default_value);
  return value < 0 ? default_value : value;
}

int64_t TSharedIni::Read64Positive(const std::string& key, const std::string& name,
                                   int64_t default_value) {
  const int64_t value = Read64(key, name, default_value);
  return value < 1 ? default_value : value;
}

std::string TSharedIni::ReadString(const std::string& key, const std::string& name,
                                   const std::string& default_value) {
  const std::optional<TRegValue> value = db_.ReadValue(kUser, key, name);
  std::string text;
  return value && DecodeString(*value, &text) ? text : default_value;
}

std::optional<TRegValue> TSharedIni::ReadRaw(const std::string& key, const std::string& name) {
  return db_.ReadValue(kUser, key, name);
}

bool TSharedIni::ValueExists(const std::string& key, const std::string& name) {
  return db_.ValueExists(kUser, key, name);
}

bool TSharedIni::KeyExists(const std::string& key) { return db_.KeyExists(kUser, key); }

std::vector<std::string> TSharedIni::ListSubkeys(const std::string& key) {
  return db_.ListSubkeys(kUser, key);
}

std::vector<std::string> TSharedIni::ListValues(const std::string& key) {
  return db_.ListValues(kUser, key);
}

bool TSharedIni::WriteInteger(const std::string& key, const std::string& name, int32_t value,
                              std::string* error) {
  return WriteRaw(key, name, DwordValue(value), error);
}

bool TSharedIni::WriteBool(const std::string& key, const std::string& name, bool value,
                           std::string* error) {
  return WriteInteger(key, name, value ? 1 : 0, error);
}

bool TSharedIni::Write64(const std::string& key, const std::string& name, int64_t value,
                         std::string* error) {
  return WriteRaw(key, name, Int64Value(value), error);
}

bool TSharedIni::WriteString(const std::string& key, const std::string& name,
                             const std::string& value, bool expand, std::string* error) {
  return WriteRaw(key, name, StringValue(value, expand), error);
}

bool TSharedIni::WriteStringOrFail(const std::string& key, const std::string& name,
                                   const std::string& value, bool expand, std::string* error) {
  std::string reason;
  if (WriteString(key, name, value, expand, &reason)) return true;
  const std::string key_text = KeyText(kUser, key);
  const std::string start = name.empty() ? "Failed to set default value for key " + key_text
                                         : "Failed to set value " + name + " of key " + key_text;
  *error = start + " to " + (value.empty() ? "empty string" : value) + ". " + reason;
  return false;
}

bool TSharedIni::WriteRaw(const std::string& key, const std::string& name, const TRegValue& value,
                          std::string* error) {
  return db_.WriteValue(kUser, key, name, value, error);
}

bool TSharedIni::DeleteValue(const std::string& key, const std::string& name) {
  return db_.DeleteValue(kUser, key, name);
}

bool TSharedIni::Unset(const std::string& key, const std::string& name) {
  std::lock_guard<std::recursive_mutex> lock(SettingsMutex());
  return db_.DeleteValue(kUser, key, name) || (!db_.Failed() && !ValueExists(key, name));
}

bool TSharedIni::DeleteKey(const std::string& key) { return db_.DeleteKeyTree(kUser, key); }

}  // namespace qv
