#include "tests/support/scoped_image.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include <sys/mount.h>
#include <unistd.h>

#include "tests/support/temp_dir.h"

namespace qv::testing {

namespace {

constexpr long kImageBytes = 32L << 20;

// Runs a shell command with its errors silenced; true when it succeeded.
// *first_line (may be null) receives the first line it printed.
bool Shell(const std::string& command, std::string* first_line = nullptr) {
  FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
  if (pipe == nullptr) return false;
  char line[256] = "";
  const bool read = std::fgets(line, sizeof line, pipe) != nullptr;
  while (std::fgetc(pipe) != EOF) {
  }
  const int status = pclose(pipe);
  if (first_line != nullptr) {
    *first_line = read ? line : "";
    while (!first_line->empty() && first_line->back() == '\n') first_line->pop_back();
  }
  return status == 0;
}

}  // namespace

ScopedImageMount::ScopedImageMount(const std::string& image, const std::string& dir, Kind kind)
    : dir_(dir), kind_(kind) {
  if (geteuid() != 0) {
    missing_ = "needs root for a loop device and mount(2)";
    return;
  }
  if (kind_ == Kind::kExfat && access("/dev/fuse", R_OK | W_OK) != 0) {
    missing_ = "needs /dev/fuse for exFAT through FUSE";
    return;
  }
  MakeDirs(dir_);
  std::ofstream(image).close();
  if (truncate(image.c_str(), kImageBytes) != 0 ||
      !Shell("losetup --find --show '" + image + "'", &device_) || device_.empty()) {
    device_.clear();
    missing_ = "needs a free loop device (losetup --find)";
    return;
  }
  const std::string format = kind_ == Kind::kExfat ? "mkfs.exfat '" + device_ + "'"
                                                   : "mkfs.ext4 -q -F -I 128 '" + device_ + "'";
  if (!Shell(format + " >/dev/null")) {
    missing_ = "needs " + format.substr(0, format.find(' ')) + " (exfatprogs, e2fsprogs)";
    return;
  }
  mounted_ = Mount();
  if (!mounted_) missing_ = "the kernel or FUSE refused to mount the image";
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
