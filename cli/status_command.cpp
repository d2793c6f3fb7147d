// status: how each mirror's last scan ended and whether one is overdue.

#include <cstdint>
#include <optional>
#include <string>

#include "cli/command_registry.h"
#include "cli/json_text.h"
#include "cli/text_table.h"
#include "config/config_data.h"
#include "config/mappings.h"
#include "config/mirror_health.h"
#include "config/qv_ini_file.h"
#include "versions/civil_time.h"

namespace qv {

namespace {

struct TStatusArgs {
  std::string max_age;
  bool json = false;
};

constexpr int64_t kTicksPerMinute = 60 * kFileTimeTicksPerSecond;

// "90m", "26h", "2d" in minutes; nullopt for anything else.
std::optional<int64_t> DurationMinutes(const std::string& text) {
  if (text.size() < 2 || text.size() > 8) return std::nullopt;
  int64_t count = 0;
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    count = count * 10 + (text[i] - '0');
  }
  const int64_t unit = text.back() == 'm'   ? 1
                       : text.back() == 'h' ? 60
                       : text.back() == 'd' ? 1440
                                            : 0;
  if (unit == 0 || count == 0) return std::nullopt;
  return count * unit;
}

struct TMirrorStatus {
  std::string source;
  std::string destination;
  bool enabled = true;
  TMirrorHealth health;
  bool overdue = false;  // enabled and without a good scan within the limit
};

std::string JsonOf(const TMirrorStatus& m, FileTime now) {
  const TMirrorHealth& h = m.health;
  const bool ran = h.result != TScanResult::kNone;
  const std::string since =
      h.last_good == 0 ? "null" : std::to_string((now - h.last_good) / kTicksPerMinute);
  return "{" + JsonNameMember("source", m.source) + "," +
         JsonNameMember("destination", m.destination) + ",\"enabled\":" + JsonBool(m.enabled) +
         ",\"last_scan\":" + JsonTime(h.last_end) +
         ",\"result\":" + (ran ? "\"" + std::string(ScanResultWord(h.result)) + "\"" : "null") +
         ",\"errors\":" + std::to_string(h.errors) +
         ",\"last_good_scan\":" + JsonTime(h.last_good) + ",\"minutes_since_good_scan\":" + since +
         ",\"overdue\":" + JsonBool(m.overdue) + "}";
}

void PrintTable(TCommandContext& context, const std::vector<TMirrorStatus>& mirrors, FileTime now) {
  TTextTable table({"Mirror", "Last scan", "Result", "Errors", "Since good scan", "Health"});
  for (const TMirrorStatus& m : mirrors) {
    const TMirrorHealth& h = m.health;
    table.AddRow({m.destination,
                  h.last_end == 0 ? "never" : LocalTimeText(context.platform(), h.last_end),
                  ScanResultText(h.result), std::to_string(h.errors),
                  h.last_good == 0 ? "never" : AgeText((now - h.last_good) / kTicksPerMinute),
                  !m.enabled  ? "disabled"
                  : m.overdue ? "OVERDUE"
                              : "ok"});
  }
  table.Print(context.out());
}

int ShowStatus(TCommandContext& context, const TStatusArgs& args) {
  std::optional<int64_t> max_age;
  if (!args.max_age.empty()) {
    max_age = DurationMinutes(args.max_age);
    if (!max_age) {
      return context.Fail("--max-age " + args.max_age +
                          ": give a number with m, h or d (90m, 26h, 2d)");
    }
  }
  TQVIniFile* ini = context.ExistingStore();
  if (ini == nullptr) return kExitCannotRun;
  TConfigData data;
  if (!data.Load(*ini)) return context.Fail(ini->FailureText());
  TMappings mappings(*ini);
  if (!context.LoadMirrors(&mappings)) return kExitCannotRun;
  const int64_t limit = max_age.value_or(data.health_max_age());
  const FileTime now = context.platform().Now();
  std::vector<TMirrorStatus> mirrors;
  int overdue = 0;
  for (int i = 0; i < mappings.Count(); ++i) {
    const TMapping& mapping = *mappings.Mapping(i);
    TMirrorStatus m{mappings.Source(i), mappings.Destination(i), mapping.settings().enabled,
                    ReadMirrorHealth(*ini, mapping.key())};
    m.overdue = m.enabled && IsOverdue(m.health, now, limit);
    overdue += m.overdue ? 1 : 0;
    mirrors.push_back(std::move(m));
  }
  if (ini->Failed()) return context.Fail(ini->FailureText());
  if (args.json) {
    std::string json;
    for (const TMirrorStatus& m : mirrors) json += (json.empty() ? "" : ",") + JsonOf(m, now);
    context.out() << "{\"now\":" << JsonTime(now) << ",\"max_age_minutes\":" << limit
                  << ",\"overdue\":" << overdue << ",\"mirrors\":[" << json << "]}\n";
  } else {
    PrintTable(context, mirrors, now);
    if (overdue > 0) {
      context.out() << "\n"
                    << overdue << (overdue == 1 ? " mirror has" : " mirrors have")
                    << " had no good scan within " << AgeText(limit) << ".\n";
    }
  }
  return overdue > 0 ? kExitScanErrors : kExitOk;
}

}  // namespace

void AddStatusCommand(TCommandRegistry& registry) {
  auto args = std::make_shared<TStatusArgs>();
  CLI::App* command =
      registry.AddCommand(&registry.app(), "status",
                          "Show how each mirror's last scan ended and whether one is overdue",
                          [args](TCommandContext& context) { return ShowStatus(context, *args); });
  command->add_option("--max-age", args->max_age,
                      "Overdue without a good scan within this long: a number with m (minutes), h "
                      "(hours) or d (days), e.g. 90m, 26h, 2d; default HealthMaxAge, else the wait "
                      "between scans plus a day, or 26h");
  command->add_flag("--json", args->json, "Answer in JSON, times in UTC (RFC 3339)");
  command->footer(
      "Exits with 1 when an enabled mirror has had no scan without errors within the limit, "
      "else 0: for monitoring systems and shell prompts. A good scan is one that ran to its end "
      "and logged no error.");
}

}  // namespace qv
