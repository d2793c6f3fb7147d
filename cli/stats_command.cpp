// stats: what the last scans counted in each mirror, and its drives.

#include <string>

#include "cli/command_registry.h"
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

void AddCounterRows(const TMirrorInfo& info, TTextTable* table) {
  const struct {
    const char* name;
    const TDirInfo& counters;
  } kSets[] = {
      {"source", info.source()},           {"source excluded", info.source_excluded()},
      {"destination", info.destination()}, {"destination excluded", info.destination_excluded()},
      {"archive", info.archive()},
  };
  for (const auto& set : kSets) {
    const TCounts counts = set.counters.Get();
    table->AddRow({info.destination_dir(), set.name, ThousandsText(counts.files),
                   ThousandsText(counts.dirs), SizeText(counts.size, kSizeDecimals),
                   SizeText(counts.compressed_size, kSizeDecimals)});
  }
}

// The counters stored at the end of each mirror's last scan, then the free
// and total bytes of the drives that hold its source and destination now.
int Stats(TCommandContext& context) {
  TQVIniFile* ini = context.ExistingStore();
  if (ini == nullptr) return kExitCannotRun;
  TMappings mappings(*ini);
  if (!context.LoadMirrors(&mappings)) return kExitCannotRun;
  TTextTable counters({"Mirror", "Counted", "Files", "Directories", "Size", "Size on disk"});
  TTextTable drives({"Mirror", "Source drive free", "of", "Destination drive free", "of"});
  for (int i = 0; i < mappings.Count(); ++i) {
    TMirrorInfo info;
    info.LoadMirrorInfo(mappings.Source(i), mappings.Destination(i), true, *ini,
                        context.platform());
    AddCounterRows(info, &counters);
    drives.AddRow({info.destination_dir(), DriveText(info.source_free()),
                   DriveText(info.source_total()), DriveText(info.destination_free()),
                   DriveText(info.destination_total())});
  }
  if (ini->Failed()) return context.Fail(ini->FailureText());
  counters.Print(context.out());
  context.out() << '\n';
  drives.Print(context.out());
  return kExitOk;
}

}  // namespace

void AddStatsCommand(TCommandRegistry& registry) {
  registry.AddCommand(&registry.app(), "stats",
                      "Show what the last scan counted in each mirror, and the drives' free space",
                      Stats);
}

}  // namespace qv
