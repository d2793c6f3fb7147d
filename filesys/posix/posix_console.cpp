// The one file of the headless tool that talks to the system directly: the
// platform layer has no terminal or signal services.

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>

#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "filesys/console.h"

namespace qv {

namespace {

// How long ReadLine waits for input before it asks its stop predicate again.
constexpr int kPollMs = 100;

sigset_t StopSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  return set;
}

// Whether fd is the stream JOURNAL_STREAM names as "device:inode", both
// decimal. A process that inherited the variable but writes elsewhere sees
// another inode and adds no priorities.
bool IsJournalStream(int fd) {
  const char* named = std::getenv("JOURNAL_STREAM");
  if (named == nullptr) return false;
  const char* const end = named + std::strlen(named);
  unsigned long long device = 0;
  unsigned long long inode = 0;
  const auto [colon, device_error] = std::from_chars(named, end, device);
  if (device_error != std::errc() || colon == end || *colon != ':') return false;
  const auto [rest, inode_error] = std::from_chars(colon + 1, end, inode);
  struct stat info {};
  if (inode_error != std::errc() || rest != end || fstat(fd, &info) != 0) return false;
  return info.st_dev == device && info.st_ino == inode;
}

class TPosixConsole : public TConsole {
 public:
  TPosixConsole()
      : output_is_journal_(IsJournalStream(STDOUT_FILENO)),
        error_is_journal_(IsJournalStream(STDERR_FILENO)) {}

  bool InputIsTerminal() override { return isatty(STDIN_FILENO) == 1; }
  bool ErrorIsTerminal() override { return isatty(STDERR_FILENO) == 1; }

  bool OutputIsJournal() override { return output_is_journal_; }
  bool ErrorIsJournal() override { return error_is_journal_; }

  int ErrorColumns() override {
    winsize size{};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) != 0) return 0;
    return size.ws_col;
  }

  std::optional<std::string> ReadLine(const std::function<bool()>& stop) override {
    std::string line;
    while (!stop()) {
      pollfd input{STDIN_FILENO, POLLIN, 0};
      const int ready = poll(&input, 1, kPollMs);
      if (ready < 0 && errno != EINTR) break;
      if (ready <= 0) continue;
      char c = 0;
      const ssize_t got = read(STDIN_FILENO, &c, 1);
      if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
      if (got <= 0) {
        // A last line without its line break still counts.
        if (line.empty()) break;
        return line;
      }
      if (c == '\n') return line;
      line += c;
    }
    return std::nullopt;
  }

  void BlockStopSignals() override {
    const sigset_t stop = StopSignals();
    pthread_sigmask(SIG_BLOCK, &stop, &saved_mask_);
  }

  bool TakeStopSignal() override {
    const sigset_t stop = StopSignals();
    const timespec no_wait{0, 0};
    return sigtimedwait(&stop, nullptr, &no_wait) > 0;
  }

  void UnblockStopSignals() override {
    while (TakeStopSignal()) {
    }
    pthread_sigmask(SIG_SETMASK, &saved_mask_, nullptr);
  }

  void IgnoreBrokenPipe() override {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, nullptr);
  }

 private:
  const bool output_is_journal_;
  const bool error_is_journal_;
  sigset_t saved_mask_{};
};

}  // namespace

std::unique_ptr<TConsole> NewPosixConsole() { return std::make_unique<TPosixConsole>(); }

}  // namespace qv
