#ifndef QUORVANE_UI_TRAY_STATE_ICON_H_
#define QUORVANE_UI_TRAY_STATE_ICON_H_

#include <QIcon>
#include <string>

namespace qv {

// The picture of a state by its name: "MD" idle, "MW" waiting, "MAINICON"
// scanning (and the program's own), "MS" suspended.
QIcon StateIcon(const std::string& name);

}  // namespace qv

#endif  // QUORVANE_UI_TRAY_STATE_ICON_H_
