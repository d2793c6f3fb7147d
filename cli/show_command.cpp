// show: the configuration as the start of a scan describes it.

#include <memory>
#include <string>

#include "cli/command_registry.h"
#include "cli/json_text.h"
#include "config/config_data.h"
#include "config/mappings.h"
#include "config/mass_change.h"
#include "config/qv_ini_file.h"
#include "log/console_logger.h"

namespace qv {

namespace {

std::string JsonNumber(const std::string& name, int64_t value) {
  return ",\"" + name + "\":" + std::to_string(value);
}

// The settings by their stored names; a size limit that is none is null.
std::string JsonSettings(const TConfigData& data) {
  const TConfigSwitches& s = data.switches;
  const std::pair<const char*, bool> kSwitches[] = {
      {"CloseWhenDone", s.close_when_done},
      {"LogCreate", s.log_create},
      {"LogCreateDir", s.log_create_dir},
      {"LogExcluded", s.log_excluded},
      {"LogMinAges", s.log_min_ages},
      {"LogUpdateCreationTime", s.log_update_creation_time},
      {"Confirm", s.confirm},
      {"AutoFilter", s.auto_filter},
      {"ScanExcludedDirs", s.scan_excluded_dirs},
      {"UseArchiveBit", s.use_archive_bit},
  };
  std::string json = "{\"Wait\":" + std::to_string(data.wait_minutes()) +
                     JsonNumber("MinMinutesToWait", data.min_minutes_to_wait()) +
                     JsonNumber("SuspendMillis", data.suspend_millis()) +
                     ",\"Priority\":" + JsonString(PriorityName(data.priority())) +
                     JsonNumber("HealthMaxAge", data.health_max_age());
  for (const auto& [name, on] : kSwitches) json += ",\"" + std::string(name) + "\":" + JsonBool(on);
  return json + "}";
}

std::string JsonMirror(const TMapping& mapping, TQVIniFile& ini) {
  const TMappingSettings& s = mapping.settings();
  const auto limit = [](const char* name, int64_t bytes) {
    return ",\"" + std::string(name) + "\":" + (bytes == kNoLimit ? "null" : std::to_string(bytes));
  };
  const std::string held = PendingMassChangeText(ini, mapping.key(), mapping.destination());
  return "{" + JsonNameMember("source", mapping.raw_source()) + "," +
         JsonNameMember("expanded_source", mapping.source()) + "," +
         JsonNameMember("destination", mapping.destination()) +
         ",\"enabled\":" + JsonBool(s.enabled) +
         ",\"copy_security_info\":" + JsonBool(s.copy_security_info) +
         ",\"copy_creation_time\":" + JsonBool(s.copy_creation_time) +
         ",\"copy_creation_time_dir\":" + JsonBool(s.copy_creation_time_dir) +
         JsonNumber("free_bytes_wanted", s.free_bytes_wanted) +
         limit("max_size_dest", s.max_size_dest) +
         limit("max_compressed_size_dest", s.max_compressed_size_dest) +
         limit("max_archive_size", s.max_archive_size) +
         limit("max_compressed_archive_size", s.max_compressed_archive_size) +
         JsonNumber("mass_change_percent", s.mass_change_percent) +
         JsonNumber("mass_change_minimum", s.mass_change_minimum) +
         ",\"pending_mass_change\":" + (held.empty() ? "null" : JsonString(held)) + "}";
}

// The settings and every mirror as stored, without asking any drive.
int ShowJson(TCommandContext& context, TQVIniFile& ini, const TConfigData& data) {
  TMappings mappings(ini);
  if (!context.LoadMirrors(&mappings)) return kExitCannotRun;
  std::string mirrors;
  for (int i = 0; i < mappings.Count(); ++i) {
    mirrors += (i == 0 ? "" : ",") + JsonMirror(*mappings.Mapping(i), ini);
  }
  if (ini.Failed()) return context.Fail(ini.FailureText());
  context.out() << "{\"settings\":" << JsonSettings(data) << ",\"mirrors\":[" << mirrors << "]}\n";
  return kExitOk;
}

// The general settings, then each mirror in scan order with its title and
// description lines. Mirrors a scan would reject appear as its error lines;
// disabled mirrors are described too, and marked.
int Show(TCommandContext& context, bool json) {
  TQVIniFile* ini = context.ExistingStore();
  if (ini == nullptr) return kExitCannotRun;
  TConfigData data;
  if (!data.Load(*ini)) return context.Fail(ini->FailureText());
  if (json) return ShowJson(context, *ini, data);
  TConsoleLogger logger(context.out());
  data.LogSettings(logger);
  TMappings mappings(*ini);
  const bool loaded = mappings.Load(logger, nullptr, false, false);
  for (int i = 0; loaded && i < mappings.Count(); ++i) {
    TMapping* mapping = mappings.Mapping(i);
    logger.LogEmpty();
    logger.LogLine("mirror from " + mapping->source() + " to " + mapping->destination() +
                   (mapping->settings().enabled ? "" : " (disabled)"));
    (void)mapping->PrepareForScan(logger);  // a failure is one of its lines
    logger.LogLine(MassChangeLimitsText(mapping->settings()));
    const std::string held = PendingMassChangeText(*ini, mapping->key(), mapping->destination());
    if (!held.empty()) logger.LogLine("Waiting to be accepted: " + held);
  }
  logger.EndLine();
  if (!loaded) return context.Fail(ini->FailureText());
  return kExitOk;
}

}  // namespace

void AddShowCommand(TCommandRegistry& registry) {
  auto json = std::make_shared<bool>(false);
  CLI::App* command = registry.AddCommand(
      &registry.app(), "show", "Describe the settings and mirrors as a scan would",
      [json](TCommandContext& context) { return Show(context, *json); });
  command->add_flag("--json", *json, "Answer in JSON: the settings and mirrors as stored");
}

}  // namespace qv
