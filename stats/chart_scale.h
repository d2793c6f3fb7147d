#ifndef QUORVANE_STATS_CHART_SCALE_H_
#define QUORVANE_STATS_CHART_SCALE_H_

#include <cstdint>

namespace qv {

// The value a full-width bar stands for in the file-count grid: 1, 2, 5 or 10
// times a power of ten, at or above largest (150 -> 200, 250 -> 500, 600 ->
// 1000). A largest value of 1 or less gives 1, so that bars never divide by
// zero; a scale that would not fit 64 bits is INT64_MAX.
int64_t CountScale(int64_t largest);
// The same for sizes in steps of the size units (powers of 1024): 1, 2, 5,
// 10 ... 1000 of the largest unit that largest reaches, or one of the next
// unit (600 MB -> 1000 MB, 1020 MB -> 1 GB).
int64_t SizeScale(int64_t largest);
// The share of a bar of the cell's width that value takes: 0 for values of 0
// or less, at most 1.
double BarFraction(int64_t value, int64_t scale);

}  // namespace qv

#endif  // QUORVANE_STATS_CHART_SCALE_H_
