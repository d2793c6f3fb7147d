// versions: every version of a path that a mirror's destination and archive
// hold, newest first; for a folder, its children over time too.

#include <algorithm>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "cli/command_registry.h"
#include "cli/json_text.h"
#include "cli/mirror_paths.h"
#include "cli/text_table.h"
#include "config/config_keys.h"
#include "config/mappings.h"
#include "config/qv_ini_file.h"
#include "filesys/path_ops.h"
#include "filesys/platform.h"
#include "log/logger.h"
#include "versions/civil_time.h"
#include "versions/version_index.h"

namespace qv {

namespace {

struct TVersionsArgs {
  std::string path;
  std::string destination;
  bool json = false;
};

std::string KindText(const TVersion& version) {
  if (version.is_link) return "link";
  return version.life.is_directory ? "folder" : "file";
}

// The versions of a history and of its children, as loaded for one mirror.
struct TMirrorVersions {
  TMirrorPath mirror;
  TPathHistory history;
  std::vector<TPathHistory> children;
  std::vector<std::string> errors;  // what could not be read: the versions may lack it
};

class TVersionsPrinter {
 public:
  TVersionsPrinter(Platform& platform, std::ostream& out) : platform_(platform), out_(out) {}

  void Text(const TMirrorVersions& found) {
    out_ << EscapeControl(found.mirror.destination + found.history.relative) << " (mirror of "
         << EscapeControl(found.mirror.source) << ")\n";
    TTextTable table({"Born", "Left", "Type", "Size", "Modified", "Where"});
    AddRows(found.history, {}, &table);
    table.Print(out_);
    if (found.history.versions.empty()) out_ << "No versions.\n";
    if (!found.children.empty()) {
      out_ << "\nIts children over time:\n";
      TTextTable children({"Name", "Born", "Left", "Type", "Size", "Modified", "Where"});
      for (const TPathHistory& child : found.children) {
        AddRows(child, {LastComponent(child.relative)}, &children);
      }
      children.Print(out_);
    }
    if (!found.errors.empty()) out_ << "Incomplete: some items could not be read.\n";
    if (unknown_birth_) {
      out_ << "~ Uncertain: this file system keeps no birth times, so the time given is the "
              "earliest the item can have been made.\n";
    }
  }

  std::string Json(const TMirrorVersions& found) {
    std::string json = "{" + JsonNameMember("source", found.mirror.source) + "," +
                       JsonNameMember("destination", found.mirror.destination) + "," +
                       JsonNameMember("path", found.mirror.destination + found.history.relative) +
                       ",\"versions\":" + JsonVersions(found.history) + ",\"children\":[";
    for (size_t i = 0; i < found.children.size(); ++i) {
      const TPathHistory& child = found.children[i];
      json += (i == 0 ? "{" : ",{") + JsonNameMember("name", LastComponent(child.relative)) +
              ",\"versions\":" + JsonVersions(child) + "}";
    }
    json += "],\"errors\":[";
    for (size_t i = 0; i < found.errors.size(); ++i) {
      json += (i == 0 ? "" : ",") + JsonString(found.errors[i]);
    }
    return json + "]}";
  }

 private:
  void AddRows(const TPathHistory& history, const std::vector<std::string>& lead,
               TTextTable* table) {
    for (int i : history.versions) {
      const TVersion& version = history.items[i];
      std::vector<std::string> row = lead;
      const bool known = version.life.birth_known();
      unknown_birth_ = unknown_birth_ || !known;
      row.push_back((known ? "" : "~") + LocalTimeText(platform_, version.life.born_from));
      row.push_back(version.life.current() ? "current"
                                           : LocalTimeText(platform_, version.life.left));
      row.push_back(KindText(version));
      row.push_back(version.life.is_directory ? "" : std::to_string(version.size));
      row.push_back(LocalTimeText(platform_, version.modified));
      row.push_back(version.path);
      table->AddRow(std::move(row));
    }
  }

