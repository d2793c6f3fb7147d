#include <cerrno>
#include <future>
#include <sstream>
#include <tuple>

#include "config/dir_weights.h"
#include "config/filter_build.h"
#include "config/filter_store.h"
#include "config/mappings.h"
#include "config/minimal_ages.h"
#include "config/wildcard.h"
#include "tests/config/config_test_util.h"
#include "tests/support/recording_logger.h"

namespace qv::testing {
namespace {

TEST(WildcardTest, MatchesByTheFilterRules) {
  // Patterns, name, whether it names a directory, whether they match.
  const std::tuple<const char*, std::string, bool, bool> kCases[] = {
      {"*.*", "README", false, true},  // every name, dot or not
      {"*.", "README", false, false},
      {"*.tmp", ".tmp", false, true},
      {"a*b*c", "aXbYbZc", false, true},
      {"?.txt", "\xC3\xA9.txt", false, true},  // "?" is one whole character
      {"??.txt", "\xC3\xA9.txt", false, false},
      {"?.txt", "\xFF.txt", false, true},  // a byte that is not UTF-8 is one character
      {"\xFE*", "\xFF\xFE", false, false},
      {"*.TXT", "a.txt", false, false},                      // names compare exactly
      {"/data/*.tmp", "/data/sub/deep/x.tmp", false, true},  // "*" crosses "/"
      {";; *.tmp ; *.bak ;", "a.bak", false, true},          // lists, blanks around each ignored
      {"Cache/", "Cache", true, true},  // a trailing "/" names directories only
      {"Cache/", "Cache", false, false},
      {"/data/Temp/*.*", "/data/Temp/sub/README", false, true},  // everything below
      {"/data/Temp/*.*", "/data/Tempo/README", false, false},
      {"/data/Temp*.*", "/data/TempREADME", false, false},
  };
  for (const auto& [patterns, text, is_dir, matches] : kCases)
    EXPECT_EQ(MatchPatterns(patterns, text, is_dir), matches) << patterns << " on " << text;
  // Must answer at once, not backtrack through every split of the stars.
  std::string stars;
  for (int i = 0; i < 30; ++i) stars += "*a";
  const std::string long_name(64 * 1024, 'a');
  EXPECT_FALSE(MatchWildcard(stars + "*b", long_name));
  EXPECT_TRUE(MatchWildcard(stars + "*", long_name));
  EXPECT_TRUE(MatchWildcard("*a*a*a*a*a*b", std::string(4096, 'a') + "b"));
  EXPECT_FALSE(MatchWildcard(stars + "*", std::string(29, 'a')));
}

// Paths added and the list as "directory:weight", separated by blanks.
TEST(DirWeightsTest, HeaviestFirstAncestorsBeforeTheirChildren) {
  const std::pair<const char*, const char*> cases[] = {
      {"/s/x.txt /s/Cache/ Temp/x/y /s/*/x/y /other/a/b /sx/a/b", ""},    // none inside the root
      {"/s/a/x /s/b/x /s/c/x /s/c/y /s/b/y", "/s/c/:1 /s/b/:1 /s/a/:0"},  // ties keep their order
      {"/s/a/b/x /s/a/b/y /s/a/c/z", "/s/a/:2 /s/a/b/:1 /s/a/c/:0"},      // ancestors first
      {"/s/ab/x /s/a/x /s/ab/y", "/s/ab/:1 /s/a/:0"},  // a prefix of a name is no ancestor
  };
  for (const auto& [added, listed] : cases) {
    TDirWeights weights("/s/");
    std::istringstream paths(added);
    for (std::string path; paths >> path;) weights.Add(path);
    std::string text;
    for (const TDirWeight& entry : weights)
      text += (text.empty() ? "" : " ") + entry.directory + ":" + std::to_string(entry.weight);
    EXPECT_EQ(text, listed) << added;
  }
}

using namespace std::string_literals;

constexpr char kAll[] = "Added include of all sources *.*";
constexpr char kNoFile[] = " No such file or directory";

// A mirror from $S/ to $D/ in the temporary directory.
class FilterBuildTest : public StoreTest {
 protected:
  FilterBuildTest() { SetMirror(dir_ / "src/", dir_ / "dst/"); }
  void SetMirror(const std::string& source, const std::string& destination) {
    for (const std::string& dir : {source, destination}) MakeDirs(dir);
    input_.source = source;
    input_.destination = destination;
    mappings_ = std::make_unique<TMappings>(ini());
    auto mapping = std::make_unique<TMapping>(ini(), destination);
    mapping->SetSource(source);
    mappings_->Add(destination, std::move(mapping));
  }
  void Store(const std::string& name, const std::string& text, int type, bool enabled = true) {
    const std::string key = std::string(kFiltersKey) + "\\" + name;
    ASSERT_TRUE(ini().WriteString(key, "", Fill({text})[0]));
    ASSERT_TRUE(ini().WriteBool(key, "Enabled", enabled));
    ASSERT_TRUE(ini().WriteInteger(key, "FilterType", type));
  }
  // Builds into fresh lists and answers the lines under the heading.
  std::vector<std::string> Build() {
    log_.lines.clear();
    weights_ = std::make_unique<TDirWeights>(input_.source);
    EXPECT_TRUE(BuildFilters(ini(), input_, *mappings_, log_, &filters_, weights_.get()));
    if (log_.lines.size() < 2 || log_.lines[1] != "Filters:") return log_.lines;
    return std::vector<std::string>(log_.lines.begin() + 2, log_.lines.end());
  }
  // Excluded sources, excluded destinations, included sources and empty
  // dirs to remove, as "[..] [..] [..] [..]".
  std::string Lists() const {
    std::string text;
    for (const TFilters* list : {&filters_.excluded_sources, &filters_.excluded_destinations,
                                 &filters_.included_sources, &filters_.empty_dirs}) {
      text += text.empty() ? "[" : " [";
      for (int i = 0; i < list->Count(); ++i) text += (i > 0 ? " " : "") + list->Pattern(i);
      text += "]";
    }
    return text;
  }
  std::vector<std::string> Fill(const std::vector<std::string>& texts) const {
    return Replaced(Replaced(texts, "$S/", input_.source), "$D/", input_.destination);
  }

