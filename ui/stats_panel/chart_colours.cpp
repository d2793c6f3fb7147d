#include "ui/stats_panel/chart_colours.h"

#include <QPalette>
#include <array>

namespace qv {
namespace {

struct THue {
  int hue;
  int saturation;  // 0 for a grey
};

// Hues apart from each other within a grid; the series both grids share
// (files, archive, excluded) keep one hue. Yellow is left out: it loses its
// contrast against light text when darkened.
constexpr std::array<THue, kChartColumns> kFilesHues = {
    {{0, 0}, {210, 150}, {30, 150}, {0, 0}, {280, 110}, {330, 120}, {170, 110}}};
constexpr std::array<THue, kChartColumns> kSizesHues = {
    {{0, 0}, {210, 150}, {30, 150}, {280, 110}, {0, 0}, {120, 110}, {45, 120}}};

// HSL lightness behind dark text and behind light text.
constexpr int kLightTone = 190;
constexpr int kDarkTone = 70;

}  // namespace

QColor ChartSeriesColour(TChartKind kind, int column, const QPalette& palette) {
  if (column <= 0 || column >= kChartColumns) return {};
  const auto& hues = kind == TChartKind::kFiles ? kFilesHues : kSizesHues;
  const THue& hue = hues[static_cast<size_t>(column)];
  const bool dark_text =
      palette.color(QPalette::Text).lightness() < palette.color(QPalette::Base).lightness();
  return QColor::fromHsl(hue.hue, hue.saturation, dark_text ? kLightTone : kDarkTone);
}

}  // namespace qv
