#include "cli/text_table.h"

#include <algorithm>
#include <utility>

#include "cli/terminal_output.h"
#include "log/logger.h"

namespace qv {

TTextTable::TTextTable(std::vector<std::string> headings) { AddRow(std::move(headings)); }

void TTextTable::AddRow(std::vector<std::string> cells) {
  if (!rows_.empty()) cells.resize(std::max(cells.size(), rows_.front().size()));
  for (std::string& cell : cells) cell = EscapeControl(cell);
  rows_.push_back(std::move(cells));
}

void TTextTable::Print(std::ostream& out) const {
  std::vector<size_t> widths;
  for (const auto& row : rows_) {
    widths.resize(std::max(widths.size(), row.size()));
    for (size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], DisplayWidth(row[i]));
  }
  for (const auto& row : rows_) {
    std::string line;
    for (size_t i = 0; i < row.size(); ++i) {
      if (i > 0) line += "  ";
      line += row[i];
      if (i + 1 < row.size()) line.append(widths[i] - DisplayWidth(row[i]), ' ');
    }
    // An empty last cell would leave the padding of the others behind.
    line.erase(line.find_last_not_of(' ') + 1);
    out << line << '\n';
  }
}

}  // namespace qv
