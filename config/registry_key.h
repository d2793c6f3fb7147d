#ifndef QUORVANE_CONFIG_REGISTRY_KEY_H_
#define QUORVANE_CONFIG_REGISTRY_KEY_H_

#include <cstdint>
#include <string>
#include <vector>

namespace qv {

// Root keys of the settings tree. Only kCurrentUser holds anything here; the
// other names are understood so that stored key texts keep their meaning.
enum class TRootKey {
  kNone,  // a name that is not a root: prints as "Unknown root key"
  kClassesRoot,
  kCurrentUser,
  kLocalMachine,
  kUsers,
  kPerformanceData,
  kCurrentConfig,
  kDynData,
};

// Value types; each value keeps its type and raw bytes.
enum : uint32_t {
  kRegSz = 1,        // text bytes followed by one zero byte
  kRegExpandSz = 2,  // as kRegSz; environment references are meant to be expanded
  kRegBinary = 3,    // 64-bit numbers: exactly 8 bytes, little-endian, signed
  kRegDword = 4,     // 32-bit numbers: exactly 4 bytes, little-endian
};

struct TRegValue {
  uint32_t type = 0;
  std::string data;
  bool operator==(const TRegValue&) const = default;
};

// Root names compare ignoring ASCII case; anything else gives kNone.
TRootKey RootFromName(const std::string& name);
std::string NameFromRoot(TRootKey root);
// Root name, a "\" unless key already starts with one, and key.
std::string KeyText(TRootKey root, const std::string& key);
// Splits "HKEY_CURRENT_USER\Software\X" into its root and the key below it.
TRootKey SplitKeyText(const std::string& text, std::string* key);

// The components of a key path; empty components (leading, trailing or
// doubled "\") are dropped, so "\A\\B\" names the key A\B.
std::vector<std::string> KeyComponents(const std::string& key);

}  // namespace qv

#endif  // QUORVANE_CONFIG_REGISTRY_KEY_H_
