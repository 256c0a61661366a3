#include "tests/support/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace testing_support {
namespace {

std::vector<char*> Argv(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  return argv;
}

pid_t Spawn(const std::vector<std::string>& args, const std::string& cwd, int out_fd, int err_fd) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out_fd, STDOUT_FILENO);
  if (err_fd >= 0) posix_spawn_file_actions_adddup2(&actions, err_fd, STDERR_FILENO);
  if (!cwd.empty()) posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
  pid_t pid = -1;
  std::vector<char*> argv = Argv(args);
  const int failed = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) throw std::runtime_error("cannot start " + args[0]);
  return pid;
}

int ExitStatus(int status) {
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Runs the program to its end; signaller, if given, runs beside it with the
// child's pid, and the program gets SIGINT once its output holds
// interrupt_on_output (when not empty).
ProcessResult RunWith(const std::vector<std::string>& argv, const std::string& cwd,
                      const std::function<void(pid_t)>& signaller,
                      const std::string& interrupt_on_output = "") {
  int out[2];
  int err[2];
  if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
  const pid_t pid = Spawn(argv, cwd, out[1], err[1]);
  close(out[1]);
  close(err[1]);
  std::thread interrupter;
  if (signaller) interrupter = std::thread([pid, &signaller] { signaller(pid); });
  ProcessResult result;
  bool interrupted = false;
  pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  std::string* sinks[2] = {&result.out, &result.err};
  int open_count = 2;
  char buffer[4096];
  while (open_count > 0) {
    poll(fds, 2, -1);
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      const ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
      if (got > 0) {
        sinks[i]->append(buffer, static_cast<std::size_t>(got));
        if (!interrupted && !interrupt_on_output.empty() &&
            result.out.find(interrupt_on_output) != std::string::npos) {
          kill(pid, SIGINT);
          interrupted = true;
        }
      } else {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open_count;
      }
    }
  }
  if (interrupter.joinable()) interrupter.join();
  int status = 0;
  waitpid(pid, &status, 0);
  result.exit_status = ExitStatus(status);
  return result;
}

}  // namespace

ProcessResult RunProcess(const std::vector<std::string>& argv, const std::string& cwd,
                         int interrupt_after_ms) {
  if (interrupt_after_ms < 0) return RunWith(argv, cwd, {});
  return RunWith(argv, cwd, [interrupt_after_ms](pid_t pid) {
    std::this_thread::sleep_for(std::chrono::milliseconds(interrupt_after_ms));
    kill(pid, SIGINT);
  });
}

ProcessResult RunProcessSignalledWhen(const std::vector<std::string>& argv, const std::string& cwd,
                                      int signal_number, std::function<bool()> ready) {
  return RunWith(argv, cwd, [signal_number, &ready](pid_t pid) {
    while (!ready()) {
      // A child that ends first gets no signal; it is only looked at here
      // (WNOWAIT), the caller reaps it.
      siginfo_t ended{};
      if (waitid(P_PID, static_cast<id_t>(pid), &ended, WEXITED | WNOHANG | WNOWAIT) != 0 ||
          ended.si_pid == pid) {
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    kill(pid, signal_number);
  });
}

ProcessResult RunProcessInterruptedOn(const std::vector<std::string>& argv, const std::string& cwd,
                                      const std::string& interrupt_on_output) {
  return RunWith(argv, cwd, {}, interrupt_on_output);
}

SimProcess::SimProcess(const std::vector<std::string>& args) {
  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
  pid_ = Spawn(args, "", out[1], -1);
  // A real part echoes a line within microseconds, and the window's dialogue
  // gives the echo 200 ms: on a loaded machine a simulator that waits behind
  // compilers and other tests for its turn can miss that, and the run fails
  // for the machine's sake. Its own work is small, so it goes first where the
  // system lets a test raise a priority; where it does not, it runs as it is.
  setpriority(PRIO_PROCESS, static_cast<id_t>(pid_), -10);
  close(out[1]);
  out_fd_ = out[0];
  char c = 0;
  while (read(out_fd_, &c, 1) == 1 && c != '\n') path_.push_back(c);
  if (path_.empty()) throw std::runtime_error("the simulator printed no path");
}

SimProcess::~SimProcess() {
  if (pid_ > 0) Stop();
  if (out_fd_ >= 0) close(out_fd_);
}

int SimProcess::Stop() {
  if (pid_ <= 0) return -1;
  kill(pid_, SIGTERM);
  int status = 0;
  waitpid(pid_, &status, 0);
  pid_ = -1;
  return ExitStatus(status);
}

void SimProcess::Signal(int number) const {
  // Once the simulator has ended pid_ is -1, and kill(-1) would signal
  // every process the test may signal.
  if (pid_ > 0) kill(pid_, number);
}

std::optional<int> SimProcess::WaitExit(std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      return ExitStatus(status);
    }
    if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

}  // namespace testing_support
