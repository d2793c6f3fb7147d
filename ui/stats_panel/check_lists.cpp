#include "ui/stats_panel/check_lists.h"

#include <QScrollBar>
#include <algorithm>

namespace qv {
namespace {

constexpr int kMinimumRows = 3;
constexpr int kMaximumHintWidth = 240;

}  // namespace

void TGreyedCheckDelegate::initStyleOption(QStyleOptionViewItem* option,
                                           const QModelIndex& index) const {
  QStyledItemDelegate::initStyleOption(option, index);
  if (index.data(TCheckList::kGreyedRole).toBool()) {
    option->state &= ~QStyle::State_Enabled;
    option->palette.setCurrentColorGroup(QPalette::Disabled);
  }
}

TCheckList::TCheckList(QWidget* parent) : QListWidget(parent) {
  setItemDelegate(new TGreyedCheckDelegate(this));
  setSelectionMode(QAbstractItemView::NoSelection);
  // A long folder keeps both its ends in sight; the whole is in its tip.
  setTextElideMode(Qt::ElideMiddle);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  // No taller than its entries: the room left goes to a list that grows.
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
  // itemChanged also reports new texts and greying: only a new mark counts.
  connect(this, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
    const bool now = item->checkState() == Qt::Checked;
    if (item->data(kMarkRole).toBool() == now) return;
    item->setData(kMarkRole, now);
    emit toggled(row(item), now);
  });
}

void TCheckList::AddEntry(const QString& text, bool checked) {
  auto* item = new QListWidgetItem(text);
  item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
  item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
  item->setData(kMarkRole, checked);
  addItem(item);     // after setting it up, so that no toggled() reports the start
  updateGeometry();  // the sizes hinted grew
}

bool TCheckList::checked(int row) const {
  const QListWidgetItem* entry = item(row);
  return entry && entry->checkState() == Qt::Checked;
}

void TCheckList::SetChecked(int row, bool checked) {
  if (QListWidgetItem* entry = item(row))
    entry->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

void TCheckList::SetText(int row, const QString& text) {
  if (QListWidgetItem* entry = item(row)) {
    entry->setText(text);
    entry->setToolTip(text);
  }
}

void TCheckList::SetSwatch(int row, const QColor& swatch) {
  if (QListWidgetItem* entry = item(row)) entry->setData(Qt::DecorationRole, swatch);
}

QColor TCheckList::swatch(int row) const {
  const QListWidgetItem* entry = item(row);
  return entry ? entry->data(Qt::DecorationRole).value<QColor>() : QColor();
}

void TCheckList::SetGreyed(int row, bool greyed) {
  if (QListWidgetItem* entry = item(row)) entry->setData(kGreyedRole, greyed);
}

QSize TCheckList::sizeHint() const {
  int height = 2 * frameWidth();
  for (int row = 0; row < count(); ++row) {
    if (!isRowHidden(row)) height += sizeHintForRow(row);
  }
  // As wide as its entries, so that the grids get the room; long folder
  // names scroll.
  const int width =
      sizeHintForColumn(0) + 2 * frameWidth() + verticalScrollBar()->sizeHint().width();
  return {std::min(width, kMaximumHintWidth), height};
}

QSize TCheckList::minimumSizeHint() const {
  // A few entries at least, so that a squeezed list still shows it holds some.
  const int entries = 2 * frameWidth() + kMinimumRows * std::max(0, sizeHintForRow(0));
  return {QListWidget::minimumSizeHint().width(), std::min(sizeHint().height(), entries)};
}

bool TCheckList::greyed(int row) const {
  const QListWidgetItem* entry = item(row);
  return entry && entry->data(kGreyedRole).toBool();
}

}  // namespace qv
