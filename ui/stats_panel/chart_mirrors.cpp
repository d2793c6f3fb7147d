#include "ui/stats_panel/chart_mirrors.h"

#include <utility>

#include "config/mappings.h"
#include "stats/mirror_info.h"

namespace qv {

std::vector<TChartMirror> ChartMirrorsOf(const TMappings& mappings, TQVIniFile& ini,
                                         Platform& platform) {
  std::vector<TChartMirror> mirrors;
  for (int i = 0; i < mappings.Count(); ++i) {
    TMirrorInfo info;
    info.LoadMirrorInfo(mappings.Source(i), mappings.Destination(i), false, ini, platform);
    TChartMirror mirror = ChartMirrorOf(info);
    mirror.source_drive = mirror.source_dir;
    mirror.destination_drive = mirror.destination_dir;
    mirrors.push_back(std::move(mirror));
  }
  return mirrors;
}

}  // namespace qv
