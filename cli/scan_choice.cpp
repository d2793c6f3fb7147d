#include "cli/scan_choice.h"

#include <algorithm>

#include "cli/command_context.h"
#include "cli/user_input.h"
#include "config/mappings.h"

namespace qv {

namespace {

// Index of the mirror to destination, or -1.
int FindMirror(const TMappings& mappings, const std::string& destination) {
  for (int i = 0; i < mappings.Count(); ++i) {
    if (mappings.Destination(i) == destination) return i;
  }
  return -1;
}

// Without the window, the commands that make a scan possible are named
// beside the program's own line.
int FailWithoutMirrors(TCommandContext& context, const TMappings& mappings) {
  if (mappings.Count() == 0) {
    context.Fail(kNoMappingsLine);
    return context.Fail("add a mirror first (quorvane-cli mirror add SOURCE DESTINATION)");
  }
  return context.Fail(
      "every mirror is disabled; enable one first (quorvane-cli mirror enable "
      "DESTINATION)");
}

int Choose(TCommandContext& context, const TMappings& mappings,
           const std::vector<std::string>& typed, TScanChoice* choice) {
  for (const std::string& text : typed) {
    TUserPath destination;
    std::string error;
    if (!ReadPath(context.platform(), text, TPathKind::kDirectory, "the destination", &destination,
                  &error)) {
      return context.Fail(error);
    }
    const int i = FindMirror(mappings, destination.expanded);
    if (i < 0) return context.Fail("no mirror has the destination " + destination.expanded);
    if (!mappings.Enabled(i)) {
      return context.Fail("the mirror to " + destination.expanded +
                          " is disabled; enable it first (quorvane-cli mirror enable " +
                          destination.expanded + ")");
    }
    if (std::ranges::find(choice->destinations, destination.expanded) ==
        choice->destinations.end()) {
      choice->destinations.push_back(destination.expanded);
    }
  }
  return kExitOk;
}

}  // namespace

int ChooseMirrors(TCommandContext& context, TQVIniFile& ini, const std::vector<std::string>& typed,
                  TScanChoice* choice) {
  TMappings mappings(ini);
  if (!context.LoadMirrors(&mappings)) return kExitCannotRun;
  int enabled = 0;
  for (int i = 0; i < mappings.Count(); ++i) enabled += mappings.Enabled(i) ? 1 : 0;
  if (enabled == 0) return FailWithoutMirrors(context, mappings);
  const int status = Choose(context, mappings, typed, choice);
  choice->whole =
      choice->destinations.empty() || static_cast<int>(choice->destinations.size()) == enabled;
  return status;
}

}  // namespace qv
