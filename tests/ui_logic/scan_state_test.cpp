// The five states the window shows, against the texts the program uses.
#include "ui/logic/scan_state.h"

#include <string>

#include <gtest/gtest.h>

namespace qv::testing {
namespace {

std::string Item(const TTrayItemView& item) {
  if (!item.visible) return std::string("hidden") + (item.enabled ? " enabled" : "");
  return (item.enabled ? "'" : "disabled '") + item.caption + "'";
}

// One line per view: title | icon | start, start timer, stop | stop hint | tray.
std::string Describe(const TScanStateView& v) {
  auto on = [](bool enabled) { return enabled ? "+" : "-"; };
  return v.title + " | " + v.icon + " | " + on(v.start_enabled) + on(v.start_timer_enabled) +
         on(v.stop_enabled) + " " + v.stop_hint + " | " + Item(v.tray_start) + ", " +
         Item(v.tray_stop) + ", " + Item(v.tray_start_timer);
}

TEST(ScanStateTest, EachStateSetsTitleIconButtonsAndTray) {
  const struct {
    TScanState state;
    int wait;
    const char* view;
  } kCases[] = {
      {TScanState::kIdle, 1,
       "Quorvane | MD | ++- Stop updating the mirrors | '&Start scan', hidden, 'Start &timer'"},
      {TScanState::kIdle, 0,
       "Quorvane | MD | +-- Stop updating the mirrors | '&Start scan', hidden, "
       "disabled 'Start &timer'"},
      {TScanState::kIdle, -1,
       "Quorvane | MD | +-- Stop updating the mirrors | '&Start scan', hidden, "
       "disabled 'Start &timer'"},
      {TScanState::kWaiting, 60,
       "Quorvane next scan on 09:05 | MW | +-+ Stop timer and cancel next scan | "
       "'&Start scan', '&Stop waiting', hidden"},
      {TScanState::kScanning, 60,
       "Quorvane scanning | MAINICON | --+ Stop updating the mirrors | "
       "hidden, '&Stop scan', hidden"},
      {TScanState::kSuspended, 60,
       "Quorvane suspended | MS | --+ Stop updating the mirrors | hidden, '&Stop scan', hidden"},
      {TScanState::kStopping, 60,
       "Quorvane terminating scanner... |  | --- Waiting for scanner to terminate... | "
       "hidden, disabled 'Stopping...', hidden"},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(Describe(ScanStateView(c.state, c.wait, "09:05")), c.view);
  }
}

}  // namespace
}  // namespace qv::testing
