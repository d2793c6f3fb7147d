#ifndef QUORVANE_STATS_ROW_TITLE_H_
#define QUORVANE_STATS_ROW_TITLE_H_

#include <functional>
#include <string>

namespace qv {

// The title of a chart row: a directory (or "Archive", "Compressed"), with
// the volume label of its drive in front when labels are shown and known.
struct TRowTitle {
  std::string label;  // "" for none
  std::string text;
  // label + ": " + text, or text alone.
  std::string Full() const;
  bool operator==(const TRowTitle&) const = default;
};

// Width of a text in the unit the column is measured in (pixels on screen).
using TTextWidth = std::function<int(const std::string&)>;

// The title as it fits width, shortened step by step while it is wider:
// first the label goes, then the trailing "/"; a text of 7 or more characters
// becomes its first three + "..." + its tail, the tail shrinking from the
// front while the whole is at least 7 characters long; last, characters go
// from the end while at least 2 remain. Characters are UTF-8 code points, so
// no name is cut inside a character.
std::string FitRowTitle(const TRowTitle& title, int width, const TTextWidth& text_width);

}  // namespace qv

#endif  // QUORVANE_STATS_ROW_TITLE_H_
