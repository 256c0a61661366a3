#include "tests/support/pty_peer.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <stdexcept>
#include <vector>

namespace testing_support {
namespace {

std::uint64_t NowMs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::uint64_t>(now.tv_sec) * 1000u +
         static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
}

void WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t put = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (put <= 0) return;
    done += static_cast<std::size_t>(put);
  }
}

}  // namespace

PtyPeer::PtyPeer() {
  master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
    throw std::runtime_error("no pseudo-terminal");
  }
  path_ = ptsname(master_);
  // Raw slave side, so the line discipline passes every byte unchanged.
  const int slave = ::open(path_.c_str(), O_RDWR | O_NOCTTY);
  termios tio{};
  tcgetattr(slave, &tio);
  cfmakeraw(&tio);
  tcsetattr(slave, TCSANOW, &tio);
  ::close(slave);
  thread_ = std::thread([this] { Run(); });
}

PtyPeer::~PtyPeer() {
  stop_ = true;
  thread_.join();
  if (master_ >= 0) ::close(master_);
}

void PtyPeer::HangUp() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  hang_up_ = true;
}

void PtyPeer::SetResponder(Responder responder) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  responder_ = std::move(responder);
}

void PtyPeer::Send(const std::string& bytes) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (!hang_up_) WriteAll(master_, bytes);
}

void PtyPeer::SendAfter(int delay_ms, const std::string& bytes) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  delayed_.push_back({NowMs() + static_cast<std::uint64_t>(delay_ms), bytes});
}

std::string PtyPeer::Received() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return received_;
}

void PtyPeer::ClearReceived() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  received_.clear();
}

bool PtyPeer::WaitReceived(std::size_t count, int timeout_ms) const {
  std::unique_lock<std::recursive_mutex> lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                           [&] { return received_.size() >= count; });
}

void PtyPeer::Run() {
  char buffer[4096];
  while (!stop_) {
    {
      std::lock_guard<std::recursive_mutex> lock(mutex_);
      if (hang_up_) {
        if (master_ >= 0) ::close(master_);
        master_ = -1;
        delayed_.clear();
      }
    }
    if (master_ < 0) {
      usleep(2000);
      continue;
    }
    {
      std::lock_guard<std::recursive_mutex> lock(mutex_);
      const std::uint64_t now = NowMs();
      for (auto it = delayed_.begin(); it != delayed_.end();) {
        if (it->due_ms <= now) {
          WriteAll(master_, it->bytes);
          it = delayed_.erase(it);
        } else {
          ++it;
        }
      }
    }
    pollfd waiting{master_, POLLIN, 0};
    if (poll(&waiting, 1, 2) <= 0) continue;
    const ssize_t got = ::read(master_, buffer, sizeof buffer);
    if (got <= 0) {
      usleep(2000);  // no host on the line yet, or it hung up
      continue;
    }
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    received_.append(buffer, static_cast<std::size_t>(got));
    pending_.append(buffer, static_cast<std::size_t>(got));
    Tokenize();
    changed_.notify_all();
  }
}

void PtyPeer::Tokenize() {
  while (!pending_.empty()) {
    std::string token;
    if (pending_ == "?") {
      token = "?";
      pending_.clear();
    } else {
      const std::size_t end = pending_.find_first_of("\r\n");
      if (end == std::string::npos) return;
      token = pending_.substr(0, end);
      // CR LF ends one line; CR CR is a line and an empty line.
      const std::size_t drop = pending_.compare(end, 2, "\r\n") == 0 ? 2 : 1;
      pending_.erase(0, end + drop);
    }
    if (!responder_) continue;
    const std::string answer = responder_(token);
    if (hang_up_) return;
    WriteAll(master_, answer);
  }
}

}  // namespace testing_support
