#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "config/mappings.h"
#include "tests/config/config_test_util.h"
#include "tests/support/recording_logger.h"
#include "tests/support/temp_dir.h"

namespace qv::testing {
namespace {

constexpr char kNotNormal[] =
    " should be a fully qualified directory name without wildcards and ending on a backslash "
    "(\\). Skipped this mapping.";
constexpr char kNoMappings[] =
    "No mappings found. Use the configuration dialog to create a mirror.";

struct Stored {
  std::string destination;
  std::string source;
  int row;  // -1: none stored
};

struct LoadCase {
  const char* what;
  std::vector<Stored> stored;
  std::vector<std::string> destinations;  // accepted, in order
  std::vector<std::string> sources;       // of the accepted ones
  std::vector<std::string> lines;
  std::vector<std::string> overlaps;
};

// "$T/" in the texts stands for the temporary directory.
class MappingsLoadTest : public StoreTest {
 protected:
  MappingsLoadTest() {
    MakeDirs(dir_ / "data/sub");
    platform_.env["QVDATA"] = dir_ / "data";
  }
  std::string Fill(std::string text) const {
    for (size_t at; (at = text.find("$T/")) != std::string::npos;) text.replace(at, 3, dir_.path());
    return text;
  }
  std::vector<std::string> Fill(const std::vector<std::string>& texts) const {
    std::vector<std::string> filled;
    for (const std::string& text : texts) filled.push_back(Fill(text));
    return filled;
  }
};

TEST_F(MappingsLoadTest, ChecksEachMappingAgainstThoseAcceptedBefore) {
  const LoadCase cases[] = {
      {"no trailing slash",
       {{"/m/a", "$T/data/", 1}},
       {},
       {},
       {std::string("Error: The destination /m/a") + kNotNormal, kNoMappings},
       {}},
      {"blank after the slash",
       {{"/m/a/ ", "$T/data/", 1}},
       {},
       {},
       {std::string("Error: The destination /m/a/ ") + kNotNormal, kNoMappings},
       {}},
      {"relative destination",
       {{"m/a/", "$T/data/", 1}},
       {},
       {},
       {std::string("Error: The destination m/a/") + kNotNormal, kNoMappings},
       {}},
      {"wildcard in destination",
       {{"/m/*/", "$T/data/", 1}},
       {},
       {},
       {std::string("Error: The destination /m/*/") + kNotNormal, kNoMappings},
       {}},
      {"nested sources",
       {{"/m/a/", "$T/data/", 1}, {"/m/b/", "$T/data/sub/", 2}},
       {"/m/a/", "/m/b/"},
       {"$T/data/", "$T/data/sub/"},
       {},
       {"$T/data/sub/"}},
      {"nested sources, inner first",
       {{"/m/b/", "$T/data/sub/", 1}, {"/m/a/", "$T/data/", 2}},
       {"/m/b/", "/m/a/"},
       {"$T/data/sub/", "$T/data/"},
       {},
       {"$T/data/sub/"}},
      {"nested source that does not exist",
       {{"/m/a/", "$T/data/", 1}, {"/m/b/", "$T/data/gone/", 2}},
       {"/m/a/", "/m/b/"},
       {"$T/data/", "$T/data/gone/"},
       {},
       {}},
      {"same source twice",
       {{"/m/a/", "$T/data/", 1}, {"/m/b/", "$T/data/", 2}},
       {"/m/a/"},
       {"$T/data/"},
       {"Error: Rejected mapping of $T/data/ to /m/b/ because its source overlaps with $T/data/"},
       {}},
      {"overlapping destinations",
       {{"/m/", "$T/one/", 1}, {"/m/inner/", "$T/two/", 2}},
       {"/m/"},
       {"$T/one/"},
       {"Error: Rejected mapping of $T/two/ to /m/inner/ because its destination overlaps with "
        "/m/"},
       {}},
      {"source inside its destination",
       {{"$T/", "$T/data/", 1}},
       {},
       {},
       {"Error: Rejected mapping of $T/data/ to $T/ because its source lies inside its destination",
        kNoMappings},
       {}},
      {"source is its destination",
       {{"$T/data/", "$T/data", 1}},
       {},
       {},
       {"Error: Rejected mapping of $T/data/ to $T/data/ because its source lies inside its "
        "destination",
        kNoMappings},
       {}},
      {"destination inside the source is allowed",
       {{"$T/data/sub/", "$T/data/", 1}},
       {"$T/data/sub/"},
       {"$T/data/"},
       {},
       {}},
      {"empty source",
       {{"/m/a/", " ", 1}},
       {},
       {},
       {"Error: The source of destination /m/a/ expanded to an empty string. Skipped this mapping.",
        kNoMappings},
       {}},
      {"source normalised and expanded",
       {{"/m/a/", " %QVDATA%", 1}},
       {"/m/a/"},
       {"$T/data/"},
       {},
       {}},
      {"row order, unset last",
       {{"/m/c/", "/c/", -1}, {"/m/b/", "/b/", 2}, {"/m/a/", "/a/", 1}, {"/m/d/", "/d/", 3}},
       {"/m/a/", "/m/b/", "/m/d/", "/m/c/"},
       {"/a/", "/b/", "/d/", "/c/"},
       {},
       {}},
      {"nothing stored", {}, {}, {}, {kNoMappings}, {}},
  };
  for (const LoadCase& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(ini().DeleteKey(kMappingsKey));
    for (const Stored& s : c.stored)
      StoreMapping(ini(), Fill(s.destination), Fill(s.source), s.row);
    RecordingLogger log;
    TWideStringList<> overlaps;
    TMappings mappings(ini());
    EXPECT_TRUE(mappings.Load(log, &overlaps, true, false));
    std::vector<std::string> destinations, sources, overlap_texts;
    for (int i = 0; i < mappings.Count(); ++i) {
      destinations.push_back(mappings.Destination(i));
      sources.push_back(mappings.Source(i));
    }
    for (const auto& item : overlaps) overlap_texts.push_back(item.text);
    EXPECT_EQ(destinations, Fill(c.destinations));
    EXPECT_EQ(sources, Fill(c.sources));
    EXPECT_EQ(log.lines, Fill(c.lines));
    EXPECT_EQ(overlap_texts, Fill(c.overlaps));
  }
}

TEST_F(MappingsLoadTest, OverlapsAreCollectedOnlyWhenAsked) {
  StoreMapping(ini(), "/m/a/", dir_ / "data/", 1);
  StoreMapping(ini(), "/m/b/", dir_ / "data/sub/", 2);
  StoreMapping(ini(), "/m/c/", dir_ / "data/sub/", 3);
  RecordingLogger log;
  TWideStringList<> overlaps;
  TMappings mappings(ini());
  EXPECT_TRUE(mappings.Load(log, &overlaps, false, false));
  EXPECT_EQ(mappings.Count(), 2);
  EXPECT_TRUE(overlaps.Empty());
  EXPECT_TRUE(mappings.Load(log, nullptr, true, false));
  EXPECT_EQ(mappings.Count(), 2);
}

TEST_F(MappingsLoadTest, SkippedChecksKeepEveryStoredMappingAsItIs) {
  StoreMapping(ini(), "/m/a/", "%QVDATA%", 1);
  StoreMapping(ini(), "/m/a/b/", "%QVDATA%", 2);
  StoreMapping(ini(), "/m/x", "/x/", 3);
  RecordingLogger log;
  TMappings mappings(ini());
  EXPECT_TRUE(mappings.Load(log, nullptr, false, true));
  ASSERT_EQ(mappings.Count(), 2);
  EXPECT_EQ(mappings.Source(1), dir_ / "data");
  EXPECT_EQ(mappings.Source(1, true), "%QVDATA%");
  EXPECT_EQ(log.lines,
            std::vector<std::string>{std::string("Error: The destination /m/x") + kNotNormal});
}

TEST_F(MappingsLoadTest, AFailedStoreRefusesTheLoad) {
  StoreMapping(ini(), "/m/a/", "/a/", 1);
  ini_.reset();
  WriteFile(db_path_, std::string(5000, '\7'));
  Reopen();
  RecordingLogger log;
  TWideStringList<> overlaps;
  TMappings mappings(ini());
  EXPECT_FALSE(mappings.Load(log, &overlaps, true, false));
  EXPECT_FALSE(mappings.Load(log, &overlaps, true, false));
  EXPECT_EQ(mappings.Count(), 0);
  EXPECT_EQ(log.lines, std::vector<std::string>{"Error: Cannot read the settings store " +
                                                db_path_ + ": file is not a database"});
}

}  // namespace
}  // namespace qv::testing
