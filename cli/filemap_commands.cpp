// filemap add | list | remove

#include <memory>
#include <string>

#include "cli/command_registry.h"
#include "cli/path_list.h"
#include "cli/text_table.h"
#include "config/config_keys.h"
#include "config/qv_ini_file.h"

namespace qv {

namespace {

constexpr TPathList kFileMappings = {kFileMappingsKey, TPathKind::kFile, "file mapping",
                                     "the target"};

struct TFileMapAddArgs {
  std::string target;
  std::string source;
};

int AddFileMapping(TCommandContext& context, const TFileMapAddArgs& args) {
  TUserPath target;
  TUserPath source;
  std::string error;
  if (!ReadPath(context.platform(), args.target, TPathKind::kFile, "the target", &target, &error) ||
      !ReadPath(context.platform(), args.source, TPathKind::kFile, "the source", &source, &error)) {
    return context.Fail(error);
  }
  if (target.expanded == source.expanded) {
    return context.Fail("the file " + target.expanded + " cannot be updated from itself");
  }
  return AddPathEntry(context, kFileMappings, target, [&](TQVIniFile& ini, const std::string& key) {
    (void)ini.WriteString(key, "Source", source.stored);
  });
}

int ListFileMappings(TCommandContext& context) {
  TQVIniFile* ini = context.ExistingStore();
  if (ini == nullptr) return kExitCannotRun;
  TTextTable table({"Target", "Source"});
  for (const TPathEntry& entry : LoadPathEntries(*ini, kFileMappings)) {
    table.AddRow({entry.path.stored, ini->ReadString(entry.key, "Source")});
  }
  if (ini->Failed()) return context.Fail(ini->FailureText());
  table.Print(context.out());
  return kExitOk;
}

}  // namespace

void AddFileMappingCommands(TCommandRegistry& registry) {
  CLI::App* group = registry.AddGroup(
      "filemap", "File mappings: files that a mirror updates from a file in its source");

  auto add_args = std::make_shared<TFileMapAddArgs>();
  CLI::App* add = registry.AddCommand(
      group, "add", "Update the file TARGET from SOURCE when SOURCE's mirror is scanned",
      [add_args](TCommandContext& context) { return AddFileMapping(context, *add_args); });
  add->add_option("TARGET", add_args->target, "File to overwrite")->required();
  add->add_option("SOURCE", add_args->source, "File inside a mirror's source")->required();

  registry.AddCommand(group, "list", "List the file mappings", ListFileMappings);

  auto target = std::make_shared<std::string>();
  CLI::App* remove = registry.AddCommand(
      group, "remove", "Remove the file mapping of TARGET", [target](TCommandContext& context) {
        return RemovePathEntries(context, kFileMappings, *target);
      });
  remove->add_option("TARGET", *target, "File the mapping overwrites")->required();
}

}  // namespace qv
