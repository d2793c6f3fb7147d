#include "log/console_logger.h"

#include <utility>

namespace qv {

TConsoleLogger::TConsoleLogger(std::ostream& out) : out_(out) {}

TConsoleLogger::~TConsoleLogger() { EndLine(); }

void TConsoleLogger::Log(const std::string& text, bool new_line) {
  std::lock_guard<std::mutex> hold(mu_);
  if (new_line && line_open_) out_ << '\n';
  out_ << EscapeControl(text);
  line_open_ = true;
  // One write per line: the finished line and the start of this one.
  out_.flush();
}

void TConsoleLogger::SetStatus(const std::string& text) {
  std::string escaped = EscapeControl(text);
  std::lock_guard<std::mutex> hold(mu_);
  status_ = std::move(escaped);
}

bool TConsoleLogger::IsTerminated() { return stop_.load(std::memory_order_relaxed); }

bool TConsoleLogger::CheckSuspend() { return !IsTerminated(); }

bool TConsoleLogger::FlushLog() {
  std::lock_guard<std::mutex> hold(mu_);
  return static_cast<bool>(out_.flush());
}

void TConsoleLogger::EndLine() {
  std::lock_guard<std::mutex> hold(mu_);
  if (!line_open_) return;
  out_ << '\n';
  out_.flush();
  line_open_ = false;
}

std::string TConsoleLogger::StatusText() const {
  std::lock_guard<std::mutex> hold(mu_);
  return status_;
}

}  // namespace qv
