#include "engine/live_switches.h"

#include <algorithm>
#include <cstddef>

namespace qv {

namespace {

constexpr bool TConfigSwitches::*kLive[] = {
    &TConfigSwitches::log_create,
    &TConfigSwitches::log_create_dir,
    &TConfigSwitches::log_excluded,
    &TConfigSwitches::log_min_ages,
    &TConfigSwitches::log_update_creation_time,
    &TConfigSwitches::confirm,
    &TConfigSwitches::scan_excluded_dirs,
    &TConfigSwitches::use_archive_bit,
};

uint32_t LiveBits(const TConfigSwitches& switches) {
  uint32_t bits = 0;
  for (size_t i = 0; i < std::size(kLive); ++i) {
    if (switches.*kLive[i]) bits |= 1u << i;
  }
  return bits;
}

}  // namespace

TLiveSwitches::TLiveSwitches(const TConfigData& config)
    : start_(config.switches),
      bits_(LiveBits(config.switches)),
      suspend_millis_(config.suspend_millis()) {}

void TLiveSwitches::Set(const TConfigSwitches& switches) { bits_ = LiveBits(switches); }

void TLiveSwitches::SetSuspendMillis(int millis) { suspend_millis_ = std::max(millis, 0); }

TConfigSwitches TLiveSwitches::Get() const {
  TConfigSwitches switches = start_;
  const uint32_t bits = bits_.load();
  for (size_t i = 0; i < std::size(kLive); ++i) switches.*kLive[i] = (bits & (1u << i)) != 0;
  return switches;
}

}  // namespace qv
