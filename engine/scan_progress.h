#ifndef QUORVANE_ENGINE_SCAN_PROGRESS_H_
#define QUORVANE_ENGINE_SCAN_PROGRESS_H_

#include <atomic>
#include <cstdint>

namespace qv {

// Progress of one scan. The scan thread writes, the front end reads whenever
// it likes (a gauge of items done over the weighted total, and items done
// plus items outside as a count).
struct TScanProgress {
  // Entries listed on either side so far.
  std::atomic<int32_t> items_done{0};
  // Entries that the previous scan's weights do not hold (new subtrees).
  std::atomic<int32_t> items_outside{0};
  // What the previous scan listed, plus one per mirror.
  std::atomic<int32_t> weighted_total{1};
  // Some mirror's weight came from a previous scan.
  std::atomic<bool> total_known{false};
  // Bytes of the files copied so far.
  std::atomic<int64_t> bytes_copied{0};
};

}  // namespace qv

#endif  // QUORVANE_ENGINE_SCAN_PROGRESS_H_
