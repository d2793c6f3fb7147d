// The tray icon's menu, tip and retries, over a fake icon: offscreen has no
// tray.
#include <QAction>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include "config/qv_ini_file.h"
#include "tests/ui/fake_tray.h"
#include "tests/ui/window_fixture.h"
#include "ui/logic/scan_state.h"
#include "ui/main_window/scan_control.h"
#include "ui/tray/tray_control.h"
#include "ui/tray/tray_menu.h"

namespace qv::testing {
namespace {

// Each row: visible, enabled and caption of Start, Stop and Start timer; the
// views themselves are the scan state's tests.
TEST(TrayMenuTest, TheItemsFollowTheState) {
  TTrayMenu menu([] { return false; });
  const struct {
    TScanState state;
    const char* expected;
  } cases[] = {
      {TScanState::kIdle, "11&Start scan 00&Stop scan 11Start &timer"},
      {TScanState::kStopping, "00&Start scan 10Stopping... 00Start &timer"},
  };
  for (const auto& c : cases) {
    menu.ShowState(ScanStateView(c.state, 60, "12:00"));
    QStringList items;
    for (QAction* action : {menu.start(), menu.stop(), menu.start_timer()})
      items << QString::number(action->isVisible()) + QString::number(action->isEnabled()) +
                   action->text();
    EXPECT_EQ(items.join(' ').toStdString(), c.expected) << static_cast<int>(c.state);
  }
}

TEST(TrayMenuTest, ItemsHaveTheirNamesAndCaptionsInOrder) {
  TTrayMenu menu([] { return true; });
  QStringList items;
  for (const QAction* action : menu.actions()) items << action->objectName() + "=" + action->text();
  EXPECT_EQ(items.join('|').toStdString(),
            "MenuSysTrayViewQV=&View Quorvane|MenuSysTrayStart=&Start scan|"
            "MenuSysTrayStop=&Stop scan|MenuSysTrayStartTimer=Start &timer|=|"
            "MenuSysTrayClose=&Close Quorvane|MenuSysTrayCloseWhenDone=Close when &done|"
            "MenuSystrayCloseMenu=Close menu");
  EXPECT_EQ(menu.defaultAction(), menu.view());
  // Opening the menu shows the effective CloseWhenDone.
  emit menu.aboutToShow();
  EXPECT_TRUE(menu.close_when_done()->isChecked());
}

class TrayControlTest : public ::testing::Test {
 protected:
  TTrayControl& Make() {
    control_ =
        std::make_unique<TTrayControl>(TFakeTray::Make(tray_), timings_, [] { return false; });
    control_->set_progress_source([this] { return progress_; });
    return *control_;
  }

  TFakeTray::TState tray_;
  TTrayTimings timings_{5, 3, 5};
  TTipProgress progress_;
  std::unique_ptr<TTrayControl> control_;
};

TEST_F(TrayControlTest, TheTipIsTheCutTitleAndWhileHiddenAndScanningTheProgress) {
  TTrayControl& control = Make();
  ASSERT_TRUE(control.Add());
  EXPECT_EQ(tray_.menu, &control.menu());
  TScanStateView view = ScanStateView(TScanState::kScanning, 60, "");
  view.title += " and a great deal more text that no tray tip can hold";
  control.ShowState(view, true);
  EXPECT_EQ(tray_.tip.toStdString(), view.title.substr(0, 63));
  control.ShowState(ScanStateView(TScanState::kScanning, 60, ""), true);
  // Shown: the title, as the window has it.
  EXPECT_EQ(tray_.tip, "Quorvane scanning");
  progress_ = {25, 100, false};
  control.SetHidden(true);
  EXPECT_EQ(tray_.tip, "Quorvane 25% done");
  // No mouse moves arrive: the slow timer picks up what changed.
  progress_ = {50, 100, true};
  EXPECT_TRUE(WaitFor([&] { return tray_.tip == "Quorvane 50% done, suspended"; }));
  control.SetHidden(false);
  EXPECT_EQ(tray_.tip, "Quorvane scanning");
  progress_ = {75, 100, false};
  control.SetHidden(true);
  control.ShowState(ScanStateView(TScanState::kIdle, 60, ""), false);
  EXPECT_EQ(tray_.tip, "Quorvane");
}

TEST_F(TrayControlTest, ARefusedIconIsReportedOnceAndAskedForAgainUntilATrayAppears) {
  tray_.available = false;
  TTrayControl& control = Make();
  QSignalSpy refused(&control, &TTrayControl::refused);
  QSignalSpy added_later(&control, &TTrayControl::addedLater);
  EXPECT_FALSE(control.Add());
  EXPECT_FALSE(control.Add());
  EXPECT_EQ(refused.count(), 1);
  EXPECT_TRUE(control.retrying());
  tray_.available = true;
  ASSERT_TRUE(WaitFor([&] { return added_later.count() == 1; }));
  EXPECT_TRUE(control.added());
  EXPECT_FALSE(control.retrying());
  EXPECT_EQ(tray_.tip, "Quorvane");
}

TEST_F(TrayControlTest, TheRetriesEndAfterTheirNumber) {
  tray_.available = false;
  TTrayControl& control = Make();
  EXPECT_FALSE(control.Add());
  ASSERT_TRUE(WaitFor([&] { return !control.retrying(); }));
  EXPECT_EQ(tray_.adds, 1 + timings_.retries);
  EXPECT_FALSE(control.added());
}

class TrayWindowTest : public WindowTest {
 protected:
  TrayWindowTest() {
    make_tray_ = [this] { return TFakeTray::Make(tray_); };
    show_at_start_ = true;
  }
  TFakeTray::TState tray_;
};

TEST_F(TrayWindowTest, CloseWhenDoneHoldsForThisRunAndIsNeverSaved) {
  TMainWindow& window = MakeWindow();
  TTrayMenu& menu = window.tray().menu();
  emit menu.aboutToShow();
  ASSERT_FALSE(menu.close_when_done()->isChecked());
  menu.close_when_done()->trigger();
  EXPECT_TRUE(window.config().switches.close_when_done);
  // A run that saves its settings meanwhile still stores none of it.
  TQVIniFile ini(platform_, settings_);
  TConfigData stored;
  ASSERT_TRUE(stored.Load(ini));
  EXPECT_FALSE(stored.switches.close_when_done);
  menu.close_when_done()->trigger();
  EXPECT_FALSE(window.config().switches.close_when_done);
}

TEST_F(TrayWindowTest, TheMenuStartsAndStopsTheTimerAndScans) {
  StoreConfig([](TConfigData& config) { config.SetWaitMinutes(30); });
  TMainWindow& window = MakeWindow();
  TTrayMenu& menu = window.tray().menu();
  menu.start_timer()->trigger();
  EXPECT_EQ(window.scan_control().state(), TScanState::kWaiting);
  EXPECT_TRUE(menu.stop()->isVisible());
  EXPECT_TRUE(tray_.tip.startsWith("Quorvane next scan on "));
  menu.stop()->trigger();
  EXPECT_EQ(window.scan_control().state(), TScanState::kIdle);
  menu.start()->trigger();
  EXPECT_TRUE(window.scan_control().scanning());
  ASSERT_TRUE(WaitForScanEnd());
  EXPECT_TRUE(PathExists(dst_ + "a.txt"));
}

}  // namespace
}  // namespace qv::testing
