#include "cli/mirror_move_warning.h"

#include "cli/command_context.h"
#include "config/config_data.h"
#include "config/mappings.h"
#include "config/qv_ini_file.h"
#include "filesys/path_ops.h"

namespace qv {

void WarnOfMovingFolder(TCommandContext& context, TQVIniFile& ini, const std::string& source,
                        const std::string& destination, bool joins) {
  TConfigData config;
  TMappings mappings(ini);
  if (!config.Load(ini) || !config.switches.auto_filter || !context.LoadMirrors(&mappings)) return;
  // The innermost enabled mirror around source is the one that gives the
  // folder up or takes it back.
  int outer = -1;
  std::string outer_source;
  for (int i = 0; i < mappings.Count(); ++i) {
    if (!mappings.Enabled(i) || mappings.Destination(i) == destination) continue;
    const std::string other = NormaliseDirectory(context.platform(), mappings.Source(i), false);
    if (IsInside(source, other) && other.size() > outer_source.size()) {
      outer = i;
      outer_source = other;
    }
  }
  if (outer < 0) return;
  const std::string& outer_destination = mappings.Destination(outer);
  const std::string there = outer_destination + source.substr(outer_source.size());
  context.Warn(source + " lies inside " + outer_source + ", the source of the mirror to " +
               outer_destination + ": at the next scan the folder moves from " +
               (joins ? there + " (into that mirror's archive) to " + destination
                      : destination + " to " + there));
}

}  // namespace qv
