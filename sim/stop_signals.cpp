#include "stop_signals.hpp"

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace isp_sim {
namespace {

sigset_t stop_set() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGINT);
  return set;
}

}  // namespace

StopSignals::StopSignals() {
  const sigset_t set = stop_set();
  if (sigprocmask(SIG_BLOCK, &set, nullptr) != 0) {
    throw std::system_error(errno, std::generic_category(), "sigprocmask");
  }
  fd_ = signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
  if (fd_ < 0) throw std::system_error(errno, std::generic_category(), "signalfd");
}

StopSignals::~StopSignals() {
  ::close(fd_);
  const sigset_t set = stop_set();
  sigprocmask(SIG_UNBLOCK, &set, nullptr);
}

bool StopSignals::take() {
  signalfd_siginfo info;
  bool received = false;
  while (::read(fd_, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) received = true;
  return received;
}

}  // namespace isp_sim
