// filter add | list | remove

#include <algorithm>
#include <memory>
#include <string>

#include "cli/command_registry.h"
#include "cli/text_table.h"
#include "cli/user_input.h"
#include "config/config_keys.h"
#include "config/filter.h"
#include "config/filter_store.h"
#include "config/list_keys.h"
#include "config/qv_ini_file.h"
#include "config/registry_key.h"
#include "filesys/path_ops.h"
#include "filesys/text_format.h"

namespace qv {

namespace {

// A type name as typed on a command line: with "-" for its blanks, so that
// it needs no quotes in a shell.
std::string Hyphenated(std::string name) {
  std::replace(name.begin(), name.end(), ' ', '-');
  return name;
}

// "excluded-source, ... or remove-empty-destination-dir".
std::string TypeNames() {
  std::string names;
  for (int i = 0; i < kFilterTypeCount; ++i) {
    names += (i == 0                      ? ""
              : i + 1 == kFilterTypeCount ? " or "
                                          : ", ") +
             Hyphenated(FilterTypeName(i));
  }
  return names;
}

// The type names of the configuration grid, with blanks or hyphens; case is
// ignored.
bool ReadFilterType(const std::string& text, int* type, std::string* error) {
  const std::string name = Hyphenated(LowerAscii(Trim(text)));
  for (int i = 0; i < kFilterTypeCount; ++i) {
    if (name == Hyphenated(FilterTypeName(i))) {
      *type = i;
      return true;
    }
  }
  *error = "unknown filter type \"" + text + "\"; use " + TypeNames();
  return false;
}

struct TFilterAddArgs {
  std::string type;
  std::string text;
  bool disabled = false;
  bool no_log = false;
};

int AddFilter(TCommandContext& context, const TFilterAddArgs& args) {
  int type = 0;
  std::string error;
  if (!ReadFilterType(args.type, &type, &error)) return context.Fail(error);
  // A filter may be a name pattern or a relative path, so only blanks are
  // refused.
  const std::string text = Trim(args.text);
  if (text.empty()) return context.Fail("the filter text is empty");
  TQVIniFile* ini = context.Store();
  if (ini == nullptr) return kExitCannotRun;
  int status = kExitOk;
  // No Row: filters are ordered by their key names.
  (void)SaveNewFilter(*ini, text, !args.disabled, type, !args.no_log,
                      [&](const std::string& failure) { status = context.Fail(failure); });
  return status;
}

int ListFilters(TCommandContext& context) {
  TQVIniFile* ini = context.ExistingStore();
  if (ini == nullptr) return kExitCannotRun;
  TTextTable table({"Number", "Enabled", "Type", "Log", "Filter"});
  TSettingsLock lock(*ini);
  for (const std::string& name : ini->ListSubkeys(kFiltersKey)) {
    const std::string key = SubkeyPath(kFiltersKey, name);
    table.AddRow({name, BoolText(ini->ReadBool(key, "Enabled", true)),
                  FilterTypeName(ini->ReadFilterType(key)), BoolText(ini->ReadLogFilter(key)),
                  ini->ReadString(key, "")});
  }
  if (ini->Failed()) return context.Fail(ini->FailureText());
  table.Print(context.out());
  return kExitOk;
}

// The number as filter list shows it ("00003") or plain ("3").
int RemoveFilter(TCommandContext& context, const std::string& number_text) {
  int64_t number = 0;
  std::string error;
  if (!ReadInteger(number_text, 1, 99999, "the filter number", &number, &error)) {
    return context.Fail(error);
  }
  const std::string name = NumberedKeyName(static_cast<int>(number));
  return context.Edit([&](TQVIniFile& ini) {
    const std::string key = SubkeyPath(kFiltersKey, name);
    if (!ini.KeyExists(key)) {
      if (ini.Failed()) return context.Fail(ini.FailureText());
      return context.Fail("no filter has the number " + name);
    }
    (void)ini.DeleteKey(key);
    return kExitOk;
  });
}

}  // namespace

void AddFilterCommands(TCommandRegistry& registry) {
  CLI::App* group =
      registry.AddGroup("filter", "Filters: what the mirrors include, exclude or clean up");

  auto add_args = std::make_shared<TFilterAddArgs>();
  CLI::App* add = registry.AddCommand(
      group, "add", "Add a filter after all others",
      [add_args](TCommandContext& context) { return AddFilter(context, *add_args); });
  add->add_option("TYPE", add_args->type, TypeNames())->required();
  add->add_option("TEXT", add_args->text, "Path, path with wildcards, or name pattern")->required();
  add->add_flag("--disabled", add_args->disabled, "Store the filter switched off");
  add->add_flag("--no-log", add_args->no_log, "Do not log the files the filter matches");

  registry.AddCommand(group, "list", "List the filters in the order they apply", ListFilters);

  auto number = std::make_shared<std::string>();
  CLI::App* remove = registry.AddCommand(
      group, "remove", "Remove a filter by its number",
      [number](TCommandContext& context) { return RemoveFilter(context, *number); });
  remove->add_option("NUMBER", *number, "Number shown by filter list")->required();
}

}  // namespace qv
