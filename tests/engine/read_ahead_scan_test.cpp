// The walk with listings read ahead does exactly what it does without them,
// on trees the walk itself changes while it reads ahead.
#include <algorithm>
#include <filesystem>
#include <mutex>
#include <random>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "config/config_keys.h"
#include "filesys/file_times.h"
#include "log/log_dir.h"
#include "tests/engine/engine_test_util.h"

namespace qv::testing {
namespace {

constexpr int64_t kOldTime = 1600000000;
constexpr int64_t kNewTime = 1700000000;

// Random source and destination trees from one seed: every way a name can
// differ between them, at every depth.
class TreeMaker {
 public:
  TreeMaker(unsigned seed, std::string src, std::string dst)
      : random_(seed), src_(std::move(src)), dst_(std::move(dst)) {}

  void Make(const std::string& relative, int depth) {
    const int files = Pick(4);
    for (int i = 0; i < files; ++i) MakeFile(relative + "f" + std::to_string(i));
    const int dirs = depth < 3 ? Pick(4) : 0;
    for (int i = 0; i < dirs; ++i) MakeDir(relative + "d" + std::to_string(i) + "/", depth);
  }

 private:
  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }

  // A file at path (its parents made), written at time (Unix seconds); none
  // in the destination below a directory new there.
  void File(const std::string& path, const std::string& content, int64_t time) {
    if (new_dir_ && path.starts_with(dst_)) return;
    MakeTree("", {path + "=" + content});
    const FileTime write = (time + kUnixEpochSeconds) * kFileTimeTicksPerSecond;
    ASSERT_TRUE(DefaultPlatform().SetTimes(path, 0, write).ok()) << path;
  }

  void MakeFile(const std::string& name) {
    switch (Pick(5)) {
      case 0:  // the same on both sides
        File(src_ + name, name, kOldTime);
        File(dst_ + name, name, kOldTime);
        break;
      case 1:  // changed
        File(src_ + name, name + " new", kNewTime);
        File(dst_ + name, name, kOldTime);
        break;
      case 2:  // new
        File(src_ + name, name, kNewTime);
        break;
      case 3:  // gone from the source
        File(dst_ + name, name, kOldTime);
        break;
      default:  // a directory in the destination becomes this file
        File(src_ + name, name, kNewTime);
        File(dst_ + name + "/inner", name, kOldTime);
    }
  }

  void MakeDir(const std::string& name, int depth) {
    switch (Pick(4)) {
      case 0:  // on both sides
        if (!new_dir_) MakeDirs(dst_ + name);
        MakeDirs(src_ + name);
        Make(name, depth + 1);
        break;
      case 1:  // new
        MakeNew(name, depth);
        break;
      case 2:  // gone from the source: archived whole
        File(dst_ + name + "old/inner", name, kOldTime);
        break;
      default:  // a file in the destination becomes this directory
        File(dst_ + name.substr(0, name.size() - 1), name, kOldTime);
        MakeNew(name, depth);
    }
  }

  void MakeNew(const std::string& name, int depth) {
    MakeDirs(src_ + name);
    const bool outer = new_dir_;
    new_dir_ = true;
    Make(name, depth + 1);
    new_dir_ = outer;
  }

