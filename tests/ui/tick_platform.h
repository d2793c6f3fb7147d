#ifndef QUORVANE_TESTS_UI_TICK_PLATFORM_H_
#define QUORVANE_TESTS_UI_TICK_PLATFORM_H_

#include <atomic>
#include <cstdint>

#include "filesys/platform_wrapper.h"

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

}  // namespace qv::testing

#endif  // QUORVANE_TESTS_UI_TICK_PLATFORM_H_
