#include "filesys/testing/fault_platform.h"

#include <atomic>
#include <thread>

#include "tests/filesys/posix_fixture.h"

namespace qv {
namespace {

using testing::PathExists;
using testing::ReadFile;
using testing::WriteFile;

class FaultPlatformTest : public testing::PosixTest {
 protected:
  FaultPlatform faults_{platform_};
};

TEST_F(FaultPlatformTest, FailsMatchingCallsAfterSomeSucceed) {
  struct Case {
    Fault fault;
    std::vector<bool> outcomes;  // of CreateDir "a0", "a1", ..., "b0", ...
  };
  const Case kCases[] = {
      {{Op::kCreateDir, "", 2, ENOSPC}, {true, true, false, false}},
      {{Op::kCreateDir, "", 1, ENOSPC, 1}, {true, false, true, true}},
      {{Op::kCreateDir, "/b", 0, ENOSPC}, {true, true, false, false}},
      {{Op::kRemoveDir, "", 0, ENOSPC}, {true, true, true, true}},
  };
  int round = 0;
  for (const Case& c : kCases) {
    faults_.ClearFaults();
    faults_.AddFault(c.fault);
    const std::string dir = temp_ / (std::to_string(++round) + "/");
    ASSERT_TRUE(platform_.CreateDir(dir).ok());
    for (size_t i = 0; i < c.outcomes.size(); ++i) {
      const std::string path = dir + (i < 2 ? "a" : "b") + std::to_string(i);
      const Status s = faults_.CreateDir(path);
      EXPECT_EQ(PathExists(path), c.outcomes[i]) << "case " << round << " call " << i;
      EXPECT_EQ(s.cond(), c.outcomes[i] ? Cond::kOk : Cond::kDiskFull);
    }
  }
  EXPECT_EQ(faults_.Calls(Op::kCreateDir), 16);
  EXPECT_EQ(faults_.Calls(Op::kRemoveDir), 0);
}

// The way a test switches a fault on in the middle of a scan.
TEST_F(FaultPlatformTest, OnCallCanSwitchAFaultOnForTheCurrentCall) {
  for (const char* name : {"one", "two", "three"}) WriteFile(temp_ / name, name);
  std::vector<std::string> seen;
  faults_.on_call = [&](Op op, const std::string& path) {
    seen.push_back(path);
    if (op == Op::kMove && path.find("two") != std::string::npos) {
      faults_.AddFault({Op::kMove, "", 0, EACCES});
    }
  };
  EXPECT_TRUE(faults_.Move(temp_ / "one", temp_ / "one.moved").ok());
  EXPECT_EQ(faults_.Move(temp_ / "two", temp_ / "two.moved").cond(), Cond::kAccessDenied);
  EXPECT_FALSE(faults_.Move(temp_ / "three", temp_ / "three.moved").ok());
  EXPECT_EQ(ReadFile(temp_ / "two"), "two");
  EXPECT_EQ(seen, (std::vector<std::string>{temp_ / "one", temp_ / "two", temp_ / "three"}));
}

TEST_F(FaultPlatformTest, CopyFailsAtOnceOrInTheMiddleWithoutLeftovers) {
  const std::string src = temp_ / "src";
  const std::string dst = temp_ / "out/dst";
  WriteFile(src, std::string(3 << 20, 'q'));
  ASSERT_TRUE(platform_.CreateDir(temp_ / "out/").ok());
  WriteFile(dst, "old");
  faults_.AddFault({Op::kCopyToTemp, "src", 0, EIO, 1});
  faults_.AddFault({Op::kCopyToTemp, "src", 0, ENOSPC, 1, 1 << 20});
  int64_t reported = 0;
  const CopyProgress progress = [&](int64_t copied, int64_t) {
    reported = copied;
    return 0;
  };
  for (const Cond expected : {Cond::kOther, Cond::kDiskFull}) {
    std::string temp;
    EXPECT_EQ(faults_.CopyToTemp(src, dst, progress, &temp).cond(), expected);
    std::vector<DirEntry> entries;
    ASSERT_TRUE(platform_.ListDir(temp_ / "out/", &entries).ok());
    EXPECT_EQ(entries.size(), 1u);  // only dst
    EXPECT_EQ(ReadFile(dst), "old");
  }
  EXPECT_LT(reported, 1 << 20);  // the caller saw progress until the failure
  ASSERT_TRUE(faults_.CopyFile(src, dst, progress).ok());  // both faults are spent
  EXPECT_EQ(ReadFile(dst).size(), 3u << 20);
}

TEST_F(FaultPlatformTest, FakeClockAndFreeSpace) {
  faults_.SetNow(1000);
  faults_.Advance(5);
  EXPECT_EQ(faults_.Now(), 1005);
  FaultPlatform unpinned(platform_);
  const FileTime real = platform_.Now();
  unpinned.Advance(kFileTimeTicksPerSecond * 3600);
  EXPECT_GE(unpinned.Now() - real, kFileTimeTicksPerSecond * 3600);

  faults_.SetFreeSpace(123, 456);
  int64_t free_bytes = 0;
  int64_t total_bytes = 0;
  ASSERT_TRUE(faults_.FreeSpace(temp_.path(), &free_bytes, &total_bytes).ok());
  EXPECT_EQ(free_bytes, 123);
  EXPECT_EQ(total_bytes, 456);
  faults_.AddFault({Op::kFreeSpace, "", 0, EIO});
  EXPECT_EQ(faults_.FreeSpace(temp_.path(), &free_bytes, &total_bytes).code(), EIO);
}

TEST_F(FaultPlatformTest, CountsExactlyUnderConcurrentUse) {
  WriteFile(temp_ / "f", "x");
  faults_.AddFault({Op::kStat, "", 500, ENOENT});
  std::atomic<int> failures{0};
  auto worker = [&] {
    FileInfo info;
    for (int i = 0; i < 1000; ++i) failures += faults_.Stat(temp_ / "f", &info).ok() ? 0 : 1;
  };
  std::thread first(worker);
  std::thread second(worker);
  first.join();
  second.join();
  EXPECT_EQ(faults_.Calls(Op::kStat), 2000);
  EXPECT_EQ(failures, 1500);
}

}  // namespace
}  // namespace qv
