// The window's menus and setting toggles over the real store and engine.
#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTableView>
#include <QTest>
#include <QTextDocumentFragment>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <set>
#include <tuple>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include "config/config_keys.h"
#include "config/mapping.h"
#include "config/qv_ini_file.h"
#include "config/start_at_logon.h"
#include "log/log_buffer.h"
#include "stats/chart_rows.h"
#include "stats/mirror_info.h"
#include "tests/support/scoped_mount.h"
#include "tests/support/text_search.h"
#include "tests/ui/window_fixture.h"
#include "ui/main_window/edit_commands.h"
#include "ui/main_window/log_view.h"
#include "ui/main_window/scan_control.h"
#include "ui/main_window/setting_toggles.h"
#include "ui/main_window/statistics_menu.h"
#include "ui/stats_panel/chart_model.h"
#include "ui/stats_panel/check_lists.h"
#include "ui/stats_panel/stats_panel.h"
#include "ui/tray/tray_menu.h"

namespace qv::testing {
namespace {

using MenusTest = WindowTest;

constexpr TChartKind kFiles = TChartKind::kFiles;
constexpr TChartKind kSizes = TChartKind::kSizes;

// A menu's entries as "caption" or "caption|shortcut", separators left out.
std::vector<std::string> Entries(const QMenu* menu) {
  std::vector<std::string> entries;
  for (const QAction* action : menu->actions()) {
    if (action->isSeparator()) continue;
    std::string entry = action->text().toStdString();
    if (!action->shortcut().isEmpty()) entry += "|" + action->shortcut().toString().toStdString();
    entries.push_back(entry);
  }
  return entries;
}

QMenu* Menu(QWidget& window, const char* name) {
  auto* menu = window.findChild<QMenu*>(name);
  EXPECT_NE(menu, nullptr) << name;
  return menu;
}

// Opens menu as a click does (its entries are made as it opens).
QMenu* Open(QWidget& window, const char* name) {
  QMenu* menu = Menu(window, name);
  emit menu->aboutToShow();
  return menu;
}

QAction* Entry(const QMenu* menu, const std::string& caption) {
  for (QAction* action : menu->actions()) {
    if (action->text().toStdString() == caption) return action;
  }
  ADD_FAILURE() << "no entry " << caption;
  return nullptr;
}

void StoreMirror(Platform& platform, const std::string& settings, const std::string& source,
                 const std::string& destination) {
  TQVIniFile ini(platform, settings);
  TMapping mapping(ini, destination);
  mapping.SetSource(source);
  ASSERT_TRUE(mapping.Save());
}

// Where a right click on a chart row lands, in screen coordinates.
QPoint AtRow(TStatsPanel& panel, TChartKind kind, int row) {
  QTableView& chart = panel.view(kind);
  const QModelIndex cell = chart.model()->index(row, 0);
  chart.scrollTo(cell);
  return chart.viewport()->mapToGlobal(chart.visualRect(cell).center());
}

// The statistics context menu's entries for a right click at global.
std::vector<std::string> ContextEntries(TMainWindow& window, const QPoint& global, QMenu* menu) {
  window.statistics_commands().FillContextMenu(menu, global);
  return Entries(menu);
}

// Each entry's caption after "+" when checked, "-" when not.
std::vector<std::string> Marks(const QMenu* menu) {
  std::vector<std::string> marks;
  for (const QAction* action : menu->actions())
    marks.push_back((action->isChecked() ? "+" : "-") + action->text().toStdString());
  return marks;
}

TEST_F(MenusTest, CaptionsShortcutsAndNamesFollowTheTables) {
  TMainWindow& window = MakeWindow();
  std::vector<std::string> bar;
  for (const QAction* action : window.menuBar()->actions())
    bar.push_back(action->text().toStdString() + "=" + action->menu()->objectName().toStdString());
  EXPECT_EQ(bar, (std::vector<std::string>{"&File=MenuFile", "&Edit=MenuEdit",
                                           "&Scanner=MenuScanner", "S&tatistics=MenuStatistics",
                                           "&Log=MenuLog", "&Help=MenuHelp"}));
  const std::vector<std::string> kLogToggles = {
      "Log creation of files", "Log creation of directories", "Log matching filters",
      "Log minimal age not expired", "Log update creation time"};
  auto with_toggles = [&](std::vector<std::string> head, std::vector<std::string> tail) {
    head.insert(head.end(), kLogToggles.begin(), kLogToggles.end());
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
  };
  const std::pair<const char*, std::vector<std::string>> kMenus[] = {
      {"MenuFile", {"&Open mirror", "O&pen last logs", "E&xit|Alt+F4"}},
      {"MenuFileLastLogs", {"Open &last log..."}},
      {"MenuEdit",
       {"&Undo|Ctrl+Z", "Cu&t|Ctrl+X", "&Paste|Ctrl+V", "&Copy|Ctrl+C", "Copy &all",
        "&Select all|Ctrl+A", "C&onfiguration...|Ctrl+O"}},
      {"MenuScanner",
       {"&Start", "&Stop", "Start &timer", "Start when you &login", "&Close when done",
        "&Priority scanner", "&Accept changed volume"}},
      {"MenuPriority",
       {"System idle", "Lowest", "Lower", "Normal", "Higher", "Highest", "Time critical"}},
      {"MenuStatistics",
       {"&View statistics", "&Tile cells|Ctrl+T", "L&egends|Ctrl+L", "&Files|Ctrl+F",
        "S&izes|Ctrl+S", "&Charts", "Co&lumns", "&Mirrors", "V&olume labels",
        "Size in &Units|Ctrl+U", "Size in &Bytes|Ctrl+B", "Clear archive info"}},
      {"MenuLog", with_toggles({"&View Log"}, {"Open &folder below cursor", "&Open last logs"})},
      {"MenuHelp", {"&Documentation|F1", "&Quorvane on the web", "&About..."}},
  };
  for (const auto& [name, entries] : kMenus)
    EXPECT_EQ(Entries(Menu(window, name)), entries) << name;
  EXPECT_TRUE(Menu(window, "MenuStatistics")->isEnabled());
  EXPECT_TRUE(window.findChild<QAction*>("MenuConfiguration")->isEnabled());

  QMenu context;
  window.FillLogContextMenu(&context, {0, 0});
  EXPECT_EQ(Entries(&context),
            with_toggles({"&Undo|Ctrl+Z", "Cu&t|Ctrl+X", "&Paste|Ctrl+V", "&Copy|Ctrl+C",
                          "Copy &all", "&Select all|Ctrl+A", "&View Log"},
                         {"Open &folder below cursor", "&Open last logs", "Con&figuration..."}));

  const std::pair<const char*, const char*> kButtons[] = {
      {"SpeedButtonOpenLog", "Open last log"},
      {"SpeedButtonStart", "Start updating the mirrors now"},
      {"SpeedButtonStartWaiting", "Start timer for next scan"},
      {"SpeedButtonStop", "Stop updating the mirrors"},
      {"SpeedButtonViewStats", "Hide statistics"},
      {"SpeedButtonViewLog", "Hide log"},
      {"SpeedButtonConfig", "Configuration dialog"},
      {"SpeedButtonHelp", "Documentation"}};
  std::vector<std::pair<std::string, std::string>> buttons;
  for (QAction* action : window.findChild<QToolBar*>("ToolBar")->actions()) {
    auto* button =
        qobject_cast<QToolButton*>(window.findChild<QToolBar*>("ToolBar")->widgetForAction(action));
    if (button == nullptr) continue;
    buttons.emplace_back(button->objectName().toStdString(), action->toolTip().toStdString());
  }
  EXPECT_EQ(buttons, (std::vector<std::pair<std::string, std::string>>(std::begin(kButtons),
                                                                       std::end(kButtons))));
}

TEST_F(MenusTest, EditCommandsNeedAnEditableFieldASelectionOrTheLogsText) {
  TMainWindow& window = MakeWindow();
  window.log().AddLine("one line", true);
  TLogView& log = window.log_view();
  QLineEdit field("some text");
  field.selectAll();
  field.insert("typed");
  field.selectAll();
  QLineEdit read_only("fixed");
  read_only.setReadOnly(true);
  read_only.selectAll();
  QLineEdit empty;
  struct Case {
    const char* what;
    QWidget* target;
    bool clipboard;
    TEditEnabling expected;  // undo, cut, paste, copy, copy all, select all
  };
  const Case kCases[] = {
      {"log, no selection", &log, true, {false, false, false, false, true, true}},
      {"editable with undo and selection", &field, true, {true, true, true, true, false, false}},
      {"editable, empty clipboard", &field, false, {true, true, false, true, false, false}},
      {"read-only selection", &read_only, true, {false, false, false, true, false, false}},
      {"editable, nothing typed", &empty, true, {false, false, true, false, false, false}},
      {"no focus", nullptr, true, {}},
  };
  for (const Case& c : kCases)
    EXPECT_EQ(EditEnabling(c.target, &log, c.clipboard), c.expected) << c.what;
  log.selectAll();
  EXPECT_EQ(EditEnabling(&log, &log, true), (TEditEnabling{false, false, false, true, true, true}));

  // The context menu enables by the log view alone, wherever the focus is.
  QMenu context;
  window.FillLogContextMenu(&context, {0, 0});
  std::vector<bool> enabled;
  for (const QAction* action : context.actions().mid(0, 6)) enabled.push_back(action->isEnabled());
  EXPECT_EQ(enabled, (std::vector<bool>{false, false, false, true, true, true}));
  // The commands act on the log view.
  log.moveCursor(QTextCursor::End);
  Entry(&context, "&Select all")->trigger();
  EXPECT_EQ(log.textCursor().selection().toPlainText(), log.toPlainText());
  Entry(&context, "Copy &all")->trigger();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), log.toPlainText());
}

