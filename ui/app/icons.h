#ifndef QUORVANE_UI_APP_ICONS_H_
#define QUORVANE_UI_APP_ICONS_H_

#include <QIcon>
#include <string_view>

namespace qv {

// The program's own icons, drawn at 16 to 64 pixels and built into its
// resources. Name is a state's icon name ("MAINICON", "MD", "MW", "MS"); an
// unknown name gives a null icon, which callers treat as "keep the current
// one". The window, the tray and the about box all take their icons here.
QIcon StateIcon(std::string_view name);

// The application's icon: the scanning one, as the state icons' base.
QIcon ProgramIcon();

}  // namespace qv

#endif  // QUORVANE_UI_APP_ICONS_H_
