#ifndef QUORVANE_ENGINE_MASS_CHANGE_GUARD_H_
#define QUORVANE_ENGINE_MASS_CHANGE_GUARD_H_

#include <cstdint>
#include <string>

namespace qv {

class Platform;
class TArchive;
class TConfirmGate;
class TLogger;
class TMapping;
class TQVIniFile;
struct TArchiveItem;

// Holds a mass change instead of obeying it. The files one run archives
// (replaced or removed; a directory counts with the files it holds) are
// counted against the destination's files at the end of the last complete
// scan. The archive move that would take them over the mapping's share and
// minimum is not made: the mirror is held and stops there, with one error
// that says how to accept, and everything replaced so far stays in the
// archive. A held mirror replaces and removes nothing (new files are still
// copied: they cost no version), and its archive gives up no day, until the
// change is accepted: by "quorvane-cli mirror accept", or by Yes to the
// question put when the run asks its questions.
//
// Lifetime: one per mirror run. Threads: the scan thread only.
class TMassChangeGuard {
 public:
  TMassChangeGuard(Platform& platform, TQVIniFile& ini, const TMapping& mapping, TConfirmGate& gate,
                   TArchive& archive);
  TMassChangeGuard(const TMassChangeGuard&) = delete;
  TMassChangeGuard& operator=(const TMassChangeGuard&) = delete;

  // Before the archive loads, under the destination's lock: reads the hold
  // and the base. A stored hold is accepted by a Yes, or logged as one error.
  void Start(uint16_t* flags, TLogger& logger);
  // Whether item may go into the archive now; *files is what it counts when
  // it does (see Archived). Holds the mirror when the item would take the
  // run over the thresholds and the user does not accept.
  bool Allow(const TArchiveItem& item, uint16_t* flags, TLogger& logger, int64_t* files);
  void Archived(int64_t files) { archived_ += files; }
  // True, counting one change held back, when nothing may be replaced.
  bool Withhold();
  // After a complete run: dest_files is the base of the next one.
  void Finish(int32_t dest_files);
  // The end line of what was held back.
  void Report(TLogger& logger) const;

  bool held() const { return held_; }
  // The hold began in this run: the walk stops.
  bool stopped() const { return stopped_; }

 private:
  bool Over(int64_t files) const;
  bool Accepted(const std::string& question, uint16_t* flags, TLogger& logger);
  void Hold(int64_t files, uint16_t flags, TLogger& logger);
  void Say(const std::string& text, uint16_t flags, TLogger& logger);

  Platform& platform_;
  TQVIniFile& ini_;
  const TMapping& mapping_;
  TConfirmGate& gate_;
  TArchive& archive_;
  int64_t base_ = -1;  // -1: no complete scan known, no guard
  int64_t archived_ = 0;
  int64_t withheld_ = 0;
  bool guarding_ = false;
  bool held_ = false;
  bool stopped_ = false;
};

}  // namespace qv

#endif  // QUORVANE_ENGINE_MASS_CHANGE_GUARD_H_
