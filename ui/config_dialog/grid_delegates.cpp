#include "ui/config_dialog/grid_delegates.h"

#include <QApplication>
#include <QComboBox>
#include <QPainter>

#include "config/filter.h"
#include "ui/config_dialog/grid_model.h"

namespace qv {

namespace {

constexpr int kTextInsetX = 5;
constexpr int kTextInsetY = 2;

bool IsTypeCell(const QModelIndex& index) {
  const auto* model = qobject_cast<const TGridModel*>(index.model());
  return model != nullptr && model->column(index.column()).cell == TCellKind::kFilterType;
}

}  // namespace

void TGridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const {
  QStyleOptionViewItem cell = option;
  initStyleOption(&cell, index);
  if (!cell.features.testFlag(QStyleOptionViewItem::HasDisplay)) {
    return QStyledItemDelegate::paint(painter, option, index);
  }
  const QString text = cell.text;
  cell.text.clear();
  const QStyle* style = cell.widget != nullptr ? cell.widget->style() : QApplication::style();
  style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, cell.widget);
  const bool selected = cell.state.testFlag(QStyle::State_Selected);
  const Qt::Alignment side =
      cell.displayAlignment & Qt::AlignRight ? Qt::AlignRight : Qt::AlignLeft;
  painter->save();
  painter->setFont(cell.font);
  painter->setPen(cell.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
  painter->drawText(cell.rect.adjusted(kTextInsetX, kTextInsetY, -kTextInsetX, 0),
                    side | Qt::AlignTop | Qt::TextSingleLine, text);
  painter->restore();
}

QWidget* TGridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                     const QModelIndex& index) const {
  if (!IsTypeCell(index)) return QStyledItemDelegate::createEditor(parent, option, index);
  auto* box = new QComboBox(parent);
  box->setObjectName("ComboBoxFilterType");
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
