#include "ui/config_dialog/grid_delegates.h"

#include <QComboBox>

#include "config/filter.h"
#include "ui/config_dialog/grid_model.h"

namespace qv {

namespace {

bool IsTypeCell(const QModelIndex& index) {
  const auto* model = qobject_cast<const TGridModel*>(index.model());
  return model != nullptr && model->column(index.column()).cell == TCellKind::kFilterType;
}

}  // namespace

QWidget* TGridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                     const QModelIndex& index) const {
  if (!IsTypeCell(index)) return QStyledItemDelegate::createEditor(parent, option, index);
  auto* box = new QComboBox(parent);
  for (int type = 0; type < kFilterTypeCount; ++type) {
    box->addItem(QString::fromUtf8(FilterTypeName(type)));
  }
  return box;
}

void TGridDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
  auto* box = qobject_cast<QComboBox*>(editor);
  if (box == nullptr) return QStyledItemDelegate::setEditorData(editor, index);
  box->setCurrentIndex(box->findText(index.data(Qt::EditRole).toString()));
}

void TGridDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                 const QModelIndex& index) const {
  auto* box = qobject_cast<QComboBox*>(editor);
  if (box == nullptr) return QStyledItemDelegate::setModelData(editor, model, index);
  model->setData(index, box->currentText(), Qt::EditRole);
}

}  // namespace qv
