#include "config/wildcard.h"

#include <cstddef>

namespace qv {

namespace {

constexpr std::string_view kEveryName = "*.*";

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Length of the character at text[at]: a valid UTF-8 sequence as a whole,
// anything else one byte. Both sides are cut the same way, so a star never
// stops inside a character and "?" never takes half of one.
size_t CharLength(std::string_view text, size_t at) {
  const auto lead = static_cast<unsigned char>(text[at]);
  size_t length = 1;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
  }
  if (at + length > text.size()) return 1;
  for (size_t i = 1; i < length; ++i) {
    if (!IsContinuation(static_cast<unsigned char>(text[at + i]))) return 1;
  }
  return length;
}

// Matches the character at pattern[*p] (not a star) against the one at
// text[*t] and steps both past them on success.
bool MatchChar(std::string_view pattern, size_t* p, std::string_view text, size_t* t) {
  // Plain ASCII, the usual case, needs no decoding: an ASCII byte never
  // equals part of a longer character.
  if (static_cast<unsigned char>(text[*t]) < 0x80) {
    if (pattern[*p] != text[*t] && pattern[*p] != '?') return false;
    ++*p;
    ++*t;
    return true;
  }
  const size_t t_length = CharLength(text, *t);
  const size_t p_length = pattern[*p] == '?' ? 0 : CharLength(pattern, *p);
  if (p_length != 0 &&
      (p_length != t_length || pattern.substr(*p, p_length) != text.substr(*t, t_length))) {
    return false;
  }
  *p += p_length == 0 ? 1 : p_length;
  *t += t_length;
  return true;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool MatchOne(std::string_view pattern, std::string_view text, bool is_dir) {
  if (pattern.ends_with('/')) {
    if (!is_dir) return false;
    pattern.remove_suffix(1);
  }
  if (pattern == kEveryName) return true;
  const bool every_name_below = pattern.size() > kEveryName.size() &&
                                pattern.ends_with(kEveryName) &&
                                pattern[pattern.size() - kEveryName.size() - 1] == '/';
  // "dir/*.*" reads as "dir/*": every name in dir, with or without a dot.
  if (every_name_below) pattern.remove_suffix(2);
  return MatchWildcard(pattern, text);
}

}  // namespace

bool MatchWildcard(std::string_view pattern, std::string_view text) {
  constexpr size_t kNoStar = std::string_view::npos;
  size_t p = 0;
  size_t t = 0;
  size_t star_p = kNoStar;  // pattern index just after the last star seen
  size_t star_t = 0;        // where the text stood when that star was taken
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star_p = ++p;
      star_t = t;
      continue;
    }
    if (p < pattern.size() && MatchChar(pattern, &p, text, &t)) continue;
    if (star_p == kNoStar) return false;
    // The last star takes one more character and the rest is tried again.
    star_t += CharLength(text, star_t);
    t = star_t;
    p = star_p;
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

bool MatchPatterns(std::string_view patterns, std::string_view text, bool is_dir) {
  while (true) {
    const size_t end = patterns.find(';');
    const std::string_view one = TrimBlanks(patterns.substr(0, end));
    if (!one.empty() && MatchOne(one, text, is_dir)) return true;
    if (end == std::string_view::npos) return false;
    patterns.remove_prefix(end + 1);
  }
}

}  // namespace qv
