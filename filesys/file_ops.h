#ifndef QUORVANE_FILESYS_FILE_OPS_H_
#define QUORVANE_FILESYS_FILE_OPS_H_

#include <cstdint>
#include <string>

#include "filesys/platform.h"

namespace qv {

class TLogger;

// The file operations the engine calls. Each turns a failed platform Status
// into the program's error line on the logger it is given and answers false,
// -1 or an empty string; none throws. Paths go into log lines as they are
// (the sinks escape control characters). Moving files and removing
// directories need no log line of their own: callers use Platform::Move and
// Platform::RemoveDir and log what they need.

// True when the entry itself (a symbolic link is not followed) exists. A path
// without root (a relative one) never exists. Nothing is logged.
bool FileExists(Platform& platform, const std::string& path);
// Exists and carries the directory bit (so does a link to a directory).
bool IsDirectory(Platform& platform, const std::string& path);
// Exists and is not a directory.
bool IsFile(Platform& platform, const std::string& path);

// The attribute word, or -1 after "Could not read file attributes of ".
int64_t ReadAttributes(Platform& platform, const std::string& path, TLogger& logger);
// False after "Could not set file attributes of ".
bool WriteAttributes(Platform& platform, const std::string& path, uint32_t attributes,
                     TLogger& logger);
// Clears the archive bit and reads it back; a bit that stays is the error
// "Detected silent failure while trying to clear the archive bit of ".
// attributes are those of the entry as listed: POSIX never sets the bit, so
// there this succeeds at once without a system call.
bool ClearArchiveBit(Platform& platform, const std::string& path, uint32_t attributes,
                     TLogger& logger);

// Creates path and every missing directory above it. An existing directory is
// success. Failure: "Could not create directory " + path without trailing "/",
// with the code of the last creation that failed.
bool CreateDirectoryTree(Platform& platform, const std::string& path, TLogger& logger);

// Deletes a file (or link), clearing its read-only bit first. Failures log
// "Could not read file attributes of " or "Could not delete ".
bool RemoveFile(Platform& platform, const std::string& path, TLogger& logger);

// Deletes the temporary file of a copy that never finished (a scan was
// killed): it is not the user's data, so it is neither archived nor counted.
// Logs "Removed unfinished copy " + path, or "Could not delete " + path.
void RemoveUnfinishedCopy(Platform& platform, const std::string& path, TLogger& logger);

// Bytes the file occupies on disk (sparse and compressed files), or -1 after
// "Could not get compressed size of "; a volume that cannot tell is silent.
int64_t CompressedSize(Platform& platform, const std::string& path, TLogger& logger);
// The compressed size when use_compressed is set and it can be read,
// otherwise plain_size.
int64_t SizeOnDisk(Platform& platform, const std::string& path, bool use_compressed,
                   int64_t plain_size, TLogger& logger);

// Bytes available to the user and size of the volume holding dir; both -1
// when the volume cannot be asked.
void GetFreeSpace(Platform& platform, const std::string& dir, int64_t* free_bytes,
                  int64_t* total_bytes);
// File system type of the volume holding path ("" when it cannot be asked);
// *mount_point (may be null) receives its mount point with trailing "/".
std::string FileSystemName(Platform& platform, const std::string& path, std::string* mount_point);
// Label of the volume holding path; "" when it has none or cannot be asked.
std::string VolumeName(Platform& platform, const std::string& path);
// True when the volume compresses files, or when it cannot be asked.
bool SupportsCompression(Platform& platform, const std::string& path);

// Progress routine for a copy of source: shows source + two blanks + "<copied>
// of <total>" as status text at every call and cancels the copy (ECANCELED)
// once the logger reports that the scan is being stopped. The logger must
// outlive the routine.
CopyProgress CopyStatusProgress(const std::string& source, TLogger& logger);
// Copies source over dest through the platform's copy service with the
// progress routine above, after showing source as status text. The caller
// logs a failure; a stopped scan fails with Cond::kCancelled.
Status CopyFileWithProgress(Platform& platform, const std::string& source, const std::string& dest,
                            TLogger& logger);

}  // namespace qv

#endif  // QUORVANE_FILESYS_FILE_OPS_H_
