#include "filesys/posix/posix_platform.h"

#include "filesys/posix/copy_file.h"

namespace qv {

Status PosixPlatform::CopyToTemp(const std::string& src, const std::string& dst,
                                 const CopyProgress& progress, bool with_security,
                                 std::string* temp, uint32_t* lost) {
  return confinement_.At(src, dst, [&](AtPath from, AtPath to) {
    return PosixCopyToTemp(from, to, dst, progress, with_security, temp, lost);
  });
}

Status PosixPlatform::SymlinkToTemp(const std::string& target, const std::string& dst,
                                    std::string* temp) {
  return confinement_.At(dst, [&](AtPath to) { return PosixSymlinkToTemp(target, to, dst, temp); });
}

Status PosixPlatform::CommitTemp(const std::string& temp, const std::string& dst) {
  return confinement_.At(temp, dst,
                         [](AtPath from, AtPath to) { return PosixCommitTemp(from, to); });
}

void PosixPlatform::ConfineTo(const std::vector<std::string>& roots) { confinement_.Set(roots); }

bool PosixPlatform::IsTempName(const std::string& name) { return PosixIsTempName(name); }

Status PosixPlatform::CreateTempFile(const std::string& dst, std::string* temp) {
  return confinement_.At(dst, [&](AtPath to) { return PosixCreateTempFile(to, dst, temp); });
}

Platform& DefaultPlatform() {
  static PosixPlatform platform;
  return platform;
}

}  // namespace qv
