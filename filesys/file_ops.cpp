#include "filesys/file_ops.h"

#include <cerrno>

#include "filesys/path_ops.h"
#include "filesys/text_format.h"
#include "log/logger.h"

namespace qv {

namespace {

// Creates dir, and on "not found" the tree above it once, then dir again.
Status CreateTree(Platform& platform, const std::string& dir) {
  Status status = platform.CreateDir(dir);
  if (status.cond() == Cond::kNotFound) {
    const std::string parent = ExcludeTrailingSeparator(ParentDir(dir));
    if (parent.size() <= RootOf(dir).size() + 1) return status;
    if (!IsDirectory(platform, parent)) {
      const Status made = CreateTree(platform, parent);
      if (!made.ok()) return made;
    }
    status = platform.CreateDir(dir);
  }
  // Someone else may have made it in the meantime.
  if (status.cond() == Cond::kExists && IsDirectory(platform, dir)) return Status::Ok();
  return status;
}

}  // namespace

bool FileExists(Platform& platform, const std::string& path) {
  FileInfo info;
  return HasRoot(path) && platform.Stat(path, &info).ok();
}

bool IsDirectory(Platform& platform, const std::string& path) {
  FileInfo info;
  return platform.Stat(path, &info).ok() && info.IsDirectory();
}

bool IsFile(Platform& platform, const std::string& path) {
  FileInfo info;
  return platform.Stat(path, &info).ok() && !info.IsDirectory();
}

int64_t ReadAttributes(Platform& platform, const std::string& path, TLogger& logger) {
  FileInfo info;
  const Status status = platform.Stat(path, &info);
  if (status.ok()) return info.attributes;
  logger.LogSysError(status.code(), "Could not read file attributes of " + path);
  return -1;
}

bool WriteAttributes(Platform& platform, const std::string& path, uint32_t attributes,
                     TLogger& logger) {
  const Status status = platform.SetAttributes(path, attributes);
  if (!status.ok()) logger.LogSysError(status.code(), "Could not set file attributes of " + path);
  return status.ok();
}

bool ClearArchiveBit(Platform& platform, const std::string& path, uint32_t attributes,
                     TLogger& logger) {
  if ((attributes & kAttrArchive) == 0) return true;
  if (!WriteAttributes(platform, path, attributes & ~kAttrArchive, logger)) return false;
  const int64_t now = ReadAttributes(platform, path, logger);
  if (now < 0) return false;
  if ((now & kAttrArchive) == 0) return true;
  logger.LogError("Detected silent failure while trying to clear the archive bit of " + path);
  return false;
}

bool CreateDirectoryTree(Platform& platform, const std::string& path, TLogger& logger) {
  const std::string dir = ExcludeTrailingSeparator(path);
  if (IsDirectory(platform, dir)) return true;
  const Status status = CreateTree(platform, dir);
  if (!status.ok()) logger.LogSysError(status.code(), "Could not create directory " + dir);
  return status.ok();
}

bool RemoveFile(Platform& platform, const std::string& path, TLogger& logger) {
  const int64_t attributes = ReadAttributes(platform, path, logger);
  if (attributes < 0) return false;
  const bool read_only = (attributes & kAttrReadOnly) != 0;
  if (read_only) {
    (void)platform.SetAttributes(path, static_cast<uint32_t>(attributes) & ~kAttrReadOnly);
  }
  const Status status = platform.DeleteFile(path);
  if (status.ok()) return true;
  // A file that stays keeps its protection.
  if (read_only) (void)platform.SetAttributes(path, static_cast<uint32_t>(attributes));
  logger.LogSysError(status.code(), "Could not delete " + path);
  return false;
}

void RemoveUnfinishedCopy(Platform& platform, const std::string& path, TLogger& logger) {
  const Status status = platform.DeleteFile(path);
  if (status.ok()) {
    logger.LogLine("Removed unfinished copy " + path);
  } else {
    logger.LogSysError(status.code(), "Could not delete " + path);
  }
}

int64_t CompressedSize(Platform& platform, const std::string& path, TLogger& logger) {
  FileInfo info;
  const Status status = platform.Stat(path, &info);
  if (status.ok()) return info.size_on_disk;
  if (status.cond() != Cond::kNotImplemented) {
    logger.LogSysError(status.code(), "Could not get compressed size of " + path);
  }
  return -1;
}

int64_t SizeOnDisk(Platform& platform, const std::string& path, bool use_compressed,
                   int64_t plain_size, TLogger& logger) {
  if (!use_compressed) return plain_size;
  const int64_t compressed = CompressedSize(platform, path, logger);
  return compressed < 0 ? plain_size : compressed;
}

void GetFreeSpace(Platform& platform, const std::string& dir, int64_t* free_bytes,
                  int64_t* total_bytes) {
  if (!platform.FreeSpace(dir, free_bytes, total_bytes).ok()) {
    *free_bytes = -1;
    *total_bytes = -1;
  }
}

std::string FileSystemName(Platform& platform, const std::string& path, std::string* mount_point) {
  VolumeInfo volume;
  if (!platform.GetVolume(path, &volume).ok()) return std::string();
  if (mount_point != nullptr) *mount_point = volume.mount_point;
  return volume.fs_type;
}

std::string VolumeName(Platform& platform, const std::string& path) {
  VolumeInfo volume;
  return platform.GetVolume(path, &volume).ok() ? volume.label : std::string();
}

bool SupportsCompression(Platform& platform, const std::string& path) {
  VolumeInfo volume;
  return !platform.GetVolume(path, &volume).ok() || volume.supports_compression;
}

CopyProgress CopyStatusProgress(const std::string& source, TLogger& logger) {
  // The total only changes between streams; its text is made once per total.
  return [source, &logger, total = int64_t{-1}, suffix = std::string()](int64_t copied,
                                                                        int64_t new_total) mutable {
    if (logger.IsTerminated()) return ECANCELED;
    if (new_total != total) {
      total = new_total;
      suffix = " of " + SizeText(total, 0);
    }
    logger.SetStatus(source + "  " + SizeText(copied, 0) + suffix);
    return 0;
  };
}

Status CopyFileWithProgress(Platform& platform, const std::string& source, const std::string& dest,
                            TLogger& logger) {
  logger.SetStatus(source);
  return platform.CopyFile(source, dest, CopyStatusProgress(source, logger));
}

}  // namespace qv
