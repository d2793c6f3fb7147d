// Hiding into the tray and coming back, with and without a tray, over the
// real window and scans; the tray icon is a fake, as offscreen has none.
#include "ui/main_window/window_visibility.h"

#include <QApplication>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include "config/mapping.h"
#include "config/mappings.h"
#include "config/qv_ini_file.h"
#include "log/log_buffer.h"
#include "tests/ui/fake_tray.h"
#include "tests/ui/window_fixture.h"
#include "ui/main_window/scan_control.h"
#include "ui/tray/tray_menu.h"

namespace qv::testing {
namespace {

class VisibilityTest : public WindowTest {
 protected:
  VisibilityTest() {
    make_tray_ = [this] { return TFakeTray::Make(tray_); };
    show_at_start_ = true;
    tray_timings_ = {5, 100000, 5};
  }

  bool HiddenInTray() {
    const bool hidden = window_->visibility().hidden_in_tray();
    EXPECT_EQ(window_->scan_control().front_end().IsHiddenInTray(), hidden);
    return hidden;
  }
  int Count(const std::string& text) {
    const std::string log = LogText();
    int count = 0;
    for (auto at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++count;
    return count;
  }

  TFakeTray::TState tray_;
};

TEST_F(VisibilityTest, MinimisingDuringAScanHidesIntoTheTrayAndRestoringDrawsAtOnce) {
  TMainWindow& window = MakeWindow();
  TScanControl& scan = window.scan_control();
  Click("SpeedButtonStart");
  // The scan thread now waits for its first call on this thread.
  ASSERT_TRUE(scan.scanning());
  ASSERT_TRUE(scan.update_timer_active());
  window.showMinimized();
  EXPECT_TRUE(HiddenInTray());
  EXPECT_FALSE(scan.update_timer_active());
  ASSERT_TRUE(WaitFor([&] { return !window.isVisible(); }));
  EXPECT_FALSE(scan.update_timer_active());

  QSignalSpy drawn(&scan, &TScanControl::progress);
  tray_.tray->Click();
  EXPECT_EQ(drawn.count(), scan.scanning() ? 1 : 0);
  EXPECT_EQ(scan.update_timer_active(), scan.scanning());
  EXPECT_TRUE(window.isVisible());
  EXPECT_FALSE(window.isMinimized());
  EXPECT_FALSE(HiddenInTray());
  // Brought to the front at the next idle moment.
  EXPECT_TRUE(WaitFor([&] { return QApplication::activeWindow() == &window; }));
  ASSERT_TRUE(WaitForScanEnd());
}

TEST_F(VisibilityTest, WithoutATrayMinimisingLeavesTheWindowInTheTaskBarUntilOneAppears) {
  tray_.available = false;
  TMainWindow& window = MakeWindow();
  EXPECT_EQ(Count("Notify icon refused by taskbar"), 1);
  window.showMinimized();
  // Hidden in tray holds anyway: the scan pauses after user input and the
  // progress is not drawn, but the window stays in the task bar.
  EXPECT_TRUE(HiddenInTray());
  QCoreApplication::processEvents();
  EXPECT_TRUE(window.isVisible());
  EXPECT_TRUE(window.isMinimized());
  EXPECT_EQ(Count("Notify icon refused by taskbar"), 1);
  // Restored from the task bar it is no longer hidden in tray.
  window.showNormal();
  EXPECT_FALSE(HiddenInTray());
  window.showMinimized();
  ASSERT_TRUE(HiddenInTray());
  // A tray host started late: the minimised window moves into it.
  tray_.available = true;
  ASSERT_TRUE(WaitFor([&] { return !window.isVisible(); }));
  EXPECT_TRUE(HiddenInTray());
  window.tray().menu().view()->trigger();
  EXPECT_TRUE(window.isVisible());
  EXPECT_FALSE(HiddenInTray());
}

TEST_F(VisibilityTest, StartShowsNothingWithATrayAndAMinimisedWindowWithout) {
  const struct {
    bool tray;
    std::vector<std::string> args;
    bool visible, minimised, hidden_in_tray;
  } cases[] = {
      {true, {"/START"}, false, false, true},
      {false, {"/START"}, true, true, true},
      {true, {}, true, false, false},
      {false, {}, true, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.tray ? "tray" : "no tray") + (c.args.empty() ? "" : " /START"));
    tray_ = {};
    tray_.available = c.tray;
    TMainWindow& window = MakeWindow(c.args);
    QCoreApplication::processEvents();
    EXPECT_EQ(window.isVisible(), c.visible);
    EXPECT_EQ(window.isMinimized(), c.minimised);
    EXPECT_EQ(HiddenInTray(), c.hidden_in_tray);
    // The icon is asked for at every start.
    EXPECT_GE(tray_.adds, 1);
    EXPECT_EQ(tray_.added, c.tray);
    // Without /START nothing starts by itself.
    EXPECT_EQ(window.scan_control().state() != TScanState::kIdle, !c.args.empty());
    window_.reset();
  }
}

// Wayland reports no minimised state: View hides a shown window and shows
// a hidden one.
TEST_F(VisibilityTest, WhereNoMinimisingIsReportedViewToggles) {
  TMainWindow& window = MakeWindow();
  TFakeTray::TState other;
  TTrayControl tray(TFakeTray::Make(other), tray_timings_, [] { return false; });
  ASSERT_TRUE(tray.Add());
  QWidget widget;
  TWindowVisibility visibility(widget, tray, window.scan_control(), true);
  widget.show();
  visibility.View();
  EXPECT_FALSE(widget.isVisible());
  EXPECT_TRUE(visibility.hidden_in_tray());
  visibility.View();
  EXPECT_TRUE(widget.isVisible());
  EXPECT_FALSE(visibility.hidden_in_tray());
}

TEST_F(VisibilityTest, MirrorsAddedMeanwhileAppearWhenShownAndWhenAScanStarts) {
  TMainWindow& window = MakeWindow();
  EXPECT_EQ(window.mappings().Count(), 1);
  window.showMinimized();
  AddMirror("second");
  EXPECT_EQ(window.mappings().Count(), 1);
  window.View();
  EXPECT_EQ(window.mappings().Count(), 2);
  AddMirror("third");
  Click("SpeedButtonStart");
  EXPECT_EQ(window.mappings().Count(), 3);
  ASSERT_TRUE(WaitForScanEnd());
}

}  // namespace
}  // namespace qv::testing
