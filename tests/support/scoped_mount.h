#ifndef QUORVANE_TESTS_SUPPORT_SCOPED_MOUNT_H_
#define QUORVANE_TESTS_SUPPORT_SCOPED_MOUNT_H_

#include <sys/mount.h>
#include <unistd.h>

#include <string>

#include "tests/support/temp_dir.h"

namespace qv::testing {

// Another file system (a small tmpfs, say) mounted on dir while the object
// lives; needs root. mounted tells whether it worked.
struct ScopedMount {
  ScopedMount(const std::string& where, const char* type, const char* options) : dir(where) {
    MakeDirs(dir);
    mounted = geteuid() == 0 && mount(type, dir.c_str(), type, 0, options) == 0;
  }
  ~ScopedMount() {
    if (mounted) umount2(dir.c_str(), MNT_DETACH);
  }
  ScopedMount(const ScopedMount&) = delete;
  ScopedMount& operator=(const ScopedMount&) = delete;

  std::string dir;
  bool mounted = false;
};

}  // namespace qv::testing

#define SKIP_UNLESS_MOUNTED(m) \
  if (!(m).mounted) GTEST_SKIP() << "needs root and mount(2) for another file system"

#endif  // QUORVANE_TESTS_SUPPORT_SCOPED_MOUNT_H_
