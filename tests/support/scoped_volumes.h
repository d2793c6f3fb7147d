#ifndef QUORVANE_TESTS_SUPPORT_SCOPED_VOLUMES_H_
#define QUORVANE_TESTS_SUPPORT_SCOPED_VOLUMES_H_

#include <cstdio>
#include <cstdlib>
#include <string>

#include <sys/mount.h>
#include <unistd.h>

#include "tests/support/temp_dir.h"

namespace qv::testing {

// The directory from bound on where while the object lives; needs root.
struct ScopedBindMount {
  ScopedBindMount(const std::string& from, const std::string& where) : dir(where) {
    MakeDirs(dir);
    mounted = geteuid() == 0 && mount(from.c_str(), dir.c_str(), nullptr, MS_BIND, nullptr) == 0;
  }
  ~ScopedBindMount() {
    if (mounted) umount2(dir.c_str(), MNT_DETACH);
  }
  ScopedBindMount(const ScopedBindMount&) = delete;
  ScopedBindMount& operator=(const ScopedBindMount&) = delete;

  std::string dir;
  bool mounted = false;
};

// A small ext4 file system in the image file image, on a loop device that
// losetup finds free, mounted on where while the object lives. Needs root,
// a loop device, losetup and mkfs.ext4; mounted tells whether it worked.
class ScopedExt4 {
 public:
  ScopedExt4(const std::string& image, const std::string& where) : where_(where) {
    MakeDirs(where_);
    if (geteuid() != 0 || !Shell("truncate -s 8M '" + image + "'")) return;
    device_ = Output("losetup --find --show '" + image + "' 2>/dev/null");
    mounted_ = !device_.empty() && Format() && Mount();
  }
  ~ScopedExt4() {
    if (mounted_) umount2(where_.c_str(), MNT_DETACH);
    if (!device_.empty()) Shell("losetup -d " + device_);
  }
  ScopedExt4(const ScopedExt4&) = delete;
  ScopedExt4& operator=(const ScopedExt4&) = delete;

  // Unmounts, makes a new ext4 file system (another UUID) on the same loop
  // device and mounts that.
  bool Reformat() {
    mounted_ = umount2(where_.c_str(), 0) == 0 && Format() && Mount();
    return mounted_;
  }
  bool mounted() const { return mounted_; }

 private:
  static bool Shell(const std::string& command) { return std::system(command.c_str()) == 0; }
  static std::string Output(const std::string& command) {
    std::string text;
    if (FILE* pipe = popen(command.c_str(), "r")) {
      char buffer[256];
      while (fgets(buffer, sizeof buffer, pipe) != nullptr) text += buffer;
      if (pclose(pipe) != 0) text.clear();
    }
    while (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
  }
  bool Format() { return Shell("mkfs.ext4 -q -F " + device_ + " >/dev/null 2>&1"); }
  bool Mount() { return mount(device_.c_str(), where_.c_str(), "ext4", 0, nullptr) == 0; }

  std::string where_;
  std::string device_;
  bool mounted_ = false;
};

}  // namespace qv::testing

#define SKIP_UNLESS_EXT4(m) \
  if (!(m).mounted()) GTEST_SKIP() << "needs root, a free loop device, losetup and mkfs.ext4"

#endif  // QUORVANE_TESTS_SUPPORT_SCOPED_VOLUMES_H_
