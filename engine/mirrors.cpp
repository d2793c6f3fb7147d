#include "engine/mirrors.h"

#include <algorithm>
#include <memory>

#include "config/config_data.h"
#include "config/mappings.h"
#include "engine/current_mirror.h"
#include "engine/live_switches.h"
#include "engine/mirror.h"
#include "engine/scan_context.h"
#include "engine/scan_progress.h"
#include "log/logger.h"

namespace qv {

TMirrors::TMirrors(TScanContext& context) : context_(context) {
  context_.progress.items_done = 0;
  context_.progress.items_outside = 0;
  context_.progress.weighted_total = 1;
  context_.progress.total_known = false;
  context_.progress.bytes_copied = 0;
}

// The front end must not see a mirror that is about to go.
TMirrors::~TMirrors() { context_.current.Clear(); }

bool TMirrors::Load(TLogger& logger, const std::vector<std::string>& chosen) {
  TMappings& mappings = context_.mappings;
  if (!mappings.Load(logger, &scan_filters_, context_.switches.Get().auto_filter, false)) {
    return false;
  }
  for (int i = 0; i < mappings.Count(); ++i) {
    TMapping* mapping = mappings.Mapping(i);
    if (mapping == nullptr || !mapping->settings().enabled) continue;
    if (!chosen.empty() && std::ranges::find(chosen, mapping->destination()) == chosen.end()) {
      continue;
    }
    mapping->KeepWritesWhileStored();
    auto mirror = std::make_unique<TMirror>(context_, *mapping);
    const int64_t weight = mirror->Weight();
    context_.progress.weighted_total += weight;
    // A mirror weighs 1 before its first scan.
    if (weight > 1) context_.progress.total_known = true;
    mirrors_.Add(mapping->destination(), std::move(mirror));
  }
  return true;
}

void TMirrors::Run(TLogger& logger) {
  // Both live across the mirrors: an answer for the rest of the scan turns
  // the confirm switch off and becomes the default of the later mirrors.
  bool default_answer = true;
  bool confirm = context_.switches.Get().confirm;
  // A mirror asks, or not, from its start to its end. When the front end
  // changed Confirm, the next mirror follows the new setting, whatever an
  // answer for the rest of the scan said: off lets every update go ahead.
  bool set = confirm;
  for (const auto& item : mirrors_) {
    if (logger.IsTerminated()) return;
    if (const bool now = context_.switches.Get().confirm; now != set) {
      set = confirm = now;
      if (!now) default_answer = true;
    }
    item.object->Run(scan_filters_, logger, &confirm, &default_answer);
  }
}

void TMirrors::LogSummary(TLogger& logger) {
  for (int i = 0; i < mirrors_.Count(); ++i) mirrors_.Object(i)->LogSummary(logger);
}

}  // namespace qv
