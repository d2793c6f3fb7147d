#ifndef QUORVANE_UI_APP_SCREENSHOT_H_
#define QUORVANE_UI_APP_SCREENSHOT_H_

#include <QPalette>
#include <QSize>
#include <QString>
#include <QStringList>
#include <optional>

#include "ui/logic/config_dlg_rules.h"
#include "ui/logic/scan_state.h"

namespace qv {

class TMainWindow;

// The state named by QUORVANE_SCREENSHOT_STATE: "idle" (also when unset),
// "waiting" or "scanning"; nullopt for any other name.
std::optional<TScanState> ScreenshotState(const QString& name);

// QUORVANE_SCREENSHOT_PALETTE: "dark" draws the program in DarkPalette()
// under the Fusion style, as under a desktop's dark theme; "" or "light"
// keeps the system's. False, and nothing changes, for another name.
bool UseScreenshotPalette(const QString& name);
// Light text on dark ground.
QPalette DarkPalette();
// QUORVANE_SCREENSHOT_SIZE "WIDTHxHEIGHT": the window's size in the
// picture; invalid when unset or malformed.
QSize ScreenshotSize(const QString& text);

// For the documentation's images and the smoke test: once the window shows
// state, saves a picture of it into file and closes it. Except while
// scanning, it waits for the statistics' drives to answer (or fail), so no
// "Waiting..." shows. Idle: at once, or after the scan that /START began.
// Waiting: once the next scan is armed. Scanning: at the first progress
// the scan reports, so the scan must run for more than a second. Above the
// window a strip shows its icon and title, which no window manager draws
// under Xvfb. menus: the object names of a menu of the bar and of submenus
// in it, drawn open.
void GrabInState(TMainWindow& window, const QString& file, TScanState state,
                 const QStringList& menus = {});

// QUORVANE_SCREENSHOT_STATE "confirm": the scan that /START began (with
// Confirm on) is drawn at its first question, as the confirmation dialog;
// then the scan is terminated and the window closes.
bool IsQuestionScreenshot(const QString& name);
void GrabQuestion(TMainWindow& window, const QString& file);
// QUORVANE_SCREENSHOT_STATE "config-general", "config-mappings",
// "config-filters", "config-minimal-ages" or "config-file-mappings": the
// configuration dialog on that page; nullopt for any other name.
std::optional<TCfgPage> ConfigScreenshotPage(const QString& name);
// Opens the configuration dialog on page, saves a picture of it into file
// and closes it and the window.
void GrabConfiguration(TMainWindow& window, const QString& file, TCfgPage page);

}  // namespace qv

#endif  // QUORVANE_UI_APP_SCREENSHOT_H_
