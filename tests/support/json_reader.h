#ifndef QUORVANE_TESTS_SUPPORT_JSON_READER_H_
#define QUORVANE_TESTS_SUPPORT_JSON_READER_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qv::testing {

// A JSON document read back strictly (RFC 8259), so that tests see what a
// script's parser would: a document with trailing text, a bad escape, a raw
// control character or invalid UTF-8 in a string is refused.
struct TJson {
  enum class Kind { kNull, kBool, kNumber, kString, kArray, kObject };
  Kind kind = Kind::kNull;
  bool boolean = false;
  std::string text;  // a string's UTF-8, or a number as written
  std::vector<TJson> items;
  std::vector<std::pair<std::string, TJson>> members;

  bool is_null() const { return kind == Kind::kNull; }
  int64_t Int() const { return kind == Kind::kNumber ? std::stoll(text) : -1; }
  // A missing member or item reads as null.
  const TJson& operator[](std::string_view name) const;
  const TJson& operator[](size_t index) const;
};

std::optional<TJson> ReadJson(std::string_view document);
// The bytes of base64 text (RFC 4648, padded); nullopt for anything else.
std::optional<std::string> DecodeBase64(std::string_view text);

}  // namespace qv::testing

#endif  // QUORVANE_TESTS_SUPPORT_JSON_READER_H_
