#ifndef QUORVANE_CONFIG_MAPPING_H_
#define QUORVANE_CONFIG_MAPPING_H_

#include <cstdint>
#include <string>

#include "config/config_keys.h"
#include "config/mass_change.h"
#include "config/registry_values.h"
#include "config/time_resolution.h"

namespace qv {

class TLogger;
class TQVIniFile;
struct FileSystemProbe;

// The stored settings of one mirror, with their defaults.
struct TMappingSettings {
  bool enabled = true;
  bool copy_security_info = true;
  bool copy_creation_time = true;
  bool copy_creation_time_dir = true;  // creation and write times of directories
  int64_t free_bytes_wanted = 0;
  int64_t max_size_dest = kNoLimit;
  int64_t max_compressed_size_dest = kNoLimit;
  int64_t max_archive_size = kNoLimit;
  int64_t max_compressed_archive_size = kNoLimit;
  int32_t max_archive_age = 0;           // days; 0 keeps every day
  int64_t creation_time_resolution = 0;  // below 1: the file system's default
  int64_t write_time_resolution = 0;     // below 1: the file system's default
  int32_t row = kRowUnset;
  int32_t mass_change_percent = kDefaultMassChangePercent;
  int32_t mass_change_minimum = kDefaultMassChangeMinimum;
  bool operator==(const TMappingSettings&) const = default;
};

// Name of a mapping's key below Mappings: the first 255 bytes of the
// destination with every "/" replaced by "|".
std::string MappingKeyName(const std::string& destination);

// One mirror: a source directory mirrored into a destination directory. The
// key paths follow from the destination at construction, so the object always
// reads and writes the key of its own destination.
class TMapping {
 public:
  TMapping(TQVIniFile& ini, std::string destination);

  // Reads every stored value; missing or invalid values give the defaults
  // (negative limits read as no limit, resolutions below 1 as unset).
  void Load();
  // Writes every value in one transaction: the destination as the unnamed
  // value, Src, the switches and Row, and the limits and resolutions with
  // their deletion rules.
  bool Save(std::string* error = nullptr);
  // Stores the raw source and its environment expansion.
  void SetSource(const std::string& raw);
  // The mapping-load check: normal form of the expanded source.
  void NormaliseSource();

  // Logs the description lines of the mirror, asks the file system of the
  // destination and settles the time resolutions. False, with an error line,
  // when the file system cannot be determined. probe (may be null) is what a
  // file written to the destination showed: unless a write-time resolution
  // is stored, the resolution is the coarser of the probed one and the
  // file system's default, and a limit the probe found ends the range of
  // write times where the file system's row sets none.
  bool PrepareForScan(TLogger& logger, const FileSystemProbe* probe = nullptr);

  // Values written at or below the key through this store from now on are
  // stored only while the key holds what it holds now, its destination: a
  // scan never re-creates the key of a mapping removed while it ran.
  void KeepWritesWhileStored();

  // True when both are absent, or both present with equal destination, raw
  // source and settings (compared exactly).
  static bool SameConfiguration(const TMapping* a, const TMapping* b);

  const std::string& destination() const { return destination_; }
  const std::string& source() const { return source_; }
  const std::string& raw_source() const { return raw_source_; }
  const std::string& key() const { return key_; }
  const std::string& dest_key() const { return dest_key_; }
  const std::string& archive_key() const { return archive_key_; }
  const TMappingSettings& settings() const { return settings_; }
  TMappingSettings& mutable_settings() { return settings_; }
  // Valid after PrepareForScan.
  const std::string& file_system() const { return file_system_; }
  const TTimeResolution& resolution() const { return resolution_; }

 private:
  void LogLimits(TLogger& logger) const;
  void SettleResolutions(TLogger& logger, const FileSystemProbe* probe);
  void LogDestFileSystem(TLogger& logger, const std::string& drive, const FileSystemProbe* probe);

  TQVIniFile& ini_;
  std::string destination_;
  std::string source_;
  std::string raw_source_;
  std::string key_;
  std::string dest_key_;
  std::string archive_key_;
  TMappingSettings settings_;
  std::string file_system_;
  TTimeResolution resolution_;
};

}  // namespace qv

#endif  // QUORVANE_CONFIG_MAPPING_H_
