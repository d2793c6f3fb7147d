// The room file data takes: the data extents of a file, and how a volume
// allocates them.
#include <algorithm>

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include "filesys/posix/copy_steps.h"
#include "filesys/posix/posix_platform.h"
#include "filesys/posix/posix_util.h"
#include "filesys/posix/unique_fd.h"

namespace qv {

namespace {

constexpr int64_t kHfsMagic = 0x4244;
constexpr int64_t kHfsPlusMagic = 0x482b;

// File systems that store a hole as zeros. FUSE counts among them: the
// program behind it (exFAT, NTFS, a network share) is not known, and taking
// a hole for data only overestimates the room.
bool KeepsNoHoles(int64_t type) {
  return type == MSDOS_SUPER_MAGIC || type == EXFAT_SUPER_MAGIC || type == FUSE_SUPER_MAGIC ||
         type == kHfsMagic || type == kHfsPlusMagic;
}

int64_t RoundDown(int64_t offset, int64_t block) { return offset / block * block; }
int64_t RoundUp(int64_t offset, int64_t block) { return RoundDown(offset + block - 1, block); }

// The data extents of the size bytes of in, each widened to whole blocks;
// two extents in one block count it once.
Status SumExtents(int in, int64_t size, int64_t block, int64_t* bytes) {
  *bytes = 0;
  int64_t covered = 0;  // blocks before this offset are counted
  for (int64_t offset = 0; offset < size;) {
    int64_t data = 0;
    int64_t hole = 0;
    const Status s = NextExtent(in, offset, size, &data, &hole);
    if (!s.ok()) return s;
    if (data >= size) break;
    const int64_t start = std::max(RoundDown(data, block), covered);
    covered = RoundUp(hole, block);
    *bytes += covered - start;
    offset = hole;
  }
  return Status::Ok();
}

}  // namespace

Status PosixPlatform::GetDataLayout(const std::string& dir, DataLayout* layout) {
  struct statfs fs;
  if (::statfs(dir.c_str(), &fs) != 0) return ErrnoStatus();
  layout->block_size = std::max<int64_t>(fs.f_bsize, 1);
  layout->keeps_holes = !KeepsNoHoles(static_cast<int64_t>(fs.f_type));
  return Status::Ok();
}

Status PosixPlatform::DataSize(const std::string& path, int64_t block_size, int64_t* bytes) {
  const int64_t block = std::max<int64_t>(block_size, 1);
  return confinement_.At(EntryPath(path), [&](AtPath at) {
    // Not blocking: a FIFO put in the file's place would wait for a writer.
    UniqueFd in(::openat(at.dir, at.name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st;
    if (!in.valid() || ::fstat(in.get(), &st) != 0) return ErrnoStatus();
    if (!S_ISREG(st.st_mode)) return Status::FromErrno(EINVAL);
    return SumExtents(in.get(), st.st_size, block, bytes);
  });
}

}  // namespace qv
