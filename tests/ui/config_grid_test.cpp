#include "ui/config_dialog/config_grid.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include "config/config_keys.h"
#include "config/filter_store.h"
#include "config/list_keys.h"
#include "config/mapping.h"
#include "config/mappings.h"
#include "config/minimal_ages.h"
#include "config/qv_ini_file.h"
#include "config/registry_values.h"
#include "filesys/testing/fault_platform.h"
#include "tests/support/latch.h"
#include "tests/support/recording_logger.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/window_fixture.h"
#include "tests/ui_logic/cell_test_platform.h"
#include "ui/config_dialog/cell_check_runner.h"
#include "ui/config_dialog/grid_model.h"
#include "ui/config_dialog/threaded_cell_check.h"
#include "ui/dialogs/list_save_boxes.h"

namespace qv::testing {
namespace {

constexpr int64_t kMiB = int64_t{1} << 20;

// Every stored value, read past the program's own code.
std::string Dump(const std::string& db_path) {
  sqlite3* db = nullptr;
  sqlite3_open(db_path.c_str(), &db);
  sqlite3_stmt* rows = nullptr;
  sqlite3_prepare_v2(db, "SELECT key || '|' || name || '=' || hex(data) FROM vals ORDER BY 1", -1,
                     &rows, nullptr);
  std::string dump;
  while (sqlite3_step(rows) == SQLITE_ROW) {
    dump += reinterpret_cast<const char*>(sqlite3_column_text(rows, 0));
    dump += "\n";
  }
  sqlite3_finalize(rows);
  sqlite3_close(db);
  return dump;
}

void Sql(const std::string& db_path, const std::string& sql) {
  sqlite3* db = nullptr;
  sqlite3_open(db_path.c_str(), &db);
  EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sql;
  sqlite3_close(db);
}

// The four grids of one dialog over a real settings file, with scripted
// answers to their questions.
class ConfigGridTest : public ::testing::Test {
 protected:
  ConfigGridTest() {
    MakeTree(dir_.path(), {"src/a=1", "src/z/", "fat/a=1", "d1/"});
    platform_->volumes[dir_ / "fat/"] = {"vfat", false, 0, 0};
  }

