#include "tests/support/scoped_mount.h"

#include <cstdio>
#include <cstring>
#include <utility>

#include <sys/mount.h>
#include <unistd.h>

#include "tests/support/temp_dir.h"

namespace qv::testing {

namespace {

// Runs command with its errors silenced; true when it succeeded.
// *first_line (may be null) gets the first line it printed.
bool Shell(const std::string& command, std::string* first_line = nullptr) {
  FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
  if (pipe == nullptr) return false;
  char line[256] = "";
  if (std::fgets(line, sizeof line, pipe) != nullptr && first_line != nullptr) {
    *first_line = std::string(line, std::strcspn(line, "\n"));
  }
  while (std::fgetc(pipe) != EOF) {
  }
  return pclose(pipe) == 0;
}

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

}  // namespace

ScopedMount::ScopedMount(const std::string& where) : dir(where) {
  if (!PathExists(dir)) MakeDirs(dir);
}

ScopedMount::ScopedMount(const std::string& where, const char* type, const char* options)
    : ScopedMount(where) {
  mounted = geteuid() == 0 && mount(type, dir.c_str(), type, 0, options) == 0;
}

ScopedMount::~ScopedMount() { Unmount(); }

void ScopedMount::Unmount() {
  if (mounted && umount2(dir.c_str(), 0) != 0) umount2(dir.c_str(), MNT_DETACH);
  mounted = false;
}

bool ScopedMount::RemountReadOnly() {
  flags_ |= MS_RDONLY;
  return mounted && mount(nullptr, dir.c_str(), nullptr, MS_REMOUNT | flags_, nullptr) == 0;
}

ScopedBindMount::ScopedBindMount(const std::string& from, const std::string& where, bool read_only)
    : ScopedMount(where) {
  flags_ = MS_BIND;
  mounted = geteuid() == 0 && mount(from.c_str(), dir.c_str(), nullptr, MS_BIND, nullptr) == 0;
  if (read_only && !RemountReadOnly()) Unmount();
}

ScopedImageMount::ScopedImageMount(const std::string& where, Kind kind, std::string label)
    : ScopedMount(where), kind_(kind), label_(std::move(label)) {
  if (geteuid() != 0 || (kind_ == Kind::kExfat && access("/dev/fuse", R_OK | W_OK) != 0)) return;
  const std::string image = Quoted(dir.substr(0, dir.find_last_not_of('/') + 1) + ".img");
  mounted = Shell("truncate -s 32M " + image) &&
            Shell("losetup --find --show " + image, &device_) && Format() && Mount();
}

ScopedImageMount::~ScopedImageMount() {
  Unmount();
  // A device that the exFAT program still holds is freed when it lets go.
  if (!device_.empty()) Shell("losetup -d " + device_);
}

bool ScopedImageMount::Remount() {
  Unmount();
  return mounted = Mount();
}

bool ScopedImageMount::Reformat() {
  Unmount();
  return mounted = Format() && Mount();
}

bool ScopedImageMount::Format() {
  const char* mkfs = kind_ == Kind::kExfat             ? "mkfs.exfat "
                     : kind_ == Kind::kExt4SmallInodes ? "mkfs.ext4 -q -F -I 128 "
                                                       : "mkfs.ext4 -q -F ";
  const std::string label = label_.empty() ? "" : "-L " + Quoted(label_) + " ";
  return Shell(mkfs + label + device_ + " >/dev/null");
}

bool ScopedImageMount::Mount() {
  if (kind_ == Kind::kExfat) return Shell("mount.exfat-fuse " + device_ + " " + Quoted(dir));
  return mount(device_.c_str(), dir.c_str(), "ext4", 0, nullptr) == 0;
}

}  // namespace qv::testing
