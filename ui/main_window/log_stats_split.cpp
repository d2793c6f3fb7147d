#include "ui/main_window/log_stats_split.h"

#include <QAction>
#include <QEvent>
#include <QSplitter>
#include <algorithm>

#include "ui/main_window/tool_bar.h"

namespace qv {

TLogStatsSplit::TLogStatsSplit(QSplitter& splitter, QWidget& panel, QWidget& log, TToolBar& tools,
                               QObject* parent)
    : QObject(parent), splitter_(splitter), panel_(panel), log_(log), tools_(tools) {
  // The user may shrink the panel to the least the log leaves it, whatever
  // its lists and grids would like.
  panel_.setMinimumHeight(kMinPanelHeight);
  // A taller window gives the log the room; the panel keeps its height.
  splitter_.setStretchFactor(splitter_.indexOf(&panel_), 0);
  splitter_.setStretchFactor(splitter_.indexOf(&log_), 1);
  splitter_.installEventFilter(this);
  ShowChecks();
}

void TLogStatsSplit::set_entries(QAction* view_log, QAction* view_stats) {
  view_log_ = view_log;
  view_stats_ = view_stats;
  ShowChecks();
}

bool TLogStatsSplit::log_shown() const {
  if (log_.isHidden()) return false;
  return panel_.isHidden() || panel_.height() >= kMinPanelHeight;
}

bool TLogStatsSplit::stats_shown() const { return !panel_.isHidden(); }

void TLogStatsSplit::SetLogShown(bool shown) {
  Remember();
  if (shown) {
    log_.show();
    ApplyHeight();
  } else {
    log_.hide();
    panel_.show();
  }
  ShowChecks();
}

void TLogStatsSplit::SetStatsShown(bool shown) {
  Remember();
  if (shown) {
    panel_.show();
    ApplyHeight();
  } else {
    panel_.hide();
    log_.show();
  }
  ShowChecks();
}

int TLogStatsSplit::panel_height() const {
  if (!log_.isHidden() && !panel_.isHidden() && splitter_.isVisible()) return panel_.height();
  return remembered_;
}

void TLogStatsSplit::SetPanelHeight(int height) {
  remembered_ = std::max(height, kMinPanelHeight);
  pending_ = !splitter_.isVisible();
  ApplyHeight();
}

bool TLogStatsSplit::eventFilter(QObject* watched, QEvent* event) {
  // After the splitter's own first layout, which would divide it anew.
  if (watched == &splitter_ && event->type() == QEvent::Show && pending_) {
    pending_ = false;
    QMetaObject::invokeMethod(this, &TLogStatsSplit::ApplyHeight, Qt::QueuedConnection);
  }
  return false;
}

void TLogStatsSplit::Remember() {
  // Only a division the user could see is worth keeping.
  if (splitter_.isVisible() && !log_.isHidden() && !panel_.isHidden() &&
      panel_.height() >= kMinPanelHeight) {
    remembered_ = panel_.height();
  }
}

void TLogStatsSplit::ApplyHeight() {
  if (remembered_ < 0 || log_.isHidden() || panel_.isHidden()) return;
  // The log keeps at least what the panel is allowed at least.
  const int room = splitter_.height() - splitter_.handleWidth();
  const int panel =
      std::clamp(remembered_, kMinPanelHeight, std::max(room - kMinPanelHeight, kMinPanelHeight));
  splitter_.setSizes({panel, std::max(room - panel, kMinPanelHeight)});
}

void TLogStatsSplit::ShowChecks() {
  const bool log = log_shown();
  const bool stats = stats_shown();
  tools_.ShowLogShown(log);
  tools_.ShowStatsShown(stats);
  if (view_log_ != nullptr) view_log_->setChecked(log);
  if (view_stats_ != nullptr) view_stats_->setChecked(stats);
}

}  // namespace qv
