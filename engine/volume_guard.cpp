#include "engine/volume_guard.h"

#include <cinttypes>
#include <cstdio>

#include "config/mapping.h"
#include "config/qv_ini_file.h"
#include "log/logger.h"

namespace qv {

namespace {

constexpr char kInodePrefix[] = "inode ";

struct TRoot {
  const char* volume_value;  // names of the stored identity
  const char* root_value;
  const char* noun;  // in the lines
  const std::string& path;
};

TRoot SourceRoot(const TMapping& mapping) {
  return TRoot{"SourceVolume", "SourceRoot", "source", mapping.source()};
}

TRoot DestRoot(const TMapping& mapping) {
  return TRoot{"DestVolume", "DestRoot", "destination", mapping.destination()};
}

std::string RootIdentity(uint64_t inode) { return kInodePrefix + std::to_string(inode); }

std::string Hex(uint64_t value) {
  char text[20];
  std::snprintf(text, sizeof text, "%" PRIx64, value);
  return text;
}

// The forms stored before the root and birth time were part of the identity.
bool OlderFormMatches(const std::string& stored, const VolumeInfo& volume) {
  if (stored.find(" root ") != std::string::npos) return false;
  if (!volume.uuid.empty() && stored == "uuid " + volume.uuid) return true;
  return stored == "device " + std::to_string(volume.device) + " " + volume.fs_type;
}

// What a root is now; inode is that of the directory the caller reached.
struct TRootNow {
  std::string volume;
  uint64_t inode = 0;
  VolumeInfo info;
};

Status Identify(Platform& platform, const std::string& path, uint64_t inode, TRootNow* now) {
  const Status status = platform.GetVolume(path, &now->info);
  if (status.ok()) {
    now->volume = VolumeIdentity(now->info);
    now->inode = inode;
  }
  return status;
}

TRootMatch Compare(TQVIniFile& ini, const TMapping& mapping, const TRoot& root,
                   const TRootNow& now) {
  return MatchRoot(ini.ReadString(mapping.key(), root.volume_value),
                   ini.ReadString(mapping.key(), root.root_value), now.info, now.inode);
}

void Store(TQVIniFile& ini, const TMapping& mapping, const TRoot& root, const TRootNow& now) {
  TSettingsTransaction transaction(ini.db());
  (void)ini.WriteString(mapping.key(), root.volume_value, now.volume);
  (void)ini.WriteString(mapping.key(), root.root_value, RootIdentity(now.inode));
  (void)transaction.Commit();
}

void LogChanged(TQVIniFile& ini, const TMapping& mapping, const TRoot& root, const TRootNow& now,
                TLogger& logger) {
  const std::string was_volume = ini.ReadString(mapping.key(), root.volume_value);
  const std::string what = "The " + std::string(root.noun) + " " + root.path;
  const std::string hint =
      ". If this is intended, run: quorvane-cli mirror accept " + mapping.destination();
  if (was_volume != now.volume && !OlderFormMatches(was_volume, now.info)) {
    logger.LogError(what + " is on another file system than at the last scan (was " + was_volume +
                    ", now " + now.volume + ")" + hint);
  } else {
    logger.LogError(what + " is another directory than at the last scan (was " +
                    ini.ReadString(mapping.key(), root.root_value) + ", now " +
                    RootIdentity(now.inode) + ")" + hint);
  }
}

bool CheckRoot(Platform& platform, TQVIniFile& ini, const TMapping& mapping, const TRoot& root,
               TLogger& logger, FileInfo* info) {
  const Status opened = platform.Stat(root.path, info);
  if (!opened.ok()) {
    logger.LogSysError(opened.code(), "Could not read file attributes of " + root.path);
    return false;
  }
  TRootNow now;
  const Status status = Identify(platform, root.path, info->inode, &now);
  if (!status.ok()) {
    logger.LogWarning("Could not identify the file system of " + root.path + ": " +
                      status.message());
    return true;
  }
  switch (Compare(ini, mapping, root, now)) {
    case TRootMatch::kSame:
      return true;
    case TRootMatch::kFirst:
    case TRootMatch::kUpgrade:
      Store(ini, mapping, root, now);
      return true;
    case TRootMatch::kChanged:
      break;
  }
  LogChanged(ini, mapping, root, now, logger);
  return false;
}

// The root as the accept command sees it: through the links in its path.
Status IdentifyByPath(Platform& platform, const TRoot& root, TRootNow* now) {
  PathPlace place;
  Status status = platform.LocatePath(root.path, &place);
  if (status.ok() && place.inode == 0) status = Status::FromErrno(ENOENT);
  return status.ok() ? Identify(platform, root.path, place.inode, now) : status;
}

}  // namespace

std::string VolumeIdentity(const VolumeInfo& volume) {
  const std::string root = " root " + volume.mount_root;
  if (!volume.uuid.empty()) return "uuid " + volume.uuid + root;
  const std::string source =
      volume.mount_source.starts_with("/dev/") ? "" : " source " + volume.mount_source;
  const std::string rest = source + root + " born " + std::to_string(volume.root_birth_time);
  if (volume.fsid != 0) return "fsid " + Hex(volume.fsid) + rest;
  return "device " + std::to_string(volume.device) + " type " + volume.fs_type + rest;
}

TRootMatch MatchRoot(const std::string& stored_volume, const std::string& stored_root,
                     const VolumeInfo& volume, uint64_t inode) {
  if (stored_volume.empty()) return TRootMatch::kFirst;
  if (stored_volume != VolumeIdentity(volume)) {
    return OlderFormMatches(stored_volume, volume) ? TRootMatch::kUpgrade : TRootMatch::kChanged;
  }
  if (stored_root.empty()) return TRootMatch::kUpgrade;
  return stored_root == RootIdentity(inode) ? TRootMatch::kSame : TRootMatch::kChanged;
}

bool CheckRoots(Platform& platform, TQVIniFile& ini, const TMapping& mapping, TLogger& logger,
                FileInfo* source, FileInfo* dest) {
  const bool source_ok = CheckRoot(platform, ini, mapping, SourceRoot(mapping), logger, source);
  const bool dest_ok = CheckRoot(platform, ini, mapping, DestRoot(mapping), logger, dest);
  return source_ok && dest_ok;
}

std::vector<std::string> ChangedRoots(Platform& platform, TQVIniFile& ini,
                                      const TMapping& mapping) {
  std::vector<std::string> changed;
  for (const TRoot& root : {SourceRoot(mapping), DestRoot(mapping)}) {
    TRootNow now;
    if (IdentifyByPath(platform, root, &now).ok() &&
        Compare(ini, mapping, root, now) == TRootMatch::kChanged) {
      changed.push_back(root.noun + (" " + root.path));
    }
  }
  return changed;
}

bool AcceptRoots(Platform& platform, TQVIniFile& ini, const TMapping& mapping, std::string* error) {
  const TRoot roots[] = {SourceRoot(mapping), DestRoot(mapping)};
  TRootNow now[2];
  for (int i = 0; i < 2; ++i) {
    const Status status = IdentifyByPath(platform, roots[i], &now[i]);
    if (!status.ok()) {
      *error = "Could not identify the file system of " + roots[i].path + ": " + status.message();
      return false;
    }
  }
  TSettingsTransaction transaction(ini.db());
  for (int i = 0; i < 2; ++i) Store(ini, mapping, roots[i], now[i]);
  return transaction.Commit(error);
}

}  // namespace qv
