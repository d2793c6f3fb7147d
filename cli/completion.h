#ifndef QUORVANE_CLI_COMPLETION_H_
#define QUORVANE_CLI_COMPLETION_H_

#include <map>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

namespace qv {

// The values typed so far on the line, by option ("--destination") or by
// positional name ("PATH"); the last one given wins.
using TTypedValues = std::map<std::string, std::string>;

// What only the user's configuration knows. Both answer nothing when it
// cannot be read.
class TCompletionSources {
 public:
  virtual ~TCompletionSources() = default;
  // The destinations of the configured mirrors.
  virtual std::vector<std::string> Destinations(const TTypedValues& typed) = 0;
  // The time slots, as --at takes them, of the mirrors holding typed "PATH"
  // (only the one of typed "--destination" where given; all without either).
  virtual std::vector<std::string> TimeSlots(const TTypedValues& typed) = 0;
};

// What the last of words (the words after the program's name, the last one
// being typed, maybe empty) can become, from the command tree the parser
// uses: commands of the group reached, long options of the command reached,
// and values: a positional whose help is a plain list of words ("a, b or c")
// takes one of them, a configured destination where a command names one
// (not where it adds a mirror, which takes a new folder), a time slot for
// --at. Only candidates starting with the typed word; none where the shell's
// own file names fit. Hidden commands (no help group) are never offered.
std::vector<std::string> CompletionCandidates(const CLI::App& root,
                                              const std::vector<std::string>& words,
                                              TCompletionSources& sources);

}  // namespace qv

#endif  // QUORVANE_CLI_COMPLETION_H_
