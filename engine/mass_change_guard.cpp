#include "engine/mass_change_guard.h"

#include "archive/archive.h"
#include "archive/confirm_gate.h"
#include "config/mapping.h"
#include "config/mass_change.h"
#include "filesys/listing.h"
#include "filesys/text_format.h"
#include "log/logger.h"

namespace qv {

namespace {

std::string AcceptHint(const TMapping& mapping) {
  return "If this is intended, run: quorvane-cli mirror accept " + mapping.destination();
}

}  // namespace

TMassChangeGuard::TMassChangeGuard(Platform& platform, TQVIniFile& ini, const TMapping& mapping,
                                   TConfirmGate& gate, TArchive& archive)
    : platform_(platform), ini_(ini), mapping_(mapping), gate_(gate), archive_(archive) {}

void TMassChangeGuard::Start(uint16_t* flags, TLogger& logger) {
  const std::string& dest = mapping_.destination();
  const std::string hold = ReadMassChangeHold(ini_, mapping_.key());
  bool accepted = false;
  if (!hold.empty()) {
    const std::string question =
        "Accept the mass change held for " + dest + " (" + hold + " replaced or removed)?";
    accepted = Accepted(question, flags, logger);
    if (!accepted) {
      held_ = true;
      archive_.HoldDays();
      Say("The destination " + dest + " holds a mass change (" + hold +
              " replaced or removed): nothing there is replaced or removed and no day of its "
              "archive is removed until it is accepted. " +
              AcceptHint(mapping_),
          *flags, logger);
      return;
    }
  }
  const std::optional<int32_t> base = ReadCompleteScanFiles(ini_, mapping_.key());
  base_ = base.value_or(-1);
  guarding_ = !accepted && base_ >= 0 && mapping_.settings().mass_change_percent > 0;
}

bool TMassChangeGuard::Allow(const TArchiveItem& item, uint16_t* flags, TLogger& logger,
                             int64_t* files) {
  *files = 0;
  if (Withhold()) return false;
  if (!guarding_) return true;
  if (item.is_directory) {
    TCounts inside;
    int64_t visited = 0;
    (void)DirectorySize(platform_, item.path, &inside, &visited, logger, kDirSizeNoPolling);
    *files = inside.files;
  } else {
    *files = 1;
  }
  const int64_t total = archived_ + *files;
  if (!Over(total)) return true;
  const std::string share = std::to_string(mapping_.settings().mass_change_percent) + "%";
  const std::string question = "Replace or remove " + std::to_string(total) + " of the " +
                               std::to_string(base_) + " files in " + mapping_.destination() +
                               ", more than " + share + "?";
  if (Accepted(question, flags, logger)) {
    guarding_ = false;
    return true;
  }
  Hold(total, *flags, logger);
  return false;
}

bool TMassChangeGuard::Withhold() {
  if (!held_) return false;
  ++withheld_;
  return true;
}

void TMassChangeGuard::Finish(int32_t dest_files) {
  if (!held_) (void)WriteCompleteScanFiles(ini_, mapping_.key(), dest_files);
}

void TMassChangeGuard::Report(TLogger& logger) const {
  if (withheld_ == 0) return;
  logger.LogLine("Held back " +
                 CountText(withheld_, "replacement or removal", "replacements and removals") +
                 " until the mass change is accepted");
}

// More than the share of the base, and at least the minimum.
bool TMassChangeGuard::Over(int64_t files) const {
  const TMappingSettings& s = mapping_.settings();
  return files * 100 > base_ * s.mass_change_percent && files >= s.mass_change_minimum;
}

// Only an explicit Yes to this very question accepts: a default answer (no
// questions, or an answer given for the rest of the mirror or scan) does not.
bool TMassChangeGuard::Accepted(const std::string& question, uint16_t* flags, TLogger& logger) {
  if ((*flags & kConfirmAsk) == 0) return false;
  uint16_t asked = *flags;
  if (!PassGate(gate_, question, std::string(), mapping_.destination(), &asked)) return false;
  (void)AcceptMassChange(ini_, mapping_.key());
  logger.LogLine("Accepted the mass change of " + mapping_.destination());
  return true;
}

void TMassChangeGuard::Hold(int64_t files, uint16_t flags, TLogger& logger) {
  const std::string hold = std::to_string(files) + " of " + std::to_string(base_) + " files";
  (void)WriteMassChangeHold(ini_, mapping_.key(), hold);
  archive_.HoldDays();
  held_ = stopped_ = true;
  Say("Stopped the mirror to " + mapping_.destination() + ": this scan would replace or remove " +
          hold + " the destination held after its last complete scan, more than " +
          std::to_string(mapping_.settings().mass_change_percent) +
          "%. Nothing there is replaced or removed and no day of its archive is removed until "
          "the change is accepted. " +
          AcceptHint(mapping_),
      flags, logger);
}

// An error, unless the user was asked and declined: that answer is the
// error already.
void TMassChangeGuard::Say(const std::string& text, uint16_t flags, TLogger& logger) {
  if ((flags & kConfirmAsk) != 0) {
    logger.LogLine(text);
  } else {
    logger.LogError(text);
  }
}

}  // namespace qv
