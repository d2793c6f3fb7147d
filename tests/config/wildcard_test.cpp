#include "config/wildcard.h"

#include <string>

#include <gtest/gtest.h>

namespace qv::testing {
namespace {

TEST(WildcardTest, MatchesLikeTheFilterRulesSay) {
  const struct {
    const char* patterns;
    std::string text;
    bool is_dir;
    bool matches;
  } cases[] = {
      {"*.*", "README", false, true},  // every name, dot or not
      {"*.", "README", false, false},
      {"*.tmp", ".tmp", false, true},
      {"*.tmp", "a.tmp.bak", false, false},
      {"a*b*c", "aXbYbZc", false, true},
      {"a*b*c", "aXbYcZ", false, false},
      {"?.txt", ".txt", false, false},
      {"a?", "a", false, false},
      {"?.txt", "\xC3\xA9.txt", false, true},  // "?" is one whole character
      {"??.txt", "\xC3\xA9.txt", false, false},
      {"*??", "\xE2\x82\xAC", false, false},
      {"?.txt", "\xFF.txt", false, true},  // a byte that is not UTF-8 is one character
      {"\xFE*", "\xFF\xFE", false, false},
      {"*.TXT", "a.txt", false, false},                      // names compare exactly
      {"/data/*.tmp", "/data/sub/deep/x.tmp", false, true},  // "*" crosses "/"
      {"/data/?", "/data/ab", false, false},
      {"*.tmp ; *.bak ", "a.bak", false, true},  // lists, blanks around each ignored
      {"*.tmp;*.bak", "a.txt", false, false},
      {";;*.bak;", "a.bak", false, true},
      {";", "", false, false},
      {"Cache/", "Cache", true, true},  // a trailing "/" names directories only
      {"Cache/", "Cache", false, false},
      {"/data/Ca*/", "/data/Cache", true, true},
      {"Cache", "Cache", true, true},
      {"/data/Temp/*.*", "/data/Temp/sub/README", false, true},  // everything below
      {"/data/Temp/*.*", "/data/Tempo/README", false, false},
      {"/data/Temp*.*", "/data/TempREADME", false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MatchPatterns(c.patterns, c.text, c.is_dir), c.matches)
        << c.patterns << " on " << c.text << (c.is_dir ? "/" : "");
  }
}

TEST(WildcardTest, PathologicalPatternsAnswerWithoutBacktrackingForever) {
  const std::string name(4096, 'a');
  EXPECT_FALSE(MatchWildcard("*a*a*a*a*a*b", name));
  EXPECT_TRUE(MatchWildcard("*a*a*a*a*a*b", name + "b"));
  std::string stars;
  for (int i = 0; i < 30; ++i) stars += "*a";
  const std::string long_name(64 * 1024, 'a');
  EXPECT_FALSE(MatchWildcard(stars + "*b", long_name));
  EXPECT_TRUE(MatchWildcard(stars + "*", long_name));
  EXPECT_FALSE(MatchWildcard(stars + "*", std::string(29, 'a')));
}

}  // namespace
}  // namespace qv::testing
