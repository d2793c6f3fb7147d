#ifndef QUORVANE_UI_CONFIG_DIALOG_GRID_DELEGATES_H_
#define QUORVANE_UI_CONFIG_DIALOG_GRID_DELEGATES_H_

#include <QStyledItemDelegate>

namespace qv {

// The editors of a configuration grid: a combo box of the type names on the
// filter type, a line edit elsewhere. Check boxes are the model's. Texts are
// drawn 5 pixels in from the side they align to and 2 below the top.
class TGridDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override;
  void setEditorData(QWidget* editor, const QModelIndex& index) const override;
  void setModelData(QWidget* editor, QAbstractItemModel* model,
                    const QModelIndex& index) const override;
};

}  // namespace qv

#endif  // QUORVANE_UI_CONFIG_DIALOG_GRID_DELEGATES_H_
