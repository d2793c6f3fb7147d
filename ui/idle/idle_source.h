#ifndef QUORVANE_UI_IDLE_IDLE_SOURCE_H_
#define QUORVANE_UI_IDLE_IDLE_SOURCE_H_

#include <cstdint>
#include <optional>

namespace qv {

// One desktop service that knows how long the user has not touched the
// keyboard or the mouse. Free of Qt and Xlib, so that each source lives in a
// file of its own with only its own headers.
//
// Main thread only: the sources are asked by TIdleTime's sampler.
class TIdleSource {
 public:
  virtual ~TIdleSource() = default;
  // Milliseconds since the last input; nullopt when the service does not answer.
  virtual std::optional<int64_t> IdleMillis() = 0;
};

}  // namespace qv

#endif  // QUORVANE_UI_IDLE_IDLE_SOURCE_H_
