// The window runs scans of the real engine on temporary trees.
#include "ui/main_window/scan_control.h"

#include <QAction>
#include <QLabel>
#include <QSignalSpy>
#include <QToolButton>

#include <gtest/gtest.h>
#include <signal.h>

#include "config/config_keys.h"
#include "config/qv_ini_file.h"
#include "log/log_buffer.h"
#include "tests/support/text_search.h"
#include "tests/ui/window_fixture.h"
#include "ui/app/unix_signals.h"
#include "ui/main_window/log_view.h"

namespace qv::testing {
namespace {

using ScanControlTest = WindowTest;

// The window as the state shows it: title, the three buttons and the hint.
void ExpectShows(TMainWindow& window, TScanState state) {
  const TScanStateView view = window.scan_control().View();
  EXPECT_EQ(window.scan_control().state(), state);
  EXPECT_EQ(window.windowTitle().toStdString(), view.title);
  auto* start = window.findChild<QToolButton*>("SpeedButtonStart");
  auto* timer = window.findChild<QToolButton*>("SpeedButtonStartWaiting");
  auto* stop = window.findChild<QToolButton*>("SpeedButtonStop");
  EXPECT_EQ(start->isEnabled(), view.start_enabled);
  EXPECT_EQ(timer->isEnabled(), view.start_timer_enabled);
  EXPECT_EQ(stop->isEnabled(), view.stop_enabled);
  EXPECT_EQ(stop->defaultAction()->toolTip().toStdString(), view.stop_hint);
}

TEST_F(ScanControlTest, AScanStartedFromTheWindowMirrorsLogsAndStoresItsEnd) {
  MakeTree(temp_.path(), {"bin/documentation/index.html=guide"});
  TMainWindow& window = MakeWindow();
  EXPECT_FALSE(window.findChild<QToolButton*>("SpeedButtonOpenLog")->isEnabled());
  const FileTime before = platform_.Now();
  Click("SpeedButtonStart");
  ExpectShows(window, TScanState::kScanning);
  ASSERT_TRUE(WaitForScanEnd());
  EXPECT_EQ(ReadFile(dst_ + "sub/b.txt"), "beta");
  EXPECT_TRUE(Contains(LogText(), "Scan done in "));
  // The view shows the buffer as it is.
  EXPECT_EQ(ViewText(), LogText());
  const std::string file = LogFile();
  ASSERT_FALSE(file.empty());
  EXPECT_TRUE(Contains(ReadFile(file), "Created file " + dst_ + "a.txt"));
  EXPECT_TRUE(Contains(ReadFile(file), "Scan done in "));
  const FileTime last_scan = StoredLastScan();
  EXPECT_GE(last_scan, before);
  EXPECT_LE(last_scan, platform_.Now());
  EXPECT_EQ(window.findChild<QLabel*>("LabelStatus")->text(), "Scan ended without errors");
  ExpectShows(window, TScanState::kIdle);
  Click("SpeedButtonOpenLog");
  Click("SpeedButtonHelp");
  EXPECT_EQ(opener_.opened,
            (std::vector<std::string>{LogFile(), temp_ / "bin/documentation/index.html"}));
  EXPECT_TRUE(dialogs_.errors.empty());
}

// The scan thread waits in its first call until the event loop runs: a stop
// from the window lands while the scan runs.
TEST_F(ScanControlTest, AStopDuringAScanEndsItWithoutItsEndOfScan) {
  TMainWindow& window = MakeWindow();
  Click("SpeedButtonStart");
  Click("SpeedButtonStop");
  ExpectShows(window, TScanState::kStopping);
  ASSERT_TRUE(WaitForScanEnd());
  EXPECT_TRUE(Contains(LogText(), "\n\nTerminating scanner...\n"));
  EXPECT_FALSE(Contains(LogText(), "Scan done in "));
  EXPECT_EQ(StoredLastScan(), 0);
  EXPECT_EQ(window.findChild<QLabel*>("LabelStatus")->text(), "Scan stopped");
  ExpectShows(window, TScanState::kIdle);
}

TEST_F(ScanControlTest, ACloseDuringAScanStopsItAndClosesOnceTheThreadEnded) {
  TMainWindow& window = MakeWindow();
  QSignalSpy closed(&window, &TMainWindow::closed);
  Click("SpeedButtonStart");
  EXPECT_FALSE(window.close());
  EXPECT_EQ(window.windowTitle(), "Quorvane terminating scanner...");
  EXPECT_FALSE(window.close());  // a second request changes nothing
  EXPECT_TRUE(Contains(LogText(), "\n\nTerminating scanner...\n"));
  EXPECT_TRUE(window.isVisible());
  ASSERT_TRUE(WaitFor([&] { return closed.count() == 1; }));
  EXPECT_FALSE(window.isVisible());
  EXPECT_FALSE(window.scan_control().scanning());
  EXPECT_EQ(closed.count(), 1);
}

TEST_F(ScanControlTest, ASignalWhileTheScanWaitsInACallClosesTheWindow) {
  TMainWindow& window = MakeWindow();
  TUnixSignals signals_in;
  ASSERT_TRUE(signals_in.ok());
  QObject::connect(&signals_in, &TUnixSignals::closeRequested, &window, &QWidget::close);
  QSignalSpy closed(&window, &TMainWindow::closed);
  Click("SpeedButtonStart");
  ASSERT_TRUE(window.scan_control().scanning());
  ASSERT_EQ(raise(SIGTERM), 0);
  ASSERT_TRUE(WaitFor([&] { return closed.count() == 1; }));
  EXPECT_TRUE(Contains(LogText(), "Terminating scanner..."));
}

// No event loop runs any more (the program is ending) while the scan thread
// waits in a call: the window's end releases it instead of waiting forever.
TEST_F(ScanControlTest, DestroyingTheWindowDuringABlockedCallEndsTheScan) {
  MakeWindow();
  Click("SpeedButtonStart");
  ASSERT_TRUE(window_->scan_control().scanning());
  window_.reset();
  EXPECT_FALSE(PathExists(dst_ + "a.txt"));
}

// A drive asked for another scan: what the ended scan logged last is in its
// file before the next scan empties the view.
TEST_F(ScanControlTest, ARestartSavesTheLogBeforeTheNextScanEmptiesIt) {
  TMainWindow& window = MakeWindow();
  const std::string file = temp_ / "restart log.txt";
  window.log().SetLogFile(file);
  window.log().AddLine("Last line of the ended scan", true);
  window.scan_control().EndScan({false, true, 0});
  EXPECT_TRUE(window.scan_control().scanning());
  const std::string saved = ReadFile(file);
  EXPECT_TRUE(Contains(saved, "Last line of the ended scan\nRestarting scanner."));
  EXPECT_FALSE(Contains(LogText(), "Last line of the ended scan"));
  ASSERT_TRUE(WaitForScanEnd());
}

TEST_F(ScanControlTest, TheFirstStartCreatesTheStoreAndSaysHowToAddAMirror) {
  const std::string fresh = temp_ / "fresh/settings.db";
  MakeDirs(temp_ / "fresh/");
  window_ = std::make_unique<TMainWindow>(
      TMainWindowDeps{platform_, fresh, dialogs_, opener_, "/x/quorvane", {}});
  window_->Begin();
  EXPECT_TRUE(PathExists(fresh));
  EXPECT_TRUE(Contains(LogText(), "mirror add SOURCE DESTINATION"));
  EXPECT_TRUE(dialogs_.errors.empty());
}

// The minutes the next-scan timer is armed with, and its wall-clock check:
// the timer's own clock stops while the machine sleeps.
TEST_F(ScanControlTest, TheNextScanTimerFiresByTheWallClock) {
  StoreConfig([](TConfigData& config) { config.SetWaitMinutes(10); });
  TMainWindow& window = MakeWindow();
  TScanControl& control = window.scan_control();
  Click("SpeedButtonStartWaiting");
  ExpectShows(window, TScanState::kWaiting);
  EXPECT_TRUE(window.windowTitle().startsWith("Quorvane next scan on "));
  EXPECT_TRUE(Contains(LogText(), "Next scan on "));
  EXPECT_EQ(control.timer_interval_ms(), 10 * 60000);

  platform_.AdvanceMinutes(4);  // asleep for 4 minutes: 6 are left
  control.CheckDueTime();
  EXPECT_TRUE(control.timer_armed());
  EXPECT_LE(control.timer_interval_ms(), 6 * 60000);
  EXPECT_GT(control.timer_interval_ms(), 5 * 60000);

  platform_.AdvanceMinutes(7);
  control.CheckDueTime();
  EXPECT_TRUE(control.scanning());
  ASSERT_TRUE(WaitForScanEnd());
  // Wait = 10 again after the scan.
  EXPECT_TRUE(control.timer_armed());
  Click("SpeedButtonStop");
  EXPECT_TRUE(Contains(LogText(), "\nStopped timer"));
  ExpectShows(window, TScanState::kIdle);
}

struct TStartCase {
  const char* name;
  int wait;
  int min_minutes;
  double minutes_since_last_scan;
  int64_t expected_minutes;  // -1: scans at once
};

class StartScheduleTest : public WindowTest, public ::testing::WithParamInterface<TStartCase> {};

// /START schedules from the stored last scan, Wait and MinMinutesToWait (the
// arithmetic's edge cases are the schedule's own tests).
TEST_P(StartScheduleTest, ArmsTheTimerFromTheLastScan) {
  const TStartCase& c = GetParam();
  StoreConfig([&](TConfigData& config) {
    config.SetWaitMinutes(c.wait);
    config.SetMinMinutesToWait(c.min_minutes);
  });
  {
    TQVIniFile ini(platform_, settings_);
    const FileTime last = platform_.Now() - static_cast<FileTime>(c.minutes_since_last_scan * 60 *
                                                                  kFileTimeTicksPerSecond);
    ASSERT_TRUE(ini.WriteLastScan(last));
  }
  TScanControl& control = MakeWindow({"/START"}).scan_control();
  if (c.expected_minutes < 0) {
    EXPECT_TRUE(control.scanning());
    return;
  }
  EXPECT_FALSE(control.scanning());
  EXPECT_EQ(control.timer_interval_ms(), c.expected_minutes * 60000);
}

INSTANTIATE_TEST_SUITE_P(Cases, StartScheduleTest,
                         ::testing::Values(TStartCase{"HalfWayThroughWait", 60, 5, 30, 30},
                                           TStartCase{"NoRepeatNoMinimum", -1, 0, 10, -1},
                                           TStartCase{"NoRepeatWithMinimum", -1, 10, 10, 10}),
                         [](const auto& param_info) { return std::string(param_info.param.name); });

TEST_F(ScanControlTest, StartExitScansOnceAndClosesWithoutSavingTheOptions) {
  StoreConfig([](TConfigData& config) { config.SetWaitMinutes(30); });
  TMainWindow& window = MakeWindow({"/START", "/EXIT", "/WAIT=-1", "/MINMINUTES=0"});
  QSignalSpy closed(&window, &TMainWindow::closed);
  ASSERT_TRUE(WaitFor([&] { return closed.count() == 1; }));
  EXPECT_EQ(ReadFile(dst_ + "a.txt"), "alpha");
  EXPECT_FALSE(LogFile().empty());
  TQVIniFile ini(platform_, settings_);
  TConfigData stored;
  ASSERT_TRUE(stored.Load(ini));
  EXPECT_EQ(stored.wait_minutes(), 30);
  EXPECT_FALSE(stored.switches.close_when_done);
}

}  // namespace
}  // namespace qv::testing
