// scan --plan on real trees: it changes nothing on disk or in the settings
// file, and the scan run right after it, on the same pinned clock, does just
// what it said.

#include <algorithm>
#include <filesystem>
#include <map>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "config/config_keys.h"
#include "filesys/local_time.h"
#include "filesys/platform.h"
#include "tests/cli/cli_test_util.h"

namespace qv::testing {
namespace {

namespace fs = std::filesystem;

constexpr int64_t kDay = 86400;

// Every entry below root with its type, mode, size, times but the access
// time, and content or link text.
std::map<std::string, std::string> Snapshot(const std::string& root) {
  std::map<std::string, std::string> entries;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::end(it); ++it) {
    struct stat st {};
    const std::string path = it->path().string();
    EXPECT_EQ(lstat(path.c_str(), &st), 0) << path;
    std::ostringstream text;
    text << st.st_mode << ' ' << st.st_size << ' ' << st.st_mtim.tv_sec << '.' << st.st_mtim.tv_nsec
         << ' ' << st.st_ctim.tv_sec << '.' << st.st_ctim.tv_nsec << ' ';
    if (S_ISREG(st.st_mode)) text << ReadFile(path);
    if (S_ISLNK(st.st_mode)) text << fs::read_symlink(path).string();
    entries[path] = text.str();
  }
  return entries;
}

std::vector<std::string> Normalised(std::vector<std::string> lines) {
  static const std::regex kFree(R"(^(Destination drive .* has ).*)");
  for (std::string& line : lines) line = std::regex_replace(line, kFree, "$1<FREE>");
  return lines;
}

// The plan's own lines up to its summary, without the prefix.
std::vector<std::string> PlanActions(const std::string& out) {
  std::vector<std::string> lines;
  std::istringstream in(out);
  for (std::string line; std::getline(in, line) && line != "plan: ";) {
    EXPECT_TRUE(line.starts_with("plan: ")) << line;
    lines.push_back(line.substr(6));
  }
  return Normalised(lines);
}

// The scan's lines but for what only the saving of its log and its end add.
std::vector<std::string> ScanActions(const std::string& out) {
  std::vector<std::string> lines;
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && !line.starts_with("Log written to ") &&
        !line.starts_with("Log appended to ") && !line.starts_with("Scan done in ")) {
      lines.push_back(line);
    }
  }
  return Normalised(lines);
}

int64_t Count(const std::vector<std::string>& lines, const std::string& pattern) {
  const std::regex re(pattern);
  return std::ranges::count_if(lines,
                               [&](const std::string& l) { return std::regex_search(l, re); });
}

// The number the first line matching pattern holds in its group, 0 without one.
int64_t Number(const std::vector<std::string>& lines, const std::string& pattern) {
  const std::regex re(pattern);
  std::smatch match;
  for (const std::string& line : lines) {
    if (!std::regex_search(line, match, re)) continue;
    std::string digits = match[1];
    std::erase(digits, ',');
    return std::stoll(digits);
  }
  return 0;
}

class ScanPlanTest : public CliTest {
 protected:
  ScanPlanTest() : base_(platform_.Now() / kFileTimeTicksPerSecond) {
    MakeDirs(At("src"));
    MakeDirs(At("dst"));
    RunOk({"mirror", "add", "@src", "@dst"});
    PinDay(1);
  }

  void PinDay(int day) { platform_.now = (base_ + day * kDay) * kFileTimeTicksPerSecond; }

  // Plans, checks that nothing changed, scans, and answers both outputs.
  std::pair<std::string, std::string> PlanThenScan() {
    const auto before = Snapshot(dir_.path());
    const CliRun plan = Run({"scan", "--plan"});
    EXPECT_EQ(Snapshot(dir_.path()), before);
    const CliRun scan = Run({"scan"});
    EXPECT_EQ(plan.code, scan.code) << plan.err << scan.err;
    EXPECT_EQ(PlanActions(plan.out), ScanActions(scan.out)) << plan.out << "\n" << scan.out;
    // The summary's counts are the scan's own.
    const std::vector<std::string> done = ScanActions(scan.out);
    const std::vector<std::string> summary = {plan.out.substr(plan.out.find("\nplan: Mirror to "))};
    for (const auto& [planned, pattern] : std::vector<std::pair<std::string, std::string>>{
             {R"(: ([\d,]+) files? \()", R"(^Copied (?:.* and )?([\d,]+) files? of)"},
             {R"(([\d,]+) folders? to create)", R"(^Copied ([\d,]+) director)"}}) {
      EXPECT_EQ(Number(summary, planned), Number(done, pattern)) << summary[0] << scan.out;
    }
    EXPECT_EQ(Number(summary, R"(([\d,]+) items? \()"), Count(done, "^Moved .* to archive"));
    EXPECT_EQ(Number(summary, R"(([\d,]+) archive days? to remove)"),
              Count(done, "^Removing day "));
    return {plan.out, scan.out};
  }

