#ifndef QUORVANE_FILESYS_STATUS_H_
#define QUORVANE_FILESYS_STATUS_H_

#include <string>

namespace qv {

// The few conditions that change what the engine does. The engine branches on
// these, never on raw codes.
enum class Cond {
  kOk,
  kNotFound,        // ENOENT, ENOTDIR
  kDiskFull,        // ENOSPC, EDQUOT
  kAccessDenied,    // EACCES, EPERM
  kNotImplemented,  // ENOTSUP, ENOSYS, EOPNOTSUPP
  kCancelled,       // ECANCELED: a declined confirmation or a stopped copy
  kExists,          // EEXIST, ENOTEMPTY: a move or create that would replace something
  kSourceChanged,   // the source changed while it was copied
  kReadOnly,        // EROFS: the file system takes no writes
  kOther,
  kBusy,  // EWOULDBLOCK: a lock is held by someone else
};

// Result of a platform call. OK costs one int; a failure keeps the errno for
// the "Error <code>: ..." log lines.
class [[nodiscard]] Status {
 public:
  Status() = default;
  static Status Ok() { return Status(); }
  static Status FromErrno(int code) { return Status(code); }
  // The source changed while it was being copied.
  static Status SourceChanged();

  bool ok() const { return code_ == 0; }
  int code() const { return code_; }
  Cond cond() const;
  // A disk full that is the user's quota (EDQUOT), not the file system's.
  bool quota() const;
  // The system text for the code ("changed while copying" for SourceChanged).
  std::string message() const;

 private:
  explicit Status(int code) : code_(code) {}
  int code_ = 0;
};

// Code of Status::SourceChanged(); outside the errno range.
inline constexpr int kErrSourceChanged = 100001;

}  // namespace qv

#endif  // QUORVANE_FILESYS_STATUS_H_
