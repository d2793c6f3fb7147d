#ifndef QUORVANE_CONFIG_WILDCARD_H_
#define QUORVANE_CONFIG_WILDCARD_H_

#include <string_view>

namespace qv {

// True when text matches one wildcard pattern. "*" matches any run of bytes,
// "/" included (a full-path pattern may reach into subdirectories); "?"
// matches one character: a whole UTF-8 sequence, or a single byte that does
// not start a valid one. Everything else compares exactly, byte for byte.
// Never backtracks further than the last star, so the cost stays within
// pattern length times text length whatever the pattern.
bool MatchWildcard(std::string_view pattern, std::string_view text);

// The filter rule on top of MatchWildcard: patterns holds one pattern or more
// separated by ";", each without the blanks around it (empty ones are
// skipped). text is a name or a path without a trailing "/"; is_dir tells
// whether it names a directory: a pattern ending with "/" matches directories
// only. "*.*" matches every name, also one without a dot, and so does a "*.*"
// that ends a pattern right after a "/" for everything below that directory.
bool MatchPatterns(std::string_view patterns, std::string_view text, bool is_dir = false);

}  // namespace qv

#endif  // QUORVANE_CONFIG_WILDCARD_H_
