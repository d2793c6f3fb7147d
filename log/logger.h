#ifndef QUORVANE_LOG_LOGGER_H_
#define QUORVANE_LOG_LOGGER_H_

#include <string>
#include <vector>

#include "filesys/local_time.h"

namespace qv {

// The system's text for an error code (errno on POSIX) without trailing blanks
// or full stops; code 0 reads "No reason given for this failure.".
std::string SystemMessage(int code);

// Replaces control characters (below 0x20, and 0x7F) by "\xNN" so that a file
// name can neither forge a log line nor send terminal escapes. Every sink that
// writes lines out applies it.
std::string EscapeControl(const std::string& text);

// What a complete log line reports, by the mark TLogger::LogError,
// LogSysError and LogWarning (and TLog's own error line) put at its start:
// "Error: ", "Error " + code + ": ", "Warning: ". Lines are escaped, so no
// file name can put a mark at the start of a line.
enum class TLineKind { kPlain, kWarning, kError };
TLineKind LineKind(const std::string& line);

// The one sink for all messages. This base discards everything; concrete
// loggers override the virtual operations. Lines carry no time stamp or prefix
// beyond what the caller passes.
//
// Threads: a logger belongs to one thread; ErrorCount() is changed only there.
class TLogger {
 public:
  TLogger() = default;
  TLogger(const TLogger&) = delete;
  TLogger& operator=(const TLogger&) = delete;
  virtual ~TLogger() = default;

  // new_line true starts a new line; false continues the current one.
  virtual void Log(const std::string& text, bool new_line);
  virtual void SetStatus(const std::string& text);
  virtual bool SetLogFileName(const std::string& path);
  virtual void UpdateCurrentMirrorStats();
  virtual void UpdateMirrorStats(const std::string& path);
  virtual bool IsTerminated();
  // True when the caller may carry on; may block while the scan is suspended.
  virtual bool CheckSuspend();
  // Writes the pending lines out; false when they could not be saved.
  virtual bool FlushLog();

  void LogLine(const std::string& text) { Log(text, true); }
  // "Date dddd d mmmm yyyy" and "Time hh:nn:ss".
  void LogDateTime(const TLocalTime& now);
  void LogError(const std::string& message);
  void LogSysError(int code, const std::string& message);
  // As LogSysError with the calling thread's errno.
  void LogLastError(const std::string& message);
  void LogWarning(const std::string& message);
  void LogEmpty();
  void LogStrings(const std::vector<std::string>& lines);

  // A pending heading is written, after an empty line, only before the first
  // line logged under it.
  void SetHeading(const std::string& text);
  void ClearHeading();
  void FlushHeading();
  void LogUnderHeading(const std::string& line);

  int ErrorCount() const { return error_count_; }
  // Counts an error whose line another sink wrote (a log that could not be
  // saved says so itself).
  void CountError() { ++error_count_; }

 private:
  std::string heading_;
  bool heading_pending_ = false;
  int error_count_ = 0;
};

}  // namespace qv

#endif  // QUORVANE_LOG_LOGGER_H_
