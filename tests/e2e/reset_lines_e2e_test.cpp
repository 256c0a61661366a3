// The adapter's lines around a synchronisation with the simulated part, as
// the serial unit drives them: the part is reset with its ISP pin active,
// given its time, synchronised, and only then is the pin released. Runs in
// this process: the line changes are recorded by the serial backend double
// (a pseudo-terminal has no modem lines of its own).
#include <gtest/gtest.h>

#include "cli/boot_session.h"
#include "comm/comm.h"
#include "isp/verified/part_connection.h"
#include "isp/wire/isp_link.h"
#include "tests/support/process.h"
#include "tests/support/recording_serial.h"

namespace {

using comm::ModemLine;
using testing_support::SerialEvent;

class QuietEvents : public isp::ProgrammerEvents {
 public:
  void PhaseBegun(isp::Phase) override {}
  void Synchronised(bool) override {}
  void Identified(const isp::PartInfo&) override {}
  void Erased(const std::vector<isp::SectorSpan>&) override {}
  void BytesWritten(std::uint32_t, std::uint32_t) override {}
  void Written(std::uint32_t) override {}
  void Verified(const isp::Verification&) override {}
  void Restarted() override {}
  void Warned(const isp::Warning&) override {}
  void BytesRead(std::uint32_t, std::uint32_t) override {}
};

TEST(ResetLinesE2eTest, PartIsResetIntoItsBootLoaderThenSynchronisedThenReleased) {
  testing_support::SimProcess sim({ISP_SIM_PATH, "--once", "--echo", "exact"});
  auto log = std::make_shared<testing_support::SerialEventLog>();
  comm::Comm comm(testing_support::RecordingSerialFactory(log));
  ASSERT_EQ(comm.CommOpen(sim.Path().c_str(), 115200), 1);
  log->Clear();
  // RTS drives RESET, DTR the ISP pin, both active when asserted.
  const auto lines = cli::MakeResetLines(comm, "rts-reset-dtr-isp");
  ASSERT_TRUE(lines);
  isp::CommLink link(comm);
  isp::BootClient client(link, 115200);
  QuietEvents events;
  const auto failure = isp::ConnectToPart(client, events, {12000, true, lines.get()});
  ASSERT_FALSE(failure) << failure->result.Name();
  comm.CommClose();

  // The sequence, a run of writes as one: no "!" to the firmware first.
  const std::vector<std::string> expected = {"DTR on",  "RTS on", "RTS off", "write",
                                             "DTR off", "drain",  "DTR off", "close"};
  EXPECT_EQ(log->Sequence(), expected);
  const std::vector<SerialEvent> events_seen = log->Events();
  ASSERT_GE(events_seen.size(), 5u);
  const std::uint32_t reset_on = events_seen[1].at_ms;
  const std::uint32_t reset_off = events_seen[2].at_ms;
  const std::uint32_t first_write = events_seen[3].at_ms;
  EXPECT_GE(reset_off - reset_on, 100u);
  EXPECT_LT(reset_off - reset_on, 400u);
  EXPECT_GE(first_write - reset_off, 100u);
  EXPECT_LT(first_write - reset_off, 400u);
  // The ISP pin is released after the last write of the synchronisation:
  // the echo-off that the part answered.
  std::uint32_t last_write = 0;
  std::size_t release = 0;
  for (std::size_t i = 0; i < events_seen.size(); ++i) {
    if (events_seen[i].kind == SerialEvent::Kind::kWrite) last_write = events_seen[i].at_ms;
    if (i > 0 && events_seen[i].kind == SerialEvent::Kind::kLine && release == 0 &&
        events_seen[i].line == ModemLine::kDtr && !events_seen[i].on)
      release = i;
  }
  ASSERT_GT(release, 3u);
  EXPECT_EQ(events_seen[release - 1].kind, SerialEvent::Kind::kWrite);
  EXPECT_LE(last_write, events_seen[release].at_ms);
}

}  // namespace
