#ifndef QUORVANE_ENGINE_LISTING_CHANGES_H_
#define QUORVANE_ENGINE_LISTING_CHANGES_H_

#include <initializer_list>
#include <memory>
#include <string>

#include "engine/listing_read_ahead.h"
#include "filesys/platform_wrapper.h"

namespace qv {

// Tells the read-ahead of every entry a call may have changed, after the call
// (failed ones too: a failure may have changed part), so that no listing read
// before or during a change is used after it. Every call that makes, removes,
// moves, links or writes an entry, or sets its times, mode or security, passes
// here; calls pass through unchanged.
//
// Threads: the scan thread of the mirror.
class TListingChanges : public PlatformWrapper {
 public:
  explicit TListingChanges(Platform& target) : PlatformWrapper(target) {}

  // Null: nothing is read ahead.
  void ReportTo(TListingReadAhead* ahead) { ahead_ = ahead; }

  Status CreateDir(const std::string& path) override;
  Status RemoveDir(const std::string& path) override;
  Status DeleteFile(const std::string& path) override;
  Status Move(const std::string& from, const std::string& to) override;
  Status Link(const std::string& from, const std::string& to) override;
  Status SetAttributes(const std::string& path, uint32_t attributes) override;
  Status SetTimes(const std::string& path, FileTime access, FileTime write) override;
  Status CreateSymlink(const std::string& target, const std::string& path) override;
  Status CopyToTemp(const std::string& src, const std::string& dst, const CopyProgress& progress,
                    bool with_security, std::string* temp, uint32_t* lost) override;
  Status SymlinkToTemp(const std::string& target, const std::string& dst,
                       std::string* temp) override;
  Status CommitTemp(const std::string& temp, const std::string& dst) override;
  Status CreateTempFile(const std::string& dst, std::string* temp) override;
  Status WriteSecurity(const std::string& path, const SecurityDescriptor& sd,
                       uint32_t* lost) override;
  Status WriteFile(const std::string& path, const std::string& data) override;
  Status CreatePrivateDir(const std::string& path) override;
  Status LockDir(const std::string& dir, const std::string& fallback_name,
                 std::unique_ptr<DirLock>* lock, LockHolder* holder) override;
  Status AppendPrivateFile(const HeldDir& held, const std::string& relative,
                           const std::string& data, bool* created) override;

 private:
  // Reports paths as changed and answers status.
  Status Noted(const Status& status, std::initializer_list<std::string> paths);

  TListingReadAhead* ahead_ = nullptr;
};

}  // namespace qv

#endif  // QUORVANE_ENGINE_LISTING_CHANGES_H_
