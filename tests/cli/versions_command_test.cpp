// The versions of paths as real scans leave them, through the index and the
// versions command: each version found for a time is what the destination
// held then, and reading changes nothing.
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>

#include "cli/json_text.h"
#include "filesys/testing/fault_platform.h"
#include "tests/cli/cli_test_util.h"
#include "tests/support/sample_acl.h"
#include "tests/support/scoped_mount.h"
#include "versions/civil_time.h"
#include "versions/version_index.h"

namespace qv::testing {
namespace {

namespace fs = std::filesystem;

constexpr char kGone[] = "<none>";
constexpr char kFolder[] = "<folder>";

// The paths followed, below source and destination.
const std::vector<std::string> kPaths = {"a.txt",     "del.txt",  "swap",     "swap/in",    "g",
                                         "g/c",       "f",        "f/c",      "sp ace.txt", "n\xff",
                                         "new\nline", "skip.tmp", "late.txt", "ln"};

// What a path holds: its content, its link's target, kFolder or kGone.
std::string Holds(const std::string& path) {
  std::error_code error;
  const fs::file_status status = fs::symlink_status(path, error);
  if (!fs::exists(status)) return kGone;
  if (fs::is_symlink(status)) return "-> " + fs::read_symlink(path).string();
  return fs::is_directory(status) ? kFolder : ReadFile(path);
}

class VersionsCommandTest : public CliTest {
 protected:
  using TSnapshot = std::map<std::string, std::string>;

