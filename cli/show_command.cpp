// show: the configuration as the start of a scan describes it.

#include "cli/command_registry.h"
#include "config/config_data.h"
#include "config/mappings.h"
#include "config/mass_change.h"
#include "config/qv_ini_file.h"
#include "log/console_logger.h"

namespace qv {

namespace {

// The general settings, then each mirror in scan order with its title and
// description lines. Mirrors a scan would reject appear as its error lines;
// disabled mirrors are described too, and marked.
int Show(TCommandContext& context) {
  TQVIniFile* ini = context.ExistingStore();
  if (ini == nullptr) return kExitCannotRun;
  TConfigData data;
  if (!data.Load(*ini)) return context.Fail(ini->FailureText());
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
  registry.AddCommand(&registry.app(), "show", "Describe the settings and mirrors as a scan would",
                      Show);
}

}  // namespace qv
