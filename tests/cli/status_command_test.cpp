// status, and the --json of stats, mirror list and show, read back as a
// script would read them.

#include <filesystem>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "archive/dest_lock.h"
#include "config/config_keys.h"
#include "log/logger.h"
#include "tests/cli/cli_test_util.h"
#include "tests/support/json_reader.h"

namespace qv::testing {
namespace {

constexpr FileTime kHour = 3600 * kFileTimeTicksPerSecond;

class StatusCommandTest : public CliTest {
 protected:
  // A mirror from @NAME-src, which holds two files, to @dst.
  void AddMirror(const std::string& dst) {
    MakeTree(At(""), {dst + "-src/a.txt=hello", dst + "-src/sub/b.txt=bye"});
    MakeDirs(At(dst));
    RunOk({"mirror", "add", "@" + dst + "-src", "@" + dst});
  }
  // The status document, parsed; *code is the exit status.
  TJson StatusJson(int* code, std::vector<std::string> args = {}) {
    args.insert(args.begin(), {"status", "--json"});
    const CliRun run = Run(args);
    *code = run.code;
    std::optional<TJson> json = ReadJson(run.out);
    EXPECT_TRUE(json.has_value()) << run.out << run.err;
    return json.value_or(TJson{});
  }
  // The status entry of the mirror to destination.
  TJson MirrorStatus(const std::string& destination, int* code) {
    const TJson status = StatusJson(code);
    for (const TJson& mirror : status["mirrors"].items) {
      if (mirror["destination"].text == destination) return mirror;
    }
    ADD_FAILURE() << "no status of " << destination;
    return {};
  }

