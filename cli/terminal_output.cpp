#include "cli/terminal_output.h"

#include <algorithm>
#include <vector>

#include "filesys/console.h"

namespace qv {

namespace {

constexpr char kEllipsis[] = "...";
constexpr size_t kEllipsisWidth = 3;
// Columns assumed when the terminal does not tell its width.
constexpr int kDefaultColumns = 80;
// Back to the start of the line, and erase to its end.
constexpr char kClearLine[] = "\r\x1b[K";

// Byte offsets at which the characters of text begin.
std::vector<size_t> CharacterStarts(const std::string& text) {
  std::vector<size_t> starts;
  for (size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) starts.push_back(i);
  }
  return starts;
}

}  // namespace

size_t DisplayWidth(const std::string& text) {
  // Continuation bytes 10xxxxxx do not start a character.
  return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

std::string FitToWidth(const std::string& text, size_t width) {
  const std::vector<size_t> starts = CharacterStarts(text);
  if (starts.size() <= width) return text;
  if (width <= kEllipsisWidth) return std::string(kEllipsis, width);
  const size_t kept = width - kEllipsisWidth;
  const size_t tail = kept / 2;
  const size_t tail_from = tail == 0 ? text.size() : starts[starts.size() - tail];
  return text.substr(0, starts[kept - tail]) + kEllipsis + text.substr(tail_from);
}

TTerminalOutput::TTerminalOutput(std::ostream& out, std::ostream& err, TConsole& console)
    : out_(out), err_(err), console_(console), progress_wanted_(console.ErrorIsTerminal()) {}

void TTerminalOutput::AddPiece(const std::string& piece) {
  std::lock_guard<std::mutex> lock(mu_);
  if (!piece.starts_with('\n')) {
    open_line_ += piece;
    line_open_ = true;
    return;
  }
  EndOpenLine();
  open_line_ = piece.substr(1);
  line_open_ = true;
}

void TTerminalOutput::ShowProgress(const std::string& counts, const std::string& path) {
  std::lock_guard<std::mutex> lock(mu_);
  if (!progress_wanted_ || paused_) return;
  const int columns = console_.ErrorColumns();
  // The last column stays free: a full line would wrap on some terminals.
  const size_t width = static_cast<size_t>(columns > 0 ? columns : kDefaultColumns) - 1;
  const size_t counts_width = DisplayWidth(counts);
  const std::string line = counts_width >= width ? FitToWidth(counts, width)
                                                 : counts + FitToWidth(path, width - counts_width);
  if (line == shown_) return;
  err_ << kClearLine << line;
  err_.flush();
  shown_ = line;
}

void TTerminalOutput::Notice(const std::string& text) {
  std::lock_guard<std::mutex> lock(mu_);
  ClearProgress();
  err_ << text << '\n';
  err_.flush();
}

void TTerminalOutput::Prompt(const std::string& text) {
  std::lock_guard<std::mutex> lock(mu_);
  err_ << text;
  err_.flush();
}

void TTerminalOutput::Pause() {
  std::lock_guard<std::mutex> lock(mu_);
  ClearProgress();
  paused_ = true;
}

void TTerminalOutput::Resume() {
  std::lock_guard<std::mutex> lock(mu_);
  paused_ = false;
}

void TTerminalOutput::Finish() {
  std::lock_guard<std::mutex> lock(mu_);
  EndOpenLine();
  ClearProgress();
}

void TTerminalOutput::ClearProgress() {
  if (shown_.empty()) return;
  err_ << kClearLine;
  err_.flush();
  shown_.clear();
}

void TTerminalOutput::EndOpenLine() {
  if (!line_open_) return;
  ClearProgress();
  out_ << open_line_ << '\n';
  out_.flush();
  open_line_.clear();
  line_open_ = false;
}

}  // namespace qv
