#include "ui/main_window/config_apply.h"

#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <filesystem>
#include <functional>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include "config/mapping.h"
#include "config/mappings.h"
#include "config/qv_ini_file.h"
#include "config/start_at_logon.h"
#include "log/log_buffer.h"
#include "stats/chart_rows.h"
#include "tests/support/text_search.h"
#include "tests/ui/window_fixture.h"
#include "ui/dialogs/confirm_update.h"
#include "ui/main_window/scan_control.h"
#include "ui/stats_panel/chart_model.h"
#include "ui/stats_panel/stats_panel.h"

namespace qv::testing {
namespace {

class ConfigApplyTest : public WindowTest {
 protected:
  // What OK hands over when nothing was changed: the stored values.
  TConfigEdit Unchanged() {
    TQVIniFile ini(platform_, settings_);
    TConfigData stored;
    EXPECT_TRUE(stored.Load(ini));
    TConfigEdit edit;
    edit.at_opening = edit.edited = GeneralValuesOf(stored, StartsAtLogon(platform_));
    for (const TListKind kind : {TListKind::kMappings, TListKind::kFilters, TListKind::kMinimalAges,
                                 TListKind::kFileMappings}) {
      edit.lists.emplace_back();
      EXPECT_TRUE(LoadList(ini, kind, &edit.lists.back().snapshot));
      edit.lists.back().rows = edit.lists.back().snapshot.rows;
    }
    return edit;
  }
  // The mirror moved to dir, and a filter added.
  TConfigEdit Moved(const std::string& dir) {
    MakeDirs(dir);
    TConfigEdit edit = Unchanged();
    edit.lists[0].rows[0].values[KeyColumn(TListKind::kMappings)] = dir;
    edit.lists[1].rows.push_back({"", {int64_t{1}, int64_t{0}, dir + "*.tmp", int64_t{0}}});
    edit.mappings_changed = true;
    return edit;
  }
  size_t StoredFilters() {
    TQVIniFile ini(platform_, settings_);
    TListSnapshot filters;
    EXPECT_TRUE(LoadList(ini, TListKind::kFilters, &filters));
    return filters.rows.size();
  }
  bool Stores(const std::string& destination) {
    TQVIniFile ini(platform_, settings_);
    return ini.KeyExists(TMapping(ini, destination).key());
  }
  TConfigApply& Apply() { return window_->config_apply(); }
  void ApplyGeneral(const std::function<void(TGeneralValues&)>& change) {
    TConfigEdit edit = Unchanged();
    edit.lists.clear();
    change(edit.edited);
    Apply().Apply(edit);
  }
  TScanControl& Scan() { return window_->scan_control(); }
  // A scan that waits at its first question: Confirm is stored on.
  void StartAsking() {
    StoreConfig([](TConfigData& config) { config.switches.confirm = true; });
    MakeWindow();
    Click("SpeedButtonStart");
    ASSERT_TRUE(WaitFor([this] { return window_->confirm_dialog().isVisible(); }));
  }
  // Yes to every question until the scan ended.
  bool AnswerYes() {
    return WaitFor([this] {
      TDlgConfirmUpdate& dialog = window_->confirm_dialog();
      if (dialog.isVisible()) {
        auto* scope = dialog.findChild<QRadioButton*>("RadioButtonThis");
        QTest::mouseClick(scope, Qt::LeftButton, {}, QPoint(6, scope->height() / 2));
        QTest::mouseClick(dialog.findChild<QPushButton*>("ButtonYes"), Qt::LeftButton);
      }
      return !Scan().scanning();
    });
  }
  // The mapping list, the statistics and the per-mirror menus show it.
  void ExpectShown(const std::string& destination) {
    ASSERT_EQ(window_->mappings().Count(), 1);
    EXPECT_EQ(window_->mappings().Destination(0), destination);
    const int row = ChartRowOf(0, TChartRowKind::kDestination);
    EXPECT_EQ(window_->stats_panel().model(TChartKind::kFiles).index(row, 0).data().toString(),
              QString::fromStdString(destination));
    auto* file = window_->findChild<QMenu*>("MenuFile");
    emit file->aboutToShow();
    EXPECT_EQ(file->findChild<QMenu*>("MenuOpenMirror")->actions().at(1)->data().toString(),
              QString::fromStdString(destination));
  }
};

// Started with /WAIT=5 /PRIOR=1 over the stored Wait -1 and "Normal": each
// row's change alone is stored, and only it overrides the command line.
TEST_F(ConfigApplyTest, OnlyTheChangedGeneralValuesAreStoredAndTakeEffect) {
  TMainWindow& window = MakeWindow({"/WAIT=5", "/PRIOR=1"});
  using V = TGeneralValues;
  const std::tuple<std::function<void(V&)>, std::vector<std::string>, int, int> kCases[] = {
      {[](V&) {}, {}, 5, 1},
      {[](V& v) { v.suspend_minutes = 2, v.min_minutes_to_wait = 7; },
       {"\"MilliSecondsToSuspendAfterUserInput\"=dword:0001d4c0",
        "\"MinMinutesToWait\"=dword:00000007"},
       5,
       1},
      {[](V& v) { v.switches = {true, false, true, true, true, true, true, false, true, true}; },
       {"\"AutoFilter\"=dword:00000000", "\"CloseWhenDone\"=dword:00000001",
        "\"Confirm\"=dword:00000001", "\"LogCreate\"=dword:00000000",
        "\"ScanExcludedDirs\"=dword:00000001", "\"UseArchiveBit\"=dword:00000001"},
       5,
       1},
      // Wait stored as the command line has it: still in effect.
      {[](V& v) { v.priority = 5, v.wait_minutes = 5; },
       {"\"Priority\"=dword:00000005", "\"Wait\"=dword:00000005"},
       5,
       5},
      {[](V& v) { v.wait_minutes = 0; }, {"\"Wait\"=dword:00000000"}, 0, 5},
  };
  for (const auto& [change, stored, wait, priority] : kCases) {
    const std::set<std::string> before = StoreLines();
    ApplyGeneral(change);
    EXPECT_EQ(Added(before, StoreLines()), stored);
    EXPECT_EQ(window.config().wait_minutes(), wait);
    EXPECT_EQ(window.config().priority(), priority);
  }
  EXPECT_EQ(window.config().suspend_millis(), 120000);
  EXPECT_EQ(window.config().switches, Unchanged().edited.switches);
  EXPECT_FALSE(Contains(LogText(), "Confirm updates"));  // no scan ran
  // An armed timer is set anew from the last scan (unknown: a minute on)
  // unless Wait is -1; unarmed, the start-timer button follows Wait.
  Scan().StartTimer(30, false);
  for (const auto& [wait, interval_ms] : {std::pair{-1, 30 * 60000}, {7, 60000}}) {
    ApplyGeneral([wait](V& v) { v.wait_minutes = wait; });
    EXPECT_EQ(Scan().timer_interval_ms(), interval_ms);
  }
  Scan().Stop();
  QAction* start_timer = window.findChild<QAction*>("SpeedButtonStartWaitingAction");
  for (const int wait : {-1, 7}) {
    ApplyGeneral([wait](V& v) { v.wait_minutes = wait; });
    EXPECT_EQ(start_timer->isEnabled(), wait == 7);
    EXPECT_FALSE(Scan().timer_armed());
  }
  // The autostart entry, and an error when it cannot be written.
  const std::string autostart = std::string(getenv("XDG_CONFIG_HOME")) + "/autostart";
  for (const bool on : {true, false}) {
    ApplyGeneral([on](V& v) { v.start_at_login = on; });
    EXPECT_EQ(StartsAtLogon(platform_), on);
  }
  EXPECT_TRUE(dialogs_.errors.empty());
  std::filesystem::remove_all(autostart);
  WriteFile(autostart, "a file where the folder belongs");
  ApplyGeneral([](V& v) { v.start_at_login = true; });
  EXPECT_EQ(dialogs_.errors.size(), 1u);
  std::filesystem::remove_all(autostart);
}

TEST_F(ConfigApplyTest, ChangesDuringAScanAreAnnouncedAndReachIt) {
  StartAsking();
  TConfigEdit edit = Unchanged();
  edit.edited.switches.confirm = false;
  edit.edited.switches.log_create = false;
  edit.edited.switches.use_archive_bit = true;
  edit.edited.suspend_minutes = 2;
  edit.edited.priority = 2;
  Apply().Apply(edit);
  ASSERT_TRUE(AnswerYes());
  EXPECT_TRUE(Contains(LogText(),
                       "Resuming scan in 120 seconds after user input when minimized\n"
                       "Changed thread priority to Lower\n"
                       "Stopped logging created files\n"
                       "No longer confirm updates\n"
                       "Enabled update of files wich have their archive attribute set\n"))
      << LogText();
  EXPECT_EQ(ReadFile(dst_ + "a.txt"), "alpha");
  EXPECT_FALSE(Contains(LogText(), "Created file " + dst_ + "a.txt"));
  EXPECT_EQ(platform_.last_priority(), 2);
  EXPECT_FALSE(Contains(LogText(), "Terminating scanner"));
}

// Filters alone are saved at once; moved mirrors stop the scan and are saved
// once its thread ended, with a close asked meanwhile before it happens.
TEST_F(ConfigApplyTest, MovedMirrorsWaitForTheStoppedScanThenShow) {
  const std::tuple<int, bool, int64_t> kCases[] = {
      {-1, false, 0}, {0, false, 60000}, {5, false, 5 * 60000}, {5, true, 0}};
  std::string old_dst = dst_;
  for (const auto& [wait, close, interval_ms] : kCases) {
    SCOPED_TRACE(old_dst);
    StoreConfig([wait](TConfigData& config) { config.SetWaitMinutes(wait); });
    StartAsking();
    TConfigEdit filters = Unchanged();
    filters.lists[1].rows.push_back({"", {int64_t{1}, int64_t{0}, "*.bak", int64_t{0}}});
    const size_t filter_count = StoredFilters();
    Apply().Apply(filters);
    EXPECT_EQ(StoredFilters(), filter_count + 1);
    EXPECT_EQ(Scan().state(), TScanState::kScanning);

    const std::string new_dst = old_dst.substr(0, old_dst.size() - 1) + "m/";
    TConfigEdit moved = Moved(new_dst);
    moved.edited.min_minutes_to_wait = moved.at_opening.min_minutes_to_wait + 1;
    const std::set<std::string> before = StoreLines();
    Apply().Apply(moved);
    EXPECT_EQ(Scan().state(), TScanState::kStopping);
    if (close) {
      EXPECT_FALSE(window_->close());
    }
    EXPECT_EQ(StoreLines(), before);
    EXPECT_EQ(window_->config().min_minutes_to_wait(), moved.at_opening.min_minutes_to_wait);
    ASSERT_TRUE(WaitForScanEnd());
    EXPECT_FALSE(Apply().pending());
    EXPECT_TRUE(Stores(new_dst));
    EXPECT_FALSE(Stores(old_dst));
    EXPECT_EQ(StoredFilters(), filter_count + 2);
    EXPECT_EQ(window_->config().min_minutes_to_wait(), moved.edited.min_minutes_to_wait);
    EXPECT_EQ(window_->isVisible(), !close);
    EXPECT_EQ(Scan().timer_armed() ? Scan().timer_interval_ms() : 0, interval_ms);
    if (!close) ExpectShown(new_dst);
    EXPECT_TRUE(dialogs_.errors.empty());
    window_.reset();
    old_dst = new_dst;
  }
}

TEST_F(ConfigApplyTest, AStoreFailureOfTheWaitingEditIsShownAndSavesNoList) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(settings_.c_str(), &db), SQLITE_OK);
  for (const char* when : {"INSERT", "UPDATE"}) {
    const std::string sql =
        std::string("CREATE TRIGGER refuse_") + when + " BEFORE " + when +
        " ON vals WHEN NEW.lname = 'src' BEGIN SELECT RAISE(ABORT, 'refused'); END";
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
  }
  sqlite3_close(db);
  StartAsking();
  Apply().Apply(Moved(temp_ / "moved/"));
  ASSERT_TRUE(WaitForScanEnd());
  ASSERT_EQ(dialogs_.errors.size(), 1u);
  EXPECT_TRUE(Contains(dialogs_.errors[0], "refused")) << dialogs_.errors[0];
  EXPECT_TRUE(Stores(dst_));
  EXPECT_FALSE(Stores(temp_ / "moved/"));
  EXPECT_EQ(StoredFilters(), 0u);
  ExpectShown(dst_);
}

}  // namespace
}  // namespace qv::testing