// One stored value per toggle, none for the command line's options or the
// tray's close for this run; the menu shows the effective value.
TEST_F(MenusTest, EachToggleStoresItsOwnValueAloneAndOptionsNone) {
  TMainWindow& window = MakeWindow({"/WAIT=5", "/PRIOR=1"});
  TSettingToggles& toggles = window.setting_toggles();
  window.tray().menu().close_when_done()->trigger();
  EXPECT_TRUE(window.config().switches.close_when_done);
  std::set<std::string> before = StoreLines();
  emit Menu(window, "MenuScanner")->aboutToShow();
  EXPECT_TRUE(toggles.close_when_done()->isChecked());
  EXPECT_TRUE(Entry(toggles.priority_menu(), "Lowest")->isChecked());

  struct Case {
    QAction* action;
    std::vector<std::string> stored;  // the lines that change in the store
  };
  const Case kCases[] = {
      {toggles.log_toggles()[0], {"\"LogCreate\"=dword:00000000"}},
      {toggles.log_toggles()[1], {"\"LogCreateDir\"=dword:00000000"}},
      {toggles.log_toggles()[2], {"\"LogExcluded\"=dword:00000000"}},
      {toggles.log_toggles()[3], {"\"LogMinAges\"=dword:00000000"}},
      {toggles.log_toggles()[4], {"\"LogUpdateCreationTime\"=dword:00000000"}},
      {nullptr, {}},  // shown on, clicked off again, as it is: nothing happens
      // On for this run through the tray, off now: stored as it was.
      {toggles.close_when_done(), {}},
      {toggles.close_when_done(), {"\"CloseWhenDone\"=dword:00000001"}},
      {Entry(toggles.priority_menu(), "Highest"), {"\"Priority\"=dword:00000005"}},
      {Entry(toggles.priority_menu(), "Highest"), {}},
  };
  for (Case c : kCases) {
    if (c.action == nullptr) {
      c.action = toggles.log_toggles()[4];
      c.action->setChecked(true);
    }
    c.action->trigger();
    const std::set<std::string> after = StoreLines();
    EXPECT_EQ(Added(before, after), c.stored) << c.action->text().toStdString();
    before = after;
  }
  EXPECT_EQ(window.config().wait_minutes(), 5);
  EXPECT_EQ(before.count("\"Wait\"=dword:ffffffff"), 1u);
  // Nothing was logged: no scan ran.
  EXPECT_FALSE(Contains(LogText(), "logging"));
  EXPECT_TRUE(dialogs_.errors.empty());
}

