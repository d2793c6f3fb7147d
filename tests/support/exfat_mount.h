#ifndef QUORVANE_TESTS_SUPPORT_EXFAT_MOUNT_H_
#define QUORVANE_TESTS_SUPPORT_EXFAT_MOUNT_H_

#include <string>

namespace qv::testing {

// A fresh 16 MiB exFAT file system mounted on dir through FUSE while the
// object lives: an image beside dir, on a loop device of its own. Needs
// root, /dev/fuse, losetup, mkfs.exfat and mount.exfat-fuse; mounted tells
// whether it worked.
class ScopedExfatMount {
 public:
  explicit ScopedExfatMount(const std::string& where);
  ~ScopedExfatMount();
  ScopedExfatMount(const ScopedExfatMount&) = delete;
  ScopedExfatMount& operator=(const ScopedExfatMount&) = delete;

  std::string dir;  // ends with "/"
  bool mounted = false;

 private:
  std::string loop_;  // the loop device, "" when none was set up
};

}  // namespace qv::testing

#define SKIP_UNLESS_EXFAT(m)                                                            \
  if (!(m).mounted)                                                                     \
  GTEST_SKIP() << "needs root, /dev/fuse, losetup, mkfs.exfat and mount.exfat-fuse to " \
                  "mount an exFAT image"

#endif  // QUORVANE_TESTS_SUPPORT_EXFAT_MOUNT_H_
