#include "engine/scan_plan.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "config/config_keys.h"
#include "engine/front_end.h"

namespace qv {

namespace {

constexpr std::chrono::milliseconds kTick{100};

// Keeps the scan's log lines instead of showing or saving them.
class TPlanFrontEnd : public TFrontEnd {
 public:
  void Attach(TMirrorThread& thread) { thread_ = &thread; }

  void AddLogLine(const std::string& text, bool new_line) override {
    std::lock_guard<std::mutex> lock(mu_);
    if (new_line || lines_.empty()) {
      lines_.push_back(text);
    } else {
      lines_.back() += text;
    }
  }
  bool SetLogFileName(const std::string&) override { return true; }
  void UpdateCurrentMirrorStats() override {}
  void UpdateMirrorStats(const std::string&) override {}
  bool FlushLog() override { return true; }
  // Every question is answered Yes for this one case, so the next one is
  // asked (and marked) too.
  bool PrepareConfirm(const std::string& question, const std::string&, const std::string&,
                      const std::string&, uint16_t*) override {
    AddLogLine("Answered Yes for the plan: " + question, true);
    return true;
  }
  void ArmWakeUpTimer(int64_t) override { thread_->Resume(); }
  bool IsMinimised() override { return false; }
  bool IsHiddenInTray() override { return false; }
  void ScanEnded() override {
    std::lock_guard<std::mutex> lock(mu_);
    ended_ = true;
    ended_cv_.notify_all();
  }

  bool WaitForEnd(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(mu_);
    return ended_cv_.wait_for(lock, timeout, [this] { return ended_; });
  }
  std::vector<std::string> lines() {
    std::lock_guard<std::mutex> lock(mu_);
    return lines_;
  }

 private:
  TMirrorThread* thread_ = nullptr;
  std::mutex mu_;
  std::condition_variable ended_cv_;
  std::vector<std::string> lines_;  // GUARDED_BY(mu_)
  bool ended_ = false;              // GUARDED_BY(mu_)
};

// path (without a trailing "/") lies in the folder dir (with one).
bool In(const std::string& path, const std::string& dir) { return (path + "/").starts_with(dir); }

void Add(const TPlanTally& part, TPlanTally* total) {
  total->files_to_copy += part.files_to_copy;
  total->bytes_to_copy += part.bytes_to_copy;
  total->items_to_archive += part.items_to_archive;
  total->bytes_to_archive += part.bytes_to_archive;
  total->folders_to_create += part.folders_to_create;
  total->folders_to_remove += part.folders_to_remove;
  total->days_to_remove += part.days_to_remove;
  total->held = total->held || part.held;
}

bool AnyLine(const std::vector<std::string>& lines, const std::string& part) {
  return std::ranges::any_of(
      lines, [&](const std::string& line) { return line.find(part) != std::string::npos; });
}

}  // namespace

TPlanTally TallyMirror(const std::vector<TOverlayChange>& changes, const std::string& destination,
                       const std::vector<std::string>& lines) {
  TPlanTally tally;
  tally.destination = destination;
  const std::string archive = destination + kArchiveDirName + "/";
  using Kind = TOverlayChange::Kind;
  for (const TOverlayChange& change : changes) {
    const bool mirrored = In(change.path, destination) && !In(change.path, archive);
    if (change.kind == Kind::kCommit && mirrored) {
      ++tally.files_to_copy;
      tally.bytes_to_copy += change.bytes;
    } else if ((change.kind == Kind::kMove || change.kind == Kind::kLink) && mirrored &&
               In(change.to, archive)) {
      // A file about to be replaced goes to the archive as a second link.
      ++tally.items_to_archive;
      tally.bytes_to_archive += change.bytes;
    } else if (change.kind == Kind::kCreateDir && mirrored) {
      ++tally.folders_to_create;
    } else if (change.kind == Kind::kRemoveDir && mirrored) {
      ++tally.folders_to_remove;
    }
  }
  const std::string day = "Removing day " + archive;
  tally.days_to_remove =
      std::ranges::count_if(lines, [&](const std::string& line) { return line.starts_with(day); });
  tally.held = AnyLine(lines, "Stopped the mirror to " + destination + ":");
  return tally;
}

TPlanResult RunScanPlan(Platform& platform, TConfigData config, TScanOptions options,
                        const std::vector<std::string>& destinations,
                        const std::function<bool()>& stop) {
  TOverlayPlatform overlay(platform, platform.Now());
  TConfigSwitches& switches = config.switches;
  switches.log_create = switches.log_create_dir = switches.log_excluded = switches.log_min_ages =
      switches.log_update_creation_time = true;
  options.store_access = TStoreAccess::kMemoryCopy;
  TPlanFrontEnd front_end;
  TPlanResult result;
  {
    TMirrorThread thread(overlay, config, options, front_end);
    front_end.Attach(thread);
    thread.Start();
    while (!front_end.WaitForEnd(kTick)) {
      if (stop && stop()) thread.Terminate();
    }
    thread.Join();
    result.errors = thread.error_count();
    result.stopped = thread.stopped();
  }
  result.lines = front_end.lines();
  const std::vector<TOverlayChange> changes = overlay.changes();
  for (const std::string& destination : destinations) {
    result.mirrors.push_back(TallyMirror(changes, destination, result.lines));
    Add(result.mirrors.back(), &result.total);
  }
  if (overlay.space_simulated()) {
    const bool decided =
        result.total.days_to_remove > 0 || AnyLine(result.lines, "Not enough space on ");
    result.space = decided ? TPlanSpace::kEstimated : TPlanSpace::kAmple;
  }
  return result;
}

}  // namespace qv
