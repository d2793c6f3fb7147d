#include "ui/app/unix_signals.h"

#include <QSocketNotifier>
#include <array>
#include <cerrno>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

namespace qv {

namespace {

constexpr std::array<int, 3> kSignals = {SIGTERM, SIGINT, SIGHUP};

// [0] is read by the main thread, [1] written by the handler.
int g_pipe[2] = {-1, -1};
struct sigaction g_previous[kSignals.size()];

void OnSignal(int number) {
  const int saved_errno = errno;
  const unsigned char byte = static_cast<unsigned char>(number);
  // A full pipe already holds a request; nothing is lost by dropping this one.
  (void)!write(g_pipe[1], &byte, 1);
  errno = saved_errno;
}

bool InstallHandlers() {
  struct sigaction action = {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (size_t i = 0; i < kSignals.size(); ++i) {
    if (sigaction(kSignals[i], &action, &g_previous[i]) != 0) return false;
  }
  return true;
}

}  // namespace

TUnixSignals::TUnixSignals(QObject* parent) : QObject(parent) {
  if (pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  if (!InstallHandlers()) return;
  notifier_ = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &TUnixSignals::ReadPipe);
}

TUnixSignals::~TUnixSignals() {
  for (size_t i = 0; i < kSignals.size(); ++i) sigaction(kSignals[i], &g_previous[i], nullptr);
  for (int& fd : g_pipe) {
    if (fd >= 0) close(fd);
    fd = -1;
  }
}

void TUnixSignals::ReadPipe() {
  unsigned char byte = 0;
  while (read(g_pipe[0], &byte, 1) == 1) emit closeRequested(byte);
}

}  // namespace qv
