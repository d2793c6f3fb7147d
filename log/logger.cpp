#include "log/logger.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace qv {

namespace {

const char* const kWeekdays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                 "Thursday", "Friday", "Saturday"};
const char* const kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                               "July",    "August",   "September", "October", "November", "December"};

std::string TrimSystemText(std::string text) {
  while (!text.empty() && (static_cast<unsigned char>(text.back()) <= ' ' || text.back() == '.')) {
    text.pop_back();
  }
  return text;
}

}  // namespace

std::string SystemMessage(int code) {
  if (code == 0) return "No reason given for this failure.";
  char buffer[256];
  // GNU strerror_r returns the text, which may or may not live in buffer.
  const char* text = strerror_r(code, buffer, sizeof buffer);
  return TrimSystemText(text);
}

std::string EscapeControl(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", byte);
      out += hex;
    } else {
      out += c;
    }
  }
  return out;
}

TLineKind LineKind(const std::string& line) {
  if (line.starts_with("Warning: ")) return TLineKind::kWarning;
  if (line.starts_with("Error: ")) return TLineKind::kError;
  if (!line.starts_with("Error ")) return TLineKind::kPlain;
  const size_t digits = line.find_first_not_of("0123456789", 6);
  const bool coded =
      digits > 6 && digits != std::string::npos && line.compare(digits, 2, ": ") == 0;
  return coded ? TLineKind::kError : TLineKind::kPlain;
}

void TLogger::Log(const std::string&, bool) {}
void TLogger::SetStatus(const std::string&) {}
bool TLogger::SetLogFileName(const std::string&) { return false; }
void TLogger::UpdateCurrentMirrorStats() {}
void TLogger::UpdateMirrorStats(const std::string&) {}
bool TLogger::IsTerminated() { return false; }
bool TLogger::CheckSuspend() { return true; }
bool TLogger::FlushLog() { return true; }

void TLogger::LogDateTime(const TLocalTime& now) {
  const int weekday = (now.weekday % 7 + 7) % 7;
  const int month = (now.month >= 1 && now.month <= 12) ? now.month - 1 : 0;
  LogLine("Date " + std::string(kWeekdays[weekday]) + " " + std::to_string(now.day) + " " +
          kMonths[month] + " " + std::to_string(now.year));
  char time[32];
  std::snprintf(time, sizeof time, "Time %02d:%02d:%02d", now.hour, now.minute, now.second);
  LogLine(time);
}

void TLogger::LogError(const std::string& message) {
  ++error_count_;
  LogLine("Error: " + message);
}

void TLogger::LogSysError(int code, const std::string& message) {
  ++error_count_;
  LogLine("Error " + std::to_string(code) + ": " + message + ". " + SystemMessage(code));
}

void TLogger::LogLastError(const std::string& message) { LogSysError(errno, message); }

void TLogger::LogWarning(const std::string& message) { LogLine("Warning: " + message); }

void TLogger::LogEmpty() { LogLine(""); }

void TLogger::LogStrings(const std::vector<std::string>& lines) {
  for (const auto& line : lines) LogLine(line);
}

void TLogger::SetHeading(const std::string& text) {
  heading_ = text;
  heading_pending_ = true;
}

void TLogger::ClearHeading() {
  heading_pending_ = false;
  heading_.clear();
}

void TLogger::FlushHeading() {
  if (!heading_pending_) return;
  heading_pending_ = false;
  LogEmpty();
  LogLine(heading_);
}

void TLogger::LogUnderHeading(const std::string& line) {
  FlushHeading();
  LogLine(line);
}

}  // namespace qv
