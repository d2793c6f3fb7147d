#ifndef QUORVANE_CONFIG_FILE_MAPPINGS_H_
#define QUORVANE_CONFIG_FILE_MAPPINGS_H_

#include <string>
#include <vector>

namespace qv {

class TLogger;
class TQVIniFile;

// Files updated from another file by a mirror: targets[i] is overwritten with
// sources[i].
struct TFileMappingList {
  std::vector<std::string> sources;
  std::vector<std::string> targets;
};

// Loads, in configuration order, the file mappings whose source lies inside
// mirror_source (which ends with "/"), both paths expanded. Each is logged as
// "Update <target> with <source>" under the heading "FileMappings:". Entries
// without target are ignored. Answers false, with the store's failure logged
// once, when the settings could not be read.
bool LoadFileMappings(TQVIniFile& ini, const std::string& mirror_source, TLogger& logger,
                      TFileMappingList* list);

}  // namespace qv

#endif  // QUORVANE_CONFIG_FILE_MAPPINGS_H_
