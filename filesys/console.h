#ifndef QUORVANE_FILESYS_CONSOLE_H_
#define QUORVANE_FILESYS_CONSOLE_H_

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace qv {

// The terminal and the stop signals of a command-line program, beside the streams
// it writes to. This base is a run without either: no terminal, nothing to
// type, no signal; main() passes the real one (NewPosixConsole), tests pass
// their own.
//
// Threads: ReadLine on one thread at a time; the rest on any.
class TConsole {
 public:
  virtual ~TConsole() = default;

  // Whether standard input and standard error are terminals.
  virtual bool InputIsTerminal() { return false; }
  virtual bool ErrorIsTerminal() { return false; }
  // Whether standard output or standard error is the stream systemd connected
  // to the journal (JOURNAL_STREAM names its device and inode), which reads a
  // priority such as "<3>" at the start of a line.
  virtual bool OutputIsJournal() { return false; }
  virtual bool ErrorIsJournal() { return false; }
  // Width of the terminal on standard error in columns; 0 when unknown.
  virtual int ErrorColumns() { return 0; }
  // One line typed on standard input, without its line break. nullopt at the
  // end of the input, or once stop answers true (asked several times a
  // second while nothing is typed).
  virtual std::optional<std::string> ReadLine(const std::function<bool()>& /*stop*/) {
    return std::nullopt;
  }

  // From BlockStopSignals on, SIGINT and SIGTERM no longer end the process:
  // they are held for the calling thread and for every thread it starts
  // afterwards, until TakeStopSignal takes them. Call it before any other
  // thread runs. UnblockStopSignals drops those still held and restores the
  // earlier handling.
  virtual void BlockStopSignals() {}
  // Whether a stop signal came since the last call; does not wait.
  virtual bool TakeStopSignal() { return false; }
  virtual void UnblockStopSignals() {}

  // From now on a write to a pipe that nobody reads any more fails (EPIPE)
  // instead of ending the process: `quorvane-cli scan | head` ends only the
  // output, while the scan goes on and saves its log files.
  virtual void IgnoreBrokenPipe() {}
};

// The console of a POSIX process: file descriptors 0 and 2, SIGINT, SIGTERM.
std::unique_ptr<TConsole> NewPosixConsole();

}  // namespace qv

#endif  // QUORVANE_FILESYS_CONSOLE_H_
