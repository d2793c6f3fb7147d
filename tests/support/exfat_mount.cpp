#include "tests/support/exfat_mount.h"

#include <cstdio>
#include <cstdlib>

#include <sys/mount.h>
#include <unistd.h>

#include "tests/support/temp_dir.h"

namespace qv::testing {

namespace {

// Runs command through the shell and answers whether it succeeded;
// *first_line (when given) gets the first line it printed.
bool RunCommand(const std::string& command, std::string* first_line = nullptr) {
  FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
  if (pipe == nullptr) return false;
  char buffer[256] = {};
  const bool read = fgets(buffer, sizeof buffer, pipe) != nullptr;
  const bool ok = pclose(pipe) == 0;
  if (first_line != nullptr) {
    *first_line = read ? std::string(buffer) : std::string();
    while (!first_line->empty() && first_line->back() == '\n') first_line->pop_back();
  }
  return ok;
}

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

}  // namespace

ScopedExfatMount::ScopedExfatMount(const std::string& where)
    : dir(where.ends_with('/') ? where : where + "/") {
  if (geteuid() != 0 || access("/dev/fuse", R_OK | W_OK) != 0) return;
  MakeDirs(dir);
  const std::string image = dir.substr(0, dir.size() - 1) + ".img";
  if (!RunCommand("truncate -s 16M " + Quoted(image)) ||
      !RunCommand("mkfs.exfat " + Quoted(image) + " >/dev/null") ||
      !RunCommand("losetup --find --show " + Quoted(image), &loop_) || loop_.empty()) {
    return;
  }
  mounted = RunCommand("mount.exfat-fuse " + loop_ + " " + Quoted(dir));
}

ScopedExfatMount::~ScopedExfatMount() {
  if (mounted && umount(dir.c_str()) != 0) umount2(dir.c_str(), MNT_DETACH);
  // A device the file system program still holds is freed when it lets go.
  if (!loop_.empty()) RunCommand("losetup -d " + loop_);
}

}  // namespace qv::testing
