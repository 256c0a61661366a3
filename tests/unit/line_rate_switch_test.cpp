// The command line's switch to a faster line rate after identification, and
// its way back to the old rate, against a scripted boot loader.
#include "isp/verified/line_rate_switch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/unit/echo_off_client.h"
#include "tests/unit/scripted_link.h"

namespace {

using isp::LineRateRefusal;

// A line whose rate can be set (or not), remembering each rate asked for.
class RateLink : public unit::ScriptedLink {
 public:
  bool SetLineRate(unsigned baud) override {
    rates.push_back(baud);
    rate_times.push_back(NowMs());
    return takes_rates;
  }
  std::vector<unsigned> rates;
  std::vector<std::uint32_t> rate_times;  // the clock at each of them
  bool takes_rates = true;
};

class RateEvents : public isp::ProgrammerEvents {
 public:
  void PhaseBegun(isp::Phase) override {}
  void Synchronised(bool) override {}
  void Identified(const isp::PartInfo&) override {}
  void Erased(const std::vector<isp::SectorSpan>&) override {}
  void BytesWritten(std::uint32_t, std::uint32_t) override {}
  void Written(std::uint32_t) override {}
  void Verified(const isp::Verification&) override {}
  void Restarted() override {}
  void Warned(const isp::Warning& warning) override { warnings.push_back(warning); }
  void BytesRead(std::uint32_t, std::uint32_t) override {}
  void LineRateSet(unsigned baud) override { set.push_back(baud); }

  std::vector<isp::Warning> warnings;
  std::vector<unsigned> set;
};

constexpr const char* kIdAnswer = "0\r\n913309739\r\n";  // the LPC1227's J

class LineRateSwitchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    link.Expect("A 0\r\n", "A 0\r\n0\r\n");
    ASSERT_TRUE(client.SetEcho(false).Ok());
  }
  void TearDown() override {
    EXPECT_TRUE(link.unexpected.empty()) << isp::ShowBytes(link.unexpected.front());
    EXPECT_TRUE(link.ScriptDone());
  }
  std::optional<isp::Failure> Raise(unsigned baud, bool asked = true) {
    return isp::RaiseLineRate(client, events, part, {baud, asked, 12000});
  }
  // Back at 115200 the part is still synchronised: "?" and a line end get a
  // code, echo goes off again and J checks the link.
  void ExpectStillSynchronised() {
    link.Expect("?", "");
    link.Expect("\r\n", "1\r\n");
    link.Expect("A 0\r\n", "0\r\n");
    link.Expect("J\r\n", kIdAnswer);
  }
  // Raises to 230400, which falls back to 115200 within limit_ms.
  void ExpectFallBackWithin(std::uint32_t limit_ms) {
    const std::uint32_t began = link.NowMs();
    EXPECT_FALSE(Raise(230400));
    ExpectKept(LineRateRefusal::kNoAnswer);
    EXPECT_EQ(link.rates.back(), 115200u);
    EXPECT_LT(link.NowMs() - began, limit_ms);
  }
  void ExpectKept(LineRateRefusal why) {
    ASSERT_EQ(events.warnings.size(), 1u);
    EXPECT_EQ(events.warnings[0].kind, isp::WarningKind::kLineRateKept);
    EXPECT_EQ(events.warnings[0].line_rate, why);
    EXPECT_EQ(events.warnings[0].count, 230400u);
    EXPECT_EQ(events.warnings[0].kept_baud, 115200u);
    EXPECT_TRUE(events.set.empty());
    EXPECT_EQ(client.LineRate(), 115200u);
  }

  RateLink link;
  isp::BootClient client{link, 115200};
  RateEvents events;
  isp::PartInfo part = *isp::FindPart(0x3670002B);
};

TEST_F(LineRateSwitchTest, SwitchesAfterBAndConfirmsWithTheIdAtTheNewRate) {
  link.Expect("B 230400 1\r\n", "0\r\n");
  link.Expect("J\r\n", kIdAnswer);
  EXPECT_FALSE(Raise(230400));
  EXPECT_TRUE(events.warnings.empty());
  EXPECT_EQ(events.set, std::vector<unsigned>{230400});
  EXPECT_EQ(client.LineRate(), 230400u);
  // The port is tried (and put back) before B goes out, then set for good.
  EXPECT_EQ(link.rates, (std::vector<unsigned>{230400, 115200, 230400}));
}

TEST_F(LineRateSwitchTest, ThePortSwitchesOnlyOnceTheLineFeedOfTheAnswerHasCome) {
  // At a slow rate the LF of "0\r\n" is still on its way, at the old rate,
  // when the CR has come: a J sent at the new rate by then runs into it.
  const std::uint32_t sent_at = link.NowMs();
  link.ExpectInTwo("B 38400 1\r\n", "0\r", "\n", 5);
  link.Expect("J\r\n", kIdAnswer);
  EXPECT_FALSE(Raise(38400));
  EXPECT_EQ(events.set, std::vector<unsigned>{38400});
  ASSERT_EQ(link.rates.size(), 3u);
  EXPECT_GE(link.rate_times[2], sent_at + 5);
}

