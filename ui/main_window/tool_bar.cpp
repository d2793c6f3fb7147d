#include "ui/main_window/tool_bar.h"

#include <QAction>
#include <QProgressBar>
#include <QStyle>
#include <algorithm>

#include "ui/logic/scan_state.h"

namespace qv {

namespace {

// The progress bar counts in int; the scan's counts are 64-bit.
constexpr int64_t kGaugeMax = 1'000'000'000;

}  // namespace

TToolBar::TToolBar(QWidget* parent) : QToolBar("Tools", parent) {
  setObjectName("ToolBar");
  setMovable(false);
  setFloatable(false);
  open_log_ = AddButton("SpeedButtonOpenLog", QStyle::SP_FileDialogDetailedView, "Open last log");
  start_ = AddButton("SpeedButtonStart", QStyle::SP_MediaPlay, kHintStart);
  start_timer_ = AddButton("SpeedButtonStartWaiting", QStyle::SP_BrowserReload, kHintStartTimer);
  stop_ = AddButton("SpeedButtonStop", QStyle::SP_MediaStop, "Stop updating the mirrors");
  view_stats_ = AddButton("SpeedButtonViewStats", QStyle::SP_FileDialogInfoView, "Hide statistics");
  view_log_ = AddButton("SpeedButtonViewLog", QStyle::SP_FileDialogContentsView, "Hide log");
  // Their glyph shows pressed while their part is shown.
  for (QAction* view : {view_stats_, view_log_}) {
    view->setCheckable(true);
    view->setChecked(true);
  }
  // The configuration dialog enables its button.
  config_ = AddButton("SpeedButtonConfig", QStyle::SP_FileDialogListView, "Configuration dialog");
  config_->setEnabled(false);
  help_ = AddButton("SpeedButtonHelp", QStyle::SP_MessageBoxQuestion, "Documentation");
  gauge_ = new QProgressBar(this);
  gauge_->setObjectName("ProgressBar");
  gauge_->setTextVisible(false);
  gauge_->setRange(0, 1);
  gauge_->setValue(0);
  gauge_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  addWidget(gauge_);
}

QAction* TToolBar::AddButton(const char* name, int icon, const char* hint) {
  QAction* action =
      addAction(style()->standardIcon(static_cast<QStyle::StandardPixmap>(icon)), hint);
  action->setObjectName(QString(name) + "Action");
  action->setToolTip(hint);
  widgetForAction(action)->setObjectName(name);
  return action;
}

void TToolBar::ShowState(const TScanStateView& view) {
  start_->setEnabled(view.start_enabled);
  start_timer_->setEnabled(view.start_timer_enabled);
  stop_->setEnabled(view.stop_enabled);
  stop_->setToolTip(QString::fromStdString(view.stop_hint));
}

void TToolBar::SetProgress(int64_t done, int64_t total) {
  // Scaled down when the counts exceed what the bar holds.
  const int64_t maximum = std::max<int64_t>(total, 1);
  const int64_t scale = maximum / kGaugeMax + 1;
  gauge_->setRange(0, static_cast<int>(maximum / scale));
  gauge_->setValue(static_cast<int>(std::clamp<int64_t>(done, 0, maximum) / scale));
}

void TToolBar::ShowLogShown(bool shown) {
  view_log_->setChecked(shown);
  view_log_->setToolTip(shown ? "Hide log" : "Show log");
}

void TToolBar::ShowStatsShown(bool shown) {
  view_stats_->setChecked(shown);
  view_stats_->setToolTip(shown ? "Hide statistics" : "Show statistics");
}

}  // namespace qv
