#ifndef QUORVANE_CLI_JSON_TEXT_H_
#define QUORVANE_CLI_JSON_TEXT_H_

#include <string>
#include <string_view>

#include "filesys/local_time.h"

namespace qv {

// text as a JSON string with its quotes. Bytes that are no valid UTF-8 become
// U+FFFD; *valid (may be null) tells whether there were none.
std::string JsonString(std::string_view text, bool* valid = nullptr);
// The bytes in base64 (RFC 4648, with padding).
std::string Base64Text(std::string_view bytes);
// "\"name\":" + JsonString(value), and where value is no UTF-8 also
// ",\"name_base64\":" with its bytes, so that a file name is never lost.
std::string JsonNameMember(const std::string& name, std::string_view value);
// The time in UTC (RFC 3339) as a JSON string; null for 0, no time known.
std::string JsonTime(FileTime time);
// "true" or "false".
const char* JsonBool(bool value);

}  // namespace qv

#endif  // QUORVANE_CLI_JSON_TEXT_H_
