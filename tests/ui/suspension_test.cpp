// A scan hidden in the tray pauses after user input and goes on when the
// user has been idle long enough; the window shows it.
#include <QLabel>
#include <algorithm>
#include <filesystem>
#include <functional>

#include <gtest/gtest.h>

#include "filesys/platform.h"
#include "log/log_buffer.h"
#include "tests/ui/idle_fakes.h"
#include "tests/ui/suspension_fixture.h"
#include "ui/main_window/scan_control.h"

namespace qv::testing {
namespace {

class SetIdleTest : public SuspensionTest {
 protected:
  TMainWindow& Make(std::optional<int64_t> idle, int suspend_millis, bool hidden) {
    auto source = std::make_unique<TSetIdleSource>(idle);
    source_ = source.get();
    TIdleSources sources;
    sources.push_back(std::move(source));
    return MakeIdleWindow(std::move(sources), suspend_millis, hidden);
  }
  QString Status() const { return window_->findChild<QLabel*>("LabelStatus")->text(); }

  TSetIdleSource* source_ = nullptr;  // owned by idle_
};

constexpr int kMinute = 60000;

TEST_F(SetIdleTest, AScanPausesOnlyHiddenWithASuspendTimeAndRecentInput) {
  struct Case {
    const char* name;
    bool hidden;
    int suspend_millis;
    std::optional<int64_t> idle;
    bool pauses;
  };
  const Case cases[] = {
      {"hidden, input just now", true, kMinute, 0, true},
      {"the window is shown", false, kMinute, 0, false},
      {"suspend time 0", true, 0, 0, false},
      {"no source of the input time", true, kMinute, std::nullopt, false},
      {"idle longer than the suspend time", true, kMinute, 2 * kMinute, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TMainWindow& window = Make(c.idle, c.suspend_millis, c.hidden);
    window.scan_control().StartScan();
    if (c.pauses) {
      ASSERT_TRUE(WaitForState(TScanState::kSuspended));
      source_->set(2 * kMinute);
    }
    ASSERT_TRUE(WaitForScanEnd());
    EXPECT_EQ(EverSuspended(), c.pauses);
    EXPECT_EQ(ReadFile(dst_ + "sub/b.txt"), "beta");
  }
}

TEST_F(SetIdleTest, ASuspendedScanShowsItselfCountsDownAndResumes) {
  TMainWindow& window = Make(0, kMinute, true);
  window.scan_control().StartScan();
  ASSERT_TRUE(WaitForState(TScanState::kSuspended));
  EXPECT_EQ(window.windowTitle(), "Quorvane suspended");
  EXPECT_EQ(window.scan_control().View().icon, "MS");
  // The time left of the suspend time, in whole seconds.
  EXPECT_TRUE(Status() == "Resuming scan in 59 seconds" ||
              Status() == "Resuming scan in 60 seconds")
      << Status().toStdString();
  source_->set(kMinute - 9500);
  ASSERT_TRUE(WaitForStatus("Resuming scan in 9 seconds"));
  EXPECT_EQ(window.scan_control().state(), TScanState::kSuspended);
  EXPECT_FALSE(SawStatus("Resumed scan")) << "the countdown resumed the scan";
  EXPECT_FALSE(std::filesystem::exists(dst_ + "a.txt")) << "nothing is copied while suspended";

  source_->set(kMinute);
  ASSERT_TRUE(WaitForStatus("Resumed scan"));
  ASSERT_TRUE(WaitForScanEnd());
  EXPECT_NE(std::find(states_.begin(), states_.end(), TScanState::kScanning), states_.end());
  EXPECT_EQ(ReadFile(dst_ + "a.txt"), "alpha");
}

TEST_F(SetIdleTest, ALostSourceOrShowingTheWindowResumesTheScan) {
  for (const bool lost : {true, false}) {
    SCOPED_TRACE(lost ? "source lost" : "window shown");
    std::filesystem::remove(dst_ + "a.txt");
    TMainWindow& window = Make(0, kMinute, true);
    window.scan_control().StartScan();
    ASSERT_TRUE(WaitForState(TScanState::kSuspended));
    if (lost) {
      source_->set(std::nullopt);
    } else {
      window.scan_control().SetHiddenInTray(false);
    }
    ASSERT_TRUE(WaitForScanEnd());
    EXPECT_TRUE(SawStatus("Resumed scan"));
    EXPECT_EQ(ReadFile(dst_ + "a.txt"), "alpha");
  }
}

TEST_F(SetIdleTest, StopWhileSuspendedLetsTheThreadEnd) {
  TMainWindow& window = Make(0, kMinute, true);
  window.scan_control().StartScan();
  ASSERT_TRUE(WaitForState(TScanState::kSuspended));
  Click("SpeedButtonStop");
  ASSERT_TRUE(WaitForScanEnd());
  EXPECT_EQ(window.scan_control().state(), TScanState::kIdle);
  EXPECT_EQ(window.windowTitle(), "Quorvane");
  EXPECT_NE(LogText().find("\nTerminating scanner...\n"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dst_ + "a.txt"));
  EXPECT_EQ(Status(), "Scan stopped");
}

TEST_F(SetIdleTest, TheInputTimeIsSampledOnlyWhileAScanRunsHidden) {
  TMainWindow& window = Make(2 * kMinute, kMinute, false);
  TScanControl& control = window.scan_control();
  struct Step {
    const char* name;
    std::function<void()> act;
    bool sampling;
  };
  const Step steps[] = {
      {"shown, no scan", [] {}, false},
      {"hidden, no scan", [&] { control.SetHiddenInTray(true); }, false},
      {"hidden, scanning", [&] { control.StartScan(); }, true},
      {"shown, scanning", [&] { control.SetHiddenInTray(false); }, false},
      {"hidden again", [&] { control.SetHiddenInTray(true); }, true},
      {"the scan ended", [&] { ASSERT_TRUE(WaitForScanEnd()); }, false},
  };
  for (const Step& step : steps) {
    step.act();
    EXPECT_EQ(idle_->sampling(), step.sampling) << step.name;
  }
}

}  // namespace
}  // namespace qv::testing
