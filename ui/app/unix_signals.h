#ifndef QUORVANE_UI_APP_UNIX_SIGNALS_H_
#define QUORVANE_UI_APP_UNIX_SIGNALS_H_

#include <QObject>

class QSocketNotifier;

namespace qv {

// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal on the main thread: the
// handler only writes one byte into a pipe, whose reading end wakes the
// event loop. One instance per process; the previous handlers come back
// when it is destroyed.
class TUnixSignals : public QObject {
  Q_OBJECT

 public:
  explicit TUnixSignals(QObject* parent = nullptr);
  ~TUnixSignals() override;

  // False when the pipe or the handlers could not be set up.
  bool ok() const { return notifier_ != nullptr; }

 signals:
  // The number of the signal that arrived.
  void closeRequested(int signal_number);

 private:
  void ReadPipe();

  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace qv

#endif  // QUORVANE_UI_APP_UNIX_SIGNALS_H_
