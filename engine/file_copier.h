#ifndef QUORVANE_ENGINE_FILE_COPIER_H_
#define QUORVANE_ENGINE_FILE_COPIER_H_

#include <cstdint>
#include <string>

#include "filesys/platform.h"

namespace qv {

class TLogger;
struct TFoundFile;

// A copy made ready beside its target but not under its name yet: the
// complete new content, or the new link, under a temporary name.
struct TPreparedCopy {
  std::string temp;
  uint32_t lost = 0;  // kMeta* of the source that the destination did not keep
};

// Copies one source entry of a mirror in two steps, so that a destination
// name never holds a partial file: Prepare writes the whole content beside
// the target, Commit puts it under the target's name. A symbolic link is
// copied as a link with its target text unchanged; it is never followed.
// The status line shows the source with the bytes copied so far, and a copy
// stops (Cond::kCancelled) once the scan is being stopped.
//
// Threads: the scan thread.
class TFileCopier {
 public:
  explicit TFileCopier(Platform& platform) : platform_(platform) {}

  // entry is the source as listed. with_security has a file copy carry the
  // source's security descriptor (links get theirs separately). On failure
  // nothing is left behind: a source that vanished answers Cond::kNotFound,
  // one that changed while it was read Cond::kSourceChanged.
  Status Prepare(const std::string& source, const TFoundFile& entry, const std::string& dest,
                 bool with_security, TLogger& logger, TPreparedCopy* copy);
  // Puts the copy under dest's name. With replace, whatever file or link dest
  // holds goes in the same step; without, an entry the file system finds
  // under dest (by that name, or by one it does not tell from it) fails the
  // commit with Cond::kExists. On failure the prepared copy is gone and dest
  // is as it was.
  Status Commit(const TPreparedCopy& copy, const std::string& dest, bool replace);
  // Drops a prepared copy that will not be committed.
  void Discard(const TPreparedCopy& copy);

 private:
  Platform& platform_;
};

}  // namespace qv

#endif  // QUORVANE_ENGINE_FILE_COPIER_H_
