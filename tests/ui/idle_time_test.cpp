// The cache of the last input time and the order of its sources.
#include "ui/idle/idle_time.h"

#include <gtest/gtest.h>

#include "tests/ui/idle_fakes.h"

namespace qv::testing {
namespace {

struct TIdleCache {
  TIdleCache(std::vector<std::optional<int64_t>> answers) {
    TIdleSources list;
    for (const auto& answer : answers) {
      auto source = std::make_unique<TSetIdleSource>(answer);
      sources.push_back(source.get());
      list.push_back(std::move(source));
    }
    idle = std::make_unique<TIdleTime>(clock, std::move(list), 10);
  }
  TTickPlatform clock;
  std::vector<TSetIdleSource*> sources;  // owned by idle
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
  cache.sources[1]->set(0);
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
  cache.sources[1]->set(std::nullopt);
  cache.idle->Sample();
  EXPECT_EQ(cache.idle->MillisSinceLastInput(), 5000);
  cache.sources[2]->set(std::nullopt);
  cache.idle->Sample();
  EXPECT_EQ(cache.idle->MillisSinceLastInput(), std::nullopt) << "a stale time would pause scans";
}

}  // namespace
}  // namespace qv::testing
