#ifndef QUORVANE_TESTS_ENGINE_ENGINE_TEST_UTIL_H_
#define QUORVANE_TESTS_ENGINE_ENGINE_TEST_UTIL_H_

#include <algorithm>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "archive/confirm_gate.h"
#include "archive/dest_disks.h"
#include "config/config_data.h"
#include "config/mappings.h"
#include "config/qv_ini_file.h"
#include "engine/current_mirror.h"
#include "engine/scan_progress.h"
#include "filesys/testing/fault_platform.h"
#include "tests/support/recording_logger.h"
#include "tests/support/temp_dir.h"

namespace qv::testing {

class MirrorLogger : public RecordingLogger {
 public:
  bool SetLogFileName(const std::string&) override { return true; }
  // The lines from the first one equal to first on; empty when none is.
  std::vector<std::string> From(const std::string& first) const {
    return {std::find(lines.begin(), lines.end(), first), lines.end()};
  }
};

// Answers from a script (Yes once it is used up) and logs a No as the
// scan's gate does.
class ScriptedGate : public TConfirmGate {
 public:
  explicit ScriptedGate(TLogger& logger) : logger_(logger) {}
  bool Confirm(const std::string& question, const std::string& source,
               const std::string& destination, uint16_t* flags, const std::string& extra) override;

  std::deque<bool> answers;
  std::vector<std::string> questions;
  // Runs on the asker's flags, as the scope of a dialog's answer would.
  std::function<void(uint16_t*)> on_ask;

 private:
  TLogger& logger_;
};

// The real platform with faults, a pinned clock, and file systems whose
// identity a test can change.
class MirrorPlatform : public FaultPlatform {
 public:
  MirrorPlatform() : FaultPlatform(DefaultPlatform()) {}
  Status GetVolume(const std::string& path, VolumeInfo* info) override {
    const Status status = FaultPlatform::GetVolume(path, info);
    if (status.ok() && !uuid.empty()) info->uuid = uuid;
    return status;
  }
  std::string uuid;  // when set, every file system reports it
};

// Entries of a tree as ListTree gives them.
using Tree = std::vector<std::string>;

// Builds entries below root, written as ListTree lists them; parents are
// made on the way.
void MakeTree(const std::string& root, const Tree& entries);
// Every entry below root (but a top "Quorvane archive") as "path=content", a
// directory as "path/", a link as "path->target", sorted.
Tree ListTree(const std::string& root);

// One mapping of dir/src/ onto dir/dst/ in a real settings file. Public, so
// that table rows can arrange a case.
class MirrorTest : public ::testing::Test {
 public:
  MirrorTest();

  // Runs the mirror once as a scan would, with fresh drives and log, and
  // ends with its scan-end lines.
  void Run();
  // Where relative (below dst/) went in the archive during the last run.
  std::string Archived(const std::string& relative);
  void StoreFilter(const std::string& text, int type);
  Tree DestTree() const { return ListTree(dst_); }

  ScopedTempDir dir_;
  const std::string src_;
  const std::string dst_;
  MirrorPlatform platform_;
  TQVIniFile ini_;
  TConfigData config_;
  TMappings mappings_;
  TMapping* mapping_;
  MirrorLogger log_;
  ScriptedGate gate_;
  bool confirm_ = false;
  FileTime started_ = 0;  // the pinned time of the last run
  int errors_ = 0;        // logged by the last run
};

}  // namespace qv::testing

#endif  // QUORVANE_TESTS_ENGINE_ENGINE_TEST_UTIL_H_
