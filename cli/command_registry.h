#ifndef QUORVANE_CLI_COMMAND_REGISTRY_H_
#define QUORVANE_CLI_COMMAND_REGISTRY_H_

#include <string>

#include <CLI/CLI.hpp>

#include "cli/command_context.h"

namespace qv {

// Builds the command tree on a CLI11 app. Every command also takes
// --settings FILE (given before or after the command's name) and falls
// through to the app's --help and --version. Parsing selects the one command
// to run; nothing runs during parsing.
class TCommandRegistry {
 public:
  explicit TCommandRegistry(CLI::App& app);
  TCommandRegistry(const TCommandRegistry&) = delete;
  TCommandRegistry& operator=(const TCommandRegistry&) = delete;

  CLI::App& app() { return app_; }
  // A word that groups commands ("mirror"); one of its commands must follow.
  CLI::App* AddGroup(const std::string& name, const std::string& description);
  // A command below parent (the app or a group). Arguments are bound to
  // storage the command shares with its action.
  CLI::App* AddCommand(CLI::App* parent, const std::string& name, const std::string& description,
                       TCommand action);

  // Valid after a successful parse.
  const std::string& settings_path() const { return settings_path_; }
  const TCommand& selected() const { return selected_; }

 private:
  void AddSettingsOption(CLI::App* command);

  CLI::App& app_;
  std::string settings_path_;
  TCommand selected_;
};

// The groups of commands, one file each.
void AddMirrorCommands(TCommandRegistry& registry);
void AddFilterCommands(TCommandRegistry& registry);
void AddMinimalAgeCommands(TCommandRegistry& registry);
void AddFileMappingCommands(TCommandRegistry& registry);
void AddSettingCommands(TCommandRegistry& registry);
void AddShowCommand(TCommandRegistry& registry);
void AddExportCommand(TCommandRegistry& registry);
void AddScanCommand(TCommandRegistry& registry);
void AddStatsCommand(TCommandRegistry& registry);
void AddStatusCommand(TCommandRegistry& registry);
void AddVersionsCommand(TCommandRegistry& registry);
void AddRestoreCommand(TCommandRegistry& registry);
void AddVerifyCommand(TCommandRegistry& registry);
// The hidden __complete, which the shells' completion scripts call.
void AddCompleteCommand(TCommandRegistry& registry);
void AddHelpCommand(TCommandRegistry& registry);
// "mirror set", below the mirror group.
void AddMirrorSetCommand(TCommandRegistry& registry, CLI::App* group);
// The help of --max-archive-age of mirror add and mirror set.
inline constexpr char kMaxArchiveAgeHelp[] =
    "Remove archive days older than this many days at the end of each scan (0 = keep all)";

}  // namespace qv

#endif  // QUORVANE_CLI_COMMAND_REGISTRY_H_
