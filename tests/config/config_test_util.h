#ifndef QUORVANE_TESTS_CONFIG_CONFIG_TEST_UTIL_H_
#define QUORVANE_TESTS_CONFIG_CONFIG_TEST_UTIL_H_

#include <map>
#include <memory>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "config/qv_ini_file.h"
#include "filesys/platform_wrapper.h"
#include "tests/support/temp_dir.h"

namespace qv::testing {

// The real platform with a private environment and, when set, a chosen file
// system for every volume query.
class ConfigTestPlatform : public PlatformWrapper {
 public:
  ConfigTestPlatform();

  std::optional<std::string> GetEnv(const std::string& name) override;
  Status GetVolume(const std::string& path, VolumeInfo* info) override;

  std::map<std::string, std::string> env;
  std::optional<VolumeInfo> volume;
};

// A fresh settings file in a temporary directory for every test.
class StoreTest : public ::testing::Test {
 protected:
  StoreTest() : db_path_(dir_ / "settings.db") { Reopen(); }
  void Reopen(int busy_timeout_ms = 200) {
    ini_.reset();
    ini_ = std::make_unique<TQVIniFile>(platform_, db_path_, busy_timeout_ms);
  }
  TQVIniFile& ini() { return *ini_; }

  ScopedTempDir dir_;
  ConfigTestPlatform platform_;
  std::string db_path_;
  std::unique_ptr<TQVIniFile> ini_;
};

// Stores a mapping the way the configuration dialog does; row < 0 writes no Row.
void StoreMapping(TQVIniFile& ini, const std::string& destination, const std::string& source,
                  int row, bool enabled = true);

}  // namespace qv::testing

#endif  // QUORVANE_TESTS_CONFIG_CONFIG_TEST_UTIL_H_
