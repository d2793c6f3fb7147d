#include "cli/cli_app.h"

#include <CLI/CLI.hpp>

#include "cli/command_context.h"
#include "cli/command_names.h"
#include "cli/command_registry.h"
#include "config/settings_location.h"
#include "filesys/console.h"

namespace qv {

namespace {

constexpr char kProgram[] = "quorvane-cli";

void AddCommands(TCommandRegistry& registry) {
  AddMirrorCommands(registry);
  AddFilterCommands(registry);
  AddMinimalAgeCommands(registry);
  AddFileMappingCommands(registry);
  AddSettingCommands(registry);
  AddShowCommand(registry);
  AddExportCommand(registry);
  AddScanCommand(registry);
  AddStatsCommand(registry);
  AddStatusCommand(registry);
  AddVersionsCommand(registry);
  AddRestoreCommand(registry);
  AddVerifyCommand(registry);
  AddCompleteCommand(registry);
  AddHelpCommand(registry);
}

// The group in which parsing stopped: the app, or the deepest command given.
const CLI::App& LastCommand(const CLI::App& app) {
  const CLI::App* last = &app;
  while (!last->get_subcommands().empty()) last = last->get_subcommands().front();
  return *last;
}

}  // namespace

int RunCli(const std::vector<std::string>& args, const TCliEnvironment& environment) {
  CLI::App app("Runs the scans of Quorvane and edits its mirrors and settings without its window.",
               kProgram);
  app.set_version_flag("-V,--version", std::string(kProgram) + " " + QUORVANE_VERSION);
  TCommandRegistry registry(app);
  AddCommands(registry);

  std::vector<const char*> argv = {kProgram};
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  try {
    app.parse(static_cast<int>(argv.size()), argv.data());
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) {
      return app.exit(e, environment.out, environment.err);  // --help, --version
    }
    std::string message = e.what();
    // CLI11 takes a misspelt command for a missing one.
    const CLI::App& last = LastCommand(app);
    const std::vector<std::string> left = app.remaining(true);
    if (dynamic_cast<const CLI::RequiredError*>(&e) != nullptr && !left.empty() &&
        !last.get_subcommands({}).empty()) {
      message = UnknownCommandText(last, left.front());
    }
    const std::string path = CommandPath(last);
    environment.err << kProgram << ": " << message << " (see " << kProgram
                    << (path.empty() ? "" : " " + path) << " --help)\n";
    return kExitCannotRun;
  }

  std::string settings = registry.settings_path();
  if (settings.empty()) settings = DefaultSettingsPath(environment.platform);
  TConsole no_console;
  TCommandContext context(environment.platform,
                          environment.console != nullptr ? *environment.console : no_console,
                          settings, environment.busy_timeout_ms, environment.out, environment.err);
  const int status = registry.selected()(context);
  environment.out.flush();
  return status;
}

}  // namespace qv
