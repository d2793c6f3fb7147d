#ifndef QUORVANE_UI_LOGIC_COMMAND_LINE_H_
#define QUORVANE_UI_LOGIC_COMMAND_LINE_H_

#include <optional>
#include <string>
#include <vector>

namespace qv {

class TConfigData;

// What the desktop program's arguments ask for. Numbers are already brought
// into their ranges; an unset field leaves the configuration as it is.
struct TCommandLine {
  bool start_now = false;                    // /START, --start
  bool close_when_done = false;              // /EXIT, --exit
  std::optional<int> min_minutes_to_wait;    // /MINMINUTES=, --min-minutes=
  std::optional<int> wait_minutes;           // /WAIT=, --wait=
  std::optional<int> priority;               // /PRIOR=, --prior=
  std::optional<std::string> settings_path;  // --settings FILE
  // Print this and exit, before any window or settings file is touched.
  bool help = false;     // --help, -h, /?
  bool version = false;  // --version, -V
  // Lines for stderr (ignored and malformed arguments), in argument order.
  std::vector<std::string> warnings;
  // Not empty: the program must not start (say it on stderr, exit status 2).
  std::string error;
};

// Reads the arguments first to last (without the program name, after Qt took
// its own). Option names compare without regard to case; a later option
// overrides an earlier one.
TCommandLine ParseCommandLine(const std::vector<std::string>& args);

// What --help prints: the usage and every option.
std::string CommandLineHelp();

// Applies the options to the effective configuration, which is never saved.
void ApplyCommandLine(const TCommandLine& options, TConfigData* effective);

}  // namespace qv

#endif  // QUORVANE_UI_LOGIC_COMMAND_LINE_H_