TEST_F(MenusTest, StartWhenYouLoginWritesTheAutostartEntryOrSaysItCannot) {
  TMainWindow& window = MakeWindow();
  QAction* login = window.setting_toggles().start_at_login();
  const std::string autostart = std::string(getenv("XDG_CONFIG_HOME")) + "/autostart";
  std::filesystem::remove_all(autostart);
  for (const bool on : {true, false}) {
    login->trigger();
    EXPECT_EQ(StartsAtLogon(platform_), on);
    EXPECT_EQ(login->isChecked(), on);
  }
  EXPECT_TRUE(dialogs_.errors.empty());
  std::filesystem::remove_all(autostart);
  WriteFile(autostart, "a file where the folder belongs");
  login->trigger();
  EXPECT_FALSE(login->isChecked());
  EXPECT_EQ(dialogs_.errors.size(), 1u);
  std::filesystem::remove_all(autostart);
}

// The scan thread waits in its first call until the event loop runs: the
// toggles land while the scan runs and hold for its files.
TEST_F(MenusTest, TogglesDuringAScanLogOnceAndReachTheRunningScan) {
  TMainWindow& window = MakeWindow();
  Click("SpeedButtonStart");
  ASSERT_TRUE(window.scan_control().scanning());
  TSettingToggles& toggles = window.setting_toggles();
  toggles.log_toggles()[0]->trigger();
  toggles.log_toggles()[0]->setChecked(false);
  toggles.log_toggles()[0]->trigger();  // on again, off again
  for (int i = 0; i < 2; ++i) {         // off, then off again: unchanged
    toggles.log_toggles()[0]->setChecked(true);
    toggles.log_toggles()[0]->trigger();
  }
  Entry(toggles.priority_menu(), "Lower")->trigger();
  ASSERT_TRUE(WaitForScanEnd());
  EXPECT_EQ(ReadFile(dst_ + "a.txt"), "alpha");
  const std::string log = LogText();
  EXPECT_EQ(Count(log, "Stopped logging created files\n"), 2);
  EXPECT_EQ(Count(log, "Started logging created files\n"), 1);
  EXPECT_EQ(Count(log, "Changed thread priority to Lower\n"), 1);
  // Created while logging was off.
  EXPECT_FALSE(Contains(log, "Created file " + dst_ + "a.txt"));
}