  TConfigGrid& Grid(TListKind kind) {
    auto& grid = grids_[kind];
    if (!grid) {
      grid = std::make_unique<TConfigGrid>(kind, services_, nullptr);
      EXPECT_TRUE(grid->Load());
    }
    return *grid;
  }
  // As the user types into a cell, or clicks a check box.
  void Type(TListKind kind, int row, int column, const std::string& text) {
    TGridModel& model = Grid(kind).grid_model();
    const QModelIndex at = model.index(row, column);
    if (IsBoolCell(model.column(column).cell)) {
      model.setData(at, text == "true" ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole);
    } else {
      model.setData(at, QString::fromStdString(text), Qt::EditRole);
    }
    Settle(kind);
  }
  // The checks run off the window's thread: waits for their answers.
  void Settle(TListKind kind) {
    QCoreApplication::processEvents();
    EXPECT_TRUE(WaitFor([&] { return !Grid(kind).checking(); }));
  }
  std::string Text(TListKind kind, int row, int column) {
    return Grid(kind).grid_model().Text(row, column);
  }
  bool SaveAll() {
    std::vector<TConfigGrid*> grids;
    for (const TListKind kind : {TListKind::kMappings, TListKind::kFilters, TListKind::kMinimalAges,
                                 TListKind::kFileMappings}) {
      grids.push_back(&Grid(kind));
    }
    // As the window saves the dialog's lists.
    std::vector<TListEdit> edits;
    for (TConfigGrid* grid : grids) edits.push_back(grid->Edit());
    if (!ShowListSave(SaveLists(*ini_, edits), dialogs_)) return false;
    for (TConfigGrid* grid : grids) grid->Load();
    return true;
  }
  // The headless tool's ways of adding to the lists.
  void AddMirror(const std::string& source, const std::string& destination, int64_t max_size) {
    TMapping mapping(*ini_, destination);
    mapping.SetSource(source);
    mapping.mutable_settings().max_size_dest = max_size;
    mapping.mutable_settings().row = NextRow(*ini_, kMappingsKey);
    ASSERT_TRUE(mapping.Save());
  }
  void AddAge(const std::string& folder, int32_t minutes) {
    const std::string key = SubkeyPath(kMinimalAgesKey, NewNumberedKeyName(*ini_, kMinimalAgesKey));
    const int32_t row = NextRow(*ini_, kMinimalAgesKey);
    ASSERT_TRUE(ini_->WriteString(key, "", folder) && ini_->WriteInteger(key, "Row", row) &&
                ini_->WriteInteger(key, "MinAge", minutes));
  }
  std::vector<std::string> ToolsAges() {
    TMinimalAges ages;
    RecordingLogger log;
    EXPECT_TRUE(LoadMinimalAges(*ini_, dir_ / "src/", log, &ages));
    return ages.Texts();
  }
  // On the current cell, as its first click made it current.
  void DoubleClick(TConfigGrid& grid, int row, int column) {
    const QModelIndex at = grid.grid_model().index(row, column);
    grid.setCurrentIndex(at);
    const QPointF point = grid.visualRect(at).center();
    QMouseEvent event(QEvent::MouseButtonDblClick, point, grid.viewport()->mapToGlobal(point),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(grid.viewport(), &event);
  }
  // The popup's captions, a disabled one marked with a leading "-".
  std::string Popup(TConfigGrid& grid) {
    QMenu popup;
    grid.FillPopup(&popup);
    std::string captions;
    for (QAction* action : popup.actions()) {
      captions += (action->isEnabled() ? "" : "-") + action->text().toStdString() + "|";
    }
    return captions;
  }
  std::vector<std::string> ToolsFilters() {
    std::vector<TStoredFilter> filters;
    RecordingLogger log;
    EXPECT_TRUE(ReadStoredFilters(*ini_, log, &filters));
    std::vector<std::string> texts;
    for (const TStoredFilter& filter : filters) texts.push_back(filter.text);
    return texts;
  }

  ScopedTempDir dir_;
  const std::string db_path_ = dir_ / "settings.db";
  std::shared_ptr<CellTestPlatform> platform_ = std::make_shared<CellTestPlatform>();
  std::unique_ptr<TQVIniFile> ini_ = std::make_unique<TQVIniFile>(*platform_, db_path_, 50);
  TRecordingDialogs dialogs_;
  TAskedQuestions asked_;
  std::vector<std::string> status_;
  TGridServices services_{*ini_,
                          platform_,
                          dialogs_,
                          asked_,
                          [this](const std::string& text) { status_.push_back(text); },
                          [this] { return Grid(TListKind::kMappings).MappingRows(); }};
  std::map<TListKind, std::unique_ptr<TConfigGrid>> grids_;
};

TEST_F(ConfigGridTest, EditsAreValidatedAndAnsweredQuestionsNotAskedAgain) {
  const std::string fat = dir_ / "fat/";
  const std::string files_question =
      "The destination \"" + fat +
      "\" is an existing directory containing files. Be aware that if you use this destination "
      "all files not present on the source will be moved to the Quorvane archive. Do you want to "
      "use this destination anyway?";
  const auto M = TListKind::kMappings;
  const auto A = TListKind::kMinimalAges;
  const struct {
    TListKind kind;
    int column;
    std::string typed;
    bool yes;
    std::string shown;
    std::vector<std::string> messages;  // errors, then questions
  } kSteps[] = {
      {M, 1, dir_ / "src", true, dir_ / "src/", {}},
      {M, 2, fat, false, fat, {files_question}},
      // Refused before: asked again; then remembered for the dialog's life.
      {M, 2, fat, true, fat, {files_question}},
      {M, 2, fat, true, fat, {}},
      {M, 4, "100", true, "100 bytes", {}},
      {M,
       8,
       "abc",
       true,
       "abc",
       {"Max archive age in days should be a whole number from 0 to 36525."}},
      {M, 8, " 30", true, "30", {}},
      {M, 8, "0", true, "", {}},
      // Empty: the destination's file system (FAT keeps write times to 2 s).
      {M, 13, "", true, "2 sec", {}},
      // Switching a row on validates all of it, now with the file system.
      {A, 0, "false", false, "false", {}},
      {A, 1, "/nowhere/x", false, "/nowhere/x/", {}},
      {A,
       0,
       "true",
       false,
       "true",
       {"/nowhere/x/ is not a currently accessible minimal age. Use it as minimal age anyway?"}},
  };
  for (const auto& step : kSteps) {
    SCOPED_TRACE(step.typed + " in column " + std::to_string(step.column));
    dialogs_ = {};
    dialogs_.warn_answer = dialogs_.confirm_answer = step.yes;
    Type(step.kind, 0, step.column, step.typed);
    EXPECT_EQ(Text(step.kind, 0, step.column), step.shown);
    std::vector<std::string> messages = dialogs_.errors;
    for (const auto* asked : {&dialogs_.warnings, &dialogs_.confirmations}) {
      messages.insert(messages.end(), asked->begin(), asked->end());
    }
    EXPECT_EQ(messages, step.messages);
    ASSERT_FALSE(status_.empty());
    EXPECT_EQ(status_.back(), "");
  }
  EXPECT_NE(std::find(status_.begin(), status_.end(), "Validating Max size 100 Please wait..."),
            status_.end());
  // A filled row got its empty row below.
  EXPECT_EQ(Grid(M).grid_model().rowCount(), 2);
}

TEST_F(ConfigGridTest, CollidingDestinationsAreRefusedAtOkAndBySaving) {
  const auto M = TListKind::kMappings;
  for (int row = 0; row < 2; ++row) {
    Type(M, row, 0, "false");  // no content checks: the folders need not exist
    Type(M, row, 1, dir_ / ("s" + std::to_string(row) + "/"));
  }
  Type(M, 0, 2, "/x/bk/");
  Type(M, 1, 2, "/x/BK/");
  ASSERT_TRUE(dialogs_.errors.empty());
  const std::string before = Dump(db_path_);
  bool passed = true;
  TValidationMode at_ok;
  at_ok.against_rows = at_ok.at_ok = true;
  Grid(M).ValidateAll(at_ok, [&](bool ok) { passed = ok; });
  Settle(M);
  EXPECT_FALSE(passed);
  EXPECT_EQ(Grid(M).currentIndex(), Grid(M).grid_model().index(1, 2));
  EXPECT_FALSE(SaveAll());
  ASSERT_EQ(dialogs_.errors.size(), 2u);
  EXPECT_NE(dialogs_.errors[0].find("Quorvane cannot mirror to \"/x/BK/\" because its settings"),
            std::string::npos);
  EXPECT_NE(dialogs_.errors[1].find("the settings key of destination /x/BK/ is taken by /x/bk/"),
            std::string::npos);
  EXPECT_EQ(Dump(db_path_), before);
}

// The headless tool's lists load unchanged, keep what the grid does not
// show, and read back what the grid saved; entries added meanwhile stay.
TEST_F(ConfigGridTest, SavingKeepsUnshownValuesAndEntriesAddedMeanwhile) {
  const std::string d1 = dir_ / "d1/";
  AddMirror(dir_ / "src/", d1, 1500000);
  const std::string mirror_key = SubkeyPath(kMappingsKey, MappingKeyName(d1));
  ASSERT_TRUE(ini_->WriteString(mirror_key, "DestVolume", "vol-1"));
  AddAge(dir_ / "src/x/", 5);
  ASSERT_TRUE(SaveNewFilter(*ini_, "*.a", true, 0, true, nullptr));
  const auto M = TListKind::kMappings;
  const auto A = TListKind::kMinimalAges;
  EXPECT_EQ(Text(M, 0, 1), dir_ / "src/");
  EXPECT_EQ(Text(M, 0, 4), "1.43 MB");
  EXPECT_EQ(Text(A, 0, 2), "5");
  EXPECT_EQ(Text(TListKind::kFilters, 0, 2), "*.a");
  // Other writers, while the grids are open.
  ASSERT_TRUE(SaveNewFilter(*ini_, "*.tmp", true, 0, true, nullptr));
  AddAge(dir_ / "src/y/", 7);

  Type(M, 0, 6, "1 GB");
  Type(A, 0, 2, "10");
  Type(A, 1, 1, dir_ / "src/z");
  Type(A, 1, 2, "3");
  ASSERT_TRUE(dialogs_.errors.empty() && dialogs_.warnings.empty());
  ASSERT_TRUE(SaveAll()) << (dialogs_.errors.empty() ? "" : dialogs_.errors[0]);

  ASSERT_EQ(dialogs_.informations.size(), 1u);
  EXPECT_NE(dialogs_.informations[0].find("Filters: *.tmp"), std::string::npos);
  EXPECT_NE(dialogs_.informations[0].find("Minimal ages: " + dir_ / "src/y/"), std::string::npos);
  TMappings mappings(*ini_);
  RecordingLogger log;
  ASSERT_TRUE(mappings.Load(log, nullptr, false, true));
  ASSERT_EQ(mappings.Count(), 1);
  EXPECT_EQ(mappings.Mapping(0)->settings().max_size_dest, 1500000);
  EXPECT_EQ(mappings.Mapping(0)->settings().max_archive_size, 1024 * kMiB);
  EXPECT_EQ(ini_->ReadString(mirror_key, "DestVolume"), "vol-1");
  EXPECT_EQ(ToolsFilters(), (std::vector<std::string>{"*.a", "*.tmp"}));
  EXPECT_EQ(ToolsAges(),
            (std::vector<std::string>{dir_ / "src/x/=10", dir_ / "src/z/=3", dir_ / "src/y/=7"}));
  // The grids show what was saved, the kept entries included.
  EXPECT_EQ(Text(A, 2, 1), dir_ / "src/y/");
  EXPECT_EQ(Grid(TListKind::kFilters).grid_model().rowCount(), 3);
}

TEST_F(ConfigGridTest, AStoreFailureLeavesTheListsAndTheGridsAsTheyWere) {
  AddAge(dir_ / "src/x/", 5);
  const auto A = TListKind::kMinimalAges;
  Type(A, 0, 2, "10");
  Type(TListKind::kFilters, 0, 2, "*.b");
  const std::string before = Dump(db_path_);
  Sql(db_path_,
      "CREATE TRIGGER refuse BEFORE INSERT ON vals WHEN NEW.lname = 'logfilter' "
      "BEGIN SELECT RAISE(ABORT, 'refused'); END;");
  EXPECT_FALSE(SaveAll());
  Sql(db_path_, "DROP TRIGGER refuse");
  ASSERT_EQ(dialogs_.errors.size(), 1u);
  EXPECT_NE(dialogs_.errors[0].find("refused"), std::string::npos);
  EXPECT_TRUE(dialogs_.informations.empty());
  EXPECT_EQ(Dump(db_path_), before);
  EXPECT_EQ(Text(A, 0, 2), "10");
  EXPECT_EQ(Text(TListKind::kFilters, 0, 2), "*.b");
}

TEST_F(ConfigGridTest, PopupRowsBrowsingAndColumnWidths) {
  const auto A = TListKind::kMinimalAges;
  TConfigGrid& grid = Grid(A);
  grid.setCurrentIndex(grid.grid_model().index(0, 1));
  QGuiApplication::clipboard()->clear();
  EXPECT_EQ(Popup(grid),
            "&Browse...||-&Undo|Cu&t|&Copy|-&Paste|&Select all||&Insert row|Duplicate &row|"
            "&Delete row||Co&lumns|&Help|");
  dialogs_.chosen = dir_ / "src/";
  grid.Browse();
  Settle(A);
  EXPECT_EQ(dialogs_.choices, std::vector<std::string>{"Select a source folder"});
  EXPECT_EQ(Text(A, 0, 1), dir_ / "src/");
  EXPECT_EQ(grid.grid_model().rowCount(), 2);
  // Select all edits the cell; undo, the clipboard and the popup go to its editor.
  grid.SelectAll();
  QLineEdit* editor = grid.findChild<QLineEdit*>();
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->selectedText().toStdString(), dir_ / "src/");
  QGuiApplication::clipboard()->setText("x/");
  grid.Paste();
  EXPECT_EQ(editor->text().toStdString(), "x/");
  EXPECT_EQ(Text(A, 0, 1), dir_ / "src/");
  EXPECT_EQ(Popup(grid).substr(0, 20), "&Browse...||&Undo|Cu");
  grid.Undo();
  EXPECT_EQ(editor->text().toStdString(), dir_ / "src/");
  emit grid.itemDelegate()->closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
  // On a check box: no browsing here, nothing to select.
  grid.setCurrentIndex(grid.grid_model().index(0, 0));
  EXPECT_EQ(Popup(grid).substr(0, 40), "-&Browse...||-&Undo|Cu&t|&Copy|&Paste|-&");
  grid.DuplicateRow();
  EXPECT_EQ(grid.grid_model().rowCount(), 3);
  grid.DeleteRow();
  grid.DeleteRow();
  EXPECT_EQ(grid.grid_model().rowCount(), 1);

