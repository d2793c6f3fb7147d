// mirror set DESTINATION: the mass-change thresholds and the archive age of one mirror.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "cli/command_registry.h"
#include "cli/user_input.h"
#include "config/config_keys.h"
#include "config/mapping.h"

namespace qv {

namespace {

struct TMirrorSetArgs {
  std::string destination;
  std::string percent;  // empty: keep
  std::string minimum;
  std::string max_archive_age;
};

// The thresholds given; the others keep their stored values.
struct TThresholds {
  std::optional<int32_t> percent;
  std::optional<int32_t> minimum;
  std::optional<int32_t> max_archive_age;
};

bool ReadOne(const std::string& text, int64_t high, const char* name, std::optional<int32_t>* out,
             std::string* error) {
  int64_t value = 0;
  if (text.empty()) return true;
  if (!ReadInteger(text, 0, high, name, &value, error)) return false;
  *out = static_cast<int32_t>(value);
  return true;
}

bool ReadThresholds(const TMirrorSetArgs& args, TThresholds* thresholds, std::string* error) {
  if (args.percent.empty() && args.minimum.empty() && args.max_archive_age.empty()) {
    *error = "mirror set needs --mass-change-percent, --mass-change-minimum or --max-archive-age";
    return false;
  }
  return ReadOne(args.percent, 100, "--mass-change-percent", &thresholds->percent, error) &&
         ReadOne(args.minimum, INT32_MAX, "--mass-change-minimum", &thresholds->minimum, error) &&
         ReadOne(args.max_archive_age, kMaxDays, "--max-archive-age", &thresholds->max_archive_age,
                 error);
}

int SetMirror(TCommandContext& context, const TMirrorSetArgs& args) {
  TUserPath destination;
  TThresholds thresholds;
  std::string error;
  if (!ReadPath(context.platform(), args.destination, TPathKind::kDirectory, "the destination",
                &destination, &error) ||
      !ReadThresholds(args, &thresholds, &error)) {
    return context.Fail(error);
  }
  return context.EditMirror(destination.expanded, [&](TQVIniFile&, TMapping& mapping) {
    TMappingSettings& settings = mapping.mutable_settings();
    settings.mass_change_percent = thresholds.percent.value_or(settings.mass_change_percent);
    settings.mass_change_minimum = thresholds.minimum.value_or(settings.mass_change_minimum);
    settings.max_archive_age = thresholds.max_archive_age.value_or(settings.max_archive_age);
    (void)mapping.Save();  // joins the transaction
    return kExitOk;
  });
}

}  // namespace

void AddMirrorSetCommand(TCommandRegistry& registry, CLI::App* group) {
  auto args = std::make_shared<TMirrorSetArgs>();
  CLI::App* set = registry.AddCommand(
      group, "set",
      "Change when a mirror holds a mass change instead of making it, and how long its archive "
      "keeps days",
      [args](TCommandContext& context) { return SetMirror(context, *args); });
  set->add_option("DESTINATION", args->destination, "Destination of the mirror")->required();
  set->add_option("--mass-change-percent", args->percent,
                  "Hold a scan that would replace or remove more than this share of the "
                  "destination's files (0 to 100, 0 = never; default 50)");
  set->add_option("--mass-change-minimum", args->minimum,
                  "... but only when that is at least this many files (0 = any; default 100)");
  set->add_option("--max-archive-age", args->max_archive_age, kMaxArchiveAgeHelp);
}

}  // namespace qv
