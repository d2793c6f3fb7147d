#include "tests/support/scoped_image.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include <sys/mount.h>
#include <unistd.h>

#include "tests/support/temp_dir.h"

namespace qv::testing {

namespace {

// Runs command quietly; true when it succeeded. *out (may be null) gets the
// first line it printed.
bool Shell(const std::string& command, std::string* out = nullptr) {
  FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
  if (pipe == nullptr) return false;
  char line[256] = "";
  if (std::fgets(line, sizeof line, pipe) != nullptr && out != nullptr) {
    *out = std::string(line, std::strcspn(line, "\n"));
  }
  while (std::fgetc(pipe) != EOF) {
  }
  return pclose(pipe) == 0;
}

}  // namespace

ScopedImageMount::ScopedImageMount(const std::string& image, const std::string& dir, Kind kind)
    : dir_(dir), kind_(kind) {
  if (geteuid() != 0) return;
  MakeDirs(dir_);
  std::ofstream(image).close();
  const std::string format = kind_ == Kind::kExfat ? "mkfs.exfat '" : "mkfs.ext4 -q -F -I 128 '";
  mounted_ = truncate(image.c_str(), 32L << 20) == 0 && Shell(format + image + "'") &&
             Shell("losetup --find --show '" + image + "'", &device_) && Mount();
}

ScopedImageMount::~ScopedImageMount() {
  if (mounted_ && umount2(dir_.c_str(), 0) != 0) umount2(dir_.c_str(), MNT_DETACH);
  if (!device_.empty()) Shell("losetup -d '" + device_ + "'");
}

bool ScopedImageMount::Remount() {
  mounted_ = umount2(dir_.c_str(), 0) == 0 && Mount();
  return mounted_;
}

bool ScopedImageMount::Mount() {
  if (kind_ == Kind::kExfat) return Shell("mount.exfat-fuse '" + device_ + "' '" + dir_ + "'");
  return mount(device_.c_str(), dir_.c_str(), "ext4", 0, nullptr) == 0;
}

}  // namespace qv::testing
