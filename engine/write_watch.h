#ifndef QUORVANE_ENGINE_WRITE_WATCH_H_
#define QUORVANE_ENGINE_WRITE_WATCH_H_

#include <functional>
#include <initializer_list>
#include <string>

#include "engine/change_wrapper.h"

namespace qv {

// Watches the writes of one mirror below its destination root for a
// destination that takes none any more, so that the mirror is cancelled
// instead of logging one error for every file left: one write refused as
// read-only, or kFailuresInARow failed writes after which the watch cannot
// make a file of its own in the root either (a failure of the files
// themselves, or of their source, leaves the root writable and starts the
// count anew). Then on_lost runs, once, and lost() tells why.
//
// Counted are the writes that carry data: creating, copying, committing,
// moving and removing entries and writing files. What a file's own state
// explains (a full drive, which the space rules handle; a name that exists;
// an entry or source that vanished or changed; a stopped copy) neither counts
// nor ends a run of failures, and changes of attributes, times, security and
// links count only when read-only. A counted write that succeeds ends a run.
//
// Threads: the scan thread of the mirror.
class TWriteWatch : public TChangeWrapper {
 public:
  static constexpr int kFailuresInARow = 20;

  // root ends with "/".
  TWriteWatch(Platform& target, std::string root);

  // Ok while the destination takes writes.
  const Status& lost() const { return lost_; }
  // Whether it was found read-only, as against failing kFailuresInARow writes.
  bool read_only() const { return lost_.cond() == Cond::kReadOnly; }

  std::function<void()> on_lost;

 protected:
  void OnChange(const Status& status, TKind kind,
                std::initializer_list<std::string> paths) override;

 private:
  // Take note of the status of a write to path.
  void Data(const std::string& path, const Status& status);
  void Metadata(const std::string& path, const Status& status);
  bool RootWritable();
  void Lose(const Status& status);

  const std::string root_;
  int failures_ = 0;
  Status lost_;
};

}  // namespace qv

#endif  // QUORVANE_ENGINE_WRITE_WATCH_H_
