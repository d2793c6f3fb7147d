#ifndef QUORVANE_CONFIG_REGISTRY_EXPORT_H_
#define QUORVANE_CONFIG_REGISTRY_EXPORT_H_

#include <string>

namespace qv {

class TSettingsDb;

// Saves the key named by key_text ("HKEY_CURRENT_USER\Software\...") with all
// its subkeys to a new text file. Answers 0 on success, else an errno code:
// EINVAL for an unknown root name, ENOENT for a missing key, EEXIST when the
// file exists (it is never overwritten), EIO when the store failed, or the
// code of the failed write. Nothing is written unless the whole tree was read.
//
// The file is UTF-8 text: a first line "Quorvane settings export 1", then one
// section per key, parents before children, subkeys and values ordered
// ignoring case, each section preceded by an empty line:
//   [HKEY_CURRENT_USER\Software\KZ\Quorvane]
//   @="unnamed value"
//   "Text"="a string"
//   "Path"=expand:"%HOME%/x"
//   "Count"=dword:0000002a
//   "Size"=hex:00,10,00,00,00,00,00,00
//   "Odd"=hex(4):01,02
// Inside quotes "\" and a double quote are escaped with "\", control
// characters are written as \xNN. A string or number value that does not
// have its type's shape is written as hex(type) bytes.
int SaveKeyToFile(TSettingsDb& db, const std::string& key_text, const std::string& file);

}  // namespace qv

#endif  // QUORVANE_CONFIG_REGISTRY_EXPORT_H_
