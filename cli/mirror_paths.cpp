#include "cli/mirror_paths.h"

#include <optional>

#include "cli/user_input.h"
#include "config/config_keys.h"
#include "filesys/path_ops.h"

namespace qv {

namespace {

// The path below the directory dir (ending with "/") that holds path, or
// none; "" for dir itself.
std::optional<std::string> Below(const std::string& path, const std::string& dir) {
  if (path + "/" == dir) return "";
  if (!IsInside(path, dir)) return std::nullopt;
  return path.substr(dir.size());
}

std::optional<std::string> RelativeIn(const std::string& path, const std::string& source,
                                      const std::string& destination) {
  if (auto relative = Below(path, source)) return relative;
  auto relative = Below(path, destination);
  // The archive's own items are where versions lie, not paths of the mirror.
  if (relative && Overlap(*relative + "/", std::string(kArchiveDirName) + "/")) return std::nullopt;
  return relative;
}

}  // namespace

int FindMirrorPaths(TCommandContext& context, const TMappings& mappings, const std::string& typed,
                    const std::string& destination, std::vector<TMirrorPath>* found) {
  Platform& platform = context.platform();
  TUserPath path;
  std::string error;
  const std::string trimmed =
      typed.size() > 1 && typed.ends_with("/") ? ExcludeTrailingSeparator(typed) : typed;
  if (!ReadPath(platform, trimmed, TPathKind::kFile, "PATH", &path, &error)) {
    return context.Fail(error);
  }
  const std::string wanted =
      destination.empty() ? "" : NormaliseDirectory(platform, destination, true);
  bool destination_found = wanted.empty();
  for (int i = 0; i < mappings.Count(); ++i) {
    if (!wanted.empty() && mappings.Destination(i) != wanted) continue;
    destination_found = true;
    const auto relative = RelativeIn(path.expanded, mappings.Source(i), mappings.Destination(i));
    if (relative) found->push_back({i, mappings.Source(i), mappings.Destination(i), *relative});
  }
  if (!destination_found) return context.Fail("no mirror has the destination " + wanted);
  if (found->empty()) {
    return context.Fail(path.expanded + " lies in no mirror's source or destination");
  }
  return kExitOk;
}

std::unique_ptr<DirLock> LockForReading(TCommandContext& context, const std::string& destination,
                                        const std::string& meanwhile) {
  std::unique_ptr<DirLock> lock;
  LockHolder holder;
  if (context.platform().LockDirShared(destination, kLockFileName, &lock, &holder).cond() ==
      Cond::kBusy) {
    context.Warn("a scan is updating " + destination + "; " + meanwhile);
  }
  return lock;
}

}  // namespace qv
