#include "ui/config_dialog/config_grid.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <optional>
#include <set>

#include "config/config_keys.h"
#include "config/mappings.h"
#include "config/qv_ini_file.h"
#include "ui/config_dialog/cell_check_runner.h"
#include "ui/config_dialog/grid_delegates.h"
#include "ui/config_dialog/grid_model.h"
#include "ui/config_dialog/threaded_cell_check.h"
#include "ui/dialogs/dialogs.h"
#include "ui/logic/browse_start.h"
#include "ui/logic/config_dlg_rules.h"
#include "ui/logic/filter_cells.h"
#include "ui/logic/value_cells.h"

namespace qv {

namespace {

// A column narrower than this counts as hidden.
constexpr int kShownWidth = 5;

std::string LayoutKey(TListKind kind) { return std::string(kBaseKey) + "\\" + GridLayoutKey(kind); }

// The stored index counts the row titles as column 0.
std::string WidthName(int column) { return "ColWidth" + std::to_string(column + 1); }

const char* BrowseTitle(const TGridColumn& column) {
  if (column.path == &kMappingDestCell) return "Select a destination folder";
  if (column.path == &kFilterCell) return "Select a folder or a file";
  if (column.path == &kSourceHiveCell) return "Select a source registry hive";
  if (column.path == &kActiveHiveCell) return "Select a destination registry hive";
  return "Select a source folder";
}

int ColumnOf(TListKind kind, TCellKind cell) {
  const auto& columns = GridColumns(kind);
  for (size_t i = 0; i < columns.size(); ++i) {
    if (columns[i].cell == cell) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace

TConfigGrid::TConfigGrid(TListKind kind, const TGridServices& services, QWidget* parent)
    : QTableView(parent),
      kind_(kind),
      services_(services),
      own_runner_(services.runner ? nullptr : std::make_unique<TThreadedCellCheck>()),
      runner_(services.runner ? *services.runner : *own_runner_),
      model_(new TGridModel(kind, this)) {
  setModel(model_);
  setItemDelegate(new TGridDelegate(this));
  setSelectionMode(QAbstractItemView::ContiguousSelection);
  // One line of text a row, drawn 2 pixels below the row's top.
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  // Validation may ask questions: never from inside the editor's commit.
  connect(model_, &TGridModel::Edited, this, &TConfigGrid::OnEdited, Qt::QueuedConnection);
}

TConfigGrid::~TConfigGrid() = default;

bool TConfigGrid::Load() {
  const bool read = LoadList(services_.ini, kind_, &snapshot_);
  model_->SetRows(GridRowsOf(snapshot_));
  SetCurrentRow(0);
  return read;
}

TListEdit TConfigGrid::Edit() {
  edited_ = ListRowsOf(kind_, model_->rows().rows());
  return {snapshot_, edited_};
}

void TConfigGrid::InsertRow() {
  int current = CurrentRow();
  model_->Insert(current, &current);
  SetCurrentRow(current);
}

void TConfigGrid::DuplicateRow() {
  int current = CurrentRow();
  model_->Duplicate(current, &current);
  SetCurrentRow(current);
}

void TConfigGrid::DeleteRow() {
  int current = CurrentRow();
  if (kind_ == TListKind::kMappings && !RowIsEmpty(kind_, model_->rows().rows()[current]) &&
      !services_.dialogs.Warn(
          DeleteMappingQuestion(model_->Text(current, DestinationColumn(kind_))))) {
    return;
  }
  model_->Delete(current, &current);
  SetCurrentRow(current);
}

bool TConfigGrid::CanBrowse() const {
  const QModelIndex at = currentIndex();
  return at.isValid() && model_->column(at.column()).path != nullptr;
}

void TConfigGrid::Browse() {
  if (!CanBrowse()) return;
  const QModelIndex at = currentIndex();
  const TGridColumn& column = model_->column(at.column());
  TBrowseCell cell{kind_, at.row(), at.column(), {}};
  for (const TGridRow& row : model_->rows().rows()) cell.rows.push_back(row.texts);
  TMappings mappings(services_.ini);
  // A mirror's empty side is not found through its own row.
  AddMappingRows(services_.ini,
                 kind_ == TListKind::kMappings ? MappingRows(at.row()) : MappingsNow(), &mappings);
  const std::string start = BrowseStart(*services_.platform, mappings, cell);
  const std::string chosen = column.path->want == TPathWant::kDirectory
                                 ? services_.dialogs.ChooseFolder(BrowseTitle(column), start)
                                 : services_.dialogs.ChooseFile(BrowseTitle(column), start);
  if (!chosen.empty()) model_->setData(at, QString::fromStdString(chosen), Qt::EditRole);
}

QLineEdit* TConfigGrid::Editor() const {
  return state() == EditingState ? qobject_cast<QLineEdit*>(indexWidget(currentIndex())) : nullptr;
}

void TConfigGrid::Copy() {
  if (QLineEdit* editor = Editor(); editor != nullptr && editor->hasSelectedText()) {
    return editor->copy();
  }
  const std::string text =
      GridCopyText(SelectedRect(), {}, HiddenColumns(), [this](int row, int column) {
        return row < 0 ? std::string(model_->column(column).title) : model_->Text(row, column);
      });
  QGuiApplication::clipboard()->setText(QString::fromStdString(text));
}

void TConfigGrid::Cut() {
  if (QLineEdit* editor = Editor(); editor != nullptr && editor->hasSelectedText()) {
    return editor->cut();
  }
  Copy();
  const TGridRect rect = SelectedRect();
  std::vector<TGridPaste> cells;
  for (int row = rect.top; row <= rect.bottom; ++row) {
    for (int column = rect.left; column <= rect.right; ++column) {
      const TCellKind cell = model_->column(column).cell;
      if (!IsBoolCell(cell) && cell != TCellKind::kFilterType) cells.push_back({row, column, ""});
    }
  }
  int current = CurrentRow();
  model_->SetCells(cells, &current);
  SetCurrentRow(current);
}

void TConfigGrid::Paste() {
  if (QLineEdit* editor = Editor()) return editor->paste();
  const QModelIndex at = currentIndex();
  const TGridSelection selection{std::max(at.row(), 0), std::max(at.column(), 0), SelectedRect()};
  const std::vector<TGridPaste> cells =
      GridPasteSpread(QGuiApplication::clipboard()->text().toStdString(), selection,
                      model_->rowCount(), model_->columnCount(), {}, HiddenColumns());
  const int column = selection.column;
  int current = selection.row;
  model_->SetCells(cells, &current);
  setCurrentIndex(model_->index(current, column));
  ValidatePasted(cells, 0);
}

// Each cell as if typed, up to the first one rejected: one error a paste.
void TConfigGrid::ValidatePasted(std::vector<TGridPaste> cells, size_t next) {
  if (next >= cells.size()) return AfterEdit();
  const TGridPaste cell = cells[next];
  ValidateEdit(cell.row, cell.column, [this, cells = std::move(cells), next](bool ok) mutable {
    if (!ok) return AfterEdit();
    ValidatePasted(std::move(cells), next + 1);
  });
}

void TConfigGrid::SelectAll() {
  edit(currentIndex());
  if (QLineEdit* editor = Editor()) editor->selectAll();
}

void TConfigGrid::Undo() {
  if (QLineEdit* editor = Editor()) editor->undo();
}

std::set<int> TConfigGrid::HiddenColumns() const {
  std::set<int> hidden;
  for (int column = 0; column < model_->columnCount(); ++column) {
    if (isColumnHidden(column)) hidden.insert(column);
  }
  return hidden;
}

TGridRect TConfigGrid::SelectedRect() const {
  const QModelIndex at = currentIndex();
  TGridRect rect{std::max(at.row(), 0), std::max(at.column(), 0), std::max(at.row(), 0),
                 std::max(at.column(), 0)};
  const QItemSelection selection = selectionModel()->selection();
  if (selection.isEmpty()) return rect;
  const QItemSelectionRange& range = selection.first();
  return {range.top(), range.left(), range.bottom(), range.right()};
}

void TConfigGrid::ValidateAll(const TValidationMode& mode, std::function<void(bool)> done) {
  ValidateRows(mode, 0, std::move(done));
}

void TConfigGrid::LoadColumnWidths() {
  for (int column = 0; column < model_->columnCount(); ++column) {
    const int32_t width = services_.ini.ReadInteger(LayoutKey(kind_), WidthName(column), -1);
    setColumnHidden(column, width == 0);
    if (width > 0) setColumnWidth(column, width);
    if (width >= 0) stored_widths_.insert(column);
  }
}

void TConfigGrid::SaveColumnWidths() {
  for (int column = 0; column < model_->columnCount(); ++column) {
    const int width = isColumnHidden(column) ? 0 : columnWidth(column);
    services_.ini.WriteInteger(LayoutKey(kind_), WidthName(column), width);
  }
}

void TConfigGrid::FillColumnsMenu(QMenu* menu) {
  for (int column = 0; column < model_->columnCount(); ++column) {
    QAction* action = menu->addAction(QString::fromUtf8(model_->column(column).title));
    action->setCheckable(true);
    action->setChecked(!isColumnHidden(column) && columnWidth(column) >= kShownWidth);
    connect(action, &QAction::triggered, this, [this, column](bool show) {
      setColumnHidden(column, !show);
      if (!show) return;
      setColumnWidth(column, kShownWidth);
      resizeColumnToContents(column);
    });
  }
}

void TConfigGrid::FillPopup(QMenu* menu) {
  const QModelIndex at = currentIndex();
  // The mirrors offer browsing on their paths alone; the other lists show
  // it disabled elsewhere.
  if (kind_ != TListKind::kMappings || CanBrowse()) {
    QAction* browse = menu->addAction("&Browse...");
    browse->setEnabled(CanBrowse());
    connect(browse, &QAction::triggered, this, &TConfigGrid::Browse);
    menu->addSeparator();
  }
  QLineEdit* editor = Editor();
  const bool data_cell = at.isValid();
  const TCellKind cell = data_cell ? model_->column(at.column()).cell : TCellKind::kBool;
  const auto add = [this, menu](const char* caption, bool enabled, void (TConfigGrid::*run)()) {
    QAction* action = menu->addAction(caption);
    action->setEnabled(enabled);
    connect(action, &QAction::triggered, this, run);
  };
  add("&Undo", editor != nullptr && editor->isUndoAvailable(), &TConfigGrid::Undo);
  add("Cu&t", data_cell, &TConfigGrid::Cut);
  add("&Copy", data_cell, &TConfigGrid::Copy);
  add("&Paste", data_cell && !QGuiApplication::clipboard()->text().isEmpty(), &TConfigGrid::Paste);
  add("&Select all", data_cell && !IsBoolCell(cell) && cell != TCellKind::kFilterType,
      &TConfigGrid::SelectAll);
  menu->addSeparator();
  connect(menu->addAction("&Insert row"), &QAction::triggered, this, &TConfigGrid::InsertRow);
  connect(menu->addAction("Duplicate &row"), &QAction::triggered, this, &TConfigGrid::DuplicateRow);
  connect(menu->addAction("&Delete row"), &QAction::triggered, this, &TConfigGrid::DeleteRow);
  menu->addSeparator();
  FillColumnsMenu(menu->addMenu("Co&lumns"));
  QAction* help = menu->addAction("&Help");
  help->setShortcut(QKeySequence::HelpContents);
  connect(help, &QAction::triggered, this, &TConfigGrid::helpRequested);
}

void TConfigGrid::contextMenuEvent(QContextMenuEvent* event) {
  QMenu menu(this);
  FillPopup(&menu);
  menu.exec(event->globalPos());
}

void TConfigGrid::mouseDoubleClickEvent(QMouseEvent* event) {
  const QModelIndex at = indexAt(event->position().toPoint());
  if (at.isValid() && at == currentIndex() && CanBrowse()) return Browse();
  QTableView::mouseDoubleClickEvent(event);
}

void TConfigGrid::OnEdited(int row, int column) {
  if (row >= model_->rowCount()) return;
  ValidateEdit(row, column, [this](bool) { AfterEdit(); });
}

void TConfigGrid::ValidateEdit(int row, int column, TDone done) {
  const bool enabled_on = model_->column(column).cell == TCellKind::kEnabled && Enabled(row);
  TDone followed = [this, row, column, done = std::move(done)](bool ok) {
    if (ok) FollowFilterSide(row, column);
    done(ok);
  };
  if (enabled_on) return ValidateRow(row, EditMode(row), 0, std::move(followed));
  ValidateCell(row, column, EditMode(row), std::move(followed));
}

TValidationMode TConfigGrid::EditMode(int row) const {
  TValidationMode mode;
  mode.content_checks = Enabled(row);
  mode.accept_stored = !mode.content_checks;
  return mode;
}

TCellCheck TConfigGrid::MakeCheck(int row, int column, const TValidationMode& mode) const {
  const TGridRow& grid_row = model_->rows().rows()[row];
  TCellCheck check{kind_, column, mode, grid_row.texts, grid_row.loaded, {}, {}, services_.asked};
  const int source = SourceColumn(kind_);
  const int destination = DestinationColumn(kind_);
  if (source < 0) return check;
  for (int above = 0; above < row; ++above) {
    const TGridRow& other = model_->rows().rows()[above];
    if (!RowIsEmpty(kind_, other)) {
      check.rows_above.push_back({other.texts[source], other.texts[destination]});
    }
  }
  if (model_->column(column).cell == TCellKind::kMaxSize && !grid_row.texts[destination].empty()) {
    check.sizes = ReadStoredSizes(services_.ini, grid_row.texts[destination]);
  }
  return check;
}

void TConfigGrid::ValidateCell(int row, int column, const TValidationMode& mode, TDone done) {
  const TCellCheck check = MakeCheck(row, column, mode);
  if (services_.status) {
    services_.status(ValidatingText(model_->column(column).title, check.texts[column]));
  }
  QPointer<TConfigGrid> self(this);
  checking_ = true;
  runner_.Run(
      CheckedPath(row, column),
      [platform = services_.platform, check] { return CheckGridCell(*platform, check); },
      [self, row, column, mode, done](const TCellVerdict& verdict) {
        if (self.isNull()) return;
        self->checking_ = false;
        if (self->services_.status) self->services_.status("");
        // The rows may have changed while the check ran.
        if (row >= self->model_->rowCount()) return;
        self->Answer(row, column, mode, verdict, done);
      });
}

std::string TConfigGrid::CheckedPath(int row, int column) const {
  if (model_->column(column).path != nullptr) return model_->Text(row, column);
  // The other cells that ask the file system ask about the mirror's destination.
  return SourceColumn(kind_) >= 0 ? model_->Text(row, DestinationColumn(kind_)) : "";
}

std::vector<TMappingRowPaths> TConfigGrid::MappingRows(int skip) const {
  std::vector<TMappingRowPaths> paths;
  const int source = SourceColumn(kind_);
  if (source < 0) return paths;
  const int destination = DestinationColumn(kind_);
  const std::vector<TGridRow>& rows = model_->rows().rows();
  for (int row = 0; row < static_cast<int>(rows.size()); ++row) {
    if (row != skip && !rows[row].texts[destination].empty()) {
      paths.push_back({rows[row].texts[source], rows[row].texts[destination]});
    }
  }
  return paths;
}

std::vector<TMappingRowPaths> TConfigGrid::MappingsNow() const {
  return services_.mapping_rows ? services_.mapping_rows() : std::vector<TMappingRowPaths>{};
}

void TConfigGrid::FollowFilterSide(int row, int column) {
  const int type_column = ColumnOf(kind_, TCellKind::kFilterType);
  const int path_column = ColumnOf(kind_, TCellKind::kPath);
  if (type_column < 0 || !services_.mapping_rows) return;
  if (column != type_column && column != path_column) return;
  const std::optional<int> type = FilterTypeNumber(model_->Text(row, type_column));
  const std::string path = model_->Text(row, path_column);
  if (!type || path.empty()) return;
  TMappings mappings(services_.ini);
  AddMappingRows(services_.ini, MappingsNow(), &mappings);
  if (column == type_column) {
    const std::string moved = FilterPathForType(mappings, path, *type);
    if (moved != path) model_->SetText(row, path_column, moved);
    return;
  }
  const int switched = FilterTypeForPath(mappings, path, *type);
  if (switched != *type) model_->SetText(row, type_column, FilterTypeText(switched));
}

void TConfigGrid::Answer(int row, int column, const TValidationMode& mode,
                         const TCellVerdict& verdict, TDone done) {
  TAskedQuestions& asked = services_.asked;
  if (verdict.ok()) {
    asked.EndValidation();
    if (verdict.text != model_->Text(row, column)) model_->SetText(row, column, verdict.text);
    // The file-system default of the write time follows a new destination.
    if (column == DestinationColumn(kind_) && !mode.silent) {
      TValidationMode silent = mode;
      silent.silent = true;
      const int write = model_->columnCount() - 1;
      return ValidateCell(row, write, silent, std::move(done));
    }
    return done(true);
  }
  if (verdict.kind == TVerdictKind::kError) {
    services_.dialogs.Error(verdict.message);
    return Reject(row, column, std::move(done));
  }
  const bool yes = verdict.kind == TVerdictKind::kConfirm
                       ? services_.dialogs.Confirm(verdict.message)
                       : services_.dialogs.Warn(verdict.message);
  if (yes) {
    asked.Accept(verdict);
    return ValidateCell(row, column, mode, std::move(done));
  }
  if (verdict.refused_text) model_->SetText(row, column, *verdict.refused_text);
  Reject(row, column, std::move(done));
}

void TConfigGrid::Reject(int row, int column, TDone done) {
  services_.asked.EndValidation();
  setCurrentIndex(model_->index(row, column));
  done(false);
}

void TConfigGrid::ValidateRow(int row, const TValidationMode& mode, int column, TDone done) {
  if (column == 0 && RowIsEmpty(kind_, model_->rows().rows()[row])) return done(true);
  if (column >= model_->columnCount()) return done(true);
  TValidationMode row_mode = mode;
  row_mode.content_checks = Enabled(row);
  row_mode.accept_stored = mode.accept_stored || !row_mode.content_checks;
  ValidateCell(row, column, row_mode, [this, row, mode, column, done](bool ok) {
    if (!ok) return done(false);
    ValidateRow(row, mode, column + 1, done);
  });
}

void TConfigGrid::ValidateRows(const TValidationMode& mode, int row, TDone done) {
  if (row >= model_->rowCount()) return done(true);
  ValidateRow(row, mode, 0, [this, mode, row, done](bool ok) {
    if (!ok) return done(false);
    ValidateRows(mode, row + 1, done);
  });
}

void TConfigGrid::AfterEdit() {
  const int column = std::max(currentIndex().column(), 0);
  int current = CurrentRow();
  model_->KeepOneEmptyRow(&current);
  setCurrentIndex(model_->index(current, column));
}

int TConfigGrid::CurrentRow() const { return std::max(currentIndex().row(), 0); }

void TConfigGrid::SetCurrentRow(int row) {
  setCurrentIndex(model_->index(row, std::max(currentIndex().column(), 0)));
}

bool TConfigGrid::Enabled(int row) const {
  const int enabled = ColumnOf(kind_, TCellKind::kEnabled);
  return enabled < 0 || BoolCellValue(model_->Text(row, enabled));
}

}  // namespace qv