TEST_F(MenusTest, PerMirrorMenusKeepEveryPathAsItIs) {
  const std::string odd_src = temp_ / "R&D <b>bold</b> x/";
  const std::string odd_dst = temp_ / "back up & <i>keep</i>/";
  MakeTree(temp_.path(), {"R&D <b>bold</b> x/", "back up & <i>keep</i>/"});
  StoreMirror(platform_, settings_, odd_src, odd_dst);
  TMainWindow& window = MakeWindow();
  QMenu* open_mirror = Open(window, "MenuFile")->findChild<QMenu*>("MenuOpenMirror");
  std::vector<std::string> data;
  for (const QAction* action : open_mirror->actions()) {
    if (!action->isSeparator()) data.push_back(action->data().toString().toStdString());
  }
  ASSERT_EQ(data.size(), 4u);
  EXPECT_TRUE(std::is_permutation(data.begin(), data.end(),
                                  std::vector<std::string>{src_, dst_, odd_src, odd_dst}.begin()));
  QAction* odd = Entry(open_mirror, temp_ / "R&&D <b>bold</b> x/...");
  ASSERT_NE(odd, nullptr);
  odd->trigger();
  EXPECT_EQ(opener_.opened, std::vector<std::string>{odd_src});

  // Opened again after a mirror was removed: its entries are gone, and
  // each menu with the last logs lists the one left.
  {
    TQVIniFile ini(platform_, settings_);
    ASSERT_TRUE(ini.DeleteKey(TMapping(ini, odd_dst).key()));
  }
  window.hide();
  window.show();
  EXPECT_EQ(Entries(Open(window, "MenuFile")->findChild<QMenu*>("MenuOpenMirror")),
            (std::vector<std::string>{src_ + "...", dst_ + "..."}));
  QMenu context;
  window.FillLogContextMenu(&context, {0, 0});
  const std::pair<QMenu*, const char*> kLastLogs[] = {
      {Menu(window, "MenuFileLastLogs"), "MenuFileLastLogsLast"},
      {Open(window, "MenuLog")->findChild<QMenu*>("MenuLogLastLogs"), ""},
      {context.findChild<QMenu*>("MenuContextLastLogs"), ""}};
  for (const auto& [menu, name] : kLastLogs) {
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(Entries(menu), (std::vector<std::string>{"Open &last log...", dst_ + "..."}));
    EXPECT_FALSE(menu->actions().first()->isEnabled());
  }
  Click("SpeedButtonStart");
  ASSERT_TRUE(WaitForScanEnd());
  opener_.opened.clear();
  Entry(Menu(window, "MenuLogLastLogs"), dst_ + "...")->trigger();
  EXPECT_EQ(opener_.opened, std::vector<std::string>{LogFile()});
}

