// The statistics panel offscreen: its check lists hide columns, mirrors and
// bars in model and view alike, the grids keep equal rows, the focused grid
// copies its cells, colours follow the palette and labels come from the
// volume.
#include "ui/stats_panel/stats_panel.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QImage>
#include <QPainter>
#include <QTableView>
#include <chrono>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "archive/disk_info_query.h"
#include "config/mapping.h"
#include "config/mappings.h"
#include "config/qv_ini_file.h"
#include "filesys/platform.h"
#include "stats/mirror_info.h"
#include "stats/row_title.h"
#include "tests/support/recording_logger.h"
#include "tests/support/scoped_mount.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/window_fixture.h"
#include "ui/app/screenshot.h"
#include "ui/stats_panel/chart_colours.h"
#include "ui/stats_panel/chart_mirrors.h"
#include "ui/stats_panel/chart_model.h"
#include "ui/stats_panel/check_lists.h"

namespace qv {
namespace {

using namespace std::chrono_literals;
using testing::ScopedTempDir;
using testing::WaitFor;

constexpr TChartKind kFiles = TChartKind::kFiles;
constexpr TChartKind kSizes = TChartKind::kSizes;

class StatsPanelTest : public ::testing::Test {
 protected:
  // Two mirrors over real folders, the second disabled; the drives answer.
  void LoadTwo() {
    std::vector<TChartMirror> mirrors(2);
    for (int m = 0; m < 2; ++m) {
      TChartMirror& mirror = mirrors[static_cast<size_t>(m)];
      mirror.source_dir = temp_.path();
      mirror.destination_dir = temp_.path() + "d" + std::to_string(m) + "/";
      mirror.source_drive = mirror.source_dir;
      mirror.destination_drive = mirror.source_dir;
      mirror.source = {10 * (m + 1), 2, 4096, 4096};
      mirror.enabled = m == 0;
    }
    panel_.Load(mirrors);
    ASSERT_TRUE(WaitFor([this] { return panel_.worker().idle(); }, 5000));
    QApplication::processEvents();
  }
  // The colour at the left end of the cell's bar, as the grid paints it.
  QRgb BarColour(TChartKind kind, int row, int column) {
    const QTableView& view = panel_.view(kind);
    QStyleOptionViewItem option;
    option.initFrom(&view);
    option.widget = &view;
    option.rect = QRect(0, 0, 200, 24);
    QImage image(option.rect.size(), QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    view.itemDelegate()->paint(&painter, option, panel_.model(kind).index(row, column));
    painter.end();
    return image.pixel(0, option.rect.center().y());
  }
  std::string Text(TChartKind kind, int row, int column) {
    return panel_.model(kind).index(row, column).data().toString().toStdString();
  }

  ScopedTempDir temp_;
  TStatsPanel panel_{SharedDefaultPlatform(), 2000ms};
};

TEST_F(StatsPanelTest, ListsHideColumnsMirrorsAndBarsInModelAndView) {
  LoadTwo();
  const int source1 = ChartRowOf(1, TChartRowKind::kSource);
  // Shown at first as the grids' own rules say, in the lists and the views.
  for (const TChartKind kind : {kFiles, kSizes}) {
    for (int column = 1; column < kChartColumns; ++column) {
      EXPECT_EQ(panel_.column_shown(kind, column), ChartColumnShownAtFirst(kind, column));
      EXPECT_EQ(panel_.view(kind).isColumnHidden(column), !ChartColumnShownAtFirst(kind, column));
    }
  }
  // The second mirror's files make the scale; hiding it shrinks the scale.
  const int64_t both = panel_.model(kFiles).scale();
  panel_.mirrors_list().item(1)->setCheckState(Qt::Unchecked);
  EXPECT_LT(panel_.model(kFiles).scale(), both);
  for (const TChartKind kind : {kFiles, kSizes}) {
    for (int row = source1; row < panel_.model(kind).rowCount(); ++row) {
      EXPECT_TRUE(panel_.view(kind).isRowHidden(row)) << row;
    }
    EXPECT_FALSE(panel_.view(kind).isRowHidden(source1 - 1));
  }
  panel_.SetMirrorShown(1, true);
  EXPECT_EQ(panel_.model(kFiles).scale(), both);
  EXPECT_FALSE(panel_.view(kSizes).isRowHidden(source1));

  // A legend hides its column in the scale and in the view: only the
  // directories (2) are left in the file-count grid's scale.
  for (const int column : {kFilesColumnFiles, kFilesColumnTotalMirror}) {
    panel_.SetColumnShown(kFiles, column, false);
    EXPECT_TRUE(panel_.view(kFiles).isColumnHidden(column));
    EXPECT_EQ(panel_.view(kSizes).isColumnHidden(column), !ChartColumnShownAtFirst(kSizes, column));
  }
  EXPECT_EQ(panel_.model(kFiles).scale(), 2);

  // "Charts" off: numbers, no bars, in both grids.
  const QModelIndex files_cell = panel_.model(kFiles).index(source1, kFilesColumnDirs);
  const QModelIndex sizes_cell = panel_.model(kSizes).index(source1, kSizesColumnFiles);
  for (const QModelIndex& cell : {files_cell, sizes_cell}) {
    EXPECT_TRUE(cell.data(TChartModel::kBarRole).isValid());
  }
  panel_.grids_list().item(TStatsPanel::kGridCharts)->setCheckState(Qt::Unchecked);
  for (const QModelIndex& cell : {files_cell, sizes_cell}) {
    EXPECT_FALSE(cell.data(TChartModel::kBarRole).isValid());
  }
  EXPECT_EQ(files_cell.data().toString(), "2");

  // A grid unchecked hides with its legend entries.
  EXPECT_TRUE(panel_.view(kSizes).isVisibleTo(&panel_));
  panel_.SetGridShown(kSizes, false);
  EXPECT_FALSE(panel_.view(kSizes).isVisibleTo(&panel_));
  EXPECT_TRUE(panel_.legends_list().isRowHidden(kChartColumns - 1));
  EXPECT_FALSE(panel_.legends_list().isRowHidden(0));

  // A new load shows every mirror again; hidden columns stay hidden.
  panel_.SetMirrorShown(1, false);
  LoadTwo();
  EXPECT_TRUE(panel_.mirror_shown(1));
  EXPECT_TRUE(panel_.mirrors_list().checked(1));
  EXPECT_FALSE(panel_.view(kFiles).isRowHidden(source1));
  EXPECT_TRUE(panel_.view(kFiles).isColumnHidden(kFilesColumnFiles));
}

TEST_F(StatsPanelTest, MirrorListGreysDisabledListsFitAndRowsStayEqual) {
  // Until the first load with mirrors no width is chosen; then the titles'
  // column shows a folder whole and a hidden column stays hidden.
  EXPECT_EQ(panel_.column_width(kFiles, 0), -1);
  LoadTwo();
  const QString folder = QString::fromStdString(temp_.path());
  for (const TChartKind kind : {kFiles, kSizes}) {
    const QTableView& view = panel_.view(kind);
    EXPECT_GE(panel_.column_width(kind, 0), view.fontMetrics().horizontalAdvance(folder));
  }
  EXPECT_EQ(panel_.column_width(kFiles, 6), 0);   // "Total found" starts hidden
  EXPECT_GE(panel_.column_width(kSizes, 5), 80);  // "Free" with room for its bar
  const TCheckList& list = panel_.mirrors_list();
  const auto* delegate = qobject_cast<TGreyedCheckDelegate*>(list.itemDelegate());
  ASSERT_NE(delegate, nullptr);
  for (const int m : {0, 1}) {
    QStyleOptionViewItem option;
    option.state = QStyle::State_Enabled;
    delegate->initStyleOption(&option, list.model()->index(m, 0));
    EXPECT_EQ(option.state.testFlag(QStyle::State_Enabled), m == 0) << m;
    EXPECT_EQ(option.checkState, Qt::Checked);
    EXPECT_EQ(option.text.toStdString(), temp_.path());
  }
  // A low panel: the legends scroll, the grids and the mirrors stay whole.
  panel_.resize(800, 300);
  panel_.show();
  ASSERT_TRUE(WaitFor([this] { return panel_.isVisible(); }, 5000));
  for (const TCheckList* whole : {&panel_.grids_list(), &panel_.mirrors_list()}) {
    EXPECT_GE(whole->viewport()->height(), whole->count() * whole->sizeHintForRow(0));
  }
  EXPECT_LT(panel_.legends_list().viewport()->height(),
            panel_.legends_list().count() * panel_.legends_list().sizeHintForRow(0));
  // The user drags a row in either grid; the other follows.
  const int row = ChartRowOf(1, TChartRowKind::kDestination);
  panel_.view(kFiles).verticalHeader()->resizeSection(row, 47);
  EXPECT_EQ(panel_.view(kSizes).rowHeight(row), 47);
  panel_.view(kSizes).verticalHeader()->resizeSection(row, 31);
  EXPECT_EQ(panel_.view(kFiles).rowHeight(row), 31);
}

TEST_F(StatsPanelTest, CopiesTheFocusedGrid) {
  LoadTwo();
  panel_.show();
  EXPECT_EQ(panel_.FocusedChart(), nullptr);
  QTableView& files = panel_.view(kFiles);
  files.setFocus();
  ASSERT_TRUE(WaitFor([&] { return files.hasFocus(); }, 5000));
  EXPECT_EQ(panel_.FocusedChart(), &files);
  EXPECT_FALSE(panel_.HasSelectedCell());
  panel_.CopyAll();
  const QStringList lines = QApplication::clipboard()->text().split('\n');
  ASSERT_EQ(lines.size(), panel_.model(kFiles).rowCount());
  EXPECT_EQ(lines[0], "Number of files\tFiles\tDirs\tTotal mirror");
  EXPECT_EQ(lines[ChartRowOf(1, TChartRowKind::kSource)],
            QString::fromStdString(temp_.path()) + "\t20\t2\t22");

  const int source0 = ChartRowOf(0, TChartRowKind::kSource);
  files.selectionModel()->select(files.model()->index(source0, kFilesColumnFiles),
                                 QItemSelectionModel::Select);
  files.selectionModel()->select(files.model()->index(source0, kFilesColumnTotalMirror),
                                 QItemSelectionModel::Select);
  EXPECT_TRUE(panel_.HasSelectedCell());
  panel_.Copy();
  EXPECT_EQ(QApplication::clipboard()->text(), "10\t12");

  // "Tile cells": the shown columns share the grid's width.
  const auto width = [&files] {
    int sum = 0;
    for (int column = 0; column < kChartColumns; ++column) sum += files.columnWidth(column);
    return sum;
  };
  panel_.resize(1600, 400);
  panel_.SetTileCells(true);
  EXPECT_TRUE(WaitFor([&] { return width() == files.viewport()->width(); }, 5000))
      << width() << " of " << files.viewport()->width();
}

TEST_F(StatsPanelTest, LegendsAndBarsFollowAPaletteChange) {
  LoadTwo();
  const int source = ChartRowOf(1, TChartRowKind::kSource);
  const int destination = ChartRowOf(1, TChartRowKind::kDestination);
  const QPalette light = QApplication::palette();
  const QPalette dark = DarkPalette();
  // The panel's own palette, or the application's as a desktop theme sets it.
  const auto on_panel = [this](const QPalette& palette) { panel_.setPalette(palette); };
  const auto on_application = [](const QPalette& palette) { QApplication::setPalette(palette); };
  const struct {
    const char* where;
    std::function<void(const QPalette&)> set;
  } kCases[] = {{"panel", on_panel}, {"application", on_application}};
  for (const auto& change : kCases) {
    for (const QPalette* palette : {&dark, &light}) {
      change.set(*palette);
      QApplication::processEvents();
      for (const TChartKind kind : {kFiles, kSizes}) {
        for (int column = 1; column < kChartColumns; ++column) {
          const int entry = (kind == kFiles ? 0 : kChartColumns - 1) + column - 1;
          EXPECT_EQ(panel_.legends_list().swatch(entry), ChartSeriesColour(kind, column, *palette))
              << change.where << " " << entry;
        }
      }
      EXPECT_EQ(BarColour(kFiles, source, kFilesColumnFiles),
                ChartSeriesColour(kFiles, kFilesColumnFiles, *palette).rgb())
          << change.where;
      // The drive's free bytes make the sizes grid's longest bar.
      EXPECT_EQ(BarColour(kSizes, destination, kSizesColumnFree),
                ChartSeriesColour(kSizes, kSizesColumnFree, *palette).rgb())
          << change.where;
    }
    panel_.setPalette(QPalette());
  }
  QApplication::setPalette(light);
  EXPECT_NE(ChartSeriesColour(kFiles, 1, light), ChartSeriesColour(kFiles, 1, dark));
}

TEST_F(StatsPanelTest, ShowsTheLabelOfALabelledVolumeUnlessLabelsAreOff) {
  testing::ScopedImageMount volume(temp_ / "volume", testing::ScopedImageMount::Kind::kExt4,
                                   "QV-PHOTOS");
  SKIP_UNLESS_MOUNTED(volume);
  Platform& platform = DefaultPlatform();
  TChartMirror mirror;
  mirror.source_dir = volume.dir + "/photos/";
  testing::MakeDirs(mirror.source_dir);
  mirror.destination_dir = temp_ / "backup/";
  mirror.source_drive = DriveOf(platform, mirror.source_dir);
  mirror.destination_drive = DriveOf(platform, temp_.path());
  ASSERT_NE(mirror.source_drive, mirror.destination_drive);
  panel_.Load({mirror});
  ASSERT_TRUE(WaitFor([this] { return panel_.worker().idle(); }, 5000));
  QApplication::processEvents();

  const int source = ChartRowOf(0, TChartRowKind::kSource);
  const auto title = [this, source](TChartKind kind) {
    return panel_.model(kind)
        .index(source, 0)
        .data(TChartModel::kRowTitleRole)
        .value<TRowTitle>()
        .Full();
  };
  for (const bool labels : {true, false}) {
    panel_.SetVolumeLabels(labels);
    const std::string expected = (labels ? "QV-PHOTOS: " : "") + mirror.source_dir;
    EXPECT_EQ(panel_.mirrors_list().item(0)->text().toStdString(), expected);
    for (const TChartKind kind : {kFiles, kSizes}) {
      panel_.SetTextOptions(kind, {.volume_labels = labels});
      EXPECT_EQ(title(kind), expected) << labels;
      EXPECT_EQ(Text(kind, source, 0), expected) << labels;
    }
  }
}

// The stored mirror of the window's tests, loaded as the window will load it.
class StatsPanelStoreTest : public testing::WindowTest {};

TEST_F(StatsPanelStoreTest, LoadsStoredMirrorsAsksTheirFoldersAndTakesNewCounters) {
  TStatsPanel panel(SharedDefaultPlatform(), 2000ms);
  TQVIniFile ini(platform_, settings_);
  TMappings mappings(ini);
  testing::RecordingLogger logger;
  ASSERT_TRUE(mappings.Load(logger, nullptr, false, false));
  std::vector<TChartMirror> mirrors = ChartMirrorsOf(mappings, ini, platform_);
  ASSERT_EQ(mirrors.size(), 1u);
  EXPECT_EQ(mirrors[0].source_drive, src_);
  EXPECT_EQ(mirrors[0].destination_drive, dst_);
  panel.Load(std::move(mirrors));
  const int destination = ChartRowOf(0, TChartRowKind::kDestination);
  const QModelIndex free_cell = panel.model(kSizes).index(destination, kSizesColumnFree);
  EXPECT_EQ(free_cell.data().toString(), "Waiting...");
  ASSERT_TRUE(WaitFor([&] { return panel.worker().idle(); }, 5000));
  QApplication::processEvents();
  EXPECT_NE(free_cell.data().toString(), "Waiting...");
  EXPECT_NE(free_cell.data().toString(), "Error");

  ASSERT_TRUE(ini.WriteCounters(TMapping(ini, dst_).dest_key(), TCounts{1234, 5, 2048, 2048}));
  TMirrorInfo info;
  info.LoadMirrorInfo(src_, dst_, false, ini, platform_);
  EXPECT_TRUE(panel.UpdateMirror(info));
  EXPECT_EQ(panel.model(kFiles).index(destination, kFilesColumnFiles).data().toString(), "1,234");
  EXPECT_EQ(panel.model(kSizes).index(destination, kSizesColumnFiles).data().toString(),
            QString::fromStdString(ChartValueText(kSizes, 2048, {})));
  TMirrorInfo other;
  other.LoadMirrorInfo(src_, temp_ / "elsewhere/", false, ini, platform_);
  EXPECT_FALSE(panel.UpdateMirror(other));
  EXPECT_FALSE(panel.SetRunning(other));
}

}  // namespace
}  // namespace qv
