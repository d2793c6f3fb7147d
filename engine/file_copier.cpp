#include "engine/file_copier.h"

#include "filesys/file_ops.h"
#include "filesys/found_file.h"
#include "log/logger.h"

namespace qv {

Status TFileCopier::Prepare(const std::string& source, const TFoundFile& entry,
                            const std::string& dest, bool with_security, TLogger& logger,
                            TPreparedCopy* copy) {
  *copy = TPreparedCopy();
  logger.SetStatus(source);
  if (!entry.IsReparsePoint()) {
    return platform_.CopyToTemp(source, dest, CopyStatusProgress(source, logger), with_security,
                                &copy->temp, &copy->lost);
  }
  std::string target;
  Status status = platform_.ReadLink(source, &target);
  if (status.ok()) status = platform_.SymlinkToTemp(target, dest, &copy->temp);
  // A link whose times could not be set is only compared as changed at the
  // next scan, and copied again then.
  if (status.ok())
    (void)platform_.SetTimes(copy->temp, entry.last_access_time, entry.last_write_time);
  return status;
}

Status TFileCopier::Commit(const TPreparedCopy& copy, const std::string& dest, bool replace) {
  const Status status =
      replace ? platform_.CommitTemp(copy.temp, dest) : platform_.Move(copy.temp, dest);
  if (!status.ok()) Discard(copy);
  return status;
}

void TFileCopier::Discard(const TPreparedCopy& copy) {
  if (!copy.temp.empty()) (void)platform_.DeleteFile(copy.temp);
}

}  // namespace qv
