// The reset and ISP pin sequences of each wiring, first as the pins see them,
// then as the serial unit drives the adapter's lines, with their times.
#include "isp/verified/reset_lines.h"

#include <gtest/gtest.h>

#include "cli/boot_session.h"
#include "comm/comm.h"
#include "tests/support/recording_serial.h"

namespace {

using comm::ModemLine;
using testing_support::SerialEvent;

struct WiringCase {
  const char* name;
  ModemLine reset;
  ModemLine isp;
  bool active_on;  // the line state that makes a pin active
};

const WiringCase kWirings[] = {
    {"dtr-reset-rts-isp", ModemLine::kDtr, ModemLine::kRts, true},
    {"rts-reset-dtr-isp", ModemLine::kRts, ModemLine::kDtr, true},
    {"dtr-reset-rts-isp-inverted", ModemLine::kDtr, ModemLine::kRts, false},
    {"rts-reset-dtr-isp-inverted", ModemLine::kRts, ModemLine::kDtr, false},
};

class WiringTest : public ::testing::TestWithParam<WiringCase> {};

// What the pins do, read back through the wiring: "ISP active",
// "RESET inactive", "wait 100".
TEST_P(WiringTest, PinsFollowTheBootAndStartSequences) {
  const WiringCase& c = GetParam();
  const std::optional<isp::LineWiring> wiring = isp::FindWiring(c.name);
  ASSERT_TRUE(wiring);
  std::vector<std::string> pins;
  isp::ResetLines lines(
      *wiring,
      [&](ModemLine line, bool on) {
        const char* pin = line == c.reset ? "RESET" : line == c.isp ? "ISP" : "?";
        pins.push_back(std::string(pin) + (on == c.active_on ? " active" : " inactive"));
        return true;
      },
      [&](std::uint32_t ms) { pins.push_back("wait " + std::to_string(ms)); });

  lines.EnterBootLoader();
  EXPECT_EQ(pins, (std::vector<std::string>{"ISP active", "RESET active", "wait 100",
                                            "RESET inactive", "wait 100"}));
  pins.clear();
  lines.ReleaseIsp();
  EXPECT_EQ(pins, std::vector<std::string>{"ISP inactive"});
  pins.clear();
  lines.StartFirmware();
  EXPECT_EQ(pins, (std::vector<std::string>{"ISP inactive", "RESET active", "wait 100",
                                            "RESET inactive", "wait 100"}));
}

// A device that takes everything: the log records what the serial unit asked.
class NullSerial : public comm::SerialBackend {
 public:
  bool Open(const char*, comm::OpenError&) override { return true; }
  bool Configure(int) override { return true; }
  bool SetModemLine(ModemLine, bool) override { return true; }
  int Read(std::uint8_t*, int, int) override { return 0; }
  int Write(const std::uint8_t*, int count, int) override { return count; }
  void Drain(int) override {}
  void Close() override {}
};

// The line changes of the serial unit, after its open, with their times.
std::vector<SerialEvent> LineChanges(const testing_support::SerialEventLog& log) {
  std::vector<SerialEvent> changes;
  for (const SerialEvent& event : log.Events())
    if (event.kind == SerialEvent::Kind::kLine) changes.push_back(event);
  return changes;
}

TEST_P(WiringTest, SerialUnitDrivesTheLinesInOrderAndOnTime) {
  const WiringCase& c = GetParam();
  auto log = std::make_shared<testing_support::SerialEventLog>();
  comm::Comm comm(
      testing_support::RecordingSerialFactory(log, [] { return std::make_unique<NullSerial>(); }));
  ASSERT_EQ(comm.CommOpen("adapter", 115200), 1);
  log->Clear();  // the open's own DTR and RTS settings are not the sequence's
  const std::unique_ptr<isp::ResetLines> lines = cli::MakeResetLines(comm, c.name);
  ASSERT_TRUE(lines);
  lines->EnterBootLoader();
  const std::uint32_t booted = log->NowMs();
  lines->ReleaseIsp();
  lines->StartFirmware();
  const std::uint32_t started = log->NowMs();

  const std::vector<SerialEvent> changes = LineChanges(*log);
  ASSERT_EQ(changes.size(), 7u);
  const struct {
    ModemLine line;
    bool active;
  } expected[] = {{c.isp, true},  {c.reset, true}, {c.reset, false}, {c.isp, false},
                  {c.isp, false}, {c.reset, true}, {c.reset, false}};
  for (std::size_t i = 0; i < changes.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(changes[i].line, expected[i].line);
    EXPECT_EQ(changes[i].on, expected[i].active == c.active_on);
  }
  // RESET is held for its 100 ms each time, and the boot loader gets its
  // 100 ms before anything else happens; the upper bounds leave room for a
  // loaded machine.
  for (const std::size_t pulse : {std::size_t{1}, std::size_t{5}}) {
    const std::uint32_t held = changes[pulse + 1].at_ms - changes[pulse].at_ms;
    EXPECT_GE(held, 100u);
    EXPECT_LT(held, 400u);
  }
  EXPECT_GE(booted - changes[2].at_ms, 100u);
  EXPECT_GE(changes[3].at_ms, booted);
  EXPECT_GE(started - changes[6].at_ms, 100u);
  EXPECT_LT(started - changes[0].at_ms, 1500u);
}

INSTANTIATE_TEST_SUITE_P(Wirings, WiringTest, ::testing::ValuesIn(kWirings),
                         [](const ::testing::TestParamInfo<WiringCase>& param_info) {
                           std::string name = param_info.param.name;
                           for (char& ch : name)
                             if (ch == '-') ch = '_';
                           return name;
                         });

TEST(WiringRefusedTest, LineThatTheDeviceRefusesIsNoted) {
  int calls = 0;
  isp::ResetLines lines(
      *isp::FindWiring("dtr-reset-rts-isp"), [&](ModemLine, bool) { return ++calls != 2; },
      [](std::uint32_t) {});
  lines.ReleaseIsp();
  EXPECT_FALSE(lines.Refused());
  lines.ReleaseIsp();
  EXPECT_TRUE(lines.Refused());
  lines.ReleaseIsp();
  EXPECT_TRUE(lines.Refused());  // once refused, the sequence is not to be trusted
}

TEST(WiringNameTest, OnlyTheFourWiringsAreKnown) {
  for (const char* name : {"", "dtr-reset", "DTR-RESET-RTS-ISP", "dtr-reset-rts-isp-", "rts-isp"})
    EXPECT_FALSE(isp::FindWiring(name)) << name;
  EXPECT_EQ(isp::KnownWirings().size(), 4u);
  comm::Comm comm;
  EXPECT_EQ(cli::MakeResetLines(comm, ""), nullptr);  // no option: the lines stay as they are
}

}  // namespace
