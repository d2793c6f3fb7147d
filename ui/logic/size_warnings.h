#ifndef QUORVANE_UI_LOGIC_SIZE_WARNINGS_H_
#define QUORVANE_UI_LOGIC_SIZE_WARNINGS_H_

#include <cstdint>
#include <optional>
#include <string>

#include "filesys/counts.h"
#include "ui/logic/asked_questions.h"
#include "ui/logic/cell_verdict.h"

namespace qv {

class Platform;
class TQVIniFile;

// The warnings of the size limits of a mirror whose destination is set,
// for a valid value that differs from the cell's default.

// The counters the last scan stored for a destination; none where they
// were not all stored.
struct TStoredSizes {
  std::optional<TCounts> mirror;
  std::optional<TCounts> archive;
};
TStoredSizes ReadStoredSizes(TQVIniFile& ini, const std::string& destination);

enum class TSizeLimit { kMirror, kCompressedMirror, kArchive, kCompressedArchive };

// A maximum archive size below 16 MB (0 aside) or below the archive's size;
// a maximum mirror size not above the mirror's size (asked each time) or
// below mirror and archive together.
TCellVerdict CheckMaximumSize(TSizeLimit limit, int64_t value, const std::string& destination,
                              const TStoredSizes& stored, const TAskedQuestions& asked);

// The drive of a destination: its mount point, free bytes and size.
struct TDriveSpace {
  std::string drive;
  int64_t free_bytes = 0;
  int64_t total_bytes = 0;
};
std::optional<TDriveSpace> DriveSpaceOf(Platform& platform, const std::string& destination);

// Free bytes wanted (0 aside) at least the drive's size (asked each time),
// or above its free bytes. Nothing is asked of a drive that gave no answer.
TCellVerdict CheckMinFreeBytes(int64_t value, const std::optional<TDriveSpace>& drive,
                               const TAskedQuestions& asked);

}  // namespace qv

#endif  // QUORVANE_UI_LOGIC_SIZE_WARNINGS_H_
