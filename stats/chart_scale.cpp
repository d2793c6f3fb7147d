#include "stats/chart_scale.h"

#include <algorithm>
#include <limits>
#include <string>

namespace qv {
namespace {

constexpr int64_t kMaxScale = std::numeric_limits<int64_t>::max();
constexpr int64_t kKilo = 1024;

// 1, 2, 5 or 10 times a power of ten, computed in unsigned 64 bits: the
// largest result, 10^19, still fits there.
uint64_t UnsignedCountScale(int64_t largest) {
  if (largest <= 1) return 1;
  const std::string digits = std::to_string(largest - 1);
  uint64_t power = 1;
  for (size_t i = 1; i < digits.size(); ++i) power *= 10;
  const char first = digits[0];
  const uint64_t step = first == '0' ? 1 : first == '1' ? 2 : first <= '4' ? 5 : 10;
  return step * power;
}

}  // namespace

int64_t CountScale(int64_t largest) {
  const uint64_t scale = UnsignedCountScale(largest);
  return scale > static_cast<uint64_t>(kMaxScale) ? kMaxScale : static_cast<int64_t>(scale);
}

int64_t SizeScale(int64_t largest) {
  if (largest <= 1) return 1;
  int64_t unit = 1;
  while (largest / unit >= kKilo) unit *= kKilo;
  const int64_t units = largest / unit + (largest % unit != 0 ? 1 : 0);
  const int64_t steps = CountScale(units);
  if (steps > 1000) return unit > kMaxScale / kKilo ? kMaxScale : unit * kKilo;
  return steps > kMaxScale / unit ? kMaxScale : steps * unit;
}

double BarFraction(int64_t value, int64_t scale) {
  if (value <= 0 || scale <= 0) return 0;
  return std::min(1.0, static_cast<double>(value) / static_cast<double>(scale));
}

}  // namespace qv
