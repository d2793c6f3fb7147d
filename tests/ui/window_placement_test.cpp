// The window's bounds and state go to the settings store at close and come
// back, kept on the screen, at the next start.
#include "ui/main_window/window_placement.h"

#include <map>
#include <optional>

#include <gtest/gtest.h>

#include "config/config_keys.h"
#include "config/qv_ini_file.h"
#include "tests/ui/window_fixture.h"

namespace qv::testing {
namespace {

const std::string kWindowKey = std::string(kBaseKey) + "\\Window";
using TValues = std::map<std::string, std::optional<int>>;

class WindowPlacementTest : public WindowTest {
 protected:
  void Store(const TValues& values) {
    TQVIniFile ini(platform_, settings_);
    for (const auto& [name, value] : values)
      ASSERT_TRUE(ini.WriteInteger(kWindowKey, name, *value));
  }
  TValues Stored() {
    TQVIniFile ini(platform_, settings_);
    TValues values;
    for (const char* name : {"Left", "Top", "Width", "Height", "WinState"}) {
      int32_t value = 0;
      values[name] =
          ini.TryReadInteger(kWindowKey, name, &value) ? std::optional(value) : std::nullopt;
    }
    return values;
  }
  void CloseWindow() {
    ASSERT_TRUE(window_->close());
    window_.reset();
  }
};

// The offscreen screen is 800 by 800 pixels.
TEST_F(WindowPlacementTest, AStoredPlacementOffTheScreenIsPulledBackAndTheNormalBoundsStored) {
  Store({{"Left", -500}, {"Top", 30}, {"Width", 720}, {"Height", 900}, {"WinState", 0}});
  TMainWindow& window = MakeWindow();
  EXPECT_EQ(window.geometry(), QRect(0, 30, 720, 770));
  EXPECT_FALSE(window.isMaximized());
  window.setGeometry(60, 70, 500, 400);
  CloseWindow();
  EXPECT_EQ(Stored(),
            (TValues{{"Left", 60}, {"Top", 70}, {"Width", 500}, {"Height", 400}, {"WinState", 0}}));
}

TEST_F(WindowPlacementTest, ClosedWhileMaximisedKeepsTheNormalBoundsAndRestoresThemMaximised) {
  Store({{"Left", 100}, {"Top", 120}, {"Width", 500}, {"Height", 400}, {"WinState", 0}});
  TMainWindow& window = MakeWindow();
  ASSERT_EQ(window.geometry(), QRect(100, 120, 500, 400));
  // Moved in this run, then maximised: the bounds it left are the ones kept.
  window.setGeometry(150, 130, 500, 400);
  window.showMaximized();
  // The offscreen screen is 800 pixels wide, less the frame.
  ASSERT_TRUE(WaitFor([&] { return window.geometry().width() > 700; }));
  CloseWindow();
  EXPECT_EQ(
      Stored(),
      (TValues{{"Left", 150}, {"Top", 130}, {"Width", 500}, {"Height", 400}, {"WinState", 2}}));

  TMainWindow& next = MakeWindow();
  EXPECT_TRUE(next.isMaximized());
  EXPECT_EQ(next.normalGeometry(), QRect(150, 130, 500, 400));
  next.showNormal();
  ASSERT_TRUE(WaitFor([&] { return next.geometry() == QRect(150, 130, 500, 400); }));
}

}  // namespace
}  // namespace qv::testing
