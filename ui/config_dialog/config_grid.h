#ifndef QUORVANE_UI_CONFIG_DIALOG_CONFIG_GRID_H_
#define QUORVANE_UI_CONFIG_DIALOG_CONFIG_GRID_H_

#include <QTableView>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "config/list_save.h"
#include "ui/logic/asked_questions.h"
#include "ui/logic/clipboard_grid.h"
#include "ui/logic/grid_check.h"
#include "ui/logic/mapping_cells.h"

class QLineEdit;
class QMenu;

namespace qv {

class Platform;
class TCellCheckRunner;
class TDialogs;
class TGridModel;
class TQVIniFile;
class TThreadedCellCheck;

// What the grids of one dialog share. asked lives as long as the dialog.
struct TGridServices {
  TQVIniFile& ini;
  // Shared with the checks: one that hangs outlives the grid.
  std::shared_ptr<Platform> platform;
  TDialogs& dialogs;
  TAskedQuestions& asked;
  // The status text ("Validating ..."; "" when done).
  std::function<void(const std::string&)> status;
  // The mappings as the dialog has them now, which the filters' paths and
  // types follow; none: they do not follow.
  std::function<std::vector<TMappingRowPaths>()> mapping_rows;
  // Runs the checks; null: the grid's own, off the window's thread.
  TCellCheckRunner* runner = nullptr;
};

// One configuration list as an editable grid: typed cells validated as they
// are edited, row operations, the popup menu and the stored column widths.
class TConfigGrid : public QTableView {
  Q_OBJECT

 public:
  TConfigGrid(TListKind kind, const TGridServices& services, QWidget* parent);
  ~TConfigGrid() override;

  TGridModel& grid_model() { return *model_; }
  // Reads the list; false when the settings could not be read.
  bool Load();
  // The list as edited, for SaveLists; valid until the next Edit or Load.
  TListEdit Edit();

  void InsertRow();
  void DuplicateRow();
  // A mirror's row only when the user agrees: its destination stays on disk.
  void DeleteRow();
  // Browsing for the current path cell; also on a double click on it.
  void Browse();
  // The clipboard: the selected cells as tab- and line-separated text, or
  // the editor's text while a cell is edited. Pasted cells are validated.
  void Copy();
  void Cut();
  void Paste();
  // Edits the current cell with all its text selected.
  void SelectAll();
  void Undo();
  // Validates the rows in order; done(false) at the first rejected cell,
  // which becomes the current cell.
  void ValidateAll(const TValidationMode& mode, std::function<void(bool)> done);
  // A cell's check waits for its answer.
  bool checking() const { return checking_; }
  // The mappings grid's rows with a destination but skip, for mapping_rows.
  std::vector<TMappingRowPaths> MappingRows(int skip = -1) const;

  void LoadColumnWidths();
  void SaveColumnWidths();
  // The column's width came from the store.
  bool stored_width(int column) const { return stored_widths_.count(column) != 0; }
  // The "Co&lumns" entries: one per column, checked while it is shown.
  void FillColumnsMenu(QMenu* menu);
  // The popup as it opens at the current cell.
  void FillPopup(QMenu* menu);

 signals:
  // The popup's "&Help".
  void helpRequested();

 protected:
  void contextMenuEvent(QContextMenuEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  using TDone = std::function<void(bool)>;

  void OnEdited(int row, int column);
  // Validates the cell as after the user's edit of it.
  void ValidateEdit(int row, int column, TDone done);
  void ValidatePasted(std::vector<TGridPaste> cells, size_t next);
  bool CanBrowse() const;
  // The cell's line editor while one is being edited.
  QLineEdit* Editor() const;
  std::vector<TMappingRowPaths> MappingsNow() const;
  TValidationMode EditMode(int row) const;
  TCellCheck MakeCheck(int row, int column, const TValidationMode& mode) const;
  // What the cell's check asks the file system about.
  std::string CheckedPath(int row, int column) const;
  // A filter's type follows its path to the side of the mirrors it lies on,
  // and its path follows its type.
  void FollowFilterSide(int row, int column);
  void ValidateCell(int row, int column, const TValidationMode& mode, TDone done);
  void Answer(int row, int column, const TValidationMode& mode, const TCellVerdict& verdict,
              TDone done);
  void ValidateRow(int row, const TValidationMode& mode, int column, TDone done);
  void ValidateRows(const TValidationMode& mode, int row, TDone done);
  void Reject(int row, int column, TDone done);
  void AfterEdit();
  int CurrentRow() const;
  void SetCurrentRow(int row);
  bool Enabled(int row) const;
  TGridRect SelectedRect() const;
  std::set<int> HiddenColumns() const;

  TListKind kind_;
  TGridServices services_;
  std::unique_ptr<TThreadedCellCheck> own_runner_;
  TCellCheckRunner& runner_;
  TGridModel* model_;
  TListSnapshot snapshot_;
  std::vector<TListRow> edited_;
  bool checking_ = false;
  std::set<int> stored_widths_;
};

}  // namespace qv

#endif  // QUORVANE_UI_CONFIG_DIALOG_CONFIG_GRID_H_
