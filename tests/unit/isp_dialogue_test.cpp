#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <thread>

#include "comm/comm.h"
#include "isp/classic/isp_engine.h"
#include "isp/wire/restart_routine.h"
#include "tests/support/fake_boot_loader.h"
#include "tests/support/hex_writer.h"
#include "tests/support/pty_peer.h"
#include "tests/support/recording_window.h"
#include "tests/support/temp_dir.h"

namespace {

using testing_support::FakeBootLoader;
using Events = std::vector<std::string>;

// One zero byte at offset 0: the smallest image a file can hold, a single
// block of zeros.
const std::map<std::uint32_t, std::uint8_t> kZeroImage = {{0, 0}};

// The engine against a scripted boot loader on a pseudo-terminal.
class IspDialogueTest : public ::testing::Test {
 protected:
  void SetUp() override {
    peer.SetResponder([this](const std::string& token) { return Respond(token); });
    ASSERT_EQ(comm.CommOpen(peer.Path().c_str(), 115200), 1);
  }

  virtual std::string Respond(const std::string& token) { return boot_loader(token); }

  void LoadImage(const std::map<std::uint32_t, std::uint8_t>& bytes) {
    testing_support::WriteTextFile("image.hex", testing_support::HexFromBytes(bytes));
    ASSERT_EQ(engine.LoadHexFile("image.hex"), 1);
    window.events.clear();
  }

  // Steps until the engine reaches the state, expecting no failure on the way.
  void AdvanceTo(int state) {
    while (engine.RunState().StateNumber < state) {
      ASSERT_NE(engine.IspStep(), isp::kProgressFailed)
          << "in state " << engine.RunState().StateNumber;
    }
    window.events.clear();
    peer.ClearReceived();
  }

  std::vector<int> RunToEnd() {
    std::vector<int> progress;
    for (int step = 0; step < 400; ++step) {
      progress.push_back(engine.IspStep());
      if (progress.back() == isp::kProgressFailed || progress.back() >= isp::kProgressDone) break;
    }
    return progress;
  }

