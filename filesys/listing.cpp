#include "filesys/listing.h"

#include <algorithm>
#include <cstddef>
#include <memory>
#include <utility>
#include <vector>

#include "filesys/file_ops.h"
#include "filesys/path_ops.h"
#include "log/logger.h"

namespace qv {

namespace {

// Builds the records with make(entry). The list is filled unsorted and
// sorted once: inserting in order would cost a move per entry.
template <class T, class Make>
void FillList(std::vector<DirEntry>& entries, TWideStringList<T>* list, const Make& make) {
  *list = TWideStringList<T>();
  list->Reserve(static_cast<int>(entries.size()));
  for (DirEntry& entry : entries) {
    std::unique_ptr<T> object = make(entry);  // before the name moves out of entry
    list->Add(std::move(entry.name), std::move(object));
  }
  list->Sort();
}

template <class T, class Make>
Status ListInto(Platform& platform, const std::string& dir, TWideStringList<T>* list,
                const Make& make) {
  *list = TWideStringList<T>();
  std::vector<DirEntry> entries;
  const Status status = platform.ListDir(dir, &entries);
  if (status.ok()) FillList(entries, list, make);
  return status;
}

std::unique_ptr<TFoundFile> MakeFound(const DirEntry& entry) {
  return std::make_unique<TFoundFile>(entry.info);
}

auto MakeDestOf(const std::string& dir) {
  return [&dir](const DirEntry& entry) { return std::make_unique<TFoundDestFile>(dir, entry); };
}

class DirectoryWalk {
 public:
  DirectoryWalk(Platform& platform, TCounts* counters, int64_t* visited, TLogger& logger,
                int options)
      : platform_(platform),
        counters_(*counters),
        visited_(*visited),
        logger_(logger),
        polling_((options & kDirSizeNoPolling) == 0),
        on_disk_((options & kDirSizeOnDisk) != 0),
        drop_unfinished_((options & kDirSizeDropUnfinished) != 0) {}

  // Walks depth first in listing order. The directories still to walk wait
  // on the heap: the depth of a tree never costs stack. start ends with "/".
  bool Walk(const std::string& start) {
    std::vector<std::string> pending = {start};  // the next one last
    bool complete = true;
    while (!pending.empty()) {
      const std::string dir = std::move(pending.back());
      pending.pop_back();
      if (polling_ && !logger_.CheckSuspend()) return false;
      const size_t first_child = pending.size();
      if (!List(dir, &pending)) complete = false;
      if (polling_ && logger_.IsTerminated()) return false;
      std::reverse(pending.begin() + static_cast<std::ptrdiff_t>(first_child), pending.end());
    }
    return complete;
  }

 private:
  // Counts the entries of dir and adds its subdirectories to *pending.
  bool List(const std::string& dir, std::vector<std::string>* pending) {
    logger_.SetStatus(dir);
    ++visited_;
    std::vector<DirEntry> entries;
    const Status status = platform_.ListDir(dir, &entries);
    if (!status.ok()) {
      logger_.LogSysError(status.code(), "Could not get directory listing of " + dir);
      return false;
    }
    for (const DirEntry& entry : entries) {
      if (polling_ && logger_.IsTerminated()) break;  // the caller stops
      const FileInfo& info = entry.info;
      if (info.IsDirectory()) {
        ++counters_.dirs;
        if (!info.IsReparsePoint()) pending->push_back(dir + entry.name + kSep);
      } else if (drop_unfinished_ && platform_.IsTempName(entry.name)) {
        RemoveUnfinishedCopy(platform_, dir + entry.name, logger_);
      } else {
        ++visited_;
        counters_.AddFile(info.size, on_disk_ ? info.size_on_disk : info.size);
      }
    }
    return true;
  }

  Platform& platform_;
  TCounts& counters_;
  int64_t& visited_;
  TLogger& logger_;
  const bool polling_;
  const bool on_disk_;
  const bool drop_unfinished_;
};

}  // namespace

Status ListDirectory(Platform& platform, const std::string& dir,
                     TWideStringList<TFoundFile>* list) {
  return ListInto(platform, dir, list, MakeFound);
}

Status ListDestDirectory(Platform& platform, const std::string& dir,
                         TWideStringList<TFoundDestFile>* list) {
  return ListInto(platform, dir, list, MakeDestOf(dir));
}

void FillDirectory(std::vector<DirEntry> entries, TWideStringList<TFoundFile>* list) {
  FillList(entries, list, MakeFound);
}

void FillDestDirectory(const std::string& dir, std::vector<DirEntry> entries,
                       TWideStringList<TFoundDestFile>* list) {
  FillList(entries, list, MakeDestOf(dir));
}

int64_t FileSize(Platform& platform, const std::string& path) {
  FileInfo info;
  return platform.Stat(path, &info).ok() ? info.size : -1;
}

bool DirectorySize(Platform& platform, const std::string& path, TCounts* counters, int64_t* visited,
                   TLogger& logger, int options) {
  const int64_t attributes = ReadAttributes(platform, path, logger);
  if (attributes < 0) return false;
  if ((options & kDirSizeCountStart) != 0) ++counters->dirs;
  if ((attributes & kAttrReparsePoint) != 0) return true;
  DirectoryWalk walk(platform, counters, visited, logger, options);
  return walk.Walk(IncludeTrailingSeparator(path));
}

}  // namespace qv
