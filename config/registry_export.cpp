#include "config/registry_export.h"

#include <cerrno>
#include <cstdio>
#include <mutex>

#include "config/registry_values.h"
#include "config/settings_db.h"
#include "filesys/platform.h"

namespace qv {

namespace {

std::string Quote(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\\' || c == '"') {
      out += '\\';
      out += c;
    } else if (byte < 0x20 || byte == 0x7f) {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02x", byte);
      out += hex;
    } else {
      out += c;
    }
  }
  return out + '"';
}

std::string HexBytes(const std::string& data) {
  std::string out;
  for (size_t i = 0; i < data.size(); ++i) {
    char hex[4];
    std::snprintf(hex, sizeof hex, "%s%02x", i == 0 ? "" : ",",
                  static_cast<unsigned char>(data[i]));
    out += hex;
  }
  return out;
}

bool IsPlainString(const TRegValue& value) {
  return (value.type == kRegSz || value.type == kRegExpandSz) && !value.data.empty() &&
         value.data.find('\0') == value.data.size() - 1;
}

std::string ValueText(const TRegValue& value) {
  if (IsPlainString(value)) {
    const std::string text = Quote(value.data.substr(0, value.data.size() - 1));
    return value.type == kRegExpandSz ? "expand:" + text : text;
  }
  int32_t number = 0;
  if (DecodeDword(value, &number)) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "dword:%08x", static_cast<uint32_t>(number));
    return hex;
  }
  if (value.type == kRegBinary) return "hex:" + HexBytes(value.data);
  return "hex(" + std::to_string(value.type) + "):" + HexBytes(value.data);
}

void AppendKey(TSettingsDb& db, TRootKey root, const std::string& key, const std::string& shown,
               std::string* out) {
  *out += "\n[" + shown + "]\n";
  for (const std::string& name : db.ListValues(root, key)) {
    const std::optional<TRegValue> value = db.ReadValue(root, key, name);
    if (value) *out += (name.empty() ? "@" : Quote(name)) + "=" + ValueText(*value) + "\n";
  }
  for (const std::string& sub : db.ListSubkeys(root, key)) {
    AppendKey(db, root, key + "\\" + sub, shown + "\\" + sub, out);
  }
}

}  // namespace

int SaveKeyToFile(TSettingsDb& db, const std::string& key_text, const std::string& file) {
  std::string key;
  const TRootKey root = SplitKeyText(key_text, &key);
  if (root == TRootKey::kNone) return EINVAL;
  std::string text = "Quorvane settings export 1\n";
  {
    std::lock_guard<std::recursive_mutex> lock(SettingsMutex());
    if (db.Failed()) return EIO;
    if (!db.KeyExists(root, key)) return db.Failed() ? EIO : ENOENT;
    std::string shown = NameFromRoot(root);
    for (const std::string& part : KeyComponents(key)) shown += "\\" + part;
    AppendKey(db, root, key, shown, &text);
    if (db.Failed()) return EIO;
  }
  FileInfo info;
  if (db.platform().Stat(file, &info).ok()) return EEXIST;
  return db.platform().WriteFile(file, text).code();
}

}  // namespace qv
