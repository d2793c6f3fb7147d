#include "config/registry_key.h"

#include <array>
#include <utility>

#include "filesys/text_format.h"

namespace qv {

namespace {

constexpr std::array<std::pair<TRootKey, const char*>, 7> kRootNames = {{
    {TRootKey::kClassesRoot, "HKEY_CLASSES_ROOT"},
    {TRootKey::kCurrentUser, "HKEY_CURRENT_USER"},
    {TRootKey::kLocalMachine, "HKEY_LOCAL_MACHINE"},
    {TRootKey::kUsers, "HKEY_USERS"},
    {TRootKey::kPerformanceData, "HKEY_PERFORMANCE_DATA"},
    {TRootKey::kCurrentConfig, "HKEY_CURRENT_CONFIG"},
    {TRootKey::kDynData, "HKEY_DYN_DATA"},
}};

}  // namespace

TRootKey RootFromName(const std::string& name) {
  const std::string lower = LowerAscii(name);
  for (const auto& [root, text] : kRootNames) {
    if (lower == LowerAscii(text)) return root;
  }
  return TRootKey::kNone;
}

std::string NameFromRoot(TRootKey root) {
  for (const auto& [known, text] : kRootNames) {
    if (known == root) return text;
  }
  return "Unknown root key";
}

std::string KeyText(TRootKey root, const std::string& key) {
  std::string text = NameFromRoot(root);
  if (key.empty() || key[0] != '\\') text += '\\';
  return text + key;
}

TRootKey SplitKeyText(const std::string& text, std::string* key) {
  const size_t sep = text.find('\\');
  *key = sep == std::string::npos ? std::string() : text.substr(sep + 1);
  return RootFromName(text.substr(0, sep));
}

std::vector<std::string> KeyComponents(const std::string& key) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= key.size()) {
    size_t end = key.find('\\', start);
    if (end == std::string::npos) end = key.size();
    if (end > start) parts.push_back(key.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

}  // namespace qv
