#include "comm/port_users.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "tests/support/hex_writer.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using comm::PortUser;

// A pseudo-terminal of the test's own, so that the device exists.
class Pty {
 public:
  Pty() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    grantpt(master_);
    unlockpt(master_);
    slave_ = ptsname(master_);
  }
  ~Pty() { CloseMaster(); }
  void CloseMaster() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
  }
  const std::string& Slave() const { return slave_; }
  int Index() const { return std::stoi(slave_.substr(slave_.rfind('/') + 1)); }

 private:
  int master_ = -1;
  std::string slave_;
};

// A /proc of made-up processes: descriptors are symbolic links to real
// devices, as in the real one.
class FakeProc {
 public:
  explicit FakeProc(const fs::path& root) : root_(root) {}
  void Process(const std::string& pid, const std::string& comm) {
    fs::create_directories(root_ / pid / "fd");
    fs::create_directories(root_ / pid / "fdinfo");
    testing_support::WriteTextFile((root_ / pid / "comm").string(), comm + "\n");
  }
  void Descriptor(const std::string& pid, int fd, const std::string& target,
                  const std::string& fdinfo = "pos:\t0\nflags:\t02\n") {
    fs::create_symlink(target, root_ / pid / "fd" / std::to_string(fd));
    testing_support::WriteTextFile((root_ / pid / "fdinfo" / std::to_string(fd)).string(), fdinfo);
  }

 private:
  fs::path root_;
};

TEST(PortUsersTest, OtherHoldersAreNamedButTheLinesPeerIsNot) {
  testing_support::ScopedTempDir dir;
  Pty pty;
  Pty other_pty;
  FakeProc proc(dir.Path());
  const std::string tty_index = "tty-index:\t" + std::to_string(pty.Index()) + "\n";
  const std::string other_index = "tty-index:\t" + std::to_string(other_pty.Index()) + "\n";

  proc.Process("120", "minicom");  // holds the slave
  proc.Descriptor("120", 0, "/dev/null");
  proc.Descriptor("120", 3, pty.Slave());
  proc.Process("40", "isp-sim");  // the master of this pty and a slave descriptor of its own
  proc.Descriptor("40", 3, "/dev/ptmx", "pos:\t0\n" + tty_index);
  proc.Descriptor("40", 4, pty.Slave());
  proc.Process("77", "ModemManager");  // master of another pty: no peer of this line
  proc.Descriptor("77", 5, "/dev/ptmx", other_index);
  proc.Descriptor("77", 6, pty.Slave());
  proc.Process("300", "bash");  // holds something else
  proc.Descriptor("300", 0, other_pty.Slave());
  proc.Process(std::to_string(getpid()), "me");  // this process is left out
  proc.Descriptor(std::to_string(getpid()), 9, pty.Slave());
  fs::create_directories(dir.Path() / "self" / "fd");  // not a process number

  EXPECT_EQ(comm::FindPortUsers(pty.Slave(), dir.Path().string()),
            (std::vector<PortUser>{{77, "ModemManager"}, {120, "minicom"}}));
  EXPECT_EQ(comm::FindPortUsers(other_pty.Slave(), dir.Path().string()),
            (std::vector<PortUser>{{300, "bash"}}));
  EXPECT_EQ(comm::FindPortUsers("/dev/null", dir.Path().string()),
            (std::vector<PortUser>{{120, "minicom"}}));
  // Not a device: nobody to name.
  EXPECT_TRUE(comm::FindPortUsers(dir.File("120/comm"), dir.Path().string()).empty());
  EXPECT_TRUE(comm::FindPortUsers(dir.File("missing"), dir.Path().string()).empty());
}

TEST(PortUsersTest, RealProcessesAreFoundThroughProc) {
  Pty pty;
  int ready[2];
  int go[2];
  ASSERT_EQ(pipe(ready), 0);
  ASSERT_EQ(pipe(go), 0);
  const pid_t child = fork();
  if (child == 0) {
    // Holds the slave open without any lock (and not the master), until it
    // is told to go.
    pty.CloseMaster();
    const int held = ::open(pty.Slave().c_str(), O_RDWR | O_NOCTTY);
    char byte = 0;
    if (held >= 0 && write(ready[1], "r", 1) == 1 && read(go[0], &byte, 1) == 1) _exit(0);
    _exit(1);
  }
  char byte = 0;
  ASSERT_EQ(read(ready[0], &byte, 1), 1);
  const auto users = comm::FindPortUsers(pty.Slave());
  EXPECT_EQ(write(go[1], "g", 1), 1);
  int status = 0;
  waitpid(child, &status, 0);
  for (int fd : {ready[0], ready[1], go[0], go[1]}) close(fd);
  ASSERT_EQ(users.size(), 1u);
  EXPECT_EQ(users[0].pid, child);
  EXPECT_FALSE(users[0].command.empty());
}

}  // namespace