  std::unique_ptr<TMappings> mappings_;
  TFilterBuildInput input_;
  TMirrorFilters filters_;
  std::unique_ptr<TDirWeights> weights_;
  RecordingLogger log_;
};

TEST_F(FilterBuildTest, EachStoredFilterIsAnchoredCheckedAndLogged) {
  input_.auto_filter = false;
  MakeDirs(dir_ / "src/Cache");
  MakeDirs(dir_ / "dst/Old");
  platform_.env["QVSRC"] = dir_ / "src";
  platform_.env["QVEMPTY"] = "";
  const std::string assume =
      ". Assuming it is a file. If it is a directory add a backslash at the end.";
  // Stored as type digit, ":" (enabled) or "-" (disabled), text; the lines; the lists.
  const std::tuple<std::vector<std::string>, std::vector<std::string>, const char*> kCases[] = {
      {{"0:*.tmp", "0:%QVSRC%/Cache", "0:/elsewhere/Cache/", "0:$S/", "0:/", "0:/./Temp/*.tmp"},
       {"Added user defined excluded source *.tmp", "Added user defined excluded source $S/Cache/",
        "Skipped user defined excluded source /elsewhere/Cache/ not matching $S/",
        "Skipped user defined excluded source $S/ not matching $S/",
        "Added user defined excluded source *.*", "Added user defined excluded source Temp/*.tmp",
        kAll},
       "[*.tmp $S/Cache/ *.* Temp/*.tmp] [] [*.*] []"},
      {{"0:$S/Report", "0:$S/Gone/", "0-*.tmp", "0:", "0:%QVEMPTY%", "4:$D/Old/", "3:$S/Missing",
        "2:*.doc"},
       {"Warning for filter $S/Report"s + kNoFile + assume,
        "Added user defined excluded source $S/Report", "Warning for filter $S/Gone/"s + kNoFile,
        "Added user defined excluded source $S/Gone/", "Skipped disabled filter *.tmp",
        "Skipped filter expanding to empty string %QVEMPTY%",
        "Added user defined remove empty destination dir $D/Old/",
        "Warning for filter $S/Missing"s + kNoFile,
        "Added user defined included source dir $S/Missing/",
        "Added user defined included source *.doc"},
       "[$S/Report $S/Gone/] [] [$S/Missing/ *.doc] [$D/Old/]"},
      {{"1:$D/Old", "1:*.bak", "1:/elsewhere/*.bak", "1:$S/Cache/"},
       {"Added user defined excluded destination $D/Old/", "Warning for filter $S/Old/"s + kNoFile,
        "Added source of excluded destination $S/Old/",
        "Added user defined excluded destination *.bak",
        "Added source of excluded destination *.bak",
        "Added user defined excluded destination /elsewhere/*.bak",
        "Warning: Could not determine source of /elsewhere/*.bak",
        "Skipped user defined excluded destination $S/Cache/ not matching $D/", kAll},
       "[$S/Old/ *.bak] [$D/Old/ *.bak /elsewhere/*.bak] [*.*] []"},
  };
  for (const auto& [stored, lines, lists] : kCases) {
    ASSERT_TRUE(ini().DeleteKey(kFiltersKey));
    for (size_t i = 0; i < stored.size(); ++i) {
      const std::string& s = stored[i];
      Store("0000" + std::to_string(i), s.substr(2), s[0] - '0', s[1] == ':');
    }
    EXPECT_EQ(Build(), Fill(lines));
    EXPECT_EQ(Lists(), Fill({lists})[0]);
  }
}

TEST_F(FilterBuildTest, AutomaticFiltersTakeWhatExistsWhenTheSwitchIsOn) {
  const std::string trash = ".Trash-" + std::to_string(platform_.UserId());
  for (const std::string& path :
       {"src/" + trash + "/", "src/.Trash/"s, "src/lost+found/"s, "src/Quorvane archive/"s,
        "src/inner/"s, "src/proc/"s, "src/sub/.Trash/"s, "dst/" + trash + "/", "src/swapfile"s,
        "src/swap.img"s, "src/app.conf"s, "dst/app.conf"s, "dst/lost+found"s, "dst/.Trash"s}) {
    path.ends_with('/') ? MakeDirs(dir_ / path) : WriteFile(dir_ / path, "");
  }
  TWideStringList<> overlaps;
  overlaps.Add(dir_ / "src/inner/");
  overlaps.Add(dir_ / "elsewhere/");
  const std::vector<std::string> targets = {dir_ / "dst/app.conf", dir_ / "dst/missing.conf"};
  input_.overlaps = &overlaps;
  input_.file_mapping_targets = &targets;
  platform_.mounts = {
      {"/proc/", "proc"}, {dir_ / "src/proc/", "proc"}, {dir_ / "src/inner/", "tmpfs"}};
  Store("00001", "$S/.Trash/", 0);
  input_.auto_filter = false;
  EXPECT_EQ(Build(), Fill({"Added user defined excluded source $S/.Trash/", kAll}));
  input_.auto_filter = true;
  EXPECT_EQ(Build(), Fill({"Added user defined excluded source $S/.Trash/", kAll,
                           "Added source of overlapping mirror $S/inner/",
                           "Added source of file mapping $S/app.conf",
                           "Added destination of file mapping $D/app.conf",
                           "Added recycle bin user $S/" + trash + "/",
                           "Added file system recovery directory $S/lost+found/",
                           "Added archive found in root of source $S/Quorvane archive/",
                           "Added virtual memory swap file $S/swapfile",
                           "Added virtual memory swap file $S/swap.img",
                           "Added virtual file system $S/proc/",
                           "Added recycle bin user $D/" + trash + "/"}));
  EXPECT_LT(filters_.excluded_sources.FindMatch(input_.source + "sub/", ".Trash",
                                                input_.source + "sub/.Trash/"),
            0);
  platform_.mounts_error = EIO;
  Build();
  EXPECT_TRUE(log_.Has("Warning: Could not list the mounted file systems: Input/output error"));
}

TEST_F(FilterBuildTest, AMirrorIntoItsOwnSourceNeverCopiesItselfWhateverTheSwitch) {
  SetMirror(dir_ / "home/", dir_ / "home/deep/backup/");
  for (const bool on : {true, false}) {
    input_.auto_filter = on;
    EXPECT_EQ(Build(), Fill({kAll, "Added destination inside source $D/"}));
    EXPECT_GE(
        filters_.excluded_sources.FindMatch(dir_ / "home/deep/", "backup", input_.destination), 0);
    EXPECT_TRUE(weights_->Count() == 1 && (*weights_)[0].directory == dir_ / "home/deep/");
  }
}

using FilterStoreTest = StoreTest;

// Numbering and stored values are covered through the tool's filter commands.
TEST_F(FilterStoreTest, ANewFilterFailsOutsideTheSettingsLock) {
  std::vector<std::string> reports;
  bool lock_free = false;
  // A dialog shown under the settings lock would freeze the scan.
  const TReportError report = [&](const std::string& text) {
    reports.push_back(text);
    lock_free = std::async(std::launch::async, [] {
                  const bool taken = SettingsMutex().try_lock();
                  if (taken) SettingsMutex().unlock();
                  return taken;
                }).get();
  };
  ASSERT_TRUE(SaveNewFilter(ini(), "*.a", true, 0, true, report));
  sqlite3* holder = Exec(db_path_, "BEGIN IMMEDIATE");
  EXPECT_FALSE(SaveNewFilter(ini(), "*.d", true, 0, true, report));
  sqlite3_close(holder);
  EXPECT_EQ(reports, std::vector<std::string>{"Failed to save the filter to the registry. "
                                              "Cannot write the settings store " +
                                              db_path_ + ": database is locked"});
  EXPECT_TRUE(lock_free);
  EXPECT_FALSE(ini().Failed());
  EXPECT_EQ(ini().ListSubkeys(kFiltersKey), std::vector<std::string>{"00001"});
}

using MinimalAgesTest = StoreTest;

TEST_F(MinimalAgesTest, EachIsCheckedLoggedAndTakenOutFirstComeFirst) {
  platform_.env["QVDATA"] = "/data";
  constexpr int kDisabled = -2000;
  const std::pair<std::string, int> stored[] = {{"/data/", 10},       {"/database/x/", 5},
                                                {"%QVNONE%/src", 30}, {"%QVDATA%/w", 20},
                                                {"/./data/a ", 7},    {"/data/b/", kDisabled},
                                                {"/data/c/", 0},      {"/data/d/", -3},
                                                {"/data/w/", 10},     {"  ", 5}};
  for (size_t i = 0; i < std::size(stored); ++i) {
    const std::string key = kMinimalAgesKey + "\\"s + std::to_string(20 - i);
    ASSERT_TRUE(ini().WriteString(key, "", stored[i].first));
    ASSERT_TRUE(ini().WriteInteger(key, "Row", static_cast<int>(i)));
    ASSERT_TRUE(ini().WriteBool(key, "Enabled", stored[i].second != kDisabled));
    ASSERT_TRUE(ini().WriteInteger(key, "MinAge", stored[i].second));
  }
  ASSERT_TRUE(ini().WriteString(kMinimalAgesKey + "\\13"s, "MinAge", "10"));  // not a DWORD
  RecordingLogger log;
  TMinimalAges ages;
  ASSERT_TRUE(LoadMinimalAges(ini(), "/data/", log, &ages));
  EXPECT_EQ(log.lines,
            (std::vector<std::string>{
                "", "Minimal ages:", "Skipped minimal age /data/ not matching /data/",
                "Skipped minimal age /database/x/ not matching /data/",
                "Skipped minimal age %QVNONE%/src not matching /data/", "20 minutes for /data/w/",
                "7 minutes for /data/a/", "Skipped disabled minimal age /data/b/",
                "Skipped zero or negative minimal age /data/c/",
                "Skipped zero or negative minimal age /data/d/", "10 minutes for /data/w/",
                "Error: minimal age    expanded to an empty string. Skipped this "
                "minimal age."}));
  int minutes = 0;
  EXPECT_FALSE(ages.Take("/data/w", &minutes));
  EXPECT_TRUE(ages.Take("/data/w/", &minutes));
  EXPECT_EQ(minutes, 20);
  EXPECT_EQ(ages.Texts(), (std::vector<std::string>{"/data/a/=7", "/data/w/=10"}));
}

}  // namespace
}  // namespace qv::testing
