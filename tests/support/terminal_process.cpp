#include "tests/support/terminal_process.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>

extern char** environ;

namespace testing_support {
namespace {

std::vector<std::string> Environment(const std::vector<std::string>& changes) {
  std::vector<std::string> entries;
  for (char** entry = environ; *entry != nullptr; ++entry) entries.emplace_back(*entry);
  for (const std::string& change : changes) {
    const bool remove = change.starts_with("-");
    const std::string name = remove ? change.substr(1) : change.substr(0, change.find('='));
    std::erase_if(entries, [&name](const std::string& e) { return e.starts_with(name + "="); });
    if (!remove) entries.push_back(change);
  }
  return entries;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (std::string& text : texts) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

void SetColumns(int fd, int columns) {
  winsize size{};
  size.ws_row = 24;
  size.ws_col = static_cast<unsigned short>(columns);
  ioctl(fd, TIOCSWINSZ, &size);
}

}  // namespace

TerminalResult RunOnTerminal(const std::vector<std::string>& argv, const std::string& cwd,
                             int columns, const std::vector<std::string>& environment,
                             const std::string& resize_on, int resize_to) {
  int master = -1;
  int slave = -1;
  if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) throw std::runtime_error("openpty");
  SetColumns(master, columns);
  // No echo and no CR before each LF: the screen holds the bytes as written.
  termios modes{};
  tcgetattr(slave, &modes);
  cfmakeraw(&modes);
  tcsetattr(slave, TCSANOW, &modes);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, slave, STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, slave, STDERR_FILENO);
  posix_spawn_file_actions_addclose(&actions, master);
  if (!cwd.empty()) posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
  std::vector<std::string> args = argv;
  std::vector<std::string> env = Environment(environment);
  std::vector<char*> arg_pointers = Pointers(args);
  std::vector<char*> env_pointers = Pointers(env);
  pid_t pid = -1;
  const int failed = posix_spawn(&pid, arg_pointers[0], &actions, nullptr, arg_pointers.data(),
                                 env_pointers.data());
  posix_spawn_file_actions_destroy(&actions);
  close(slave);
  if (failed != 0) {
    close(master);
    throw std::runtime_error("cannot start " + argv[0]);
  }

  TerminalResult result;
  bool resized = false;
  char buffer[4096];
  for (;;) {
    // The master reads EIO once the program and every copy of the slave
    // are gone.
    const ssize_t got = read(master, buffer, sizeof buffer);
    if (got <= 0) break;
    result.screen.append(buffer, static_cast<std::size_t>(got));
    if (!resized && !resize_on.empty() && result.screen.find(resize_on) != std::string::npos) {
      SetColumns(master, resize_to);
      resized = true;
    }
  }
  close(master);
  int status = 0;
  waitpid(pid, &status, 0);
  result.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}

namespace {

std::vector<std::string> Segments(const std::string& screen, bool redrawn_only) {
  std::vector<std::string> segments(1);
  for (std::size_t i = 0; i < screen.size(); ++i) {
    const char c = screen[i];
    if (c == '\033' && i + 1 < screen.size() && screen[i + 1] == '[') {
      // CSI: parameters up to the final byte (a letter).
      i += 2;
      while (i < screen.size() && !(screen[i] >= '@' && screen[i] <= '~')) ++i;
      continue;
    }
    if (c == '\r' || c == '\n') {
      if (redrawn_only && c == '\n') segments.back().clear();
      segments.emplace_back();
      continue;
    }
    segments.back().push_back(c);
  }
  if (redrawn_only) segments.back().clear();  // not ended at all
  std::erase_if(segments, [](const std::string& s) { return s.empty(); });
  return segments;
}

}  // namespace

std::vector<std::string> ScreenSegments(const std::string& screen) {
  return Segments(screen, false);
}

std::vector<std::string> RedrawnSegments(const std::string& screen) {
  return Segments(screen, true);
}

}  // namespace testing_support
