#include "cli/terminal_output.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "filesys/console.h"
#include "filesys/text_format.h"

namespace qv {

namespace {

constexpr char kEllipsis[] = "...";
constexpr size_t kEllipsisWidth = 3;
// Columns assumed when the terminal does not tell its width.
constexpr int kDefaultColumns = 80;
// Back to the start of the line, and erase to its end.
constexpr char kClearLine[] = "\r\x1b[K";

// The priority the journal reads at the start of a line of kind.
const char* JournalPrefix(TLineKind kind) {
  switch (kind) {
    case TLineKind::kError:
      return "<3>";
    case TLineKind::kWarning:
      return "<4>";
    case TLineKind::kPlain:
      break;
  }
  return "";
}

// Byte offsets at which the characters of text begin.
std::vector<size_t> CharacterStarts(const std::string& text) {
  std::vector<size_t> starts;
  for (size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) starts.push_back(i);
  }
  return starts;
}

// "45 s", "12 min", "2 h 5 min".
std::string DurationLeftText(int64_t seconds) {
  if (seconds < 60) return std::to_string(seconds) + " s";
  const int64_t minutes = seconds / 60;
  if (minutes < 60) return std::to_string(minutes) + " min";
  return std::to_string(minutes / 60) + " h " + std::to_string(minutes % 60) + " min";
}

}  // namespace

std::string ProgressText(const TProgressSample& sample) {
  const bool within = sample.total_known && sample.done <= sample.total && sample.total > 0;
  std::string text = within ? ThousandsText(sample.done) + " of " + ThousandsText(sample.total) +
                                  " (" + std::to_string(sample.done * 100 / sample.total) + "%)"
                            : ThousandsText(sample.done + sample.outside) + " items";
  if (sample.seconds <= 0) return text + "  ";
  text +=
      "  " + SizeText(std::llround(static_cast<double>(sample.bytes) / sample.seconds), 1) + "/s";
  if (within && sample.done > 0) {
    const double left = sample.seconds * static_cast<double>(sample.total - sample.done) /
                        static_cast<double>(sample.done);
    text += "  " + DurationLeftText(std::llround(left)) + " left";
  }
  return text + "  ";
}

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

TTerminalOutput::TTerminalOutput(std::ostream& out, std::ostream& err, TConsole& console,
                                 bool quiet)
    : out_(out),
      err_(err),
      console_(console),
      quiet_(quiet),
      progress_wanted_(!quiet && console.ErrorIsTerminal()),
      out_journal_(console.OutputIsJournal()),
      err_journal_(console.ErrorIsJournal()) {}

void TTerminalOutput::AddPiece(const std::string& piece, const std::string& log_file) {
  std::lock_guard<std::mutex> lock(mu_);
  if (!piece.starts_with('\n')) {
    open_line_ += piece;
    line_open_ = true;
    return;
  }
  EndOpenLine();
  open_line_ = piece.substr(1);
  open_line_log_ = log_file;
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

void TTerminalOutput::Notice(const std::string& text, TLineKind kind) {
  std::lock_guard<std::mutex> lock(mu_);
  EndPromptLine();
  ClearProgress();
  err_ << (err_journal_ ? JournalPrefix(kind) : "") << text << '\n';
  err_.flush();
}

void TTerminalOutput::Prompt(const std::string& text) {
  std::lock_guard<std::mutex> lock(mu_);
  err_ << text;
  err_.flush();
  if (!text.empty()) prompt_open_ = !text.ends_with('\n');
}

void TTerminalOutput::EndPrompt(bool echoed) {
  std::lock_guard<std::mutex> lock(mu_);
  if (echoed) prompt_open_ = false;
  EndPromptLine();
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

int TTerminalOutput::error_lines() const {
  std::lock_guard<std::mutex> lock(mu_);
  return error_lines_;
}

std::vector<std::string> TTerminalOutput::error_logs() const {
  std::lock_guard<std::mutex> lock(mu_);
  return error_logs_;
}

void TTerminalOutput::ClearProgress() {
  if (shown_.empty()) return;
  err_ << kClearLine;
  err_.flush();
  shown_.clear();
}

void TTerminalOutput::EndPromptLine() {
  if (!prompt_open_) return;
  err_ << '\n';
  err_.flush();
  prompt_open_ = false;
}

void TTerminalOutput::CountErrorLine() {
  ++error_lines_;
  if (!open_line_log_.empty() &&
      std::ranges::find(error_logs_, open_line_log_) == error_logs_.end()) {
    error_logs_.push_back(open_line_log_);
  }
}

void TTerminalOutput::EndOpenLine() {
  if (!line_open_) return;
  EndPromptLine();
  ClearProgress();
  const TLineKind kind = LineKind(open_line_);
  if (kind == TLineKind::kError) CountErrorLine();
  const bool shown = !quiet_ || kind == TLineKind::kError;
  std::ostream& stream = quiet_ ? err_ : out_;
  const bool journal = quiet_ ? err_journal_ : out_journal_;
  if (shown) {
    stream << (journal ? JournalPrefix(kind) : "") << open_line_ << '\n';
    stream.flush();
  }
  open_line_.clear();
  line_open_ = false;
}

}  // namespace qv
