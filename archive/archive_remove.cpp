// Removing trees from the archive. Symbolic links are removed as links:
// nothing they point to is ever entered or touched.
#include "archive/archive.h"
#include "filesys/file_ops.h"
#include "filesys/path_ops.h"
#include "log/logger.h"

namespace qv {

bool TArchive::RemoveTree(const std::string& path, TLogger& logger) {
  const std::string entry = ExcludeTrailingSeparator(path);
  FileInfo info;
  const Status status = platform_.Stat(entry, &info);
  bool removed = status.ok();
  if (removed) {
    removed = RemoveEntry(entry, info, logger);
  } else {
    logger.LogSysError(status.code(), "Could not delete " + path);
  }
  SaveInfo();
  if (!loading_) logger.UpdateMirrorStats(archive_dir_);
  return removed;
}

bool TArchive::RemoveEntry(const std::string& path, const FileInfo& info, TLogger& logger) {
  if (info.IsDirectory() && !info.IsReparsePoint()) return RemoveDirectory(path, info, logger);
  if (!info.IsDirectory()) return RemoveArchivedFile(path, info, logger);
  // A link to a directory counts as a directory, as the counting walk has it.
  return logger.CheckSuspend() && DirectoryGone(platform_.DeleteFile(path), path, logger);
}

// A directory of the archive whose entries go before it does.
struct TArchive::TRemoval {
  std::string path;
  std::vector<DirEntry> entries;
  size_t next = 0;
  bool emptied = true;  // no entry stayed so far
};

// Entries that stay were logged; the others still go. The directories being
// emptied wait on the heap, so that a deep tree costs memory, not stack.
bool TArchive::RemoveDirectory(const std::string& path, const FileInfo& info, TLogger& logger) {
  std::vector<TRemoval> open;  // innermost last
  if (!OpenForRemoval(path, info, logger, &open)) return false;
  for (;;) {
    TRemoval& top = open.back();
    if (top.next < top.entries.size()) {
      if (!logger.CheckSuspend()) return false;
      const DirEntry& entry = top.entries[top.next++];
      const std::string child = top.path + kSep + entry.name;
      if (entry.info.IsDirectory() && !entry.info.IsReparsePoint()) {
        if (OpenForRemoval(child, entry.info, logger, &open)) continue;
        top.emptied = false;
      } else {
        top.emptied = RemoveEntry(child, entry.info, logger) && top.emptied;
      }
      continue;
    }
    const bool gone = top.emptied && DirectoryGone(platform_.RemoveDir(top.path), top.path, logger);
    open.pop_back();
    if (open.empty()) return gone;
    open.back().emptied = gone && open.back().emptied;
  }
}

bool TArchive::OpenForRemoval(const std::string& path, const FileInfo& info, TLogger& logger,
                              std::vector<TRemoval>* open) {
  if (!logger.CheckSuspend()) return false;
  logger.SetStatus(path);
  // Entries of a directory without write permission cannot be removed.
  if ((info.attributes & kAttrReadOnly) != 0) {
    (void)platform_.SetAttributes(path, info.attributes & ~kAttrReadOnly);
  }
  TRemoval removal;
  removal.path = path;
  const Status listed = platform_.ListDir(path, &removal.entries);
  if (!listed.ok()) {
    logger.LogSysError(listed.code(), "Could not delete " + path);
    return false;
  }
  open->push_back(std::move(removal));
  return true;
}

// Counts a directory (or a link to one) whose removal answered status.
bool TArchive::DirectoryGone(const Status& status, const std::string& path, TLogger& logger) {
  if (!status.ok()) {
    logger.LogSysError(status.code(), "Could not delete " + path);
    return false;
  }
  content_.DecDirs();
  removed_.IncDirs();
  return true;
}

bool TArchive::RemoveArchivedFile(const std::string& path, const FileInfo& info, TLogger& logger) {
  if (!logger.CheckSuspend()) return false;
  if (!qv::RemoveFile(platform_, path, logger)) return false;
  const int64_t on_disk = use_compressed_ ? info.size_on_disk : info.size;
  removed_.AddFile(info.size, on_disk);
  content_.SubFile(info.size, on_disk);
  return true;
}

bool TArchive::CountersImplausible() const {
  const TCounts counts = content_.Get();
  return counts.files < 0 || counts.dirs < 1 || counts.size < 0 || counts.compressed_size < 0;
}

}  // namespace qv
