#ifndef QUORVANE_CLI_TEXT_TABLE_H_
#define QUORVANE_CLI_TEXT_TABLE_H_

#include <ostream>
#include <string>
#include <vector>

namespace qv {

// A table printed with its columns aligned: a heading row, then the rows,
// columns two blanks apart, the last column unpadded. Widths count UTF-8
// characters; control characters in cells are escaped so that a file name
// cannot move the cursor of a terminal.
class TTextTable {
 public:
  explicit TTextTable(std::vector<std::string> headings);

  // A row with fewer cells than headings is filled with empty cells.
  void AddRow(std::vector<std::string> cells);
  void Print(std::ostream& out) const;

 private:
  std::vector<std::vector<std::string>> rows_;  // the headings first
};

}  // namespace qv

#endif  // QUORVANE_CLI_TEXT_TABLE_H_
