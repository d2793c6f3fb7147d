// The statistics grids' model, bar painter and axis, on the offscreen
// platform: cell texts while drives answer, the rows announced, the scale
// over shown cells, bars measured in pixels, the axis under the columns.
#include "ui/stats_panel/chart_model.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QImage>
#include <QPalette>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>
#include <QVBoxLayout>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "archive/disk_info_query.h"
#include "filesys/text_format.h"
#include "stats/mirror_info.h"
#include "ui/stats_panel/bar_delegate.h"
#include "ui/stats_panel/chart_axis.h"
#include "ui/stats_panel/chart_colours.h"

namespace qv {
namespace {

using Tester = QAbstractItemModelTester;

// Mirror m: source "/src<m>/" on drive "/a", destination "/dst<m>/" on "/b".
TChartMirror Mirror(int m) {
  TChartMirror mirror;
  mirror.source_dir = "/src" + std::to_string(m) + "/";
  mirror.destination_dir = "/dst" + std::to_string(m) + "/";
  mirror.source_drive = "/a";
  mirror.destination_drive = "/b";
  mirror.archive = {3, 1, 2048, 2048};
  return mirror;
}

std::vector<TChartMirror> Mirrors(int count) {
  std::vector<TChartMirror> mirrors;
  for (int m = 0; m < count; ++m) mirrors.push_back(Mirror(m));
  return mirrors;
}

TDiskInfo Drive(const std::string& drive, int64_t free_bytes, int64_t total_bytes,
                const std::string& label = "") {
  return {drive, label, free_bytes, total_bytes};
}

std::string Text(const TChartModel& model, int row, int column) {
  return model.index(row, column).data().toString().toStdString();
}

class ChartModelTest : public ::testing::Test {
 protected:
  void SetUp() override { SetNumberFormatForTesting(&format_); }
  void TearDown() override { SetNumberFormatForTesting(nullptr); }
  const NumberFormat format_;  // "," and "."
};

TEST_F(ChartModelTest, ShowsTitlesWaitingErrorAndNoArchiveInSourceRows) {
  const auto kFiles = TChartKind::kFiles;
  const auto kSizes = TChartKind::kSizes;
  const std::vector<TDiskInfo> failed = {Drive("/b", kDriveQueryFailed, kDriveQueryFailed)};
  const struct {
    const char* what;
    TChartKind kind;
    int mirrors;
    std::vector<TDiskInfo> answers;
    int row;
    int column;
    const char* text;
  } cases[] = {
      {"no mappings: titles", kFiles, 0, {}, 0, 0, "Number of files"},
      {"no mappings: titles", kSizes, 0, {}, 0, kSizesColumnDrive, "Drive"},
      {"no mappings: nothing else", kSizes, 0, {}, 1, 0, ""},
      {"before the answer", kSizes, 1, {}, 3, kSizesColumnFree, "Waiting..."},
      {"before the answer", kSizes, 1, {}, 1, kSizesColumnDrive, "Waiting..."},
      {"failed drive", kSizes, 1, failed, 3, kSizesColumnFree, "Error"},
      {"failed drive", kSizes, 1, failed, 3, kSizesColumnDrive, "Error"},
      {"failed drive, compressed row", kSizes, 2, failed, 12, kSizesColumnFree, "Error"},
      {"failed drive, other drive", kSizes, 1, failed, 1, kSizesColumnFree, "Waiting..."},
      {"source row", kSizes, 1, {Drive("/a", 10, 20)}, 1, kSizesColumnArchive, ""},
      {"destination row", kSizes, 1, {}, 3, kSizesColumnArchive, "2.0 KB"},
      {"labelled drive", kFiles, 1, {Drive("/a", 10, 20, "Data")}, 1, 0, "Data: /src0/"},
      {"second mirror", kFiles, 2, {}, 12, 0, "Archive"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TChartModel model(c.kind);
    Tester tester(&model, Tester::FailureReportingMode::Fatal);
    model.SetMirrors(Mirrors(2));
    model.SetMirrors(Mirrors(c.mirrors));
    for (const TDiskInfo& answer : c.answers) model.SetDriveInfo(answer);
    EXPECT_EQ(model.rowCount(), std::max(2, 7 * c.mirrors));
    EXPECT_EQ(Text(model, c.row, c.column), c.text) << c.row << "," << c.column;
  }
}

TEST_F(ChartModelTest, AnnouncesTheRowsThatANewsChanged) {
  TMirrorInfo counters;
  const TDirInfo source(TCounts{5, 1, 100, 100});
  counters.SetRunning("/src1/", "/dst1/", source, TDirInfo(), TDirInfo(), TDirInfo(), TDirInfo());
  const struct {
    const char* what;
    std::function<void(TChartModel&)> news;
    std::set<int> rows;
  } cases[] = {
      // Mirror 1's source shares mirror 0's destination drive; its destination
      // is on "/c".
      {"drive /b", [](TChartModel& m) { m.SetDriveInfo(Drive("/b", 1, 2)); }, {3, 5, 8}},
      {"drive /a", [](TChartModel& m) { m.SetDriveInfo(Drive("/a", 1, 2)); }, {1}},
      {"counters of mirror 1",
       [&](TChartModel& m) { EXPECT_TRUE(m.SetCounters(1, counters)); },
       {8, 10, 12, 13}},
      {"no mirror 2", [&](TChartModel& m) { EXPECT_FALSE(m.SetCounters(2, counters)); }, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    for (const TChartKind kind : {TChartKind::kFiles, TChartKind::kSizes}) {
      TChartModel model(kind);
      Tester tester(&model, Tester::FailureReportingMode::Fatal);
      std::vector<TChartMirror> mirrors = Mirrors(2);
      mirrors[1].source_drive = "/b";
      mirrors[1].destination_drive = "/c";
      model.SetMirrors(std::move(mirrors));
      QSignalSpy spy(&model, &TChartModel::dataChanged);
      c.news(model);
      std::set<int> rows;
      for (const QList<QVariant>& signal : spy) {
        const auto first = signal[0].value<QModelIndex>();
        const auto last = signal[1].value<QModelIndex>();
        if (first.row() != last.row()) continue;  // a changed scale renews every bar
        EXPECT_EQ(first.column(), 0);
        EXPECT_EQ(last.column(), kChartColumns - 1);
        rows.insert(first.row());
      }
      EXPECT_EQ(rows, c.rows);
    }
  }
}

// Mirror 0's source: 100 files and 50 directories; mirror 1's destination:
// 600 files.
TEST_F(ChartModelTest, ScalesOverShownCellsAndStacksShownParts) {
  const std::vector<TBarPart> both = {{kFilesColumnFiles, 100}, {kFilesColumnDirs, 50}};
  const struct {
    std::vector<int> hidden_mirrors;
    std::vector<int> hidden_columns;
    bool charts;
    int64_t scale;
    std::vector<TBarPart> total_bar;  // of mirror 0's source; none when invalid
  } cases[] = {
      {{}, {}, true, 1000, both},
      {{1}, {}, true, 200, both},
      {{1}, {kFilesColumnDirs}, true, 200, {{kFilesColumnFiles, 100}}},
      {{1}, {kFilesColumnTotalMirror, kFilesColumnDirs}, true, 100, {{kFilesColumnFiles, 100}}},
      {{1}, {}, false, 200, {}},
      {{0, 1}, {}, true, 1, both},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "scale " << c.scale);
    TChartModel model(TChartKind::kFiles);
    Tester tester(&model, Tester::FailureReportingMode::Fatal);
    std::vector<TChartMirror> mirrors = Mirrors(2);
    mirrors[0].source = {100, 50, 0, 0};
    mirrors[1].destination = {600, 0, 0, 0};
    model.SetMirrors(std::move(mirrors));
    QSignalSpy scales(&model, &TChartModel::scaleChanged);
    for (const int m : c.hidden_mirrors) model.SetMirrorShown(m, false);
    for (const int column : c.hidden_columns) model.SetColumnShown(column, false);
    model.SetCharts(c.charts);
    EXPECT_EQ(model.scale(), c.scale);
    if (model.scale() != 1000) {
      ASSERT_FALSE(scales.isEmpty());
      EXPECT_EQ(scales.last()[0].toLongLong(), c.scale);
    }
    const QVariant bar = model.index(1, kFilesColumnTotalMirror).data(TChartModel::kBarRole);
    EXPECT_EQ(bar.isValid(), c.charts);
    if (bar.isValid()) {
      EXPECT_EQ(bar.value<TChartBar>().parts, c.total_bar);
      EXPECT_EQ(bar.value<TChartBar>().scale, c.scale);
    }
  }
}

// A grid without headers or grid lines, 200 pixels per column and 40 per
// row, painted by the bar delegate.
class TGridView {
 public:
  explicit TGridView(TChartModel& model) : delegate_(model.kind()) {
    view_.setModel(&model);
    view_.setItemDelegate(&delegate_);
    view_.setShowGrid(false);
    view_.horizontalHeader()->hide();
    view_.verticalHeader()->hide();
    for (int column = 0; column < kChartColumns; ++column) view_.setColumnWidth(column, 200);
    for (int row = 0; row < model.rowCount(); ++row) view_.setRowHeight(row, 40);
    view_.resize(7 * 200 + 10, 8 * 40);
  }
  QTableView& view() { return view_; }

  // How long a bar of colour is that starts in cell (row, column), on a line
  // through the bar's top part, above the text; it may run past the cell.
  int Run(int row, int column, const QColor& colour) {
    const QImage image = view_.viewport()->grab().toImage();
    const QRect cell = view_.visualRect(view_.model()->index(row, column));
    const int y = cell.top() + cell.height() / 6 + 1;
    const auto is_colour = [&](int x) { return image.pixelColor(x, y).rgb() == colour.rgb(); };
    int x = cell.left();
    while (x <= cell.right() && !is_colour(x)) ++x;
    if (x > cell.right()) return 0;
    int run = 0;
    for (; x < image.width() && is_colour(x); ++x) ++run;
    return run;
  }

 private:
  TBarDelegate delegate_;
  QTableView view_;
};

TEST_F(ChartModelTest, PaintsBarsAsLongAsTheirShareOfTheScale) {
  // Files: scale 200 for a total of 150. Sizes: a drive of 1000 bytes, 900
  // free and 500 in the destination leave a stale remainder of -400; the
  // scale is 1000 bytes, and the drive's stacked parts stop at the cell's end.
  TChartModel files(TChartKind::kFiles);
  std::vector<TChartMirror> mirrors = Mirrors(1);
  mirrors[0].source = {100, 50, 0, 0};
  mirrors[0].destination = {0, 0, 500, 500};
  mirrors[0].archive = {};
  files.SetMirrors(mirrors);
  TChartModel sizes(TChartKind::kSizes);
  sizes.SetMirrors(mirrors);
  sizes.SetColumnShown(kSizesColumnRemainder, true);
  sizes.SetDriveInfo(Drive("/b", 900, 1000));
  ASSERT_EQ(Text(sizes, 3, kSizesColumnRemainder), "-400 bytes");
  const struct {
    TChartModel* model;
    int row;
    int column;
    std::vector<std::pair<int, int>> runs;  // series column, pixels
  } cases[] = {
      {&files, 1, kFilesColumnFiles, {{kFilesColumnFiles, 100}, {kFilesColumnDirs, 0}}},
      {&files, 1, kFilesColumnDirs, {{kFilesColumnDirs, 50}}},
      {&files, 1, kFilesColumnTotalMirror, {{kFilesColumnFiles, 100}, {kFilesColumnDirs, 50}}},
      {&sizes, 3, kSizesColumnFree, {{kSizesColumnFree, 180}}},
      {&sizes, 3, kSizesColumnRemainder, {{kSizesColumnRemainder, 0}}},
      {&sizes,
       3,
       kSizesColumnDrive,
       {{kSizesColumnFiles, 100}, {kSizesColumnFree, 100}, {kSizesColumnRemainder, 0}}},
  };
  for (const auto& c : cases) {
    TGridView grid(*c.model);
    for (const auto& [series, pixels] : c.runs) {
      const QColor colour = ChartSeriesColour(c.model->kind(), series, grid.view().palette());
      EXPECT_NEAR(grid.Run(c.row, c.column, colour), pixels, 1)
          << c.row << "," << c.column << " series " << series;
    }
  }
  // "Charts" off: numbers only.
  files.SetCharts(false);
  TGridView grid(files);
  const QColor colour =
      ChartSeriesColour(TChartKind::kFiles, kFilesColumnFiles, grid.view().palette());
  EXPECT_EQ(grid.Run(1, kFilesColumnFiles, colour), 0);
}

TEST(ChartColoursTest, NumbersStayReadableOverEverySeriesInLightAndDarkPalettes) {
  // WCAG contrast of the text colour against the bar behind it.
  const auto luminance = [](const QColor& c) {
    const auto linear = [](double v) {
      return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
  };
  QPalette light;
  light.setColor(QPalette::Base, Qt::white);
  light.setColor(QPalette::Text, Qt::black);
  QPalette dark;
  dark.setColor(QPalette::Base, QColor(0x20, 0x20, 0x20));
  dark.setColor(QPalette::Text, QColor(0xee, 0xee, 0xee));
  for (const QPalette& palette : {light, dark}) {
    const double text = luminance(palette.color(QPalette::Text));
    for (const TChartKind kind : {TChartKind::kFiles, TChartKind::kSizes}) {
      std::set<QRgb> seen;
      for (int column = 1; column < kChartColumns; ++column) {
        const QColor colour = ChartSeriesColour(kind, column, palette);
        const double bar = luminance(colour);
        const double contrast = (std::max(text, bar) + 0.05) / (std::min(text, bar) + 0.05);
        EXPECT_GE(contrast, 4.5) << column << " " << colour.name().toStdString();
        EXPECT_TRUE(seen.insert(colour.rgb()).second) << "same colour twice: " << column;
      }
    }
  }
}

TEST_F(ChartModelTest, TheAxisLiesUnderTheBarsOfEachShownColumn) {
  TChartModel model(TChartKind::kFiles);
  model.SetMirrors(Mirrors(1));
  QWidget panel;
  auto* layout = new QVBoxLayout(&panel);
  auto* view = new QTableView(&panel);
  view->setModel(&model);
  auto* axis = new TChartAxis(*view, model, &panel);
  layout->addWidget(view);
  layout->addWidget(axis);
  for (int column = 0; column < kChartColumns; ++column) view->setColumnWidth(column, 150);
  panel.resize(600, 300);  // narrower than the columns: a scroll bar
  panel.show();
  const auto expect_under_cells = [&](const std::vector<int>& columns) {
    std::vector<int> seen;
    for (const TChartAxis::TSpan& span : axis->Spans()) {
      seen.push_back(span.column);
      const QRect cell = view->visualRect(model.index(0, span.column));
      const QPoint at = view->viewport()->mapTo(&panel, cell.topLeft());
      EXPECT_EQ(axis->mapTo(&panel, QPoint(span.left, 0)).x(), at.x()) << span.column;
      EXPECT_EQ(span.width, cell.width()) << span.column;
    }
    EXPECT_EQ(seen, columns);
  };
  expect_under_cells({1, 2, 3, 4, 5, 6});
  view->setColumnHidden(2, true);
  view->setColumnWidth(4, 90);
  view->horizontalHeader()->moveSection(5, 1);
  view->horizontalScrollBar()->setValue(view->horizontalScrollBar()->maximum());
  expect_under_cells({5, 1, 3, 4, 6});
}

}  // namespace
}  // namespace qv
