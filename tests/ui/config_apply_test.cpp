#include "ui/main_window/config_apply.h"

#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include "config/config_keys.h"
#include "config/list_rows.h"
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

constexpr TListKind kLists[] = {TListKind::kMappings, TListKind::kFilters, TListKind::kMinimalAges,
                                TListKind::kFileMappings};

void Sql(const std::string& db_path, const std::string& sql) {
  sqlite3* db = nullptr;
  sqlite3_open(db_path.c_str(), &db);
  sqlite3_busy_timeout(db, 10000);
  EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sql;
  sqlite3_close(db);
}

// Every stored value as "key|name=data", read past the program's own code.
std::set<std::string> StoredLines(const std::string& db_path) {
  sqlite3* db = nullptr;
  sqlite3_open(db_path.c_str(), &db);
  sqlite3_stmt* rows = nullptr;
  sqlite3_prepare_v2(db, "SELECT key || '|' || name || '=' || hex(data) FROM vals", -1, &rows,
                     nullptr);
  std::set<std::string> lines;
  while (sqlite3_step(rows) == SQLITE_ROW)
    lines.insert(reinterpret_cast<const char*>(sqlite3_column_text(rows, 0)));
  sqlite3_finalize(rows);
  sqlite3_close(db);
  return lines;
}

// The names of the values that are new or changed in after.
std::set<std::string> ChangedNames(const std::set<std::string>& before,
                                   const std::set<std::string>& after) {
  std::set<std::string> names;
  for (const std::string& line : after) {
    if (before.count(line) != 0) continue;
    const std::string value = line.substr(0, line.find('='));
    names.insert(value.substr(value.rfind('|') + 1));
  }
  return names;
}

class ConfigApplyTest : public WindowTest {
 protected:
  // What the dialog hands over when OK changes nothing: the stored values.
  TConfigEdit Unchanged() {
    TQVIniFile ini(platform_, settings_);
    TConfigData stored;
    EXPECT_TRUE(stored.Load(ini));
    TConfigEdit edit;
    edit.at_opening = edit.edited = GeneralValuesOf(stored, StartsAtLogon(platform_));
    for (const TListKind kind : kLists) {
      TListEditData list;
      EXPECT_TRUE(LoadList(ini, kind, &list.snapshot));
      list.rows = list.snapshot.rows;
      edit.lists.push_back(std::move(list));
    }
    return edit;
  }
  // The first mirror's destination moved to dir (made).
  static void Move(TConfigEdit& edit, const std::string& dir) {
    MakeDirs(dir);
    edit.lists[0].rows[0].values[KeyColumn(TListKind::kMappings)] = dir;
    edit.mappings_changed = true;
  }
  static void AddFilter(TConfigEdit& edit, const std::string& pattern) {
    edit.lists[1].rows.push_back({"", {int64_t{1}, int64_t{0}, pattern, int64_t{0}}});
  }
  TConfigApply& Apply() { return window_->config_apply(); }
  std::vector<std::string> StoredFilters() {
    TQVIniFile ini(platform_, settings_);
    TListSnapshot filters;
    EXPECT_TRUE(LoadList(ini, TListKind::kFilters, &filters));
    std::vector<std::string> texts;
    for (const TListRow& row : filters.rows)
      texts.push_back(std::get<std::string>(row.values[TextColumn(TListKind::kFilters)]));
    return texts;
  }
  bool StartTimerEnabled() {
    return window_->findChild<QAction*>("SpeedButtonStartWaitingAction")->isEnabled();
  }
  std::set<std::string> Stored() { return StoredLines(settings_); }
  bool Stores(const std::string& destination) {
    TQVIniFile ini(platform_, settings_);
    return ini.KeyExists(TMapping(ini, destination).key());
  }
  // Starts a scan that waits at its first question (Confirm is stored on).
  void StartAsking() {
    StoreConfig([](TConfigData& config) { config.switches.confirm = true; });
    MakeWindow();
    Click("SpeedButtonStart");
    ASSERT_TRUE(WaitFor([this] { return window_->confirm_dialog().isVisible(); }));
  }
  void AnswerYes() {
    TDlgConfirmUpdate& dialog = window_->confirm_dialog();
    auto* scope = dialog.findChild<QRadioButton*>("RadioButtonThis");
    QTest::mouseClick(scope, Qt::LeftButton, {}, QPoint(6, scope->height() / 2));
    QTest::mouseClick(dialog.findChild<QPushButton*>("ButtonYes"), Qt::LeftButton);
  }
  // Every place of the window that names the mirrors shows destination.
  void ExpectShownEverywhere(const std::string& destination) {
    ASSERT_EQ(window_->mappings().Count(), 1);
    EXPECT_EQ(window_->mappings().Destination(0), destination);
    const QModelIndex row = window_->stats_panel()
                                .model(TChartKind::kFiles)
                                .index(ChartRowOf(0, TChartRowKind::kDestination), 0);
    EXPECT_EQ(row.data().toString().toStdString(), destination);
    auto* file = window_->findChild<QMenu*>("MenuFile");
    emit file->aboutToShow();
    std::vector<std::string> opened;
    for (const QAction* action : file->findChild<QMenu*>("MenuOpenMirror")->actions())
      opened.push_back(action->data().toString().toStdString());
    EXPECT_EQ(opened, (std::vector<std::string>{src_, destination}));
  }
};

