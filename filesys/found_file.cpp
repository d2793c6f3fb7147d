#include "filesys/found_file.h"

#include "filesys/path_ops.h"

namespace qv {

TFoundDestFile::TFoundDestFile(const std::string& dir, const DirEntry& entry)
    : TFoundFile(entry.info),
      name(entry.name),
      directory(IncludeTrailingSeparator(dir)),
      full_path(directory + name) {}

}  // namespace qv
