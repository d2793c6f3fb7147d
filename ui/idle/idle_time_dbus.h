#ifndef QUORVANE_UI_IDLE_IDLE_TIME_DBUS_H_
#define QUORVANE_UI_IDLE_IDLE_TIME_DBUS_H_

#include <QDBusConnection>
#include <QString>
#include <memory>

#include "ui/idle/idle_source.h"

namespace qv {

// A method without arguments that answers the idle time in milliseconds.
struct TDbusIdleMethod {
  QString service;
  QString path;
  QString interface;
  QString method;
};

// GNOME's idle monitor (GetIdletime).
inline const TDbusIdleMethod kMutterIdle{"org.gnome.Mutter.IdleMonitor",
                                         "/org/gnome/Mutter/IdleMonitor/Core",
                                         "org.gnome.Mutter.IdleMonitor", "GetIdletime"};
// The freedesktop screen saver (GetSessionIdleTime), offered by KDE.
inline const TDbusIdleMethod kScreenSaverIdle{"org.freedesktop.ScreenSaver",
                                              "/org/freedesktop/ScreenSaver",
                                              "org.freedesktop.ScreenSaver", "GetSessionIdleTime"};

// Asks the method on bus; a missing service, an error or no answer within
// timeout_ms is no answer. The main thread waits for the reply, so the
// timeout stays short.
class TDbusIdleSource : public TIdleSource {
 public:
  TDbusIdleSource(QDBusConnection bus, TDbusIdleMethod method, int timeout_ms = 250)
      : bus_(std::move(bus)), method_(std::move(method)), timeout_ms_(timeout_ms) {}
  std::optional<int64_t> IdleMillis() override;

 private:
  QDBusConnection bus_;
  const TDbusIdleMethod method_;
  const int timeout_ms_;
};

inline std::unique_ptr<TIdleSource> MutterIdleSource(const QDBusConnection& bus) {
  return std::make_unique<TDbusIdleSource>(bus, kMutterIdle);
}
inline std::unique_ptr<TIdleSource> ScreenSaverIdleSource(const QDBusConnection& bus) {
  return std::make_unique<TDbusIdleSource>(bus, kScreenSaverIdle);
}

}  // namespace qv

#endif  // QUORVANE_UI_IDLE_IDLE_TIME_DBUS_H_
