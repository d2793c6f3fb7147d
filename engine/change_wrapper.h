#ifndef QUORVANE_ENGINE_CHANGE_WRAPPER_H_
#define QUORVANE_ENGINE_CHANGE_WRAPPER_H_

#include <initializer_list>
#include <memory>
#include <string>

#include "filesys/platform_wrapper.h"

namespace qv {

// A platform that tells OnChange of every call that makes, removes, moves,
// links or writes an entry, or sets its times, mode or security, after the
// call (failed ones too: a failure may have changed part). Calls pass through
// unchanged; the watchers of a mirror's changes derive from it, so that no
// changing call can be missed by one of them and seen by the other.
class TChangeWrapper : public PlatformWrapper {
 public:
  enum class TKind {
    kData,      // creates, removes or fills an entry
    kMetadata,  // times, mode, security or links of an entry
    kOwn,       // the program's own lock and log files
  };

  explicit TChangeWrapper(Platform& target) : PlatformWrapper(target) {}

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

 protected:
  // paths: every entry the call may have changed, the one it wrote last.
  virtual void OnChange(const Status& status, TKind kind,
                        std::initializer_list<std::string> paths) = 0;

 private:
  Status Noted(const Status& status, TKind kind, std::initializer_list<std::string> paths);
};

}  // namespace qv

#endif  // QUORVANE_ENGINE_CHANGE_WRAPPER_H_
