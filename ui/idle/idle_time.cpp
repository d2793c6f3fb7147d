#include "ui/idle/idle_time.h"

#include <QDBusConnection>
#include <QGuiApplication>
#include <algorithm>
#include <cerrno>

#include "ui/idle/idle_time_dbus.h"
#ifdef QUORVANE_HAVE_XSS
#include "ui/idle/idle_time_x11.h"
#endif

namespace qv {

TIdleSources DesktopIdleSources() {
  TIdleSources sources;
  const QDBusConnection bus = QDBusConnection::sessionBus();
  if (bus.isConnected()) {
    sources.push_back(MutterIdleSource(bus));
    sources.push_back(ScreenSaverIdleSource(bus));
  }
#ifdef QUORVANE_HAVE_XSS
  if (QGuiApplication::platformName() == "xcb" && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
    if (auto x11 = X11IdleSource(""); x11 != nullptr) sources.push_back(std::move(x11));
  }
#endif
  return sources;
}

TIdleTime::TIdleTime(Platform& clock, TIdleSources sources, int interval_ms, QObject* parent)
    : QObject(parent), clock_(clock), sources_(std::move(sources)) {
  timer_.setInterval(interval_ms);
  connect(&timer_, &QTimer::timeout, this, &TIdleTime::Sample);
}

void TIdleTime::SetSampling(bool on) {
  if (on == timer_.isActive()) return;
  if (!on) return timer_.stop();
  Sample();
  timer_.start();
}

std::optional<int64_t> TIdleTime::Ask() {
  if (current_ < sources_.size()) {
    if (auto idle = sources_[current_]->IdleMillis()) return idle;
  }
  for (size_t i = 0; i < sources_.size(); ++i) {
    if (i == current_) continue;
    if (auto idle = sources_[i]->IdleMillis()) {
      current_ = i;
      return idle;
    }
  }
  return std::nullopt;
}

void TIdleTime::Sample() {
  const std::optional<int64_t> idle = Ask();
  last_input_tick_ = idle.has_value() ? clock_.TickMs() - std::max<int64_t>(*idle, 0) : kUnknown;
}

std::optional<int64_t> TIdleTime::MillisSinceLastInput() const {
  const int64_t last = last_input_tick_.load();
  if (last == kUnknown) return std::nullopt;
  return std::max<int64_t>(clock_.TickMs() - last, 0);
}

Status TIdlePlatform::MillisSinceLastInput(int64_t* millis) {
  const std::optional<int64_t> idle = idle_.MillisSinceLastInput();
  if (!idle.has_value()) return Status::FromErrno(ENOSYS);
  *millis = *idle;
  return Status::Ok();
}

}  // namespace qv