  // Scans until the next second, so that each scan gets a slot of its own.
  void ScanInNextSecond() {
    const int64_t second = platform_.Now() / kFileTimeTicksPerSecond;
    for (int i = 0; i < 300 && platform_.Now() / kFileTimeTicksPerSecond == second; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    RunOk({"scan"});
    TSnapshot snapshot;
    for (const std::string& path : kPaths) snapshot[path] = Holds(At("dst/" + path));
    snapshots_.push_back({platform_.Now(), snapshot});
  }

  // Four scans: a.txt changed each time, del.txt deleted and made again,
  // swap a folder, a file, a folder; g archived whole; f/c changed inside f;
  // ln a link given another target; late.txt born after the second, gone by the last.
  void BuildHistory() {
    MakeDirs(At("dst"));
    MakeTree(At(""), {"src/a.txt=1", "src/del.txt=first", "src/swap/in=x", "src/g/c=gc",
                      "src/f/c=fc", "src/sp ace.txt=blank", "src/n\xff=bytes", "src/new\nline=nl",
                      "src/skip.tmp=never mirrored"});
    RunOk({"mirror", "add", "@src", "@dst"});
    RunOk({"filter", "add", "excluded-source", "*.tmp"});
    fs::create_symlink("a.txt", At("src/ln"));
    ScanInNextSecond();
    WriteFile(At("src/a.txt"), "22");
    fs::remove(At("src/del.txt"));
    fs::remove_all(At("src/swap"));
    WriteFile(At("src/swap"), "now a file");
    fs::remove_all(At("src/g"));
    WriteFile(At("src/f/c"), "fc two");
    ScanInNextSecond();
    WriteFile(At("src/a.txt"), "333");
    fs::remove(At("src/ln"));
    fs::create_symlink("sp ace.txt", At("src/ln"));
    WriteFile(At("src/del.txt"), "second");
    fs::remove(At("src/swap"));
    MakeTree(At(""), {"src/swap/in=back", "src/late.txt=late"});
    ScanInNextSecond();
    fs::remove(At("src/late.txt"));
    ScanInNextSecond();
  }

  std::vector<std::pair<FileTime, TSnapshot>> snapshots_;
};

TEST_F(VersionsCommandTest, EachTimeFindsWhatTheDestinationHeldThen) {
  const FileTime before = platform_.Now();
  BuildHistory();
  struct statx probe;
  ASSERT_EQ(statx(AT_FDCWD, At("dst/a.txt").c_str(), 0, STATX_BTIME, &probe), 0);
  if ((probe.stx_mask & STATX_BTIME) == 0) {
    GTEST_SKIP() << "the file system of the temporary folder keeps no birth times";
  }
  TVersionIndex index(platform_, At("dst/"));
  ASSERT_TRUE(index.Load().ok());
  ASSERT_EQ(index.slots().size(), 3u);  // the first scan archived nothing
  const TPathHistory unchanged = index.Gather("a.txt");
  ASSERT_EQ(chmod(At("dst/a.txt").c_str(), 0600), 0);

  for (const std::string& path : kPaths) {
    const TPathHistory history = index.Gather(path);
    const std::vector<TLifeItem> lives = history.Lives();
    // Before the first scan, and before the oldest slot (the first scan
    // archived nothing), nothing can be told.
    for (const FileTime unknown : {before, snapshots_[0].first}) {
      EXPECT_EQ(VersionAt(lives, unknown, history.known_from).state, TVersionState::kUnknown)
          << path;
    }
    for (size_t scan = 1; scan < snapshots_.size(); ++scan) {
      const auto& [time, snapshot] = snapshots_[scan];
      const TVersionAt at = VersionAt(lives, time, history.known_from);
      const std::string found =
          at.state == TVersionState::kFound ? Holds(history.items[at.index].path) : kGone;
      EXPECT_EQ(found, snapshot.at(path)) << path << " after scan " << scan + 1;
      EXPECT_FALSE(at.uncertain) << path;
    }
  }
  const struct {
    std::string path;
    size_t versions;
  } kCounts[] = {{"a.txt", 3}, {"del.txt", 2}, {"swap", 3},  {"g", 1},        {"g/c", 1},
                 {"f", 1},     {"f/c", 2},     {"n\xff", 1}, {"late.txt", 1}, {"ln", 2}};
  for (const auto& c : kCounts) {
    EXPECT_EQ(index.Gather(c.path).versions.size(), c.versions) << c.path;
  }
  // The archived g carried g/c: both left when g did.
  const TPathHistory g = index.Gather("g"), gc = index.Gather("g/c");
  EXPECT_EQ(g.items[g.versions[0]].life.left, gc.items[gc.versions[0]].life.left);
  // A chmod moves the change time, never the birth.
  const TPathHistory changed = index.Gather("a.txt");
  EXPECT_EQ(changed.items[changed.versions[0]].life.born_from,
            unchanged.items[unchanged.versions[0]].life.born_from);
  EXPECT_EQ(changed.items[0].path, At("dst/a.txt"));
  std::string unfinished;  // a copy a scan left behind is no child
  ASSERT_TRUE(platform_.CreateTempFile(At("dst/a.txt"), &unfinished).ok());
  std::vector<std::string> errors;
  EXPECT_EQ(index.ChildNames(index.Gather(""), &errors),
            (std::vector<std::string>{"a.txt", "del.txt", "f", "g", "late.txt", "ln", "new\nline",
                                      "n\xff", "sp ace.txt", "swap"}));
}

// Every entry of the tree with its times, which any write would move.
std::string TreeState(const std::string& root) {
  std::string state;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    struct stat st;
    lstat(entry.path().c_str(), &st);
    state += entry.path().string() + " " + std::to_string(st.st_mtim.tv_nsec) + " " +
             std::to_string(st.st_ctim.tv_nsec) + "\n";
  }
  return state;
}

TEST_F(VersionsCommandTest, ListsNewestFirstAsTextAndJsonAndChangesNothing) {
  BuildHistory();
  const std::string tree = TreeState(At("dst")), store = StoreBytes();
  const std::string text = RunOk({"versions", "@src/a.txt"});
  const std::vector<std::string> kSizes = {"3", "2", "1"};
  size_t at = text.find("current");
  for (const std::string& size : kSizes) {
    at = text.find("  file  " + size + " ", at);
    EXPECT_NE(at, std::string::npos) << size << " in " << text;
  }
  EXPECT_TRUE(Has(RunOk({"versions", "@dst/new\nline/"}), "new\\x0Aline"));
  const std::string json = RunOk({"versions", "@src", "--json", "--destination", "@dst"});
  EXPECT_TRUE(json.starts_with("{\"mirrors\":[{\"source\":\"" + At("src/")) &&
              json.ends_with("]}\n"));
  EXPECT_TRUE(Has(json, "{\"name\":\"n\xEF\xBF\xBD\",\"name_base64\":\"bv8=\",\"versions\""));
  EXPECT_TRUE(Has(json, "{\"name\":\"new\\u000aline\",\"versions\":[{\"born\":\""));
  EXPECT_TRUE(Has(json, "\"left\":null,\"current\":true,\"type\":\"folder\""));
  EXPECT_TRUE(Has(RunFails({"versions", "/elsewhere"}), "/elsewhere lies in no mirror's"));
  EXPECT_TRUE(Has(RunFails({"versions", "@src/a.txt", "--destination", "@src"}),
                  "no mirror has the destination " + At("src/")));
  EXPECT_TRUE(Has(RunFails({"versions", "@dst/Quorvane archive"}), "lies in no mirror's"));
  // Readers share the destination's lock; a scan holding it is only noted.
  for (const bool scan_runs : {false, true}) {
    std::unique_ptr<DirLock> lock;
    LockHolder holder;
    ASSERT_TRUE((scan_runs ? platform_.LockDir(At("dst/"), kLockFileName, &lock, &holder)
                           : platform_.LockDirShared(At("dst/"), kLockFileName, &lock, &holder))
                    .ok());
    const CliRun run = Run({"versions", "@src/del.txt"});
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.err, scan_runs ? "quorvane-cli: warning: a scan is updating " + At("dst/") +
                                       "; its versions are read meanwhile\n"
                                 : "");
    EXPECT_TRUE(Has(run.out, "  file  6  ") && Has(run.out, "  file  5  ")) << run.out;
  }
  EXPECT_EQ(TreeState(At("dst")), tree);
  EXPECT_EQ(StoreBytes(), store);
}

// Restores compared with what the destination held after each scan: the
// mirror's state (filters applied), never the source's.
TEST_F(VersionsCommandTest, RestoresWhatTheDestinationHeldAndNeverOverwrites) {
  BuildHistory();
  const auto expect_held = [&](const std::string& root, size_t scan) {
    for (const std::string& path : kPaths) {
      EXPECT_EQ(Holds(root + path), snapshots_[scan].second.at(path)) << path << " of " << root;
    }
  };
  TVersionIndex index(platform_, At("dst/"));
  ASSERT_TRUE(index.Load().ok());
  ASSERT_EQ(index.slots().size(), 3u);
  // The slots of the third and fourth scans: just before them. A local time
  // after the last.
  const int64_t last = snapshots_[3].first / kFileTimeTicksPerSecond + 1;
  const struct {
    std::string at;
    size_t scan;
  } kTimes[] = {{index.slots()[1].name, 1},
                {index.slots()[2].name, 2},
                {LocalTimeText(platform_, last * kFileTimeTicksPerSecond), 3}};
  // Modes (of a folder too), user extended attributes and ACLs come along:
  // each attribute set on the destination's item, read from its restored copy.
  ASSERT_EQ(chmod(At("dst/swap").c_str(), 0751), 0);
  bool acls = false;
  ASSERT_TRUE(platform_.KeepsAcls(At(""), &acls).ok());
  struct {
    std::string item, restored, name, value;
  } kKept[] = {{"del.txt", "out2/src/del.txt", "user.note", "kept"},
               {"a.txt", "out3/src/a.txt", kAclAccessName, SampleAcl()}};
  for (auto& c : kKept) {
    if (!acls && c.name == kAclAccessName) {
      std::cout << "ACLs not tried: the temporary folder's file system keeps none\n";
      c.value.clear();
      continue;
    }
    ASSERT_EQ(
        setxattr(At("dst/" + c.item).c_str(), c.name.c_str(), c.value.data(), c.value.size(), 0), 0)
        << c.name;
  }
  const std::string tree = TreeState(At("dst"));
  for (const auto& c : kTimes) {
    MakeDirs(At("out" + std::to_string(c.scan)));
    const std::string out = "@out" + std::to_string(c.scan);
    EXPECT_TRUE(Has(RunOk({"restore", "@src", "--at", c.at, "--to", out}), "Restored ")) << c.at;
    expect_held(At("out" + std::to_string(c.scan) + "/src/"), c.scan);
  }
  // Times and modes come along; no hard link into the archive.
  struct stat kept, restored;
  ASSERT_EQ(lstat(At("dst/Quorvane archive/" + index.slots()[1].name + "/a.txt").c_str(), &kept),
            0);
  ASSERT_EQ(lstat(At("out1/src/a.txt").c_str(), &restored), 0);
  EXPECT_EQ(restored.st_mtim.tv_nsec, kept.st_mtim.tv_nsec);
  EXPECT_EQ(restored.st_mode, kept.st_mode);
  EXPECT_EQ(restored.st_nlink, 1u);
  ASSERT_EQ(lstat(At("out2/src/swap").c_str(), &restored), 0);
  EXPECT_EQ(restored.st_mode & 07777, 0751u);
  for (const auto& c : kKept) {
    if (c.value.empty()) continue;
    std::string value(256, '\0');
    value.resize(std::max<ssize_t>(
        0, getxattr(At(c.restored).c_str(), c.name.c_str(), value.data(), value.size())));
    EXPECT_EQ(value, c.value) << c.name;
  }
  EXPECT_TRUE(Has(RunFails({"restore", "@src", "--at", index.slots()[0].name, "--to", "@out1"}),
                  "the archive cannot tell"));

  // Without a time: an existing file is left alone, exit 1; beside it, the
  // newest version that differs; a deleted file its newest; a folder what
  // it lacks, a folder archived whole included.
  WriteFile(At("src/del.txt"), "edited");
  fs::remove(At("src/swap/in"));
  fs::remove_all(At("src/f"));
  const CliRun exists = Run({"restore", "@dst/a.txt"});
  EXPECT_EQ(exists.code, 1);
  EXPECT_TRUE(Has(exists.out, "Left alone, it exists: " + At("src/a.txt")));
  EXPECT_EQ(ReadFile(At("src/a.txt")), "333");
  RunOk({"restore", "@src/a.txt", "--suffix"});
  RunOk({"restore", "@src"});
  std::vector<std::string> beside;
  for (const auto& entry : fs::directory_iterator(At("src"))) {
    if (entry.path().filename().string().starts_with("a.txt (restored ")) {
      beside.push_back(ReadFile(entry.path()));
    }
  }
  EXPECT_EQ(beside, std::vector<std::string>{"22"});
  const struct {
    std::string path, holds;
  } kBack[] = {{"del.txt", "edited"},
               {"swap/in", "back"},
               {"f/c", "fc two"},
               {"g/c", "gc"},
               {"a.txt", "333"}};
  for (const auto& c : kBack) EXPECT_EQ(Holds(At("src/" + c.path)), c.holds) << c.path;
  fs::remove(At("src/del.txt"));
  RunOk({"restore", "@src/del.txt"});
  EXPECT_EQ(ReadFile(At("src/del.txt")), "second");

  // The mirror's destination and archive are never written, however named.
  fs::create_directory_symlink(At("dst/f"), At("into-dst"));
  for (const char* to : {"@dst", "@dst/f", "@into-dst", "@dst/Quorvane archive"}) {
    EXPECT_TRUE(Has(RunFails({"restore", "@src/a.txt", "--to", to}), "lies in a mirror's")) << to;
  }
  // While a scan holds the mirror's lock, a restore reads all the same.
  std::unique_ptr<DirLock> lock;
  LockHolder holder;
  ASSERT_TRUE(platform_.LockDir(At("dst/"), kLockFileName, &lock, &holder).ok());
  fs::remove(At("src/del.txt"));
  const CliRun locked = Run({"restore", "@src/del.txt"});
  EXPECT_EQ(locked.code, 0);
  EXPECT_TRUE(Has(locked.err, "a scan is updating " + At("dst/") + "; restoring from it"));
  EXPECT_EQ(ReadFile(At("src/del.txt")), "second");
  EXPECT_EQ(TreeState(At("dst")), tree);
}

// A clock that moves on by step at each reading.
class SteppingClock : public CliTestPlatform {
 public:
  int64_t TickMs() override { return tick += step; }
  int64_t step = 0, tick = 1000000;
};

// The progress line: only on a terminal, and only once a restore has taken
// a while (a second by the clock, read at each MiB copied).
TEST_F(VersionsCommandTest, ShowsProgressOnATerminalOnlyForALongRestore) {
  MakeDirs(At("dst"));
  MakeDirs(At("src/d"));
  WriteFile(At("src/d/b"), std::string(4 << 20, 'b'));
  RunOk({"mirror", "add", "@src", "@dst"});
  RunOk({"scan"});
  fs::remove_all(At("src/d"));
  SteppingClock clock;
  ScriptedConsole terminal;
  run_platform_ = &clock;
  const struct {
    int64_t step_ms;
    TConsole* console;
    bool shown;
  } kCases[] = {{600, &terminal, true}, {1, &terminal, false}, {600, nullptr, false}};
  for (size_t i = 0; i < std::size(kCases); ++i) {
    clock.step = kCases[i].step_ms;
    console_ = kCases[i].console;
    const std::string out = "out" + std::to_string(i);
    MakeDirs(At(out));
    const CliRun run = Run({"restore", "@src/d", "--to", "@" + out});
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(Has(run.err, "0 files, "), kCases[i].shown) << i << ": " << run.err;
  }
}

// A destination without birth times: a version's birth is known only to lie
// between its modification and its change time, and an archived item's
// change time is when it left. As of just before the third scan, "22" is
// found, but the bounds cannot rule out that it came later.
TEST_F(VersionsCommandTest, WithoutBirthTimesTheVersionFoundIsMarkedUncertain) {
  ScopedImageMount image(At("image"), ScopedImageMount::Kind::kExt4SmallInodes);
  SKIP_UNLESS_MOUNTED(image);
  MakeDirs(At("image/dst"));
  MakeTree(At(""), {"src/a.txt=1"});
  RunOk({"mirror", "add", "@src", "@image/dst"});
  for (const char* text : {"22", "333", ""}) {
    ScanInNextSecond();
    if (*text != '\0') WriteFile(At("src/a.txt"), text);
  }
  TVersionIndex index(platform_, At("image/dst/"));
  ASSERT_TRUE(index.Load().ok());
  ASSERT_EQ(index.slots().size(), 2u);
  const std::string text = RunOk({"versions", "@src/a.txt"});
  EXPECT_TRUE(Has(text, "\n~") && Has(text, "~ Uncertain: this file system keeps no birth times"))
      << text;
  EXPECT_TRUE(
      Has(RunOk({"versions", "@src/a.txt", "--json"}), "\"born_known\":false,\"born_by\":"));
  MakeDirs(At("out"));
  const std::string restored =
      RunOk({"restore", "@src/a.txt", "--at", index.slots()[1].name, "--to", "@out"});
  EXPECT_TRUE(Has(restored, "Uncertain, this file system keeps no birth times: " + At("out/a.txt")))
      << restored;
  EXPECT_EQ(ReadFile(At("out/a.txt")), "22");
}

// A console whose stop signal is a flag the test raises.
class FlagConsole : public TConsole {
 public:
  explicit FlagConsole(const bool& stop) : stop_(stop) {}
  bool TakeStopSignal() override { return stop_; }

