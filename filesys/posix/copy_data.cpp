#include <algorithm>
#include <memory>

#include <fcntl.h>
#include <unistd.h>

#include "filesys/posix/copy_steps.h"
#include "filesys/posix/posix_util.h"

namespace qv {
namespace {

// copy_file_range cannot serve this pair of files (another file system, a
// kernel or file system without it); read and write do.
bool KernelCopyUnsupported(int code) {
  return code == EXDEV || code == EINVAL || code == ENOSYS || code == EOPNOTSUPP || code == ENOTSUP;
}

// Copies ranges of in to the same ranges of out and reports the progress.
class RangeCopier {
 public:
  RangeCopier(int in, int out, int64_t total, const CopyProgress& progress)
      : in_(in), out_(out), total_(total), progress_(progress) {}

  // Copies [offset, end), reporting after every chunk.
  Status CopyRange(int64_t offset, int64_t end) {
    while (offset < end) {
      int64_t copied = 0;
      Status s = CopyChunk(offset, std::min(end - offset, kCopyChunk), &copied);
      if (!s.ok()) return s;
      if (copied == 0) return Status::SourceChanged();  // the source ended early
      offset += copied;
      s = Report(offset);
      if (!s.ok()) return s;
    }
    return Status::Ok();
  }

  // Tells the progress callback that everything before done is copied.
  Status Report(int64_t done) {
    if (!progress_ || done == reported_) return Status::Ok();
    reported_ = done;
    const int answer = progress_(done, total_);
    return answer == 0 ? Status::Ok() : Status::FromErrno(answer);
  }

 private:
  // Copies up to len bytes at offset; *copied stays 0 only at the end of in.
  // copy_file_range lets the kernel share blocks (reflink) or at least skip
  // the trip through user space; it is given up for the rest of the file when
  // it cannot serve the pair, or answers 0 (some file systems do before the
  // end), so that read decides whether the source really ended.
  Status CopyChunk(int64_t offset, int64_t len, int64_t* copied) {
    if (use_kernel_copy_) {
      loff_t in_offset = offset;
      loff_t out_offset = offset;
      const ssize_t n = RetryOnEintr([&] {
        return copy_file_range(in_, &in_offset, out_, &out_offset, static_cast<size_t>(len), 0);
      });
      if (n > 0) {
        *copied = n;
        return Status::Ok();
      }
      if (n < 0 && !KernelCopyUnsupported(errno)) return ErrnoStatus();
      use_kernel_copy_ = false;
    }
    return BufferCopy(offset, len, copied);
  }

  Status BufferCopy(int64_t offset, int64_t len, int64_t* copied) {
    if (!buffer_) buffer_ = std::make_unique_for_overwrite<char[]>(kCopyChunk);
    const ssize_t n =
        RetryOnEintr([&] { return pread(in_, buffer_.get(), static_cast<size_t>(len), offset); });
    if (n < 0) return ErrnoStatus();
    for (ssize_t done = 0; done < n;) {
      const ssize_t written = RetryOnEintr([&] {
        return pwrite(out_, buffer_.get() + done, static_cast<size_t>(n - done), offset + done);
      });
      if (written < 0) return ErrnoStatus();
      if (written == 0) return Status::FromErrno(EIO);
      done += written;
    }
    *copied = n;
    return Status::Ok();
  }

  const int in_;
  const int out_;
  const int64_t total_;
  const CopyProgress& progress_;
  int64_t reported_ = -1;
  bool use_kernel_copy_ = true;
  std::unique_ptr<char[]> buffer_;  // only for the read/write path
};

}  // namespace

Status NextExtent(int in, int64_t offset, int64_t size, int64_t* data, int64_t* hole) {
  *data = lseek(in, offset, SEEK_DATA);
  if (*data < 0) {
    if (errno == ENXIO)
      *data = size;  // nothing but a hole up to the end
    else if (KernelCopyUnsupported(errno))
      *data = offset;  // no hole search here: all data
    else
      return ErrnoStatus();
  }
  *data = std::min(*data, size);
  *hole = size;
  if (*data < size) {
    const off_t found = lseek(in, *data, SEEK_HOLE);
    if (found >= 0)
      *hole = std::min<int64_t>(found, size);
    else if (errno == ENXIO)
      return Status::SourceChanged();  // shrunk under us
    else if (!KernelCopyUnsupported(errno))
      return ErrnoStatus();
  }
  return Status::Ok();
}

namespace {

// Fewer allocated bytes than the size: there are holes worth keeping. Files
// without (nearly all) are copied in one range, sparing the extent search.
bool MayHaveHoles(const struct stat& st) { return int64_t{st.st_blocks} * 512 < st.st_size; }

// Copies the data extents of the first size bytes of in; *end is where the
// last one ended.
Status CopyExtents(int in, int64_t size, RangeCopier* copier, int64_t* end) {
  *end = 0;
  while (*end < size) {
    int64_t data = 0;
    int64_t hole = 0;
    Status s = NextExtent(in, *end, size, &data, &hole);
    if (!s.ok() || data == size) return s;
    s = copier->CopyRange(data, hole);
    if (!s.ok()) return s;
    *end = hole;
  }
  return Status::Ok();
}

}  // namespace

Status CopyFileData(int in, int out, const struct stat& st, const CopyProgress& progress) {
  const int64_t size = st.st_size;
  RangeCopier copier(in, out, size, progress);
  Status s = copier.Report(0);
  int64_t written_end = size;
  if (s.ok()) {
    s = MayHaveHoles(st) ? CopyExtents(in, size, &copier, &written_end) : copier.CopyRange(0, size);
  }
  if (!s.ok()) return s;
  // A trailing hole has no data to copy; the size makes it.
  if (written_end < size && RetryOnEintr([&] { return ftruncate(out, size); }) != 0) {
    return ErrnoStatus();
  }
  return copier.Report(size);
}

}  // namespace qv
