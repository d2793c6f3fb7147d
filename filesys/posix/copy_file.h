#ifndef QUORVANE_FILESYS_POSIX_COPY_FILE_H_
#define QUORVANE_FILESYS_POSIX_COPY_FILE_H_

#include <string>

#include "filesys/platform.h"
#include "filesys/posix/posix_util.h"
#include "filesys/status.h"

namespace qv {

// The copy service behind Platform::CopyToTemp / CommitTemp / IsTempName; the
// contract is the one written there. In short: the temporary file is
// ".qv-tmp-<16 hex>-" + as many leading bytes of dst's name as fit in NAME_MAX,
// created beside dst. Its data is not synced (see copy_file.cpp). A failed
// copy removes the temporary file; dst is never touched.
Status PosixCopyToTemp(const std::string& src, const std::string& dst, const CopyProgress& progress,
                       std::string* temp);
// The same with src and dst located for the *at calls; dst stands for
// dst_path, which *temp is built from. with_security and lost as
// Platform::CopyToTemp.
Status PosixCopyToTemp(AtPath src, AtPath dst, const std::string& dst_path,
                       const CopyProgress& progress, bool with_security, std::string* temp,
                       uint32_t* lost);

// A symbolic link holding target under a temporary name beside dst (relative
// to dst.dir as PosixCopyToTemp does); *temp is its path beside dst_path.
Status PosixSymlinkToTemp(const std::string& target, AtPath dst, const std::string& dst_path,
                          std::string* temp);

// An empty file, created exclusively with mode 0600, under a temporary name
// beside dst (relative to dst.dir as PosixCopyToTemp does); *temp is its path
// beside dst_path.
Status PosixCreateTempFile(AtPath dst, const std::string& dst_path, std::string* temp);

// rename(2) of temp over dst. The rename is atomic but not made durable (no
// fsync of the directory): after a crash the directory shows the old entry or
// the new one, both complete. When dst is a directory the rename fails
// (EISDIR) and temp is left for the caller to delete.
Status PosixCommitTemp(const std::string& temp, const std::string& dst);
Status PosixCommitTemp(AtPath temp, AtPath dst);

// True for a name made by PosixCopyToTemp, PosixSymlinkToTemp or
// PosixCreateTempFile; only the last path component counts.
bool PosixIsTempName(const std::string& name);

}  // namespace qv

#endif  // QUORVANE_FILESYS_POSIX_COPY_FILE_H_
