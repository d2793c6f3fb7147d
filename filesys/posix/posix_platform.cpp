#include "filesys/posix/posix_platform.h"

#include "filesys/posix/copy_file.h"

namespace qv {

Status PosixPlatform::CopyToTemp(const std::string& src, const std::string& dst,
                                 const CopyProgress& progress, std::string* temp) {
  return PosixCopyToTemp(src, dst, progress, temp);
}

Status PosixPlatform::CommitTemp(const std::string& temp, const std::string& dst) {
  return PosixCommitTemp(temp, dst);
}

bool PosixPlatform::IsTempName(const std::string& name) { return PosixIsTempName(name); }

Platform& DefaultPlatform() {
  static PosixPlatform platform;
  return platform;
}

std::unique_ptr<Platform> NewPosixPlatform() { return std::make_unique<PosixPlatform>(); }

}  // namespace qv
