// mirror add | list | remove | enable | disable | accept | clear-archive-info
// (set: mirror_set_command.cpp)

#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "archive/clear_archive_info.h"
#include "archive/dest_lock.h"
#include "cli/command_registry.h"
#include "cli/json_text.h"
#include "cli/mirror_move_warning.h"
#include "cli/text_table.h"
#include "cli/user_input.h"
#include "config/config_keys.h"
#include "config/list_keys.h"
#include "config/mappings.h"
#include "config/new_mirror_dirs.h"
#include "config/qv_ini_file.h"
#include "engine/pending_accepts.h"
#include "filesys/path_ops.h"
#include "filesys/path_places.h"
#include "filesys/text_format.h"

namespace qv {

namespace {

struct TMirrorAddArgs {
  std::string source;
  std::string destination;
  bool disabled = false;
  bool allow_missing = false;
  bool no_copy_security = false;
  bool no_copy_creation_time = false;
  bool no_copy_times_dir = false;
  // Empty: not given (the default).
  std::string min_free;
  std::string max_size;
  std::string max_compressed_size;
  std::string max_archive_size;
  std::string max_compressed_archive_size;
  std::string creation_time_resolution;
  std::string write_time_resolution;
  std::string max_archive_age;
};

bool ReadMirrorSettings(const TMirrorAddArgs& args, TMappingSettings* settings,
                        std::string* error) {
  struct TValueOption {
    const std::string& text;
    const char* name;
    int64_t* field;
    bool (*read)(const std::string&, const std::string&, int64_t*, std::string*);
  };
  TMappingSettings& s = *settings;
  const TValueOption options[] = {
      {args.min_free, "--min-free", &s.free_bytes_wanted, ReadSize},
      {args.max_size, "--max-size", &s.max_size_dest, ReadSize},
      {args.max_compressed_size, "--max-compressed-size", &s.max_compressed_size_dest, ReadSize},
      {args.max_archive_size, "--max-archive-size", &s.max_archive_size, ReadSize},
      {args.max_compressed_archive_size, "--max-compressed-archive-size",
       &s.max_compressed_archive_size, ReadSize},
      {args.creation_time_resolution, "--creation-time-resolution", &s.creation_time_resolution,
       ReadDuration},
      {args.write_time_resolution, "--write-time-resolution", &s.write_time_resolution,
       ReadDuration},
  };
  for (const TValueOption& option : options) {
    if (!option.text.empty() && !option.read(option.text, option.name, option.field, error)) {
      return false;
    }
  }
  int64_t days = 0;
  if (!args.max_archive_age.empty() &&
      !ReadInteger(args.max_archive_age, 0, kMaxDays, "--max-archive-age", &days, error)) {
    return false;
  }
  s.max_archive_age = static_cast<int32_t>(days);
  s.enabled = !args.disabled;
  s.copy_security_info = !args.no_copy_security;
  s.copy_creation_time = !args.no_copy_creation_time;
  s.copy_creation_time_dir = !args.no_copy_times_dir;
  return true;
}

// Refuses what no scan can use: an entry that is not a directory, and one not
// there now unless the user says it will be.
bool CheckMirrorDir(Platform& platform, const std::string& name, const std::string& dir,
                    bool allow_missing, std::string* error) {
  std::string reason;
  const TDirState state = DirStateOf(platform, dir, &reason);
  if (state == TDirState::kDirectory || (state == TDirState::kMissing && allow_missing)) {
    return true;
  }
  *error = name + " " + ExcludeTrailingSeparator(dir);
  if (state == TDirState::kNotDirectory) {
    *error += " is not a directory";
  } else {
    *error += (reason.empty() ? " does not exist" : " cannot be reached: " + reason) +
              "; --allow-missing adds it all the same (a drive not plugged in now)";
  }
  return false;
}

// Says what typed environment references stand for now.
void SayExpansions(TCommandContext& context, const TUserPath& source,
                   const TUserPath& destination) {
  if (source.stored != source.expanded) {
    context.out() << "The source " << source.stored << " expands to " << source.expanded
                  << " now; each scan expands it again\n";
  }
  if (destination.stored != destination.expanded) {
    context.out() << "The destination " << destination.stored << " is stored as "
                  << destination.expanded << "\n";
  }
}

int AddMirror(TCommandContext& context, const TMirrorAddArgs& args) {
  Platform& platform = context.platform();
  std::string error;
  TUserPath source;
  TUserPath destination;
  TMappingSettings settings;
  if (!ReadPath(platform, args.source, TPathKind::kDirectory, "the source", &source, &error) ||
      !ReadPath(platform, args.destination, TPathKind::kDirectory, "the destination", &destination,
                &error) ||
      !ReadMirrorSettings(args, &settings, &error) ||
      !CheckMirrorDir(platform, "the source", source.expanded, args.allow_missing, &error) ||
      !CheckMirrorDir(platform, "the destination", destination.expanded, args.allow_missing,
                      &error)) {
    return context.Fail(error);
  }
  const bool holds_files = HoldsFilesWithoutArchive(platform, destination.expanded);
  const int code = context.Edit([&](TQVIniFile& ini) {
    TMappings mappings(ini);
    if (!context.LoadMirrors(&mappings)) return kExitCannotRun;
    if (!CheckNewMirror(platform, mappings, source.expanded, destination.expanded, &error)) {
      return context.Fail(error);
    }
    // The stored destination carries no references: the key is made from it.
    TMapping mapping(ini, destination.expanded);
    if (!CheckMirrorKeyFree(ini, mapping, &error)) return context.Fail(error);
    mapping.SetSource(source.stored);
    mapping.mutable_settings() = settings;
    mapping.mutable_settings().row = NextRow(ini, kMappingsKey);
    (void)mapping.Save();  // joins the transaction
    if (settings.enabled) {
      WarnOfMovingFolder(context, ini, source.expanded, destination.expanded, true);
    }
    if (holds_files) {
      context.Warn("The destination \"" + destination.expanded +
                   "\" is an existing directory containing files. Be aware that if you use this "
                   "destination all files not present on the source will be moved to the "
                   "Quorvane archive.");
    }
    return kExitOk;
  });
  if (code == kExitOk) SayExpansions(context, source, destination);
  return code;
}

// The paths a script reads from mirror list: one a line, unescaped (grep
// -x), a mirror's source and destination on lines of the same number.
enum class TListPaths { kNone, kDestinations, kSources, kJson };

int ListMirrors(TCommandContext& context, TListPaths paths) {
  TQVIniFile* ini = context.ExistingStore();
  if (ini == nullptr) return kExitCannotRun;
  TMappings mappings(*ini);
  if (!context.LoadMirrors(&mappings)) return kExitCannotRun;
  // The table shows a source as stored; a script gets the path a scan reads.
  const auto source = [&](int i, bool expand) {
    return NormaliseDirectory(context.platform(), mappings.Source(i), expand);
  };
  if (paths == TListPaths::kDestinations || paths == TListPaths::kSources) {
    for (int i = 0; i < mappings.Count(); ++i) {
      context.out() << (paths == TListPaths::kSources ? source(i, true) : mappings.Destination(i))
                    << '\n';
    }
    return kExitOk;
  }
  if (paths == TListPaths::kJson) {
    std::string json;
    for (int i = 0; i < mappings.Count(); ++i) {
      const TMappingSettings& s = mappings.Mapping(i)->settings();
      json += (i == 0 ? "{" : ",{") + JsonNameMember("source", mappings.Source(i)) + "," +
              JsonNameMember("expanded_source", source(i, true)) + "," +
              JsonNameMember("destination", mappings.Destination(i)) +
              ",\"enabled\":" + JsonBool(s.enabled) +
              ",\"row\":" + (s.row == kRowUnset ? "null" : std::to_string(s.row)) + "}";
    }
    context.out() << "{\"mirrors\":[" << json << "]}\n";
    return kExitOk;
  }
  TTextTable table({"Row", "Enabled", "Source", "Destination"});
  for (int i = 0; i < mappings.Count(); ++i) {
    const TMappingSettings& s = mappings.Mapping(i)->settings();
    table.AddRow({s.row == kRowUnset ? "-" : std::to_string(s.row), BoolText(s.enabled),
                  source(i, false), mappings.Destination(i)});
  }
  table.Print(context.out());
  return kExitOk;
}

// What a command does to one mirror inside the command's transaction, whose
// commit reports a failed write; answers the exit status.
using TMirrorChange =
    std::function<int(TCommandContext& context, TQVIniFile& ini, const TMapping& mapping)>;

// Runs change on the mirror whose destination the user typed.
int ChangeMirror(TCommandContext& context, const std::string& typed, const TMirrorChange& change) {
  TUserPath destination;
  std::string error;
  if (!ReadPath(context.platform(), typed, TPathKind::kDirectory, "the destination", &destination,
                &error)) {
    return context.Fail(error);
  }
  return context.EditMirror(destination.expanded, [&](TQVIniFile& ini, TMapping& mapping) {
    return change(context, ini, mapping);
  });
}

// Warns when the mirror, enabled or not as it was, now joins or leaves the
// scans.
void WarnOfMove(TCommandContext& context, TQVIniFile& ini, const TMapping& mapping, bool joins) {
  if (mapping.settings().enabled == joins) return;
  WarnOfMovingFolder(context, ini, NormaliseDirectory(context.platform(), mapping.source(), false),
                     mapping.destination(), joins);
}

int RemoveMapping(TCommandContext& context, TQVIniFile& ini, const TMapping& mapping) {
  // Counters and archive information below the key go with it.
  (void)ini.DeleteKey(mapping.key());
  WarnOfMove(context, ini, mapping, false);
  return kExitOk;
}

int EnableMapping(TCommandContext& context, TQVIniFile& ini, const TMapping& mapping) {
  (void)ini.WriteBool(mapping.key(), "Enabled", true);
  WarnOfMove(context, ini, mapping, true);
  return kExitOk;
}

int DisableMapping(TCommandContext& context, TQVIniFile& ini, const TMapping& mapping) {
  (void)ini.WriteBool(mapping.key(), "Enabled", false);
  WarnOfMove(context, ini, mapping, false);
  return kExitOk;
}

// Accepts what holds the mirror back, saying what, one line per kind.
int AcceptPendingOf(TCommandContext& context, TQVIniFile& ini, const TMapping& mapping) {
  TAcceptContext accept{context.platform(), ini, mapping};
  std::vector<std::string> lines;
  std::string error;
  if (!AcceptPending(accept, &lines, &error)) return context.Fail(error);
  if (lines.empty())
    lines.push_back("Nothing to accept for the mirror to " + mapping.destination());
  for (const std::string& line : lines) context.out() << line << '\n';
  return kExitOk;
}

// Inside the command's transaction: its commit reports a refused deletion.
// The destination's lock is held until that commit, so that no scan of it
// writes its counters back over the deletion.
int ClearArchiveInfoCommand(TCommandContext& context, const std::string& typed) {
  std::unique_ptr<TDestLock> lock;
  return ChangeMirror(context, typed,
                      [&lock](TCommandContext& c, TQVIniFile& ini, const TMapping& mapping) {
                        lock = std::make_unique<TDestLock>(c.platform(), mapping.destination());
                        std::string busy;
                        if (!lock->TakeUnlessBusy(&busy)) return c.Fail(busy);
                        (void)ClearArchiveInfo(ini, mapping, nullptr);
                        return kExitOk;
                      });
}

void AddMirrorAdd(TCommandRegistry& registry, CLI::App* group) {
  auto args = std::make_shared<TMirrorAddArgs>();
  CLI::App* add =
      registry.AddCommand(group, "add", "Add a mirror of SOURCE into DESTINATION, after all others",
                          [args](TCommandContext& context) { return AddMirror(context, *args); });
  add->add_option("SOURCE", args->source, "Directory to mirror")->required();
  add->add_option("DESTINATION", args->destination, "Directory that receives the copy")->required();
  add->add_flag("--disabled", args->disabled, "Store the mirror switched off");
  add->add_flag("--allow-missing", args->allow_missing,
                "Accept a SOURCE or DESTINATION that is not there now (a drive not plugged in)");
  add->add_option("--min-free", args->min_free, "Bytes to keep free on the destination's drive");
  add->add_option("--max-size", args->max_size, "Largest size of the mirror");
  add->add_option("--max-compressed-size", args->max_compressed_size,
                  "Largest size on disk of the mirror");
  add->add_option("--max-archive-size", args->max_archive_size, "Largest size of the archive");
  add->add_option("--max-compressed-archive-size", args->max_compressed_archive_size,
                  "Largest size on disk of the archive");
  add->add_option("--max-archive-age", args->max_archive_age, kMaxArchiveAgeHelp);
  add->add_flag("--no-copy-security", args->no_copy_security,
                "Do not copy owners, permissions and ACLs");
  add->add_flag("--no-copy-creation-time", args->no_copy_creation_time,
                "Do not copy creation times");
  add->add_flag("--no-copy-times-dir", args->no_copy_times_dir, "Do not copy times of directories");
  add->add_option("--creation-time-resolution", args->creation_time_resolution,
                  "Creation times closer than this count as equal (e.g. \"2 sec\", 2s, 10ms)");
  add->add_option("--write-time-resolution", args->write_time_resolution,
                  "Write times closer than this count as equal (e.g. \"2 sec\", 2s, 10ms)");
}

void AddMirrorList(TCommandRegistry& registry, CLI::App* group) {
  struct TListFlags {
    bool destinations = false, sources = false, json = false;
  };
  auto flags = std::make_shared<TListFlags>();
  CLI::App* list = registry.AddCommand(
      group, "list", "List the mirrors in the order in which they are scanned",
      [flags](TCommandContext& context) {
        return ListMirrors(context, flags->destinations ? TListPaths::kDestinations
                                    : flags->sources    ? TListPaths::kSources
                                    : flags->json       ? TListPaths::kJson
                                                        : TListPaths::kNone);
      });
  CLI::Option* destinations = list->add_flag("--destinations", flags->destinations,
                                             "Print only the destinations, one a line");
  CLI::Option* sources =
      list->add_flag(
              "--sources", flags->sources,
              "Print only the sources (expanded), one a line, in the order of --destinations")
          ->excludes(destinations);
  list->add_flag("--json", flags->json, "Answer in JSON")->excludes(destinations, sources);
}

// A command on one mirror, run(context, the destination as typed).
using TMirrorCommand = std::function<int(TCommandContext& context, const std::string& typed)>;

void AddMirrorCommand(TCommandRegistry& registry, CLI::App* group, const std::string& name,
                      const std::string& description, TMirrorCommand run) {
  auto destination = std::make_shared<std::string>();
  CLI::App* command =
      registry.AddCommand(group, name, description,
                          [destination, run](TCommandContext& c) { return run(c, *destination); });
  command->add_option("DESTINATION", *destination, "Destination of the mirror")->required();
}

void AddMirrorChange(TCommandRegistry& registry, CLI::App* group, const std::string& name,
                     const std::string& description, const TMirrorChange& change) {
  AddMirrorCommand(registry, group, name, description,
                   [change](TCommandContext& c, const std::string& typed) {
                     return ChangeMirror(c, typed, change);
                   });
}

}  // namespace

void AddMirrorCommands(TCommandRegistry& registry) {
  CLI::App* group =
      registry.AddGroup("mirror", "Mirrors: a source directory kept in a destination");
  AddMirrorAdd(registry, group);
  AddMirrorList(registry, group);
  AddMirrorChange(registry, group, "remove",
                  "Remove a mirror with its stored statistics (the files stay)", RemoveMapping);
  AddMirrorChange(registry, group, "enable", "Let a mirror take part in scans", EnableMapping);
  AddMirrorChange(registry, group, "disable", "Leave a mirror out of scans", DisableMapping);
  AddMirrorChange(registry, group, "accept",
                  "Accept what made scans hold a mirror back (a changed source or destination, "
                  "a vanished archive, a mount point no longer there, a mass change), saying "
                  "what",
                  AcceptPendingOf);
  AddMirrorCommand(registry, group, "clear-archive-info",
                   "Forget the stored numbers and sizes of a mirror's archive and its logs, so "
                   "that the next scan counts them on disk (the archive's limits stay); refused "
                   "while a scan updates that destination",
                   ClearArchiveInfoCommand);
  AddMirrorSetCommand(registry, group);
}

}  // namespace qv
