#ifndef QUORVANE_UI_CONFIG_DIALOG_GRID_MODEL_H_
#define QUORVANE_UI_CONFIG_DIALOG_GRID_MODEL_H_

#include <QAbstractTableModel>
#include <string>
#include <vector>

#include "ui/logic/grid_columns.h"
#include "ui/logic/grid_rows.h"

namespace qv {

// The rows of a configuration grid as a table: one column per cell of the
// list, booleans as check boxes. An edit by the user is stored as typed and
// reported through Edited; the grid validates it.
class TGridModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  TGridModel(TListKind kind, QObject* parent);

  TListKind kind() const { return rows_.kind(); }
  const TGridRows& rows() const { return rows_; }
  const TGridColumn& column(int column) const { return GridColumns(kind())[column]; }
  std::string Text(int row, int column) const { return rows_.rows()[row].texts[column]; }
  // Changes a cell without reporting it as edited.
  void SetText(int row, int column, const std::string& text);

  void SetRows(std::vector<TGridRow> rows);
  void Insert(int row, int* current);
  void Duplicate(int row, int* current);
  void Delete(int row, int* current);
  void KeepOneEmptyRow(int* current);
  void SetCells(const std::vector<TGridPaste>& cells, int* current);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;

 signals:
  void Edited(int row, int column);

 private:
  bool IsBool(int column) const { return IsBoolCell(this->column(column).cell); }

  TGridRows rows_;
};

}  // namespace qv

#endif  // QUORVANE_UI_CONFIG_DIALOG_GRID_MODEL_H_
