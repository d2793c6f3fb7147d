#include "engine/live_switches.h"

#include <cstddef>
#include <iterator>
#include <utility>

#include <gtest/gtest.h>

namespace qv::testing {
namespace {

// Each switch changed alone, from both sides: the live ones follow, the
// others keep what the scan started with.
TEST(LiveSwitchesTest, TakesAllButWhatShapesTheWholeScan) {
  const std::pair<bool TConfigSwitches::*, bool> kSwitches[] = {
      {&TConfigSwitches::log_create, true},
      {&TConfigSwitches::log_create_dir, true},
      {&TConfigSwitches::log_excluded, true},
      {&TConfigSwitches::log_min_ages, true},
      {&TConfigSwitches::log_update_creation_time, true},
      {&TConfigSwitches::confirm, true},
      {&TConfigSwitches::close_when_done, false},
      {&TConfigSwitches::auto_filter, false},
      {&TConfigSwitches::scan_excluded_dirs, true},
      {&TConfigSwitches::use_archive_bit, true},
  };
  for (const bool start : {false, true}) {
    TConfigData config;
    for (const auto& [field, live] : kSwitches) config.switches.*field = start;
    for (size_t i = 0; i < std::size(kSwitches); ++i) {
      const auto& [field, live] = kSwitches[i];
      TLiveSwitches switches(config);
      TConfigSwitches changed = config.switches;
      changed.*field = !start;
      switches.Set(changed);
      EXPECT_EQ(switches.Get(), live ? changed : config.switches) << i << " from " << start;
    }
  }
}

}  // namespace
}  // namespace qv::testing
