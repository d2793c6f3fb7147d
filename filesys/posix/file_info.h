#ifndef QUORVANE_FILESYS_POSIX_FILE_INFO_H_
#define QUORVANE_FILESYS_POSIX_FILE_INFO_H_

#include <string_view>

#include <sys/stat.h>

#include "filesys/platform.h"
#include "filesys/status.h"

namespace qv {

// statx of name relative to dir_fd (AT_FDCWD for a whole path) with lstat
// semantics; an automount point is reported, not mounted.
// extra asks for more than FileInfo needs (STATX_BTIME).
Status StatEntry(int dir_fd, const char* name, struct statx* stx, unsigned extra = 0);

// Fills info from the statx of an entry whose last component is leaf. A
// symbolic link costs one more statx, of its target, to learn whether it leads
// to a directory; name and dir_fd locate the entry for that.
void FillFileInfo(int dir_fd, const char* name, std::string_view leaf, const struct statx& stx,
                  FileInfo* info);
// The birth time of stx into info, where the file system gave one.
void FillBirthTime(const struct statx& stx, FileInfo* info);

}  // namespace qv

#endif  // QUORVANE_FILESYS_POSIX_FILE_INFO_H_
