#include "tests/support/scoped_mount.h"

#include <sys/mount.h>
#include <unistd.h>

#include "tests/support/temp_dir.h"

namespace qv::testing {

ScopedMount::ScopedMount(const std::string& where, const char* type, const char* options)
    : dir(where) {
  MakeDirs(dir);
  mounted = geteuid() == 0 && mount(type, dir.c_str(), type, 0, options) == 0;
}

ScopedMount::~ScopedMount() {
  if (mounted) umount2(dir.c_str(), MNT_DETACH);
}

}  // namespace qv::testing