// Started with /WAIT=5 and /PRIOR=1 over the stored Wait -1 and "Normal".
TEST_F(ConfigApplyTest, OnlyTheChangedGeneralValuesAreStoredAndTakeEffect) {
  TMainWindow& window = MakeWindow({"/WAIT=5", "/PRIOR=1"});
  const std::string autostart = std::string(getenv("XDG_CONFIG_HOME")) + "/autostart";
  std::filesystem::remove_all(autostart);
  struct Case {
    std::function<void(TGeneralValues&)> change;
    std::set<std::string> stored;  // the values that change in the store
    int wait, priority;            // effective afterwards
  };
  const Case kCases[] = {
      {[](TGeneralValues&) {}, {}, 5, 1},
      {[](TGeneralValues& v) { v.suspend_minutes = 2; },
       {"MilliSecondsToSuspendAfterUserInput"},
       5,
       1},
      {[](TGeneralValues& v) { v.min_minutes_to_wait = 7; }, {"MinMinutesToWait"}, 5, 1},
      {[](TGeneralValues& v) {
         v.switches.confirm = true;
         v.switches.auto_filter = false;
       },
       {"Confirm", "AutoFilter"},
       5,
       1},
      {[](TGeneralValues& v) {
         v.switches.log_create = false;
         v.switches.close_when_done = true;
         v.switches.scan_excluded_dirs = true;
         v.switches.use_archive_bit = true;
       },
       {"LogCreate", "CloseWhenDone", "ScanExcludedDirs", "UseArchiveBit"},
       5,
       1},
      {[](TGeneralValues& v) { v.priority = 5; }, {"Priority"}, 5, 5},
      // Stored -1 to 5, as the command line has it: stored, effective still 5.
      {[](TGeneralValues& v) { v.wait_minutes = 5; }, {"Wait"}, 5, 5},
      {[](TGeneralValues& v) { v.wait_minutes = 0; }, {"Wait"}, 0, 5},
      {[](TGeneralValues& v) { v.start_at_login = true; }, {}, 0, 5},
  };
  for (size_t i = 0; i < std::size(kCases); ++i) {
    const Case& c = kCases[i];
    TConfigEdit edit = Unchanged();
    edit.lists.clear();
    c.change(edit.edited);
    const std::set<std::string> before = Stored();
    Apply().Apply(edit);
    EXPECT_EQ(ChangedNames(before, Stored()), c.stored) << i;
    EXPECT_EQ(Unchanged().at_opening, edit.edited) << i;
    EXPECT_EQ(window.config().wait_minutes(), c.wait) << i;
    EXPECT_EQ(window.config().priority(), c.priority) << i;
  }
  EXPECT_EQ(window.config().suspend_millis(), 120000);
  EXPECT_EQ(window.config().min_minutes_to_wait(), 7);
  EXPECT_EQ(window.config().switches, Unchanged().edited.switches);
  EXPECT_TRUE(StartsAtLogon(platform_));
  // No scan ran: nothing was announced.
  EXPECT_FALSE(Contains(LogText(), "Confirm updates"));
  EXPECT_TRUE(dialogs_.errors.empty());

  TConfigEdit edit = Unchanged();
  edit.edited.start_at_login = false;
  Apply().Apply(edit);
  EXPECT_FALSE(StartsAtLogon(platform_));
  std::filesystem::remove_all(autostart);
  WriteFile(autostart, "a file where the folder belongs");
  std::swap(edit.at_opening, edit.edited);
  Apply().Apply(edit);
  EXPECT_EQ(dialogs_.errors.size(), 1u);
  std::filesystem::remove_all(autostart);
}

