// Whether a destination file is up to date, and whether it may be updated
// yet.
#include <utility>

#include "config/config_data.h"
#include "config/mapping.h"
#include "engine/mirror.h"
#include "engine/update_reason.h"
#include "log/logger.h"

namespace qv {

namespace {

// 100-ns units in a minute.
constexpr int64_t kTicksPerMinute = 600000000;

}  // namespace

std::string ReasonText(uint8_t reasons) {
  static const std::pair<uint8_t, const char*> kTexts[] = {
      {kReasonNewFile, "new file"},
      {kReasonArchiveBit, "source archive bit set"},
      {kReasonAttributes, "read only, hidden, system or don't index attribute mismatch"},
      {kReasonWriteTime, "write time mismatch"},
      {kReasonSize, "size mismatch"},
      {kReasonDirectory, "directory attribute mismatch"},
  };
  for (const auto& [bit, text] : kTexts) {
    if ((reasons & bit) != 0) return text;
  }
  return "encryption attribute mismatch";
}

// Creation times are not known on POSIX (0) and so never differ.
uint8_t TMirror::Compare(const TFoundFile& source, const TFoundFile& dest) const {
  if (dest.IsDirectory()) return kReasonDirectory;
  switch (CompareContent(source, dest, mapping_.resolution())) {
    case TContentMatch::kWriteTime:
      return kReasonWriteTime;
    case TContentMatch::kSize:
      return kReasonSize;
    case TContentMatch::kSame:
      break;
  }
  if (switches().use_archive_bit && (source.attributes & kAttrArchive) != 0) {
    return kReasonArchiveBit;
  }
  return ((source.attributes ^ dest.attributes) & kComparedAttributes) != 0 ? kReasonAttributes : 0;
}

// A link whose target changed keeps its size when the new target text is as
// long; the texts tell. A link that cannot be read counts as unchanged.
bool TMirror::LinksDiffer(const std::string& source, const std::string& dest) {
  std::string source_target;
  std::string dest_target;
  return platform_.ReadLink(source, &source_target).ok() &&
         platform_.ReadLink(dest, &dest_target).ok() && source_target != dest_target;
}

bool TMirror::AgeAllowsUpdate(const TDirToProcess& pair, const TFoundDestFile& dest) {
  if (pair.min_age <= 0) return true;
  const FileTime now = platform_.Now();
  const FileTime written = dest.last_write_time;
  if (now < written || now - written > pair.min_age) return true;
  if (switches().log_min_ages) {
    log().LogLine("Skipped update, last write time not expired, for " + dest.full_path);
  }
  return false;
}

void TMirror::TakeMinimalAge(TDirToProcess& pair) {
  int minutes = 0;
  if (!min_ages_.Take(pair.source, &minutes)) return;
  log().LogLine("Using minimal age of " + std::to_string(minutes) + " minutes for " + pair.source);
  pair.min_age = minutes * kTicksPerMinute;
}

}  // namespace qv
