// restore: a file or folder as a mirror's archive and destination held it,
// written back beside them, never over anything.

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "cli/command_registry.h"
#include "cli/mirror_paths.h"
#include "cli/stop_signal_scope.h"
#include "cli/terminal_output.h"
#include "cli/user_input.h"
#include "config/mappings.h"
#include "config/qv_ini_file.h"
#include "config/time_resolution.h"
#include "filesys/console.h"
#include "filesys/path_ops.h"
#include "filesys/platform.h"
#include "filesys/text_format.h"
#include "log/logger.h"
#include "versions/civil_time.h"
#include "versions/restore_time.h"
#include "versions/restorer.h"

namespace qv {

namespace {

// A restore that takes longer shows where it stands on a terminal.
constexpr int64_t kProgressAfterMs = 1000;
constexpr int64_t kProgressEveryMs = 200;

struct TRestoreArgs {
  std::string path;
  std::string at;
  std::string to;
  bool suffix = false;
  std::string destination;
};

// True when dir (existing) or a folder holding it is the destination of a
// mirror: the same device and inode, whatever links or mounts lead there.
// The folders holding it are its ".." entries, which links do not fake.
bool InsideDestination(Platform& platform, const TMappings& mappings, const std::string& dir) {
  const auto identity = [&](const std::string& path) {
    FileInfo info;
    const bool found = platform.Stat(path, &info).ok();
    return std::pair(found ? info.device : 0, found ? info.inode : 0);
  };
  std::vector<std::pair<uint64_t, uint64_t>> destinations;
  for (int i = 0; i < mappings.Count(); ++i) {
    destinations.push_back(identity(mappings.Destination(i) + "."));
  }
  std::pair<uint64_t, uint64_t> above{0, 0};
  for (std::string up = IncludeTrailingSeparator(dir) + ".";; up += "/..") {
    const auto here = identity(up);
    // The root is its own "..".
    if (here.second == 0 || here == above) return false;
    if (std::find(destinations.begin(), destinations.end(), here) != destinations.end()) {
      return true;
    }
    above = here;
  }
}

// Where the restore writes: the path's place in the source, beside it with
// a suffix, or inside the folder given.
int TargetOf(TCommandContext& context, const TRestoreArgs& args, const std::string& place,
             std::string* target) {
  Platform& platform = context.platform();
  if (args.to.empty()) {
    *target = place;
    if (args.suffix) {
      std::string stamp = LocalTimeText(platform, platform.Now());
      std::replace(stamp.begin(), stamp.end(), ':', ' ');
      *target += " (restored " + stamp + ")";
    }
    return kExitOk;
  }
  TUserPath to;
  std::string error;
  if (!ReadPath(platform, args.to, TPathKind::kDirectory, "--to", &to, &error)) {
    return context.Fail(error);
  }
  FileInfo info;
  if (!platform.Stat(ExcludeTrailingSeparator(to.expanded), &info).ok() || !info.IsDirectory()) {
    return context.Fail("--to: " + to.expanded + " is no folder");
  }
  *target = to.expanded + LastComponent(place);
  return kExitOk;
}

// The progress line: once a restore has run for a while, and not too often.
class TRestoreProgress {
 public:
  explicit TRestoreProgress(TCommandContext& context)
      : platform_(context.platform()),
        output_(context.out(), context.err(), context.console()),
        start_(platform_.TickMs()) {}
  ~TRestoreProgress() { output_.Finish(); }

  void Show(const TRestoreCounts& counts, const std::string& path) {
    const int64_t now = platform_.TickMs();
    if (now - start_ < kProgressAfterMs || now - shown_ < kProgressEveryMs) return;
    shown_ = now;
    output_.ShowProgress(
        std::to_string(counts.files) + " files, " + SizeText(counts.bytes, 1) + "  ", path);
  }