  const int64_t base_;             // seconds since 1601
  std::unique_ptr<DirLock> lock_;  // another scan's
};

// Random trees grown and changed from a seed.
class RandomTree {
 public:
  explicit RandomTree(unsigned seed) : random_(seed) {}

  void Grow(const std::string& dir, int depth) {
    MakeDirs(dir);
    for (int i = 0, n = 2 + Pick(4); i < n; ++i) {
      const std::string name = dir + "/n" + std::to_string(next_++) + Extension();
      if (depth < 2 && Pick(3) == 0) {
        Grow(name, depth + 1);
      } else {
        WriteFile(name, std::string(1 + Pick(300), static_cast<char>('a' + Pick(26))));
      }
    }
  }

  // Deletes, changes, renames and swaps folders and files for one another.
  void Change(const std::string& dir) {
    std::vector<fs::path> entries{fs::directory_iterator(dir), fs::directory_iterator()};
    std::ranges::sort(entries);
    for (const fs::path& entry : entries) {
      const std::string path = entry.string();
      const bool folder = fs::is_directory(fs::symlink_status(entry));
      switch (Pick(8)) {
        case 0:
          fs::remove_all(entry);
          break;
        case 1:
          if (folder) {
            Change(path);
          } else {
            WriteFile(path, ReadFile(path) + "changed");
          }
          break;
        case 2:
          fs::rename(entry, path + "r");
          break;
        case 3:
          fs::remove_all(entry);
          if (folder) {
            WriteFile(path, "was a folder");
          } else {
            Grow(path, 2);
          }
          break;
        default:
          if (folder) Change(path);
      }
    }
    WriteFile(dir + "/added" + std::to_string(next_++) + Extension(), "new");
  }

 private:
  int Pick(int n) { return static_cast<int>(random_() % static_cast<unsigned>(n)); }
  std::string Extension() { return std::vector<std::string>{".txt", ".tmp", ""}[Pick(3)]; }

  std::mt19937 random_;
  int next_ = 0;
};

// Three days of one mirror with filters of every type, a minimal age, a file
// mapping and, on the third, an archive limit that removes the second day.
TEST_F(ScanPlanTest, TheScanAfterThePlanDoesWhatItSaid) {
  for (const unsigned seed : {1u, 2u, 3u}) {
    SCOPED_TRACE(seed);
    // Emptied, not replaced: a new source folder would be another directory.
    for (const auto& entry : fs::directory_iterator(At("src"))) fs::remove_all(entry);
    const std::string archive = MappingKey(At("dst/")) + kDestinationSubkey + kArchiveSubkey;
    ASSERT_TRUE(Store().Unset(archive, "MaxArchiveSize"));
    RandomTree tree(seed);
    tree.Grow(At("src"), 0);
    if (seed == 1) {
      for (const auto& [type, text] : std::vector<std::pair<std::string, std::string>>{
               {"excluded-source", "*.tmp"},
               {"excluded-destination", "@dst/kept*"},
               {"included-source", "*"},
               {"included-source-dir", "@src/"},
               {"remove-empty-destination-dir", "*"}}) {
        RunOk({"filter", "add", type, text});
      }
      WriteFile(At("dst/kept.txt"), "not the mirror's");
      WriteFile(At("elsewhere.txt"), "old");
      WriteFile(At("src/mapped.txt"), "mapped");
      RunOk({"filemap", "add", "@elsewhere.txt", "@src/mapped.txt"});
      RunOk({"minage", "add", "@src/young", "10"});
    }
    PinDay(3 * seed - 2);
    RunOk({"scan"});
    tree.Change(At("src"));
    PinDay(3 * seed - 1);
    PlanThenScan();
    tree.Change(At("src"));
    // Too young to be mirrored on the third day.
    MakeDirs(At("src/young"));
    WriteFile(At("src/young/file.txt"), "young");
    const timespec young[2] = {{0, UTIME_OMIT},
                               {base_ + 3 * seed * kDay - 60 - kUnixEpochSeconds, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, At("src/young/file.txt").c_str(), young, AT_SYMLINK_NOFOLLOW), 0);
    if (seed == 1) {
      ASSERT_TRUE(Store().Write64(archive, "MaxArchiveSize", 1));
    }
    PinDay(3 * seed);
    const auto [plan, scan] = PlanThenScan();
    if (seed == 1) {
      EXPECT_GT(Count(ScanActions(scan), "^Removing day "), 0) << scan;
    }
    EXPECT_EQ(ReadFile(At("elsewhere.txt")), "mapped");
  }
}

