#include "filesys/posix/posix_util.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <vector>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "filesys/posix/unique_fd.h"

namespace qv {

std::string EntryPath(const std::string& path) {
  size_t end = path.size();
  while (end > 1 && path[end - 1] == '/') --end;
  return path.substr(0, end);
}

std::string_view LeafName(std::string_view entry) {
  const size_t slash = entry.rfind('/');
  return slash == std::string_view::npos ? entry : entry.substr(slash + 1);
}

Status ReadAll(int fd, std::string* data) {
  data->clear();
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got == 0) return Status::Ok();
    if (got < 0) {
      if (errno == EINTR) continue;
      return ErrnoStatus();
    }
    data->append(buffer, static_cast<size_t>(got));
  }
}

Status WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t done = ::write(fd, data.data(), data.size());
    if (done < 0) {
      if (errno == EINTR) continue;
      return ErrnoStatus();
    }
    data.remove_prefix(static_cast<size_t>(done));
  }
  return Status::Ok();
}

Status ReadWholeFile(const std::string& path, std::string* data) {
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.valid()) return ErrnoStatus();
  return ReadAll(fd.get(), data);
}

Status RealPath(const std::string& path, std::string* real) {
  std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr),
                                                       &std::free);
  if (!resolved) return ErrnoStatus();
  *real = resolved.get();
  return Status::Ok();
}

std::string ProcPath(AtPath entry) {
  if (entry.dir == AT_FDCWD) return entry.name;
  return "/proc/self/fd/" + std::to_string(entry.dir) + "/" + entry.name;
}

Status ChangeModeNoFollow(const std::string& entry, mode_t mode) {
  return ChangeModeNoFollow(AtPath{AT_FDCWD, entry.c_str()}, mode);
}

Status ChangeModeNoFollow(AtPath entry, mode_t mode) {
  if (::fchmodat(entry.dir, entry.name, mode, AT_SYMLINK_NOFOLLOW) != 0) return ErrnoStatus();
  return Status::Ok();
}

Status MakeDirectories(const std::string& dir) {
  const std::string target = EntryPath(dir);
  // Create each level from the top; levels that exist answer EEXIST.
  for (size_t slash = target.find('/', 1);; slash = target.find('/', slash + 1)) {
    const std::string level = target.substr(0, slash);
    if (::mkdir(level.c_str(), 0777) != 0 && errno != EEXIST) return ErrnoStatus();
    if (slash == std::string::npos) return Status::Ok();
  }
}

std::string RandomHex() {
  thread_local std::mt19937_64 engine([] {
    std::random_device device;
    std::seed_seq seed{device(), device(), device(), device()};
    return std::mt19937_64(seed);
  }());
  char digits[17];
  std::snprintf(digits, sizeof digits, "%016" PRIx64, static_cast<uint64_t>(engine()));
  return digits;
}

namespace {

// A getpw*_r call with a buffer grown until the entry fits.
template <typename Lookup>
Status LookUp(Lookup lookup, UserEntry* user) {
  const long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
  for (;;) {
    passwd entry{};
    passwd* found = nullptr;
    const int code = lookup(&entry, buffer.data(), buffer.size(), &found);
    if (code == ERANGE) {
      buffer.resize(buffer.size() * 2);
      continue;
    }
    if (found == nullptr) return Status::FromErrno(code != 0 ? code : ENOENT);
    user->name = entry.pw_name;
    user->home = entry.pw_dir != nullptr ? entry.pw_dir : "";
    return Status::Ok();
  }
}

}  // namespace

Status LookUpUser(uid_t uid, UserEntry* user) {
  return LookUp(
      [uid](passwd* entry, char* buffer, size_t size, passwd** found) {
        return ::getpwuid_r(uid, entry, buffer, size, found);
      },
      user);
}

Status LookUpUserNamed(const std::string& name, UserEntry* user) {
  return LookUp(
      [&name](passwd* entry, char* buffer, size_t size, passwd** found) {
        return ::getpwnam_r(name.c_str(), entry, buffer, size, found);
      },
      user);
}

}  // namespace qv
