#include "ui/logic/command_line.h"

#include <cstdint>
#include <string_view>

#include "config/config_data.h"
#include "config/config_keys.h"

namespace qv {

namespace {

constexpr std::string_view kPrefix = "quorvane: ";

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

// The text after the option's name when arg starts with it.
std::optional<std::string> ValueOf(const std::string& arg, std::string_view name) {
  if (arg.size() < name.size() ||
      !EqualsNoCase(std::string_view(arg).substr(0, name.size()), name)) {
    return std::nullopt;
  }
  return arg.substr(name.size());
}

std::optional<std::string> ValueOf(const std::string& arg, std::string_view slash,
                                   std::string_view gnu) {
  if (auto value = ValueOf(arg, slash)) return value;
  return ValueOf(arg, gnu);
}

bool IsOption(const std::string& arg, std::string_view slash, std::string_view gnu) {
  return EqualsNoCase(arg, slash) || EqualsNoCase(arg, gnu);
}

// A decimal number with an optional sign; none for anything else. Numbers
// beyond any range of interest saturate, so they stay out of range.
std::optional<int64_t> ParseNumber(std::string_view text) {
  bool negative = !text.empty() && text[0] == '-';
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  constexpr int64_t kSaturated = int64_t{1} << 40;
  int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value >= kSaturated ? kSaturated : value * 10 + (c - '0');
  }
  return negative ? -value : value;
}

int InRange(int64_t value, int low, int high, int otherwise) {
  return value >= low && value <= high ? static_cast<int>(value) : otherwise;
}

void ReadPriority(const std::string& arg, const std::string& value, TCommandLine* options) {
  std::optional<int64_t> number = ParseNumber(value);
  if (!number) {
    options->warnings.push_back(std::string(kPrefix) + "ignoring " + arg +
                                ": the priority is not a number");
    return;
  }
  options->priority = InRange(*number, 0, kPriorityCount - 1, 0);
}

void SetSettingsPath(const std::string& path, TCommandLine* options) {
  if (path.empty()) {
    options->error = std::string(kPrefix) + "--settings needs a file name";
  } else {
    options->settings_path = path;
  }
}

// Reads args[*i] and the value that follows it when it takes one.
void ReadArgument(const std::vector<std::string>& args, size_t* i, TCommandLine* options) {
  const std::string& arg = args[*i];
  if (IsOption(arg, "/START", "--start")) {
    options->start_now = true;
    return;
  }
  if (IsOption(arg, "/EXIT", "--exit")) {
    options->close_when_done = true;
    return;
  }
  if (auto value = ValueOf(arg, "/MINMINUTES=", "--min-minutes=")) {
    // A malformed number keeps the value there is.
    if (auto number = ParseNumber(*value)) {
      options->min_minutes_to_wait = InRange(*number, 0, kMaxMinutes, 0);
    }
    return;
  }
  if (auto value = ValueOf(arg, "/WAIT=", "--wait=")) {
    options->wait_minutes = InRange(ParseNumber(*value).value_or(-2), -1, kMaxMinutes, -1);
    return;
  }
  if (auto value = ValueOf(arg, "/PRIOR=", "--prior=")) {
    ReadPriority(arg, *value, options);
    return;
  }
  if (ValueOf(arg, "/BACKUPREGISTRY=", "--backup-registry=")) {
    options->warnings.push_back(std::string(kPrefix) + "ignoring " + arg +
                                ": there is no registry backup on Linux");
    return;
  }
  if (arg == "--help" || arg == "-h" || arg == "/?") {
    options->help = true;
    return;
  }
  if (arg == "--version" || arg == "-V") {
    options->version = true;
    return;
  }
  if (EqualsNoCase(arg, "--settings")) {
    SetSettingsPath(*i + 1 < args.size() ? args[++*i] : std::string(), options);
    return;
  }
  if (auto value = ValueOf(arg, "--settings=")) {
    SetSettingsPath(*value, options);
    return;
  }
  options->warnings.push_back(std::string(kPrefix) + "ignoring unknown argument " + arg);
}

}  // namespace

TCommandLine ParseCommandLine(const std::vector<std::string>& args) {
  TCommandLine options;
  for (size_t i = 0; i < args.size(); ++i) ReadArgument(args, &i, &options);
  return options;
}

std::string CommandLineHelp() {
  return "Usage: quorvane [OPTIONS]\n"
         "Keeps mirrors of folders up to date from its window or the tray.\n"
         "\n"
         "Options (the /NAME spellings work too; names in any case):\n"
         "  --start, /START              Start a scan at once (after MinMinutesToWait)\n"
         "  --exit, /EXIT                Close the program when the scan is done\n"
         "  --wait=MINUTES, /WAIT=       Minutes between scans for this run; -1 does not "
         "repeat\n"
         "  --min-minutes=MINUTES, /MINMINUTES=\n"
         "                               Minutes the first scan waits after a --start\n"
         "  --prior=LEVEL, /PRIOR=       Scan priority for this run, 0 (system idle) to 6 "
         "(time critical)\n"
         "  --settings FILE              Settings file (default: $QUORVANE_SETTINGS, else\n"
         "                               $XDG_CONFIG_HOME/quorvane/settings.db)\n"
         "  -h, --help                   Print this help and exit\n"
         "  -V, --version                Print the version and exit\n"
         "\n"
         "Options given here are never saved. A second start on the same settings file shows\n"
         "the running window instead.\n";
}

void ApplyCommandLine(const TCommandLine& options, TConfigData* effective) {
  if (options.close_when_done) effective->switches.close_when_done = true;
  if (options.min_minutes_to_wait) effective->SetMinMinutesToWait(*options.min_minutes_to_wait);
  if (options.wait_minutes) effective->SetWaitMinutes(*options.wait_minutes);
  if (options.priority) effective->SetPriority(*options.priority);
}

}  // namespace qv
