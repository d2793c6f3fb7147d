#ifndef QUORVANE_TESTS_UI_IDLE_FAKES_H_
#define QUORVANE_TESTS_UI_IDLE_FAKES_H_

#include <atomic>
#include <cstdint>
#include <optional>

#include "filesys/platform_wrapper.h"
#include "ui/idle/idle_source.h"

namespace qv::testing {

// The real platform with a monotonic clock that only the test moves.
class TTickPlatform : public PlatformWrapper {
 public:
  TTickPlatform() : PlatformWrapper(DefaultPlatform()) {}
  int64_t TickMs() override { return tick_.load(); }
  void Advance(int64_t ms) { tick_ += ms; }

 private:
  std::atomic<int64_t> tick_{1'000'000};
};

// The user's idle time as the test sets it; nullopt: the service does not answer.
class TSetIdleSource : public TIdleSource {
 public:
  explicit TSetIdleSource(std::optional<int64_t> idle) : idle_(idle) {}
  std::optional<int64_t> IdleMillis() override {
    ++asked;
    return idle_;
  }
  void set(std::optional<int64_t> idle) { idle_ = idle; }
  int asked = 0;

 private:
  std::optional<int64_t> idle_;
};

}  // namespace qv::testing

#endif  // QUORVANE_TESTS_UI_IDLE_FAKES_H_
