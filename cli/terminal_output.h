#ifndef QUORVANE_CLI_TERMINAL_OUTPUT_H_
#define QUORVANE_CLI_TERMINAL_OUTPUT_H_

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

#include "log/logger.h"

namespace qv {

class TConsole;

// Characters of UTF-8 text, as a terminal gives them columns.
size_t DisplayWidth(const std::string& text);

// text cut to at most width characters (UTF-8) by putting "..." in place of
// its middle.
std::string FitToWidth(const std::string& text, size_t width);

// Where a scan stands, as the progress line tells it.
struct TProgressSample {
  int64_t done = 0;          // items listed inside the weighted total
  int64_t outside = 0;       // items listed outside it
  int64_t total = 0;         // the weighted total
  bool total_known = false;  // a previous scan gave the total
  int64_t bytes = 0;         // written so far
  double seconds = 0;        // since the scan started
};

// The front of the progress line: items done of the total with the share
// done while the total holds, otherwise the items listed; the bytes written
// per second; with a total, the time left at the pace so far.
std::string ProgressText(const TProgressSample& sample);

// Where a scan's log lines and its progress line meet the user. Log lines go
// to out whole, one write each, once they are complete: a line stays open
// while a continuation may still follow, until the next line starts or
// Finish. While err is a terminal it carries one progress line, which log
// lines and notices push aside and Finish clears; otherwise err gets only
// notices. Quiet, out gets nothing and err the error lines and notices
// alone, without a progress line: the log files keep the rest. A stream that
// is the journal gets error lines behind "<3>" and warnings behind "<4>".
//
// Threads: any; mu_ keeps the two streams from interleaving.
class TTerminalOutput {
 public:
  TTerminalOutput(std::ostream& out, std::ostream& err, TConsole& console, bool quiet = false);
  TTerminalOutput(const TTerminalOutput&) = delete;
  TTerminalOutput& operator=(const TTerminalOutput&) = delete;

  // A piece as the log buffer appends it: a new line starts with "\n".
  // log_file is where the log is saved as the piece comes; the error lines
  // are counted per file a line started in.
  void AddPiece(const std::string& piece, const std::string& log_file = "");
  // Shows counts followed by path, the path shortened so that the line fits
  // the terminal. Nothing while paused or without a terminal.
  void ShowProgress(const std::string& counts, const std::string& path);
  // A line for the user on err, outside the log, with the journal's
  // priority of kind.
  void Notice(const std::string& text, TLineKind kind = TLineKind::kPlain);
  // Text on err as it stands (a question and its prompt, while paused).
  // A prompt that does not end its line has the line ended before the next
  // log line or notice, or by EndPrompt.
  void Prompt(const std::string& text);
  // The answer to the prompt came; echoed when a terminal showed it with
  // its line break, otherwise the line is ended here.
  void EndPrompt(bool echoed);
  // Clears the progress line and keeps it away until Resume, so that a
  // question can use the terminal.
  void Pause();
  void Resume();
  // Writes the open line and clears the progress line; for the end of the run.
  void Finish();

  // Error lines written out so far, and the log files they went to (in the
  // order of their first error; lines outside any log file count only in
  // error_lines).
  int error_lines() const;
  std::vector<std::string> error_logs() const;

 private:
  void ClearProgress();  // REQUIRES(mu_)
  void EndOpenLine();    // REQUIRES(mu_)
  void EndPromptLine();  // REQUIRES(mu_)
  void CountErrorLine();  // REQUIRES(mu_)

  mutable std::mutex mu_;
  std::ostream& out_;  // GUARDED_BY(mu_)
  std::ostream& err_;  // GUARDED_BY(mu_)
  TConsole& console_;
  const bool quiet_;
  const bool progress_wanted_;  // err is a terminal, and not quiet
  const bool out_journal_;
  const bool err_journal_;
  bool paused_ = false;         // GUARDED_BY(mu_)
  std::string open_line_;       // GUARDED_BY(mu_)
  bool line_open_ = false;      // GUARDED_BY(mu_)
  std::string open_line_log_;   // the log file as the open line began; GUARDED_BY(mu_)
  int error_lines_ = 0;         // GUARDED_BY(mu_)
  std::vector<std::string> error_logs_;  // GUARDED_BY(mu_)
  bool prompt_open_ = false;    // a prompt waits at the end of err's line; GUARDED_BY(mu_)
  std::string shown_;           // the progress line on the terminal; GUARDED_BY(mu_)
};

}  // namespace qv

#endif  // QUORVANE_CLI_TERMINAL_OUTPUT_H_