// As the headless tool's "mirror accept": after the destination's volume was
// replaced the scan waits until the user accepts it.
TEST_F(MenusTest, AcceptChangedVolumeAsksAcceptsAndLogs) {
  std::optional<ScopedMount> dest(std::in_place, dst_, "tmpfs", "size=4m");
  SKIP_UNLESS_MOUNTED(*dest);
  TMainWindow& window = MakeWindow();
  Click("SpeedButtonStart");
  ASSERT_TRUE(WaitForScanEnd());
  dest.emplace(dst_, "tmpfs", "size=4m");
  auto accept = [&] {
    Open(window, "MenuScanner");
    Entry(Menu(window, "MenuAcceptVolume"), dst_ + "...")->trigger();
  };
  dialogs_.confirm_answer = false;
  accept();
  ASSERT_EQ(dialogs_.confirmations.size(), 1u);
  // The fresh file system has no archive either.
  const std::string archive_gone = "that the archive " + dst_ +
                                   "Quorvane archive/ is gone: its counters and last time "
                                   "slot are reset";
  EXPECT_EQ(dialogs_.confirmations[0],
            "Accept the destination " + dst_ + " as it is now\nAccept " + archive_gone + "?");
  EXPECT_FALSE(Contains(LogText(), "Accepted"));
  dialogs_.confirm_answer = true;
  accept();
  EXPECT_TRUE(Contains(
      LogText(), "Accepted the destination " + dst_ + " as it is now\nAccepted " + archive_gone));
  accept();
  EXPECT_EQ(dialogs_.informations,
            std::vector<std::string>{"Nothing to accept for the mirror to " + dst_});
  Click("SpeedButtonStart");
  ASSERT_TRUE(WaitForScanEnd());
  EXPECT_EQ(ReadFile(dst_ + "a.txt"), "alpha");
  EXPECT_TRUE(dialogs_.errors.empty());
}