  static std::string JsonVersions(const TPathHistory& history) {
    std::string json = "[";
    for (int i : history.versions) {
      const TVersion& version = history.items[i];
      const TLifeItem& life = version.life;
      if (json.size() > 1) json += ",";
      json += "{\"born\":\"" + Rfc3339Text(life.born_from) + "\",\"born_known\":" +
              (life.birth_known() ? "true"
                                  : "false,\"born_by\":\"" + Rfc3339Text(life.born_by) + "\"") +
              ",\"left\":" + (life.current() ? "null" : "\"" + Rfc3339Text(life.left) + "\"") +
              ",\"current\":" + (life.current() ? "true" : "false") + ",\"type\":\"" +
              KindText(version) + "\",\"size\":" + std::to_string(version.size) +
              ",\"modified\":\"" + Rfc3339Text(version.modified) + "\"," +
              JsonNameMember("where", version.path) +
              ",\"slot\":" + (version.slot.empty() ? "null" : JsonString(version.slot)) + "}";
    }
    return json + "]";
  }

  Platform& platform_;
  std::ostream& out_;
  bool unknown_birth_ = false;
};

// Reads the versions under the destination's lock, held shared: a scan
// cannot start meanwhile. Where a scan runs already, it reads all the same.
TMirrorVersions LoadVersions(TCommandContext& context, const TMirrorPath& mirror) {
  const std::unique_ptr<DirLock> lock =
      LockForReading(context, mirror.destination, "its versions are read meanwhile");
  TVersionIndex index(context.platform(), mirror.destination);
  if (!index.Load().ok()) {
    context.Warn("could not read the archive of " + mirror.destination);
  }
  TMirrorVersions found{mirror, index.Gather(mirror.relative), {}, {}};
  found.errors = found.history.errors;
  const bool folder = std::any_of(found.history.items.begin(), found.history.items.end(),
                                  [](const TVersion& v) { return v.life.is_directory; });
  if (!folder) return found;
  const std::string prefix = mirror.relative.empty() ? "" : mirror.relative + "/";
  for (const std::string& name : index.ChildNames(found.history, &found.errors)) {
    found.children.push_back(index.Gather(prefix + name));
    const std::vector<std::string>& errors = found.children.back().errors;
    found.errors.insert(found.errors.end(), errors.begin(), errors.end());
  }
  return found;
}

int Versions(TCommandContext& context, const TVersionsArgs& args) {
  TQVIniFile* ini = context.ExistingStore();
  if (ini == nullptr) return kExitCannotRun;
  TMappings mappings(*ini);
  if (!context.LoadMirrors(&mappings)) return kExitCannotRun;
  std::vector<TMirrorPath> mirrors;
  if (const int code = FindMirrorPaths(context, mappings, args.path, args.destination, &mirrors)) {
    return code;
  }
  TVersionsPrinter printer(context.platform(), context.out());
  std::string json;
  int code = kExitOk;
  for (size_t i = 0; i < mirrors.size(); ++i) {
    const TMirrorVersions found = LoadVersions(context, mirrors[i]);
    for (const std::string& error : found.errors) {
      context.Warn(EscapeControl(error));
      code = kExitScanErrors;
    }
    if (args.json) {
      json += (i == 0 ? "" : ",") + printer.Json(found);
    } else {
      if (i > 0) context.out() << '\n';
      printer.Text(found);
    }
  }
  if (args.json) context.out() << "{\"mirrors\":[" << json << "]}\n";
  return code;
}

}  // namespace

void AddVersionsCommand(TCommandRegistry& registry) {
  auto args = std::make_shared<TVersionsArgs>();
  CLI::App* command = registry.AddCommand(
      &registry.app(), "versions",
      "List every version of a file or folder that the mirrors holding it keep, newest first",
      [args](TCommandContext& context) { return Versions(context, *args); });
  command->add_option("PATH", args->path, "A path in a mirror's source or destination")->required();
  command->add_option("--destination", args->destination, "Only the mirror with this destination");
  command->add_flag("--json", args->json, "Answer in JSON, times in UTC (RFC 3339)");
  command->footer(
      "Born is when the destination's copy was made, Left when a scan moved it into the "
      "archive. What no listing can know: changes made and undone between two scans; modes and "
      "ACLs at an earlier time (a change of only those is never archived); the content of "
      "file-mapping targets, which are overwritten without archiving. An item that cannot be "
      "read is named, and the exit status is 1.");
}

}  // namespace qv
