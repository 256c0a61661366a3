#pragma once

#include <optional>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace cli {

// A command the program once had at its top level, and what replaced it.
struct RetiredCommand {
  std::string name;         // "erase-all"
  std::string replacement;  // "module erase-data"
};

// For a command line that did not parse: the first word in it that names no
// command, and the first "--option" its command does not take, told with the
// nearest known name ("did you mean ..."); a retired command is told its
// replacement. Nothing when every word is known (the parser's own message
// then says what is wrong). args are the arguments after the program's name.
std::optional<std::string> UnknownWordText(const CLI::App& app,
                                           const std::vector<std::string>& args,
                                           const std::vector<RetiredCommand>& retired);

// The edit distance of two words, a swap of two neighbours counted as one.
std::size_t TypingDistance(const std::string& a, const std::string& b);

}  // namespace cli
