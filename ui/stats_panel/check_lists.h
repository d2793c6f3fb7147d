#ifndef QUORVANE_UI_STATS_PANEL_CHECK_LISTS_H_
#define QUORVANE_UI_STATS_PANEL_CHECK_LISTS_H_

#include <QColor>
#include <QListWidget>
#include <QStyledItemDelegate>

namespace qv {

// Draws a check list's entry; an entry marked greyed (TCheckList::kGreyedRole)
// gets a greyed check box and text, yet stays checkable: a disabled mirror
// can still be shown or hidden.
class TGreyedCheckDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  // Public, so that what an entry looks like can be asked.
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

// One check list of the statistics panel's control column: the grids, the
// legends (each entry with its series' colour) or the mirrors. Entries are
// addressed by their row; toggled() reports a change of a check mark, made
// by the user or by SetChecked.
//
// Threads: the main thread.
class TCheckList : public QListWidget {
  Q_OBJECT

 public:
  enum Role : int {
    kGreyedRole = Qt::UserRole + 1,
    kMarkRole,  // the mark last reported
  };

  explicit TCheckList(QWidget* parent = nullptr);

  void AddEntry(const QString& text, bool checked);
  // A valid swatch is drawn in front of the entry's text.
  void SetSwatch(int row, const QColor& swatch);
  QColor swatch(int row) const;
  bool checked(int row) const;
  void SetChecked(int row, bool checked);
  void SetText(int row, const QString& text);
  void SetGreyed(int row, bool greyed);
  bool greyed(int row) const;

  // As high as its shown entries; a shorter list scrolls.
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 signals:
  void toggled(int row, bool checked);
};

}  // namespace qv

#endif  // QUORVANE_UI_STATS_PANEL_CHECK_LISTS_H_
