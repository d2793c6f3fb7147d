// verify [DESTINATION...] [--data]: reads mirrors back and compares them with
// their sources, changing nothing.

#include <memory>
#include <string>
#include <vector>

#include "cli/command_registry.h"
#include "cli/mirror_paths.h"
#include "cli/terminal_output.h"
#include "cli/user_input.h"
#include "config/mappings.h"
#include "config/qv_ini_file.h"
#include "engine/mirror_verifier.h"
#include "filesys/path_ops.h"
#include "log/logger.h"

namespace qv {

namespace {

// How often the progress line may change.
constexpr int64_t kProgressEveryMs = 200;

struct TVerifyArgs {
  std::vector<std::string> destinations;
  bool data = false;
};

// The mirrors named, in the order typed; every enabled one when none is.
bool ChooseMirrors(TCommandContext& context, const TMappings& mappings, const TVerifyArgs& args,
                   std::vector<int>* chosen) {
  if (args.destinations.empty()) {
    for (int i = 0; i < mappings.Count(); ++i) {
      if (mappings.Enabled(i)) chosen->push_back(i);
    }
    if (chosen->empty()) context.Fail("no mirror is enabled");
    return !chosen->empty();
  }
  for (const std::string& typed : args.destinations) {
    TUserPath destination;
    std::string error;
    if (!ReadPath(context.platform(), typed, TPathKind::kDirectory, "the destination", &destination,
                  &error)) {
      context.Fail(error);
      return false;
    }
    int found = -1;
    for (int i = 0; i < mappings.Count() && found < 0; ++i) {
      if (mappings.Destination(i) == destination.expanded) found = i;
    }
    if (found < 0) {
      context.Fail("no mirror has the destination " + EscapeControl(destination.expanded));
      return false;
    }
    chosen->push_back(found);
  }
  return true;
}

// One mirror under its lock, held shared: a scan cannot start meanwhile.
TVerifyResult VerifyMirror(TCommandContext& context, TQVIniFile& ini, const TMappings& mappings,
                           const TWideStringList<>& overlaps, TMapping& mapping, bool data,
                           TTerminalOutput& output) {
  const std::unique_ptr<DirLock> lock =
      LockForReading(context, mapping.destination(), "differences it makes meanwhile show");
  int differences = 0;
  int64_t shown = 0;
  const TMirrorVerifier::Report report = [&](const TVerifyDifference& difference) {
    ++differences;
    output.AddPiece("\n" + EscapeControl(difference.path + ": " + difference.what));
  };
  const TMirrorVerifier::Progress progress = [&](const std::string& dir) {
    const int64_t now = context.platform().TickMs();
    if (now - shown < kProgressEveryMs) return;
    shown = now;
    output.ShowProgress(std::to_string(differences) + " differences  ", EscapeControl(dir));
  };
  std::string reason;
  TMirrorVerifier verifier(context.platform(), ini, mappings, &overlaps, mapping, data);
  const TVerifyResult result = verifier.Run(report, progress, &reason);
  const std::string mirror = EscapeControl(mapping.source() + " and " + mapping.destination());
  if (result == TVerifyResult::kUnreadable) {
    output.Notice("Could not verify the mirror of " + mirror + ": " + EscapeControl(reason));
  } else {
    output.AddPiece("\n" + std::to_string(differences) +
                    (differences == 1 ? " difference" : " differences") + " between " + mirror +
                    (data ? ", contents compared" : ""));
  }
  return result;
}

int Verify(TCommandContext& context, const TVerifyArgs& args) {
  TQVIniFile* ini = context.ExistingStore();
  if (ini == nullptr) return kExitCannotRun;
  // Loaded as a scan loads them: checked, sources in normal form, and with
  // the nested sources that an outer mirror leaves out.
  TMappings mappings(*ini);
  TWideStringList<> overlaps;
  TLogger discard;
  if (!mappings.Load(discard, &overlaps, true, false)) return context.Fail(ini->FailureText());
  std::vector<int> chosen;
  if (!ChooseMirrors(context, mappings, args, &chosen)) return kExitCannotRun;
  TTerminalOutput output(context.out(), context.err(), context.console());
  bool differs = false;
  bool unreadable = false;
  for (const int i : chosen) {
    switch (
        VerifyMirror(context, *ini, mappings, overlaps, *mappings.Mapping(i), args.data, output)) {
      case TVerifyResult::kSame:
        break;
      case TVerifyResult::kDifferent:
        differs = true;
        break;
      case TVerifyResult::kUnreadable:
        unreadable = true;
        break;
    }
  }
  output.Finish();
  if (unreadable) return kExitCannotRun;
  return differs ? kExitScanErrors : kExitOk;
}

}  // namespace

void AddVerifyCommand(TCommandRegistry& registry) {
  auto args = std::make_shared<TVerifyArgs>();
  CLI::App* command = registry.AddCommand(
      &registry.app(), "verify",
      "Compare mirrors with their sources without changing anything; exit 1 on a difference",
      [args](TCommandContext& context) { return Verify(context, *args); });
  command->add_option("DESTINATION", args->destinations,
                      "Destinations of the mirrors to verify (default: every enabled mirror)");
  command->add_flag("--data", args->data, "Compare the contents of files too (reads every byte)");
  command->footer(
      "Compared as a scan compares: presence, type, size, write time at the mirror's time "
      "resolution, attributes, permission bits where the mirror copies them, and link targets; "
      "filters, minimal ages and file mappings apply. Exit 2 when a mirror cannot be read.");
}

}  // namespace qv
