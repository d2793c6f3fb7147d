#include "cli/plan_scan.h"

#include <algorithm>
#include <ostream>

#include "cli/command_context.h"
#include "cli/json_text.h"
#include "cli/scan_choice.h"
#include "config/config_data.h"
#include "config/mappings.h"
#include "config/qv_ini_file.h"
#include "engine/scan_plan.h"
#include "filesys/console.h"
#include "filesys/text_format.h"
#include "log/logger.h"

namespace qv {

namespace {

constexpr char kPrefix[] = "plan: ";

const char* SpaceWord(TPlanSpace space) {
  switch (space) {
    case TPlanSpace::kExact:
      return "exact";
    case TPlanSpace::kAmple:
      return "ample";
    case TPlanSpace::kEstimated:
      break;
  }
  return "estimated";
}

std::string CountsOf(int64_t n, const char* singular, const char* plural, int64_t bytes) {
  return CountText(n, singular, plural) + " (" + SizeText(bytes, 2) + ")";
}

std::string TallyText(const TPlanTally& t) {
  return CountsOf(t.files_to_copy, "file", "files", t.bytes_to_copy) + " to copy, " +
         CountsOf(t.items_to_archive, "item", "items", t.bytes_to_archive) + " to archive, " +
         CountText(t.folders_to_create, "folder", "folders") + " to create, " +
         CountText(t.folders_to_remove, "folder", "folders") + " to remove, " +
         CountText(t.days_to_remove, "archive day", "archive days") + " to remove";
}

std::string TallyJson(const TPlanTally& t) {
  return "\"files_to_copy\":" + std::to_string(t.files_to_copy) +
         ",\"bytes_to_copy\":" + std::to_string(t.bytes_to_copy) +
         ",\"items_to_archive\":" + std::to_string(t.items_to_archive) +
         ",\"bytes_to_archive\":" + std::to_string(t.bytes_to_archive) +
         ",\"folders_to_create\":" + std::to_string(t.folders_to_create) +
         ",\"folders_to_remove\":" + std::to_string(t.folders_to_remove) +
         ",\"days_to_remove\":" + std::to_string(t.days_to_remove) +
         ",\"held\":" + (t.held ? "true" : "false");
}

void WriteText(std::ostream& out, const TPlanResult& plan) {
  for (const std::string& line : plan.lines) {
    if (!line.empty()) out << kPrefix << line << '\n';
  }
  out << kPrefix << '\n';
  for (const TPlanTally& mirror : plan.mirrors) {
    out << kPrefix << "Mirror to " << mirror.destination << ": " << TallyText(mirror) << '\n';
    if (mirror.held) {
      out << kPrefix << "The mass-change guard would stop the mirror to " << mirror.destination
          << ": nothing there would be replaced or removed\n";
    }
  }
  out << kPrefix << "In total: " << TallyText(plan.total) << '\n';
  out << kPrefix << "Free space: " << SpaceWord(plan.space) << '\n';
}

void WriteJson(std::ostream& out, const TPlanResult& plan) {
  for (const std::string& line : plan.lines) {
    if (!line.empty()) out << "{\"record\":\"action\"," << JsonNameMember("text", line) << "}\n";
  }
  for (const TPlanTally& mirror : plan.mirrors) {
    out << "{\"record\":\"mirror\"," << JsonNameMember("destination", mirror.destination) << ","
        << TallyJson(mirror) << "}\n";
  }
  out << "{\"record\":\"total\"," << TallyJson(plan.total) << ",\"free_space\":\""
      << SpaceWord(plan.space) << "\",\"errors\":" << plan.errors << "}\n";
}

// The chosen mirrors in the order the scan takes them.
std::vector<std::string> Destinations(TQVIniFile& ini, const TScanChoice& choice) {
  TMappings mappings(ini);
  TLogger discard;
  (void)mappings.Load(discard, nullptr, false, true);
  std::vector<std::string> destinations;
  for (int i = 0; i < mappings.Count(); ++i) {
    const std::string& destination = mappings.Destination(i);
    const bool chosen =
        choice.destinations.empty()
            ? mappings.Enabled(i)
            : std::ranges::find(choice.destinations, destination) != choice.destinations.end();
    if (chosen) destinations.push_back(destination);
  }
  return destinations;
}

}  // namespace

int PlanScan(TCommandContext& context, TQVIniFile& ini, const TConfigData& config,
             const TScanChoice& choice, bool json) {
  const TScanOptions options{.settings_path = context.settings_path(),
                             .busy_timeout_ms = context.busy_timeout_ms(),
                             .destinations = choice.destinations};
  TConsole& console = context.console();
  console.BlockStopSignals();
  const TPlanResult plan =
      RunScanPlan(context.platform(), config, options, Destinations(ini, choice),
                  [&console] { return console.TakeStopSignal(); });
  console.UnblockStopSignals();
  if (json) {
    WriteJson(context.out(), plan);
  } else {
    WriteText(context.out(), plan);
  }
  context.out().flush();
  if (plan.stopped) return kExitStopped;
  return plan.errors > 0 ? kExitScanErrors : kExitOk;
}

}  // namespace qv
