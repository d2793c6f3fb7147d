#ifndef QUORVANE_UI_LOGIC_TRAY_TIP_H_
#define QUORVANE_UI_LOGIC_TRAY_TIP_H_

#include <cstdint>
#include <string>

namespace qv {

// The longest tip the tray shows; the window title itself is never cut.
inline constexpr std::size_t kTrayTipMaxChars = 63;

// The title as the tray's tip: at most 63 characters, never ending inside
// a UTF-8 sequence.
std::string TrayTip(const std::string& title);

// The tip while a scan runs: "Quorvane 42% done", ", suspended" added while
// the scan waits for the user to be idle. done beyond total counts as 100%.
std::string ScanProgressTip(int64_t done, int64_t total, bool suspended);

}  // namespace qv

#endif  // QUORVANE_UI_LOGIC_TRAY_TIP_H_
