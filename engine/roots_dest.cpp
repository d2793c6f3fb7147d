// The destination of a mirror: space, size limits, archiving and its lines.
#include "archive/dest_disk.h"
#include "archive/dest_disks.h"
#include "config/mapping.h"
#include "config/qv_ini_file.h"
#include "engine/roots.h"
#include "filesys/found_file.h"
#include "filesys/platform.h"
#include "filesys/text_format.h"
#include "log/logger.h"

namespace qv {

namespace {

// What Prepare wants to fit, and the free bytes below which it makes space.
constexpr int64_t kPrepareNeeded = 8192;
constexpr int64_t kPrepareThreshold = 102400;

TDestDisk& DiskOf(TDestDisks& disks, const TMapping& mapping) {
  // A drive that cannot be asked now is reported when the mirror starts.
  TLogger quiet;
  return disks.GetDestDisk(mapping.destination(), mapping.settings().free_bytes_wanted, quiet);
}

}  // namespace

TDest::TDest(Platform& platform, TQVIniFile& ini, const TMapping& mapping, TDestDisks& disks,
             TConfirmGate& gate)
    : TSourceOrDest(platform, ini, mapping.destination(), mapping.dest_key()),
      mapping_(mapping),
      disk_(DiskOf(disks, mapping)),
      archive_(platform, ini, mapping, disk_, gate),
      mass_change_(platform, ini, mapping, gate, archive_) {}

int64_t TDest::GetWeight() const { return TSourceOrDest::GetWeight() + archive_.ItemWeight(); }

bool TDest::Prepare(int64_t* items, uint16_t* flags, TLogger& logger) {
  if (disk_.free_bytes() == -1 && !disk_.RefreshFreeBytes(false, logger)) return false;
  (void)TSourceOrDest::Prepare(items, flags, logger);
  mass_change_.Start(flags, logger);
  if (!archive_.LoadInfo(items, flags, compressing(), logger)) return false;
  return CheckSpace(flags, true, logger, kPrepareNeeded, kPrepareThreshold);
}

bool TDest::CheckSpace(uint16_t* flags, bool report, TLogger& logger, int64_t needed,
                       int64_t threshold) {
  const TSpaceNeed need{needed, threshold};
  return CheckSpace(flags, report, logger, need, need);
}

bool TDest::CheckSpace(uint16_t* flags, bool report, TLogger& logger, TSpaceNeed drive,
                       TSpaceNeed limits) {
  if (!disk_.EnsureFree(flags, report, logger, drive.needed, drive.threshold)) return false;
  const TMappingSettings& settings = mapping_.settings();
  return CheckLimit(TArchiveMeasure::kSize, settings.max_size_dest, flags, limits.needed,
                    limits.threshold, logger) &&
         CheckLimit(TArchiveMeasure::kCompressedSize, settings.max_compressed_size_dest, flags,
                    limits.needed, limits.threshold, logger);
}

int64_t TDest::DataRoom(const std::string& source, const TFoundFile& entry) {
  if (!layout_) {
    DataLayout layout;
    // Not known: holes count as data, which can only overestimate.
    if (!platform_.GetDataLayout(path(), &layout).ok()) layout = DataLayout();
    layout_ = layout;
  }
  if (!layout_->keeps_holes) return entry.size;
  const int64_t block = layout_->block_size;
  if ((entry.attributes & kAttrSparse) == 0) return (entry.size + block - 1) / block * block;
  int64_t bytes = 0;
  return platform_.DataSize(source, block, &bytes).ok() ? bytes : entry.size;
}

bool TDest::CheckLimit(TArchiveMeasure measure, int64_t limit, uint16_t* flags, int64_t needed,
                       int64_t threshold, TLogger& logger) {
  const bool compressed = measure == TArchiveMeasure::kCompressedSize;
  const int64_t mirror = compressed ? included().GetCompressedSize() : included().GetSize();
  const int64_t archive =
      compressed ? archive_.content().GetCompressedSize() : archive_.content().GetSize();
  if (limit < mirror + needed) {
    logger.LogError("The maximum " + std::string(compressed ? "compressed " : "") + "size of " +
                    SizeText(limit, 2) + " for destination " + path() +
                    " is not large enough to store all files. At least " +
                    SizeText(mirror + needed, 2) + " is needed, but it should be set much higher.");
    failed_ = true;
    return false;
  }
  if (limit >= mirror + threshold + archive) return true;
  bool skipped = false;
  if (archive_.Shrink(measure, flags, &skipped, limit - (mirror + needed),
                      limit - (mirror + threshold), logger)) {
    return true;
  }
  if (!logger.IsTerminated() && !skipped) failed_ = true;
  return false;
}

bool TDest::MoveToArchive(const TArchiveItem& item, const std::string& question, uint16_t* flags,
                          TLogger& logger) {
  int64_t files = 0;
  if (!mass_change_.Allow(item, flags, logger, &files) ||
      !archive_.MoveToArchive(item, question, flags, &included(), logger)) {
    return false;
  }
  mass_change_.Archived(files);
  return true;
}

void TDest::DirCreated() {
  included().IncDirs();
  copied_.IncDirs();
}

void TDest::FileCopied(int64_t size, int64_t size_on_disk) {
  included().AddFile(size, size_on_disk);
  copied_.AddFile(size, size_on_disk);
}

void TDest::MappingWritten(int64_t size, int64_t size_on_disk) {
  overwritten_.AddFile(size, size_on_disk);
}

void TDest::Report(TLogger& logger) {
  logger.LogLine("Copied " + copied_.ToText() + " to " + path());
  if (empty_dirs_removed_ > 0) {
    logger.LogLine(
        "Removed " +
        CountText(empty_dirs_removed_, "empty directory from ", "empty directories from ") +
        path());
  }
  if (overwritten_.Items() != 0) {
    logger.LogLine("File mappings overwritten: " + overwritten_.ToText());
  }
  if (security_set_ > 0) {
    logger.LogLine("Updated " +
                   CountText(security_set_, "security descriptor", "security descriptors"));
  }
  if (!logger.IsTerminated() && !failed()) {
    if (excluded().Items() != 0) {
      logger.LogLine("Excluded destinations found: " + excluded().ToText());
    }
    logger.LogLine("Destination now contains " + included().ToText());
  }
  mass_change_.Report(logger);
  archive_.Report(logger);
}

void TDest::LogSummary(TLogger& logger) const {
  disk_.ReportOutOfSpace(logger);
  if (!failed_) return;
  logger.LogLine("Maximum size of " + SizeText(mapping_.settings().max_size_dest, 2) +
                 " for destination " + path() + " is too small. This mirror failed.");
}

}  // namespace qv
