#include "tests/ui/suspension_fixture.h"

#include <algorithm>

#include "ui/logic/command_line.h"
#include "ui/main_window/scan_control.h"

namespace qv::testing {

SuspensionTest::~SuspensionTest() { window_.reset(); }

TMainWindow& SuspensionTest::MakeIdleWindow(TIdleSources sources, int suspend_millis, bool hidden) {
  window_.reset();
  states_.clear();
  statuses_.clear();
  StoreConfig([suspend_millis](TConfigData& config) { config.SetSuspendMillis(suspend_millis); });
  idle_ = std::make_unique<TIdleTime>(platform_, std::move(sources), 10);
  idle_platform_ = std::make_unique<TIdlePlatform>(platform_, *idle_);
  TMainWindowDeps deps{*idle_platform_,      settings_,  dialogs_, opener_, executable_,
                       ParseCommandLine({}), idle_.get()};
  window_ = std::make_unique<TMainWindow>(deps);
  TScanControl& control = window_->scan_control();
  control.set_wake_up_interval(10);
  control.SetHiddenInTray(hidden);
  QObject::connect(&control, &TScanControl::stateChanged, window_.get(),
                   [this, &control] { states_.push_back(control.state()); });
  QObject::connect(&control, &TScanControl::statusText, window_.get(),
                   [this](const QString& text) { statuses_.push_back(text); });
  window_->show();
  window_->Begin();
  return *window_;
}

bool SuspensionTest::WaitForState(TScanState state) {
  return WaitFor([this, state] { return window_->scan_control().state() == state; });
}

bool SuspensionTest::WaitForStatus(const QString& text) {
  return WaitFor([this, &text] { return SawStatus(text); });
}

bool SuspensionTest::EverSuspended() const {
  return std::find(states_.begin(), states_.end(), TScanState::kSuspended) != states_.end();
}

bool SuspensionTest::SawStatus(const QString& text) const {
  return std::find(statuses_.begin(), statuses_.end(), text) != statuses_.end();
}

}  // namespace qv::testing
