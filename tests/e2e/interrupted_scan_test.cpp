// Scans killed, or interrupted, while large files are copied and directories
// leave the source: whenever one ends, a destination name holds a complete version of
// its file, the archive only complete versions, and no version the
// destination held is lost.

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <random>
#include <set>
#include <thread>

#include <signal.h>

#include "filesys/posix/copy_file.h"
#include "tests/e2e/tool_test.h"

namespace qv::testing {
namespace {

namespace fs = std::filesystem;

constexpr int kLargeFiles = 6;
constexpr int kSmallDirs = 60;
constexpr int kFilesPerSmallDir = 5;  // a directory that goes takes under 2% of the files
constexpr size_t kMiB = size_t{1} << 20;

class InterruptedScanTest : public ToolTest {
 protected:
  void Write(const std::string& relative, const std::string& content) {
    WriteFile(At("src/" + relative), content);
    versions_[relative].insert(std::to_string(Hash(content)));
  }

  // The next version of large file i, 8 to 18 MiB: a slice of the pool with
  // its number in front.
  void WriteLarge(int i) {
    const std::string relative = "large" + std::to_string(i) + ".bin";
    const std::string version = std::to_string(versions_[relative].size()) + ":";
    const size_t size = (8 + 2 * i) * kMiB;
    const size_t offset = (versions_[relative].size() * 7919 + i * 104729) % (pool_.size() - size);
    Write(relative, version + pool_.substr(offset, size - version.size()));
  }

  // A new directory of small files, small/<n>/.
  void AddSmallDir() {
    const std::string dir = "small/" + std::to_string(small_dirs_++) + "/";
    MakeDirs(At("src/" + dir));
    for (int i = 0; i < kFilesPerSmallDir; ++i) {
      const int n = small_dirs_ * kFilesPerSmallDir + i;
      Write(dir + std::to_string(i) + ".txt", RandomBytes(n * 37 % 5000, n));
    }
  }

  // One small directory leaves the source, a new one comes. The one that
  // goes holds no unfinished copy in the destination: what becomes of those
  // in a directory that goes is shown on its own.
  void ReplaceSmallDir(std::mt19937& random) {
    std::vector<std::string> candidates;
    for (const auto& entry : fs::directory_iterator(At("src/small"))) {
      const std::string dest = At("dst/small/") + entry.path().filename().string();
      if (!fs::exists(dest) || Unfinished(dest).empty()) candidates.push_back(entry.path());
    }
    ASSERT_FALSE(candidates.empty());
    fs::remove_all(
        candidates[std::uniform_int_distribution<size_t>(0, candidates.size() - 1)(random)]);
    AddSmallDir();
  }

  // Checks every file the destination shows; answers how many unfinished
  // copies it holds. Once a large file is there, it must stay.
  int CheckDestination() {
    int unfinished = 0;
    const auto listing = Listing(At("dst/"));
    for (const auto& [path, hash] : listing) {
      if (PosixIsTempName(fs::path(path).filename())) {
        ++unfinished;
      } else if (!path.ends_with("/")) {
        EXPECT_TRUE(versions_[path].contains(hash)) << "partial or unknown file " << path;
        held_[path].insert(hash);
        if (path.starts_with("large")) present_.insert(path);
      }
    }
    for (const std::string& path : present_) EXPECT_TRUE(listing.contains(path)) << path << " went";
    return unfinished;
  }

  // Every archived file is a complete version of what it was below dst/, and
  // every version the destination held is still there or in the archive.
  void CheckArchive() {
    std::map<std::string, std::set<std::string>> archived;  // by path below dst/
    for (const auto& [path, hash] : Listing(At("dst/Quorvane archive/"))) {
      if (path.starts_with("Logs/") || path.ends_with("/")) continue;
      size_t at = 0;  // below yyyy/mm/dd/slot/
      for (int level = 0; level < 4; ++level) at = path.find('/', at) + 1;
      EXPECT_TRUE(versions_[path.substr(at)].contains(hash)) << "partial archived " << path;
      archived[path.substr(at)].insert(hash);
    }
    const auto dest = Listing(At("dst/"));
    for (const auto& [path, hashes] : held_) {
      for (const std::string& hash : hashes) {
        const auto it = dest.find(path);
        EXPECT_TRUE((it != dest.end() && it->second == hash) || archived[path].contains(hash))
            << "a version of " << path << " was lost";
      }
    }
  }

