#ifndef QUORVANE_CONFIG_TIME_RESOLUTION_H_
#define QUORVANE_CONFIG_TIME_RESOLUTION_H_

#include <cstdint>
#include <string>

#include "filesys/local_time.h"
#include "filesys/platform.h"

namespace qv {

// Resolutions of file times in 100-nanosecond units, and what else a
// destination does to the write times it is given.
struct TTimeResolution {
  int64_t creation = 0;
  int64_t write = 0;
  bool verify_write = false;  // read the write time back after setting it
  // The write times the destination can hold; it cuts others to the nearer
  // end. 0 = no limit that end.
  FileTime earliest = 0;
  FileTime latest = 0;
  // Kept in local time (FAT, exFAT): a change to or from daylight saving time
  // moves every time read back by one hour.
  bool local_time = false;
  bool operator==(const TTimeResolution&) const = default;
};

// Defaults for a file system by the name the platform reports ("ext4",
// "vfat", "iso9660", "udf", ...; compared ignoring case). Linux file systems
// that keep exact times use the NTFS row; vfat and msdos the FAT row; iso9660
// the CDFS row; udf and exfat their own; every other (network and FUSE file
// systems) the cautious row. FAT and exFAT keep local times from 1980 to
// 2107.
TTimeResolution DefaultTimeResolution(const std::string& fs_type);

// Whether a destination file whose write time is dest holds the source's
// write time source: the source time is first cut to the range the
// destination holds, then the two are equal by TimesEqual with
// resolution.write or, where the destination keeps local time, when they lie
// one hour apart by that measure.
bool WriteTimesEqual(FileTime source, FileTime dest, const TTimeResolution& resolution);

// Whether dest holds what source holds, as a scan first compares them: a
// link, a special file and a regular file never hold the same thing, even
// with equal sizes and times; then the write times, then the sizes.
enum class TContentMatch { kSame, kWriteTime, kSize };
TContentMatch CompareContent(const FileInfo& source, const FileInfo& dest,
                             const TTimeResolution& resolution);

}  // namespace qv

#endif  // QUORVANE_CONFIG_TIME_RESOLUTION_H_
