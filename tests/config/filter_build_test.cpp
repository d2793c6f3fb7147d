#include "config/filter_build.h"

#include <algorithm>
#include <cerrno>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "config/config_keys.h"
#include "config/dir_weights.h"
#include "config/mapping.h"
#include "config/mappings.h"
#include "tests/config/config_test_util.h"
#include "tests/support/recording_logger.h"

namespace qv::testing {
namespace {

using namespace std::string_literals;

constexpr char kAll[] = "Added include of all sources *.*";
constexpr char kNoFile[] = " No such file or directory";

class MountPlatform : public ConfigTestPlatform {
 public:
  Status ListMounts(std::vector<MountEntry>* list) override {
    if (error != 0) return Status::FromErrno(error);
    *list = mounts;
    return Status::Ok();
  }
  std::vector<MountEntry> mounts;
  int error = 0;
};

// A mirror from $S/ to $D/ in a temporary directory with a fresh store.
class FilterBuildTest : public ::testing::Test {
 protected:
  FilterBuildTest() { SetMirror(dir_ / "src/", dir_ / "dst/"); }
  void SetMirror(const std::string& source, const std::string& destination) {
    MakeDirs(source);
    MakeDirs(destination);
    input_.source = source;
    input_.destination = destination;
    mappings_ = std::make_unique<TMappings>(*ini_);
    auto mapping = std::make_unique<TMapping>(*ini_, destination);
    mapping->SetSource(source);
    mappings_->Add(destination, std::move(mapping));
  }
  void Store(const std::string& name, const std::string& text, int type, bool enabled = true) {
    const std::string key = std::string(kFiltersKey) + "\\" + name;
    ASSERT_TRUE(ini_->WriteString(key, "", Fill(text)));
    ASSERT_TRUE(ini_->WriteBool(key, "Enabled", enabled));
    ASSERT_TRUE(ini_->WriteInteger(key, "FilterType", type));
  }
  // Builds into fresh lists and answers the lines under the heading.
  std::vector<std::string> Build(bool expect_success = true) {
    log_.lines.clear();
    weights_ = std::make_unique<TDirWeights>(input_.source);
    EXPECT_EQ(BuildFilters(*ini_, input_, *mappings_, log_, &filters_, weights_.get()),
              expect_success);
    if (log_.lines.size() < 2 || log_.lines[1] != "Filters:") return log_.lines;
    return std::vector<std::string>(log_.lines.begin() + 2, log_.lines.end());
  }
  // The four lists as "xs=[..] xd=[..] in=[..] rm=[..]".
  std::string Lists() const {
    const std::pair<const char*, const TFilters*> lists[] = {
        {"xs", &filters_.excluded_sources},
        {"xd", &filters_.excluded_destinations},
        {"in", &filters_.included_sources},
        {"rm", &filters_.empty_dirs}};
    std::string text;
    for (const auto& [label, list] : lists) {
      text += std::string(text.empty() ? "" : " ") + label + "=[";
      for (int i = 0; i < list->Count(); ++i) text += (i > 0 ? " " : "") + list->Pattern(i);
      text += "]";
    }
    return text;
  }
  std::string Fill(std::string text) const {
    const std::pair<const char*, std::string> places[] = {{"$S/", input_.source},
                                                          {"$D/", input_.destination}};
    for (const auto& [from, to] : places) {
      for (size_t at; (at = text.find(from)) != std::string::npos;) text.replace(at, 3, to);
    }
    return text;
  }
  std::vector<std::string> Fill(std::vector<std::string> texts) const {
    for (std::string& text : texts) text = Fill(text);
    return texts;
  }

