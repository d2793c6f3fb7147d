#include "filesys/posix/disk_links.h"

#include <memory>

#include <dirent.h>

#include "filesys/posix/posix_util.h"

namespace qv {

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// udev writes blanks, "/" and other unsafe bytes of labels as "\xNN".
std::string DecodeUdevName(const std::string& name) {
  std::string text;
  for (size_t i = 0; i < name.size(); ++i) {
    if (name.compare(i, 2, "\\x") == 0 && i + 3 < name.size() && HexDigit(name[i + 2]) >= 0 &&
        HexDigit(name[i + 3]) >= 0) {
      text += static_cast<char>(HexDigit(name[i + 2]) * 16 + HexDigit(name[i + 3]));
      i += 3;
    } else {
      text += name[i];
    }
  }
  return text;
}

}  // namespace

std::string DiskLinkName(const std::string& dir, const std::string& device) {
  struct Closer {
    void operator()(DIR* listing) const { ::closedir(listing); }
  };
  std::unique_ptr<DIR, Closer> listing(::opendir(dir.c_str()));
  if (!listing) return "";
  while (const dirent* record = ::readdir(listing.get())) {
    std::string target;
    if (record->d_name[0] != '.' && RealPath(dir + "/" + record->d_name, &target).ok() &&
        target == device) {
      return DecodeUdevName(record->d_name);
    }
  }
  return "";
}

}  // namespace qv