// Unarmed only the start-timer button follows Wait; an armed timer is set
// anew from the last scan, or stays for -1.
TEST_F(ConfigApplyTest, AChangedWaitRearmsOnlyAnArmedTimer) {
  ASSERT_TRUE(TQVIniFile(platform_, settings_).WriteLastScan(platform_.Now()));
  TMainWindow& window = MakeWindow();
  struct Case {
    bool armed;  // for 30 minutes, before the change
    int wait;
    int64_t interval_ms;  // armed afterwards; 0: not armed
  };
  const Case kCases[] = {{false, 7, 0},
                         {false, -1, 0},
                         {true, 7, 7 * 60000},
                         {true, 0, 60000},
                         {true, -1, 30 * 60000}};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.wait);
    TConfigEdit edit = Unchanged();
    edit.edited.wait_minutes = 30;
    Apply().Apply(edit);
    window.scan_control().Stop();
    if (c.armed) window.scan_control().StartTimer(30, false);
    edit = Unchanged();
    edit.edited.wait_minutes = c.wait;
    Apply().Apply(edit);
    EXPECT_EQ(window.scan_control().timer_armed(), c.interval_ms != 0);
    if (c.interval_ms != 0) {
      EXPECT_EQ(window.scan_control().timer_interval_ms(), c.interval_ms);
    }
    if (!c.armed) {
      EXPECT_EQ(StartTimerEnabled(), c.wait >= 1);
    }
    EXPECT_FALSE(window.scan_control().scanning());
  }
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
  EXPECT_TRUE(window_->scan_control().scanning());
  // Confirm holds from the next mirror on: this one still asks.
  ASSERT_TRUE(WaitFor([this] {
    if (window_->confirm_dialog().isVisible()) AnswerYes();
    return !window_->scan_control().scanning();
  }));
  const std::string log = LogText();
  const std::string kAnnounced =
      "Resuming scan in 120 seconds after user input when minimized\n"
      "Changed thread priority to Lower\n"
      "Stopped logging created files\n"
      "No longer confirm updates\n"
      "Enabled update of files wich have their archive attribute set\n";
  EXPECT_TRUE(Contains(log, kAnnounced)) << log;
  // a.txt copied without its line, at the new priority.
  EXPECT_EQ(ReadFile(dst_ + "a.txt"), "alpha");
  EXPECT_FALSE(Contains(log, "Created file " + dst_ + "a.txt"));
  EXPECT_EQ(platform_.last_priority(), 2);
  EXPECT_FALSE(Contains(log, "Terminating scanner"));
}

// Filters alone are saved at once; changed mirrors stop the scan and wait
// for its thread to end, so that its mirror never writes below the old key.
TEST_F(ConfigApplyTest, ChangedMirrorsWaitForTheStoppedScanThenShowEverywhere) {
  struct Case {
    int wait;
    bool close;
    int64_t interval_ms;  // the timer armed afterwards; 0: none
  };
  const Case kCases[] = {{-1, false, 0}, {0, false, 60000}, {5, false, 5 * 60000}, {5, true, 0}};
  std::string old_dst = dst_;
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.wait);
    StoreConfig([&c](TConfigData& config) { config.SetWaitMinutes(c.wait); });
    StartAsking();
    TConfigEdit filters = Unchanged();
    AddFilter(filters, "*.none" + std::to_string(c.wait));
    Apply().Apply(filters);
    EXPECT_EQ(StoredFilters().size(), static_cast<size_t>(&c - kCases + 1));
    EXPECT_EQ(window_->scan_control().state(), TScanState::kScanning);
    EXPECT_FALSE(Apply().pending());

    const std::string new_dst = temp_ / ("moved" + std::to_string(c.wait) + (c.close ? "c/" : "/"));
    TConfigEdit moved = Unchanged();
    Move(moved, new_dst);
    const int min_minutes = moved.at_opening.min_minutes_to_wait;
    moved.edited.min_minutes_to_wait = min_minutes + 1;
    const std::set<std::string> before = Stored();
    Apply().Apply(moved);
    EXPECT_TRUE(Apply().pending());
    EXPECT_EQ(window_->scan_control().state(), TScanState::kStopping);
    if (c.close) {
      EXPECT_FALSE(window_->close());
    }
    EXPECT_EQ(Stored(), before);
    EXPECT_EQ(window_->config().min_minutes_to_wait(), min_minutes);
    ASSERT_TRUE(WaitForScanEnd());

    EXPECT_FALSE(Apply().pending());
    EXPECT_TRUE(Stores(new_dst));
    EXPECT_FALSE(Stores(old_dst));
    EXPECT_EQ(window_->config().min_minutes_to_wait(), min_minutes + 1);
    EXPECT_EQ(window_->isVisible(), !c.close);
    EXPECT_EQ(window_->scan_control().timer_armed(), c.interval_ms != 0);
    if (c.interval_ms != 0) {
      EXPECT_EQ(window_->scan_control().timer_interval_ms(), c.interval_ms);
    }
    if (!c.close) ExpectShownEverywhere(new_dst);
    EXPECT_TRUE(dialogs_.errors.empty());
    window_.reset();
    old_dst = new_dst;
  }
}

// The edit waiting for the scan fails as a whole: no list is half saved.
TEST_F(ConfigApplyTest, AStoreFailureOfTheWaitingEditIsShownAndSavesNoList) {
  for (const char* when : {"INSERT", "UPDATE"}) {
    Sql(settings_,
        std::string("CREATE TRIGGER refuse_") + when + " BEFORE " + when +
            " ON vals WHEN NEW.lname = 'src' BEGIN SELECT RAISE(ABORT, 'refused'); END;");
  }
  StartAsking();
  TConfigEdit edit = Unchanged();
  Move(edit, temp_ / "moved/");
  AddFilter(edit, "*.none");
  Apply().Apply(edit);
  ASSERT_TRUE(WaitForScanEnd());
  ASSERT_EQ(dialogs_.errors.size(), 1u);
  EXPECT_TRUE(Contains(dialogs_.errors[0], "refused")) << dialogs_.errors[0];
  EXPECT_TRUE(Stores(dst_));
  EXPECT_FALSE(Stores(temp_ / "moved/"));
  EXPECT_TRUE(StoredFilters().empty());
  ExpectShownEverywhere(dst_);
}

}  // namespace
}  // namespace qv::testing
