#include "cli/completion.h"

#include <algorithm>
#include <cctype>

namespace qv {

namespace {

// Where the words typed before the last one led.
struct TWalk {
  const CLI::App* command = nullptr;
  const CLI::Option* pending = nullptr;  // an option still waiting for its value
  size_t positionals = 0;                // values given to the command's positionals
  bool only_positionals = false;         // after "--"
  TTypedValues typed;
};

std::string Key(const CLI::Option& option) {
  const std::vector<std::string>& long_names = option.get_lnames();
  return long_names.empty() ? option.get_name() : "--" + long_names.front();
}

bool TakesValue(const CLI::Option& option) { return option.get_type_size() > 0; }

// A long option of the command, or of a command above it (options fall
// through to the app).
const CLI::Option* FindLongOption(const CLI::App* command, const std::string& name) {
  for (; command != nullptr; command = command->get_parent()) {
    for (const CLI::Option* option : command->get_options()) {
      if (option->nonpositional() && option->check_lname(name)) return option;
    }
  }
  return nullptr;
}

const CLI::App* FindCommand(const CLI::App* command, const std::string& name) {
  for (const CLI::App* sub : command->get_subcommands({})) {
    if (!sub->get_name().empty() && sub->check_name(name)) return sub;
  }
  return nullptr;
}

std::vector<const CLI::Option*> Positionals(const CLI::App* command) {
  return command->get_options([](const CLI::Option* option) { return !option->nonpositional(); });
}

// The positional that the index-th value (from 0) goes to; a list takes all
// the rest.
const CLI::Option* PositionalAt(const CLI::App* command, size_t index) {
  const std::vector<const CLI::Option*> positionals = Positionals(command);
  if (index < positionals.size()) return positionals[index];
  if (!positionals.empty() && positionals.back()->get_items_expected_max() > 1) {
    return positionals.back();
  }
  return nullptr;
}

void Step(TWalk* walk, const std::string& word) {
  // bash splits "--option=value" into three words.
  if (walk->pending != nullptr && word == "=") return;
  if (walk->pending != nullptr) {
    walk->typed[Key(*walk->pending)] = word;
    walk->pending = nullptr;
    return;
  }
  if (!walk->only_positionals && word == "--") {
    walk->only_positionals = true;
    return;
  }
  if (!walk->only_positionals && word.starts_with("--")) {
    const size_t equals = word.find('=');
    const CLI::Option* option = FindLongOption(walk->command, word.substr(2, equals - 2));
    if (option == nullptr || !TakesValue(*option)) return;
    if (equals == std::string::npos) {
      walk->pending = option;
    } else {
      walk->typed[Key(*option)] = word.substr(equals + 1);
    }
    return;
  }
  if (!walk->only_positionals && word.starts_with("-") && word.size() > 1) return;
  if (walk->positionals == 0 && !walk->only_positionals) {
    if (const CLI::App* command = FindCommand(walk->command, word)) {
      walk->command = command;
      return;
    }
  }
  if (const CLI::Option* positional = PositionalAt(walk->command, walk->positionals)) {
    walk->typed[Key(*positional)] = word;
  }
  ++walk->positionals;
}

// The words of a help text that only lists them: "a, b or c".
std::vector<std::string> ListedWords(const std::string& help) {
  std::vector<std::string> words;
  std::string rest = help;
  for (const char* separator : {", or ", " or ", ", "}) {
    for (size_t at; (at = rest.find(separator)) != std::string::npos;) {
      rest.replace(at, std::char_traits<char>::length(separator), "\n");
    }
  }
  for (size_t start = 0; start <= rest.size();) {
    const size_t end = std::min(rest.find('\n', start), rest.size());
    words.push_back(rest.substr(start, end - start));
    start = end + 1;
  }
  const auto plain = [](const std::string& word) {
    return !word.empty() && std::all_of(word.begin(), word.end(), [](unsigned char c) {
      return std::isalnum(c) != 0 || c == '-';
    });
  };
  if (words.size() < 2 || !std::all_of(words.begin(), words.end(), plain)) return {};
  return words;
}

bool AddsAMirror(const CLI::App* command) {
  for (const CLI::Option* positional : Positionals(command)) {
    if (positional->get_name() == "SOURCE") return true;
  }
  return false;
}

std::vector<std::string> Values(const TWalk& walk, const CLI::Option& option,
                                TCompletionSources& sources) {
  const std::string key = Key(option);
  if (key == "--at") return sources.TimeSlots(walk.typed);
  if (key == "--destination" || key == "DESTINATION") {
    if (AddsAMirror(walk.command)) return {};
    return sources.Destinations(walk.typed);
  }
  return ListedWords(option.get_description());
}

std::vector<std::string> Options(const CLI::App* command) {
  std::vector<std::string> names;
  for (const CLI::Option* option : command->get_options()) {
    for (const std::string& name : option->get_lnames()) names.push_back("--" + name);
  }
  return names;
}

std::vector<std::string> Commands(const CLI::App* command) {
  std::vector<std::string> names;
  for (const CLI::App* sub : command->get_subcommands({})) {
    if (!sub->get_name().empty() && !sub->get_group().empty()) names.push_back(sub->get_name());
  }
  return names;
}

}  // namespace

std::vector<std::string> CompletionCandidates(const CLI::App& root,
                                              const std::vector<std::string>& words,
                                              TCompletionSources& sources) {
  TWalk walk;
  walk.command = &root;
  const std::string typing = words.empty() ? "" : words.back();
  for (size_t i = 0; i + 1 < words.size(); ++i) Step(&walk, words[i]);

  std::vector<std::string> all;
  const size_t equals = typing.find('=');
  const CLI::Option* joined = nullptr;  // of "--option=value" as one word
  if (walk.pending == nullptr && !walk.only_positionals && typing.starts_with("--") &&
      equals != std::string::npos) {
    joined = FindLongOption(walk.command, typing.substr(2, equals - 2));
  }
  if (walk.pending != nullptr) {
    all = Values(walk, *walk.pending, sources);
  } else if (joined != nullptr && TakesValue(*joined)) {
    for (const std::string& value : Values(walk, *joined, sources)) {
      all.push_back(typing.substr(0, equals + 1) + value);
    }
  } else if (!walk.only_positionals && typing.starts_with("-")) {
    all = Options(walk.command);
  } else {
    if (walk.positionals == 0 && !walk.only_positionals) all = Commands(walk.command);
    if (const CLI::Option* positional = PositionalAt(walk.command, walk.positionals)) {
      const std::vector<std::string> values = Values(walk, *positional, sources);
      all.insert(all.end(), values.begin(), values.end());
    }
  }
  std::vector<std::string> candidates;
  for (const std::string& candidate : all) {
    if (candidate.starts_with(typing) && candidate.find('\n') == std::string::npos &&
        std::find(candidates.begin(), candidates.end(), candidate) == candidates.end()) {
      candidates.push_back(candidate);
    }
  }
  return candidates;
}

}  // namespace qv
