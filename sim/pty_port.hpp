#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace isp_sim {

// The simulator's end of the serial link: a pty master whose slave the host opens.
//
// The port keeps one descriptor of its own on the slave ("keeper"). It never reads or writes
// through it and never locks it, so the host can still open the slave, set TIOCEXCL and flock
// its descriptor. The keeper serves three purposes: the master never sees the hang-up state
// while no host has the slave open (that state makes poll() report POLLHUP without end); after
// the host closes, it clears the exclusive-use flag the host left on the slave, which would
// otherwise make every later open fail with EBUSY for a non-root host; and it tells how many
// sent bytes the host has not read yet.
class PtyPort {
 public:
  PtyPort();  // throws std::system_error
  ~PtyPort() { close(); }
  PtyPort(const PtyPort&) = delete;
  PtyPort& operator=(const PtyPort&) = delete;

  const std::string& slave_path() const { return slave_path_; }
  int master_fd() const { return master_; }

  enum class ReadStatus { kOk, kFailed };
  // Appends everything the host has written so far.
  ReadStatus read_available(std::string& into);
  // Appends at most `limit` bytes of what the host has written.
  ReadStatus read_some(std::string& into, std::size_t limit);
  // Writes what the line takes without blocking; returns the count written.
  std::size_t write_some(std::string_view bytes);
  // Bytes sent towards the host that it has not read yet.
  std::size_t unread_by_host() const;
  // Bytes the host has written that have not been read here yet.
  std::size_t unread_from_host() const;
  // After the host closed the slave: clear the exclusive-use flag, drop stale bytes and put the
  // line back in raw mode for the next open.
  void reset_line_after_close();
  // Closing the master is a hang-up for the host.
  void close();

 private:
  void make_raw();

  int master_ = -1;
  int keeper_ = -1;
  std::string slave_path_;
};

}  // namespace isp_sim
