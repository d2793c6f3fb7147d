#include "stats/row_title.h"

#include <string>
#include <vector>

namespace qv {
namespace {

// The text cut into UTF-8 code points; a stray continuation byte stays with
// the character before it.
std::vector<std::string> CodePoints(const std::string& text) {
  std::vector<std::string> points;
  for (const char c : text) {
    const bool continuation = (static_cast<unsigned char>(c) & 0xC0) == 0x80;
    if (continuation && !points.empty()) {
      points.back() += c;
    } else {
      points.emplace_back(1, c);
    }
  }
  return points;
}

std::string Join(const std::vector<std::string>& points) {
  std::string text;
  for (const std::string& point : points) text += point;
  return text;
}

}  // namespace

std::string TRowTitle::Full() const { return label.empty() ? text : label + ": " + text; }

std::string FitRowTitle(const TRowTitle& title, int width, const TTextWidth& text_width) {
  const auto too_wide = [&](const std::string& text) { return text_width(text) > width; };
  std::string full = title.Full();
  if (!too_wide(full)) return full;
  std::string text = title.text;
  if (!too_wide(text)) return text;
  if (text.size() > 1 && text.back() == '/') text.pop_back();
  std::vector<std::string> points = CodePoints(text);
  constexpr size_t kHead = 3;
  constexpr size_t kShortest = 7;
  if (points.size() >= kShortest && too_wide(Join(points))) {
    points.erase(points.begin() + kHead, points.begin() + kHead + 3);
    points.insert(points.begin() + kHead, {".", ".", "."});
    while (points.size() >= kShortest && too_wide(Join(points))) {
      points.erase(points.begin() + kHead + 3);
    }
  }
  while (points.size() >= 2 && too_wide(Join(points))) points.pop_back();
  return Join(points);
}

}  // namespace qv
