#include "cli/unknown_words.h"

#include <CLI/CLI.hpp>
#include <algorithm>

namespace cli {
namespace {

// The known name nearest to word, when it is near enough to be what was
// meant: at most one edit in three letters.
std::optional<std::string> Nearest(const std::string& word, const std::vector<std::string>& known) {
  std::optional<std::string> best;
  std::size_t best_distance = 0;
  for (const std::string& name : known) {
    const std::size_t distance = TypingDistance(word, name);
    if (!best || distance < best_distance) {
      best = name;
      best_distance = distance;
    }
  }
  const std::size_t letters = word.size() - std::min(word.find_first_not_of('-'), word.size());
  if (!best || 3 * best_distance > letters + 1) return std::nullopt;
  return best;
}

std::string Suggestion(const std::string& word, const std::vector<std::string>& known,
                       const std::string& help) {
  if (const auto nearest = Nearest(word, known)) return ": did you mean \"" + *nearest + "\"?";
  return " (see " + help + ")";
}

// "tarvo-cli module", as a user types it.
std::string PathOf(const CLI::App& command) {
  std::string path = command.get_name();
  for (const CLI::App* parent = command.get_parent(); parent != nullptr;
       parent = parent->get_parent()) {
    path = parent->get_name() + " " + path;
  }
  return path;
}

std::vector<const CLI::App*> NamedCommands(const CLI::App& command) {
  return command.get_subcommands([](const CLI::App* sub) { return !sub->get_name().empty(); });
}

// The commands --help lists (hidden ones have no group).
std::vector<std::string> ListedCommands(const CLI::App& command) {
  std::vector<std::string> names;
  for (const CLI::App* sub : NamedCommands(command)) {
    if (!sub->get_group().empty()) names.push_back(sub->get_name());
  }
  return names;
}

const CLI::App* ListedCommand(const CLI::App& command, const std::string& word) {
  for (const CLI::App* sub : NamedCommands(command)) {
    if (!sub->get_group().empty() && sub->check_name(word)) return sub;
  }
  return nullptr;
}

// The command's long options, those of its option groups too.
std::vector<std::string> LongOptions(const CLI::App& command) {
  std::vector<std::string> names;
  for (const CLI::Option* option : command.get_options()) {
    for (const std::string& name : option->get_lnames()) names.push_back("--" + name);
  }
  for (const CLI::App* group :
       command.get_subcommands([](const CLI::App* sub) { return sub->get_name().empty(); })) {
    for (std::string& name : LongOptions(*group)) names.push_back(std::move(name));
  }
  return names;
}

// Whether the command, or one above it, takes the option.
bool Takes(const CLI::App& command, const std::string& name) {
  for (const CLI::App* at = &command; at != nullptr; at = at->get_parent()) {
    const std::vector<std::string> names = LongOptions(*at);
    if (std::find(names.begin(), names.end(), name) != names.end()) return true;
  }
  return false;
}

}  // namespace

std::size_t TypingDistance(const std::string& a, const std::string& b) {
  // Optimal string alignment: the rows of the last two prefixes of a.
  std::vector<std::size_t> before(b.size() + 1), last(b.size() + 1), row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) last[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
      row[j] = std::min({last[j] + 1, row[j - 1] + 1, last[j - 1] + cost});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
        row[j] = std::min(row[j], before[j - 2] + 1);
      }
    }
    before = last;
    last = row;
  }
  return last[b.size()];
}

std::optional<std::string> UnknownWordText(const CLI::App& app,
                                           const std::vector<std::string>& args,
                                           const std::vector<RetiredCommand>& retired) {
  const CLI::App* command = &app;
  const std::string help = app.get_name() + " --help";
  for (const std::string& arg : args) {
    if (arg == "--") break;
    if (arg.starts_with("--")) {
      const std::string name = arg.substr(0, arg.find('='));
      if (!Takes(*command, name)) {
        return PathOf(*command) + ": unknown option \"" + name + "\"" +
               Suggestion(name, LongOptions(*command), PathOf(*command) + " --help");
      }
      continue;
    }
    // Short options and the values of options: the parser's business.
    if (arg.starts_with("-")) continue;
    // A word where a command is due: only before one was chosen at this level.
    if (NamedCommands(*command).empty()) continue;
    if (const CLI::App* sub = ListedCommand(*command, arg)) {
      command = sub;
      continue;
    }
    if (command == &app) {
      for (const RetiredCommand& old : retired) {
        if (old.name == arg) {
          return "\"" + arg + "\" is no longer a command: it is now \"" + app.get_name() + " " +
                 old.replacement + "\"";
        }
      }
    }
    return PathOf(*command) + ": unknown command \"" + arg + "\"" +
           Suggestion(arg, ListedCommands(*command), PathOf(*command) + " --help");
  }
  return std::nullopt;
}

}  // namespace cli