  // Pasted into the empty row at the end: the list is added whole, each
  // cell validated as if typed. Copied
  // back without the hidden column; Cut empties every row but the boxes.
  QGuiApplication::clipboard()->setText("false\t/a/\t5\r\n\t/b/\t6\r\n");
  grid.setCurrentIndex(grid.grid_model().index(0, 0));
  grid.Paste();
  Settle(A);
  EXPECT_EQ(dialogs_.confirmations,
            std::vector<std::string>{
                "/b/ is not a currently accessible minimal age. Use it as minimal age anyway?"});
  EXPECT_EQ(grid.grid_model().rowCount(), 3);
  EXPECT_EQ(Text(A, 0, 0) + Text(A, 1, 0) + Text(A, 1, 1) + Text(A, 1, 2), "falsetrue/b/6");
  grid.setColumnHidden(2, true);
  grid.selectAll();
  grid.Copy();
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(),
            "false\t/a/\r\ntrue\t/b/\r\ntrue\t");
  grid.Cut();
  EXPECT_EQ(grid.grid_model().rowCount(), 1);
  EXPECT_EQ(Text(A, 0, 1), "");
  grid.setColumnHidden(2, false);

  // Hidden through the submenu, stored as 0; a stored width comes back.
  QMenu columns;
  grid.FillColumnsMenu(&columns);
  ASSERT_EQ(columns.actions().size(), 3);
  EXPECT_TRUE(columns.actions()[2]->isChecked());
  columns.actions()[2]->trigger();
  grid.setColumnWidth(1, 123);
  grid.SaveColumnWidths();
  const std::string key = std::string(kBaseKey) + "\\StringGridMinimalAges";
  EXPECT_EQ(ini_->ReadInteger(key, "ColWidth3", -1), 0);
  EXPECT_EQ(ini_->ReadInteger(key, "ColWidth2", -1), 123);
  TConfigGrid again(A, services_, nullptr);
  again.LoadColumnWidths();
  EXPECT_TRUE(again.isColumnHidden(2));
  EXPECT_EQ(again.columnWidth(1), 123);
  QMenu shown;
  again.FillColumnsMenu(&shown);
  EXPECT_FALSE(shown.actions()[2]->isChecked());
  shown.actions()[2]->trigger();
  EXPECT_FALSE(again.isColumnHidden(2));
  EXPECT_GE(again.columnWidth(2), 5);
}

// Each pasted cell is validated as if typed; the first one rejected ends the
// paste's checks, so that a paste shows one error.
TEST_F(ConfigGridTest, PastedCellsAreValidatedUpToTheFirstRejected) {
  const auto A = TListKind::kMinimalAges;
  TConfigGrid& grid = Grid(A);
  QGuiApplication::clipboard()->setText(QString::fromStdString(
      "true\t" + dir_ / "src" + "\tabc\r\ntrue\t" + dir_ / "src/z" + "\t0\r\n"));
  grid.setCurrentIndex(grid.grid_model().index(0, 0));
  grid.Paste();
  Settle(A);
  EXPECT_EQ(dialogs_.errors, std::vector<std::string>{"Minimal age in minutes should be a whole "
                                                      "number from 1 to 35791."});
  EXPECT_EQ(Text(A, 0, 1), dir_ / "src/");
  EXPECT_EQ(Text(A, 1, 1), dir_ / "src/z");
  EXPECT_EQ(grid.currentIndex(), grid.grid_model().index(0, 2));
  EXPECT_EQ(grid.grid_model().rowCount(), 3);
}

// A double click on a path cell browses, starting from the cell, its row's
// other side through the mirrors, or the nearest folder of its column.
TEST_F(ConfigGridTest, DoubleClickBrowsesFromWhereThePathIsLikeliest) {
  MakeTree(dir_.path(), {"fat/z/"});
  const auto M = TListKind::kMappings;
  const std::string rows[][2] = {
      {"", dir_ / "d1/"}, {dir_ / "src/", dir_ / "fat/"}, {dir_ / "src/z/", ""}, {dir_ / "o", ""}};
  for (int row = 0; row < 4; ++row) {
    Type(M, row, 0, "false");
    for (int side = 0; side < 2; ++side) {
      if (!rows[row][side].empty()) Type(M, row, 1 + side, rows[row][side]);
    }
  }
  ASSERT_TRUE(dialogs_.errors.empty());
  const struct {
    TListKind kind;
    int row;
    int column;
    std::string start;
  } kCases[] = {
      {M, 0, 1, dir_ / "src/"},  // the first row looks below
      {M, 2, 2, dir_ / "fat/z/"},
      {M, 3, 2, dir_ / "fat/"},  // the nearest above that names a folder
      {M, 3, 1, dir_ / "o/"},
      {TListKind::kMinimalAges, 0, 1, dir_ / "src/"},
      {TListKind::kFilters, 0, 2, ""},
  };
  for (const auto& c : kCases) {
    TConfigGrid& grid = Grid(c.kind);
    grid.resize(1600, 400);
    grid.show();
    dialogs_.starts.clear();
    DoubleClick(grid, c.row, c.column);
    EXPECT_EQ(dialogs_.starts, std::vector<std::string>{c.start}) << c.row << "," << c.column;
  }
  dialogs_.starts.clear();
  DoubleClick(Grid(M), 0, 4);  // no path: Qt's own double click
  EXPECT_TRUE(dialogs_.starts.empty());
}

// The ink of a cell's text starts 5 pixels (and a glyph's bearing) in from
// its side, and 2 (and the font's leading) below the top.
TEST_F(ConfigGridTest, TextsAreInsetFromTheirSideAndTheTop) {
  const auto A = TListKind::kMinimalAges;
  TConfigGrid& grid = Grid(A);
  grid.grid_model().SetText(0, 1, "W");
  grid.grid_model().SetText(0, 2, "8");  // right-aligned
  grid.verticalHeader()->setDefaultSectionSize(60);
  grid.resize(600, 200);
  grid.show();
  const QImage image = grid.viewport()->grab().toImage();
  const int leading = grid.fontMetrics().ascent() - grid.fontMetrics().capHeight();
  for (const int column : {1, 2}) {
    SCOPED_TRACE(column);
    const QRect cell = grid.visualRect(grid.grid_model().index(0, column));
    QRect ink;
    for (int y = cell.top(); y <= cell.bottom(); ++y) {
      for (int x = cell.left(); x <= cell.right(); ++x) {
        if (qGray(image.pixel(x, y)) < 100) ink |= QRect(x, y, 1, 1);
      }
    }
    ASSERT_FALSE(ink.isEmpty());
    const int inset = column == 1 ? ink.left() - cell.left() : cell.right() - ink.right();
    EXPECT_GE(inset, 5);
    EXPECT_LE(inset, 7);
    EXPECT_GE(ink.top() - cell.top(), 2);
    EXPECT_LE(ink.top() - cell.top(), 2 + leading + 1);
  }
}

// A drive that does not answer: the window goes on, and the error names the path.
TEST_F(ConfigGridTest, AHangingCheckTimesOutWithoutFreezingTheGrid) {
  auto latch = std::make_shared<TLatch>();
  auto hanging = std::make_shared<FaultPlatform>(DefaultPlatform());
  hanging->on_call = [latch](Op, const std::string& path) {
    if (path.starts_with("/hang/")) latch->Wait(std::chrono::seconds(60));
  };
  const std::weak_ptr<FaultPlatform> hanging_gone = hanging;
  {
    TThreadedCellCheck runner(std::chrono::milliseconds(300));
    TGridServices services = services_;
    services.platform = std::move(hanging);
    services.runner = &runner;
    TConfigGrid grid(TListKind::kMinimalAges, services, nullptr);
    ASSERT_TRUE(grid.Load());
    grid.grid_model().setData(grid.grid_model().index(0, 1), "/hang/x", Qt::EditRole);
    QCoreApplication::processEvents();
    EXPECT_TRUE(grid.checking());
    EXPECT_EQ(status_.back(), "Validating Source directory /hang/x Please wait...");
    ASSERT_TRUE(WaitFor([&] { return !grid.checking(); }));
    EXPECT_EQ(dialogs_.errors, std::vector<std::string>{NotAnsweringText("/hang/x")});
    EXPECT_EQ(status_.back(), "");
  }
  // The left-behind check holds the last share of the platform.
  latch->Open();
  EXPECT_TRUE(WaitFor([&] { return hanging_gone.expired(); }));
}

// An exclusion follows its path to the side of the mirrors it lies on, and
// its path follows a new type, against the mappings as now edited.
TEST_F(ConfigGridTest, AFilterKeepsItsPathAndTypeOnTheSameSide) {
  const auto M = TListKind::kMappings;
  const auto F = TListKind::kFilters;
  Type(M, 0, 0, "false");
  Type(M, 0, 1, "/m/src/");
  Type(M, 0, 2, "/m/dst/");
  Type(F, 0, 0, "false");
  const struct {
    int column;
    std::string typed;
    std::string type;
    std::string path;
  } kSteps[] = {
      {1, "excluded source", "excluded source", ""},
      {2, "/m/dst/tmp/", "excluded destination", "/m/dst/tmp/"},
      {1, "excluded source", "excluded source", "/m/src/tmp/"},
      {1, "remove empty destination dir", "remove empty destination dir", "/m/dst/tmp/"},
      {2, "/other/", "remove empty destination dir", "/other/"},
      {1, "excluded destination", "excluded destination", "/other/"},
  };
  for (const auto& step : kSteps) {
    SCOPED_TRACE(step.typed);
    Type(F, 0, step.column, step.typed);
    EXPECT_EQ(Text(F, 0, 1), step.type);
    EXPECT_EQ(Text(F, 0, 2), step.path);
  }
  EXPECT_TRUE(dialogs_.errors.empty() && dialogs_.confirmations.empty());
}

}  // namespace
}  // namespace qv::testing
