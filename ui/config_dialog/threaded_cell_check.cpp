#include "ui/config_dialog/threaded_cell_check.h"

#include <utility>

#include "ui/logic/job_thread.h"

namespace qv {

TThreadedCellCheck::TThreadedCellCheck(std::chrono::milliseconds timeout, QObject* parent)
    : QObject(parent) {
  timeout_.setSingleShot(true);
  timeout_.setInterval(timeout);
  connect(&timeout_, &QTimer::timeout, this, &TThreadedCellCheck::TimedOut);
}

// The thread goes first: from then on it posts nothing to this object.
TThreadedCellCheck::~TThreadedCellCheck() { thread_.reset(); }

void TThreadedCellCheck::Run(std::string path, std::function<TCellVerdict()> check,
                             std::function<void(const TCellVerdict&)> done) {
  // The replaced check may hang too: rather than wait for it, start afresh.
  if (running_) DropThread();
  running_ = TRunning{++serial_, std::move(path), std::move(done)};
  if (!thread_) thread_ = std::make_unique<TJobThread>();
  auto verdict = std::make_shared<TCellVerdict>();
  thread_->Run({[check = std::move(check), verdict] { *verdict = check(); },
                [this, serial = serial_, verdict](bool left_behind) {
                  if (left_behind) return;
                  QMetaObject::invokeMethod(
                      this, [this, serial, verdict] { Answered(serial, *verdict); },
                      Qt::QueuedConnection);
                }});
  timeout_.start();
}

void TThreadedCellCheck::Answered(uint64_t serial, const TCellVerdict& verdict) {
  // An answer posted just before its check timed out or was replaced.
  if (!running_ || running_->serial != serial) return;
  Finish(verdict);
}

void TThreadedCellCheck::TimedOut() {
  if (!running_) return;
  DropThread();
  Finish(TCellVerdict::Error(NotAnsweringText(running_->path)));
}

void TThreadedCellCheck::Finish(const TCellVerdict& verdict) {
  timeout_.stop();
  // done may start the next check.
  const std::function<void(const TCellVerdict&)> done = std::move(running_->done);
  running_.reset();
  done(verdict);
}

void TThreadedCellCheck::DropThread() {
  if (thread_) thread_->Close();
  thread_.reset();
}

std::string NotAnsweringText(const std::string& path) {
  const std::string what = path.empty() ? "The file system" : InQuotes(path);
  return what +
         " does not answer. The drive may be disconnected or its network unreachable; "
         "check it and try again.";
}

}  // namespace qv
