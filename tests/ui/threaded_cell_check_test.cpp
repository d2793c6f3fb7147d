// Cell checks off the main thread: answers through the event loop, a hanging
// check turned into an error without freezing, replaced checks dropped.
#include "ui/config_dialog/threaded_cell_check.h"

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
#include "tests/support/latch.h"
#include "tests/ui/window_fixture.h"

namespace qv {
namespace {

using testing::TLatch;
using testing::WaitFor;
using namespace std::chrono_literals;

struct TAnswer {
  TCellVerdict verdict;
  bool on_main_thread;
};

// Asking for a path below "/hang/" blocks until the latch opens (or a minute
// passed).
class ThreadedCellCheckTest : public ::testing::Test {
 protected:
  ThreadedCellCheckTest() : platform_(std::make_shared<FaultPlatform>(DefaultPlatform())) {
    platform_->on_call = [latch = latch_, hung = hung_](Op op, const std::string& path) {
      if (op != Op::kStat || !path.starts_with("/hang/")) return;
      ++*hung;
      latch->Wait(60s);
    };
  }
  ~ThreadedCellCheckTest() override { latch_->Open(); }

  // Whether path exists; token lives as long as the check.
  std::function<TCellVerdict()> Exists(const std::string& path,
                                       std::shared_ptr<int> token = nullptr) {
    return [platform = platform_, path, token] {
      FileInfo info;
      return platform->Stat(path, &info).ok() ? TCellVerdict::Ok(path)
                                              : TCellVerdict::Error("missing " + path);
    };
  }
  std::function<void(const TCellVerdict&)> Record() {
    return [this](const TCellVerdict& verdict) {
      answers_.push_back({verdict, QThread::currentThread() == qApp->thread()});
    };
  }

  std::shared_ptr<TLatch> latch_ = std::make_shared<TLatch>();
  std::shared_ptr<std::atomic<int>> hung_ = std::make_shared<std::atomic<int>>(0);
  std::shared_ptr<FaultPlatform> platform_;
  std::vector<TAnswer> answers_;
};

TEST_F(ThreadedCellCheckTest, AHangingCheckBecomesAnErrorAndTheNextRunsOnAFreshThread) {
  auto runner = std::make_unique<TThreadedCellCheck>(300ms);
  int ticks = 0;
  QTimer ticker;
  QObject::connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
  ticker.start(10);
  runner->Run("/hang/a", Exists("/hang/a"), Record());
  EXPECT_TRUE(runner->busy());
  ASSERT_TRUE(WaitFor([&] { return !answers_.empty(); }));
  EXPECT_GE(ticks, 5) << "the event loop stood still while the check hung";
  EXPECT_EQ(answers_[0].verdict.kind, TVerdictKind::kError);
  EXPECT_EQ(answers_[0].verdict.message, NotAnsweringText("/hang/a"));
  EXPECT_NE(NotAnsweringText("/hang/a").find("\"/hang/a\""), std::string::npos);
  EXPECT_TRUE(answers_[0].on_main_thread);
  EXPECT_FALSE(runner->busy());

  // The hanging thread still hangs; this one answers all the same.
  runner->Run("/", Exists("/"), Record());
  EXPECT_EQ(answers_.size(), 1u) << "answered inside Run";
  ASSERT_TRUE(WaitFor([&] { return answers_.size() == 2; }));
  EXPECT_TRUE(answers_[1].verdict.ok());
  EXPECT_EQ(answers_[1].verdict.text, "/");
  EXPECT_TRUE(answers_[1].on_main_thread);
  EXPECT_EQ(*hung_, 1);

  // Destroyed with a check hanging: returns at once, not after the minute.
  runner->Run("/hang/b", Exists("/hang/b"), Record());
  ASSERT_TRUE(WaitFor([&] { return *hung_ == 2; }));
  QElapsedTimer clock;
  clock.start();
  runner.reset();
  EXPECT_LT(clock.elapsed(), 5000);
  // The left-behind checks hold the last shares of the platform: they come
  // back, answer nothing and free it.
  const std::weak_ptr<FaultPlatform> platform = platform_;
  platform_.reset();
  latch_->Open();
  EXPECT_TRUE(WaitFor([&] { return platform.expired(); }));
  EXPECT_EQ(answers_.size(), 2u);
}

TEST_F(ThreadedCellCheckTest, AReplacedCheckIsNeverAnswered) {
  TThreadedCellCheck runner(20s);
  // Replaced while it hangs: the new check does not wait for it.
  auto hanging = std::make_shared<int>();
  const std::weak_ptr<int> hanging_gone = hanging;
  runner.Run("/hang/a", Exists("/hang/a", std::move(hanging)), Record());
  ASSERT_TRUE(WaitFor([&] { return *hung_ == 1; }));
  runner.Run("/", Exists("/"), Record());
  ASSERT_TRUE(WaitFor([&] { return !answers_.empty(); }, 10000));
  latch_->Open();
  ASSERT_TRUE(WaitFor([&] { return hanging_gone.expired(); }));
  QApplication::processEvents();

  // Replaced after it answered, before its answer came through the event
  // loop: the answer is on its way first and dropped.
  auto answered = std::make_shared<int>();
  const std::weak_ptr<int> answered_gone = answered;
  runner.Run("/tmp", Exists("/tmp", std::move(answered)), Record());
  const auto deadline = std::chrono::steady_clock::now() + 20s;
  while (!answered_gone.expired() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(1ms);  // no event loop here, so nothing is delivered
  }
  ASSERT_TRUE(answered_gone.expired());
  runner.Run("/hang/b", Exists("/hang/b"), Record());  // the latch is open: it answers "missing"
  ASSERT_TRUE(WaitFor([&] { return answers_.size() >= 2; }));
  QApplication::processEvents();
  ASSERT_EQ(answers_.size(), 2u);
  EXPECT_EQ(answers_[0].verdict.text, "/");
  EXPECT_EQ(answers_[1].verdict.message, "missing /hang/b");
}

}  // namespace
}  // namespace qv
