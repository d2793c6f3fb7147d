// The drive queries of the statistics: answers through the event loop, stale
// loads dropped, a hanging query turned into a failure without freezing.
#include "ui/stats_panel/disk_info_worker.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "filesys/platform.h"
#include "filesys/testing/fault_platform.h"
#include "stats/mirror_info.h"
#include "tests/support/latch.h"
#include "tests/ui/window_fixture.h"

namespace qv {
namespace {

using testing::TLatch;
using testing::WaitFor;
using namespace std::chrono_literals;

constexpr int64_t kFree = 1000;
constexpr int64_t kTotal = 5000;

struct TAnswer {
  std::string drive;
  int64_t free_bytes;
  int64_t total_bytes;
  quint64 generation;
  bool on_main_thread;
  bool operator==(const TAnswer&) const = default;
};

// Free space is pinned; asking a drive below "/hang/" blocks until the latch
// opens (or a minute passed).
class DiskInfoWorkerTest : public ::testing::Test {
 protected:
  DiskInfoWorkerTest() : platform_(std::make_shared<FaultPlatform>(DefaultPlatform())) {
    platform_->SetFreeSpace(kFree, kTotal);
    platform_->on_call = [latch = latch_, hung = hung_](Op op, const std::string& path) {
      if (op != Op::kFreeSpace || !path.starts_with("/hang/")) return;
      ++*hung;
      latch->Wait(60s);
    };
  }
  ~DiskInfoWorkerTest() override { latch_->Open(); }

  TDiskInfoWorker& MakeWorker(std::chrono::milliseconds timeout) {
    worker_ = std::make_unique<TDiskInfoWorker>(platform_, timeout);
    QObject::connect(worker_.get(), &TDiskInfoWorker::result,
                     [this](const TDiskInfo& info, quint64 generation) {
                       answers_.push_back({info.drive, info.free_bytes, info.total_bytes,
                                           generation, QThread::currentThread() == qApp->thread()});
                     });
    return *worker_;
  }
  bool WaitForAnswers(size_t count) {
    return WaitFor([&] { return answers_.size() >= count; }, 20000);
  }

  std::shared_ptr<TLatch> latch_ = std::make_shared<TLatch>();
  // Free-space calls that hung.
  std::shared_ptr<std::atomic<int>> hung_ = std::make_shared<std::atomic<int>>(0);
  std::shared_ptr<FaultPlatform> platform_;
  std::unique_ptr<TDiskInfoWorker> worker_;
  std::vector<TAnswer> answers_;
};

TEST_F(DiskInfoWorkerTest, AnswersArriveOnTheMainThreadInTheOrderAskedOncePerDrive) {
  TDiskInfoWorker& worker = MakeWorker(20s);
  const uint64_t generation = worker.Load({"/b/", "/a/", "/b/", "/c/"});
  worker.Query("/d/");
  ASSERT_TRUE(WaitFor([&] { return worker.idle(); }));
  std::vector<TAnswer> expected;
  for (const char* drive : {"/b/", "/a/", "/c/", "/d/"})
    expected.push_back({drive, kFree, kTotal, generation, true});
  EXPECT_EQ(answers_, expected);
}

TEST_F(DiskInfoWorkerTest, AnswersOfAReplacedLoadAreDropped) {
  TDiskInfoWorker& worker = MakeWorker(20s);
  const uint64_t first = worker.Load({"/hang/old/", "/queued/"});
  const uint64_t second = worker.Load({"/new/"});
  EXPECT_GT(second, first);
  // The running query of the first load answers now, before "/new/" runs.
  latch_->Open();
  ASSERT_TRUE(WaitFor([&] { return worker.idle(); }));
  EXPECT_EQ(answers_, (std::vector<TAnswer>{{"/new/", kFree, kTotal, second, true}}));
}

TEST_F(DiskInfoWorkerTest, AHangingQueryFailsInTimeAndIsLeftBehind) {
  TDiskInfoWorker& worker = MakeWorker(300ms);
  int ticks = 0;
  QTimer ticker;
  QObject::connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
  ticker.start(10);
  worker.Load({"/hang/a/", "/b/"});
  ASSERT_TRUE(WaitForAnswers(2));
  EXPECT_GE(ticks, 5) << "the event loop stood still while the query hung";
  EXPECT_EQ(answers_[0].drive, "/hang/a/");
  EXPECT_EQ(answers_[0].free_bytes, kDriveQueryFailed);
  EXPECT_EQ(answers_[0].total_bytes, kDriveQueryFailed);
  // The next query ran on a fresh thread, and so does a later one.
  EXPECT_EQ(answers_[1].drive, "/b/");
  EXPECT_EQ(answers_[1].free_bytes, kFree);
  // While its thread hangs, the drive fails at once without being asked.
  worker.Load({"/hang/a/", "/c/"});
  ASSERT_TRUE(WaitForAnswers(4));
  EXPECT_EQ(answers_[2].drive, "/hang/a/");
  EXPECT_EQ(answers_[2].free_bytes, kDriveQueryFailed);
  EXPECT_EQ(answers_[3].free_bytes, kFree);
  EXPECT_EQ(*hung_, 1);
  // Once the thread came back, the drive is asked again.
  latch_->Open();
  ASSERT_TRUE(WaitFor([&] {
    if (worker.idle()) worker.Query("/hang/a/");
    return answers_.back().free_bytes == kFree && answers_.back().drive == "/hang/a/";
  }));
  latch_->Close();
  answers_.clear();

  // Destroyed with a query hanging: returns at once, long before the latch
  // would open by itself.
  worker.Query("/hang/c/");
  std::thread opener([latch = latch_] {
    latch->Wait(10s);
    latch->Open();
  });
  QElapsedTimer clock;
  clock.start();
  worker_.reset();
  EXPECT_LT(clock.elapsed(), 5000);
  // The left-behind threads hold the last shares of the platform: they come
  // back into it, deliver nothing and free it.
  const std::weak_ptr<FaultPlatform> platform = platform_;
  platform_.reset();
  latch_->Open();
  opener.join();
  EXPECT_TRUE(WaitFor([&] { return platform.expired(); }, 20000));
  EXPECT_TRUE(answers_.empty());
}

}  // namespace
}  // namespace qv
