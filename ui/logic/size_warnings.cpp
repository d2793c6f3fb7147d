#include "ui/logic/size_warnings.h"

#include "config/mapping.h"
#include "config/qv_ini_file.h"
#include "filesys/platform.h"
#include "filesys/text_format.h"

namespace qv {

namespace {

constexpr int64_t kSmallArchive = 16777216;

std::string Size(int64_t bytes) { return SizeText(bytes, 2); }

std::optional<TCounts> Counters(TQVIniFile& ini, const std::string& key) {
  TCounts counts;
  if (!ini.ReadCounters(key, &counts)) return std::nullopt;
  return counts;
}

bool Compressed(TSizeLimit limit) {
  return limit == TSizeLimit::kCompressedMirror || limit == TSizeLimit::kCompressedArchive;
}

int64_t SizeOf(const std::optional<TCounts>& counts, TSizeLimit limit) {
  return Compressed(limit) ? counts->compressed_size : counts->size;
}

TCellVerdict Asked(const TAskedQuestions& asked, TCellVerdict question, int64_t value) {
  return asked.Passes(question) ? TCellVerdict::Ok(Size(value)) : question;
}

TCellVerdict SmallerThanCurrent(const std::string& kind, int64_t value,
                                const std::string& destination, int64_t current) {
  return TCellVerdict::Warning(
      "The maximum" + kind + " size of " + Size(value) + " for destination " + destination +
      " is smaller than the current" + kind + " size of " + Size(current) +
      ". If you set it, then with the next scan at least " + Size(current - value) +
      " will be removed from the archive. Do you want to set it anyway?");
}

TCellVerdict CheckArchiveSize(const std::string& kind, int64_t value,
                              const std::string& destination, std::optional<int64_t> current) {
  if (value != 0 && value < kSmallArchive) {
    return TCellVerdict::Warning(
        "The maximum" + kind + " size of " + Size(value) + " for destination " + destination +
        " is small for archiving and normally it should be set much higher. Any size smaller "
        "than " +
        Size(kSmallArchive) + " is considered to be too small. Do you want to set it anyway?");
  }
  if (current && value < *current) return SmallerThanCurrent(kind, value, destination, *current);
  return TCellVerdict::Ok(Size(value));
}

TCellVerdict CheckMirrorSize(const std::string& kind, int64_t value, const std::string& destination,
                             int64_t mirror, std::optional<int64_t> archive) {
  if (value <= mirror) {
    TCellVerdict question = TCellVerdict::Warning(
        "The maximum" + kind + " size of " + Size(value) +
        " is too small to hold the current destination of " + Size(mirror) +
        ". If you set it, then with the next scan the archive of this destination will be "
        "removed and the scan might fail due to lack of space. Are you sure you want to set it "
        "anyway?");
    question.ask_each_time = true;
    return question;
  }
  if (archive && value < mirror + *archive) {
    return SmallerThanCurrent(kind, value, destination, mirror + *archive);
  }
  return TCellVerdict::Ok(Size(value));
}

}  // namespace

TStoredSizes ReadStoredSizes(TQVIniFile& ini, const std::string& destination) {
  const TMapping mapping(ini, destination);
  return {Counters(ini, mapping.dest_key()), Counters(ini, mapping.archive_key())};
}

TCellVerdict CheckMaximumSize(TSizeLimit limit, int64_t value, const std::string& destination,
                              const TStoredSizes& stored, const TAskedQuestions& asked) {
  std::optional<int64_t> archive;
  if (stored.archive) archive = SizeOf(stored.archive, limit);
  if (limit == TSizeLimit::kArchive || limit == TSizeLimit::kCompressedArchive) {
    const std::string kind = Compressed(limit) ? " compressed archive" : " archive";
    return Asked(asked, CheckArchiveSize(kind, value, destination, archive), value);
  }
  if (!stored.mirror) return TCellVerdict::Ok(Size(value));
  const std::string kind = Compressed(limit) ? " compressed" : "";
  return Asked(asked,
               CheckMirrorSize(kind, value, destination, SizeOf(stored.mirror, limit), archive),
               value);
}

std::optional<TDriveSpace> DriveSpaceOf(Platform& platform, const std::string& destination) {
  VolumeInfo volume;
  TDriveSpace space;
  if (destination.empty() || !platform.GetVolume(destination, &volume).ok() ||
      !platform.FreeSpace(volume.mount_point, &space.free_bytes, &space.total_bytes).ok()) {
    return std::nullopt;
  }
  space.drive = volume.mount_point;
  return space;
}

TCellVerdict CheckMinFreeBytes(int64_t value, const std::optional<TDriveSpace>& drive,
                               const TAskedQuestions& asked) {
  if (value == 0 || !drive) return TCellVerdict::Ok(Size(value));
  const std::string v = Size(value);
  const std::string& d = drive->drive;
  if (value >= drive->total_bytes) {
    TCellVerdict question = TCellVerdict::Warning(
        "The minimal number of free bytes of " + v + " is larger than the reported size of drive " +
        d + " (" + Size(drive->total_bytes) +
        "). If you set this number of bytes then with the next scan all enabled archives located "
        "on drive " +
        d +
        " will be removed. Are you really sure you want to set it and remove all enabled "
        "archives from drive " +
        d + "?");
    question.ask_each_time = true;
    return Asked(asked, question, value);
  }
  if (value <= drive->free_bytes) return TCellVerdict::Ok(v);
  const std::string removed = Size(value - drive->free_bytes);
  return Asked(asked,
               TCellVerdict::Warning(
                   "The minimal number of free bytes of " + v + " for drive " + d +
                   " is larger than the current number of free bytes (" + Size(drive->free_bytes) +
                   "). If you set this number of bytes then with the next scan " + removed +
                   " will be removed from the enabled archives located on drive " + d +
                   ". Do you want to set it to " + v + " and remove " + removed +
                   " from the archives located on drive " + d + "?"),
               value);
}

}  // namespace qv
