// The X11 source of the last input time on an X server of the test's own
// (Xvfb), and a scan that pauses and goes on by it.
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include "tests/ui/suspension_fixture.h"
#include "tests/ui/x11_input.h"
#include "ui/main_window/scan_control.h"
#ifdef QUORVANE_HAVE_XSS
#include "ui/idle/idle_time_x11.h"
#endif

namespace qv::testing {
namespace {

#ifdef QUORVANE_HAVE_XSS

// An Xvfb on a free display, which it picks and names on its output.
class TXvfb {
 public:
  TXvfb() {
    server_.start("Xvfb", {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "320x240x24"});
    QByteArray out;
    while (!out.contains('\n') && server_.waitForReadyRead(20000)) out += server_.readAll();
    if (out.contains('\n')) display_ = ":" + out.trimmed().toStdString();
  }
  ~TXvfb() {
    server_.terminate();
    if (!server_.waitForFinished(10000)) server_.kill();
    server_.waitForFinished(10000);
  }
  const std::string& display() const { return display_; }

 private:
  QProcess server_;
  std::string display_;
};

class X11IdleTest : public SuspensionTest {
 protected:
  void SetUp() override {
    if (QStandardPaths::findExecutable("Xvfb").isEmpty()) {
      GTEST_SKIP() << "Xvfb is not installed (package xvfb)";
    }
    xvfb_ = std::make_unique<TXvfb>();
    ASSERT_FALSE(xvfb_->display().empty()) << "Xvfb named no display";
  }
  // The source's connection closes before its server: Xlib ends a program
  // whose server went away.
  ~X11IdleTest() override {
    window_.reset();
    idle_platform_.reset();
    idle_.reset();
  }

  std::unique_ptr<TXvfb> xvfb_;
};

TEST_F(X11IdleTest, TheIdleTimeGrowsAndAScreenSaverResetStartsItAgain) {
  std::unique_ptr<TIdleSource> source = X11IdleSource(xvfb_->display());
  ASSERT_NE(source, nullptr);
  const std::optional<int64_t> first = source->IdleMillis();
  ASSERT_TRUE(first.has_value());
  int64_t later = *first;
  ASSERT_TRUE(WaitFor([&] {
    later = source->IdleMillis().value_or(-1);
    return later >= *first + 300;
  }));
  ASSERT_TRUE(ResetScreenSaver(xvfb_->display()));
  const std::optional<int64_t> after = source->IdleMillis();
  ASSERT_TRUE(after.has_value());
  EXPECT_LT(*after, later);
}

TEST(X11IdleSourceTest, NoDisplayIsNoSource) { EXPECT_EQ(X11IdleSource(":65000"), nullptr); }

TEST_F(X11IdleTest, AScanPausesAfterInputAndGoesOnWhenTheUserIsIdle) {
  constexpr int kSuspendMillis = 2000;
  TIdleSources sources;
  sources.push_back(X11IdleSource(xvfb_->display()));
  ASSERT_NE(sources.back(), nullptr);
  TMainWindow& window = MakeIdleWindow(std::move(sources), kSuspendMillis, true);
  ASSERT_TRUE(ResetScreenSaver(xvfb_->display()));
  window.scan_control().StartScan();
  ASSERT_TRUE(WaitForState(TScanState::kSuspended));
  // More than a second idle: without new input the scan goes on within one.
  ASSERT_TRUE(WaitForStatus("Resuming scan in 0 seconds"));
  QElapsedTimer since_input;
  since_input.start();
  ASSERT_TRUE(ResetScreenSaver(xvfb_->display()));
  ASSERT_TRUE(WaitForStatus("Resumed scan"));
  EXPECT_GE(since_input.elapsed(), kSuspendMillis - 20) << "the new input did not count";
  ASSERT_TRUE(WaitForScanEnd());
  EXPECT_EQ(ReadFile(dst_ + "sub/b.txt"), "beta");
}

#else

TEST(X11IdleTest, BuiltWithoutTheX11Source) {
  GTEST_SKIP() << "libXss was not found at build time (package libxss-dev)";
}

#endif

}  // namespace
}  // namespace qv::testing
