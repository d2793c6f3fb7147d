#ifndef QUORVANE_ENGINE_STATUS_MAILBOX_H_
#define QUORVANE_ENGINE_STATUS_MAILBOX_H_

#include <mutex>
#include <string>

namespace qv {

// The status text the scan thread shows in the front end's status bar. The
// front end polls it (once a second while a scan runs); a text put twice
// before it looks is overwritten, so only the latest one is shown.
//
// Threads: any. mu_ guards every field.
class TStatusMailbox {
 public:
  void Put(const std::string& text);
  // When a new text arrived since the last Take: moves it to *text and
  // answers true. Otherwise false and *text is unchanged.
  bool Take(std::string* text);

 private:
  std::mutex mu_;
  std::string text_;      // GUARDED_BY(mu_)
  bool changed_ = false;  // GUARDED_BY(mu_)
};

}  // namespace qv

#endif  // QUORVANE_ENGINE_STATUS_MAILBOX_H_