  testing_support::ScopedTempDir dir;
  testing_support::PtyPeer peer;
  FakeBootLoader boot_loader;
  comm::Comm comm;
  testing_support::RecordingWindow window;
  isp::IspEngine engine{comm, window};
};

std::string Repeat(char c, std::size_t n) {
  return std::string(n, c);
}

TEST_F(IspDialogueTest, ZeroImageRunsEveryStateWithItsBytesLightsAndProgress) {
  LoadImage(kZeroImage);
  const std::vector<int> progress = RunToEnd();
  EXPECT_EQ(progress, (std::vector<int>{0, 0, 1, 2, 3, 3, 3, 3, 3, 999, 1000}));

  std::string block;
  for (int line = 0; line < 11; ++line) block += "M" + Repeat('`', 60) + "\r\r";
  block += "1" + Repeat('`', 24) + "\r\r";
  const std::string expected = std::string("?") + "Synchronized\r\n\r" + "12000\r\r" +
                               "U 23130\r\r" + "J\r\n\r" + "P 0 0\r\r" + "E 0 0\r\r" + "I 0 0\r\r" +
                               "P 0 0\r\r" + "W 268436224 512\r\r" + block + "0\r\r" +
                               "C 0 268436224 512\r\r" + "W 268436224 16\r\r" + isp::kRestartLine +
                               "\r" + "1462\r\r" + "G 268436224 T\r\r";
  EXPECT_EQ(peer.Received(), expected);

  EXPECT_EQ(window.events,
            (Events{"show SyncPanel", "caption Erase 0-0\r", "SyncPanel green", "show UnlockPanel",
                    "show ErasedPanel", "UnlockPanel green", "show BlankPanel", "ErasedPanel green",
                    "show ProgPanel", "timer 20", "BlankPanel green", "ProgPanel green",
                    "show RestartPanel", "timer 20", "RestartPanel green", "process"}));
  EXPECT_EQ(engine.RunState().StateNumber, 10);
}

TEST_F(IspDialogueTest, TwoSectorImageWritesSixteenBlocksWithGrowingProgress) {
  std::map<std::uint32_t, std::uint8_t> bytes;
  for (std::uint32_t i = 0; i < 0x2000; ++i) bytes[i] = static_cast<std::uint8_t>(i);
  LoadImage(bytes);
  AdvanceTo(9);
  std::vector<int> progress = RunToEnd();
  EXPECT_EQ(progress, (std::vector<int>{62, 125, 187, 250, 312, 375, 437, 500, 562, 625, 687, 750,
                                        812, 875, 937, 999, 1000}));
  const std::string sent = peer.Received();
  std::size_t copies = 0;
  for (std::size_t at = 0; (at = sent.find("C ", at)) != std::string::npos; ++at) ++copies;
  EXPECT_EQ(copies, 16u);
  EXPECT_NE(sent.find("C 7680 268436224 512\r\r"), std::string::npos);
  EXPECT_EQ(sent.find("C 8192 "), std::string::npos);
  EXPECT_EQ(sent.find("P 0 0"), std::string::npos);  // every block prepares sectors 0 to 1
  EXPECT_EQ(engine.RunState().FlashAddress, 8192);
  EXPECT_EQ(engine.RunState().BytesRemaining, 0);
}

TEST_F(IspDialogueTest, ByteAtAMultipleOfTheBlockSizeGetsABlockOfItsOwn) {
  LoadImage({{0, 1}, {512, 0x42}});
  AdvanceTo(9);
  EXPECT_EQ(RunToEnd(), (std::vector<int>{998, 999, 1000}));
  const std::string sent = peer.Received();
  EXPECT_NE(sent.find("C 512 268436224 512\r\r"), std::string::npos);
  // The second block begins with 0x42, 0, 0: values 16, 32, 0, 0.
  EXPECT_NE(sent.find("M0@``"), std::string::npos);
}

TEST_F(IspDialogueTest, BlockChecksumCountsOnlyTheBlocksOwnBytes) {
  // The second block is all 0xFF (the first holds the vector table, which
  // the loader changes); the byte after it must not reach its checksum.
  std::map<std::uint32_t, std::uint8_t> bytes;
  for (std::uint32_t i = 512; i < 1024; ++i) bytes[i] = 0xFF;
  bytes[1024] = 0x77;
  LoadImage(bytes);
  AdvanceTo(9);
  engine.IspStep();
  peer.ClearReceived();
  engine.IspStep();
  const std::string sent = peer.Received();
  EXPECT_NE(sent.find("\r\r130560\r\rC 512 "), std::string::npos);
  // The last line's last group holds two bytes and a zero fill: '_', '_', '\\', '`'.
  EXPECT_NE(sent.find("\r\r1" + Repeat('_', 22) + "\\`\r\r"), std::string::npos);
}

TEST_F(IspDialogueTest, ErasedCaptionNamesTheSectorsOfTheRun) {
  LoadImage({{0x3FFF, 1}});
  engine.IspStep();
  EXPECT_EQ(window.events, (Events{"show SyncPanel", "caption Erase 0-3\r"}));
  AdvanceTo(9);
  EXPECT_EQ(engine.IspStep(), 31);
  EXPECT_NE(peer.Received().find("P 0 3\r\r"), std::string::npos);
}

struct FailureCase {
  const char* name;
  int state;
  const char* command;  // key of the reply to replace; "?" replaces the answer to "?"
  std::string reply;
  Events events;  // what the failing step does to the window
};

// Names the case in test listings.
void PrintTo(const FailureCase& c, std::ostream* os) {
  *os << c.name;
}

class IspFailureTest : public IspDialogueTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(IspFailureTest, FailingStateTurnsItsLightRedAndShowsItsMessage) {
  const FailureCase& c = GetParam();
  LoadImage({{0x1000, 1}});
  AdvanceTo(c.state);
  if (std::string(c.command) == "?") {
    boot_loader.sync_reply = c.reply;
  } else {
    boot_loader.replies[c.command] = c.reply;
  }
  EXPECT_EQ(engine.IspStep(), isp::kProgressFailed);
  EXPECT_EQ(window.events, c.events);
  EXPECT_EQ(engine.RunState().StateNumber, c.state);
}

INSTANTIATE_TEST_SUITE_P(
    States, IspFailureTest,
    ::testing::Values(
        FailureCase{"silent", 1, "?", "", {"SyncPanel red", "error Part not responding"}},
        FailureCase{
            "lf_only", 1, "?", "Synchronized\n", {"SyncPanel red", "error Part not responding"}},
        FailureCase{"three_bytes",
                    2,
                    "Synchronized",
                    "OK\r",
                    {"SyncPanel red", "error Part not synchronized"}},
        FailureCase{
            "freq_zero", 3, "12000", "0\r\n", {"UnlockPanel red", "error Freq not acknowledged"}},
        FailureCase{
            "freq_empty", 3, "12000", "", {"UnlockPanel red", "error Freq not acknowledged"}},
        FailureCase{"unlock_refused", 4, "U", "19\r\n", {"UnlockPanel red", "error Unlock failed"}},
        FailureCase{"unlock_silent", 4, "U", "", {"UnlockPanel red", "error Unlock failed"}},
        FailureCase{"part_id_other",
                    5,
                    "J",
                    "0\r\n91330974\r\n",
                    {"ErasedPanel red", "error Invalid part ID"}},
        FailureCase{"part_id_short",
                    5,
                    "J",
                    "0\r\n9133097\r\n",
                    {"ErasedPanel red", "error Invalid part ID"}},
        FailureCase{"part_id_missing", 5, "J", "0\r\n", {}},
        FailureCase{
            "prepare_refused", 6, "P", "7\r\n", {"ErasedPanel red", "error Failed prep erase"}},
        FailureCase{"prepare_silent", 6, "P", "", {}},
        FailureCase{"erase_refused", 7, "E", "9\r\n", {"ErasedPanel red", "error Failed erase"}},
        FailureCase{"erase_silent", 7, "E", "", {}},
        FailureCase{"blank_check_8",
                    8,
                    "I",
                    "8\r\n0\r\n0\r\n",
                    {"BlankPanel red", "error Failed blank check"}},
        FailureCase{"blank_check_silent", 8, "I", "", {}},
        FailureCase{"checksum_resend", 9, "sum", "RESEND\r\n", {}},
        FailureCase{"checksum_o", 9, "sum", "O\r\n", {}},
        FailureCase{"checksum_empty", 9, "sum", "", {}},
        FailureCase{"copy_refused", 9, "C", "9\r\n", {}},
        FailureCase{"copy_silent", 9, "C", "", {}}),
    [](const ::testing::TestParamInfo<FailureCase>& param_info) {
      return std::string(param_info.param.name);
    });

struct PassCase {
  const char* name;
  int state;
  const char* command;
  std::string reply;
};

// Names the case in test listings.
void PrintTo(const PassCase& c, std::ostream* os) {
  *os << c.name;
}

class IspLenientReplyTest : public IspDialogueTest,
                            public ::testing::WithParamInterface<PassCase> {};

TEST_P(IspLenientReplyTest, ReplyPasses) {
  const PassCase& c = GetParam();
  LoadImage({{0x10, 1}});
  AdvanceTo(c.state);
  boot_loader.replies[c.command] = c.reply;
  EXPECT_NE(engine.IspStep(), isp::kProgressFailed);
  EXPECT_EQ(engine.RunState().StateNumber, c.state == 9 ? 10 : c.state + 1);
}

INSTANTIATE_TEST_SUITE_P(
    States, IspLenientReplyTest,
    ::testing::Values(PassCase{"any_four_bytes", 2, "Synchronized", "abcd"},
                      PassCase{"freq_o_anything", 3, "12000", "Oops\r\n"},
                      PassCase{"part_id_ninth_digit_ignored", 5, "J", "0\r\n913309730\r\n"},
                      PassCase{"part_id_eight_digits", 5, "J", "0\r\n91330973\r\n"},
                      PassCase{"checksum_ok_prefix", 9, "sum", "OKAY\r\n"}),
    [](const ::testing::TestParamInfo<PassCase>& param_info) {
      return std::string(param_info.param.name);
    });

TEST_F(IspDialogueTest, RejectedBlockIsSavedToBlockBin) {
  std::map<std::uint32_t, std::uint8_t> bytes;
  for (std::uint32_t i = 0; i < 1536; ++i) bytes[i] = static_cast<std::uint8_t>(i * 13 + 5);
  LoadImage(bytes);
  AdvanceTo(9);
  EXPECT_EQ(engine.IspStep(), 333);
  boot_loader.replies["sum"] = "RESEND\r\n";
  EXPECT_EQ(engine.IspStep(), isp::kProgressFailed);
  EXPECT_TRUE(window.events.empty());
  const std::string dump = testing_support::ReadFile("block.bin");
  ASSERT_EQ(dump.size(), 512u);
  EXPECT_TRUE(std::equal(dump.begin(), dump.end(), engine.Image().bytes.begin() + 512,
                         [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; }));
}

TEST_F(IspDialogueTest, RejectedBlockIsNeverWrittenThroughASymbolicLink) {
  testing_support::WriteTextFile("victim", "keep me");
  ASSERT_EQ(symlink("victim", "block.bin"), 0);
  LoadImage({{0x10, 1}});
  AdvanceTo(9);
  boot_loader.replies["sum"] = "RESEND\r\n";
  EXPECT_EQ(engine.IspStep(), isp::kProgressFailed);
  EXPECT_EQ(window.events, (Events{"not written block.bin: it is a symbolic link"}));
  EXPECT_EQ(testing_support::ReadFile("victim"), "keep me");
}

TEST_F(IspDialogueTest, InputLeftFromBeforeAStepIsDiscarded) {
  LoadImage(kZeroImage);
  AdvanceTo(1);
  boot_loader.sync_reply = "";    // the part does not answer "?" now,
  peer.Send("Synchronized\r\n");  // but an old answer is still on the line
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(engine.IspStep(), isp::kProgressFailed);
  EXPECT_EQ(window.events, (Events{"SyncPanel red", "error Part not responding"}));
}

class SlowEraseTest : public IspDialogueTest {
 protected:
  std::string Respond(const std::string& token) override {
    if (token.rfind("E ", 0) == 0) {
      peer.SendAfter(3000, "0\r\n");
      return token + "\r\n";
    }
    return IspDialogueTest::Respond(token);
  }
};

TEST_F(SlowEraseTest, EraseReplyAfterThreeSecondsIsAccepted) {
  LoadImage(kZeroImage);
  AdvanceTo(7);
  EXPECT_EQ(engine.IspStep(), 3);
  EXPECT_EQ(engine.RunState().StateNumber, 8);
}

class StartIspTest : public IspDialogueTest {
 protected:
  // The module's firmware answers the start request with a bare "!".
  std::string Respond(const std::string& token) override {
    return token == "!" ? "!" : IspDialogueTest::Respond(token);
  }
};

TEST_F(StartIspTest, StartRequestIsSentOnlyWhenTicked) {
  LoadImage(kZeroImage);
  window.start_isp = true;
  EXPECT_EQ(engine.IspStep(), 0);
  EXPECT_EQ(peer.Received(), "!\r");
  EXPECT_EQ(engine.RunState().StateNumber, 1);

  LoadImage(kZeroImage);
  peer.ClearReceived();
  window.start_isp = false;
  EXPECT_EQ(engine.IspStep(), 0);
  EXPECT_EQ(peer.Received(), "");
  EXPECT_EQ(engine.RunState().StateNumber, 1);
}

}  // namespace
