#include "ui/config_dialog/grid_model.h"

#include <utility>

#include "filesys/text_format.h"
#include "ui/logic/value_cells.h"

namespace qv {

TGridModel::TGridModel(TListKind kind, QObject* parent)
    : QAbstractTableModel(parent), rows_(kind) {}

void TGridModel::SetText(int row, int column, const std::string& text) {
  rows_.row(row).texts[column] = text;
  emit dataChanged(index(row, column), index(row, column));
}

void TGridModel::SetRows(std::vector<TGridRow> rows) {
  beginResetModel();
  rows_ = TGridRows(kind(), std::move(rows));
  endResetModel();
}

void TGridModel::Insert(int row, int* current) {
  beginResetModel();
  rows_.Insert(row, current);
  endResetModel();
}

void TGridModel::Duplicate(int row, int* current) {
  beginResetModel();
  rows_.Duplicate(row, current);
  endResetModel();
}

void TGridModel::Delete(int row, int* current) {
  beginResetModel();
  rows_.Delete(row, current);
  endResetModel();
}

void TGridModel::KeepOneEmptyRow(int* current) {
  const int before = rows_.size();
  TGridRows after = rows_;
  after.KeepOneEmptyRow(current);
  if (after.size() == before) return;
  beginResetModel();
  rows_ = std::move(after);
  endResetModel();
}

void TGridModel::SetCells(const std::vector<TGridPaste>& cells, int* current) {
  beginResetModel();
  rows_.SetCells(cells, current);
  endResetModel();
}

int TGridModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows_.size();
}

int TGridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(GridColumns(kind()).size());
}

QVariant TGridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const std::string& text = rows_.rows()[index.row()].texts[index.column()];
  if (IsBool(index.column())) {
    if (role == Qt::CheckStateRole) return BoolCellValue(text) ? Qt::Checked : Qt::Unchecked;
    return {};
  }
  if (role == Qt::DisplayRole || role == Qt::EditRole) return QString::fromStdString(text);
  if (role == Qt::TextAlignmentRole && column(index.column()).right_aligned) {
    return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
  }
  return {};
}

QVariant TGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Vertical) return section + 1;
  return QString::fromUtf8(column(section).title);
}

Qt::ItemFlags TGridModel::flags(const QModelIndex& index) const {
  const Qt::ItemFlags flags = QAbstractTableModel::flags(index);
  if (!index.isValid()) return flags;
  return IsBool(index.column()) ? flags | Qt::ItemIsUserCheckable : flags | Qt::ItemIsEditable;
}

bool TGridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid()) return false;
  std::string text;
  if (IsBool(index.column()) && role == Qt::CheckStateRole) {
    text = BoolText(value.toInt() == Qt::Checked);
  } else if (!IsBool(index.column()) && role == Qt::EditRole) {
    text = value.toString().toStdString();
  } else {
    return false;
  }
  SetText(index.row(), index.column(), text);
  emit Edited(index.row(), index.column());
  return true;
}

}  // namespace qv
