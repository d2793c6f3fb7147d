#include "stats/dir_info.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <thread>

#include <gtest/gtest.h>

#include "filesys/found_file.h"
#include "filesys/text_format.h"

namespace qv {
namespace {

TFoundFile Found(uint32_t attributes, int64_t size, int64_t size_on_disk) {
  TFoundFile found;
  found.attributes = attributes;
  found.size = size;
  found.size_on_disk = size_on_disk;
  return found;
}

class DirInfoTest : public ::testing::Test {
 protected:
  DirInfoTest() { SetNumberFormatForTesting(&format_); }
  ~DirInfoTest() override { SetNumberFormatForTesting(nullptr); }

 private:
  NumberFormat format_;  // "," and "."
};

TEST_F(DirInfoTest, ToText) {
  struct Case {
    TCounts counts;
    const char* text;
  };
  const Case cases[] = {
      {{0, 0, 0, 0}, "no files"},
      {{0, 1, 0, 0}, "1 directory"},
      {{0, 3, 4096, 4096}, "3 directories"},  // sizes only follow files
      {{1, 0, 1536, 1536}, "1 file of 1.50 KB"},
      {{1024, 2, 1023, 1023}, "2 directories and 1,024 files of 1023 bytes"},
      {{2, 0, 2048, 1024}, "2 files of 2.00 KB compressed into 1.00 KB"},
      {{1, 0, 100, 0}, "1 file of 100 bytes compressed into 0 bytes"},
      {{1, 0, 100, -1}, "1 file of 100 bytes"},
      {{-1, 0, -100, -100}, "-1 files of -100 bytes"},  // wrong counts stay visible
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TDirInfo(c.counts).ToText(), c.text);
    EXPECT_EQ(TDirInfoSync(c.counts).ToText(), c.text);
  }
}

TEST_F(DirInfoTest, OperationsOnBothVariants) {
  constexpr int32_t kMax32 = std::numeric_limits<int32_t>::max();
  struct Case {
    const char* name;
    std::function<void(TDirInfo&)> ops;
    TCounts want;
  };
  const Case cases[] = {
      {"add files",
       [](TDirInfo& d) {
         d.AddFile(10, 4);
         d.AddFile(5, 5);
       },
       {2, 0, 15, 9}},
      {"subtract below zero",
       [](TDirInfo& d) {
         d.SubFile(10, 4);
         d.DecDirs();
       },
       {-1, -1, -10, -4}},
      {"subtract from itself",
       [](TDirInfo& d) {
         d.SetAll(7, 3, 1 << 20, 1000);
         d.SubtractCounters(d);
       },
       {0, 0, 0, 0}},
      {"add to itself",
       [](TDirInfo& d) {
         d.SetAll(7, 3, 100, 50);
         d.AddCounters(d);
       },
       {14, 6, 200, 100}},
      {"found entries",
       [](TDirInfo& d) {
         d.AddFound(Found(kAttrDirectory, 4096, 4096));
         d.AddFound(Found(kAttrDirectory | kAttrReparsePoint, 0, 0));  // link to a directory
         d.AddFound(Found(kAttrSparse, 1 << 20, 8192));
         d.AddFound(Found(kAttrReparsePoint, 12, 12));  // link to a file
       },
       {2, 2, (1 << 20) + 12, 8192 + 12}},
      {"count wraps instead of overflowing",
       [](TDirInfo& d) {
         d.SetAll(kMax32, kMax32, 0, 0);
         d.AddFile(1, 1);
         d.IncDirs();
       },
       {std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::min(), 1, 1}},
  };
  for (const auto& c : cases) {
    TDirInfo plain;
    TDirInfoSync sync;
    c.ops(plain);
    c.ops(sync);
    EXPECT_EQ(plain.Get(), c.want) << c.name;
    EXPECT_EQ(sync.Get(), c.want) << c.name;
  }
}

TEST_F(DirInfoTest, CopyIsIndependentOfItsOrigin) {
  TDirInfoSync shared(TCounts{2, 1, 10, 8});
  std::unique_ptr<TDirInfo> copy = TDirInfo::CreateCopy(shared);
  copy->AddFile(1, 1);
  EXPECT_EQ(shared.Get(), (TCounts{2, 1, 10, 8}));
  EXPECT_EQ(copy->Get(), (TCounts{3, 1, 11, 9}));
}

TEST_F(DirInfoTest, SyncCountsExactlyFromTwoThreads) {
  constexpr int kEach = 100000;
  TDirInfoSync d;
  auto writer = [&d] {
    for (int i = 0; i < kEach; ++i) {
      d.AddFile(2, 1);
      d.IncDirs();
    }
  };
  std::thread a(writer);
  std::thread b(writer);
  a.join();
  b.join();
  EXPECT_EQ(d.Get(), (TCounts{2 * kEach, 2 * kEach, 4 * kEach, 2 * kEach}));
}

TEST_F(DirInfoTest, LockHoldsOffWritersUntilUnlock) {
  TDirInfoSync d;
  std::atomic<bool> added{false};
  d.Lock();
  std::thread writer([&] {
    d.AddFile(1, 1);
    added = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_FALSE(added.load());
  EXPECT_EQ(d.Files(), 0);  // the holder itself still reads (recursive lock)
  d.Unlock();
  writer.join();
  EXPECT_EQ(d.Files(), 1);
}

}  // namespace
}  // namespace qv
