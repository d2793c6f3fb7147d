// The values, texts, scales and row titles of the statistics grids.
#include "stats/chart_values.h"

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "filesys/text_format.h"
#include "stats/chart_rows.h"
#include "stats/chart_scale.h"
#include "stats/dir_info.h"
#include "stats/mirror_info.h"
#include "stats/row_title.h"

namespace qv {
namespace {

constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
constexpr int64_t kGiB = int64_t{1} << 30;

class ChartValuesTest : public ::testing::Test {
 protected:
  void SetUp() override { SetNumberFormatForTesting(&format_); }
  void TearDown() override { SetNumberFormatForTesting(nullptr); }
  const NumberFormat format_;  // "," and "."
};

TEST(ChartRowsTest, MapsRowsToMirrorsAndBack) {
  using K = TChartRowKind;
  const struct {
    int row;
    TChartRow at;
  } cases[] = {
      {0, {-1, K::kColumnTitles}}, {1, {0, K::kSource}},       {2, {0, K::kSpacing}},
      {3, {0, K::kDestination}},   {5, {0, K::kArchive}},      {7, {0, K::kSpacing}},
      {8, {1, K::kSource}},        {10, {1, K::kDestination}}, {12, {1, K::kArchive}},
      {13, {1, K::kLastScan}},     {14, {1, K::kSpacing}},     {701, {100, K::kSource}},
  };
  for (const auto& [row, at] : cases) {
    EXPECT_EQ(ChartRowAt(row), at) << row;
    if (at.kind != K::kSpacing && at.kind != K::kColumnTitles) {
      EXPECT_EQ(ChartRowOf(at.mirror, at.kind), row);
    }
  }
  EXPECT_EQ(ChartRowOf(0, K::kSpacing), -1);
  for (const auto& [mirrors, rows] : {std::pair{0, 2}, {1, 7}, {3, 21}}) {
    EXPECT_EQ(ChartRowCount(mirrors), rows);
  }
}

TChartMirror SampleMirror() {
  TChartMirror m;
  m.source_dir = "/home/u/";
  m.destination_dir = "/mnt/bk/";
  m.source = {10, 2, 1000, 900};
  m.source_excluded = {3, 1, 300, 300};
  m.destination = {9, 2, 800, 700};
  m.destination_excluded = {1, 0, 50, 40};
  m.archive = {4, 1, 200, 100};
  m.source_free = 5000;
  m.source_total = 10000;
  m.destination_free = kDriveNotQueried;
  m.destination_total = kDriveNotQueried;
  return m;
}

// Every data cell of one mirror in both grids: states, numbers and bar parts,
// with both drive states and a stale remainder below zero.
TEST_F(ChartValuesTest, CellsOfBothGrids) {
  using S = TChartCellState;
  TChartValues files(TChartKind::kFiles);
  TChartValues sizes(TChartKind::kSizes);
  files.mirrors() = {SampleMirror()};
  sizes.mirrors() = {SampleMirror()};
  sizes.mirrors()[0].destination_free = kDriveQueryFailed;
  sizes.mirrors()[0].destination_total = 1000;  // stale: less than what it holds
  const TChartTextOptions bytes{.units = false, .bytes = true};
  const struct {
    const TChartValues* grid;
    int row;
    int column;
    S state;
    int64_t value;
    std::string text;
    std::vector<TBarPart> bar;
  } cases[] = {
      {&files, 1, 1, S::kValue, 10, "10", {{1, 10}}},
      {&files, 1, 3, S::kValue, 12, "12", {{1, 10}, {2, 2}}},
      {&files, 1, 6, S::kValue, 16, "16", {{1, 10}, {2, 2}, {4, 3}, {5, 1}}},
      {&files, 3, 6, S::kValue, 12, "12", {{1, 9}, {2, 2}, {4, 1}}},  // no part of 0
      {&files, 3, 5, S::kValue, 0, "0", {}},
      {&files, 5, 2, S::kValue, 1, "1", {{2, 1}}},
      {&files, 5, 4, S::kEmpty, 0, "", {}},  // the archive has no excluded items
      {&files, 5, 6, S::kValue, 5, "5", {{1, 4}, {2, 1}}},
      {&files, 2, 1, S::kEmpty, 0, "", {}},
      {&files, 0, 3, S::kTitle, 0, "Total mirror", {}},
      {&files, 1, 0, S::kTitle, 0, "/home/u/", {}},
      {&files, 5, 0, S::kTitle, 0, "Archive", {}},
      {&sizes, 0, 0, S::kTitle, 0, "Size", {}},
      {&sizes, 5, 0, S::kTitle, 0, "Compressed", {}},
      {&sizes, 1, 2, S::kEmpty, 0, "", {}},  // no archive beside a source
      {&sizes, 1, 4, S::kValue, 3700, "3,700", {{4, 3700}}},
      {&sizes, 1, 6, S::kValue, 10000, "10,000", {{1, 1000}, {3, 300}, {4, 3700}, {5, 5000}}},
      {&sizes, 3, 5, S::kError, 0, "Error", {}},
      {&sizes, 3, 4, S::kError, 0, "Error", {}},  // carries the failed free bytes
      {&sizes, 3, 6, S::kValue, 1000, "1,000", {{1, 800}, {2, 200}, {3, 50}}},
      {&sizes, 5, 2, S::kValue, 100, "100", {{2, 100}}},
      {&sizes, 8, 1, S::kEmpty, 0, "", {}},  // past the last mirror
  };
  for (const auto& c : cases) {
    const TChartCell cell = c.grid->Cell(c.row, c.column, bytes);
    const std::string where = std::to_string(c.row) + "," + std::to_string(c.column);
    EXPECT_EQ(cell.state, c.state) << where;
    EXPECT_EQ(cell.value, c.value) << where;
    EXPECT_EQ(cell.text, c.text) << where;
    EXPECT_EQ(cell.bar, c.bar) << where;
  }
}

// The remainder: drive size less the four others; a drive value not known
// or failed is carried with its state; stale counters give a number below
// zero that is shown without a bar, and never reads as a drive state.
TEST_F(ChartValuesTest, Remainder) {
  using S = TChartCellState;
  const struct {
    int64_t free;
    int64_t total;
    int64_t destination_size;
    S state;
    std::string text;
    bool bar;
  } cases[] = {
      {5000, 10000, 800, S::kValue, "3,950", true},
      {kDriveNotQueried, kDriveNotQueried, 800, S::kWaiting, "Waiting...", false},
      {kDriveQueryFailed, kDriveQueryFailed, 800, S::kError, "Error", false},
      {5000, kDriveQueryFailed, 800, S::kError, "Error", false},
      {5000, 10000, 4751, S::kValue, "-1", false},  // -1 as a number, not "Error"
      {5000, 10000, 4752, S::kValue, "-2", false},
      {5000, 10000, 9000, S::kValue, "-4,250", false},
      {0, kMax, -kMax, S::kValue, "-252", false},  // wraps instead of overflowing
  };
  for (const auto& c : cases) {
    TChartValues sizes(TChartKind::kSizes);
    sizes.mirrors() = {SampleMirror()};
    TChartMirror& m = sizes.mirrors()[0];
    m.destination_free = c.free;
    m.destination_total = c.total;
    m.destination.size = c.destination_size;
    const TChartCell cell = sizes.Cell(3, kSizesColumnRemainder, {.units = false, .bytes = true});
    EXPECT_EQ(cell.state, c.state) << c.text;
    EXPECT_EQ(cell.text, c.text);
    EXPECT_EQ(!cell.bar.empty(), c.bar) << c.text;
  }
}

TEST_F(ChartValuesTest, UnitsAndBytesTexts) {
  const struct {
    bool units;
    bool bytes;
    int64_t value;
    std::string text;
  } cases[] = {
      {true, false, 1536, "1.5 KB"},
      {true, true, 1536, "1.5 KB (1,536)"},
      {true, true, 1023, "1023 bytes"},  // already in bytes
      {true, true, -2048, "-2.0 KB (-2,048)"},
      {true, true, 0, "0"},
      {true, false, 0, "0"},
      {false, true, 1536, "1,536"},
      {false, true, 0, "0"},
      {false, false, 1536, ""},
      {false, false, 0, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ChartValueText(TChartKind::kSizes, c.value, {.units = c.units, .bytes = c.bytes}),
              c.text);
  }
  // The switches are the sizes grid's; counts read the same whatever they say.
  EXPECT_EQ(ChartValueText(TChartKind::kFiles, 1536, {.units = false, .bytes = false}), "1,536");
}

TEST(ChartScaleTest, Scales) {
  const struct {
    int64_t largest;
    int64_t count_scale;
    int64_t size_scale;
  } cases[] = {
      {-5, 1, 1},
      {0, 1, 1},
      {1, 1, 1},
      {2, 2, 2},
      {10, 10, 10},
      {11, 20, 20},
      {150, 200, 200},
      {250, 500, 500},
      {600, 1000, 1000},
      {1000, 1000, 1000},
      {1001, 2000, 1024},  // bytes above 1000 go to the next unit
      {600 * (kGiB >> 10), 1'000'000'000, 1000 * (kGiB >> 10)},  // 600 MB
      {int64_t{5} * 1000 * 1000 * 1000 * 1000 * 1000 * 1000, 5'000'000'000'000'000'000,
       int64_t{5} << 60},
      {kMax, kMax, kMax},  // 10^19 and 10 EB do not fit
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CountScale(c.largest), c.count_scale) << c.largest;
    EXPECT_EQ(SizeScale(c.largest), c.size_scale) << c.largest;
  }
  for (const auto& [value, scale, fraction] :
       {std::tuple{50, 200, 0.25}, {-5, 200, 0.0}, {300, 200, 1.0}, {5, 0, 0.0}}) {
    EXPECT_DOUBLE_EQ(BarFraction(value, scale), fraction);
  }
}

// The grid's scale follows the largest value shown: hidden rows and columns
// do not count, and drive states are no values.
TEST_F(ChartValuesTest, GridScaleOverShownCells) {
  TChartValues files(TChartKind::kFiles);
  TChartValues sizes(TChartKind::kSizes);
  files.mirrors() = {SampleMirror()};
  sizes.mirrors() = {SampleMirror()};
  const auto all = [](int) { return true; };
  const auto not_source = [](int row) { return row != 1; };
  const auto parts = [](int column) { return column == 1 || column == 2; };
  EXPECT_EQ(files.Scale(all, all), 20);           // total found 16
  EXPECT_EQ(files.Scale(not_source, parts), 10);  // 9 destination files
  EXPECT_EQ(sizes.Scale(all, all), 10 * 1024);    // the source drive's 10000
  EXPECT_EQ(sizes.Scale(not_source, all), 1000);  // 800 bytes; the drive is waiting
  EXPECT_EQ(TChartValues(TChartKind::kFiles).Scale(all, all), 1);
}

TEST(ChartValuesDriveTest, DriveInfoReachesTheRowsOnThatDrive) {
  TChartValues sizes(TChartKind::kSizes);
  sizes.mirrors() = {SampleMirror(), SampleMirror()};
  sizes.mirrors()[0].source_drive = "/";
  sizes.mirrors()[0].destination_drive = "/mnt/";
  sizes.mirrors()[1].source_drive = "/mnt/";
  sizes.mirrors()[1].destination_drive = "/";
  EXPECT_EQ(sizes.SetDriveInfo("/mnt/", "Backup", -1, -1), (std::vector<int>{3, 5, 8}));
  EXPECT_EQ(sizes.Cell(5, kSizesColumnDrive, {}).text, "Error");
  EXPECT_EQ(sizes.Cell(1, kSizesColumnFree, {}).text, "4.9 KB");  // the other drive unchanged
  EXPECT_EQ(sizes.RowTitle(8, true), (TRowTitle{"Backup", "/home/u/"}));
  EXPECT_EQ(sizes.Cell(3, 0, {.volume_labels = true}).text, "Backup: /mnt/bk/");
  EXPECT_EQ(sizes.Cell(3, 0, {.volume_labels = false}).text, "/mnt/bk/");
  EXPECT_TRUE(sizes.SetDriveInfo("/media/", "", 1, 1).empty());
  // New counters keep what the drives answered.
  TMirrorInfo running;
  TDirInfo destination(TCounts{1, 1, 4096, 4096});
  running.SetRunning("/home/u/", "/mnt/bk/", TDirInfo(), TDirInfo(), destination, TDirInfo(),
                     TDirInfo());
  sizes.SetCounters(0, running);
  EXPECT_EQ(sizes.Cell(3, kSizesColumnFiles, {}).text, "4.0 KB");
  EXPECT_EQ(sizes.Cell(3, kSizesColumnFree, {}).text, "Error");
  EXPECT_EQ(sizes.Cell(1, kSizesColumnFiles, {}).text, "0");
  EXPECT_EQ(sizes.RowTitle(3, true).label, "Backup");
}

TEST(ChartColumnsTest, TitlesLegendsAndFirstShown) {
  std::string shown;
  for (const TChartKind kind : {TChartKind::kFiles, TChartKind::kSizes}) {
    for (int column = 0; column < kChartColumns; ++column) {
      if (ChartColumnShownAtFirst(kind, column)) shown += ChartColumnTitle(kind, column) + "|";
    }
  }
  EXPECT_EQ(shown, "Number of files|Files|Dirs|Total mirror|Size|Files|Archive|Free|Drive|");
  EXPECT_EQ(ChartLegendText(TChartKind::kFiles, kFilesColumnDirs), "Directories");
  EXPECT_EQ(ChartLegendText(TChartKind::kSizes, kSizesColumnRemainder), "Size remainder");
  EXPECT_EQ(ChartColumnTitle(TChartKind::kFiles, kFilesColumnTotalFound), "Total found");
}

// A fake width: one unit per byte, so widths read as lengths.
TEST(RowTitleTest, FitsStepByStep) {
  const TTextWidth bytes = [](const std::string& text) { return static_cast<int>(text.size()); };
  const struct {
    TRowTitle title;
    int width;
    std::string fitted;
  } cases[] = {
      {{"Data", "/srv/share/"}, 17, "Data: /srv/share/"},  // fits
      {{"Data", "/srv/share/"}, 16, "/srv/share/"},        // the label goes first
      {{"Data", "/srv/share/"}, 10, "/srv/share"},         // then the trailing slash
      {{"", "/srv/share/"}, 9, "/sr...are"},               // then the middle
      {{"", "/srv/share/"}, 7, "/sr...e"},
      {{"", "/srv/share/"}, 6, "/sr..."},
      {{"", "/srv/share/"}, 4, "/sr."},  // last, from the end
      {{"", "/srv/share/"}, 0, "/"},     // at least one character stays
      {{"", "/abcde/"}, 5, "/abcd"},     // 6 characters: no dots
      {{"", "/"}, 0, "/"},
      {{"", "/d\xc3\xa9j\xc3\xa0/vu/"}, 9, "/d\xc3\xa9...vu"},  // never inside a character
  };
  for (const auto& c : cases) EXPECT_EQ(FitRowTitle(c.title, c.width, bytes), c.fitted) << c.width;
}

}  // namespace
}  // namespace qv
