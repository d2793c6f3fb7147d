#ifndef QUORVANE_TESTS_SUPPORT_SCOPED_IMAGE_H_
#define QUORVANE_TESTS_SUPPORT_SCOPED_IMAGE_H_

#include <string>

namespace qv::testing {

// A file system made on an image file and mounted on dir (created) while the
// object lives; root only. The image holds a free loop device (losetup
// --find) until the end, so that it stays the same device across Remount.
class ScopedImageMount {
 public:
  enum class Kind {
    kExt4SmallInodes,  // ext4 with 128-byte inodes: times end in 2038
    kExfat,            // exFAT through FUSE (mount.exfat-fuse)
  };

  ScopedImageMount(const std::string& image, const std::string& dir, Kind kind);
  ~ScopedImageMount();
  ScopedImageMount(const ScopedImageMount&) = delete;
  ScopedImageMount& operator=(const ScopedImageMount&) = delete;

  // Unmounts and mounts again, so that what is read comes from the disk and
  // not from what the driver remembers.
  bool Remount();

  bool mounted() const { return mounted_; }
  const std::string& dir() const { return dir_; }

 private:
  bool Mount();

  const std::string dir_;
  const Kind kind_;
  std::string device_;
  bool mounted_ = false;
};

}  // namespace qv::testing

#define SKIP_UNLESS_IMAGE_MOUNTED(m)                                                   \
  if (!(m).mounted())                                                                  \
  GTEST_SKIP() << "needs root, a free loop device, mkfs.ext4 and mkfs.exfat, and for " \
                  "exFAT /dev/fuse and mount.exfat-fuse"

#endif  // QUORVANE_TESTS_SUPPORT_SCOPED_IMAGE_H_