  ScriptedConsole console_without_answers_;
};

// Each way a mirror's run ends, each on a mirror never scanned before, the
// others switched off so that the exit status is this one's alone.
TEST_F(StatusCommandTest, EachEndOfAMirrorIsStoredAndOnlyAGoodScanKeepsStatusAtZero) {
  struct Case {
    const char* result;
    int scan_code;
    bool errors;
    std::function<void(const std::string& dst)> before;
  };
  std::unique_ptr<TDestLock> other_scan;
  TLogger quiet;
  const Case kCases[] = {
      {"completed", 0, false, [](const std::string&) {}},
      {"errors", 1, true, [&](const std::string&) { platform_.failing_appends = 1; }},
      {"cancelled", 1, true, [&](const std::string& dst) { std::filesystem::remove(At(dst)); }},
      {"held", 1, true,
       [&](const std::string& dst) {
         ASSERT_TRUE(Store().WriteString(MappingKey(At(dst + "/")), "MassChangeHold", "3 of 4"));
       }},
      {"locked", 1, true,
       [&](const std::string& dst) {
         other_scan = std::make_unique<TDestLock>(platform_, At(dst + "/"));
         ASSERT_TRUE(other_scan->Take(quiet));
       }},
      {"stopped", 3, true,
       [&](const std::string&) {
         RunOk({"set", "Confirm", "yes"});
         console_ = &console_without_answers_;  // the question ends the input: a stop
       }},
  };
  for (size_t i = 0; i < std::size(kCases); ++i) {
    const Case& c = kCases[i];
    const std::string dst = "dst" + std::to_string(i);
    AddMirror(dst);
    c.before(dst);
    const FileTime before = platform_.Now();
    EXPECT_EQ(Run({"scan", "@" + dst}).code, c.scan_code) << c.result;
    console_ = nullptr;
    other_scan.reset();
    platform_.failing_appends = 0;
    RunOk({"set", "Confirm", "no"});
    int code = -1;
    const TJson mirror = MirrorStatus(At(dst + "/"), &code);
    EXPECT_EQ(mirror["result"].text, c.result);
    EXPECT_EQ(mirror["errors"].Int() > 0, c.errors) << c.result;
    EXPECT_EQ(mirror["last_good_scan"].is_null(), i != 0) << c.result;
    EXPECT_EQ(mirror["last_scan"].text.size(), std::string("2026-12-08T02:40:01.1234567Z").size());
    EXPECT_EQ(mirror["overdue"].boolean, i != 0) << c.result;
    EXPECT_EQ(code, i == 0 ? 0 : 1) << c.result;
    EXPECT_EQ(mirror["minutes_since_good_scan"].is_null(), i != 0);
    // A run's end is stored by the run: it is no earlier than its start.
    EXPECT_GE(Store().Read64(MappingKey(At(dst + "/")), "LastScanEnd", 0), before);
    RunOk({"mirror", "disable", "@" + dst});
  }
  // Mirrors a scan leaves out keep what their own last run stored.
  int code = -1;
  const TJson status = StatusJson(&code);
  ASSERT_EQ(status["mirrors"].items.size(), std::size(kCases));
  for (size_t i = 0; i < std::size(kCases); ++i) {
    EXPECT_EQ(status["mirrors"][i]["result"].text, kCases[i].result);
    EXPECT_FALSE(status["mirrors"][i]["overdue"].boolean);  // disabled
  }
  EXPECT_EQ(code, 0);
  const std::string table = RunOk({"status"});
  EXPECT_TRUE(Has(table, "  held by the mass-change guard  1 ")) << table;
  EXPECT_TRUE(Has(table, "  completed                      0       0 min            disabled\n"))
      << table;
}

// The age of the last good scan, on a clock moved on: a run that goes wrong
// later keeps the good one's time; the limit is the option, else HealthMaxAge,
// else Wait plus a day, else 26 hours.
TEST_F(StatusCommandTest, TheLimitCountsFromTheLastGoodScan) {
  AddMirror("dst");
  RunOk({"scan"});
  ASSERT_TRUE(Store().WriteString(MappingKey(At("dst/")), "MassChangeHold", "3 of 4"));
  platform_.clock_offset = 3 * kHour;
  EXPECT_EQ(Run({"scan"}).code, 1);
  int code = -1;
  TJson mirror = MirrorStatus(At("dst/"), &code);
  EXPECT_EQ(mirror["result"].text, "held");
  EXPECT_EQ(mirror["minutes_since_good_scan"].Int(), 180);
  EXPECT_EQ(code, 0);

  // Hours since the good scan, Wait, stored HealthMaxAge, --max-age; exit.
  const std::tuple<int64_t, int, int, const char*, int> kCases[] = {
      {25, -1, 0, "", 0},   {27, -1, 0, "", 1},      {27, 240, 0, "", 0},
      {27, 60, 0, "", 1},   {27, 60, 1700, "", 0},   {27, 60, 1700, "26h", 1},
      {27, 60, 0, "2d", 0}, {27, -1, 0, "1621m", 0}, {27, -1, 0, "1619m", 1},
  };
  for (const auto& [hours, wait, stored, max_age, expected] : kCases) {
    platform_.clock_offset = hours * kHour;
    RunOk({"set", "Wait", std::to_string(wait)});
    RunOk({"set", "HealthMaxAge", std::to_string(stored)});
    const std::string max = max_age;
    const TJson status =
        StatusJson(&code, max.empty() ? std::vector<std::string>{}
                                      : std::vector<std::string>{"--max-age", max});
    EXPECT_EQ(code, expected) << hours << " h, Wait " << wait << ", " << stored << ", " << max;
    EXPECT_EQ(status["overdue"].Int(), expected);
  }
  for (const char* bad : {"26", "h", "0h", "2w", "-1d", "1.5h", "99999999d"}) {
    EXPECT_TRUE(Has(RunFails({"status", "--max-age", bad}), "--max-age")) << bad;
  }
}

// Every document parses, names a path that is no UTF-8 by its bytes too,
// and says what the text does.
TEST_F(StatusCommandTest, TheJsonDocumentsReadBackAsTheTextSaysIt) {
  const std::string odd = "dst\xff";
  AddMirror(odd);
  RunOk({"set", "Wait", "90"});
  RunOk({"scan"});
  const std::string dest = At(odd + "/");
  const auto read = [&](std::vector<std::string> args) {
    const std::optional<TJson> json = ReadJson(RunOk(args));
    EXPECT_TRUE(json.has_value()) << args[0];
    return json.value_or(TJson{});
  };
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"stats", "--json"}, {"mirror", "list", "--json"}, {"show", "--json"}}) {
    const TJson mirror = read(args)["mirrors"][0];
    EXPECT_EQ(mirror["destination"].text, At("dst\xEF\xBF\xBD/")) << args[0];
    EXPECT_EQ(DecodeBase64(mirror["destination_base64"].text), dest) << args[0];
    EXPECT_TRUE(mirror["enabled"].boolean) << args[0];
  }
  const TJson stats = read({"stats", "--json"})["mirrors"][0];
  EXPECT_EQ(stats["counters"]["source"]["files"].Int(), 2);
  EXPECT_EQ(stats["counters"]["source"]["directories"].Int(), 1);
  EXPECT_EQ(stats["counters"]["destination"]["size"].Int(), 8);
  EXPECT_EQ(stats["counters"]["archive"]["files"].Int(), 0);
  EXPECT_GT(stats["destination_drive"]["total"].Int(), 0);
  const TJson show = read({"show", "--json"});
  EXPECT_EQ(show["settings"]["Wait"].Int(), 90);
  EXPECT_EQ(show["settings"]["HealthMaxAge"].Int(), 90 + 24 * 60);
  EXPECT_FALSE(show["settings"]["Confirm"].boolean);
  EXPECT_TRUE(show["mirrors"][0]["max_archive_size"].is_null());
  EXPECT_EQ(DecodeBase64(show["mirrors"][0]["source_base64"].text), At(odd + "-src/"));
  EXPECT_EQ(read({"mirror", "list", "--json"})["mirrors"][0]["row"].Int(), 0);
  const TJson status = read({"status", "--json"});
  EXPECT_EQ(status["max_age_minutes"].Int(), 90 + 24 * 60);
  EXPECT_EQ(status["mirrors"][0]["last_scan"].text, status["mirrors"][0]["last_good_scan"].text);
  EXPECT_TRUE(status["now"].text.ends_with("Z"));
}

}  // namespace
}  // namespace qv::testing
