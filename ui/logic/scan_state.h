#ifndef QUORVANE_UI_LOGIC_SCAN_STATE_H_
#define QUORVANE_UI_LOGIC_SCAN_STATE_H_

#include <string>

namespace qv {

// The five states the window shows; see ScanStateView.
enum class TScanState { kIdle, kWaiting, kScanning, kSuspended, kStopping };

inline constexpr const char* kProgramTitle = "Quorvane";
// Hints of the tool buttons that do not change with the state.
inline constexpr const char* kHintStart = "Start updating the mirrors now";
inline constexpr const char* kHintStartTimer = "Start timer for next scan";
// Captions of the tray items that do not change with the state.
inline constexpr const char* kTrayStartScan = "&Start scan";
inline constexpr const char* kTrayStartTimer = "Start &timer";

struct TTrayItemView {
  bool visible = false;
  bool enabled = false;
  std::string caption;  // empty: keep the current caption
};

// What a state sets in the title, the icons, the tool buttons and the tray
// menu. The Scanner menu copies the three buttons' enabling when it opens.
struct TScanStateView {
  std::string title;
  std::string icon;  // icon name ("MD", "MW", "MAINICON", "MS"); empty: unchanged
  bool start_enabled = false;
  bool start_timer_enabled = false;
  bool stop_enabled = false;
  std::string stop_hint;
  TTrayItemView tray_start;
  TTrayItemView tray_stop;
  TTrayItemView tray_start_timer;
};

// wait_minutes decides the idle start-timer button (enabled from 1 minute:
// 0 would scan at once and -1 stop); next_scan_time is the time of day shown
// in the waiting title.
TScanStateView ScanStateView(TScanState state, int wait_minutes, const std::string& next_scan_time);

// The title with the number of overdue mirrors after the program's name, so
// that the tray's shortened tip keeps it: "Quorvane (1 mirror overdue) next
// scan on ..."; unchanged for none.
std::string OverdueTitle(const std::string& title, int overdue);

}  // namespace qv

#endif  // QUORVANE_UI_LOGIC_SCAN_STATE_H_