 private:
  const bool& stop_;
};

// A stop raised while b is copied: b is dropped whole, the link c (no copy
// to cancel) is never begun, a stays; exit 3 as a stopped scan.
TEST_F(VersionsCommandTest, AStopEndsARestoreAtOnceWithNoPartOfAFile) {
  MakeDirs(At("dst"));
  MakeTree(At(""), {"src/d/a=first"});
  WriteFile(At("src/d/b"), std::string(3 << 20, 'b'));
  fs::create_symlink("a", At("src/d/c"));
  RunOk({"mirror", "add", "@src", "@dst"});
  RunOk({"scan"});
  fs::remove_all(At("src/d"));
  bool stop = false;
  FaultPlatform platform(platform_);
  platform.on_progress = [&](const std::string& src, int64_t copied) {
    stop = stop || (src.ends_with("/b") && copied > 0);
  };
  FlagConsole console(stop);
  run_platform_ = &platform;
  console_ = &console;
  const CliRun run = Run({"restore", "@src/d"});
  EXPECT_EQ(run.code, 3) << run.err;
  EXPECT_TRUE(Has(run.out, "Stopped before its end.\nRestored 1 file and 1 folder (5 bytes)"))
      << run.out;
  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(At("src/d"))) {
    left.push_back(entry.path().filename());
  }
  EXPECT_EQ(left, std::vector<std::string>{"a"});
}

