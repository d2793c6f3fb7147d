#include "ui/logic/scan_state.h"

#include <string_view>
#include <utility>

namespace qv {

namespace {

constexpr const char* kHintStopScan = "Stop updating the mirrors";

TTrayItemView Shown(bool enabled, std::string caption) {
  return {true, enabled, std::move(caption)};
}
TTrayItemView Hidden() { return {false, false, ""}; }

TScanStateView Scanning(const char* title_suffix, const char* icon) {
  return {std::string(kProgramTitle) + title_suffix,
          icon,
          false,
          false,
          true,
          kHintStopScan,
          Hidden(),
          Shown(true, "&Stop scan"),
          Hidden()};
}

}  // namespace

TScanStateView ScanStateView(TScanState state, int wait_minutes,
                             const std::string& next_scan_time) {
  switch (state) {
    case TScanState::kIdle:
      // The tray's start timer as the button: -1 would stop, 0 would scan.
      return {kProgramTitle,
              "MD",
              true,
              wait_minutes >= 1,
              false,
              kHintStopScan,
              Shown(true, kTrayStartScan),
              Hidden(),
              Shown(wait_minutes >= 1, kTrayStartTimer)};
    case TScanState::kWaiting:
      return {std::string(kProgramTitle) + " next scan on " + next_scan_time,
              "MW",
              true,
              false,
              true,
              "Stop timer and cancel next scan",
              Shown(true, kTrayStartScan),
              Shown(true, "&Stop waiting"),
              Hidden()};
    case TScanState::kScanning:
      return Scanning(" scanning", "MAINICON");
    case TScanState::kSuspended:
      return Scanning(" suspended", "MS");
    case TScanState::kStopping:
      return {std::string(kProgramTitle) + " terminating scanner...",
              "",
              false,
              false,
              false,
              "Waiting for scanner to terminate...",
              Hidden(),
              Shown(false, "Stopping..."),
              Hidden()};
  }
  return {};
}

std::string OverdueTitle(const std::string& title, int overdue) {
  if (overdue <= 0) return title;
  const std::string note =
      " (" + std::to_string(overdue) + (overdue == 1 ? " mirror overdue)" : " mirrors overdue)");
  const size_t name = std::string_view(kProgramTitle).size();
  if (!title.starts_with(kProgramTitle)) return title + note;
  return title.substr(0, name) + note + title.substr(name);
}

}  // namespace qv