  std::mt19937 random_;
  const std::string src_;
  const std::string dst_;
  bool new_dir_ = false;
};

// One side of a comparison: a mirror of random trees.
class Side : public MirrorTest {
 public:
  Side(unsigned seed, bool read_ahead) {
    // Every helper reads too, as on a cold disk.
    read_ahead_ = read_ahead ? TReaderPool{.count = 3, .slow_per_entry = 0} : TReaderPool{.count = 0};
    // Two subdirectories that copy a file into each other's trees on both
    // sides: while one is walked, the other's listings may be read already.
    MakeTree(src_, {"m0/map.txt=zero", "m1/map.txt=one"});
    MakeDirs(dst_ + "m0");
    MakeDirs(dst_ + "m1");
    StoreFileMapping(1, "SRCm0/map.txt", "DSTm1/mapped-dst.txt");
    StoreFileMapping(2, "SRCm0/map.txt", "SRCm1/mapped-src.txt");
    StoreFileMapping(3, "SRCm1/map.txt", "DSTm0/mapped-dst.txt");
    StoreFileMapping(4, "SRCm1/map.txt", "SRCm0/mapped-src.txt");
    TreeMaker(seed, src_, dst_).Make("", 0);
    platform_.on_call = [this](Op op, const std::string&) {
      if (op != Op::kListDir || std::this_thread::get_id() == scan_thread_) return;
      const std::lock_guard lock(mu_);
      ++read_ahead_calls_;
    };
  }
  // The log of a run with the roots spelled SRC and DST, less what tells
  // drives apart.
  std::vector<std::string> Logged() const {
    static const std::regex kDrive(R"(^(Destination drive|File system of destination drive) .*)");
    std::vector<std::string> lines;
    for (std::string line : log_.lines) {
      for (const auto& [root, name] : {std::pair{src_, "SRC/"}, std::pair{dst_, "DST/"}}) {
        for (size_t at; (at = line.find(root)) != std::string::npos;)
          line.replace(at, root.size(), name);
      }
      lines.push_back(std::regex_replace(line, kDrive, "$1 <DRIVE>"));
    }
    return lines;
  }
  Tree Archive() const { return ListTree(dst_ + kArchiveDirName + "/"); }
  int read_ahead_calls() {
    const std::lock_guard lock(mu_);
    return read_ahead_calls_;
  }

  const std::thread::id scan_thread_ = std::this_thread::get_id();

 private:
  std::mutex mu_;
  int read_ahead_calls_ = 0;
};

class ReadAheadScanTest : public ::testing::TestWithParam<unsigned> {};

// Two scans each: the first settles every difference, the second finds none
// but the file mappings' copies.
TEST_P(ReadAheadScanTest, SameLogDestinationAndArchiveAsWithout) {
  Side without(GetParam(), false);
  Side with(GetParam(), true);
  for (int run = 1; run <= 2; ++run) {
    without.Run();
    with.Run();
    ASSERT_EQ(with.Logged(), without.Logged()) << "run " << run;
    ASSERT_EQ(with.DestTree(), without.DestTree()) << "run " << run;
    ASSERT_EQ(with.Archive(), without.Archive()) << "run " << run;
  }
  EXPECT_EQ(without.read_ahead_calls(), 0);
}

// Whether the archive holds the file entry ("path=content") of the
// destination anywhere below its time slots.
bool Archived(const Tree& archive, const std::string& entry) {
  return std::ranges::any_of(archive, [&](const std::string& kept) {
    return kept.ends_with("/" + entry);
  });
}

// A user at work in the source while the scan runs, in directories whose
// listings may well have been read already: nothing the destination held is
// lost, and the next scan brings it level with the source.
TEST_P(ReadAheadScanTest, ASourceChangedDuringTheScanLosesNothingAndConverges) {
  MirrorTest t;
  TreeMaker(GetParam(), t.src_, t.dst_).Make("", 0);
  const Tree before = t.DestTree();
  bool changed = false;
  t.log_.on_line = [&](const std::string& line) {
    if (changed || !line.starts_with("Created file ")) return;
    changed = true;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(t.src_)) {
      if (!entry.is_directory()) continue;
      WriteFile(entry.path().string() + "/late", "late");
      std::filesystem::remove(entry.path() / "f1");
    }
  };
  t.Run();
  const Tree after = t.DestTree();
  const Tree archive = ListTree(t.dst_ + kArchiveDirName + "/");
  for (const std::string& entry : before) {
    if (entry.ends_with("/")) continue;
    EXPECT_TRUE(std::ranges::count(after, entry) > 0 || Archived(archive, entry)) << entry;
  }
  t.Run();
  EXPECT_EQ(t.DestTree(), ListTree(t.src_));
}

INSTANTIATE_TEST_SUITE_P(Seeds, ReadAheadScanTest,
                         ::testing::Values(1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u));

}  // namespace
}  // namespace qv::testing