// a.txt held "c", then "aa" written half a second after the time T of the
// "bb" that followed: the scans compared at the exact default and archived
// both. A restore compares as the mirror's scans do, by its stored
// resolution where one is stored. A version that cannot be read is never
// passed over in silence: the answer would be partial, or the wrong version.
TEST_F(VersionsCommandTest, ComparesAtTheMirrorsResolutionAndNeverAnswersFromAPartialRead) {
  MakeDirs(At("dst"));
  MakeTree(At(""), {"src/a.txt=c"});
  RunOk({"mirror", "add", "@src", "@dst"});
  ScanInNextSecond();
  const int64_t t = 1767225600;  // 2026-01-01 00:00:00 UTC
  for (const auto& [text, nanos] : {std::pair{"aa", 500000000}, std::pair{"bb", 0}}) {
    WriteFile(At("src/a.txt"), text);
    const timespec times[2] = {{t, nanos}, {t, nanos}};
    ASSERT_EQ(utimensat(AT_FDCWD, At("src/a.txt").c_str(), times, 0), 0);
    ScanInNextSecond();
  }
  const struct {
    int64_t stored;  // write-time resolution, 100-ns units; 0: none stored
    std::string restored;
  } kResolutions[] = {{0, "aa"}, {2 * kFileTimeTicksPerSecond, "c"}};
  for (const auto& c : kResolutions) {
    ASSERT_TRUE(Store().WriteResolution(MappingKey(At("dst/")) + kDestinationSubkey,
                                        "WriteTimeResolution", c.stored));
    const std::string out = "out" + std::to_string(c.stored);
    MakeDirs(At(out));
    RunOk({"restore", "@src/a.txt", "--to", "@" + out});
    EXPECT_EQ(ReadFile(At(out + "/a.txt")), c.restored) << c.stored;
  }

  FaultPlatform platform(platform_);
  platform.AddFault({Op::kStatWithBirth, "/Quorvane archive/", 1});
  run_platform_ = &platform;
  const struct {
    std::vector<std::string> args;
    std::string out;
  } kPartial[] = {
      {{"versions", "@src/a.txt"}, "Incomplete: some items could not be read.\n"},
      {{"versions", "@src", "--json"}, "\"errors\":[\"could not read " + At("dst/Quorvane")},
      {{"restore", "@src/a.txt", "--suffix"}, "Restored 0 files and 0 folders"},
  };
  for (const auto& c : kPartial) {
    const CliRun run = Run(c.args);
    EXPECT_EQ(run.code, 1) << c.args[0];
    EXPECT_TRUE(Has(run.err, "quorvane-cli: warning: could not read " + At("dst/Quorvane")))
        << run.err;
    EXPECT_TRUE(Has(run.out, c.out)) << run.out;
  }
}

