// stats: what the last scans counted in each mirror, and its drives.

#include <algorithm>
#include <array>
#include <memory>
#include <string>

#include "cli/command_registry.h"
#include "cli/json_text.h"
#include "cli/text_table.h"
#include "config/mappings.h"
#include "config/qv_ini_file.h"
#include "filesys/text_format.h"
#include "stats/mirror_info.h"

namespace qv {

namespace {

constexpr int kSizeDecimals = 2;

std::string DriveText(int64_t bytes) {
  return bytes < 0 ? "unknown" : SizeText(bytes, kSizeDecimals);
}

struct TCounterSet {
  const char* name;  // its JSON name: spaces as "_"
  const TDirInfo& counters;
};

std::array<TCounterSet, 5> CounterSets(const TMirrorInfo& info) {
  return {{{"source", info.source()},
           {"source excluded", info.source_excluded()},
           {"destination", info.destination()},
           {"destination excluded", info.destination_excluded()},
           {"archive", info.archive()}}};
}

void AddCounterRows(const TMirrorInfo& info, TTextTable* table) {
  for (const TCounterSet& set : CounterSets(info)) {
    const TCounts counts = set.counters.Get();
    table->AddRow({info.destination_dir(), set.name, ThousandsText(counts.files),
                   ThousandsText(counts.dirs), SizeText(counts.size, kSizeDecimals),
                   SizeText(counts.compressed_size, kSizeDecimals)});
  }
}

std::string JsonDrive(int64_t free_bytes, int64_t total_bytes) {
  const auto bytes = [](int64_t n) { return n < 0 ? std::string("null") : std::to_string(n); };
  return "{\"free\":" + bytes(free_bytes) + ",\"total\":" + bytes(total_bytes) + "}";
}

// Byte counts as numbers; a drive that could not be asked has nulls.
std::string JsonOf(const TMirrorInfo& info) {
  std::string json = "{" + JsonNameMember("source", info.source_dir()) + "," +
                     JsonNameMember("destination", info.destination_dir()) +
                     ",\"enabled\":" + JsonBool(info.enabled()) + ",\"counters\":{";
  for (const TCounterSet& set : CounterSets(info)) {
    const TCounts c = set.counters.Get();
    std::string name = set.name;
    std::ranges::replace(name, ' ', '_');
    json += (json.ends_with("{") ? "\"" : ",\"") + name +
            "\":{\"files\":" + std::to_string(c.files) +
            ",\"directories\":" + std::to_string(c.dirs) + ",\"size\":" + std::to_string(c.size) +
            ",\"size_on_disk\":" + std::to_string(c.compressed_size) + "}";
  }
  return json + "},\"source_drive\":" + JsonDrive(info.source_free(), info.source_total()) +
         ",\"destination_drive\":" + JsonDrive(info.destination_free(), info.destination_total()) +
         "}";
}

// The counters stored at the end of each mirror's last scan, then the free
// and total bytes of the drives that hold its source and destination now.
int Stats(TCommandContext& context, bool json) {
  TQVIniFile* ini = context.ExistingStore();
  if (ini == nullptr) return kExitCannotRun;
  TMappings mappings(*ini);
  if (!context.LoadMirrors(&mappings)) return kExitCannotRun;
  TTextTable counters({"Mirror", "Counted", "Files", "Directories", "Size", "Size on disk"});
  TTextTable drives({"Mirror", "Source drive free", "of", "Destination drive free", "of"});
  std::string mirrors;
  for (int i = 0; i < mappings.Count(); ++i) {
    TMirrorInfo info;
    info.LoadMirrorInfo(mappings.Source(i), mappings.Destination(i), true, *ini,
                        context.platform());
    mirrors += (i == 0 ? "" : ",") + JsonOf(info);
    AddCounterRows(info, &counters);
    drives.AddRow({info.destination_dir(), DriveText(info.source_free()),
                   DriveText(info.source_total()), DriveText(info.destination_free()),
                   DriveText(info.destination_total())});
  }
  if (ini->Failed()) return context.Fail(ini->FailureText());
  if (json) {
    context.out() << "{\"mirrors\":[" << mirrors << "]}\n";
    return kExitOk;
  }
  counters.Print(context.out());
  context.out() << '\n';
  drives.Print(context.out());
  return kExitOk;
}

}  // namespace

void AddStatsCommand(TCommandRegistry& registry) {
  auto json = std::make_shared<bool>(false);
  CLI::App* command = registry.AddCommand(
      &registry.app(), "stats",
      "Show what the last scan counted in each mirror, and the drives' free space",
      [json](TCommandContext& context) { return Stats(context, *json); });
  command->add_flag("--json", *json, "Answer in JSON, sizes in bytes");
}

}  // namespace qv
