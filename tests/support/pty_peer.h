#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace testing_support {

// The far end of a pseudo-terminal, played by the test: the code under test
// opens Path() like a serial port. A background thread collects what the
// host sends and passes it, cut into tokens, to an optional responder.
// Tokens are the lines the host sends (split at CR or LF, without the line
// break; the empty text for an empty line) and a lone "?".
class PtyPeer {
 public:
  using Responder = std::function<std::string(const std::string& token)>;

  PtyPeer();
  ~PtyPeer();
  PtyPeer(const PtyPeer&) = delete;
  PtyPeer& operator=(const PtyPeer&) = delete;

  const std::string& Path() const { return path_; }
  int MasterFd() const { return master_; }
  void SetResponder(Responder responder);
  void Send(const std::string& bytes);
  // Sends the bytes after delay_ms, from the background thread.
  void SendAfter(int delay_ms, const std::string& bytes);
  std::string Received() const;
  void ClearReceived();
  // Waits until the host has sent at least count bytes in all.
  bool WaitReceived(std::size_t count, int timeout_ms) const;
  // Cuts the line: the master side closes, so the host sees a hang-up and
  // nothing more reaches it. May be called from the responder; what the
  // responder returns then is not sent.
  void HangUp();

 private:
  void Run();
  void Tokenize();

  int master_ = -1;
  std::string path_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> hang_up_{false};
  mutable std::recursive_mutex mutex_;
  mutable std::condition_variable_any changed_;
  std::string received_;
  std::string pending_;
  Responder responder_;
  struct Delayed {
    std::uint64_t due_ms;
    std::string bytes;
  };
  std::vector<Delayed> delayed_;
};

}  // namespace testing_support
