#ifndef QUORVANE_CLI_STOP_SIGNAL_SCOPE_H_
#define QUORVANE_CLI_STOP_SIGNAL_SCOPE_H_

#include "filesys/console.h"

namespace qv {

// Holds the stop signals back while a command writes: they become requests
// to stop instead of ending the process half way through a write.
class TStopSignalScope {
 public:
  explicit TStopSignalScope(TConsole& console) : console_(console) { console_.BlockStopSignals(); }
  ~TStopSignalScope() { console_.UnblockStopSignals(); }
  TStopSignalScope(const TStopSignalScope&) = delete;
  TStopSignalScope& operator=(const TStopSignalScope&) = delete;

 private:
  TConsole& console_;
};

}  // namespace qv

#endif  // QUORVANE_CLI_STOP_SIGNAL_SCOPE_H_
