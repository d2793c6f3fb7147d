#ifndef QUORVANE_CLI_COMMAND_NAMES_H_
#define QUORVANE_CLI_COMMAND_NAMES_H_

#include <string>
#include <vector>

#include <CLI/CLI.hpp>

namespace qv {

// The candidate nearest to word in edit distance (a letter inserted, removed
// or changed, or two neighbours swapped), when near enough to be a slip of
// the keyboard: one edit for words up to four letters, two beyond. "" for
// none; the first of equally near candidates wins.
std::string ClosestWord(const std::string& word, const std::vector<std::string>& candidates);

// The words that lead from the program to command ("mirror add"; "" for the
// program itself).
std::string CommandPath(const CLI::App& command);

// The visible command named word directly below group, or null.
CLI::App* FindCommand(CLI::App& group, const std::string& word);

// "unknown command mirror ad; did you mean mirror add?" for word below
// group; without the question when no command of group is near.
std::string UnknownCommandText(const CLI::App& group, const std::string& word);

}  // namespace qv

#endif  // QUORVANE_CLI_COMMAND_NAMES_H_
