#include "tests/archive/archive_test_util.h"

#include <ctime>
#include <filesystem>

#include <unistd.h>

#include "filesys/listing.h"
#include "filesys/path_ops.h"

namespace qv::testing {

FileTime LocalFileTime(int year, int month, int day, int hour, int minute, int second) {
  std::tm parts{};
  parts.tm_year = year - 1900;
  parts.tm_mon = month - 1;
  parts.tm_mday = day;
  parts.tm_hour = hour;
  parts.tm_min = minute;
  parts.tm_sec = second;
  parts.tm_isdst = -1;
  return (static_cast<int64_t>(std::mktime(&parts)) + kUnixEpochSeconds) * kFileTimeTicksPerSecond;
}

bool ScriptedGate::Confirm(const std::string& question, const std::string&, const std::string&,
                           uint16_t* flags, const std::string&) {
  questions.push_back(question);
  flags_seen.push_back(*flags);
  if (on_ask) on_ask(flags);
  if (answers.empty()) return true;
  const bool answer = answers.front();
  answers.pop_front();
  return answer;
}

std::vector<std::string> ArchiveLogger::Starting(const std::string& prefix) const {
  std::vector<std::string> found;
  for (const std::string& line : lines) {
    if (line.rfind(prefix, 0) == 0) found.push_back(line);
  }
  return found;
}

Status SpacePlatform::FreeSpace(const std::string& path, int64_t* free_bytes,
                                int64_t* total_bytes) {
  if (!capacity) return FaultPlatform::FreeSpace(path, free_bytes, total_bytes);
  int64_t used = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(measured_dir)) {
    if (entry.is_regular_file() && !entry.is_symlink()) used += entry.file_size();
  }
  *free_bytes = *capacity - used;
  *total_bytes = *capacity;
  return Status::Ok();
}

ArchiveTest::ArchiveTest()
    : dest_(dir_ / "dest/"), ini_(platform_, dir_ / "settings.db"), disks_(platform_) {
  MakeDirs(dest_);
  platform_.SetNow(LocalFileTime(2024, 3, 5, 9, 7, 30));
  platform_.measured_dir = dir_.path();
}

TMapping& ArchiveTest::Mapping(const std::string& dest) {
  for (const auto& mapping : mappings_) {
    if (mapping->destination() == dest) return *mapping;
  }
  mappings_.push_back(std::make_unique<TMapping>(ini_, dest));
  return *mappings_.back();
}

std::unique_ptr<TArchive> ArchiveTest::NewArchive(const std::string& dest,
                                                  int64_t wanted_free_bytes) {
  return std::make_unique<TArchive>(platform_, ini_, Mapping(dest),
                                    disks_.GetDestDisk(dest, wanted_free_bytes, log_), gate_);
}

void ArchiveTest::Open(TArchive& archive) {
  ASSERT_TRUE(archive.LoadInfo(&items_, &flags_, false, log_)) << log_.Joined();
  ASSERT_TRUE(archive.OpenArchive(&flags_, log_)) << log_.Joined();
  // Counts the log directory that opening made.
  ASSERT_TRUE(archive.RefreshLogs(&items_, log_)) << log_.Joined();
}

void ArchiveTest::Put(const std::string& path, int64_t size) {
  MakeDirs(ParentDir(path));
  WriteFile(path, "");
  ASSERT_EQ(truncate(path.c_str(), size), 0) << path;
}

TCounts ArchiveTest::Recount(const std::string& dest) {
  TCounts counts;
  int64_t visited = 0;
  RecordingLogger quiet;
  EXPECT_TRUE(
      DirectorySize(platform_, ArchiveDir(dest), &counts, &visited, quiet, kDirSizeCountStart));
  return counts;
}

bool ArchiveTest::Moved(TArchive& archive, const std::string& relative, int64_t size) {
  Put(dest_ + relative, size);
  return archive.MoveToArchive(TArchiveItem{dest_ + relative, false, size, size}, "", &flags_,
                               nullptr, log_);
}

}  // namespace qv::testing
