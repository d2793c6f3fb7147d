#ifndef QUORVANE_CONFIG_CONFIG_KEYS_H_
#define QUORVANE_CONFIG_CONFIG_KEYS_H_

#include <cstdint>
#include <limits>

namespace qv {

// The configuration tree below HKEY_CURRENT_USER. The names stay as they are
// so that every program that reads the tree finds the same keys.
inline constexpr char kBaseKey[] = "Software\\KZ\\Quorvane";
inline constexpr char kMappingsKey[] = "Software\\KZ\\Quorvane\\Mappings";
inline constexpr char kFiltersKey[] = "Software\\KZ\\Quorvane\\Filters";
inline constexpr char kMinimalAgesKey[] = "Software\\KZ\\Quorvane\\MinimalAges";
inline constexpr char kFileMappingsKey[] = "Software\\KZ\\Quorvane\\FileMappings";
inline constexpr char kRegistryKey[] = "Software\\KZ\\Quorvane\\Registry";
inline constexpr char kLogsKey[] = "Software\\KZ\\Quorvane\\Logs";

// Subkeys of a mapping key (counters, limits, archive information).
inline constexpr char kSourceSubkey[] = "\\Source";
inline constexpr char kDestinationSubkey[] = "\\Destination";
inline constexpr char kExcludedSubkey[] = "\\Excluded";
inline constexpr char kArchiveSubkey[] = "\\Archive";

// Name of the archive directory inside a destination.
inline constexpr char kArchiveDirName[] = "Quorvane archive";
// The file in a destination root that carries the scan's lock where the file
// system cannot lock directories (NFS); it takes no part in the mirror.
inline constexpr char kLockFileName[] = ".Quorvane lock";

// Row of an entry stored without one: after all others.
inline constexpr int32_t kRowUnset = std::numeric_limits<int32_t>::max();
// The most minutes whose milliseconds fit a signed 32-bit integer.
inline constexpr int kMaxMinutes = 35791;
// The most days a setting counts: a hundred years.
inline constexpr int32_t kMaxDays = 36525;

}  // namespace qv

#endif  // QUORVANE_CONFIG_CONFIG_KEYS_H_
