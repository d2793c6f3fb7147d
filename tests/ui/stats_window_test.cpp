// The statistics panel in the real window: the view toggles and their layout
// rules, the stored layout, and the panel following real scans.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QScreen>
#include <QSplitter>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <filesystem>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "config/config_keys.h"
#include "config/mapping.h"
#include "config/qv_ini_file.h"
#include "stats/chart_rows.h"
#include "tests/ui/fake_tray.h"
#include "tests/ui/window_fixture.h"
#include "ui/main_window/edit_commands.h"
#include "ui/main_window/log_stats_split.h"
#include "ui/main_window/log_view.h"
#include "ui/main_window/scan_control.h"
#include "ui/main_window/window_visibility.h"
#include "ui/stats_panel/chart_model.h"
#include "ui/stats_panel/check_lists.h"
#include "ui/stats_panel/stats_panel.h"

namespace qv::testing {
namespace {

constexpr TChartKind kFiles = TChartKind::kFiles;
constexpr TChartKind kSizes = TChartKind::kSizes;

class StatsWindowTest : public WindowTest {
 protected:
  StatsWindowTest() {
    make_tray_ = [this] { return TFakeTray::Make(tray_); };
    show_at_start_ = true;
  }

  // A tool button's or a menu entry's action, as a click triggers it.
  void Trigger(const char* name) {
    if (auto* button = window_->findChild<QToolButton*>(name)) return button->click();
    auto* action = window_->findChild<QAction*>(name);
    ASSERT_NE(action, nullptr) << name;
    action->trigger();
  }
  QAction* Action(const char* name) { return window_->findChild<QAction*>(name); }
  QSplitter& Splitter() { return *window_->findChild<QSplitter*>("SplitterLog"); }
  void AddMirror(const std::string& name, const std::vector<std::string>& files) {
    MakeTree(temp_.path(), files);
    WindowTest::AddMirror(name);
  }
  std::string Cell(TChartKind kind, int m, TChartRowKind row, int column) {
    return window_->stats_panel()
        .model(kind)
        .index(ChartRowOf(m, row), column)
        .data()
        .toString()
        .toStdString();
  }
  // Everything the layout stores, as text.
  std::string LayoutState() {
    TStatsPanel& panel = window_->stats_panel();
    TLogStatsSplit& split = window_->log_stats_split();
    std::ostringstream out;
    out << panel.charts() << panel.volume_labels() << " log " << split.log_shown() << " stats "
        << split.stats_shown() << " height " << split.panel_height() << " legends "
        << panel.grids_list().parentWidget()->isVisible();
    for (const TChartKind kind : {kFiles, kSizes}) {
      const TChartTextOptions& options = panel.model(kind).text_options();
      out << " grid " << panel.grid_shown(kind) << options.units << options.bytes
          << options.volume_labels << ":";
      for (int column = 0; column < kChartColumns; ++column)
        out << " " << panel.column_width(kind, column);
    }
    return out.str();
  }

