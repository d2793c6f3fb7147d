#include "engine/logger_mirror_thread.h"

#include "engine/front_end.h"
#include "engine/mirror_thread.h"

namespace qv {

void TLoggerMirrorThread::Log(const std::string& text, bool new_line) {
  front_end_.AddLogLine(EscapeControl(text), new_line);
}

void TLoggerMirrorThread::SetStatus(const std::string& text) {
  if (!front_end_.IsMinimised()) thread_.mailbox().Put(EscapeControl(text));
}

bool TLoggerMirrorThread::SetLogFileName(const std::string& path) {
  return front_end_.SetLogFileName(path);
}

void TLoggerMirrorThread::UpdateCurrentMirrorStats() { front_end_.UpdateCurrentMirrorStats(); }

void TLoggerMirrorThread::UpdateMirrorStats(const std::string& path) {
  front_end_.UpdateMirrorStats(path);
}

bool TLoggerMirrorThread::IsTerminated() { return thread_.IsTerminated(); }

bool TLoggerMirrorThread::CheckSuspend() { return thread_.CheckSuspend(); }

bool TLoggerMirrorThread::FlushLog() { return front_end_.FlushLog(); }

}  // namespace qv
