#ifndef QUORVANE_CLI_MIRROR_PATHS_H_
#define QUORVANE_CLI_MIRROR_PATHS_H_

#include <memory>
#include <string>
#include <vector>

#include "cli/command_context.h"
#include "config/mappings.h"
#include "filesys/platform.h"

namespace qv {

// A mirror that holds a path, and the path below its destination.
struct TMirrorPath {
  int index = 0;  // in the mappings
  std::string source;
  std::string destination;
  std::string relative;
};

// The mirrors whose source or destination holds the path typed (the
// archive's own items are no paths of a mirror), only the one with
// destination where that is given. None: a failure reported, kExitCannotRun.
int FindMirrorPaths(TCommandContext& context, const TMappings& mappings, const std::string& typed,
                    const std::string& destination, std::vector<TMirrorPath>* found);

// The mirror's lock held shared while its archive is read: a scan cannot
// start meanwhile. Where a scan holds it, a warning ending with meanwhile.
std::unique_ptr<DirLock> LockForReading(TCommandContext& context, const std::string& destination,
                                        const std::string& meanwhile);

}  // namespace qv

#endif  // QUORVANE_CLI_MIRROR_PATHS_H_
