#include "engine/source_mounts.h"

#include <algorithm>
#include <cstdio>

#include "config/mapping.h"
#include "config/qv_ini_file.h"
#include "filesys/path_ops.h"
#include "filesys/platform.h"
#include "log/logger.h"

namespace qv {

namespace {

constexpr char kMountsSubkey[] = "\\SourceMounts";

std::string MountsKey(const TMapping& mapping) { return mapping.key() + kMountsSubkey; }

std::set<std::string> ReadMounts(TQVIniFile& ini, const TMapping& mapping) {
  const std::string key = MountsKey(mapping);
  std::set<std::string> mounts;
  for (const std::string& name : ini.ListValues(key)) {
    const std::string path = ini.ReadString(key, name);
    if (!path.empty()) mounts.insert(path);
  }
  return mounts;
}

bool WriteMounts(TQVIniFile& ini, const TMapping& mapping, const std::set<std::string>& mounts) {
  const std::string key = MountsKey(mapping);
  TSettingsTransaction transaction(ini.db());
  (void)ini.DeleteKey(key);
  int number = 0;
  for (const std::string& path : mounts) {
    char name[16];
    std::snprintf(name, sizeof name, "%.5d", ++number);
    (void)ini.WriteString(key, name, path);
  }
  return transaction.Commit();
}

bool IsMountPoint(const TFoundFile& entry, uint64_t parent_device) {
  return entry.IsDirectory() && !entry.IsReparsePoint() && entry.device != parent_device;
}

// A remembered mount point (full path) that is missing or on its parent's
// device now; false as well when that cannot be told.
bool MountGone(Platform& platform, const std::string& dir) {
  PathPlace place;
  PathPlace parent;
  if (!platform.LocatePath(dir, &place).ok() ||
      !platform.LocatePath(ParentDir(dir), &parent).ok()) {
    return false;
  }
  return place.inode == 0 || place.device == parent.device;
}

}  // namespace

TSourceMounts::TSourceMounts(TQVIniFile& ini, const TMapping& mapping)
    : ini_(ini), mapping_(mapping) {}

void TSourceMounts::Load() {
  remembered_ = ReadMounts(ini_, mapping_);
  by_parent_.clear();
  for (const std::string& path : remembered_) {
    by_parent_[ParentDir(path)].push_back(LastComponent(path));
  }
}

void TSourceMounts::Observe(const std::string& dir, const std::string& dest_dir, uint64_t device,
                            const TWideStringList<TFoundFile>& entries, TLogger& logger) {
  const std::string below = dir.substr(mapping_.source().size());
  for (int i = 0; i < entries.Count(); ++i) {
    if (IsMountPoint(*entries.Object(i), device)) found_.insert(below + entries.Text(i) + kSep);
  }
  const auto names = by_parent_.find(below);
  if (names == by_parent_.end()) return;
  for (const std::string& name : names->second) {
    const int i = entries.Find(name);
    if (i >= 0 && IsMountPoint(*entries.Object(i), device)) continue;
    skipped_.insert(below + name + kSep);
    logger.LogError("The source directory " + dir + name + kSep +
                    " was a mount point at the last scan and is not one now: is its volume "
                    "mounted? Skipped it and kept " +
                    dest_dir + name + kSep +
                    ". If this is intended, run: quorvane-cli mirror accept " +
                    mapping_.destination());
  }
}

bool TSourceMounts::Skipped(const std::string& source_dir) const {
  const std::string& source = mapping_.source();
  return source_dir.starts_with(source) && skipped_.contains(source_dir.substr(source.size()));
}

bool TSourceMounts::KeepsDestination(const std::string& dest_dir) const {
  const std::string& dest = mapping_.destination();
  return dest_dir.starts_with(dest) && skipped_.contains(dest_dir.substr(dest.size()));
}

void TSourceMounts::Save() {
  if (std::includes(remembered_.begin(), remembered_.end(), found_.begin(), found_.end())) return;
  std::set<std::string> all = remembered_;
  all.insert(found_.begin(), found_.end());
  (void)WriteMounts(ini_, mapping_, all);
}

std::vector<std::string> MountsGone(Platform& platform, TQVIniFile& ini, const TMapping& mapping) {
  std::vector<std::string> gone;
  for (const std::string& path : ReadMounts(ini, mapping)) {
    if (MountGone(platform, mapping.source() + path)) gone.push_back(mapping.source() + path);
  }
  return gone;
}

bool ForgetMountsGone(Platform& platform, TQVIniFile& ini, const TMapping& mapping) {
  std::set<std::string> mounts = ReadMounts(ini, mapping);
  std::erase_if(mounts, [&](const std::string& path) {
    return MountGone(platform, mapping.source() + path);
  });
  return WriteMounts(ini, mapping, mounts);
}

}  // namespace qv
