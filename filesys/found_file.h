#ifndef QUORVANE_FILESYS_FOUND_FILE_H_
#define QUORVANE_FILESYS_FOUND_FILE_H_

#include <string>

#include "filesys/platform.h"

namespace qv {

// One listed entry: attribute word, times, size, reparse tag (reparse_tag is
// the listing's reserved word) and size on disk, plus the POSIX details of
// FileInfo. Directories and links are recorded as themselves, never followed.
struct TFoundFile : FileInfo {
  TFoundFile() = default;
  explicit TFoundFile(const FileInfo& info) : FileInfo(info) {}
};

// An entry of a destination directory, which also knows where it lives.
struct TFoundDestFile : TFoundFile {
  TFoundDestFile() = default;
  // dir is the directory that was listed, with or without trailing "/".
  TFoundDestFile(const std::string& dir, const DirEntry& entry);

  std::string name;
  std::string directory;  // ends with "/"
  std::string full_path;  // directory + name
};

}  // namespace qv

#endif  // QUORVANE_FILESYS_FOUND_FILE_H_
