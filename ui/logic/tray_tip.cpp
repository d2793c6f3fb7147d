#include "ui/logic/tray_tip.h"

#include <algorithm>

#include "ui/logic/scan_state.h"

namespace qv {

std::string TrayTip(const std::string& title) {
  // Counted in characters, so a cut never splits one.
  std::size_t chars = 0;
  for (std::size_t i = 0; i < title.size(); ++i) {
    if ((static_cast<unsigned char>(title[i]) & 0xC0) == 0x80) continue;
    if (chars++ == kTrayTipMaxChars) return title.substr(0, i);
  }
  return title;
}

std::string ScanProgressTip(int64_t done, int64_t total, bool suspended) {
  int64_t percent = 0;
  if (total > 0) percent = std::clamp<int64_t>(done, 0, total) * 100 / total;
  std::string tip = std::string(kProgramTitle) + " " + std::to_string(percent) + "% done";
  if (suspended) tip += ", suspended";
  return tip;
}

}  // namespace qv