// A scan that archives the item while its versions are read: they are read
// again, and the item is found where it went.
class MovingPlatform : public CliTestPlatform {
 public:
  Status StatWithBirth(const std::string& path, FileInfo* info) override {
    if (!moved && path.ends_with("/00 00 00/a.txt")) {
      moved = true;
      MakeDirs(archive + "00 00 01");
      fs::rename(item, archive + "00 00 01/a.txt");
    }
    return CliTestPlatform::StatWithBirth(path, info);
  }
  std::string archive, item;
  bool moved = false;
};

TEST_F(VersionsCommandTest, AnItemMovedWhileReadIsLookedForAgain) {
  MovingPlatform platform;
  platform.archive = At("dst/Quorvane archive/2026/01/01/");
  platform.item = At("dst/a.txt");
  MakeTree(At(""), {"dst/a.txt=now", "dst/Quorvane archive/2026/01/01/00 00 00/a.txt=old"});
  TVersionIndex index(platform, At("dst/"));
  ASSERT_TRUE(index.Load().ok());
  const TPathHistory history = index.Gather("a.txt");
  ASSERT_TRUE(platform.moved);
  ASSERT_EQ(history.items.size(), 2u);
  EXPECT_EQ(ReadFile(history.items[1].path), "now");
  EXPECT_EQ(history.items[1].path, platform.archive + "00 00 01/a.txt");
}

TEST(JsonTextTest, InvalidUtf8BecomesReplacementsWithTheBytesBeside) {
  const struct {
    std::string value, member;
  } kCases[] = {
      {"plain", "\"n\":\"plain\""},
      {"q\"b\\\t\x7f", "\"n\":\"q\\\"b\\\\\\u0009\\u007f\""},
      {"\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80", "\"n\":\"\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80\""},
      {"\xc3", "\"n\":\"\xEF\xBF\xBD\",\"n_base64\":\"ww==\""},
      {"\xc0\xaf!", "\"n\":\"\xEF\xBF\xBD\xEF\xBF\xBD!\",\"n_base64\":\"wK8h\""},
      {"\xed\xa0\x80", "\"n\":\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\",\"n_base64\":\"7aCA\""},
      {"\xf4\x90\x80\x80",
       "\"n\":\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\","
       "\"n_base64\":\"9JCAgA==\""},
  };
  for (const auto& c : kCases) EXPECT_EQ(JsonNameMember("n", c.value), c.member) << c.value;
  EXPECT_EQ(Base64Text("ab"), "YWI=");
  EXPECT_EQ(Base64Text("abc"), "YWJj");
}

}  // namespace
}  // namespace qv::testing