// One mirror of a case in the table below.
class PlanCase : public ScanPlanTest {
 public:
  void TestBody() override {}
  using CliTest::At;
  using CliTest::dir_;
  using CliTest::Run;
  using CliTest::RunOk;
  using ScanPlanTest::lock_;
  using ScanPlanTest::PlanThenScan;
};

// Cases of one mirror, each planned and then scanned but for Confirm, which
// the scan asks on a terminal only. DST in the expected texts is dst/.
TEST(ScanPlanCaseTest, FirstHeldLockedMissingAndAskedMirrors) {
  struct Case {
    const char* name;
    std::function<void(PlanCase&)> arrange;
    std::vector<std::string> expected;  // parts of the plan's output
    std::vector<std::string> args = {"scan", "--plan"};
  };
  const std::vector<Case> cases = {
      {"first mirror: everything below the folders it creates",
       [](PlanCase&) {},
       {"plan: Created file DSTsub/deeper/c.txt\n",
        "plan: Mirror to DST: 3 files (9 bytes) to copy, 0 items (0 bytes) to archive, 2 folders "
        "to create, 0 folders to remove, 0 archive days to remove\n",
        "plan: Free space: ample\n"}},
      {"mass change held",
       [](PlanCase& t) {
         t.RunOk({"scan"});
         t.RunOk({"mirror", "set", "@dst", "--mass-change-minimum", "1"});
         fs::remove_all(t.At("src/sub"));
       },
       {"plan: The mass-change guard would stop the mirror to DST: nothing there would be "
        "replaced or removed\n",
        "0 items (0 bytes) to archive, 0 folders to create, 0 folders to remove"}},
      {"another scan holds the lock",
       [](PlanCase& t) {
         LockHolder holder;
         ASSERT_TRUE(DefaultPlatform().LockDir(t.At("dst"), kLockFileName, &t.lock_, &holder).ok());
       },
       {"plan: Error: Another scan is updating DST ("}},
      {"drive missing",
       [](PlanCase& t) { fs::remove_all(t.At("dst")); },
       {"plan: Error 2: Could not read file attributes of DST. ",
        "plan: Canceling the mirror from "}},
      {"questions answered Yes",
       [](PlanCase& t) {
         t.RunOk({"set", "Confirm", "true"});
       },
       {"plan: Answered Yes for the plan: ", "plan: Created file DSTa.txt\n"}},
      {"records",
       [](PlanCase&) {},
       {R"({"record":"action","text":"Created file DSTa.txt"})",
        R"({"record":"total","files_to_copy":3,"bytes_to_copy":9,"items_to_archive":0,)"
        R"("bytes_to_archive":0,"folders_to_create":2,"folders_to_remove":0,"days_to_remove":0,)"
        R"("held":false,"free_space":"ample","errors":0})"},
       {"scan", "--plan", "--json"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PlanCase t;
    MakeTree(t.At("src/"), {"a.txt=one", "sub/b.txt=two", "sub/deeper/c.txt=six"});
    c.arrange(t);
    std::string plan;
    if (c.args.size() == 2 && !Has(c.name, "questions")) {
      plan = t.PlanThenScan().first;
    } else {
      const auto before = Snapshot(t.dir_.path());
      plan = t.Run(c.args).out;
      EXPECT_EQ(Snapshot(t.dir_.path()), before);
    }
    for (std::string part : c.expected) {
      for (size_t at; (at = part.find("DST")) != std::string::npos;)
        part.replace(at, 3, t.At("dst/"));
      EXPECT_TRUE(Has(plan, part)) << part << "\n" << plan;
    }
  }
}

}  // namespace
}  // namespace qv::testing
