#include "filesys/platform.h"

namespace qv {

Status Platform::CopyFile(const std::string& src, const std::string& dst,
                          const CopyProgress& progress) {
  std::string temp;
  Status s = CopyToTemp(src, dst, progress, false, &temp, nullptr);
  if (!s.ok()) return s;
  s = CommitTemp(temp, dst);
  if (!s.ok()) (void)DeleteFile(temp);
  return s;
}

}  // namespace qv