  TFakeTray::TState tray_;
};

TEST_F(StatsWindowTest, ViewTogglesKeepOnePartShownAndThePanelsHeight) {
  TMainWindow& window = MakeWindow();
  window.resize(800, 600);
  QWidget& panel = window.stats_panel();
  QWidget& log = window.log_view();
  QSplitter& splitter = Splitter();
  ASSERT_TRUE(WaitFor([&] { return panel.isVisible() && log.isVisible(); }));
  window.log_stats_split().SetPanelHeight(150);
  constexpr int kFills = -1;
  constexpr int kGone = 0;
  struct Case {
    const char* what;
    const char* control;
    bool log;
    bool stats;
    int panel_height;
  };
  const Case kCases[] = {
      {"log hidden: the panel fills", "SpeedButtonViewLog", false, true, kFills},
      {"log shown: the remembered height", "SpeedButtonViewLog", true, true, 150},
      {"panel hidden: the log fills", "SpeedButtonViewStats", true, false, kGone},
      {"panel shown again", "MenuViewStatistics", true, true, 150},
      {"log hidden from its menu", "MenuViewLog", false, true, kFills},
      {"panel hidden too: the log comes back", "SpeedButtonViewStats", true, false, kGone},
      {"log hidden too: the panel comes back", "SpeedButtonViewLog", false, true, kFills},
      {"both back", "SpeedButtonViewLog", true, true, 150},
  };
  for (const Case& c : kCases) {
    Trigger(c.control);
    const int room = splitter.height();
    EXPECT_TRUE(WaitFor(
        [&] {
          if (c.panel_height == kGone) return !panel.isVisible() && log.height() == room;
          return panel.height() == (c.panel_height == kFills ? room : c.panel_height);
        },
        5000))
        << c.what << ": panel " << panel.height() << " log " << log.height();
    EXPECT_EQ(log.isVisible(), c.log) << c.what;
    EXPECT_EQ(panel.isVisible(), c.stats) << c.what;
    EXPECT_EQ(Action("SpeedButtonViewLogAction")->toolTip(), c.log ? "Hide log" : "Show log");
    EXPECT_EQ(Action("SpeedButtonViewStatsAction")->toolTip(),
              c.stats ? "Hide statistics" : "Show statistics");
    for (const auto& [name, shown] :
         {std::pair{"SpeedButtonViewLogAction", c.log}, std::pair{"MenuViewLog", c.log},
          std::pair{"SpeedButtonViewStatsAction", c.stats},
          std::pair{"MenuViewStatistics", c.stats}}) {
      EXPECT_EQ(Action(name)->isChecked(), shown) << c.what << " " << name;
    }
  }

  // A log that leaves the panel less than 32 pixels counts as hidden: its
  // button brings the panel's height back instead of hiding it.
  panel.setMinimumHeight(1);
  splitter.setSizes({10, splitter.height() - 10});
  ASSERT_LT(panel.height(), TLogStatsSplit::kMinPanelHeight);
  EXPECT_FALSE(window.log_stats_split().log_shown());
  Trigger("SpeedButtonViewLog");
  EXPECT_TRUE(WaitFor([&] { return panel.height() == 150; }, 5000)) << panel.height();
  EXPECT_TRUE(log.isVisible());
}

TEST_F(StatsWindowTest, LayoutSurvivesARestartAndGarbageKeepsThePanelUsable) {
  MakeWindow();
  const std::string defaults = LayoutState();
  TStatsPanel& panel = window_->stats_panel();
  panel.SetCharts(false);
  panel.SetVolumeLabels(false);
  panel.SetTextOptions(kFiles, {true, false, false});
  panel.SetTextOptions(kSizes, {false, true, false});
  panel.SetColumnWidth(kFiles, 0, 211);
  panel.SetColumnWidth(kFiles, kFilesColumnFiles, 123);
  panel.SetColumnShown(kSizes, kSizesColumnArchive, false);
  panel.SetColumnShown(kSizes, kSizesColumnExcluded, true);
  panel.SetColumnWidth(kSizes, kSizesColumnExcluded, 77);
  panel.SetGridShown(kFiles, false);
  panel.grids_list().parentWidget()->hide();
  window_->log_stats_split().SetPanelHeight(140);
  Trigger("SpeedButtonViewLog");
  const std::string changed = LayoutState();
  ASSERT_NE(changed, defaults);
  ASSERT_TRUE(window_->close());

  MakeWindow();
  EXPECT_EQ(LayoutState(), changed);
  Trigger("SpeedButtonViewLog");
  EXPECT_TRUE(WaitFor([this] { return window_->stats_panel().height() == 140; }, 5000))
      << window_->stats_panel().height();
  ASSERT_TRUE(window_->close());

  // Sizes below nothing or beyond the screen, and both parts hidden.
  const std::string base = kBaseKey;
  for (const int32_t garbage : {-7, 2'000'000'000}) {
    {
      TQVIniFile ini(platform_, settings_);
      for (const char* panel_key :
           {"\\PanelStatistics", "\\PanelLegends", "\\PanelFiles", "\\PanelSizes"}) {
        for (const char* name : {"Height", "Width"})
          ini.WriteInteger(base + panel_key, name, garbage);
        ini.WriteInteger(base + panel_key, "Visible", 1);
      }
      ini.WriteInteger(base + "\\PanelStatistics", "Visible", 0);
      ini.WriteInteger(base + "\\PanelStatistics", "Align", 5);
      for (int column = 0; column < kChartColumns; ++column)
        ini.WriteInteger(base + "\\ChartSizes", "ColWidth" + std::to_string(column), garbage);
    }
    TMainWindow& window = MakeWindow();
    TStatsPanel& shown = window.stats_panel();
    ASSERT_TRUE(WaitFor([&] { return shown.isVisible(); }, 5000)) << garbage;
    Trigger("SpeedButtonViewLog");
    const int room = Splitter().height();
    EXPECT_TRUE(WaitFor(
        [&] {
          return shown.height() >= TLogStatsSplit::kMinPanelHeight &&
                 window.log_view().height() >= TLogStatsSplit::kMinPanelHeight &&
                 shown.height() < room;
        },
        5000))
        << garbage << ": panel " << shown.height() << " of " << room;
    for (const TChartKind kind : {kFiles, kSizes}) {
      EXPECT_GT(shown.view(kind).parentWidget()->width(), 0) << garbage;
      const int widest = QApplication::primaryScreen()->virtualSize().width();
      for (int column = 0; column < kChartColumns; ++column) {
        const int width = shown.column_width(kind, column);
        EXPECT_TRUE(!shown.column_shown(kind, column) || (width > 0 && width <= widest))
            << garbage << " column " << column << ": " << width;
      }
    }
    ASSERT_TRUE(window.close());
  }
}

TEST_F(StatsWindowTest, ScansRefreshThePanelButNotWhileHiddenOrForStrangers) {
  AddMirror("second", {"second-src/1=a", "second-src/2=b", "second-src/3=c"});
  TMainWindow& window = MakeWindow();
  TStatsPanel& panel = window.stats_panel();
  ASSERT_EQ(panel.model(kFiles).rowCount(), 2 * kChartRowsPerMirror);
  EXPECT_EQ(Cell(kFiles, 1, TChartRowKind::kSource, kFilesColumnFiles), "0");
  AddMirror("third", {});
  Click("SpeedButtonStart");
  // Read again as the scan starts.
  EXPECT_EQ(panel.model(kFiles).rowCount(), 3 * kChartRowsPerMirror);
  ASSERT_TRUE(WaitForScanEnd());
  for (const TChartRowKind row : {TChartRowKind::kSource, TChartRowKind::kDestination}) {
    EXPECT_EQ(Cell(kFiles, 0, row, kFilesColumnFiles), "2");
    EXPECT_EQ(Cell(kFiles, 1, row, kFilesColumnFiles), "3");
  }

  // New stored counters of the first mirror; a stranger's path changes nothing.
  {
    TQVIniFile ini(platform_, settings_);
    TMapping mapping(ini, dst_);
    ASSERT_TRUE(ini.WriteCounters(mapping.dest_key(), {41, 0, 0, 0}));
  }
  const std::string archive = dst_ + kArchiveDirName + "/";
  TScanControl& scan = window.scan_control();
  emit scan.mirrorStatsChanged(temp_ / "elsewhere/" + kArchiveDirName + "/");
  EXPECT_EQ(Cell(kFiles, 0, TChartRowKind::kDestination, kFilesColumnFiles), "2");
  // Hidden in the tray nothing is drawn; shown again, everything is.
  window.showMinimized();
  ASSERT_TRUE(window.visibility().hidden_in_tray());
  emit scan.mirrorStatsChanged(archive);
  EXPECT_EQ(Cell(kFiles, 0, TChartRowKind::kDestination, kFilesColumnFiles), "2");
  window.View();
  EXPECT_EQ(Cell(kFiles, 0, TChartRowKind::kDestination, kFilesColumnFiles), "41");
  {
    TQVIniFile ini(platform_, settings_);
    TMapping mapping(ini, dst_);
    ASSERT_TRUE(ini.WriteCounters(mapping.dest_key(), {42, 0, 0, 0}));
  }
  emit scan.mirrorStatsChanged(archive);
  EXPECT_EQ(Cell(kFiles, 0, TChartRowKind::kDestination, kFilesColumnFiles), "42");
}

// How each mirror's last scan ended shows in its row of both grids; the
// title and the tray tip count the mirrors that ran without a good scan
// within the limit, also when one falls overdue while nothing else happens.
TEST_F(StatsWindowTest, LastScansShowInTheGridsAndOverdueMirrorsInTheTitleAndTip) {
  AddMirror("gone", {});
  std::filesystem::remove(temp_ / "gone-src");
  TMainWindow& window = MakeWindow();
  const auto shows = [&](const std::string& overdue) {
    return window.windowTitle().toStdString().starts_with("Quorvane" + overdue) &&
           tray_.tip.toStdString().starts_with("Quorvane" + overdue);
  };
  EXPECT_EQ(Cell(kSizes, 1, TChartRowKind::kLastScan, 0), "Not scanned yet");
  EXPECT_EQ(window.windowTitle(), "Quorvane");  // none ran yet
  EXPECT_EQ(tray_.tip, "Quorvane");
  Click("SpeedButtonStart");
  ASSERT_TRUE(WaitForScanEnd());
  const std::string when = "2026-12-08 05:40: ";
  for (const TChartKind kind : {kFiles, kSizes}) {
    const std::string good = Cell(kind, 0, TChartRowKind::kLastScan, 0);
    const std::string gone = Cell(kind, 1, TChartRowKind::kLastScan, 0);
    EXPECT_TRUE(good.starts_with("20") && good.substr(when.size()) == "completed") << good;
    EXPECT_EQ(gone.substr(when.size()), "cancelled") << gone;
    EXPECT_EQ(good.substr(0, when.size()), gone.substr(0, when.size()));
  }
  EXPECT_TRUE(shows(" (1 mirror overdue)")) << window.windowTitle().toStdString();
  platform_.AdvanceMinutes(27 * 60);
  window.findChild<QTimer*>("TimerHealth")->start(1);
  EXPECT_TRUE(WaitFor([&] { return shows(" (2 mirrors overdue)"); }))
      << window.windowTitle().toStdString();
}

TEST_F(StatsWindowTest, EditCommandsActOnTheFocusedChart) {
  TMainWindow& window = MakeWindow();
  ASSERT_TRUE(WaitFor([&] { return QApplication::activeWindow() == &window; }, 5000));
  QTableView& chart = window.stats_panel().view(kFiles);
  chart.setFocus();
  ASSERT_TRUE(WaitFor([&] { return chart.hasFocus(); }, 5000));
  QMenu* edit = window.findChild<QMenu*>("MenuEdit");
  const QList<QAction*> commands = edit->actions().mid(0, 6);
  const auto enabled = [&] {
    emit edit->aboutToShow();
    std::vector<bool> on;
    for (const QAction* command : commands) on.push_back(command->isEnabled());
    return on;
  };
  QApplication::clipboard()->setText("on the clipboard");
  EXPECT_EQ(enabled(), (std::vector<bool>{false, false, false, false, true, true}));
  commands[4]->trigger();
  EXPECT_TRUE(QApplication::clipboard()->text().startsWith("Number of files\tFiles"));
  commands[5]->trigger();
  EXPECT_EQ(enabled(), (std::vector<bool>{false, false, false, true, true, true}));
  chart.clearSelection();
  chart.selectionModel()->select(chart.model()->index(0, kFilesColumnDirs),
                                 QItemSelectionModel::Select);
  EXPECT_EQ(enabled()[3], true);
  commands[3]->trigger();
  EXPECT_EQ(QApplication::clipboard()->text(), "Dirs");
}

}  // namespace
}  // namespace qv::testing
