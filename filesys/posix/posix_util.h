#ifndef QUORVANE_FILESYS_POSIX_POSIX_UTIL_H_
#define QUORVANE_FILESYS_POSIX_POSIX_UTIL_H_

#include <cerrno>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

#include <fcntl.h>
#include <sys/types.h>

#include "filesys/local_time.h"
#include "filesys/status.h"

// Helpers shared by the POSIX platform files; nothing outside filesys/posix
// includes this.
namespace qv {

// The failure of the system call that just returned. Call it before anything
// else can overwrite errno.
inline Status ErrnoStatus() { return Status::FromErrno(errno); }

// Where an *at call finds an entry: name relative to the directory dir.
// Outside a confinement root dir is AT_FDCWD and name the whole path
// (see confinement.h); name is always a suffix of the path it stands for.
struct AtPath {
  int dir = AT_FDCWD;
  const char* name = "";
};

// path without its trailing "/" ("/" stays). The kernel follows a symbolic
// link in the last component when a "/" follows it, so every call that must
// act on the entry itself goes through this.
std::string EntryPath(const std::string& path);
// The last component of an EntryPath ("" for "/").
std::string_view LeafName(std::string_view entry);

inline FileTime ToFileTime(int64_t seconds, int64_t nanoseconds) {
  return (seconds + kUnixEpochSeconds) * kFileTimeTicksPerSecond + nanoseconds / 100;
}
// Seconds since 1970 (rounded down) and the ticks of the second that remain.
inline int64_t UnixSeconds(FileTime time, int64_t* rest_ticks) {
  int64_t seconds = time / kFileTimeTicksPerSecond;
  int64_t rest = time % kFileTimeTicksPerSecond;
  if (rest < 0) {
    rest += kFileTimeTicksPerSecond;
    --seconds;
  }
  *rest_ticks = rest;
  return seconds - kUnixEpochSeconds;
}
inline timespec ToTimespec(FileTime time) {
  int64_t rest = 0;
  timespec ts{};
  ts.tv_sec = static_cast<time_t>(UnixSeconds(time, &rest));
  ts.tv_nsec = static_cast<decltype(ts.tv_nsec)>(rest * 100);
  return ts;
}

// Reads an extended attribute list or value with get(buffer, size), which
// answers the needed size for size 0 (the *xattr calls). The size may grow
// between the two calls; then it is asked again.
template <typename Get>
Status ReadSized(Get get, std::string* result) {
  for (int attempt = 0; attempt < 8; ++attempt) {
    ssize_t n = get(nullptr, 0);
    if (n <= 0) {
      result->clear();
      return n == 0 ? Status::Ok() : ErrnoStatus();
    }
    result->resize(static_cast<size_t>(n));
    n = get(result->data(), result->size());
    if (n >= 0) {
      result->resize(static_cast<size_t>(n));
      return Status::Ok();
    }
    if (errno != ERANGE) return ErrnoStatus();
  }
  return Status::FromErrno(ERANGE);
}

// Reads fd to its end (sizes of /proc files read as 0, so no size is trusted).
Status ReadAll(int fd, std::string* data);
Status WriteAll(int fd, std::string_view data);
// Opens path (following links: reading changes nothing) and reads it whole.
Status ReadWholeFile(const std::string& path, std::string* data);

// realpath(3): absolute, without links, "." or "..".
Status RealPath(const std::string& path, std::string* real);
// A path that names entry for the calls without an *at variant (extended
// attributes): below /proc/self/fd, whose link leads to the open directory
// itself rather than to a path looked up again.
std::string ProcPath(AtPath entry);
// chmod of the entry itself; fails rather than follow a symbolic link.
Status ChangeModeNoFollow(const std::string& entry, mode_t mode);
Status ChangeModeNoFollow(AtPath entry, mode_t mode);
// Creates dir and every missing parent (mode 0777 less the umask).
Status MakeDirectories(const std::string& dir);

// 16 lower-case hex digits from a generator of the calling thread, for the
// names of temporary files.
std::string RandomHex();

// What the user database holds for a user.
struct UserEntry {
  std::string name;
  std::string home;
};
// ENOENT when the database knows no such user.
Status LookUpUser(uid_t uid, UserEntry* user);
Status LookUpUserNamed(const std::string& name, UserEntry* user);

}  // namespace qv

#endif  // QUORVANE_FILESYS_POSIX_POSIX_UTIL_H_
