#ifndef QUORVANE_TESTS_SUPPORT_SCOPED_IMAGE_H_
#define QUORVANE_TESTS_SUPPORT_SCOPED_IMAGE_H_

#include <string>

namespace qv::testing {

// A file system of its own kind, made on an image file and mounted while the
// object lives (root only): the image goes on a free loop device (losetup
// --find --show), is formatted and mounted on dir (created). Everything is
// undone at the end; the image file stays for its temporary directory.
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
  // not from what the driver remembers. False when that failed.
  bool Remount();

  bool mounted() const { return mounted_; }
  // Why it is not mounted, for the skip message.
  const std::string& missing() const { return missing_; }
  const std::string& dir() const { return dir_; }

 private:
  bool Mount();

  const std::string dir_;
  const Kind kind_;
  std::string device_;
  bool mounted_ = false;
  std::string missing_;
};

}  // namespace qv::testing

#define SKIP_UNLESS_IMAGE_MOUNTED(m) \
  if (!(m).mounted()) GTEST_SKIP() << (m).missing()

#endif  // QUORVANE_TESTS_SUPPORT_SCOPED_IMAGE_H_
