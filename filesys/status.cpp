#include "filesys/status.h"

#include <cerrno>

#include "log/logger.h"

namespace qv {

Status Status::SourceChanged() { return Status(kErrSourceChanged); }

Cond Status::cond() const {
  switch (code_) {
    case 0:
      return Cond::kOk;
    case ENOENT:
    case ENOTDIR:
      return Cond::kNotFound;
    case ENOSPC:
    case EDQUOT:
      return Cond::kDiskFull;
    case EACCES:
    case EPERM:
      return Cond::kAccessDenied;
    case ENOTSUP:
    case ENOSYS:
      return Cond::kNotImplemented;
    case ECANCELED:
      return Cond::kCancelled;
    case EEXIST:
    case ENOTEMPTY:
      return Cond::kExists;
    case kErrSourceChanged:
      return Cond::kSourceChanged;
    case EWOULDBLOCK:
      return Cond::kBusy;
    case EROFS:
      return Cond::kReadOnly;
    default:
      return Cond::kOther;
  }
}

bool Status::quota() const { return code_ == EDQUOT; }

std::string Status::message() const {
  if (code_ == kErrSourceChanged) return "changed while copying";
  return SystemMessage(code_);
}

}  // namespace qv
