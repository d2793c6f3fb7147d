#include "cli/command_names.h"

#include <algorithm>
#include <cstddef>

namespace qv {

namespace {

// Restricted Damerau-Levenshtein distance (each letter edited at most once).
size_t EditDistance(const std::string& a, const std::string& b) {
  // Three rows: two back for the swap of neighbours.
  std::vector<size_t> before(b.size() + 1), last(b.size() + 1), row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) last[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t change = a[i - 1] == b[j - 1] ? 0 : 1;
      row[j] = std::min({last[j] + 1, row[j - 1] + 1, last[j - 1] + change});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
        row[j] = std::min(row[j], before[j - 2] + 1);
    }
    before.swap(last);
    last.swap(row);
  }
  return last[b.size()];
}

// Hidden commands are in no group; they are neither listed nor suggested.
bool IsVisible(const CLI::App* command) { return !command->get_group().empty(); }

}  // namespace

std::string ClosestWord(const std::string& word, const std::vector<std::string>& candidates) {
  const size_t limit = word.size() <= 4 ? 1 : 2;
  std::string best;
  size_t best_distance = limit + 1;
  for (const std::string& candidate : candidates) {
    const size_t distance = EditDistance(word, candidate);
    if (distance < best_distance) {
      best = candidate;
      best_distance = distance;
    }
  }
  return best;
}

std::string CommandPath(const CLI::App& command) {
  std::string path;
  for (const CLI::App* at = &command; at->get_parent() != nullptr; at = at->get_parent())
    path = at->get_name() + (path.empty() ? "" : " " + path);
  return path;
}

CLI::App* FindCommand(CLI::App& group, const std::string& word) {
  const std::vector<CLI::App*> found = group.get_subcommands(
      [&word](CLI::App* command) { return IsVisible(command) && command->get_name() == word; });
  return found.empty() ? nullptr : found.front();
}

std::string UnknownCommandText(const CLI::App& group, const std::string& word) {
  std::vector<std::string> names;
  for (const CLI::App* command :
       group.get_subcommands([](const CLI::App* c) { return IsVisible(c); }))
    names.push_back(command->get_name());
  std::string path = CommandPath(group);
  if (!path.empty()) path += ' ';
  const std::string closest = ClosestWord(word, names);
  return "unknown command " + path + word +
         (closest.empty() ? "" : "; did you mean " + path + closest + "?");
}

}  // namespace qv
