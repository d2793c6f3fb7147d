// __complete: what the shells offer for the word being typed, from the
// command tree, a real settings file and a real archive; silent and quick
// where the settings cannot be read, and never creating them.
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include "filesys/path_ops.h"
#include "tests/cli/cli_test_util.h"
#include "versions/version_index.h"

namespace qv::testing {
namespace {

namespace fs = std::filesystem;

class CompleteTest : public CliTest {
 protected:
  // Runs __complete on words ("@" expanded) with head before "--", and
  // expects status 0 with nothing on standard error.
  std::vector<std::string> Complete(std::vector<std::string> words,
                                    std::vector<std::string> head = {}) {
    std::vector<std::string> args = {"__complete"};
    args.insert(args.end(), head.begin(), head.end());
    args.push_back("--");
    for (const std::string& word : words) args.push_back(Expand(word));
    std::ostringstream out, err;
    EXPECT_EQ(RunCli(args, {platform_, out, err, busy_timeout_ms_}), 0);
    EXPECT_EQ(err.str(), "");
    std::vector<std::string> lines;
    std::istringstream text(out.str());
    for (std::string line; std::getline(text, line);) lines.push_back(line);
    return lines;
  }

  // Two mirrors: "@my dest" with the archive of two real scans, "@other" with
  // one hand-made time slot. Answers the real slot's name.
  std::string TwoMirrors() {
    MakeTree(At(""), {"src/a.txt=1", "my dest/", "src2/",
                      "other/Quorvane archive/2026/11/30/09 00 00/x=old"});
    RunOk({"mirror", "add", "@src", "@my dest"});
    RunOk({"mirror", "add", "@src2", "@other"});
    RunOk({"scan", "@my dest"});
    WriteFile(At("src/a.txt"), "22");
    RunOk({"scan", "@my dest"});
    TVersionIndex index(platform_, At("my dest/"));
    EXPECT_TRUE(index.Load().ok());
    EXPECT_EQ(index.slots().size(), 1u);
    return index.slots().empty() ? "" : index.slots().front().name;
  }

  std::vector<std::string> Expanded(std::vector<std::string> texts) const {
    for (std::string& text : texts) text = Expand(text);
    return texts;
  }

  int busy_timeout_ms_ = 3000;
};

TEST_F(CompleteTest, OffersCommandsOptionsAndValuesFromTheTreeAndTheStore) {
  const std::string slot = TwoMirrors();
  const std::string kOld = "2026/11/30/09 00 00";
  using V = std::vector<std::string>;
  const struct {
    V words;
    V expected;
  } kCases[] = {
      {{"mi"}, {"mirror", "minage"}},
      {{"mirror", "re"}, {"remove"}},
      {{"__"}, {}},  // hidden
      {{"mirror", "remove", "--"}, {"--help", "--settings"}},
      {{"--settings", "@settings.db", "restore", "--d"}, {"--destination"}},
      {{"get", "Log"},
       {"LogCreate", "LogCreateDir", "LogExcluded", "LogMinAges", "LogUpdateCreationTime"}},
      {{"filter", "add", "included"}, {"included-source", "included-source-dir"}},
      {{"filter", "add", "included-source", ""}, {}},  // the filter's text
      {{"set", "Wait", ""}, {}},
      {{"mirror", "remove", ""}, {"@my dest/", "@other/"}},
      {{"mirror", "disable", "@my"}, {"@my dest/"}},
      {{"mirror", "add", "@src", "@"}, {}},  // a new folder: the shell's file names
      {{"scan", "@other/", "@my"}, {"@my dest/"}},
      {{"versions", "@src/a.txt", "--destination", "@o"}, {"@other/"}},
      {{"versions", "@src/a.txt", "--destination=@o"}, {"--destination=@other/"}},
      {{"restore", "@src2/x", "--at", "=", ""}, {kOld}},  // as bash splits "--at="
      {{"mirror", "remove", "--settings", ""}, {}},
      {{"restore", "@my dest/a.txt", "--at", ""}, {slot}},
      {{"restore", "@src2/x", "--destination", "@other", "--at", ""}, {kOld}},
      {{"restore", "--at", "2026/11"}, {kOld}},
      {{"restore", "--at", ""}, {slot, kOld}},
      {{"restore", "@elsewhere", "--at", ""}, {}},
      {{"--settings", "@none.db", "mirror", "enable", ""}, {}},  // the line's own --settings
      {{"--settings", "~/settings.db", "scan", "@o"}, {"@other/"}},
  };
  platform_.env["HOME"] = ExcludeTrailingSeparator(At(""));
  for (const auto& c : kCases) {
    const std::string line = ::testing::PrintToString(c.words);
    std::vector<std::string> got = Complete(c.words, {"--settings", settings_});
    std::vector<std::string> expected = Expanded(c.expected);
    std::sort(got.begin(), got.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(got, expected) << line;
  }
  EXPECT_FALSE(fs::exists(At("none.db")));
  // Without --settings, the file QUORVANE_SETTINGS names.
  platform_.env["QUORVANE_SETTINGS"] = settings_;
  EXPECT_EQ(Complete({"scan", "@o"}), Expanded({"@other/"}));
}

TEST_F(CompleteTest, AnUnreadableStoreGivesNothingQuicklyAndIsNeverCreated) {
  MakeTree(At(""), {"empty/", "src/"});
  RunOk({"mirror", "add", "@src", "@dst", "--allow-missing"});
  // The store held by a writer: a reader waits only briefly, whatever the
  // tool's own busy timeout.
  sqlite3* writer = nullptr;
  ASSERT_EQ(sqlite3_open(settings_.c_str(), &writer), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(writer, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
  busy_timeout_ms_ = 20000;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Complete({"mirror", "remove", ""}, {"--settings", settings_}),
            std::vector<std::string>{});
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  sqlite3_close(writer);
  EXPECT_EQ(Complete({"mirror", "remove", ""}, {"--settings", settings_}), Expanded({"@dst/"}));

  const struct {
    std::vector<std::string> head;
    const char* env;
  } kMissing[] = {{{"--settings", At("empty/sub/settings.db")}, nullptr},
                  {{}, "@empty/settings.db"},
                  {{}, nullptr}};  // no file named at all
  for (const auto& c : kMissing) {
    platform_.env.clear();
    if (c.env != nullptr) platform_.env["QUORVANE_SETTINGS"] = Expand(c.env);
    EXPECT_EQ(Complete({"mirror", "remove", ""}, c.head), std::vector<std::string>{});
    EXPECT_TRUE(fs::is_empty(At("empty")));
  }
}

}  // namespace
}  // namespace qv::testing