  const std::string pool_ = RandomBytes(32 * kMiB, 0x51ce);
  std::map<std::string, std::set<std::string>> versions_;  // content hashes ever written
  std::map<std::string, std::set<std::string>> held_;      // those the destination showed
  std::set<std::string> present_;
  int small_dirs_ = 0;
};

// The interrupt key while a copy stands half done ends the scan cleanly:
// the copy is given up and its temporary file removed.
TEST_F(InterruptedScanTest, InterruptsStopTheCopyAndLeaveNoPartBehind) {
  AddMirror();
  for (int i = 0; i < kLargeFiles; ++i) WriteLarge(i);
  const pid_t pid = Start({"scan"});
  const std::set<std::string> copying = StopWhileCopying(pid);
  kill(pid, SIGINT);  // taken once the scan goes on
  kill(pid, SIGCONT);
  const ToolRun run = Wait(pid);
  ASSERT_FALSE(copying.empty()) << "the scan ended before it was stopped copying\n" << run.out;
  EXPECT_EQ(run.code, 3) << "3 is a stopped scan; negative is the signal that ended it";
  EXPECT_TRUE(Has(run.out, "\n\nTerminating scanner...\n\n")) << run.out;
  EXPECT_TRUE(Has(run.out, "\nScanner terminated\n")) << run.out;
  for (const std::string& name : copying) EXPECT_FALSE(fs::exists(At("dst/") + name)) << name;
  EXPECT_EQ(Unfinished(At("dst")), std::set<std::string>{});
}

// Killed while files change and directories go: every other time as soon
// as it copies, else at a random moment. The scan after that completes the
// mirror.
TEST_F(InterruptedScanTest, KilledAnywhereLeavesOnlyCompleteVersions) {
  AddMirror();
  for (int i = 0; i < kLargeFiles; ++i) WriteLarge(i);
  for (int i = 0; i < kSmallDirs; ++i) AddSmallDir();
  const char* fixed = std::getenv("QUORVANE_KILL_SEED");  // to repeat a run
  const unsigned seed = fixed != nullptr ? std::stoul(fixed) : std::random_device{}();
  std::cout << "kill delays seeded with " << seed << "\n";
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 random(seed);
  std::uniform_int_distribution<int64_t> delay_us(0, 80000);
  int kills = 0;
  int unfinished_seen = 0;
  for (int round = 0; (kills < 12 || unfinished_seen == 0) && round < 60; ++round) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = Start({"scan"});
    if (round % 2 == 1) {
      std::this_thread::sleep_for(std::chrono::microseconds(delay_us(random)));
    } else if (UntilCopying(pid) && round == 0) {
      // Up to three times as late as the first scan took to start copying,
      // so that a loaded machine still sees kills during copies.
      const auto took = std::chrono::duration_cast<std::chrono::microseconds>(
          std::chrono::steady_clock::now() - start);
      delay_us =
          std::uniform_int_distribution<int64_t>(0, std::max<int64_t>(80000, 3 * took.count()));
    }
    kill(pid, SIGKILL);  // a scan that has ended keeps its exit status
    const ToolRun run = Wait(pid);
    kills += run.code == -SIGKILL;
    EXPECT_TRUE(run.code == -SIGKILL || run.code == 0) << run.code << run.out;
    unfinished_seen += CheckDestination();
    WriteLarge(std::uniform_int_distribution<int>(0, kLargeFiles - 1)(random));
    ReplaceSmallDir(random);
  }
  EXPECT_GE(kills, 12);
  EXPECT_GT(unfinished_seen, 0) << "no kill came during a copy";

  RunOk({"scan"});
  EXPECT_EQ(Listing(At("dst/")), Listing(At("src/")));
  CheckArchive();
}

}  // namespace
}  // namespace qv::testing
