#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "config/mappings.h"
#include "tests/config/config_test_util.h"

namespace qv::testing {
namespace {

class MappingsLookupTest : public StoreTest {
 protected:
  MappingsLookupTest() : mappings_(ini()) { platform_.env["QVROOT"] = "/data"; }

  void Add(TMappings& list, const std::string& source, const std::string& destination,
           bool enabled) {
    auto mapping = std::make_unique<TMapping>(ini(), destination);
    mapping->SetSource(source);
    mapping->mutable_settings().enabled = enabled;
    list.Add(destination, std::move(mapping));
  }

  TMappings mappings_;
};

TEST_F(MappingsLookupTest, FindPicksTheLongestPrefixWithTheOptions) {
  Add(mappings_, "/data/", "/m/a/", true);           // 0
  Add(mappings_, "/data/sub/", "/m/b/", false);      // 1, disabled
  Add(mappings_, "/other/", "/m/c/", true);          // 2
  Add(mappings_, "/data/sub/deep/", "/m/d/", true);  // 3
  mappings_.Add("/m/e/", nullptr);                   // 4, no mapping: enabled, no source
  struct Case {
    const char* path;
    int options;
    int by_source;
    int by_destination;
  } const cases[] = {
      {"/data/x/file.txt", 0, 0, -1},
      {"/data/sub/x", 0, 0, -1},
      {"/data/sub/x", kFindDisabled, 1, -1},
      {"/data/sub/x", kFindDisabled | kFindPreferEnabled, 0, -1},
      {"/data/sub/deep/x", kFindDisabled, 3, -1},
      {"/data", 0, 0, -1},
      {" ${QVROOT}/x", 0, 0, -1},
      {"/Data/x", 0, -1, -1},
      {"/dat", 0, -1, -1},
      {"/nowhere/", kFindDisabled, -1, -1},
      {"/m/a/x", 0, -1, 0},
      {"/m/b/x", 0, -1, -1},
      {"/m/b/x", kFindDisabled, -1, 1},
      {"/m/e/x", 0, -1, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.path) + " options " + std::to_string(c.options));
    EXPECT_EQ(mappings_.FindBySource(c.path, c.options), c.by_source);
    EXPECT_EQ(mappings_.FindByDestination(c.path, c.options), c.by_destination);
  }
}

TEST_F(MappingsLookupTest, PreferEnabledBeatsALongerDisabledMappingFoundFirst) {
  Add(mappings_, "/data/sub/", "/m/b/", false);
  Add(mappings_, "/data/", "/m/a/", true);
  EXPECT_EQ(mappings_.FindBySource("/data/sub/x", kFindDisabled), 0);
  EXPECT_EQ(mappings_.FindBySource("/data/sub/x", kFindDisabled | kFindPreferEnabled), 1);
}

TEST_F(MappingsLookupTest, TranslatesPathsAndPatternsBetweenSourceAndDestination) {
  Add(mappings_, "/data/", "/m/a/", true);
  Add(mappings_, "/data/sub/", "/m/b/", false);
  struct Case {
    const char* path;
    int options;
    bool to_source;
    const char* expected;
  } const cases[] = {
      {"/data/x/y.txt", 0, false, "/m/a/x/y.txt"},
      {"/data/sub/x", 0, false, "/m/a/sub/x"},
      {"/data/sub/x", kFindDisabled, false, "/m/b/x"},
      {"${QVROOT}/z", 0, false, "/m/a/z"},
      {"/data", 0, false, "/m/a/"},
      {"/nowhere/x", 0, false, ""},
      {"/data/*.tmp", kFindPatterns, false, "/m/a/*.tmp"},
      {"*.tmp", kFindPatterns, false, "*.tmp"},
      {"Temp/*.tmp", kFindPatterns, true, "Temp/*.tmp"},
      {"*.tmp", 0, false, ""},
      {"/m/a/x/y", 0, true, "/data/x/y"},
      {"/m/a", 0, true, "/data/"},
      {"/m/b/x", 0, true, ""},
      {"/m/b/x", kFindDisabled, true, "/data/sub/x"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    const std::string result = c.to_source ? mappings_.DestinationToSource(c.path, "", c.options)
                                           : mappings_.SourceToDestination(c.path, "", c.options);
    EXPECT_EQ(result, c.expected);
  }
}

TEST_F(MappingsLookupTest, AskToExcludeOffersSourcesThenDestinationsThenTheOtherList) {
  Add(mappings_, "/data/", "/m/a/", false);
  TMappings other(ini());
  Add(other, "/home/", "/m/h/", true);
  struct Case {
    const char* path;
    bool use_other;
    bool answer;
    int expected;
    const char* shown;
  } const cases[] = {
      {"/data/x", false, true, 1, "Add /data/x to excluded sources?"},
      {"/data/x", false, false, 0, "Add /data/x to excluded sources?"},
      {"/m/a/x", false, true, 2, "Add /m/a/x to excluded destinations?"},
      {"/home/u", true, true, 1, "Add /home/u to excluded sources?"},
      {"/m/h/u", true, true, 2, "Add /m/h/u to excluded destinations?"},
      {"/home/u", false, true, 0, "/home/u is not part of a mirror"},
      {"/tmp/x", true, true, 0, "/tmp/x is not part of a mirror"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    std::vector<std::string> shown;
    const int result = mappings_.AskToExclude(
        c.path, c.use_other ? &other : nullptr,
        [&](const std::string& question) {
          shown.push_back(question);
          return c.answer;
        },
        [&](const std::string& text) { shown.push_back(text); });
    EXPECT_EQ(result, c.expected);
    EXPECT_EQ(shown, std::vector<std::string>{c.shown});
  }
}

}  // namespace
}  // namespace qv::testing
