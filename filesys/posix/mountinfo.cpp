#include "filesys/posix/mountinfo.h"

#include <charconv>

namespace qv {

namespace {

bool IsOctal(char c) { return c >= '0' && c <= '7'; }

// The kernel writes space, tab, newline and backslash as "\ooo".
std::string Unescape(std::string_view field) {
  std::string text;
  text.reserve(field.size());
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() && IsOctal(field[i + 1]) &&
        IsOctal(field[i + 2]) && IsOctal(field[i + 3])) {
      text += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                (field[i + 3] - '0'));
      i += 3;
    } else {
      text += field[i];
    }
  }
  return text;
}

std::vector<std::string_view> SplitFields(std::string_view line) {
  std::vector<std::string_view> fields;
  size_t start = 0;
  while (start <= line.size()) {
    size_t end = line.find(' ', start);
    if (end == std::string_view::npos) end = line.size();
    if (end > start) fields.push_back(line.substr(start, end - start));
    start = end + 1;
  }
  return fields;
}

bool ParseNumber(std::string_view text, uint32_t* value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *value);
  return error == std::errc() && end == text.data() + text.size();
}

bool ParseDevice(std::string_view text, MountInfo* mount) {
  const size_t colon = text.find(':');
  return colon != std::string_view::npos && ParseNumber(text.substr(0, colon), &mount->dev_major) &&
         ParseNumber(text.substr(colon + 1), &mount->dev_minor);
}

// "id parent major:minor root mount-point options [optional...] - type source super-options"
bool ParseLine(std::string_view line, MountInfo* mount) {
  const std::vector<std::string_view> fields = SplitFields(line);
  size_t separator = 6;
  while (separator < fields.size() && fields[separator] != "-") ++separator;
  if (separator + 2 >= fields.size() || !ParseDevice(fields[2], mount)) return false;
  mount->root = Unescape(fields[3]);
  mount->mount_point = Unescape(fields[4]);
  mount->fs_type = Unescape(fields[separator + 1]);
  mount->source = Unescape(fields[separator + 2]);
  return !mount->mount_point.empty() && mount->mount_point[0] == '/';
}

bool Contains(const std::string& mount_point, const std::string& path) {
  if (mount_point == "/") return true;
  return path.compare(0, mount_point.size(), mount_point) == 0 &&
         (path.size() == mount_point.size() || path[mount_point.size()] == '/');
}

}  // namespace

std::vector<MountInfo> ParseMountInfo(std::string_view text) {
  std::vector<MountInfo> mounts;
  while (!text.empty()) {
    size_t end = text.find('\n');
    if (end == std::string_view::npos) end = text.size();
    MountInfo mount;
    if (ParseLine(text.substr(0, end), &mount)) mounts.push_back(std::move(mount));
    text.remove_prefix(end == text.size() ? end : end + 1);
  }
  return mounts;
}

const MountInfo* FindMount(const std::vector<MountInfo>& mounts, const std::string& path,
                           uint32_t dev_major, uint32_t dev_minor) {
  const MountInfo* longest = nullptr;
  const MountInfo* longest_on_device = nullptr;
  for (const MountInfo& mount : mounts) {
    if (!Contains(mount.mount_point, path)) continue;
    if (!longest || mount.mount_point.size() >= longest->mount_point.size()) longest = &mount;
    const bool on_device = mount.dev_major == dev_major && mount.dev_minor == dev_minor;
    if (on_device &&
        (!longest_on_device || mount.mount_point.size() >= longest_on_device->mount_point.size())) {
      longest_on_device = &mount;
    }
  }
  // btrfs subvolumes report a st_dev of their own that mountinfo does not
  // show; the longest containing mount point stands in then.
  return longest_on_device ? longest_on_device : longest;
}

}  // namespace qv
