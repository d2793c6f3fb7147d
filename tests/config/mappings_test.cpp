#include "config/mappings.h"

#include <cerrno>
#include <tuple>

#include "config/file_mappings.h"
#include "filesys/testing/fault_platform.h"
#include "tests/config/config_test_util.h"
#include "tests/support/recording_logger.h"

namespace qv::testing {
namespace {

using MappingTest = StoreTest;

TEST_F(MappingTest, PrepareFailsWhenTheFileSystemIsUnknown) {
  FaultPlatform faults(platform_);
  faults.AddFault({Op::kGetVolume, "", 0, ENOENT});
  TQVIniFile store(faults, db_path_);
  TMapping mapping(store, "/nowhere/m/");
  RecordingLogger log;
  EXPECT_FALSE(mapping.PrepareForScan(log));
  EXPECT_EQ(log.lines.back(),
            "Error 2: Could not get file system of destination drive /nowhere/m/. No such file or "
            "directory");
  EXPECT_EQ(log.ErrorCount(), 1);
}

constexpr char kNotNormal[] =
    " should be a fully qualified directory name without wildcards and ending on a backslash "
    "(\\). Skipped this mapping.";
constexpr char kNoMappings[] =
    "No mappings found. Use the configuration dialog to create a mirror.";

// Mappings are stored as "destination=source" with Row = their place ("!":
// no Row; "~": disabled); the outcome lists the accepted ones, the log and
// the overlaps. "$T/" stands for the temporary directory.
TEST_F(MappingTest, LoadChecksEachMappingAgainstThoseAcceptedBefore) {
  MakeTree(dir_.path(), {"data/sub/", "to-data->data", "to-sub->data/sub"});
  platform_.env["QVDATA"] = dir_ / "data";
  const std::string e = "Error: Rejected mapping of ", bad = "Error: The destination ";
  const std::tuple<const char*, std::vector<std::string>, std::vector<std::string>> kCases[] = {
      {"not in normal form",
       {"/m/a=$T/data/", "/m/a/ =$T/", "m/a/=/x/", "/m/*/=/y/"},
       {bad + "/m/a" + kNotNormal, bad + "/m/a/ " + kNotNormal, bad + "m/a/" + kNotNormal,
        bad + "/m/*/" + kNotNormal, kNoMappings}},
      {"nested sources",
       {"/m/a/=$T/data/", "/m/b/=$T/data/sub/", "/m/c/=$T/data/gone/"},
       {"/m/a/=$T/data/", "/m/b/=$T/data/sub/", "/m/c/=$T/data/gone/", "overlap $T/data/sub/"}},
      {"nested sources, inner first",
       {"/m/b/=$T/data/sub/", "/m/a/=$T/data/"},
       {"/m/b/=$T/data/sub/", "/m/a/=$T/data/", "overlap $T/data/sub/"}},
      {"nested sources, a disabled inner one stays in the outer one",
       {"/m/a/=$T/data/", "~/m/b/=$T/data/sub/"},
       {"/m/a/=$T/data/", "/m/b/=$T/data/sub/"}},
      {"nested sources, a disabled inner one first",
       {"~/m/b/=$T/data/sub/", "/m/a/=$T/data/"},
       {"/m/b/=$T/data/sub/", "/m/a/=$T/data/"}},
      {"overlapping destinations, same source",
       {"/m/=$T/one/", "/m/inner/=$T/two/", "/n/=$T/one/"},
       {"/m/=$T/one/", e + "$T/two/ to /m/inner/ because its destination overlaps with /m/",
        e + "$T/one/ to /n/ because its source overlaps with $T/one/"}},
      {"source inside or equal to its destination, but not the other way round",
       {"$T/=$T/data/", "$T/data/=$T/data", "$T/data/sub/=$T/data/"},
       {"$T/data/sub/=$T/data/",
        e + "$T/data/ to $T/ because its source lies inside its destination",
        e + "$T/data/ to $T/data/ because its source lies inside its destination"}},
      {"the same through a link in either path",
       {"$T/to-data/=$T/data/sub/", "$T/data/=$T/to-sub/", "$T/to-data/sub/x/=$T/data/"},
       {"$T/to-data/sub/x/=$T/data/",
        e + "$T/data/sub/ to $T/to-data/ because its source lies inside its destination",
        e + "$T/to-sub/ to $T/data/ because its source lies inside its destination"}},
      {"source empty, or normalised and expanded",
       {"/m/a/= ", "/m/b/= %QVDATA%"},
       {"/m/b/=$T/data/",
        "Error: The source of destination /m/a/ expanded to an empty string. Skipped this "
        "mapping."}},
      {"row order, unset last",
       {"!/m/c/=/c/", "/m/z/=/z/", "/m/b/=/b/"},
       {"/m/z/=/z/", "/m/b/=/b/", "/m/c/=/c/"}},
  };
  for (const auto& [what, stored, expected] : kCases) {
    SCOPED_TRACE(what);
    ASSERT_TRUE(ini().DeleteKey(kMappingsKey));
    int row = 0;
    for (const std::string& s : Replaced(stored, "$T/", dir_.path())) {
      const size_t at = s.find('='), unset = s[0] == '!', disabled = s[0] == '~';
      const std::string destination = s.substr(unset + disabled, at - unset - disabled);
      const std::string key = std::string(kMappingsKey) + "\\" + MappingKeyName(destination);
      ASSERT_TRUE(ini().WriteString(key, "", destination));
      ASSERT_TRUE(ini().WriteString(key, "Src", s.substr(at + 1)));
      ASSERT_TRUE(!disabled || ini().WriteBool(key, "Enabled", false));
      ASSERT_TRUE(unset || ini().WriteInteger(key, "Row", ++row));
    }
    RecordingLogger log;
    TWideStringList<> overlaps;
    TMappings mappings(ini());
    EXPECT_TRUE(mappings.Load(log, &overlaps, true, false));
    std::vector<std::string> outcome;
    for (int i = 0; i < mappings.Count(); ++i)
      outcome.push_back(mappings.Destination(i) + "=" + mappings.Source(i));
    outcome.insert(outcome.end(), log.lines.begin(), log.lines.end());
    for (const auto& item : overlaps) outcome.push_back("overlap " + item.text);
    EXPECT_EQ(outcome, Replaced(expected, "$T/", dir_.path()));
  }
}

TEST_F(MappingTest, FindAndTranslateTakeTheLongestPrefixWithTheOptions) {
  platform_.env["QVROOT"] = "/data";
  TMappings mappings(ini());
  const auto add = [&](const char* source, const char* destination, bool enabled) {
    auto mapping = std::make_unique<TMapping>(ini(), destination);
    mapping->SetSource(source);
    mapping->mutable_settings().enabled = enabled;
    mappings.Add(destination, std::move(mapping));
  };
  add("/data/sub/", "/m/b/", false);
  add("/data/", "/m/a/", true);
  add("/data/sub/deep/", "/m/d/", true);
  mappings.Add("/m/e/", nullptr);  // no mapping: enabled, no source
  constexpr int kD = kFindDisabled, kP = kFindPatterns;
  // Path, options; found by source, by destination; translated to destination, to source.
  const std::tuple<const char*, int, int, int, const char*, const char*> kCases[] = {
      {"/data/sub/x", 0, 1, -1, "/m/a/sub/x", ""},
      {"/data/sub/x", kD, 0, -1, "/m/b/x", ""},
      {"/data/sub/x", kD | kFindPreferEnabled, 1, -1, "/m/a/sub/x", ""},
      {"/data/sub/deep/x", kD, 2, -1, "/m/d/x", ""},
      {"/data", 0, 1, -1, "/m/a/", ""},
      {"/Data/x", 0, -1, -1, "", ""},
      {"/dat", 0, -1, -1, "", ""},
      {"/m/a/x/y", 0, -1, 1, "", "/data/x/y"},
      {"/m/a", 0, -1, 1, "", "/data/"},
      {"/m/b/x", kD, -1, 0, "", "/data/sub/x"},
      {"/m/e/x", 0, -1, 3, "", ""},
      {" ${QVROOT}/x ", 0, 1, -1, "/m/a/x", ""},
      {"/data/*.tmp", kP, 1, -1, "/m/a/*.tmp", ""},
      {"Temp/*.tmp", kP, -1, -1, "Temp/*.tmp", "Temp/*.tmp"},
      {"*.tmp", 0, -1, -1, "", ""},
  };
  for (const auto& [path, options, by_source, by_destination, to_dest, to_source] : kCases) {
    SCOPED_TRACE(std::string(path) + " options " + std::to_string(options));
    EXPECT_EQ(mappings.FindBySource(path, options), by_source);
    EXPECT_EQ(mappings.FindByDestination(path, options), by_destination);
    EXPECT_EQ(mappings.SourceToDestination(path, "", options), to_dest);
    EXPECT_EQ(mappings.DestinationToSource(path, "", options), to_source);
  }
}

// Stored with Row descending, so rows and not key names give the order.
TEST_F(MappingTest, FileMappingsAreThoseWhoseSourceLiesInsideTheMirror) {
  platform_.env["QVDATA"] = "/data";
  const std::pair<const char*, const char*> stored[] = {{"/etc/app.conf", "/data/app.conf"},
                                                        {"%QVDATA%/b.target", "%QVDATA%/sub/b.src"},
                                                        {"/x/outside", "/other/file"},
                                                        {"/x/itself", "/data/"},
                                                        {"", "/data/no-target"},
                                                        {"/x/near", "/database/file"}};
  for (int i = 0; i < 6; ++i) {
    const std::string key = std::string(kFileMappingsKey) + "\\0000" + std::to_string(i);
    ASSERT_TRUE(ini().WriteString(key, "", stored[i].first));
    ASSERT_TRUE(ini().WriteString(key, "Source", stored[i].second));
    ASSERT_TRUE(ini().WriteInteger(key, "Row", 6 - i));
  }
  RecordingLogger log;
  TFileMappingList list;
  EXPECT_TRUE(LoadFileMappings(ini(), "/data/", log, &list));
  EXPECT_EQ(list.sources, (std::vector<std::string>{"/data/sub/b.src", "/data/app.conf"}));
  EXPECT_EQ(list.targets, (std::vector<std::string>{"/data/b.target", "/etc/app.conf"}));
  EXPECT_EQ(log.lines, (std::vector<std::string>{
                           "", "FileMappings:", "Update /data/b.target with /data/sub/b.src",
                           "Update /etc/app.conf with /data/app.conf"}));
  RecordingLogger quiet;
  EXPECT_TRUE(LoadFileMappings(ini(), "/home/", quiet, &list));
  quiet.FlushHeading();
  EXPECT_TRUE(quiet.lines.empty());
}

}  // namespace
}  // namespace qv::testing
