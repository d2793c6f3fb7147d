#ifndef QUORVANE_TESTS_SUPPORT_SCOPED_MOUNT_H_
#define QUORVANE_TESTS_SUPPORT_SCOPED_MOUNT_H_

#include <string>

namespace qv::testing {

// Another file system (a small tmpfs, say) mounted on dir while the object
// lives; needs root. mounted tells whether it worked.
struct ScopedMount {
  ScopedMount(const std::string& where, const char* type, const char* options);
  ~ScopedMount();
  ScopedMount(const ScopedMount&) = delete;
  ScopedMount& operator=(const ScopedMount&) = delete;

  std::string dir;
  bool mounted = false;
};

}  // namespace qv::testing

#define SKIP_UNLESS_MOUNTED(m) \
  if (!(m).mounted) GTEST_SKIP() << "needs root and mount(2) for another file system"

#endif  // QUORVANE_TESTS_SUPPORT_SCOPED_MOUNT_H_
