#include "config/mapping.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "config/qv_ini_file.h"
#include "config/registry_values.h"
#include "config/settings_db.h"
#include "filesys/file_times.h"
#include "filesys/fs_probe.h"
#include "filesys/path_ops.h"
#include "filesys/platform.h"
#include "filesys/text_format.h"
#include "log/logger.h"

namespace qv {

namespace {

constexpr size_t kMappingKeyLength = 255;

}  // namespace

std::string MappingKeyName(const std::string& destination) {
  std::string name = destination.substr(0, kMappingKeyLength);
  for (char& c : name) {
    if (c == '/') c = '|';
  }
  return name;
}

TMapping::TMapping(TQVIniFile& ini, std::string destination)
    : ini_(ini),
      destination_(std::move(destination)),
      key_(std::string(kMappingsKey) + "\\" + MappingKeyName(destination_)),
      dest_key_(key_ + kDestinationSubkey),
      archive_key_(dest_key_ + kArchiveSubkey) {}

void TMapping::Load() {
  TSettingsLock lock(ini_);
  TMappingSettings& s = settings_;
  SetSource(ini_.ReadString(key_, "Src"));
  s.enabled = ini_.ReadBool(key_, "Enabled", true);
  s.row = ini_.ReadInteger(key_, "Row", kRowUnset);
  s.copy_security_info = ini_.ReadBool(key_, "CopySecurityInfo", true);
  s.copy_creation_time = ini_.ReadBool(key_, "CopyCreationTime", true);
  s.copy_creation_time_dir = ini_.ReadBool(key_, "CopyCreationTimeDir", true);
  s.free_bytes_wanted = ini_.Read64NonNegative(dest_key_, "FreeBytesWanted", 0);
  s.max_size_dest = ini_.Read64NonNegative(dest_key_, "MaxSizeDest", kNoLimit);
  s.max_compressed_size_dest = ini_.Read64NonNegative(dest_key_, "MaxCompressedSizeDest", kNoLimit);
  s.max_archive_size = ini_.Read64NonNegative(archive_key_, "MaxArchiveSize", kNoLimit);
  s.max_compressed_archive_size =
      ini_.Read64NonNegative(archive_key_, "MaxCompressedArchiveSize", kNoLimit);
  s.max_archive_age = ini_.ReadDays(archive_key_, "MaxArchiveAge");
  s.write_time_resolution = ini_.Read64Positive(dest_key_, "WriteTimeResolution", 0);
  s.creation_time_resolution = ini_.Read64Positive(dest_key_, "CreationTimeResolution", 0);
  LoadMassChangeLimits(ini_, key_, &s);
}

bool TMapping::Save(std::string* error) {
  const TMappingSettings& s = settings_;
  TSettingsTransaction transaction(ini_.db());
  ini_.WriteString(key_, "", destination_);
  ini_.WriteString(key_, "Src", raw_source_);
  ini_.WriteBool(key_, "Enabled", s.enabled);
  ini_.WriteInteger(key_, "Row", s.row);
  ini_.WriteBool(key_, "CopySecurityInfo", s.copy_security_info);
  ini_.WriteBool(key_, "CopyCreationTime", s.copy_creation_time);
  ini_.WriteBool(key_, "CopyCreationTimeDir", s.copy_creation_time_dir);
  ini_.WriteFreeBytesWanted(dest_key_, s.free_bytes_wanted);
  ini_.WriteSizeLimit(dest_key_, "MaxSizeDest", s.max_size_dest);
  ini_.WriteSizeLimit(dest_key_, "MaxCompressedSizeDest", s.max_compressed_size_dest);
  ini_.WriteSizeLimit(archive_key_, "MaxArchiveSize", s.max_archive_size);
  ini_.WriteSizeLimit(archive_key_, "MaxCompressedArchiveSize", s.max_compressed_archive_size);
  ini_.WriteDays(archive_key_, "MaxArchiveAge", s.max_archive_age);
  ini_.WriteResolution(dest_key_, "WriteTimeResolution", s.write_time_resolution);
  ini_.WriteResolution(dest_key_, "CreationTimeResolution", s.creation_time_resolution);
  SaveMassChangeLimits(ini_, key_, s);
  return transaction.Commit(error);
}

void TMapping::KeepWritesWhileStored() {
  // As stored, whatever its type; a key gone already keeps everything out
  // unless the same destination is added again.
  const std::optional<TRegValue> stored = ini_.ReadRaw(key_, "");
  ini_.db().KeepWritesWhile(key_, "", stored.value_or(StringValue(destination_, false)));
}

void TMapping::SetSource(const std::string& raw) {
  raw_source_ = raw;
  source_ = ExpandEnvironment(ini_.platform(), raw);
}

void TMapping::NormaliseSource() { source_ = NormaliseDirectory(ini_.platform(), source_, false); }

bool TMapping::PrepareForScan(TLogger& logger, const FileSystemProbe* probe) {
  LogLimits(logger);
  logger.LogLine(settings_.copy_security_info ? "Copy security descriptors"
                                              : "Don't copy security descriptors");
  if (!settings_.copy_creation_time) {
    logger.LogLine("Copy creation time is disabled");
  } else if (!settings_.copy_creation_time_dir) {
    logger.LogLine("Copy creation and write time disabled for directories");
  }
  VolumeInfo volume;
  const Status s = ini_.platform().GetVolume(destination_, &volume);
  if (!s.ok() || volume.fs_type.empty()) {
    const std::string drive = volume.mount_point.empty() ? destination_ : volume.mount_point;
    logger.LogSysError(s.code(), "Could not get file system of destination drive " + drive);
    return false;
  }
  file_system_ = volume.fs_type;
  logger.LogLine("File system of destination drive " + volume.mount_point + " is " + file_system_);
  SettleResolutions(logger, probe);
  LogDestFileSystem(logger, volume.mount_point, probe);
  return true;
}

void TMapping::LogLimits(TLogger& logger) const {
  const std::pair<int64_t, const char*> limits[] = {
      {settings_.max_size_dest, "The maximum size of destination is "},
      {settings_.max_compressed_size_dest, "The maximum compressed size of destination is "},
      {settings_.max_archive_size, "The maximum size of the archive is "},
      {settings_.max_compressed_archive_size, "The maximum compressed size of the archive is "},
  };
  for (const auto& [limit, text] : limits) {
    if (limit != kNoLimit) logger.LogLine(text + SizeText(limit, 2));
  }
  if (settings_.max_archive_age > 0) {
    logger.LogLine("Archive days older than " + std::to_string(settings_.max_archive_age) +
                   " days are removed");
  }
}

void TMapping::SettleResolutions(TLogger& logger, const FileSystemProbe* probe) {
  const TTimeResolution defaults = DefaultTimeResolution(file_system_);
  resolution_ = TTimeResolution();
  resolution_.creation = settings_.creation_time_resolution >= 1
                             ? settings_.creation_time_resolution
                             : defaults.creation;
  if (settings_.copy_creation_time) {
    logger.LogLine("Using creation time resolution of " + DurationText(resolution_.creation));
  }
  if (settings_.write_time_resolution >= 1) {
    // A stored write-time resolution is trusted as it is: no read-back, and
    // source times are compared as they are.
    resolution_.write = settings_.write_time_resolution;
  } else {
    resolution_.write = defaults.write;
    resolution_.verify_write = defaults.verify_write;
    resolution_.earliest = defaults.earliest;
    resolution_.latest = defaults.latest;
    resolution_.local_time = defaults.local_time;
    if (probe != nullptr) {
      resolution_.write = std::max(resolution_.write, probe->write_resolution);
      if (resolution_.latest == 0) resolution_.latest = probe->latest;
    }
  }
  logger.LogLine("Using write time resolution of " + DurationText(resolution_.write));
  if (resolution_.verify_write) logger.LogLine("Verify of write time is enabled");
}

void TMapping::LogDestFileSystem(TLogger& logger, const std::string& drive,
                                 const FileSystemProbe* probe) {
  Platform& platform = ini_.platform();
  if (resolution_.latest != 0) {
    const std::string from = resolution_.earliest == 0
                                 ? std::string()
                                 : " from " + TimeText(platform, resolution_.earliest);
    logger.LogLine("Destination drive " + drive + " keeps write times" + from + " up to " +
                   TimeText(platform, resolution_.latest));
  }
  if (resolution_.local_time) {
    logger.LogLine("Destination drive " + drive +
                   " keeps local times: a difference of one hour counts as none");
  }
  if (probe != nullptr && probe->ignores_case) {
    logger.LogLine("Destination drive " + drive + " does not tell names apart by case");
  }
}

bool TMapping::SameConfiguration(const TMapping* a, const TMapping* b) {
  if (a == nullptr || b == nullptr) return a == b;
  return a->destination_ == b->destination_ && a->raw_source_ == b->raw_source_ &&
         a->settings_ == b->settings_;
}

}  // namespace qv
