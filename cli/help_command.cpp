// help [COMMAND...]: the help that COMMAND... --help prints.

#include <memory>
#include <string>
#include <vector>

#include "cli/command_names.h"
#include "cli/command_registry.h"

namespace qv {

namespace {

int Help(TCommandContext& context, CLI::App& app, const std::vector<std::string>& words) {
  CLI::App* command = &app;
  for (const std::string& word : words) {
    CLI::App* below = FindCommand(*command, word);
    if (below == nullptr) return context.Fail(UnknownCommandText(*command, word));
    command = below;
  }
  // As CLI11 names it in the usage line of --help.
  const std::string path = CommandPath(*command);
  context.out() << command->get_formatter()->make_help(
      command, app.get_name() + (path.empty() ? "" : " " + path), CLI::AppFormatMode::Normal);
  return kExitOk;
}

}  // namespace

void AddHelpCommand(TCommandRegistry& registry) {
  auto words = std::make_shared<std::vector<std::string>>();
  CLI::App& app = registry.app();
  CLI::App* help = registry.AddCommand(
      &app, "help", "Describe the program, or a command and its options",
      [&app, words](TCommandContext& context) { return Help(context, app, *words); });
  help->add_option("COMMAND", *words, "A command, or a group and one of its commands");
}

}  // namespace qv
