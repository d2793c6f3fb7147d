#ifndef QUORVANE_UI_MAIN_WINDOW_LOG_VIEW_H_
#define QUORVANE_UI_MAIN_WINDOW_LOG_VIEW_H_

#include <QPlainTextEdit>
#include <functional>
#include <string>

namespace qv {

class TDialogs;
class TLog;

// The log view: shows the text of the log buffer, read-only, so that what a
// save addresses by its byte count is never edited. Lines are appended
// through a cursor of their own: the user's caret and selection stay where
// they are, and the view follows the end only while it was scrolled there.
class TLogView : public QPlainTextEdit {
  Q_OBJECT

 public:
  TLogView(TLog& log, TDialogs& dialogs, QWidget* parent = nullptr);
  // Also detaches from the log buffer.
  ~TLogView() override;

  // status: the status bar text while a log is saved; log_saved: a last log
  // is known now.
  void set_status_sink(std::function<void(const std::string&)> status) {
    status_ = std::move(status);
  }
  void set_log_saved_sink(std::function<void()> log_saved) { log_saved_ = std::move(log_saved); }
  // While true (the window is minimised) appends do not scroll.
  void set_minimised(bool minimised) { minimised_ = minimised; }

  // The line under the caret and the caret's byte offset in it.
  std::string CaretLine(int* offset) const;
  // The line at position (viewport coordinates) and the byte offset there.
  std::string LineAt(const QPoint& position, int* offset) const;

 private:
  void Append(const std::string& piece);
  void Reload();
  // After AddLine has returned: the box's own event loop must not run while
  // the log buffer is in the middle of a line.
  void ShowErrorLater(const std::string& text);

  TLog& log_;
  TDialogs& dialogs_;
  std::function<void(const std::string&)> status_;
  std::function<void()> log_saved_;
  bool minimised_ = false;
};

}  // namespace qv

#endif  // QUORVANE_UI_MAIN_WINDOW_LOG_VIEW_H_
