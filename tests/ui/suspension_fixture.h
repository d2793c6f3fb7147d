#ifndef QUORVANE_TESTS_UI_SUSPENSION_FIXTURE_H_
#define QUORVANE_TESTS_UI_SUSPENSION_FIXTURE_H_

#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "tests/ui/window_fixture.h"
#include "ui/idle/idle_time.h"
#include "ui/logic/scan_state.h"

namespace qv::testing {

// The window over a last input time from the given sources, with its
// wake-up timer and sampler at 10 ms; it records every state and status text.
class SuspensionTest : public WindowTest {
 protected:
  ~SuspensionTest() override;

  // Stores the suspend time, then makes the window, hidden in the tray or not.
  TMainWindow& MakeIdleWindow(TIdleSources sources, int suspend_millis, bool hidden);
  bool WaitForState(TScanState state);
  bool WaitForStatus(const QString& text);
  bool EverSuspended() const;
  bool SawStatus(const QString& text) const;

  std::unique_ptr<TIdleTime> idle_;
  std::unique_ptr<TIdlePlatform> idle_platform_;
  std::vector<TScanState> states_;
  std::vector<QString> statuses_;
};

}  // namespace qv::testing

#endif  // QUORVANE_TESTS_UI_SUSPENSION_FIXTURE_H_
