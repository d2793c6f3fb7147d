#ifndef QUORVANE_CLI_CLI_APP_H_
#define QUORVANE_CLI_CLI_APP_H_

#include <ostream>
#include <string>
#include <vector>

#include "config/settings_db.h"

namespace qv {

class Platform;
class TConsole;

// Where the tool's services and streams come from; main() passes the real
// ones, tests their own.
struct TCliEnvironment {
  Platform& platform;
  std::ostream& out;
  std::ostream& err;
  // How long a write waits for another process that holds the store.
  int busy_timeout_ms = kDefaultBusyTimeoutMs;
  // The terminal and the stop signals; null for none (no terminal, no
  // signals held back).
  TConsole* console = nullptr;
};

// Runs quorvane-cli with its arguments (the program name excluded) and
// answers the exit status (kExitOk, kExitScanErrors, kExitCannotRun,
// kExitStopped). Help and version go to out; an error is one line on err.
int RunCli(const std::vector<std::string>& args, const TCliEnvironment& environment);

}  // namespace qv

#endif  // QUORVANE_CLI_CLI_APP_H_
