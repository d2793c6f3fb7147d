// One running copy per settings file: the lock, the socket and the
// hand-over, between this process and real copies of the built program.
#include "ui/app/single_instance.h"

#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <map>

#include <gtest/gtest.h>

#include "config/config_keys.h"
#include "config/qv_ini_file.h"
#include "tests/ui/window_fixture.h"
#include "ui/main_window/window_visibility.h"

namespace qv::testing {
namespace {

constexpr int kReadLimitMs = 300;

// A copy of the built program on the test's settings file (offscreen, with
// the test's runtime folder).
class TProgram {
 public:
  TProgram(const std::string& settings, const QStringList& args) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LSAN_OPTIONS",
                       QString("suppressions=") + QUORVANE_TESTS_DIR + "ui/lsan.supp");
    process_.setProcessEnvironment(environment);
    process_.start(QUORVANE_GUI_PATH,
                   QStringList{"--settings", QString::fromStdString(settings)} + args);
  }
  ~TProgram() {
    process_.kill();
    process_.waitForFinished();
  }
  bool Ended() { return process_.state() == QProcess::NotRunning; }
  QProcess& process() { return process_; }

 private:
  QProcess process_;
};

class SingleInstanceTest : public WindowTest {
 protected:
  QString Settings() const { return QString::fromStdString(settings_); }
  bool Listening() { return QFileInfo::exists(TSingleInstance::SocketPath(Settings())); }

  // What a peer's bytes get as answer before the running copy hangs up.
  QByteArray Send(const QByteArray& bytes, bool* ended) {
    QLocalSocket socket;
    socket.connectToServer(TSingleInstance::SocketPath(Settings()));
    EXPECT_TRUE(socket.waitForConnected(1000));
    if (!bytes.isEmpty()) socket.write(bytes);
    QByteArray answer;
    *ended = WaitFor(
        [&] {
          answer += socket.readAll();
          return socket.state() == QLocalSocket::UnconnectedState;
        },
        5000);
    return answer + socket.readAll();
  }

  std::map<std::string, std::optional<TRegValue>> WindowValues() {
    TQVIniFile ini(platform_, settings_);
    std::map<std::string, std::optional<TRegValue>> values;
    for (const char* name : {"Left", "Top", "Width", "Height", "WinState"})
      values[name] = ini.ReadRaw(std::string(kBaseKey) + "\\Window", name);
    return values;
  }
};

TEST_F(SingleInstanceTest, OnlyTheAnnouncementIsAnsweredAndAnythingElseIsDropped) {
  TSingleInstance running(Settings(), kReadLimitMs);
  ASSERT_TRUE(running.Acquire());
  TSingleInstance second(Settings(), kReadLimitMs);
  EXPECT_FALSE(second.Acquire());
  QSignalSpy view(&running, &TSingleInstance::viewRequested);
  const struct {
    QByteArray sent;
    QByteArray answer;
  } cases[] = {
      // Any invalid message (the parse's own table has them all).
      {"garbage\n", ""},
      {QByteArray(100000, 'x'), ""},
      // Says nothing: dropped after the read limit.
      {"", ""},
      // A start of the message that never ends.
      {"1481", ""},
      {"1481 0\n", "1481 1\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sent.left(20).toStdString());
    bool ended = false;
    EXPECT_EQ(Send(c.sent, &ended), c.answer);
    EXPECT_TRUE(ended);
    EXPECT_EQ(view.count(), c.answer.isEmpty() ? 0 : 1);
  }
}

TEST_F(SingleInstanceTest, ASecondCopyShowsTheMinimisedFirstAndLeavesTheWindowValuesAlone) {
  {
    TQVIniFile ini(platform_, settings_);
    const std::string key = std::string(kBaseKey) + "\\Window";
    ASSERT_TRUE(ini.WriteInteger(key, "Left", 17) && ini.WriteInteger(key, "Top", 23) &&
                ini.WriteInteger(key, "Width", 500) && ini.WriteInteger(key, "WinState", 1));
  }
  const auto before = WindowValues();
  // This process is the running copy, its window minimised without a tray.
  TSingleInstance running(Settings(), kReadLimitMs);
  ASSERT_TRUE(running.Acquire());
  show_at_start_ = true;
  TMainWindow& window = MakeWindow({"/START"});
  QObject::connect(&running, &TSingleInstance::viewRequested, &window, &TMainWindow::View);
  ASSERT_TRUE(window.isMinimized());

  TProgram second(settings_, {"/START", "/EXIT"});
  ASSERT_TRUE(WaitFor([&] { return second.Ended(); }));
  EXPECT_EQ(second.process().exitCode(), 0);
  const std::string said = second.process().readAllStandardError().toStdString();
  EXPECT_NE(said.find("asked to show itself"), std::string::npos) << said;
  EXPECT_NE(said.find("arguments of this start were not acted on"), std::string::npos) << said;
  EXPECT_TRUE(window.isVisible());
  EXPECT_FALSE(window.isMinimized());
  EXPECT_FALSE(window.visibility().hidden_in_tray());
  EXPECT_EQ(WindowValues(), before);
}

TEST_F(SingleInstanceTest, AfterTheRunningCopyIsKilledTheNextStartRunsAndAnswers) {
  {
    TProgram first(settings_, {});
    ASSERT_TRUE(WaitFor([&] { return Listening(); }));
    first.process().kill();
    ASSERT_TRUE(first.process().waitForFinished());
  }
  // Its lock and socket are left behind.
  ASSERT_TRUE(Listening());
  TProgram next(settings_, {});
  // Only a running copy answers a hand-over.
  ASSERT_TRUE(WaitFor([&] { return TSingleInstance::HandOver(Settings(), 200); }));
  EXPECT_FALSE(next.Ended());
  TSingleInstance here(Settings(), kReadLimitMs);
  EXPECT_FALSE(here.Acquire());
}

}  // namespace
}  // namespace qv::testing
