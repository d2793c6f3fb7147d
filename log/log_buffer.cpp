#include "log/log_buffer.h"

#include <algorithm>
#include <vector>

#include "config/config_keys.h"
#include "config/qv_ini_file.h"
#include "filesys/platform.h"
#include "log/log_dir.h"
#include "log/logger.h"

namespace qv {

namespace {

constexpr char kLastLogValue[] = "LastLog";

// One call adds at most one line break: line feeds go, carriage returns
// become blanks, other control characters are escaped.
std::string CleanLine(const std::string& text) {
  std::string line;
  line.reserve(text.size());
  for (char c : text) {
    if (c != '\n') line += c == '\r' ? ' ' : c;
  }
  return EscapeControl(line);
}

std::string ErrorLine(int code, const std::string& message) {
  const char last = message.empty() ? '\0' : message.back();
  const char* separator = message.empty() || last == '.' || last == '?' || last == ')' ? " " : ". ";
  return "Error " + std::to_string(code) + ": " + message + separator + SystemMessage(code);
}

}  // namespace

TLog::TLog(Platform& platform, TQVIniFile& ini)
    : platform_(platform), ini_(ini), last_log_(ini.ReadString(kBaseKey, kLastLogValue)) {}

void TLog::AddLine(const std::string& text, bool new_line) {
  if (line_count_ >= overflow_at_) SaveLog(true);
  Append(text, new_line);
}

void TLog::LogErrorLine(int code, const std::string& message) {
  AddLine(ErrorLine(code, message), true);
}

void TLog::ClearLog() { DropFront(text_.size()); }

bool TLog::SetLogFile(const std::string& name) {
  if (name != file_name_ || held_ == nullptr) {
    held_.reset();
    const auto [anchor, relative] = SplitLogFilePath(name);
    held_relative_ = relative;
    hold_status_ = name.empty() ? Status::Ok() : platform_.HoldDir(anchor, &held_);
  }
  file_name_ = name;
  return true;
}

bool TLog::SaveLog(bool clear) {
  if (file_name_.empty()) {
    if (clear && line_count_ >= kMaxLines) DropFront(text_.size());
    return true;
  }
  ShowStatus("Writing log to " + file_name_);
  bool created = false;
  const Status status =
      held_ == nullptr
          ? hold_status_
          : platform_.AppendPrivateFile(*held_, held_relative_, text_.substr(saved_), &created);
  if (status.ok()) saved_ = text_.size();
  if (clear) DropFront(saved_);
  if (status.ok()) {
    Saved(created);
  } else {
    SaveFailed(status);
  }
  ShowStatus("");
  return status.ok();
}

std::string TLog::FindLastLog(const std::string& destination_dir) {
  const std::string dir = LogDirOf(destination_dir);
  ShowStatus(dir);
  std::vector<DirEntry> entries;
  const Status status = platform_.ListDir(dir, &entries);
  std::string newest;
  if (status.ok()) {
    for (const DirEntry& entry : entries) {
      if (!entry.info.IsDirectory()) newest = std::max(newest, entry.name);
    }
  }
  ShowStatus("");
  if (!status.ok()) LogErrorLine(status.code(), "Could not get directory listing of " + dir);
  return newest.empty() ? std::string() : dir + newest;
}

void TLog::Append(const std::string& text, bool new_line) {
  std::string piece = CleanLine(text);
  if (new_line) {
    piece.insert(0, 1, '\n');
    ++line_count_;
  }
  text_ += piece;
  if (callbacks_.appended) callbacks_.appended(piece);
}

void TLog::DropFront(size_t count) {
  text_.erase(0, count);
  saved_ = saved_ > count ? saved_ - count : 0;
  line_count_ = static_cast<int>(std::count(text_.begin(), text_.end(), '\n'));
  overflow_at_ = line_count_ + kMaxLines;
  if (count > 0 && callbacks_.reset) callbacks_.reset();
}

void TLog::Saved(bool created) {
  failed_file_.clear();
  last_log_ = file_name_;
  last_log_stored_ = false;
  if (!defer_last_log_) StoreLastLog();
  if (callbacks_.log_saved) callbacks_.log_saved();
  Append((created ? "Log written to " : "Log appended to ") + file_name_, true);
}

void TLog::StoreLastLog() {
  defer_last_log_ = false;
  if (last_log_stored_) return;
  last_log_stored_ = true;
  (void)ini_.WriteString(kBaseKey, kLastLogValue, last_log_);
}

void TLog::SaveFailed(const Status& status) {
  if (failed_file_ == file_name_) return;
  failed_file_ = file_name_;
  if (callbacks_.error_box) {
    callbacks_.error_box(SystemMessage(status.code()) + " (" + file_name_ + ")");
  }
  // Not through AddLine: a buffer kept after a failed overflow save would
  // save again from within.
  Append(ErrorLine(status.code(), "Failed to save log file " + file_name_), true);
}

void TLog::ShowStatus(const std::string& text) {
  if (callbacks_.status) callbacks_.status(text);
}

}  // namespace qv
