#include "filesys/posix/copy_file.h"

#include <cstring>
#include <functional>
#include <string_view>

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include "filesys/posix/copy_steps.h"
#include "filesys/posix/posix_util.h"
#include "filesys/posix/unique_fd.h"

namespace qv {
namespace {

constexpr std::string_view kTempPrefix = ".qv-tmp-";
constexpr size_t kRandomDigits = 16;  // of RandomHex()
constexpr int kCreateAttempts = 64;
// Files from this size on leave the page cache once copied.
constexpr off_t kDropFromCacheSize = off_t{8} << 20;

// A fresh temporary path beside dst, whose name is dst_name.
std::string TempPath(std::string_view dir, std::string_view dst_name) {
  std::string name = std::string(kTempPrefix) + RandomHex() + "-";
  // Cut bytes, not characters: the name only has to be recognisable.
  name += dst_name.substr(0, NAME_MAX - name.size());
  return std::string(dir) + name;
}

// Makes a new entry under a fresh temporary name beside dst, trying new
// names while one exists; create makes the entry at a name relative to
// dst.dir and answers -1 with errno on failure. *path is relative to dst.dir.
Status CreateTempEntry(AtPath dst, const std::function<int(const char*)>& create,
                       std::string* path) {
  const std::string_view whole(dst.name);
  const size_t cut = whole.rfind('/') + 1;  // 0 without a directory part
  if (cut == whole.size()) return Status::FromErrno(EISDIR);
  const std::string_view dir = whole.substr(0, cut);
  std::string_view dst_name = whole.substr(cut);
  for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
    *path = TempPath(dir, dst_name);
    if (RetryOnEintr([&] { return create(path->c_str()); }) >= 0) return Status::Ok();
    // Names shorter than NAME_MAX (ecryptfs, some network shares): the
    // target may fit where its temporary name does not; leave its name out.
    if (errno == ENAMETOOLONG && !dst_name.empty()) {
      dst_name = {};
      continue;
    }
    if (errno != EEXIST) return ErrnoStatus();
  }
  return Status::FromErrno(EEXIST);
}

// Creates the temporary file exclusively.
Status CreateTemp(AtPath dst, UniqueFd* out, std::string* path) {
  return CreateTempEntry(
      dst,
      [&](const char* name) {
        *out = UniqueFd(openat(dst.dir, name, O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600));
        return out->valid() ? 0 : -1;
      },
      path);
}

// The path of an entry made beside dst: dst.name ends dst_path, and path is
// relative to the same directory.
std::string BesideDst(AtPath dst, const std::string& dst_path, const std::string& path) {
  return dst_path.substr(0, dst_path.size() - std::strlen(dst.name)) + path;
}

// Opens src without following a link and without blocking (a FIFO would wait
// for a writer forever) and refuses anything but a regular file.
Status OpenSource(AtPath src, UniqueFd* in, struct stat* st) {
  *in = UniqueFd(RetryOnEintr(
      [&] { return openat(src.dir, src.name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC); }));
  if (!in->valid()) return ErrnoStatus();  // a link answers ELOOP
  if (fstat(in->get(), st) != 0) return ErrnoStatus();
  if (S_ISDIR(st->st_mode)) return Status::FromErrno(EISDIR);
  if (!S_ISREG(st->st_mode)) return Status::FromErrno(EINVAL);
  // Some file systems (FUSE) would pass the flag on to their reads.
  if (fcntl(in->get(), F_SETFL, 0) != 0) return ErrnoStatus();
  return Status::Ok();
}

bool SameStamp(const struct timespec& a, const struct timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// The copy holds what src held throughout: same size, write time and change
// time on the open file, and src still names that file (not one renamed over
// it, nor nothing). The change time moves with every write and cannot be set
// back, so a writer that restores size and write time is seen as well.
Status CheckUnchanged(int in, AtPath src, const struct stat& before) {
  struct stat after;
  if (fstat(in, &after) != 0) return ErrnoStatus();
  struct stat named;
  if (after.st_size != before.st_size || !SameStamp(after.st_mtim, before.st_mtim) ||
      !SameStamp(after.st_ctim, before.st_ctim) ||
      fstatat(src.dir, src.name, &named, AT_SYMLINK_NOFOLLOW) != 0 ||
      named.st_ino != before.st_ino || named.st_dev != before.st_dev) {
    return Status::SourceChanged();
  }
  return Status::Ok();
}

// Makes the temporary file a complete copy of in.
//
// Durability is left to the file system's write-back: an fdatasync per copy
// costs a journal commit each and made a first mirror of small files several
// times slower than a plain copy, and one sync per mirror still doubled it.
// The journalling file systems write a file's data before the rename that
// names it is committed (or keep its size at zero), so after a power loss a
// copy of this scan is complete or empty; an empty one differs in size from
// its source and the next scan copies it again. The DONTNEED below starts
// the write-back of large files early.
Status FillTemp(int in, int out, AtPath src, const struct stat& st, const CopyProgress& progress,
                bool with_security, uint32_t* lost) {
  Status s = CopyFileData(in, out, st, progress);
  if (s.ok()) s = CheckUnchanged(in, src, st);
  if (s.ok()) s = CopyUserXattrs(in, out, lost);
  if (s.ok() && with_security) s = CopySecurity(in, out, st, lost);
  if (s.ok()) s = ApplyModeAndTimes(out, st, lost);
  // A backup passes through once: keep the user's working set in the page
  // cache rather than the data of large files (on the output this starts
  // their write-back). For small files the calls cost more than the cache
  // they would save: with them a first mirror took 1.7 times as long.
  if (st.st_size >= kDropFromCacheSize) {
    (void)posix_fadvise(in, 0, 0, POSIX_FADV_DONTNEED);
    if (s.ok()) (void)posix_fadvise(out, 0, 0, POSIX_FADV_DONTNEED);
  }
  return s;
}

}  // namespace

Status PosixCopyToTemp(const std::string& src, const std::string& dst, const CopyProgress& progress,
                       std::string* temp) {
  return PosixCopyToTemp(AtPath{AT_FDCWD, src.c_str()}, AtPath{AT_FDCWD, dst.c_str()}, dst,
                         progress, false, temp, nullptr);
}

Status PosixCopyToTemp(AtPath src, AtPath dst, const std::string& dst_path,
                       const CopyProgress& progress, bool with_security, std::string* temp,
                       uint32_t* lost) {
  uint32_t not_kept = 0;
  UniqueFd in;
  struct stat st;
  Status s = OpenSource(src, &in, &st);
  if (!s.ok()) return s;
  UniqueFd out;
  std::string path;
  s = CreateTemp(dst, &out, &path);
  if (!s.ok()) return s;
  s = FillTemp(in.get(), out.get(), src, st, progress, with_security, &not_kept);
  // Some file systems (NFS, FUSE) report write errors only when closing.
  if (s.ok() && out.Close() != 0) s = ErrnoStatus();
  if (!s.ok()) {
    unlinkat(dst.dir, path.c_str(), 0);
    return s;
  }
  *temp = BesideDst(dst, dst_path, path);
  if (lost != nullptr) *lost = not_kept;
  return Status::Ok();
}

Status PosixSymlinkToTemp(const std::string& target, AtPath dst, const std::string& dst_path,
                          std::string* temp) {
  std::string path;
  const Status s = CreateTempEntry(
      dst, [&](const char* name) { return symlinkat(target.c_str(), dst.dir, name); }, &path);
  if (s.ok()) *temp = BesideDst(dst, dst_path, path);
  return s;
}

Status PosixCreateTempFile(AtPath dst, const std::string& dst_path, std::string* temp) {
  UniqueFd fd;
  std::string path;
  const Status s = CreateTemp(dst, &fd, &path);
  if (s.ok()) *temp = BesideDst(dst, dst_path, path);
  return s;
}

Status PosixCommitTemp(const std::string& temp, const std::string& dst) {
  return PosixCommitTemp(AtPath{AT_FDCWD, temp.c_str()}, AtPath{AT_FDCWD, dst.c_str()});
}

Status PosixCommitTemp(AtPath temp, AtPath dst) {
  if (renameat(temp.dir, temp.name, dst.dir, dst.name) != 0) return ErrnoStatus();
  return Status::Ok();
}

bool PosixIsTempName(const std::string& name) {
  std::string_view rest = LeafName(name);
  if (!rest.starts_with(kTempPrefix)) return false;
  rest.remove_prefix(kTempPrefix.size());
  if (rest.size() <= kRandomDigits || rest[kRandomDigits] != '-') return false;
  return rest.substr(0, kRandomDigits).find_first_not_of("0123456789abcdef") ==
         std::string_view::npos;
}

}  // namespace qv
