#ifndef QUORVANE_FILESYS_LISTING_H_
#define QUORVANE_FILESYS_LISTING_H_

#include <cstdint>
#include <string>
#include <vector>

#include "filesys/counts.h"
#include "filesys/found_file.h"
#include "filesys/platform.h"
#include "filesys/wide_string_list.h"

namespace qv {

class TLogger;

// Replaces *list with the entries of dir ("." and ".." never appear), keyed
// by name, sorted by exact name comparison. On failure *list is empty and the
// Status tells why: a failed listing is not an empty directory. The caller
// logs ("Could not get directory listing of " + dir).
Status ListDirectory(Platform& platform, const std::string& dir, TWideStringList<TFoundFile>* list);
// As above; each record also knows its directory and full path.
Status ListDestDirectory(Platform& platform, const std::string& dir,
                         TWideStringList<TFoundDestFile>* list);

// As the two above, from entries already listed.
void FillDirectory(std::vector<DirEntry> entries, TWideStringList<TFoundFile>* list);
void FillDestDirectory(const std::string& dir, std::vector<DirEntry> entries,
                       TWideStringList<TFoundDestFile>* list);

// Size of the entry at path (a link is not followed), or -1 when it cannot be
// read.
int64_t FileSize(Platform& platform, const std::string& path);

// Option bits of DirectorySize.
enum : int {
  kDirSizeNoPolling = 2,   // do not ask the logger whether to go on
  kDirSizeOnDisk = 4,      // add sizes on disk as the compressed size
  kDirSizeCountStart = 8,  // count the starting directory itself
  // Delete the temporary files of unfinished copies (RemoveUnfinishedCopy)
  // instead of counting them.
  kDirSizeDropUnfinished = 16,
};

// Adds every directory and file below path to *counters and one to *visited
// for every directory walked and every file counted. Symbolic links are
// counted but never entered. Special files (FIFOs, sockets, devices) count as
// files of their listed size, which is 0: they hold no data a mirror could
// copy. Answers true when the whole tree was walked; false after a failure
// (logged; the walk goes on with the other directories) or when the scan is
// being stopped, with the counters holding what was counted so far.
bool DirectorySize(Platform& platform, const std::string& path, TCounts* counters, int64_t* visited,
                   TLogger& logger, int options);

}  // namespace qv

#endif  // QUORVANE_FILESYS_LISTING_H_
