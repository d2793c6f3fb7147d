#include "ui/idle/idle_time_dbus.h"

#include <QDBusMessage>

namespace qv {

std::optional<int64_t> TDbusIdleSource::IdleMillis() {
  const QDBusMessage call = QDBusMessage::createMethodCall(method_.service, method_.path,
                                                           method_.interface, method_.method);
  const QDBusMessage reply = bus_.call(call, QDBus::Block, timeout_ms_);
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
    return std::nullopt;
  }
  bool ok = false;
  // GNOME answers an unsigned 64-bit number, the screen saver a 32-bit one.
  const qulonglong millis = reply.arguments().front().toULongLong(&ok);
  if (!ok || millis > static_cast<qulonglong>(INT64_MAX)) return std::nullopt;
  return static_cast<int64_t>(millis);
}

}  // namespace qv
