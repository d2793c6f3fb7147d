#include "cli/user_input.h"

#include <charconv>
#include <optional>

#include "config/registry_values.h"
#include "filesys/path_ops.h"
#include "filesys/text_format.h"

namespace qv {

namespace {

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

}  // namespace

bool ReadInteger(const std::string& text, int64_t low, int64_t high, const std::string& name,
                 int64_t* out, std::string* error) {
  const std::string trimmed = Trim(text);
  const char* begin = trimmed.data();
  const char* const end = begin + trimmed.size();
  if (begin != end && *begin == '+') ++begin;
  int64_t value = 0;
  const auto result = std::from_chars(begin, end, value);
  if (begin == end || result.ec != std::errc() || result.ptr != end || value < low ||
      value > high) {
    *error = name + " must be a whole number from " + std::to_string(low) + " to " +
             std::to_string(high) + ", not " + Quoted(text);
    return false;
  }
  *out = value;
  return true;
}

bool ReadBoolean(const std::string& text, const std::string& name, bool* out, std::string* error) {
  // ParseBool flips a default only for its own words: a word is known when
  // it flips one of the two defaults.
  const bool is_false = !ParseBool(text, true);
  const bool is_true = ParseBool(text, false);
  if (is_false == is_true) {
    *error = name + " must be true or false (yes/no, 1/0), not " + Quoted(text);
    return false;
  }
  *out = is_true;
  return true;
}

// Typed numbers take the C locale's form (NumberFormat's own), so that a
// script means the same under every locale.
bool ReadSize(const std::string& text, const std::string& name, int64_t* out, std::string* error) {
  const std::optional<int64_t> value = ParseSizeText(text, NumberFormat());
  if (!value || *value < 0 || *value > kNoLimit) {
    *error = name + " must be a size from 0 to " + SizeText(kNoLimit, 2) +
             " such as 1500, 1,500 KB, 1.5 GB or 2 MiB, not " + Quoted(text);
    return false;
  }
  *out = *value;
  return true;
}

bool ReadDuration(const std::string& text, const std::string& name, int64_t* out,
                  std::string* error) {
  const std::optional<int64_t> value = ParseDurationText(text, NumberFormat());
  if (!value || *value < 0 || *value > kNoLimit) {
    *error = name + " must be a duration such as 2 sec, 2s, 10ms, 5us or 100ns (a number " +
             "without a unit counts 100 nano sec), not " + Quoted(text);
    return false;
  }
  *out = *value;
  return true;
}

bool ReadPath(Platform& platform, const std::string& text, TPathKind kind, const std::string& name,
              TUserPath* out, std::string* error) {
  TUserPath path;
  const std::string typed = ExpandTilde(platform, Trim(text));
  if (kind == TPathKind::kDirectory) {
    path.stored = NormaliseDirectory(platform, typed, false);
  } else {
    path.stored = NormalisePath(platform, typed, false);
  }
  path.expanded = ExpandStoredPath(platform, path.stored, kind);
  const char* const what = kind == TPathKind::kDirectory ? "directory" : "file";
  if (!HasRoot(path.expanded) || IsPattern(path.expanded)) {
    *error = name + " " + Quoted(text) + " must be an absolute " + what +
             " name without wildcards after its environment references are expanded";
    return false;
  }
  if (kind == TPathKind::kFile && path.expanded.back() == kSep) {
    *error = name + " " + Quoted(text) + " names a directory, not a file";
    return false;
  }
  *out = path;
  return true;
}

std::string ExpandStoredPath(Platform& platform, const std::string& stored, TPathKind kind) {
  if (kind == TPathKind::kDirectory) return NormaliseDirectory(platform, stored, true);
  return Trim(NormalisePath(platform, stored, true));
}

}  // namespace qv
