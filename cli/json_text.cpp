#include "cli/json_text.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "versions/civil_time.h"

namespace qv {

namespace {

// Length of the valid UTF-8 sequence at the start of text, 0 when none is.
size_t SequenceLength(std::string_view text) {
  const auto byte = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
  const uint8_t lead = byte(0);
  if (lead < 0x80) return 1;
  size_t length = 0;
  uint32_t code = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, code = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, code = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, code = lead & 0x07;
  } else {
    return 0;
  }
  if (text.size() < length) return 0;
  for (size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
    code = code << 6 | (byte(i) & 0x3F);
  }
  // Overlong forms, surrogates and code points past U+10FFFF.
  const uint32_t lowest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (code < lowest[length] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) return 0;
  return length;
}

}  // namespace

std::string JsonString(std::string_view text, bool* valid) {
  std::string out = "\"";
  bool all_valid = true;
  for (size_t at = 0; at < text.size();) {
    const size_t length = SequenceLength(text.substr(at));
    if (length == 0) {
      out += "\xEF\xBF\xBD";
      all_valid = false;
      ++at;
      continue;
    }
    const char c = text[at];
    if (c == '"' || c == '\\') {
      out += '\\', out += c;
    } else if (static_cast<uint8_t>(c) < 0x20 || c == 0x7F) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
      out += escape;
    } else {
      out.append(text.substr(at, length));
    }
    at += length;
  }
  if (valid != nullptr) *valid = all_valid;
  return out + "\"";
}

std::string Base64Text(std::string_view bytes) {
  static constexpr char kDigits[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (size_t at = 0; at < bytes.size(); at += 3) {
    const size_t count = std::min<size_t>(3, bytes.size() - at);
    uint32_t group = 0;
    for (size_t i = 0; i < 3; ++i) {
      group = group << 8 | (i < count ? static_cast<uint8_t>(bytes[at + i]) : 0);
    }
    for (size_t i = 0; i < 4; ++i) {
      out += i <= count ? kDigits[(group >> (18 - 6 * i)) & 0x3F] : '=';
    }
  }
  return out;
}

std::string JsonNameMember(const std::string& name, std::string_view value) {
  bool valid = true;
  std::string member = "\"" + name + "\":" + JsonString(value, &valid);
  if (!valid) member += ",\"" + name + "_base64\":\"" + Base64Text(value) + "\"";
  return member;
}

std::string JsonTime(FileTime time) { return time == 0 ? "null" : "\"" + Rfc3339Text(time) + "\""; }

const char* JsonBool(bool value) { return value ? "true" : "false"; }

}  // namespace qv
