#include "ui/tray/tray_control.h"

#include "ui/logic/scan_state.h"
#include "ui/logic/tray_tip.h"
#include "ui/tray/tray_menu.h"

namespace qv {

TTrayControl::TTrayControl(std::unique_ptr<TTray> tray, const TTrayTimings& timings,
                           std::function<bool()> close_when_done, QObject* parent)
    : QObject(parent),
      tray_(std::move(tray)),
      timings_(timings),
      menu_(std::make_unique<TTrayMenu>(std::move(close_when_done))),
      title_(kProgramTitle),
      tip_(kProgramTitle) {
  tray_->SetMenu(menu_.get());
  tray_->set_on_click([this] { emit viewRequested(); });
  connect(menu_->view(), &QAction::triggered, this, &TTrayControl::viewRequested);
  retry_.setInterval(timings_.retry_ms);
  connect(&retry_, &QTimer::timeout, this, &TTrayControl::Retry);
  tip_refresh_.setInterval(timings_.tip_refresh_ms);
  connect(&tip_refresh_, &QTimer::timeout, this, &TTrayControl::RefreshTip);
}

TTrayControl::~TTrayControl() { tray_->SetMenu(nullptr); }

bool TTrayControl::Add() {
  if (tray_->Add()) {
    retry_.stop();
    RefreshTip();
    return true;
  }
  if (!refused_once_) {
    refused_once_ = true;
    retries_left_ = timings_.retries;
    retry_.start();
    emit refused();
  }
  return false;
}

void TTrayControl::Retry() {
  if (tray_->Add()) {
    retry_.stop();
    RefreshTip();
    emit addedLater();
  } else if (--retries_left_ <= 0) {
    retry_.stop();
  }
}

void TTrayControl::ShowState(const TScanStateView& view, bool scanning) {
  menu_->ShowState(view);
  title_ = view.title;
  scanning_ = scanning;
  RefreshTip();
  UpdateTipTimer();
}

void TTrayControl::SetHidden(bool hidden) {
  hidden_ = hidden;
  RefreshTip();
  UpdateTipTimer();
}

void TTrayControl::UpdateTipTimer() {
  if (hidden_ && scanning_ && progress_) {
    if (!tip_refresh_.isActive()) tip_refresh_.start();
  } else {
    tip_refresh_.stop();
  }
}

void TTrayControl::RefreshTip() {
  std::string tip = TrayTip(title_);
  if (scanning_ && hidden_ && progress_) {
    const TTipProgress now = progress_();
    tip = ScanProgressTip(now.done, now.total, now.suspended);
  }
  tip_ = QString::fromStdString(tip);
  tray_->SetTip(tip_);
}

}  // namespace qv
