// Construction, the on-disk layout and the counting walk.
#include <cstdio>
#include <stdexcept>

#include "archive/archive.h"
#include "archive/counter_arithmetic.h"
#include "archive/dest_disk.h"
#include "config/mapping.h"
#include "filesys/file_ops.h"
#include "filesys/listing.h"
#include "filesys/path_ops.h"

namespace qv {

namespace {

// "yyyy/mm/dd/".
std::string DayName(const TLocalTime& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d/%02d/%02d/", t.year, t.month, t.day);
  return text;
}

// "hh mm ss".
std::string SlotName(const TLocalTime& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%02d %02d %02d", t.hour, t.minute, t.second);
  return text;
}

}  // namespace

TArchive::TArchive(Platform& platform, TQVIniFile& ini, const TMapping& mapping, TDestDisk& disk,
                   TConfirmGate& gate)
    : platform_(platform),
      ini_(ini),
      mapping_(mapping),
      disk_(disk),
      gate_(gate),
      archive_key_(mapping.archive_key()),
      archive_dir_(mapping.destination() + kArchiveDirName + kSep),
      log_dir_(platform, ini, archive_dir_, mapping.dest_key(), mapping.archive_key()),
      lock_(platform, mapping.destination()) {
  const TLocalTime now = platform.ToLocalTime(platform.Now());
  today_ = DayName(now);
  day_path_ = archive_dir_ + today_;
  time_slot_path_ = day_path_ + SlotName(now);
  // The scan weighs its progress before the archive loads.
  log_dir_.LoadInfo();
  disk_.AddArchive(this);
}

TArchive::~TArchive() { disk_.RemoveArchive(this); }

std::string TArchive::ArchivePath(const std::string& dest_path) const {
  const std::string& dest = mapping_.destination();
  if (!IsInside(dest_path, dest) || IncludeTrailingSeparator(dest_path).starts_with(archive_dir_)) {
    throw std::invalid_argument("Not an archivable destination item: " + dest_path);
  }
  return time_slot_path_ + dest_path.substr(dest.size() - 1);
}

// A slot of this name may exist from an earlier run in the same second or
// from before the clock went back; this run then files into a fresh one.
void TArchive::ClaimTimeSlot() {
  if (slot_claimed_) return;
  slot_claimed_ = true;
  const std::string base = time_slot_path_;
  for (int n = 2; FileExists(platform_, time_slot_path_); ++n) {
    time_slot_path_ = base + " (" + std::to_string(n) + ")";
  }
}

std::string TArchive::TimeSlotRelative() const {
  return time_slot_path_.substr(archive_dir_.size());
}

bool TArchive::CountTree(const std::string& path, TDirInfo* counters, int64_t* items, int options,
                         TLogger& logger) {
  TCounts counts;
  int64_t visited = 0;
  if (use_compressed_) options |= kDirSizeOnDisk;
  const bool complete = DirectorySize(platform_, path, &counts, &visited, logger, options);
  AddCounts(counters, counts);
  if (items != nullptr) *items += visited;
  return complete;
}

int64_t TArchive::Measure(TArchiveMeasure measure) const {
  return measure == TArchiveMeasure::kSize ? content_.GetSize() : content_.GetCompressedSize();
}

int64_t TArchive::LogMeasure(TArchiveMeasure measure) const {
  const TCounts& kept = log_dir_.kept();
  return measure == TArchiveMeasure::kSize ? kept.size : kept.compressed_size;
}

int64_t TArchive::ItemWeight() const {
  const TCounts& kept = log_dir_.kept();
  return 2 * (static_cast<int64_t>(kept.files) + kept.dirs);
}

}  // namespace qv
