#ifndef QUORVANE_TESTS_UI_WINDOW_FIXTURE_H_
#define QUORVANE_TESTS_UI_WINDOW_FIXTURE_H_

#include <atomic>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "config/config_data.h"
#include "filesys/platform_wrapper.h"
#include "tests/support/temp_dir.h"
#include "ui/app/opener.h"
#include "ui/dialogs/dialogs.h"
#include "ui/main_window/main_window.h"

namespace qv::testing {

// Message boxes that record their texts; Confirm answers confirm_answer,
// Warn warn_answer, the file dialogs chosen.
class TRecordingDialogs : public TDialogs {
 public:
  bool Confirm(const std::string& text) override {
    confirmations.push_back(text);
    return confirm_answer;
  }
  void Inform(const std::string& text) override { informations.push_back(text); }
  void Error(const std::string& text) override { errors.push_back(text); }
  bool Warn(const std::string& text) override {
    warnings.push_back(text);
    return warn_answer;
  }
  std::string ChooseFolder(const std::string& title, const std::string& start) override {
    choices.push_back(title);
    starts.push_back(start);
    return chosen;
  }
  std::string ChooseFile(const std::string& title, const std::string& start) override {
    choices.push_back(title);
    starts.push_back(start);
    return chosen;
  }

  bool confirm_answer = true;
  bool warn_answer = true;
  std::string chosen;
  std::vector<std::string> warnings;
  std::vector<std::string> choices;
  std::vector<std::string> starts;
  std::vector<std::string> confirmations;
  std::vector<std::string> informations;
  std::vector<std::string> errors;
};

// Records what the window asks the desktop to open; answers `answer`.
class TRecordingOpener : public TOpener {
 public:
  bool Open(const std::string& path) override {
    opened.push_back(path);
    return answer;
  }
  bool answer = true;
  std::vector<std::string> opened;
};

// The real platform with a wall clock that tests move forward.
class TClockPlatform : public PlatformWrapper {
 public:
  TClockPlatform() : PlatformWrapper(DefaultPlatform()) {}
  FileTime Now() override { return PlatformWrapper::Now() + offset_.load(); }
  void AdvanceMinutes(double minutes) {
    offset_ += static_cast<FileTime>(minutes * 60 * kFileTimeTicksPerSecond);
  }
  Status SetThreadPriority(int priority_index) override {
    last_priority_ = priority_index;
    return PlatformWrapper::SetThreadPriority(priority_index);
  }
  // The priority a scan thread last gave itself; -1: none yet.
  int last_priority() const { return last_priority_.load(); }

 private:
  std::atomic<FileTime> offset_{0};
  std::atomic<int> last_priority_{-1};
};

// The lines of after that before lacks.
std::vector<std::string> Added(const std::set<std::string>& before,
                               const std::set<std::string>& after);

// Runs the event loop until done() holds; false when limit_ms passed first.
bool WaitFor(const std::function<bool()>& done, int limit_ms = 20000);

// A source tree with two files, an empty destination and a settings file
// with that mirror; the window under test on top.
class WindowTest : public ::testing::Test {
 protected:
  WindowTest();
  ~WindowTest() override;

  // Stores general settings before the window is made.
  void StoreConfig(const std::function<void(TConfigData&)>& change);
  // The window over the settings file, with the given arguments.
  TMainWindow& MakeWindow(const std::vector<std::string>& args = {});
  // Triggers the tool button's action, as a click does.
  void Click(const char* button_name);
  bool WaitForScanEnd();
  std::string LogText() const;
  std::string ViewText() const;
  // The newest log file of the destination, "" when there is none.
  std::string LogFile() const;
  FileTime StoredLastScan();
  // Every stored value, one exported line each, read past the window.
  std::set<std::string> StoreLines();
  // A mirror from temp_/NAME-src/ to temp_/NAME-dst/, both made, stored.
  void AddMirror(const std::string& name);

  ScopedTempDir temp_;
  const std::string src_;
  const std::string dst_;
  const std::string settings_;
  TClockPlatform platform_;
  TRecordingDialogs dialogs_;
  TRecordingOpener opener_;
  // The program's path as the window is told it (its help pages lie beside).
  std::string executable_ = temp_ / "bin/quorvane";
  // The tray the window gets; none: the desktop's (offscreen has none).
  std::function<std::unique_ptr<TTray>()> make_tray_;
  TTrayTimings tray_timings_;
  // Shown as the program does it (tray icon, /START hidden), not just shown.
  bool show_at_start_ = false;
  std::unique_ptr<TMainWindow> window_;
};

}  // namespace qv::testing

#endif  // QUORVANE_TESTS_UI_WINDOW_FIXTURE_H_
