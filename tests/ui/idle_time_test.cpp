// The cache of the last input time and the order of its sources.
#include "ui/idle/idle_time.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <gtest/gtest.h>

#include "filesys/status.h"
#include "tests/ui/tick_platform.h"

namespace qv::testing {
namespace {

// A source whose answer the test sets; nullopt: the service does not answer.
class TFakeSource : public TIdleSource {
 public:
  explicit TFakeSource(std::optional<int64_t> answer) : answer_(answer) {}
  std::optional<int64_t> IdleMillis() override {
    ++asked;
    return answer_;
  }
  void set_answer(std::optional<int64_t> answer) { answer_ = answer; }
  int asked = 0;

 private:
  std::optional<int64_t> answer_;
};

struct TIdleCache {
  TIdleCache(std::vector<std::optional<int64_t>> answers) {
    TIdleSources list;
    for (const auto& answer : answers) {
      auto source = std::make_unique<TFakeSource>(answer);
      sources.push_back(source.get());
      list.push_back(std::move(source));
    }
    idle = std::make_unique<TIdleTime>(clock, std::move(list), 10);
  }
  TTickPlatform clock;
  std::vector<TFakeSource*> sources;  // owned by idle
  std::unique_ptr<TIdleTime> idle;
};

TEST(IdleTimeTest, TheFirstSourceThatAnswersGivesTheTime) {
  struct Case {
    const char* name;
    std::vector<std::optional<int64_t>> answers;
    std::optional<int64_t> expected;
  };
  const Case cases[] = {
      {"no source at all", {}, std::nullopt},
      {"no source answers", {std::nullopt, std::nullopt}, std::nullopt},
      {"the first answers", {700, 9000}, 700},
      {"the first is missing", {std::nullopt, 9000}, 9000},
      {"only the last answers", {std::nullopt, std::nullopt, 42}, 42},
      {"a negative answer is no input in the future", {-5}, 0},
  };
  for (const Case& c : cases) {
    TIdleCache cache(c.answers);
    EXPECT_EQ(cache.idle->MillisSinceLastInput(), std::nullopt) << c.name << ": before a sample";
    cache.idle->Sample();
    EXPECT_EQ(cache.idle->MillisSinceLastInput(), c.expected) << c.name;
  }
}

TEST(IdleTimeTest, TheTimeGrowsBetweenSamplesWithoutAskingAgain) {
  TIdleCache cache({std::nullopt, 300});
  cache.idle->Sample();
  const int asked = cache.sources[1]->asked;
  cache.clock.Advance(1234);
  EXPECT_EQ(cache.idle->MillisSinceLastInput(), 1534);
  EXPECT_EQ(cache.sources[1]->asked, asked);
  // New input: the next sample starts the count again.
  cache.sources[1]->set_answer(0);
  cache.idle->Sample();
  EXPECT_EQ(cache.idle->MillisSinceLastInput(), 0);
}

TEST(IdleTimeTest, TheSourceThatAnsweredIsAskedFirstAndAFailingOneIsLeft) {
  TIdleCache cache({std::nullopt, 300, 5000});
  cache.idle->Sample();
  cache.idle->Sample();
  // The missing first source is not asked again while the second answers.
  EXPECT_EQ(cache.sources[0]->asked, 1);
  EXPECT_EQ(cache.sources[1]->asked, 2);
  EXPECT_EQ(cache.sources[2]->asked, 0);
  cache.sources[1]->set_answer(std::nullopt);
  cache.idle->Sample();
  EXPECT_EQ(cache.idle->MillisSinceLastInput(), 5000);
  cache.sources[2]->set_answer(std::nullopt);
  cache.idle->Sample();
  EXPECT_EQ(cache.idle->MillisSinceLastInput(), std::nullopt) << "a stale time would pause scans";
}

TEST(IdleTimeTest, ThePlatformAnswersFromTheCacheOrNotImplemented) {
  TIdleCache cache({std::nullopt});
  TIdlePlatform platform(cache.clock, *cache.idle);
  int64_t millis = -1;
  cache.idle->Sample();
  EXPECT_EQ(platform.MillisSinceLastInput(&millis).cond(), Cond::kNotImplemented);
  cache.sources[0]->set_answer(250);
  cache.idle->Sample();
  cache.clock.Advance(50);
  ASSERT_TRUE(platform.MillisSinceLastInput(&millis).ok());
  EXPECT_EQ(millis, 300);
}

TEST(IdleTimeTest, SamplingAsksAtOnceAndThenOncePerInterval) {
  TIdleCache cache({100});
  cache.idle->SetSampling(true);
  EXPECT_EQ(cache.sources[0]->asked, 1) << "the first check of a scan needs a fresh time";
  EXPECT_TRUE(cache.idle->sampling());
  cache.sources[0]->set_answer(0);
  QCoreApplication::processEvents();
  QDeadlineTimer deadline(5000);
  while (cache.sources[0]->asked < 3 && !deadline.hasExpired()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  EXPECT_GE(cache.sources[0]->asked, 3);
  cache.idle->SetSampling(false);
  EXPECT_FALSE(cache.idle->sampling());
}

}  // namespace
}  // namespace qv::testing
