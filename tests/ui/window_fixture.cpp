#include "tests/ui/window_fixture.h"

#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QToolButton>
#include <algorithm>
#include <filesystem>
#include <iterator>
#include <sstream>

#include "config/config_keys.h"
#include "config/mapping.h"
#include "config/qv_ini_file.h"
#include "config/registry_export.h"
#include "log/log_buffer.h"
#include "ui/logic/command_line.h"
#include "ui/main_window/log_view.h"
#include "ui/main_window/scan_control.h"

namespace qv::testing {

std::vector<std::string> Added(const std::set<std::string>& before,
                               const std::set<std::string>& after) {
  std::vector<std::string> added;
  std::set_difference(after.begin(), after.end(), before.begin(), before.end(),
                      std::back_inserter(added));
  return added;
}

bool WaitFor(const std::function<bool()>& done, int limit_ms) {
  QDeadlineTimer deadline(limit_ms);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

WindowTest::WindowTest()
    : src_(temp_ / "src/"), dst_(temp_ / "dst/"), settings_(temp_ / "settings.db") {
  MakeTree(temp_.path(), {"src/a.txt=alpha", "src/sub/b.txt=beta", "dst/"});
  TQVIniFile ini(platform_, settings_);
  TMapping mapping(ini, dst_);
  mapping.SetSource(src_);
  EXPECT_TRUE(mapping.Save());
  StoreConfig([](TConfigData& config) {
    config.SetWaitMinutes(-1);
    // "System idle" would leave the scans of a busy machine waiting for CPU.
    config.SetPriority(3);
  });
}

WindowTest::~WindowTest() { window_.reset(); }

void WindowTest::StoreConfig(const std::function<void(TConfigData&)>& change) {
  TQVIniFile ini(platform_, settings_);
  TConfigData config;
  ASSERT_TRUE(config.Load(ini));
  change(config);
  ASSERT_TRUE(config.Save(ini));
}

TMainWindow& WindowTest::MakeWindow(const std::vector<std::string>& args) {
  window_ = std::make_unique<TMainWindow>(TMainWindowDeps{platform_, settings_, dialogs_, opener_,
                                                          executable_, ParseCommandLine(args),
                                                          nullptr, make_tray_, tray_timings_});
  if (show_at_start_) {
    window_->ShowAtStart();
  } else {
    window_->show();
  }
  window_->Begin();
  return *window_;
}

void WindowTest::Click(const char* button_name) {
  auto* button = window_->findChild<QToolButton*>(button_name);
  ASSERT_NE(button, nullptr) << button_name;
  ASSERT_TRUE(button->isEnabled()) << button_name;
  button->defaultAction()->trigger();
}

bool WindowTest::WaitForScanEnd() {
  return WaitFor([this] { return !window_->scan_control().scanning(); });
}

std::string WindowTest::LogText() const { return window_->log().text(); }

std::string WindowTest::ViewText() const { return window_->log_view().toPlainText().toStdString(); }

std::string WindowTest::LogFile() const {
  std::string newest;
  std::error_code error;
  for (const auto& entry :
       std::filesystem::directory_iterator(dst_ + "Quorvane archive/Logs", error)) {
    newest = std::max(newest, entry.path().string());
  }
  return newest;
}

void WindowTest::AddMirror(const std::string& name) {
  MakeDirs(temp_ / (name + "-src"));
  MakeDirs(temp_ / (name + "-dst"));
  TQVIniFile ini(platform_, settings_);
  TMapping mapping(ini, temp_ / (name + "-dst/"));
  mapping.SetSource(temp_ / (name + "-src/"));
  ASSERT_TRUE(mapping.Save());
}

std::set<std::string> WindowTest::StoreLines() {
  const std::string dump = temp_ / "dump.reg";
  std::filesystem::remove(dump);
  TQVIniFile ini(platform_, settings_);
  EXPECT_EQ(SaveKeyToFile(ini.db(), "HKEY_CURRENT_USER\\Software\\KZ\\Quorvane", dump), 0);
  std::istringstream text(ReadFile(dump));
  std::set<std::string> lines;
  for (std::string line; std::getline(text, line);) lines.insert(line);
  return lines;
}

FileTime WindowTest::StoredLastScan() {
  TQVIniFile ini(platform_, settings_);
  return ini.ReadLastScan().value_or(0);
}

}  // namespace qv::testing
