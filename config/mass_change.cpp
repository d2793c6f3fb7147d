#include "config/mass_change.h"

#include "config/mapping.h"
#include "config/qv_ini_file.h"

namespace qv {

namespace {

constexpr char kPercentValue[] = "MassChangePercent";
constexpr char kMinimumValue[] = "MassChangeMinimum";
constexpr char kHoldValue[] = "MassChangeHold";
constexpr char kBaseValue[] = "CompleteScanFiles";

bool WriteOrUnset(TQVIniFile& ini, const std::string& key, const char* name, int32_t value,
                  int32_t default_value) {
  return value == default_value ? ini.Unset(key, name) : ini.WriteInteger(key, name, value);
}

}  // namespace

void LoadMassChangeLimits(TQVIniFile& ini, const std::string& mapping_key,
                          TMappingSettings* settings) {
  const int32_t percent = ini.ReadInteger(mapping_key, kPercentValue, kDefaultMassChangePercent);
  const int32_t minimum = ini.ReadInteger(mapping_key, kMinimumValue, kDefaultMassChangeMinimum);
  settings->mass_change_percent =
      percent >= 0 && percent <= 100 ? percent : kDefaultMassChangePercent;
  settings->mass_change_minimum = minimum >= 0 ? minimum : kDefaultMassChangeMinimum;
}

void SaveMassChangeLimits(TQVIniFile& ini, const std::string& mapping_key,
                          const TMappingSettings& settings) {
  WriteOrUnset(ini, mapping_key, kPercentValue, settings.mass_change_percent,
               kDefaultMassChangePercent);
  WriteOrUnset(ini, mapping_key, kMinimumValue, settings.mass_change_minimum,
               kDefaultMassChangeMinimum);
}

std::string MassChangeLimitsText(const TMappingSettings& settings) {
  if (settings.mass_change_percent == 0) return "Mass changes are not held";
  std::string text = "Hold a scan that replaces or removes more than " +
                     std::to_string(settings.mass_change_percent) + "% of the files";
  if (settings.mass_change_minimum > 0) {
    text += ", at least " + std::to_string(settings.mass_change_minimum);
  }
  return text;
}

std::string ReadMassChangeHold(TQVIniFile& ini, const std::string& mapping_key) {
  return ini.ReadString(mapping_key, kHoldValue);
}

bool WriteMassChangeHold(TQVIniFile& ini, const std::string& mapping_key,
                         const std::string& description) {
  return ini.WriteString(mapping_key, kHoldValue, description);
}

std::optional<int32_t> ReadCompleteScanFiles(TQVIniFile& ini, const std::string& mapping_key) {
  int32_t files = 0;
  if (!ini.TryReadInteger(mapping_key, kBaseValue, &files) || files < 0) return std::nullopt;
  return files;
}

bool WriteCompleteScanFiles(TQVIniFile& ini, const std::string& mapping_key, int32_t files) {
  return ini.WriteInteger(mapping_key, kBaseValue, files);
}

bool AcceptMassChange(TQVIniFile& ini, const std::string& mapping_key) {
  TSettingsTransaction transaction(ini.db());
  (void)ini.Unset(mapping_key, kHoldValue);
  (void)ini.Unset(mapping_key, kBaseValue);
  return transaction.Commit();
}

std::string PendingMassChangeText(TQVIniFile& ini, const std::string& mapping_key,
                                  const std::string& destination) {
  const std::string hold = ReadMassChangeHold(ini, mapping_key);
  if (hold.empty()) return "";
  return "the mass change held for " + destination + " (" + hold + " replaced or removed)";
}

}  // namespace qv
