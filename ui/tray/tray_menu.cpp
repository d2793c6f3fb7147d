#include "ui/tray/tray_menu.h"

#include <utility>

#include "ui/logic/scan_state.h"

namespace qv {

namespace {

void ShowItem(QAction* action, const TTrayItemView& view) {
  action->setVisible(view.visible);
  action->setEnabled(view.enabled);
  if (!view.caption.empty()) action->setText(QString::fromStdString(view.caption));
}

}  // namespace

TTrayMenu::TTrayMenu(std::function<bool()> close_when_done, QWidget* parent)
    : QMenu(parent), close_when_done_set_(std::move(close_when_done)) {
  setObjectName("PopupMenuSysTray");
  view_ = Item("MenuSysTrayViewQV", "&View Quorvane");
  setDefaultAction(view_);
  start_ = Item("MenuSysTrayStart", kTrayStartScan);
  stop_ = Item("MenuSysTrayStop", "&Stop scan");
  start_timer_ = Item("MenuSysTrayStartTimer", kTrayStartTimer);
  addSeparator();
  close_ = Item("MenuSysTrayClose", "&Close Quorvane");
  close_when_done_ = Item("MenuSysTrayCloseWhenDone", "Close when &done");
  close_when_done_->setCheckable(true);
  // Choosing any item closes the menu; this one only does that.
  Item("MenuSystrayCloseMenu", "Close menu");
  connect(this, &QMenu::aboutToShow, this,
          [this] { close_when_done_->setChecked(close_when_done_set_()); });
}

QAction* TTrayMenu::Item(const char* name, const char* caption) {
  QAction* action = addAction(caption);
  action->setObjectName(name);
  return action;
}

void TTrayMenu::ShowState(const TScanStateView& view) {
  ShowItem(start_, view.tray_start);
  ShowItem(stop_, view.tray_stop);
  ShowItem(start_timer_, view.tray_start_timer);
}

}  // namespace qv
