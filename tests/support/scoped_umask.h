#ifndef QUORVANE_TESTS_SUPPORT_SCOPED_UMASK_H_
#define QUORVANE_TESTS_SUPPORT_SCOPED_UMASK_H_

#include <sys/stat.h>

namespace qv::testing {

// The process's umask while the object lives.
class ScopedUmask {
 public:
  explicit ScopedUmask(mode_t mask) : old_(umask(mask)) {}
  ~ScopedUmask() { umask(old_); }
  ScopedUmask(const ScopedUmask&) = delete;
  ScopedUmask& operator=(const ScopedUmask&) = delete;

 private:
  mode_t old_;
};

}  // namespace qv::testing

#endif  // QUORVANE_TESTS_SUPPORT_SCOPED_UMASK_H_
