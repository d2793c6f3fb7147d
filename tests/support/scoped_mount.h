#ifndef QUORVANE_TESTS_SUPPORT_SCOPED_MOUNT_H_
#define QUORVANE_TESTS_SUPPORT_SCOPED_MOUNT_H_

#include <string>

namespace qv::testing {

// Something mounted on dir (a directory made when missing, or a file) while
// the object lives; needs root. mounted tells whether it worked.
class ScopedMount {
 public:
  // A fresh file system of type (tmpfs, ramfs) with options.
  ScopedMount(const std::string& where, const char* type, const char* options);
  virtual ~ScopedMount();
  ScopedMount(const ScopedMount&) = delete;
  ScopedMount& operator=(const ScopedMount&) = delete;

  // The same mount, read-only from now on.
  bool RemountReadOnly();

  std::string dir;
  bool mounted = false;

 protected:
  explicit ScopedMount(const std::string& where);
  void Unmount();

  unsigned long flags_ = 0;  // of mount(2), for a remount
};

// The directory or file from bound on where.
class ScopedBindMount : public ScopedMount {
 public:
  ScopedBindMount(const std::string& from, const std::string& where, bool read_only = false);
};

// A file system made on the image file dir + ".img", mounted through a loop
// device of its own that stays the same across Remount and Reformat. Needs
// losetup and the kind's mkfs; exFAT also /dev/fuse and mount.exfat-fuse.
class ScopedImageMount : public ScopedMount {
 public:
  enum class Kind {
    kExt4,
    kExt4SmallInodes,  // 128-byte inodes: times end in 2038
    kExfat,
  };

  // A label (not empty) names the volume.
  ScopedImageMount(const std::string& where, Kind kind, std::string label = "");
  ~ScopedImageMount() override;

  // Unmounts and mounts again: what is read then comes from the disk, not
  // from what the driver remembers.
  bool Remount();
  // Unmounts and mounts a new file system (another UUID) on the same device.
  bool Reformat();

 private:
  bool Format();
  bool Mount();

  const Kind kind_;
  const std::string label_;
  std::string device_;  // "" when no loop device was set up
};

}  // namespace qv::testing

#define SKIP_UNLESS_MOUNTED(m)                                                        \
  if (!(m).mounted)                                                                   \
  GTEST_SKIP() << "needs root and mount(2); an image also needs a free loop device, " \
                  "losetup, mkfs.ext4 or mkfs.exfat, and for exFAT /dev/fuse and "    \
                  "mount.exfat-fuse"

#endif  // QUORVANE_TESTS_SUPPORT_SCOPED_MOUNT_H_
