#ifndef QUORVANE_ENGINE_LIVE_SWITCHES_H_
#define QUORVANE_ENGINE_LIVE_SWITCHES_H_

#include <atomic>
#include <cstdint>

#include "config/config_data.h"

namespace qv {

// The settings a front end may change while a scan runs, so that a toggle
// announced in the log also holds for the files that follow: the five log
// switches, Confirm and the suspend time; the scan of excluded directories
// and the archive bit, which a mirror takes at its start and keeps to its
// end. The others shape the whole scan (the automatic filters) and keep the
// values the scan started with.
//
// Threads: set from any thread, read by the scan thread.
class TLiveSwitches {
 public:
  explicit TLiveSwitches(const TConfigData& config);
  TLiveSwitches(const TLiveSwitches&) = delete;
  TLiveSwitches& operator=(const TLiveSwitches&) = delete;

  // Takes the live switches of switches; the others are ignored.
  void Set(const TConfigSwitches& switches);
  // Negative becomes 0 (never suspend), as in the configuration.
  void SetSuspendMillis(int millis);

  // The switches the scan started with, the live ones as they are now.
  TConfigSwitches Get() const;
  int suspend_millis() const { return suspend_millis_.load(); }

 private:
  const TConfigSwitches start_;
  std::atomic<uint32_t> bits_;  // one per live switch
  std::atomic<int> suspend_millis_;
};

}  // namespace qv

#endif  // QUORVANE_ENGINE_LIVE_SWITCHES_H_
