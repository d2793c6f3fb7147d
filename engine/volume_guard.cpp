#include "engine/volume_guard.h"

#include "config/mapping.h"
#include "config/qv_ini_file.h"
#include "filesys/platform.h"
#include "log/logger.h"

namespace qv {

namespace {

struct TRoot {
  const char* value;  // name of the stored identity
  const char* noun;   // in the error line
  const std::string& path;
};

TRoot SourceRoot(const TMapping& mapping) {
  return TRoot{"SourceVolume", "source", mapping.source()};
}

TRoot DestRoot(const TMapping& mapping) {
  return TRoot{"DestVolume", "destination", mapping.destination()};
}

Status Identify(Platform& platform, const std::string& path, std::string* identity) {
  VolumeInfo volume;
  const Status status = platform.GetVolume(path, &volume);
  if (!status.ok()) return status;
  *identity = volume.uuid.empty() ? "device " + std::to_string(volume.device) + " " + volume.fs_type
                                  : "uuid " + volume.uuid;
  return status;
}

bool CheckRoot(Platform& platform, TQVIniFile& ini, const TMapping& mapping, const TRoot& root,
               TLogger& logger) {
  FileInfo info;
  if (!platform.Stat(root.path, &info).ok()) return true;
  std::string now;
  const Status status = Identify(platform, root.path, &now);
  if (!status.ok()) {
    logger.LogWarning("Could not identify the file system of " + root.path + ": " +
                      status.message());
    return true;
  }
  const std::string was = ini.ReadString(mapping.key(), root.value);
  if (was.empty()) {
    (void)ini.WriteString(mapping.key(), root.value, now);
    return true;
  }
  if (was == now) return true;
  logger.LogError("The " + std::string(root.noun) + " " + root.path +
                  " is on another file system than at the last scan (was " + was + ", now " + now +
                  "). If this is intended, run: quorvane-cli mirror accept " +
                  mapping.destination());
  return false;
}

}  // namespace

bool CheckVolumes(Platform& platform, TQVIniFile& ini, const TMapping& mapping, TLogger& logger) {
  const bool source_ok = CheckRoot(platform, ini, mapping, SourceRoot(mapping), logger);
  const bool dest_ok = CheckRoot(platform, ini, mapping, DestRoot(mapping), logger);
  return source_ok && dest_ok;
}

bool AcceptVolumes(TQVIniFile& ini, Platform& platform, const TMapping& mapping,
                   std::string* error) {
  const TRoot roots[] = {SourceRoot(mapping), DestRoot(mapping)};
  std::string identities[2];
  for (int i = 0; i < 2; ++i) {
    const Status status = Identify(platform, roots[i].path, &identities[i]);
    if (!status.ok()) {
      *error = "Could not identify the file system of " + roots[i].path + ": " + status.message();
      return false;
    }
  }
  TSettingsTransaction transaction(ini.db());
  for (int i = 0; i < 2; ++i) (void)ini.WriteString(mapping.key(), roots[i].value, identities[i]);
  return transaction.Commit(error);
}

}  // namespace qv
