#ifndef QUORVANE_TESTS_CONFIG_CONFIG_TEST_UTIL_H_
#define QUORVANE_TESTS_CONFIG_CONFIG_TEST_UTIL_H_

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include "config/config_keys.h"
#include "config/mapping.h"
#include "config/qv_ini_file.h"
#include "filesys/platform_wrapper.h"
#include "tests/support/temp_dir.h"

namespace qv::testing {

// The real platform with a private environment and a chosen mount table.
class ConfigTestPlatform : public PlatformWrapper {
 public:
  ConfigTestPlatform() : PlatformWrapper(DefaultPlatform()) {}
  std::optional<std::string> GetEnv(const std::string& name) override {
    return env.contains(name) ? std::optional(env.at(name)) : std::nullopt;
  }
  Status ListMounts(std::vector<MountEntry>* list) override {
    if (mounts_error != 0) return Status::FromErrno(mounts_error);
    *list = mounts;
    return Status::Ok();
  }

  std::map<std::string, std::string> env;
  std::vector<MountEntry> mounts;
  int mounts_error = 0;
};

// A fresh settings file in a temporary directory for every test.
class StoreTest : public ::testing::Test {
 protected:
  StoreTest() : db_path_(dir_ / "settings.db") { Reopen(); }
  void Reopen() {
    ini_.reset();
    ini_ = std::make_unique<TQVIniFile>(platform_, db_path_, 50);
  }
  // Closes the store and overwrites every page after the first, so the
  // damage shows only when a read reaches it.
  void DamagePages() {
    ini_.reset();
    std::string bytes = ReadFile(db_path_);
    ASSERT_GT(bytes.size(), 4096u);
    for (size_t i = 4096; i < bytes.size(); ++i) bytes[i] = static_cast<char>(0xA5);
    WriteFile(db_path_, bytes);
  }
  TQVIniFile& ini() { return *ini_; }

  ScopedTempDir dir_;
  ConfigTestPlatform platform_;
  std::string db_path_;
  std::unique_ptr<TQVIniFile> ini_;
};

// Runs sql on a connection of its own and answers it, still open.
inline sqlite3* Exec(const std::string& path, const char* sql) {
  sqlite3* db = nullptr;
  EXPECT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
  return db;
}

// texts with every from replaced by to.
inline std::vector<std::string> Replaced(std::vector<std::string> texts, const std::string& from,
                                         const std::string& to) {
  for (std::string& text : texts) {
    for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size()) {
      text.replace(at, from.size(), to);
    }
  }
  return texts;
}

}  // namespace qv::testing

#endif  // QUORVANE_TESTS_CONFIG_CONFIG_TEST_UTIL_H_
