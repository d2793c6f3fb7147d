// The desktop program's arguments: their spellings, fallbacks and warnings,
// and what they change in the effective configuration.
#include "ui/logic/command_line.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "config/config_data.h"

namespace qv::testing {
namespace {

// The configuration before the arguments: Wait 60, MinMinutesToWait 5,
// Priority 3, CloseWhenDone off.
TConfigData Stored() {
  TConfigData config;
  config.SetWaitMinutes(60);
  config.SetMinMinutesToWait(5);
  config.SetPriority(3);
  return config;
}

// What the arguments leave: the numbers, then only what is set.
std::string Describe(const TCommandLine& options, const TConfigData& effective) {
  std::string text = "wait " + std::to_string(effective.wait_minutes()) + ", min " +
                     std::to_string(effective.min_minutes_to_wait()) + ", prior " +
                     std::to_string(effective.priority());
  if (effective.switches.close_when_done) text += ", exit";
  if (options.start_now) text += ", start";
  if (options.settings_path) text += ", settings " + *options.settings_path;
  if (options.help) text += ", help";
  if (options.version) text += ", version";
  for (const std::string& warning : options.warnings) text += "; " + warning;
  if (!options.error.empty()) text += "; error " + options.error;
  return text;
}

TEST(CommandLineTest, ArgumentsChangeTheEffectiveConfiguration) {
  const struct {
    std::vector<std::string> args;
    const char* result;
  } kCases[] = {
      {{}, "wait 60, min 5, prior 3"},
      {{"/START"}, "wait 60, min 5, prior 3, start"},
      {{"/start", "/Exit"}, "wait 60, min 5, prior 3, exit, start"},
      {{"--start", "--exit"}, "wait 60, min 5, prior 3, exit, start"},
      {{"/WAIT=15"}, "wait 15, min 5, prior 3"},
      {{"--wait=0"}, "wait 0, min 5, prior 3"},
      {{"/wait=-1"}, "wait -1, min 5, prior 3"},
      {{"/WAIT=+35791"}, "wait 35791, min 5, prior 3"},
      {{"/WAIT=abc"}, "wait -1, min 5, prior 3"},
      {{"/WAIT=40000"}, "wait -1, min 5, prior 3"},
      {{"/WAIT=-2"}, "wait -1, min 5, prior 3"},
      {{"/WAIT=99999999999"}, "wait -1, min 5, prior 3"},
      {{"/WAIT="}, "wait -1, min 5, prior 3"},
      {{"/WAIT= 5"}, "wait -1, min 5, prior 3"},
      {{"/WAIT=20", "/WAIT=30"}, "wait 30, min 5, prior 3"},
      {{"/MINMINUTES=10"}, "wait 60, min 10, prior 3"},
      {{"--MIN-minutes=7"}, "wait 60, min 7, prior 3"},
      {{"/MINMINUTES=-5"}, "wait 60, min 0, prior 3"},
      {{"/MINMINUTES=35792"}, "wait 60, min 0, prior 3"},
      {{"/MINMINUTES=99999999999999999999"}, "wait 60, min 0, prior 3"},
      {{"/MINMINUTES=abc"}, "wait 60, min 5, prior 3"},
      {{"/MINMINUTES="}, "wait 60, min 5, prior 3"},
      {{"/MINMINUTES=7", "/MINMINUTES=x"}, "wait 60, min 7, prior 3"},
      {{"/PRIOR=6"}, "wait 60, min 5, prior 6"},
      {{"--prior=2"}, "wait 60, min 5, prior 2"},
      {{"/PRIOR=7"}, "wait 60, min 5, prior 0"},
      {{"/PRIOR=-1"}, "wait 60, min 5, prior 0"},
      {{"/PRIOR=x"},
       "wait 60, min 5, prior 3; quorvane: ignoring /PRIOR=x: the priority is not a number"},
      {{"/prior="},
       "wait 60, min 5, prior 3; quorvane: ignoring /prior=: the priority is not a number"},
      {{"/backupregistry=once"},
       "wait 60, min 5, prior 3; quorvane: ignoring /backupregistry=once: there is no registry "
       "backup on Linux"},
      {{"--backup-registry=yes", "/START"},
       "wait 60, min 5, prior 3, start; quorvane: ignoring --backup-registry=yes: there is no "
       "registry backup on Linux"},
      {{"--settings", "/tmp/R&D/s.db", "/START"},
       "wait 60, min 5, prior 3, start, settings /tmp/R&D/s.db"},
      {{"--settings=/tmp/s.db"}, "wait 60, min 5, prior 3, settings /tmp/s.db"},
      {{"--settings"}, "wait 60, min 5, prior 3; error quorvane: --settings needs a file name"},
      {{"--settings="}, "wait 60, min 5, prior 3; error quorvane: --settings needs a file name"},
      {{"--help"}, "wait 60, min 5, prior 3, help"},
      {{"/START", "-h"}, "wait 60, min 5, prior 3, start, help"},
      {{"/?"}, "wait 60, min 5, prior 3, help"},
      {{"--version", "--settings", "/s.db"}, "wait 60, min 5, prior 3, settings /s.db, version"},
      {{"-V"}, "wait 60, min 5, prior 3, version"},
      {{"/STARTNOW", "-x", "/WAIT"},
       "wait 60, min 5, prior 3; quorvane: ignoring unknown argument /STARTNOW; quorvane: "
       "ignoring unknown argument -x; quorvane: ignoring unknown argument /WAIT"},
  };
  for (const auto& c : kCases) {
    TCommandLine options = ParseCommandLine(c.args);
    TConfigData effective = Stored();
    ApplyCommandLine(options, &effective);
    EXPECT_EQ(Describe(options, effective), c.result) << ::testing::PrintToString(c.args);
  }
}

}  // namespace
}  // namespace qv::testing
