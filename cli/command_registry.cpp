#include "cli/command_registry.h"

#include <utility>

namespace qv {

TCommandRegistry::TCommandRegistry(CLI::App& app) : app_(app) {
  // Set before any command is added: commands inherit it, so an option a
  // command does not know (--version, --help of the app) reaches the app.
  app_.fallthrough();
  app_.require_subcommand(1);
  AddSettingsOption(&app_);
}

CLI::App* TCommandRegistry::AddGroup(const std::string& name, const std::string& description) {
  CLI::App* group = app_.add_subcommand(name, description);
  group->require_subcommand(1);
  AddSettingsOption(group);
  return group;
}

CLI::App* TCommandRegistry::AddCommand(CLI::App* parent, const std::string& name,
                                       const std::string& description, TCommand action) {
  CLI::App* command = parent->add_subcommand(name, description);
  AddSettingsOption(command);
  command->callback([this, action = std::move(action)] { selected_ = action; });
  return command;
}

void TCommandRegistry::AddSettingsOption(CLI::App* command) {
  command->add_option("--settings", settings_path_,
                      "Settings file (default: $QUORVANE_SETTINGS, else "
                      "$XDG_CONFIG_HOME/quorvane/settings.db)");
}

}  // namespace qv
