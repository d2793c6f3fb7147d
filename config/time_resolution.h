#ifndef QUORVANE_CONFIG_TIME_RESOLUTION_H_
#define QUORVANE_CONFIG_TIME_RESOLUTION_H_

#include <cstdint>
#include <string>

namespace qv {

// Resolutions of file times in 100-nanosecond units.
struct TTimeResolution {
  int64_t creation = 0;
  int64_t write = 0;
  bool verify_write = false;  // read the write time back after setting it
  bool operator==(const TTimeResolution&) const = default;
};

// Defaults for a file system by the name the platform reports ("ext4",
// "vfat", "iso9660", "udf", ...; compared ignoring case). Linux file systems
// that keep exact times use the NTFS row; vfat and msdos the FAT row; iso9660
// the CDFS row; udf its own; every other (exfat, network and FUSE file
// systems) the cautious row.
TTimeResolution DefaultTimeResolution(const std::string& fs_type);

}  // namespace qv

#endif  // QUORVANE_CONFIG_TIME_RESOLUTION_H_
