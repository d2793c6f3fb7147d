// The automatic filters of a mirror on POSIX.

#include <algorithm>
#include <array>
#include <string_view>
#include <vector>

#include "config/config_keys.h"
#include "config/dir_weights.h"
#include "config/filter_adder.h"
#include "config/filter_build.h"
#include "filesys/path_ops.h"
#include "filesys/platform.h"
#include "log/logger.h"

namespace qv {

namespace {

// File systems that hold no user data: kernel views, device nodes, runtime
// state. Walking them copies garbage at best and hangs at worst.
constexpr std::array<std::string_view, 16> kVirtualFileSystems = {
    "proc",    "sysfs",  "devtmpfs", "devpts", "cgroup",    "cgroup2", "securityfs", "debugfs",
    "tracefs", "pstore", "bpf",      "mqueue", "hugetlbfs", "fusectl", "configfs",   "autofs"};

bool IsVirtualMount(const MountEntry& mount) {
  if (mount.fs_type == "tmpfs") {
    // Only the runtime tmpfs mounts: a tmpfs elsewhere may hold what the
    // user works on.
    return mount.mount_point.starts_with("/run/") || mount.mount_point.starts_with("/dev/");
  }
  return std::find(kVirtualFileSystems.begin(), kVirtualFileSystems.end(), mount.fs_type) !=
         kVirtualFileSystems.end();
}

// Recycle bins and the file system's recovery directory exist on both sides.
void AddRootDirectories(TFilterAdder& adder, Platform& platform, const std::string& root,
                        bool enabled, TFilters& list) {
  adder.AddAutoDir(list, root + ".Trash-" + std::to_string(platform.UserId()), "recycle bin user ",
                   enabled);
  adder.AddAutoDir(list, root + ".Trash", "recycle bins users ", enabled);
  adder.AddAutoDir(list, root + "lost+found", "file system recovery directory ", enabled);
}

void AddVirtualMounts(TFilterAdder& adder, Platform& platform, const TFilterBuildInput& input,
                      TLogger& logger, TFilters& list) {
  std::vector<MountEntry> mounts;
  const Status status = platform.ListMounts(&mounts);
  if (!status.ok()) {
    logger.FlushHeading();
    logger.LogWarning("Could not list the mounted file systems: " + status.message());
    return;
  }
  for (const MountEntry& mount : mounts) {
    if (IsInside(mount.mount_point, input.source) && IsVirtualMount(mount)) {
      adder.AddAutoDir(list, mount.mount_point, "virtual file system ", true);
    }
  }
}

}  // namespace

void AddAutomaticFilters(TFilterAdder& adder, Platform& platform, const TFilterBuildInput& input,
                         TLogger& logger, TMirrorFilters* filters, TDirWeights* weights) {
  const bool on = input.auto_filter;
  const std::string& source = input.source;
  TFilters& sources = filters->excluded_sources;
  AddRootDirectories(adder, platform, source, on, sources);
  adder.AddAutoDir(sources, source + kArchiveDirName + kSep, "archive found in root of source ",
                   on);
  adder.AddAutoFile(sources, source + "swapfile", "virtual memory swap file ", on, nullptr);
  adder.AddAutoFile(sources, source + "swap.img", "virtual memory swap file ", on, nullptr);
  if (on) AddVirtualMounts(adder, platform, input, logger, sources);
  const std::string& inner =
      IsInside(input.destination, source) ? input.destination : input.destination_in_source;
  if (!inner.empty()) adder.AddPath(sources, inner, "destination inside source ", weights);
  AddRootDirectories(adder, platform, input.destination, on, filters->excluded_destinations);
}

}  // namespace qv
