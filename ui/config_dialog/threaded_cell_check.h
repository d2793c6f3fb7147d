#ifndef QUORVANE_UI_CONFIG_DIALOG_THREADED_CELL_CHECK_H_
#define QUORVANE_UI_CONFIG_DIALOG_THREADED_CELL_CHECK_H_

#include <QObject>
#include <QTimer>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "ui/config_dialog/cell_check_runner.h"
#include "ui/logic/cell_verdict.h"

namespace qv {

class TJobThread;

// Runs cell checks that touch the file system (existence, contents, free
// bytes, ACLs) off the main thread, so a dead mount cannot freeze the window.
//
// done runs on the main thread from the event loop, never inside Run. A
// check replaced by a newer Run before it answered is never answered. A
// check that has not answered within the timeout is answered with an error
// naming the path it checks (NotAnsweringText); its thread is left behind
// (never joined, not even by the destructor, so it cannot block the exit)
// and the next check runs on a fresh one. Because a left-behind check may
// return at any time, a check must own (copies or shares of) everything it
// touches; done is only ever called on this object's behalf and may refer to
// the grid.
//
// Threads: the main thread only.
class TThreadedCellCheck : public QObject, public TCellCheckRunner {
  Q_OBJECT

 public:
  static constexpr std::chrono::milliseconds kDefaultTimeout{5000};

  explicit TThreadedCellCheck(std::chrono::milliseconds timeout = kDefaultTimeout,
                              QObject* parent = nullptr);
  // Returns at once, also while a check hangs.
  ~TThreadedCellCheck() override;

  // Runs check; done gets its verdict, or the timeout's error naming path.
  void Run(std::string path, std::function<TCellVerdict()> check,
           std::function<void(const TCellVerdict&)> done) override;

  // A check waits for its answer.
  bool busy() const { return running_.has_value(); }

 private:
  struct TRunning {
    uint64_t serial = 0;
    std::string path;
    std::function<void(const TCellVerdict&)> done;
  };

  void Answered(uint64_t serial, const TCellVerdict& verdict);
  void TimedOut();
  // Ends the running check with verdict.
  void Finish(const TCellVerdict& verdict);
  // Lets the thread go, left behind when a check still runs on it.
  void DropThread();

  QTimer timeout_;
  std::unique_ptr<TJobThread> thread_;  // null until needed, and after a hang
  std::optional<TRunning> running_;
  uint64_t serial_ = 0;
};

// The error of a check that did not answer in time; path may be empty.
std::string NotAnsweringText(const std::string& path);

}  // namespace qv

#endif  // QUORVANE_UI_CONFIG_DIALOG_THREADED_CELL_CHECK_H_
