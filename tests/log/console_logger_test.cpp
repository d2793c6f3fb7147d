#include "log/console_logger.h"

#include <csignal>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace qv {
namespace {

// Keeps written bytes apart until the stream is flushed, to tell what a reader
// on the other end of a pipe would already have.
class FlushTrackingBuf : public std::streambuf {
 public:
  std::string flushed;
  std::string pending;

 protected:
  int_type overflow(int_type c) override {
    if (c != traits_type::eof()) pending += traits_type::to_char_type(c);
    return c;
  }
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    pending.append(s, static_cast<size_t>(n));
    return n;
  }
  int sync() override {
    flushed += pending;
    pending.clear();
    return 0;
  }
};

TEST(ConsoleLoggerTest, WritesLinesAsTheLogViewShowsThem) {
  using Calls = std::vector<std::pair<std::string, bool>>;
  struct Case {
    const char* name;
    Calls calls;
    std::string out;
  };
  const Case cases[] = {
      {"nothing", {}, ""},
      {"one line", {{"Scan started", true}}, "Scan started\n"},
      {"continued",
       {{"Drive / has 1 KB", true}, {", leaving 0", false}, {"next", true}},
       "Drive / has 1 KB, leaving 0\nnext\n"},
      {"continuation first", {{"x", false}, {"y", false}}, "xy\n"},
      {"empty lines kept", {{"", true}, {"h", true}, {"", true}}, "\nh\n\n"},
      {"escaped", {{"bad\nname\x1b", true}, {"\r", false}}, "bad\\x0Aname\\x1B\\x0D\n"},
      {"non-UTF-8 kept", {{"f\xff\xfe", true}}, "f\xff\xfe\n"},
  };
  for (const auto& c : cases) {
    std::ostringstream out;
    {
      TConsoleLogger log(out);
      for (const auto& [text, new_line] : c.calls) log.Log(text, new_line);
    }
    EXPECT_EQ(out.str(), c.out) << c.name;
  }
}

TEST(ConsoleLoggerTest, EachLineReachesTheReaderWithoutWaitingForMore) {
  FlushTrackingBuf buf;
  std::ostream out(&buf);
  TConsoleLogger log(out);
  log.LogLine("first");
  EXPECT_EQ(buf.flushed, "first");
  log.Log(" more", false);
  log.LogError("second");
  EXPECT_EQ(buf.flushed, "first more\nError: second");
  EXPECT_EQ(buf.pending, "");
  log.EndLine();
  log.EndLine();
  EXPECT_EQ(buf.flushed, "first more\nError: second\n");
  log.LogLine("third");
  EXPECT_EQ(buf.flushed, "first more\nError: second\nthird");
}

TEST(ConsoleLoggerTest, StatusIsKeptEscapedAndNeverWritten) {
  std::ostringstream out;
  TConsoleLogger log(out);
  EXPECT_EQ(log.StatusText(), "");
  log.SetStatus("/src/a");
  log.SetStatus("/src/b\n  1 KB");
  EXPECT_EQ(log.StatusText(), "/src/b\\x0A  1 KB");
  EXPECT_EQ(out.str(), "");
}

TConsoleLogger* g_signalled = nullptr;
void OnSignal(int) { g_signalled->RequestStop(); }

TEST(ConsoleLoggerTest, SignalHandlerStopsTheScan) {
  std::ostringstream out;
  TConsoleLogger log(out);
  EXPECT_FALSE(log.IsTerminated());
  EXPECT_TRUE(log.CheckSuspend());
  g_signalled = &log;
  auto* previous = std::signal(SIGUSR1, OnSignal);
  ASSERT_NE(previous, SIG_ERR);
  std::raise(SIGUSR1);
  std::signal(SIGUSR1, previous);
  EXPECT_TRUE(log.IsTerminated());
  EXPECT_FALSE(log.CheckSuspend());
}

}  // namespace
}  // namespace qv
