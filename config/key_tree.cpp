#include "config/key_tree.h"

#include <algorithm>

#include "config/qv_ini_file.h"
#include "filesys/text_format.h"

namespace qv {

namespace {

void ReadBelow(TQVIniFile& ini, const std::string& key, const std::string& subkey,
               std::vector<TTreeValue>* tree) {
  const std::string at = key + subkey;
  for (const std::string& name : ini.ListValues(at)) {
    if (std::optional<TRegValue> value = ini.ReadRaw(at, name)) {
      tree->push_back(TTreeValue{subkey, name, std::move(*value)});
    }
  }
  for (const std::string& child : ini.ListSubkeys(at))
    ReadBelow(ini, key, subkey + "\\" + child, tree);
}

constexpr const char* kCounterNames[] = {"NumberOfFiles", "NumberOfDirs", "Size", "CompressedSize"};

bool IsDestinationState(const TTreeValue& value) {
  const std::string subkey = LowerAscii(value.subkey);
  const std::string name = LowerAscii(value.name);
  if (subkey.empty()) {
    for (const char* own : {"destvolume", "destroot", "masschangehold", "completescanfiles"}) {
      if (name == own) return true;
    }
    return false;
  }
  if (subkey == "\\destination\\archive" && name == "lasttimeslot") return true;
  if (subkey != "\\destination" && !subkey.starts_with("\\destination\\archive")) return false;
  return std::any_of(std::begin(kCounterNames), std::end(kCounterNames),
                     [&](const char* counter) { return name == LowerAscii(counter); });
}

}  // namespace

std::vector<TTreeValue> ReadKeyTree(TQVIniFile& ini, const std::string& key) {
  TSettingsLock lock(ini);
  std::vector<TTreeValue> tree;
  ReadBelow(ini, key, "", &tree);
  return tree;
}

bool WriteKeyTree(TQVIniFile& ini, const std::string& key, const std::vector<TTreeValue>& tree,
                  std::string* error) {
  for (const TTreeValue& value : tree) {
    if (!ini.WriteRaw(key + value.subkey, value.name, value.value, error)) return false;
  }
  return true;
}

void DropDestinationState(std::vector<TTreeValue>* tree) {
  std::erase_if(*tree, IsDestinationState);
}

}  // namespace qv
