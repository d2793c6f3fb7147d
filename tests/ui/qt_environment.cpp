// The QApplication of the GUI tests, made once before the first test (not at
// test discovery), on the offscreen platform, with a home, configuration and
// runtime folder of its own so that no test touches the user's.
#include <QApplication>
#include <memory>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/support/temp_dir.h"

namespace {

class TQtEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    home_ = std::make_unique<qv::testing::ScopedTempDir>();
    const std::string runtime = *home_ / "runtime";
    qv::testing::MakeDirs(runtime);
    chmod(runtime.c_str(), 0700);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("HOME", home_->path().c_str());
    qputenv("XDG_CONFIG_HOME", (*home_ / ".config").c_str());
    qputenv("XDG_RUNTIME_DIR", runtime.c_str());
    qputenv("QUORVANE_SETTINGS", (*home_ / "settings.db").c_str());
    app_ = std::make_unique<QApplication>(argc_, argv_);
    QApplication::setQuitOnLastWindowClosed(false);
  }
  void TearDown() override {
    app_.reset();
    home_.reset();
  }

 private:
  int argc_ = 1;
  char name_[16] = "quorvane_tests";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<qv::testing::ScopedTempDir> home_;
  std::unique_ptr<QApplication> app_;
};

[[maybe_unused]] ::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new TQtEnvironment);

}  // namespace
