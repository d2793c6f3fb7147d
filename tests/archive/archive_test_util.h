#ifndef QUORVANE_TESTS_ARCHIVE_ARCHIVE_TEST_UTIL_H_
#define QUORVANE_TESTS_ARCHIVE_ARCHIVE_TEST_UTIL_H_

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "archive/archive.h"
#include "archive/confirm_gate.h"
#include "archive/dest_disks.h"
#include "config/mapping.h"
#include "config/qv_ini_file.h"
#include "filesys/testing/fault_platform.h"
#include "tests/support/recording_logger.h"
#include "tests/support/temp_dir.h"

namespace qv::testing {

// 100-ns ticks of a local date and time.
FileTime LocalFileTime(int year, int month, int day, int hour, int minute, int second);

// Answers from a script (Yes once the script is used up) and remembers
// every question with the flags it came with.
class ScriptedGate : public TConfirmGate {
 public:
  bool Confirm(const std::string& question, const std::string& source,
               const std::string& destination, uint16_t* flags, const std::string& extra) override;

  std::deque<bool> answers;
  // Runs on the caller's flags before the answer, as the dialog's scope
  // buttons would.
  std::function<void(uint16_t*)> on_ask;
  std::vector<std::string> questions;
  std::vector<uint16_t> flags_seen;
};

class ArchiveLogger : public RecordingLogger {
 public:
  bool SetLogFileName(const std::string& path) override {
    log_file = path;
    return true;
  }
  // Lines that start with prefix, in order.
  std::vector<std::string> Starting(const std::string& prefix) const;
  std::string log_file;
};

// The fault platform whose volumes, when capacity is set, have capacity
// bytes minus what the files under the test directory take.
class SpacePlatform : public FaultPlatform {
 public:
  SpacePlatform() : FaultPlatform(DefaultPlatform()) {}
  Status FreeSpace(const std::string& path, int64_t* free_bytes, int64_t* total_bytes) override;
  std::optional<int64_t> capacity;
  std::string measured_dir;
};

// A destination with its archive, a real settings file, the fake clock at
// 2024-03-05 09:07:30 and scripted answers.
class ArchiveTest : public ::testing::Test {
 protected:
  ArchiveTest();

  // The mapping onto dest (ends with "/"), made on first use.
  TMapping& Mapping(const std::string& dest);
  // An archive of the mapping onto dest, on its disk.
  std::unique_ptr<TArchive> NewArchive(const std::string& dest, int64_t wanted_free_bytes = 0);
  std::unique_ptr<TArchive> NewArchive() { return NewArchive(dest_); }
  // LoadInfo, OpenArchive and RefreshLogs.
  void Open(TArchive& archive);
  std::string ArchiveDir(const std::string& dest) const { return dest + "Quorvane archive/"; }
  std::string ArchiveDir() const { return ArchiveDir(dest_); }
  // A file of size bytes at path (sparse), its directories made.
  void Put(const std::string& path, int64_t size);
  // What a fresh count of the archive finds.
  TCounts Recount(const std::string& dest);
  TCounts Recount() { return Recount(dest_); }
  bool Moved(TArchive& archive, const std::string& relative, int64_t size);

  ScopedTempDir dir_;
  std::string dest_;
  SpacePlatform platform_;
  TQVIniFile ini_;
  ScriptedGate gate_;
  ArchiveLogger log_;
  uint16_t flags_ = kConfirmDefaultYes;
  int64_t items_ = 0;
  std::vector<std::unique_ptr<TMapping>> mappings_;
  TDestDisks disks_;
};

inline constexpr int64_t kMiB = 1024 * 1024;

}  // namespace qv::testing

#endif  // QUORVANE_TESTS_ARCHIVE_ARCHIVE_TEST_UTIL_H_
