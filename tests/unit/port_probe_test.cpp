#include "comm/port_probe.h"

#include <gtest/gtest.h>
#include <termios.h>

#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "comm/comm.h"
#include "tests/support/pty_peer.h"

namespace {

using testing_support::PtyPeer;

constexpr int kBaud = 115200;

TEST(ProbePortTest, PortThatOpensIsClosedAgain) {
  PtyPeer peer;
  comm::Comm comm;
  EXPECT_TRUE(comm::ProbePort(comm, peer.Path(), kBaud));
  EXPECT_FALSE(comm.IsOpen());
  comm::Comm next_user;
  EXPECT_EQ(next_user.CommOpen(peer.Path().c_str(), kBaud), 1);
}

struct UnopenablePort {
  const char* name;
  std::function<std::string(PtyPeer& peer, comm::Comm& other)> port_name;
};

void PrintTo(const UnopenablePort& port, std::ostream* out) {
  *out << port.name;
}

const UnopenablePort kUnopenablePorts[] = {
    {"MissingDevicePath", [](PtyPeer&, comm::Comm&) { return "/dev/tarvo-no-such-port"; }},
    {"MissingPortName", [](PtyPeer&, comm::Comm&) { return "tarvo-no-such-port"; }},
    {"HeldByAnotherOpener",
     [](PtyPeer& peer, comm::Comm& other) {
       EXPECT_EQ(other.CommOpen(peer.Path().c_str(), kBaud), 1);
       return peer.Path();
     }},
};

class UnopenablePortTest : public ::testing::TestWithParam<UnopenablePort> {};

TEST_P(UnopenablePortTest, IsNotListed) {
  PtyPeer peer;
  comm::Comm other;
  const std::string port_name = GetParam().port_name(peer, other);
  comm::Comm comm;
  EXPECT_FALSE(comm::ProbePort(comm, port_name, kBaud));
  EXPECT_FALSE(comm.IsOpen());
}

INSTANTIATE_TEST_SUITE_P(Ports, UnopenablePortTest, ::testing::ValuesIn(kUnopenablePorts),
                         [](const ::testing::TestParamInfo<UnopenablePort>& param) {
                           return std::string(param.param.name);
                         });

// A refresh nested inside a programming run probes through the unit that
// holds the run's port: no port opens, and the run's port stays as it was.
TEST(ProbePortTest, WhileTheUnitHoldsAPortNoneOpensAndTheHeldOneKeepsWorking) {
  PtyPeer held;
  PtyPeer free_port;
  comm::Comm comm;
  ASSERT_EQ(comm.CommOpen(held.Path().c_str(), kBaud), 1);

  EXPECT_FALSE(comm::ProbePort(comm, free_port.Path(), 9600));
  EXPECT_FALSE(comm::ProbePort(comm, held.Path(), 9600));

  ASSERT_TRUE(comm.IsOpen());
  termios line{};
  ASSERT_EQ(tcgetattr(held.MasterFd(), &line), 0);
  EXPECT_EQ(cfgetospeed(&line), static_cast<speed_t>(B115200));
  held.Send("K");
  char byte[2] = {};
  EXPECT_EQ(comm.CommReadCount(byte, 1, 1000), 1);
  EXPECT_EQ(byte[0], 'K');
  comm::Comm other;
  EXPECT_EQ(other.CommOpen(free_port.Path().c_str(), kBaud), 1);
}

}  // namespace
