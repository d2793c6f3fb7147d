#ifndef QUORVANE_ENGINE_READER_POOL_H_
#define QUORVANE_ENGINE_READER_POOL_H_

namespace qv {

// The read-ahead's readers: the first always reads, the others (helpers)
// only while reads take longer per entry than a cached listing does, so that
// several reads wait on a cold disk at once.
struct TReaderPool {
  int count = 3;  // none: the walk reads every listing itself
  // Microseconds per entry (an average over the last reads) from which the
  // helpers read too: a cached listing takes a few; 0: always.
  double slow_per_entry = 20;
};

}  // namespace qv

#endif  // QUORVANE_ENGINE_READER_POOL_H_
