#ifndef QUORVANE_CONFIG_LIST_KEYS_H_
#define QUORVANE_CONFIG_LIST_KEYS_H_

#include <cstdint>
#include <string>

namespace qv {

class TQVIniFile;

// Subkeys of the lists below the base key (filters, minimal ages, file
// mappings) are named by a number printed with five digits.
std::string NumberedKeyName(int number);

// Name for a new subkey of list_key: the number of its subkeys plus one, or,
// when a removal left that number in use, the next number that is free.
std::string NewNumberedKeyName(TQVIniFile& ini, const std::string& list_key);

// Row for an entry appended to list_key: the largest Row stored there plus
// one, or the number of subkeys when none has a Row. Entries without Row
// still sort after it.
int32_t NextRow(TQVIniFile& ini, const std::string& list_key);

// list_key + "\" + name.
std::string SubkeyPath(const std::string& list_key, const std::string& name);

}  // namespace qv

#endif  // QUORVANE_CONFIG_LIST_KEYS_H_
