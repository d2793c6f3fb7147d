#ifndef QUORVANE_TESTS_ENGINE_ENGINE_TEST_UTIL_H_
#define QUORVANE_TESTS_ENGINE_ENGINE_TEST_UTIL_H_

#include <cstdint>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "archive/dest_disks.h"
#include "config/config_data.h"
#include "config/mappings.h"
#include "config/qv_ini_file.h"
#include "engine/current_mirror.h"
#include "engine/reader_pool.h"
#include "engine/scan_progress.h"
#include "filesys/testing/fault_platform.h"
#include "tests/support/recording_logger.h"
#include "tests/support/scripted_gate.h"
#include "tests/support/temp_dir.h"

namespace qv::testing {

class MirrorLogger : public RecordingLogger {
 public:
  bool SetLogFileName(const std::string&) override { return true; }
  // The mirror's last log save, before what its end stores.
  bool FlushLog() override {
    if (on_flush) on_flush();
    return true;
  }
  std::function<void()> on_flush;
  void Log(const std::string& text, bool new_line) override {
    RecordingLogger::Log(text, new_line);
    if (on_line) on_line(lines.back());
  }
  // Runs on the scan's thread after each line: a user at work meanwhile.
  std::function<void(const std::string&)> on_line;
};

// Sets the write time of path itself, not of a link's target.
void SetWriteTime(const std::string& path, int64_t unix_seconds, int64_t nanoseconds = 0);

// Entries of a tree as ListTree gives them.
using Tree = std::vector<std::string>;

// Every entry below root (but a top "Quorvane archive") as "path=content", a
// directory as "path/", a link as "path->target", sorted.
Tree ListTree(const std::string& root);

// One mapping of dir/src/ onto dir/dst/ in a real settings file. Public and
// with a body of its own, so that table rows can arrange a case and a test
// can build one per row or side.
class MirrorTest : public ::testing::Test {
 public:
  MirrorTest();
  void TestBody() override {}

  // Runs the mirror once as a scan would, with fresh drives and log, and
  // ends with its scan-end lines.
  void Run();
  // Where relative (below dst/) went in the archive during the last run.
  std::string Archived(const std::string& relative);
  // Stores a filter (SRC and DST expanded) after those stored before.
  void StoreFilter(const std::string& text, int type);
  // Stores file mapping n: source (SRC and DST expanded) copied onto target.
  void StoreFileMapping(int n, const std::string& source, const std::string& target);
  void ExpectLogged(const Tree& lines) const {
    for (const std::string& line : lines) EXPECT_TRUE(log_.Has(line)) << line;
  }
  // A failed test shows what the last run logged.
  void TearDown() override {
    if (HasFailure()) std::cout << "Log of the last run:\n" << log_.Joined();
  }
  Tree DestTree() const { return ListTree(dst_); }
  // text with SRC and DST replaced by the roots, for tables of lines.
  std::string Expand(std::string text) const;

  ScopedTempDir dir_;
  const std::string src_;
  const std::string dst_;
  FaultPlatform platform_{DefaultPlatform()};  // with a pinned clock
  TQVIniFile ini_;
  TConfigData config_;
  TMappings mappings_;
  TMapping* mapping_;
  MirrorLogger log_;
  ScriptedGate gate_;
  bool confirm_ = false;
  TReaderPool read_ahead_;
  FileTime started_ = 0;  // the pinned time of the last run
  int errors_ = 0;        // logged by the last run
  TWideStringList<> overlaps_;  // inner sources of nested mirrors
};

}  // namespace qv::testing

#endif  // QUORVANE_TESTS_ENGINE_ENGINE_TEST_UTIL_H_
