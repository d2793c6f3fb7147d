#include "ui/main_window/window_placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <string>
#include <utility>

#include "config/config_keys.h"
#include "config/settings_db.h"
#include "config/shared_ini.h"
#include "ui/logic/placement.h"

namespace qv {

namespace {

const std::string kWindowKey = std::string(kBaseKey) + "\\Window";

std::optional<int> ReadValue(TSharedIni& ini, const char* name) {
  int32_t value = 0;
  if (!ini.TryReadInteger(kWindowKey, name, &value)) return std::nullopt;
  return value;
}

TRect ToRect(const QRect& r) { return {r.x(), r.y(), r.width(), r.height()}; }

int WinState(const QWidget& window) {
  if (window.isMaximized()) return kWinStateMaximised;
  return window.isMinimized() ? kWinStateMinimised : kWinStateNormal;
}

}  // namespace

bool WindowSystemPlacesWindows() { return QGuiApplication::platformName() == "wayland"; }

TWindowPlacement::TWindowPlacement(QWidget& window, TSharedIni& ini, bool size_only)
    : window_(window), ini_(ini), size_only_(size_only) {}

void TWindowPlacement::Restore() {
  TStoredPlacement stored{ReadValue(ini_, "Left"), ReadValue(ini_, "Top"), ReadValue(ini_, "Width"),
                          ReadValue(ini_, "Height"),
                          ini_.ReadInteger(kWindowKey, "WinState", kWinStateNormal)};
  if (size_only_) stored.left = stored.top = std::nullopt;
  std::vector<TRect> screens;
  std::size_t primary = 0;
  for (QScreen* screen : QGuiApplication::screens()) {
    if (screen == QGuiApplication::primaryScreen()) primary = screens.size();
    screens.push_back(ToRect(screen->geometry()));
  }
  if (screens.empty()) return;
  if (stored.left || stored.top || stored.width || stored.height) {
    const TRect placed = PlacedBounds(stored, ToRect(window_.geometry()), screens, primary);
    if (size_only_) {
      window_.resize(placed.width, placed.height);
    } else {
      window_.setGeometry(placed.left, placed.top, placed.width, placed.height);
    }
  }
  if (stored.win_state == kWinStateMaximised) {
    // The bounds just restored are already stored.
    restoring_ = true;
    window_.setWindowState(window_.windowState() | Qt::WindowMaximized);
    restoring_ = false;
  }
}

void TWindowPlacement::SaveNormalBounds() {
  if (restoring_) return;
  Write(PlacementToSave(ToRect(window_.normalGeometry()), kWinStateNormal, size_only_), false);
}

void TWindowPlacement::Save() {
  Write(PlacementToSave(ToRect(window_.normalGeometry()), WinState(window_), size_only_), true);
}

void TWindowPlacement::Write(const TPlacementToSave& save, bool with_state) {
  TSettingsTransaction transaction(ini_.db());
  for (const auto& [name, value] :
       {std::pair{"Left", save.left}, std::pair{"Top", save.top}, std::pair{"Width", save.width},
        std::pair{"Height", save.height}}) {
    if (value) ini_.WriteInteger(kWindowKey, name, *value);
  }
  if (with_state) ini_.WriteInteger(kWindowKey, "WinState", save.win_state);
  // A store that refuses keeps the earlier placement: nothing to tell.
  (void)transaction.Commit();
}

}  // namespace qv
