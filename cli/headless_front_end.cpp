#include "cli/headless_front_end.h"

#include <optional>
#include <utility>

#include "cli/terminal_output.h"
#include "engine/mirror_thread.h"
#include "log/log_buffer.h"

namespace qv {

THeadlessFrontEnd::THeadlessFrontEnd(TLog& log, TTerminalOutput& output, TConsole& console)
    : log_(log), output_(output), prompt_(console, output) {
  TLogCallbacks callbacks;
  callbacks.appended = [this](const std::string& piece) {
    output_.AddPiece(piece, log_.file_name());
  };
  // The log carries the failure's line; the run must not end as a success.
  callbacks.error_box = [this](const std::string&) {
    log_save_failed_ = true;
    uncounted_save_error_ = true;
  };
  log_.set_callbacks(std::move(callbacks));
}

void THeadlessFrontEnd::Attach(TMirrorThread& thread) {
  thread_ = &thread;
  stopping_ = false;
  uncounted_save_error_ = false;
  started_ = std::chrono::steady_clock::now();
  status_.clear();
  std::lock_guard<std::mutex> lock(end_mu_);
  ended_ = false;
}

void THeadlessFrontEnd::AddLogLine(const std::string& text, bool new_line) {
  std::lock_guard<std::mutex> lock(log_mu_);
  log_.AddLine(text, new_line);
}

bool THeadlessFrontEnd::SetLogFileName(const std::string& path) {
  std::lock_guard<std::mutex> lock(log_mu_);
  return log_.SetLogFile(path);
}

bool THeadlessFrontEnd::FlushLog() {
  std::lock_guard<std::mutex> lock(log_mu_);
  const bool saved = log_.SaveLog(false);
  return !std::exchange(uncounted_save_error_, false) && saved;
}

bool THeadlessFrontEnd::PrepareConfirm(const std::string& question, const std::string&,
                                       const std::string&, const std::string&, uint16_t* flags) {
  output_.Pause();
  const std::optional<TConfirmAnswer> answer =
      prompt_.Ask(question, *flags, [this] { return thread_->IsTerminated(); });
  output_.Resume();
  if (!answer) {
    *flags |= kConfirmWaiting;
    return false;
  }
  *flags = FlagsAfterAnswer(*answer, *flags);
  return answer->yes;
}

void THeadlessFrontEnd::ArmWakeUpTimer(int64_t) { thread_->Resume(); }

void THeadlessFrontEnd::ScanEnded() {
  std::lock_guard<std::mutex> lock(end_mu_);
  ended_ = true;
  end_cv_.notify_all();
}

bool THeadlessFrontEnd::WaitForEnd(std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(end_mu_);
  return end_cv_.wait_for(lock, timeout, [this] { return ended_; });
}

void THeadlessFrontEnd::Stop() {
  if (stopping_) {
    output_.Notice("Already terminating");
    return;
  }
  stopping_ = true;
  {
    std::lock_guard<std::mutex> lock(log_mu_);
    log_.AddLine("", true);
    log_.AddLine("Terminating scanner...", true);
    log_.AddLine("", true);
  }
  thread_->Terminate();
}

void THeadlessFrontEnd::ShowProgress() {
  std::string text;
  if (thread_->mailbox().Take(&text)) status_ = std::move(text);
  const TScanProgress& progress = thread_->progress();
  TProgressSample sample;
  sample.done = progress.items_done;
  sample.outside = progress.items_outside;
  sample.total = progress.weighted_total;
  sample.total_known = progress.total_known;
  sample.bytes = progress.bytes_copied;
  sample.seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
  output_.ShowProgress(ProgressText(sample), status_);
}

}  // namespace qv
