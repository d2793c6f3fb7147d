#ifndef QUORVANE_UI_IDLE_IDLE_TIME_H_
#define QUORVANE_UI_IDLE_IDLE_TIME_H_

#include <QObject>
#include <QTimer>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "filesys/platform_wrapper.h"
#include "ui/idle/idle_source.h"

namespace qv {

using TIdleSources = std::vector<std::unique_ptr<TIdleSource>>;

// The sources of this desktop in the order they are asked: GNOME's idle
// monitor, the freedesktop screen saver, and the X11 screen-saver extension
// on X11 without Wayland (XWayland sees only the input of X clients).
TIdleSources DesktopIdleSources();

// The time of the last user input, cached for the scan thread, which asks
// before every update: the main thread asks the sources once per interval
// while sampling is on and publishes the monotonic tick of the last input in
// an atomic; readers add the time passed since. Without an answering source
// the time is not known and the scan never pauses for input.
//
// Threads: MillisSinceLastInput on any thread; the rest on the main thread.
class TIdleTime : public QObject {
  Q_OBJECT

 public:
  // clock gives the monotonic ticks (Platform::TickMs).
  TIdleTime(Platform& clock, TIdleSources sources, int interval_ms = 1000,
            QObject* parent = nullptr);

  // On: samples at once, then once per interval. Off: the last sample stays.
  void SetSampling(bool on);
  bool sampling() const { return timer_.isActive(); }
  // Asks the source that answered last, then the others in order.
  void Sample();
  std::optional<int64_t> MillisSinceLastInput() const;

 private:
  std::optional<int64_t> Ask();

  static constexpr int64_t kUnknown = INT64_MIN;

  Platform& clock_;
  TIdleSources sources_;
  size_t current_ = 0;
  QTimer timer_;
  std::atomic<int64_t> last_input_tick_{kUnknown};
};

// The platform of the window and its scan thread: the last input time comes
// from the cache; everything else from the target.
class TIdlePlatform : public PlatformWrapper {
 public:
  TIdlePlatform(Platform& target, const TIdleTime& idle) : PlatformWrapper(target), idle_(idle) {}
  Status MillisSinceLastInput(int64_t* millis) override;

 private:
  const TIdleTime& idle_;
};

}  // namespace qv

#endif  // QUORVANE_UI_IDLE_IDLE_TIME_H_