// The question names the mirror; only OK clears, and only the counters of the
// archive and its logs; a store another program holds, or a scan of the
// destination, says why. While this window scans, every entry waits.
TEST_F(MenusTest, ClearArchiveInfoAsksThenClearsOnlyTheCounters) {
  TQVIniFile ini(platform_, settings_);
  const std::string key = TMapping(ini, dst_).archive_key();
  ASSERT_TRUE(ini.Write64(key, "MaxArchiveSize", 1 << 30));
  TMainWindow& window = MakeWindow();
  enum TAnswer { kCancel, kOkStoreHeld, kOkScanElsewhere, kOk };
  // The answer; whether the counters are left; the errors shown so far.
  const std::tuple<TAnswer, bool, size_t> kCases[] = {
      {kCancel, true, 0}, {kOkStoreHeld, true, 1}, {kOkScanElsewhere, true, 2}, {kOk, false, 2}};
  for (const auto& [answer, left, errors] : kCases) {
    for (const std::string& at : {key, key + "\\Logs"})
      ASSERT_TRUE(ini.WriteCounters(at, TCounts{1, 1, 1, 1}));
    dialogs_.confirm_answer = answer != kCancel;
    sqlite3* holder = nullptr;
    if (answer == kOkStoreHeld) {
      ASSERT_EQ(sqlite3_open(settings_.c_str(), &holder), SQLITE_OK);
      ASSERT_EQ(sqlite3_exec(holder, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    }
    std::unique_ptr<DirLock> scan;
    LockHolder scanner;
    if (answer == kOkScanElsewhere) {
      ASSERT_TRUE(platform_.LockDir(dst_, kLockFileName, &scan, &scanner).ok());
    }
    Open(window, "MenuStatistics");
    Entry(Menu(window, "MenuClearArchiveInfo"), dst_ + "...")->trigger();
    EXPECT_EQ(dialogs_.confirmations.size(), answer + 1u);
    sqlite3_close(holder);
    EXPECT_EQ(dialogs_.confirmations.back(),
              "The number of files and sizes of the archives are stored in the registry. "
              "Clearing them will cause the next scan to refresh them from disk. Clear the "
              "information stored for " +
                  dst_ + "?");
    TCounts counts;
    EXPECT_EQ(ini.ReadCounters(key, &counts), left) << answer;
    EXPECT_EQ(ini.ReadCounters(key + "\\Logs", &counts), left) << answer;
    ASSERT_EQ(dialogs_.errors.size(), errors) << answer;
  }
  EXPECT_TRUE(dialogs_.errors[0].starts_with("Cannot write the settings store " + settings_))
      << dialogs_.errors[0];
  EXPECT_TRUE(dialogs_.errors[1].starts_with("A scan is updating " + dst_ + " (process "))
      << dialogs_.errors[1];
  EXPECT_EQ(ini.Read64(key, "MaxArchiveSize", 0), 1 << 30);

  // From the archive row of a chart: the same question, and the chart shows
  // the counters gone.
  TStatsPanel& panel = window.stats_panel();
  ASSERT_TRUE(ini.WriteCounters(key, TCounts{7, 1, 1, 1}));
  TMirrorInfo info;
  info.LoadMirrorInfo(src_, dst_, false, ini, platform_);
  ASSERT_TRUE(panel.UpdateMirror(info));
  const QModelIndex archive_files =
      panel.model(kFiles).index(ChartRowOf(0, TChartRowKind::kArchive), kFilesColumnFiles);
  EXPECT_EQ(archive_files.data().toString(), "7");
  const QPoint archive_row = AtRow(panel, kFiles, archive_files.row());
  QMenu context;
  (void)ContextEntries(window, archive_row, &context);
  context.findChild<QAction*>("MenuContextClearArchiveInfo")->trigger();
  EXPECT_EQ(dialogs_.confirmations.size(), 5u);
  TCounts counts;
  EXPECT_FALSE(ini.ReadCounters(key, &counts));
  EXPECT_EQ(archive_files.data().toString(), "0");

  auto offered = [&] {
    Open(window, "MenuStatistics");
    const bool from_menu = Entry(Menu(window, "MenuClearArchiveInfo"), dst_ + "...")->isEnabled();
    QMenu row_menu;
    (void)ContextEntries(window, archive_row, &row_menu);
    EXPECT_EQ(row_menu.findChild<QAction*>("MenuContextClearArchiveInfo")->isEnabled(), from_menu);
    return from_menu;
  };
  // The scan waits in its first call until the event loop runs.
  Click("SpeedButtonStart");
  ASSERT_TRUE(window.scan_control().scanning());
  EXPECT_FALSE(offered());
  ASSERT_TRUE(WaitForScanEnd());
  EXPECT_TRUE(offered());
}

// Each switch shows the panel's state as the menu opens, flips that state (not
// a stale mark), works by its shortcut from the log view and waits while
// the panel is hidden; the log keeps Edit's keys.
TEST_F(MenusTest, StatisticsSwitchesFollowThePanelAndWorkFromTheLog) {
  TMainWindow& window = MakeWindow();
  window.log().AddLine("one line", true);
  TStatsPanel& panel = window.stats_panel();
  TLogView& log = window.log_view();
  window.activateWindow();
  log.setFocus();
  ASSERT_TRUE(WaitFor([&] { return log.hasFocus(); }, 5000));
  const auto text = [&panel] { return panel.model(kSizes).text_options(); };
  struct Case {
    const char* caption;
    Qt::Key key;  // with Ctrl; Key_unknown: the switch has no shortcut
    std::function<bool()> state;
  };
  const Case kCases[] = {
      {"&Tile cells", Qt::Key_T, [&] { return panel.tile_cells(); }},
      {"L&egends", Qt::Key_L, [&] { return !panel.legends_list().isHidden(); }},
      {"&Files", Qt::Key_F, [&] { return panel.grid_shown(kFiles); }},
      {"S&izes", Qt::Key_S, [&] { return panel.grid_shown(kSizes); }},
      {"&Charts", Qt::Key_unknown, [&] { return panel.charts(); }},
      {"V&olume labels", Qt::Key_unknown, [&] { return panel.volume_labels(); }},
      {"Size in &Units", Qt::Key_U, [&] { return text().units; }},
      {"Size in &Bytes", Qt::Key_B, [&] { return text().bytes; }},
  };
  QMenu* menu = Menu(window, "MenuStatistics");
  const auto press = [&](const Case& c) {
    if (c.key == Qt::Key_unknown) {
      Entry(menu, c.caption)->trigger();
    } else {
      QTest::keyClick(&log, c.key, Qt::ControlModifier);
    }
  };
  for (const Case& c : kCases) {
    QAction* action = Entry(menu, c.caption);
    const bool before = c.state();
    emit menu->aboutToShow();
    EXPECT_EQ(action->isChecked(), before) << c.caption;
    press(c);
    EXPECT_EQ(c.state(), !before) << c.caption;
    action->setChecked(before);  // stale, as after a change in the check lists
    press(c);
    EXPECT_EQ(c.state(), before) << c.caption;
    action->setChecked(!before);
    emit menu->aboutToShow();
    EXPECT_EQ(action->isChecked(), before) << c.caption;
  }
  QTest::keyClick(&log, Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(log.textCursor().selection().toPlainText(), log.toPlainText());

  panel.hide();
  QTest::keyClick(&log, Qt::Key_T, Qt::ControlModifier);
  EXPECT_FALSE(panel.tile_cells());
  emit menu->aboutToShow();
  for (const QAction* action : menu->actions()) {
    if (!action->isSeparator() && action->text() != "&View statistics") {
      EXPECT_FALSE(action->isEnabled()) << action->text().toStdString();
    }
  }
  panel.show();
  emit menu->aboutToShow();
  for (const QAction* action : menu->actions())
    EXPECT_TRUE(action->isEnabled()) << action->text().toStdString();
}

TEST_F(MenusTest, StatisticsColumnsMirrorsAndContextMenuKeepPathsAsTheyAre) {
  const std::string odd_src = temp_ / "R&D x/";
  const std::string odd_dst = temp_ / "back up & keep/";
  MakeTree(temp_.path(), {"R&D x/", "back up & keep/Quorvane archive/"});
  StoreMirror(platform_, settings_, odd_src, odd_dst);
  TMainWindow& window = MakeWindow();
  TStatsPanel& panel = window.stats_panel();
  window.activateWindow();
  QMenu* statistics = Open(window, "MenuStatistics");
  QMenu* columns = Entry(statistics, "Co&lumns")->menu();
  EXPECT_EQ(Marks(columns), (std::vector<std::string>{"+Files", "+Dirs", "+Total mirror",
                                                      "-Ex. files", "-Ex. dirs", "-Total found"}));
  // The chart that had the focus last, though the log has it now.
  for (QWidget* focus :
       {static_cast<QWidget*>(&panel.view(kSizes)), static_cast<QWidget*>(&window.log_view())}) {
    focus->setFocus();
    ASSERT_TRUE(WaitFor([focus] { return focus->hasFocus(); }, 5000));
  }
  Open(window, "MenuStatistics");
  EXPECT_EQ(Marks(columns), (std::vector<std::string>{"+Files", "+Archive", "-Excluded",
                                                      "-Remainder", "+Free", "+Drive"}));
  Entry(columns, "Excluded")->trigger();
  EXPECT_TRUE(panel.column_shown(kSizes, kSizesColumnExcluded));

  const std::vector<TChartMirror>& mirrors = panel.model(kFiles).values().mirrors();
  ASSERT_EQ(mirrors.size(), 2u);
  const int odd = mirrors[0].source_dir == odd_src ? 0 : 1;
  QMenu* mirror_menu = Entry(statistics, "&Mirrors")->menu();
  const std::string odd_caption = temp_ / "R&&D x/";
  const std::vector<std::string> marks = Marks(mirror_menu);
  EXPECT_TRUE(std::is_permutation(marks.begin(), marks.end(),
                                  std::vector<std::string>{"+" + src_, "+" + odd_caption}.begin()));
  QAction* odd_entry = Entry(mirror_menu, odd_caption);
  EXPECT_EQ(odd_entry->data().toString().toStdString(), odd_src);
  odd_entry->trigger();
  EXPECT_FALSE(panel.mirror_shown(odd));
  EXPECT_TRUE(panel.mirror_shown(1 - odd));
  panel.SetMirrorShown(odd, true);
  // Shown again at the height of its peer row.
  const int odd_source = ChartRowOf(odd, TChartRowKind::kSource);
  EXPECT_GT(panel.view(kSizes).rowHeight(odd_source), 4);
  EXPECT_EQ(panel.view(kSizes).rowHeight(odd_source), panel.view(kFiles).rowHeight(odd_source));

  const std::string clear = "Clear &archive info of " + temp_ / "back up && keep/...";
  const std::string archive = odd_dst + "Quorvane archive/";
  const std::vector<std::string> kSwitches = {
      "&Tile cells|Ctrl+T", "L&egends|Ctrl+L", "&Files|Ctrl+F", "S&izes|Ctrl+S", "&Charts",
      "Co&lumns",           "&Mirrors",        "V&olume labels"};
  struct Case {
    TChartKind chart;
    int row;
    std::string clear;  // the captions of the row's two commands
    std::string open;
    std::string folder;  // opened; "" when both are disabled
  };
  const Case kCases[] = {
      {kFiles, odd_source, clear, "&Open " + odd_caption + "...", odd_src},
      {kFiles, ChartRowOf(odd, TChartRowKind::kArchive), clear,
       "&Open " + temp_ / "back up && keep/Quorvane archive/...", archive},
      {kSizes, ChartRowOf(odd, TChartRowKind::kDestination), clear,
       "&Open " + temp_ / "back up && keep/...", odd_dst},
      {kSizes, odd_source + 1, "Clear &archive info...", "&Open ...", ""},
      {kFiles, 0, "Clear &archive info...", "&Open ...", ""},
  };
  for (const Case& c : kCases) {
    QMenu menu;
    std::vector<std::string> expected = {"&Copy", "Copy &all", "&Select all"};
    expected.insert(expected.end(), kSwitches.begin(), kSwitches.end());
    if (c.chart == kSizes)
      expected.insert(expected.end(), {"Size in &Units|Ctrl+U", "Size in &Bytes|Ctrl+B"});
    expected.insert(expected.end(), {c.clear, c.open, "Con&figuration..."});
    EXPECT_EQ(ContextEntries(window, AtRow(panel, c.chart, c.row), &menu), expected) << c.row;
    QAction* open = menu.findChild<QAction*>("MenuContextOpenFolder");
    EXPECT_EQ(open->isEnabled(), !c.folder.empty()) << c.row;
    EXPECT_EQ(menu.findChild<QAction*>("MenuContextClearArchiveInfo")->isEnabled(),
              !c.folder.empty());
    EXPECT_EQ(Entries(Entry(&menu, "Co&lumns")->menu())[1], c.chart == kSizes ? "Archive" : "Dirs");
    if (c.folder.empty()) continue;
    opener_.opened.clear();
    open->trigger();
    EXPECT_EQ(opener_.opened, std::vector<std::string>{c.folder});
    // Copy all takes the chart clicked on.
    Entry(&menu, "Copy &all")->trigger();
    EXPECT_TRUE(QGuiApplication::clipboard()->text().startsWith(
        c.chart == kSizes ? "Size\t" : "Number of files\t"));
  }

  // Off the charts: neither chart nor row commands.
  QListWidget& list = panel.mirrors_list();
  QMenu menu;
  std::vector<std::string> expected = kSwitches;
  expected.push_back("Con&figuration...");
  EXPECT_EQ(ContextEntries(window, list.viewport()->mapToGlobal(QPoint(2, 2)), &menu), expected);

  // A double click on the mirror list configures once the dialog can.
  QAction* configuration = window.findChild<QAction*>("MenuConfiguration");
  int configured = 0;
  QObject::connect(configuration, &QAction::triggered, [&configured] { ++configured; });
  const QPoint item = list.visualItemRect(list.item(0)).center();
  for (const bool enabled : {false, true}) {
    configuration->setEnabled(enabled);
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, item);
  }
  EXPECT_EQ(configured, 1);
}

}  // namespace
}  // namespace qv::testing
