#ifndef QUORVANE_LOG_LOG_BUFFER_H_
#define QUORVANE_LOG_LOG_BUFFER_H_

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "filesys/platform.h"
#include "filesys/status.h"

namespace qv {

class TQVIniFile;

// What a front end attaches to the log buffer. Any member may be empty.
struct TLogCallbacks {
  // Status text while a log is saved or searched; "" clears it.
  std::function<void(const std::string& text)> status;
  // piece was appended at the end of the text; a new line starts with "\n".
  std::function<void(const std::string& piece)> appended;
  // The text changed other than by appending (emptied, or saved text dropped
  // from its front): a view shows text() afresh.
  std::function<void()> reset;
  // A log file was saved; the command that opens the last log may be enabled.
  std::function<void()> log_saved;
  // A failure to show in an error box (caption "Error " + the program title).
  std::function<void(const std::string& text)> error_box;
};

// The text of the log view and its saving into log files, without drawing:
// the GUI shows it in a widget, the headless tool drives it directly. Text is
// kept as the bytes it comes in (no code page conversion); each added line is
// escaped, so a file name can never forge a line. A new line starts with its
// "\n", so the first line of an empty buffer follows an empty one.
//
// Once the buffer holds kMaxLines lines the next line first saves the text
// into the current log file and empties the buffer. Text that could not be
// written stays in the buffer until a save succeeds: a failed save drops only
// text that was saved before, and its error is reported once per file.
//
// Threads: not thread-safe; one thread drives it (the GUI's main thread).
class TLog {
 public:
  static constexpr int kMaxLines = 1000;

  // Reads the last log file from the settings ("LastLog").
  TLog(Platform& platform, TQVIniFile& ini);
  TLog(const TLog&) = delete;
  TLog& operator=(const TLog&) = delete;

  void set_callbacks(TLogCallbacks callbacks) { callbacks_ = std::move(callbacks); }

  // Adds text, with every "\n" deleted and every "\r" made a blank; new_line
  // false continues the last line.
  void AddLine(const std::string& text, bool new_line);
  // The buffer's own error line (it counts no errors): "Error " + code + ": "
  // + message + separator + the system text, where the separator is a blank
  // after a message ending with ".", "?" or ")" and ". " otherwise.
  void LogErrorLine(int code, const std::string& message);
  // Empties the buffer; the log file name stays.
  void ClearLog();

  // Where the next saves go. Always true. A file in an archive's log
  // directory is reached from its destination directory, opened now (while
  // the mirror keeps links out of its roots) and held: a save never passes
  // a symbolic link below it, so an archive or log folder swapped for one
  // fails the save instead of leading it elsewhere.
  bool SetLogFile(const std::string& name);
  // Appends the text not yet saved to the log file (creating it), then adds
  // "Log written to " / "Log appended to " + file name as a new line, which
  // the next save writes. clear empties the buffer afterwards; after a failed
  // save only the text saved earlier is dropped. Without a file name nothing
  // is written, and clear empties a buffer of kMaxLines lines or more.
  // False when the file could not be written.
  bool SaveLog(bool clear);
  // From here until StoreLastLog a save keeps the last log's name in memory
  // only: a scan stores it once, with its end, as each commit of the store
  // waits for the disk.
  void DeferLastLog() { defer_last_log_ = true; }
  // Stores the name of the log saved last unless it is stored already; later
  // saves store theirs at once again. A refusal is kept by the store.
  void StoreLastLog();
  // The newest log file of the archive of destination_dir (ends with "/"),
  // or "" when there is none.
  std::string FindLastLog(const std::string& destination_dir);

  const std::string& text() const { return text_; }
  // Lines started in the buffer: the number of "\n" in text().
  int line_count() const { return line_count_; }
  // Bytes at the start of text() already written to a log file.
  size_t saved_count() const { return saved_; }
  const std::string& file_name() const { return file_name_; }
  // The log file saved most recently, in this or an earlier run.
  const std::string& last_log() const { return last_log_; }

 private:
  // Adds a line without the overflow check.
  void Append(const std::string& text, bool new_line);
  // Drops the first count bytes (saved ones, or all).
  void DropFront(size_t count);
  void Saved(bool created);
  void SaveFailed(const Status& status);
  void ShowStatus(const std::string& text);

  Platform& platform_;
  TQVIniFile& ini_;
  TLogCallbacks callbacks_;
  std::string text_;
  int line_count_ = 0;
  // The line count at which AddLine saves. After an overflow save failed it
  // lies kMaxLines further on, so a failing file is not retried every line.
  int overflow_at_ = kMaxLines;
  size_t saved_ = 0;
  std::string file_name_;
  // The directory the file is reached from and the path below it; held_
  // is null when it could not be opened (why: hold_status_).
  std::unique_ptr<HeldDir> held_;
  std::string held_relative_;
  Status hold_status_;
  std::string last_log_;
  bool defer_last_log_ = false;
  bool last_log_stored_ = true;
  // The file whose save failure was reported; "" after a successful save.
  std::string failed_file_;
};

}  // namespace qv

#endif  // QUORVANE_LOG_LOG_BUFFER_H_
