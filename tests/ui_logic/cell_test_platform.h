#ifndef QUORVANE_TESTS_UI_LOGIC_CELL_TEST_PLATFORM_H_
#define QUORVANE_TESTS_UI_LOGIC_CELL_TEST_PLATFORM_H_

#include <cerrno>
#include <map>
#include <optional>
#include <string>

#include "filesys/platform_wrapper.h"

namespace qv::testing {

// The real platform with its own environment and, for paths below the
// mount points given, chosen file systems: their type, ACLs and space.
class CellTestPlatform : public PlatformWrapper {
 public:
  struct Volume {
    std::string fs_type;
    bool keeps_acls = true;
    int64_t free_bytes = 0;
    int64_t total_bytes = 0;
  };

  CellTestPlatform() : PlatformWrapper(DefaultPlatform()) {}

  std::optional<std::string> GetEnv(const std::string& name) override {
    return env.contains(name) ? std::optional(env.at(name)) : std::nullopt;
  }
  Status GetVolume(const std::string& path, VolumeInfo* info) override {
    const auto volume = Find(path);
    if (volume == volumes.end()) return Status::FromErrno(EIO);
    info->mount_point = volume->first;
    info->fs_type = volume->second.fs_type;
    return Status::Ok();
  }
  Status KeepsAcls(const std::string& dir, bool* keeps) override {
    const auto volume = volumes.find(dir);
    if (volume == volumes.end()) return Status::FromErrno(EIO);
    *keeps = volume->second.keeps_acls;
    return Status::Ok();
  }
  Status FreeSpace(const std::string& path, int64_t* free_bytes, int64_t* total_bytes) override {
    const auto volume = volumes.find(path);
    if (volume == volumes.end()) return Status::FromErrno(EIO);
    *free_bytes = volume->second.free_bytes;
    *total_bytes = volume->second.total_bytes;
    return Status::Ok();
  }

  std::map<std::string, std::string> env;
  std::map<std::string, Volume> volumes;  // by mount point, ending with "/"

 private:
  // The longest mount point that path lies in.
  std::map<std::string, Volume>::const_iterator Find(const std::string& path) const {
    auto best = volumes.end();
    for (auto it = volumes.begin(); it != volumes.end(); ++it) {
      if ((path + "/").rfind(it->first, 0) == 0 &&
          (best == volumes.end() || it->first.size() > best->first.size())) {
        best = it;
      }
    }
    return best;
  }
};

}  // namespace qv::testing

#endif  // QUORVANE_TESTS_UI_LOGIC_CELL_TEST_PLATFORM_H_
