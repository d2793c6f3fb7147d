// minage add | list | remove

#include <memory>
#include <string>

#include "cli/command_registry.h"
#include "cli/path_list.h"
#include "cli/text_table.h"
#include "config/config_keys.h"
#include "config/qv_ini_file.h"
#include "filesys/text_format.h"

namespace qv {

namespace {

constexpr TPathList kMinimalAges = {kMinimalAgesKey, TPathKind::kDirectory, "minimal age",
                                    "the directory"};

struct TMinAgeAddArgs {
  std::string directory;
  std::string minutes;
  bool disabled = false;
};

int AddMinimalAge(TCommandContext& context, const TMinAgeAddArgs& args) {
  TUserPath directory;
  int64_t minutes = 0;
  std::string error;
  if (!ReadPath(context.platform(), args.directory, TPathKind::kDirectory, "the directory",
                &directory, &error) ||
      !ReadInteger(args.minutes, 1, kMaxMinutes, "MINUTES", &minutes, &error)) {
    return context.Fail(error);
  }
  const bool enabled = !args.disabled;
  return AddPathEntry(context, kMinimalAges, directory,
                      [&](TQVIniFile& ini, const std::string& key) {
                        (void)ini.WriteBool(key, "Enabled", enabled);
                        (void)ini.WriteInteger(key, "MinAge", static_cast<int32_t>(minutes));
                      });
}

int ListMinimalAges(TCommandContext& context) {
  TQVIniFile* ini = context.ExistingStore();
  if (ini == nullptr) return kExitCannotRun;
  TTextTable table({"Enabled", "Minutes", "Directory"});
  for (const TPathEntry& entry : LoadPathEntries(*ini, kMinimalAges)) {
    table.AddRow({BoolText(ini->ReadBool(entry.key, "Enabled", true)),
                  std::to_string(ini->ReadInteger(entry.key, "MinAge", 0)), entry.path.stored});
  }
  if (ini->Failed()) return context.Fail(ini->FailureText());
  table.Print(context.out());
  return kExitOk;
}

}  // namespace

void AddMinimalAgeCommands(TCommandRegistry& registry) {
  CLI::App* group = registry.AddGroup(
      "minage", "Minimal ages: source directories updated only a while after their last update");

  auto add_args = std::make_shared<TMinAgeAddArgs>();
  CLI::App* add = registry.AddCommand(
      group, "add", "Update modified files in DIRECTORY only MINUTES after their last update",
      [add_args](TCommandContext& context) { return AddMinimalAge(context, *add_args); });
  add->add_option("DIRECTORY", add_args->directory, "Directory inside a mirror's source")
      ->required();
  add->add_option("MINUTES", add_args->minutes, "1 to 35791")->required();
  add->add_flag("--disabled", add_args->disabled, "Store the minimal age switched off");

  registry.AddCommand(group, "list", "List the minimal ages", ListMinimalAges);

  auto directory = std::make_shared<std::string>();
  CLI::App* remove =
      registry.AddCommand(group, "remove", "Remove the minimal age of DIRECTORY",
                          [directory](TCommandContext& context) {
                            return RemovePathEntries(context, kMinimalAges, *directory);
                          });
  remove->add_option("DIRECTORY", *directory, "Directory of the minimal age")->required();
}

}  // namespace qv
