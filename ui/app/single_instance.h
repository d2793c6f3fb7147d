#ifndef QUORVANE_UI_APP_SINGLE_INSTANCE_H_
#define QUORVANE_UI_APP_SINGLE_INSTANCE_H_

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <memory>

class QLocalSocket;

namespace qv {

// One running copy of the program per settings file: two copies would scan
// the same mirrors twice. A lock file decides which copy runs; that copy
// listens on a local socket, where a new copy announces itself and is
// answered. Both live in $XDG_RUNTIME_DIR, named after a hash of the
// settings file's canonical path.
class TSingleInstance : public QObject {
  Q_OBJECT

 public:
  // read_limit_ms bounds how long a peer may take to send its message.
  explicit TSingleInstance(const QString& settings_path, int read_limit_ms = 3000,
                           QObject* parent = nullptr);
  ~TSingleInstance() override;

  // True when this copy runs: it holds the lock (a copy killed without
  // cleaning up leaves a lock that counts as free) and listens. Only the
  // holder removes a socket left behind.
  bool Acquire();
  // A new copy: announces itself to the running one and waits at most
  // limit_ms for its answer.
  static bool HandOver(const QString& settings_path, int limit_ms);

  static QString SocketPath(const QString& settings_path);

 signals:
  // Another copy started: show the window and bring it to the front.
  void viewRequested();

 private:
  void Accept();
  void Read(QLocalSocket* socket);

  const QString socket_path_;
  const int read_limit_ms_;
  QLockFile lock_;
  QLocalServer server_;
};

}  // namespace qv

#endif  // QUORVANE_UI_APP_SINGLE_INSTANCE_H_
