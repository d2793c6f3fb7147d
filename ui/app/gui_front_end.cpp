#include "ui/app/gui_front_end.h"

#include <utility>

#include "archive/confirm_gate.h"
#include "log/log_buffer.h"

namespace qv {

TGuiFrontEnd::TGuiFrontEnd(TLog& log, TScanEvents events, QObject* parent)
    : QObject(parent), log_(log), events_(std::move(events)), queue_([this] {
        QMetaObject::invokeMethod(
            this, [this] { queue_.RunPending(); }, Qt::QueuedConnection);
      }) {}

void TGuiFrontEnd::AddLogLine(const std::string& text, bool new_line) {
  queue_.Call([&] { log_.AddLine(text, new_line); });
}

bool TGuiFrontEnd::SetLogFileName(const std::string& path) {
  return queue_.Call([&] { return log_.SetLogFile(path); }, true);
}

void TGuiFrontEnd::UpdateCurrentMirrorStats() {
  // Blocking: the window reads the counters while the mirror still runs.
  queue_.Call([&] {
    if (events_.running_stats) events_.running_stats();
  });
}

void TGuiFrontEnd::UpdateMirrorStats(const std::string& path) {
  queue_.Call([&] {
    if (events_.mirror_stats) events_.mirror_stats(path);
  });
}

bool TGuiFrontEnd::FlushLog() {
  return queue_.Call([&] { return log_.SaveLog(false); }, false);
}

bool TGuiFrontEnd::PrepareConfirm(const std::string& question, const std::string& source,
                                  const std::string& destination, const std::string& extra,
                                  uint16_t* flags) {
  const TConfirmQuestion asked{question, source, destination, extra, *flags};
  const bool prepared = queue_.Call(
      [&] {
        if (events_.confirm) events_.confirm(asked);
        return static_cast<bool>(events_.confirm);
      },
      false);
  *flags |= prepared ? kConfirmWaiting : kConfirmTerminate;
  return false;
}

void TGuiFrontEnd::ArmWakeUpTimer(int64_t millis) {
  queue_.Call([&] {
    if (events_.suspended) events_.suspended(millis);
  });
}

void TGuiFrontEnd::ScanEnded() {
  queue_.Post([this] {
    if (events_.ended) events_.ended();
  });
}

}  // namespace qv