  ScopedTempDir dir_;
  MountPlatform platform_;
  std::string db_path_ = dir_ / "settings.db";
  std::unique_ptr<TQVIniFile> ini_ = std::make_unique<TQVIniFile>(platform_, db_path_, 50);
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
  const struct {
    std::vector<std::pair<std::string, int>> stored;  // text, type; a leading "-" disables
    std::vector<std::string> lines;
    const char* lists;
  } cases[] = {
      {{{"*.tmp", 0}},
       {"Added user defined excluded source *.tmp", kAll},
       "xs=[*.tmp] xd=[] in=[*.*] rm=[]"},
      {{{"%QVSRC%/Cache", 0}},
       {"Added user defined excluded source $S/Cache/", kAll},
       "xs=[$S/Cache/] xd=[] in=[*.*] rm=[]"},
      {{{"/elsewhere/Cache/", 0}, {"$S/", 0}},
       {"Skipped user defined excluded source /elsewhere/Cache/ not matching $S/",
        "Skipped user defined excluded source $S/ not matching $S/", kAll},
       "xs=[] xd=[] in=[*.*] rm=[]"},
      {{{"/", 0}, {"/./Temp/*.tmp", 0}},
       {"Added user defined excluded source *.*", "Added user defined excluded source Temp/*.tmp",
        kAll},
       "xs=[*.* Temp/*.tmp] xd=[] in=[*.*] rm=[]"},
      {{{"$S/Report", 0}, {"$S/Gone/", 0}},
       {"Warning for filter $S/Report" + std::string(kNoFile) + assume,
        "Added user defined excluded source $S/Report",
        "Warning for filter $S/Gone/" + std::string(kNoFile),
        "Added user defined excluded source $S/Gone/", kAll},
       "xs=[$S/Report $S/Gone/] xd=[] in=[*.*] rm=[]"},
      {{{"$S/Missing", 3}, {"*.doc", 2}},
       {"Warning for filter $S/Missing" + std::string(kNoFile),
        "Added user defined included source dir $S/Missing/",
        "Added user defined included source *.doc"},
       "xs=[] xd=[] in=[$S/Missing/ *.doc] rm=[]"},
      {{{"$D/Old", 1}, {"*.bak", 1}, {"/elsewhere/*.bak", 1}, {"$S/Cache/", 1}},
       {"Added user defined excluded destination $D/Old/",
        "Warning for filter $S/Old/" + std::string(kNoFile),
        "Added source of excluded destination $S/Old/",
        "Added user defined excluded destination *.bak",
        "Added source of excluded destination *.bak",
        "Added user defined excluded destination /elsewhere/*.bak",
        "Warning: Could not determine source of /elsewhere/*.bak",
        "Skipped user defined excluded destination $S/Cache/ not matching $D/", kAll},
       "xs=[$S/Old/ *.bak] xd=[$D/Old/ *.bak /elsewhere/*.bak] in=[*.*] rm=[]"},
      {{{"$D/Old/", 4}, {"-*.tmp", 0}, {"", 0}, {"%QVEMPTY%", 0}},
       {"Added user defined remove empty destination dir $D/Old/", "Skipped disabled filter *.tmp",
        "Skipped filter expanding to empty string %QVEMPTY%", kAll},
       "xs=[] xd=[] in=[*.*] rm=[$D/Old/]"},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(ini_->DeleteKey(kFiltersKey));
    for (size_t i = 0; i < c.stored.size(); ++i) {
      const std::string& text = c.stored[i].first;
      const bool enabled = !text.starts_with('-');
      Store("0000" + std::to_string(i), enabled ? text : text.substr(1), c.stored[i].second,
            enabled);
    }
    EXPECT_EQ(Build(), Fill(c.lines));
    EXPECT_EQ(Lists(), Fill(c.lists));
  }
}

TEST_F(FilterBuildTest, KeyNamesOrderAndNumberTheFiltersAndExcludedSourcesAreWeighed) {
  input_.auto_filter = false;
  Store("b", "$S/a/b/x.txt", 0);
  Store("A", "$D/a/c/", 1);
  Store("00010", "*.c", 0);
  Build();
  EXPECT_EQ(Lists(), Fill("xs=[*.c $S/a/c/ $S/a/b/x.txt] xd=[$D/a/c/] in=[*.*] rm=[]"));
  EXPECT_EQ(filters_.excluded_sources.Filter(0).number, 2);
  EXPECT_EQ(filters_.excluded_sources.Filter(2).number, 5);
  // The include of all sources is numbered apart and never logs its matches.
  EXPECT_EQ(filters_.included_sources.Filter(0).number, 1);
  EXPECT_FALSE(filters_.included_sources.Filter(0).log);
  EXPECT_EQ(weights_->Count(), 2);  // $S/a/ and $S/a/b/
}

// Without its filters a mirror would copy and archive what the user wanted
// left alone, so a store that cannot be read stops the build.
TEST_F(FilterBuildTest, AStoreThatCannotBeReadFailsTheBuild) {
  Store("00001", "*.tmp", 0);
  ASSERT_TRUE(ini_->WriteString(kFiltersKey, "Pad", std::string(9000, 'p')));
  for (const bool garbage : {false, true}) {
    mappings_.reset();
    ini_.reset();
    std::string bytes = garbage ? "not a settings store" : ReadFile(db_path_);
    for (size_t i = 4096; i < bytes.size(); ++i) bytes[i] = static_cast<char>(0xA5);
    WriteFile(db_path_, bytes);
    ini_ = std::make_unique<TQVIniFile>(platform_, db_path_, 50);
    SetMirror(input_.source, input_.destination);
    const std::vector<std::string> lines = Build(false);
    EXPECT_EQ(lines, std::vector<std::string>{"Error: " + ini_->FailureText()});
    EXPECT_EQ(Lists(), "xs=[] xd=[] in=[] rm=[]");
  }
}

TEST_F(FilterBuildTest, AutomaticFiltersTakeWhatExistsWhenTheSwitchIsOn) {
  const std::string trash = ".Trash-" + std::to_string(platform_.UserId());
  for (const std::string& dir :
       {"src/" + trash, "src/.Trash"s, "src/lost+found"s, "src/Quorvane archive"s, "src/inner"s,
        "src/proc"s, "src/sub/.Trash"s, "dst/" + trash}) {
    MakeDirs(dir_ / dir);
  }
  MakeDirs(dir_ / "other");
  MakeDirs(dir_ / "src2");
  for (const char* file : {"src/swapfile", "src/swap.img", "src/app.conf", "dst/app.conf",
                           "other/app.conf", "src2/app.conf", "dst/lost+found", "dst/.Trash"}) {
    WriteFile(dir_ / file, "");
  }
  auto other = std::make_unique<TMapping>(*ini_, dir_ / "other/");
  other->SetSource(dir_ / "src2/");
  mappings_->Add(dir_ / "other/", std::move(other));  // a file mapping of another mirror
  TWideStringList<> overlaps;
  overlaps.Add(dir_ / "src/inner/");
  overlaps.Add(dir_ / "other/");
  const std::vector<std::string> targets = {dir_ / "dst/app.conf", dir_ / "other/app.conf",
                                            dir_ / "dst/missing.conf"};
  input_.overlaps = &overlaps;
  input_.file_mapping_targets = &targets;
  platform_.mounts = {
      {"/proc/", "proc"}, {dir_ / "src/proc/", "proc"}, {dir_ / "src/inner/", "tmpfs"}};
  Store("00001", "$S/.Trash/", 0);
  input_.auto_filter = false;
  EXPECT_EQ(Build(),
            Fill(std::vector<std::string>{"Added user defined excluded source $S/.Trash/", kAll}));
  input_.auto_filter = true;
  EXPECT_EQ(Build(), Fill(std::vector<std::string>{
                         "Added user defined excluded source $S/.Trash/",
                         kAll,
                         "Added source of overlapping mirror $S/inner/",
                         "Added source of file mapping $S/app.conf",
                         "Added destination of file mapping $D/app.conf",
                         "Added recycle bin user $S/" + trash + "/",
                         "Added file system recovery directory $S/lost+found/",
                         "Added archive found in root of source $S/Quorvane archive/",
                         "Added virtual memory swap file $S/swapfile",
                         "Added virtual memory swap file $S/swap.img",
                         "Added virtual file system $S/proc/",
                         "Added recycle bin user $D/" + trash + "/",
                     }));
  EXPECT_LT(
      filters_.excluded_sources.FindMatch(Fill("$S/sub/"), ".Trash", 0, Fill("$S/sub/.Trash/")), 0);
}

TEST_F(FilterBuildTest, AMirrorIntoItsOwnSourceNeverCopiesItselfWhateverTheSwitch) {
  SetMirror(dir_ / "home/", dir_ / "home/deep/backup/");
  for (const bool on : {true, false}) {
    input_.auto_filter = on;
    EXPECT_EQ(Build(), Fill(std::vector<std::string>{kAll, "Added destination inside source $D/"}));
    EXPECT_GE(filters_.excluded_sources.FindMatch(Fill("$S/deep/"), "backup", 0, Fill("$D/")), 0);
    ASSERT_EQ(weights_->Count(), 1);
    EXPECT_EQ((*weights_)[0].directory, dir_ / "home/deep/");
  }
}

TEST_F(FilterBuildTest, VirtualFileSystemsMountedInsideTheSourceAreExcluded) {
  SetMirror("/", dir_ / "dst/");
  platform_.mounts = {{"/", "ext4"},         {"/proc/", "proc"}, {"/sys/", "sysfs"},
                      {"/run/", "tmpfs"},    {"/tmp/", "tmpfs"}, {"/usr/", "ext4"},
                      {"/no-such/", "proc"}, {"/proc/", "proc"}};
  std::vector<std::string> lines;
  for (const std::string& line : Build()) {
    if (line.starts_with("Added virtual file system ")) lines.push_back(line.substr(26));
  }
  EXPECT_EQ(lines, (std::vector<std::string>{"/proc/", "/sys/", "/run/"}));
  platform_.error = EIO;
  const std::vector<std::string> failed = Build();
  EXPECT_NE(std::find(failed.begin(), failed.end(),
                      "Warning: Could not list the mounted file systems: Input/output error"),
            failed.end());
}

}  // namespace
}  // namespace qv::testing