 private:
  Platform& platform_;
  TTerminalOutput output_;
  const int64_t start_;
  int64_t shown_ = 0;
};

// The write-time resolution by which the mirror's scans compare: the one
// stored for it, else its file system's default (the scan also probes the
// destination, which a restore leaves alone).
TTimeResolution MirrorResolution(Platform& platform, const TMapping& mapping,
                                 const std::string& destination) {
  VolumeInfo volume;
  TTimeResolution resolution =
      DefaultTimeResolution(platform.GetVolume(destination, &volume).ok() ? volume.fs_type : "");
  const int64_t stored = mapping.settings().write_time_resolution;
  // As the scan: a stored resolution is taken as it is, times as they are.
  if (stored >= 1) resolution = TTimeResolution{.write = stored};
  return resolution;
}

int Report(TCommandContext& context, const TRestoreCounts& counts, const std::string& target) {
  for (const std::string& path : counts.left_alone) {
    context.out() << "Left alone, it exists: " << EscapeControl(path) << "\n";
  }
  for (const std::string& path : counts.uncertain) {
    context.out() << "Uncertain, this file system keeps no birth times: " << EscapeControl(path)
                  << "\n";
  }
  for (const std::string& error : counts.errors) context.Warn(EscapeControl(error));
  if (counts.stopped) context.out() << "Stopped before its end.\n";
  context.out() << "Restored " << CountText(counts.files, "file", "files") << " and "
                << CountText(counts.folders, "folder", "folders") << " ("
                << SizeText(counts.bytes, 1) << ") to " << EscapeControl(target) << "\n";
  if (counts.stopped) return kExitStopped;
  return counts.errors.empty() && counts.left_alone.empty() ? kExitOk : kExitScanErrors;
}

int Restore(TCommandContext& context, const TRestoreArgs& args) {
  Platform& platform = context.platform();
  TQVIniFile* ini = context.ExistingStore();
  if (ini == nullptr) return kExitCannotRun;
  TMappings mappings(*ini);
  if (!context.LoadMirrors(&mappings)) return kExitCannotRun;
  std::vector<TMirrorPath> mirrors;
  if (const int code = FindMirrorPaths(context, mappings, args.path, args.destination, &mirrors)) {
    return code;
  }
  if (mirrors.size() > 1) {
    return context.Fail(std::to_string(mirrors.size()) +
                        " mirrors hold the path; choose one with --destination");
  }
  const TMirrorPath& mirror = mirrors.front();
  const std::string place = ExcludeTrailingSeparator(mirror.source + mirror.relative);
  std::string target;
  if (const int code = TargetOf(context, args, place, &target)) return code;
  const std::string parent = ParentDir(target);
  FileInfo info;
  if (!platform.Stat(ExcludeTrailingSeparator(parent), &info).ok()) {
    return context.Fail("the folder " + parent + " is missing: restore it first, or use --to");
  }
  if (InsideDestination(platform, mappings, parent)) {
    return context.Fail(parent + " lies in a mirror's destination, which only scans change");
  }
  const std::unique_ptr<DirLock> lock =
      LockForReading(context, mirror.destination, "restoring from it meanwhile");
  TVersionIndex index(platform, mirror.destination);
  if (!index.Load().ok())
    return context.Fail("could not read the archive of " + mirror.destination);
  std::string error;
  FileTime at = 0;
  if (!args.at.empty() && !ParseRestoreTime(platform, args.at, index.slots(), &at, &error)) {
    return context.Fail("--at: " + error);
  }
  const TTimeResolution resolution =
      MirrorResolution(platform, *mappings.Mapping(mirror.index), mirror.destination);
  const auto differs = [&](const FileInfo& source, const FileInfo& version) {
    return CompareContent(source, version, resolution) != TContentMatch::kSame;
  };
  TStopSignalScope signals(context.console());
  TRestoreProgress progress(context);
  TRestorer restorer(
      platform, index,
      [&](const TRestoreCounts& counts, const std::string& path) { progress.Show(counts, path); },
      [&] { return context.console().TakeStopSignal(); });
  const bool done = args.at.empty()
                        ? restorer.RestoreNewest(mirror.relative, place, target, differs, &error)
                        : restorer.RestoreAt(mirror.relative, at, target, &error);
  if (!done) return context.Fail(EscapeControl(place) + ": " + error);
  return Report(context, restorer.counts(), target);
}

}  // namespace

void AddRestoreCommand(TCommandRegistry& registry) {
  auto args = std::make_shared<TRestoreArgs>();
  CLI::App* command = registry.AddCommand(
      &registry.app(), "restore",
      "Restore a file or folder as a mirror held it, without overwriting anything",
      [args](TCommandContext& context) { return Restore(context, *args); });
  command->add_option("PATH", args->path, "A path in a mirror's source or destination")->required();
  command->add_option("--at", args->at,
                      "As it was at this local time (\"2026-12-01 18:00[:05]\"), or just before "
                      "the scan of this time slot (\"2026/12/01/18 00 05\")");
  auto* to = command->add_option("--to", args->to, "Write into this folder instead");
  command
      ->add_flag("--suffix", args->suffix,
                 "Write beside the path as \"name (restored yyyy-mm-dd hh mm ss)\"")
      ->excludes(to);
  command->add_option("--destination", args->destination, "Only the mirror with this destination");
  command->footer(
      "Without --at: a deleted path comes back as its newest version, an existing file as its "
      "newest version that differs from it, a folder gets back what it lacks. Nothing that "
      "exists is replaced: each such item is reported and left alone (exit status 1). A stop "
      "signal (Ctrl-C) ends it at once: what was restored stays, the file being copied is "
      "dropped (exit status 3). What no "
      "restore can know: changes made and undone between two scans; modes and ACLs at an "
      "earlier time; the content of file-mapping targets.");
}

}  // namespace qv
