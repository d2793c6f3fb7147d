#include "ui/logic/axis_ticks.h"

#include "filesys/text_format.h"

namespace qv {
namespace {

std::string TickText(TChartKind kind, int64_t value) {
  if (value == 0) return "0";
  return kind == TChartKind::kFiles ? ThousandsText(value) : SizeText(value, -1);
}

}  // namespace

std::vector<TAxisTick> AxisTicks(TChartKind kind, int64_t scale) {
  return {{0, TickText(kind, 0)},
          {0.5, scale % 2 == 0 ? TickText(kind, scale / 2) : ""},
          {1, TickText(kind, scale)}};
}

}  // namespace qv
