// The queue between the scan thread and the main thread, with real threads:
// order, waiting, and the shutdown that frees a waiting scan thread.
#include "ui/logic/call_queue.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

namespace qv::testing {
namespace {

using namespace std::chrono_literals;
constexpr auto kLimit = 10s;

// Counts the queue's wake-ups so the main side can wait for one, bounded.
class TWakeSignal {
 public:
  void Wake() {
    std::lock_guard<std::mutex> lock(mutex_);
    ++count_;
    changed_.notify_all();
  }
  // True when a wake-up beyond the first `seen` arrived within the limit.
  bool WaitBeyond(int seen) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, kLimit, [&] { return count_ > seen; });
  }
  int count() {
    std::lock_guard<std::mutex> lock(mutex_);
    return count_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  int count_ = 0;
};

class CallQueueTest : public ::testing::Test {
 protected:
  // A scan thread running body; its end wakes the main side too.
  std::thread StartScan(std::function<void()> body, std::future<void>* done) {
    auto task = std::make_shared<std::packaged_task<void()>>(std::move(body));
    *done = task->get_future();
    return std::thread([this, task] {
      (*task)();
      wake_.Wake();
    });
  }

  // Main side: runs calls until done is ready; false when the limit passed.
  bool RunUntil(std::future<void>& done) {
    auto deadline = std::chrono::steady_clock::now() + kLimit;
    while (done.wait_for(0s) != std::future_status::ready) {
      int seen = wake_.count();
      queue_.RunPending();
      if (queue_.pending() == 0 && !wake_.WaitBeyond(seen)) return false;
      if (std::chrono::steady_clock::now() > deadline) return false;
    }
    queue_.RunPending();
    return true;
  }

  TWakeSignal wake_;
  TCallQueue queue_{[this] { wake_.Wake(); }};
};

TEST_F(CallQueueTest, BlockingAndPostedCallsRunInTheOrderMade) {
  std::vector<std::string> order;  // touched by the main thread only
  const std::thread::id main_id = std::this_thread::get_id();
  bool all_on_main = true;
  auto record = [&](const char* name) {
    return [&order, &all_on_main, main_id, name] {
      all_on_main = all_on_main && std::this_thread::get_id() == main_id;
      order.push_back(name);
    };
  };
  int answer = 0;
  std::future<void> done;
  std::thread thread = StartScan(
      [&] {
        queue_.Post(record("posted 1"));
        queue_.Call(record("call 1"));
        queue_.Post(record("posted 2"));
        queue_.Post(record("posted 3"));
        answer = queue_.Call(
            [&] {
              record("call 2")();
              return 7;
            },
            -1);
        queue_.Post(record("ended"));
      },
      &done);
  bool finished = RunUntil(done);
  thread.join();
  ASSERT_TRUE(finished);
  EXPECT_EQ(order, (std::vector<std::string>{"posted 1", "call 1", "posted 2", "posted 3", "call 2",
                                             "ended"}));
  EXPECT_EQ(answer, 7);
  EXPECT_TRUE(all_on_main);
}

TEST_F(CallQueueTest, ShutdownAnswersWaitingAndLaterCallsAtOnce) {
  enum class TWhen { kWhileWaiting, kBeforeTheCall };
  const std::tuple<const char*, TWhen, bool> kCases[] = {
      {"a waiting confirmation", TWhen::kWhileWaiting, true},
      {"a waiting log line", TWhen::kWhileWaiting, false},
      {"a confirmation after shutdown", TWhen::kBeforeTheCall, true},
      {"a log line after shutdown", TWhen::kBeforeTheCall, false},
  };
  // Owned jointly with the scan thread, which a broken queue may never free:
  // the test then lets it go rather than hang.
  struct TScanSide {
    TWakeSignal wake;
    TCallQueue queue{[this] { wake.Wake(); }};
    std::atomic<bool> ran{false};
    std::promise<std::string> answer;
  };
  for (const auto& [name, when, typed] : kCases) {
    auto side = std::make_shared<TScanSide>();
    if (when == TWhen::kBeforeTheCall) side->queue.Shutdown();
    std::thread thread([side, is_typed = typed] {
      if (is_typed) {
        side->answer.set_value(side->queue.Call(
            [&] {
              side->ran = true;
              return std::string("yes");
            },
            std::string("terminate")));
      } else {
        side->answer.set_value(side->queue.Call([&] { side->ran = true; }) ? "ran" : "refused");
      }
    });
    std::future<std::string> answered = side->answer.get_future();
    if (when == TWhen::kWhileWaiting) {
      ASSERT_TRUE(side->wake.WaitBeyond(0)) << name;
      side->queue.Shutdown();
    }
    if (answered.wait_for(kLimit) != std::future_status::ready) {
      thread.detach();
      FAIL() << name << ": the scan thread is still waiting";
    }
    thread.join();
    EXPECT_EQ(answered.get(), typed ? "terminate" : "refused") << name;
    EXPECT_FALSE(side->ran) << name;
    EXPECT_EQ(side->queue.pending(), 0u) << name;
    EXPECT_TRUE(side->queue.shut_down()) << name;
  }
}

// A call posted by a running call waits for the next run; posted calls
// (statistics, the scan's end) still run after shutdown.
TEST_F(CallQueueTest, PostedCallsRunInTheNextRunAndAfterShutdown) {
  std::vector<std::string> order;
  queue_.Post([&] {
    order.push_back("stats");
    queue_.Post([&] { order.push_back("posted while running"); });
  });
  EXPECT_EQ(queue_.RunPending(), 1u);
  EXPECT_EQ(wake_.count(), 2);
  queue_.Shutdown();
  queue_.Post([&] { order.push_back("scan ended"); });
  EXPECT_EQ(queue_.RunPending(), 2u);
  EXPECT_EQ(order, (std::vector<std::string>{"stats", "posted while running", "scan ended"}));
}

}  // namespace
}  // namespace qv::testing
