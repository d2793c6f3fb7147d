#ifndef QUORVANE_CONFIG_MASS_CHANGE_H_
#define QUORVANE_CONFIG_MASS_CHANGE_H_

#include <cstdint>
#include <optional>
#include <string>

namespace qv {

class TQVIniFile;
struct TMappingSettings;

// A scan that would replace or remove more than a share of a destination's
// files (an emptied source, a rewrite of every file) is held instead of
// obeyed. Each mirror stores under its mapping key the two thresholds, the
// destination's file count at the end of its last complete scan (the base
// of the share), and the hold itself.

// 0 turns the guard off; 1 .. 100 is the share in percent.
inline constexpr int32_t kDefaultMassChangePercent = 50;
// Fewer archived files than this never count as a mass change; 0 = no minimum.
inline constexpr int32_t kDefaultMassChangeMinimum = 100;

// Reads MassChangePercent (0 .. 100) and MassChangeMinimum (0 or more);
// anything else reads as the default.
void LoadMassChangeLimits(TQVIniFile& ini, const std::string& mapping_key,
                          TMappingSettings* settings);
// Writes both, deleting a value that equals its default.
void SaveMassChangeLimits(TQVIniFile& ini, const std::string& mapping_key,
                          const TMappingSettings& settings);
// "Hold a scan that replaces or removes more than 50% of the files, at least
// 100", or "Mass changes are not held".
std::string MassChangeLimitsText(const TMappingSettings& settings);

// What the held scan would have done ("101 of 200 files"); "" when the
// mirror holds nothing.
std::string ReadMassChangeHold(TQVIniFile& ini, const std::string& mapping_key);
bool WriteMassChangeHold(TQVIniFile& ini, const std::string& mapping_key,
                         const std::string& description);
// The base of the share; none before the first complete scan.
std::optional<int32_t> ReadCompleteScanFiles(TQVIniFile& ini, const std::string& mapping_key);
bool WriteCompleteScanFiles(TQVIniFile& ini, const std::string& mapping_key, int32_t files);
// Lifts the hold and forgets the base, so that the scan after an accepted
// change is not held again for the rest of it. False when the store refused.
bool AcceptMassChange(TQVIniFile& ini, const std::string& mapping_key);
// What accepting lifts, as one line for the user: "the mass change held for
// <destination> (101 of 200 files replaced or removed)"; "" when nothing is
// held.
std::string PendingMassChangeText(TQVIniFile& ini, const std::string& mapping_key,
                                  const std::string& destination);

}  // namespace qv

#endif  // QUORVANE_CONFIG_MASS_CHANGE_H_