TEST_F(LineRateSwitchTest, ThePortIsTriedOnlyOnceTheLastAnswerHasEnded) {
  // The id's answer is taken at its CR; its LF is still on its way.
  link.ExpectInTwo("J\r\n", "0\r\n913309739\r", "\n", 5);
  const std::uint32_t asked_at = link.NowMs();
  std::uint32_t id = 0;
  ASSERT_TRUE(client.ReadPartId(id).Ok());
  link.Expect("B 230400 1\r\n", "0\r\n");
  link.Expect("J\r\n", kIdAnswer);
  EXPECT_FALSE(Raise(230400));
  ASSERT_FALSE(link.rate_times.empty());
  EXPECT_GE(link.rate_times[0], asked_at + 5);
  EXPECT_EQ(events.set, std::vector<unsigned>{230400});
}

TEST_F(LineRateSwitchTest, APartThatRefusesTheRateKeepsTheRunAtTheOldOne) {
  link.Expect("B 230400 1\r\n", "17\r\n");
  EXPECT_FALSE(Raise(230400));
  ExpectKept(LineRateRefusal::kPart);
  EXPECT_EQ(events.warnings[0].code, isp::ReturnCode::INVALID_BAUD_RATE);
  EXPECT_EQ(link.rates.back(), 115200u);
}

TEST_F(LineRateSwitchTest, NoAnswerAtTheNewRateFallsBackAndSynchronisesAgainInAFewSeconds) {
  link.Expect("B 230400 1\r\n", "0\r\n");
  link.Expect("J\r\n", "");  // the part stayed at the old rate: the line was garbage to it
  ExpectStillSynchronised();
  ExpectFallBackWithin(4000);
}

TEST_F(LineRateSwitchTest, APartThatSwitchedButWhoseAnswerWasLostIsPutBackAtTheOldRate) {
  link.Expect("B 230400 1\r\n", "0\r\n");
  link.Expect("J\r\n", "");  // its answer at the new rate went astray
  for (int i = 0; i < isp::BootClient::kSyncTries; ++i) {
    link.Expect("?", "");  // the "?"s at the old rate are garbage to it
    link.Expect("\r\n", "");
  }
  // At the new rate: a line end ends the garbage line, which it refuses.
  link.Expect("\r\n", "1\r\n");
  link.Expect("J\r\n", kIdAnswer);
  link.Expect("B 115200 1\r\n", "0\r\n");
  ExpectStillSynchronised();
  ExpectFallBackWithin(6000);
}

TEST_F(LineRateSwitchTest, APartLostForGoodAfterTheSwitchIsASynchroniseFailure) {
  link.Expect("B 230400 1\r\n", "0\r\n");
  link.Expect("J\r\n", "");
  for (int i = 0; i < isp::BootClient::kSyncTries; ++i) {
    link.Expect("?", "");
    link.Expect("\r\n", "");
  }
  link.Expect("\r\n", "");
  link.Expect("J\r\n", "");  // nor at the new rate: the part is gone
  const std::uint32_t began = link.NowMs();
  const auto failure = Raise(230400);
  ASSERT_TRUE(failure);
  EXPECT_EQ(failure->phase, isp::Phase::kSynchronise);
  EXPECT_EQ(failure->result.kind, isp::ResultKind::kTimeOut);
  EXPECT_LT(link.NowMs() - began, 6000u);
  EXPECT_EQ(link.rates.back(), 115200u);
}

TEST_F(LineRateSwitchTest, RatesThatAreNotTriedSendNothing) {
  struct Case {
    const char* name;
    unsigned baud;
    bool asked;
    std::uint32_t part_max;
    bool port_takes;
    bool warned;
    LineRateRefusal why;
  };
  const Case cases[] = {
      {"off", 0, true, 230400, true, false, LineRateRefusal::kNone},
      {"the rate synchronised at", 115200, true, 230400, true, false, LineRateRefusal::kNone},
      {"above the part's row, asked", 230400, true, 115200, true, true,
       LineRateRefusal::kPartTable},
      {"above the part's row, the default", 230400, false, 115200, true, false,
       LineRateRefusal::kNone},
      {"the default never goes down", 57600, false, 230400, true, false, LineRateRefusal::kNone},
      {"the port refuses it", 230400, true, 230400, false, true, LineRateRefusal::kHost},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    events = RateEvents{};
    part.max_isp_baud = c.part_max;
    link.takes_rates = c.port_takes;
    EXPECT_FALSE(Raise(c.baud, c.asked));
    if (c.warned) {
      ExpectKept(c.why);
    } else {
      EXPECT_TRUE(events.warnings.empty());
    }
    EXPECT_EQ(client.LineRate(), 115200u);
  }
  EXPECT_EQ(link.sent.size(), 1u);  // only the A 0 of the set-up
}

TEST_F(LineRateSwitchTest, RestoreTakesThePartBackToTheRateItWasSynchronisedAt) {
  link.Expect("B 230400 1\r\n", "0\r\n");
  link.Expect("J\r\n", kIdAnswer);
  ASSERT_FALSE(Raise(230400));
  link.Expect("B 115200 1\r\n", "0\r\n");
  isp::RestoreLineRate(client, 115200, std::nullopt);
  EXPECT_EQ(client.LineRate(), 115200u);
  EXPECT_EQ(link.rates.back(), 115200u);
  // At the rate already: nothing is sent.
  isp::RestoreLineRate(client, 115200, std::nullopt);
}

}  // namespace
