#include "isp/wire/boot_client.h"

#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

#include "isp/wire/restart_routine.h"
#include "isp/wire/uu_lines.h"
#include "tests/unit/echo_off_client.h"
#include "tests/unit/scripted_link.h"

namespace {

using isp::ResultKind;
using isp::ReturnCode;
using namespace std::string_literals;
using unit::ScriptedLink;

struct SyncCase {
  const char* name;
  std::vector<ScriptedLink::Step> steps;
  bool already_synchronised;
};

void PrintTo(const SyncCase& c, std::ostream* os) {
  *os << c.name;
}

class SynchronizeTest : public ::testing::TestWithParam<SyncCase> {};

// Whichever dialect the part speaks, the client ends in command mode with
// echo off: the next command is answered without echo.
TEST_P(SynchronizeTest, EndsInCommandModeWithEchoOff) {
  const SyncCase& c = GetParam();
  ScriptedLink link;
  for (const auto& step : c.steps) link.Expect(step.expected, step.answer, step.delay_ms);
  link.Expect("U 23130\r\n", "0\r\n");
  isp::BootClient client(link, 115200);
  bool already = !c.already_synchronised;
  const isp::CommandResult result = client.Synchronize(12000, already);
  EXPECT_TRUE(result.Ok()) << result.Name() << " " << isp::ShowBytes(result.received);
  EXPECT_EQ(already, c.already_synchronised);
  EXPECT_TRUE(client.Unlock().Ok());
  EXPECT_TRUE(link.unexpected.empty()) << isp::ShowBytes(link.unexpected.front());
  EXPECT_TRUE(link.ScriptDone());
}

INSTANTIATE_TEST_SUITE_P(
    Dialects, SynchronizeTest,
    ::testing::Values(SyncCase{"crlf_echo",
                               {{"?", "Synchronized\r\n"},
                                {"Synchronized\r\n", "Synchronized\r\nOK\r\n"},
                                {"12000\r\n", "12000\r\nOK\r\n"},
                                {"A 0\r\n", "A 0\r\n0\r\n"}},
                               false},
                      SyncCase{"exact_echo",
                               {{"?", "Synchronized\r\n"},
                                {"Synchronized\r\n", "Synchronized\rOK\r\n"},
                                {"12000\r\n", "12000\rOK\r\n"},
                                {"A 0\r\n", "A 0\r0\r\n"}},
                               false},
                      SyncCase{"junk_before_synchronized",
                               {{"?", "\0\xFF??Synchronized\r\n"s},
                                {"Synchronized\r\n", "Synchronized\r\nOK\r\n"},
                                {"12000\r\n", "12000\r\nOK\r\n"},
                                {"A 0\r\n", "A 0\r\n0\r\n"}},
                               false},
                      SyncCase{"late_part_answers_the_second_try",
                               {{"?", ""},
                                {"\r\n", ""},
                                {"?", "Synchronized\r\n", 20},
                                {"Synchronized\r\n", "Synchronized\r\nOK\r\n"},
                                {"12000\r\n", "12000\r\nOK\r\n"},
                                {"A 0\r\n", "A 0\r\n0\r\n"}},
                               false},
                      SyncCase{"already_synchronised_echo_on",
                               {{"?", ""}, {"\r\n", "?\r\n1\r\n"}, {"A 0\r\n", "A 0\r\n0\r\n"}},
                               true},
                      SyncCase{"already_synchronised_exact_echo",
                               {{"?", "?"}, {"\r\n", "\r1\r\n"}, {"A 0\r\n", "A 0\r0\r\n"}},
                               true},
                      SyncCase{"already_synchronised_echo_off",
                               {{"?", ""}, {"\r\n", "1\r\n"}, {"A 0\r\n", "0\r\n"}},
                               true}),
    [](const ::testing::TestParamInfo<SyncCase>& param_info) {
      return std::string(param_info.param.name);
    });

TEST(SynchronizeFailureTest, SilentPartIsTriedTenTimesThenTimesOut) {
  ScriptedLink link;
  for (int i = 0; i < isp::BootClient::kSyncTries; ++i) {
    link.Expect("?", "");
    link.Expect("\r\n", "");
  }
  isp::BootClient client(link, 115200);
  bool already = true;
  const auto result = client.Synchronize(12000, already);
  EXPECT_EQ(result.kind, ResultKind::kTimeOut);
  EXPECT_EQ(result.Name(), "time-out");
  EXPECT_EQ(result.command, "?");
  EXPECT_FALSE(already);
  EXPECT_EQ(link.sent.size(), 20u);
  EXPECT_TRUE(link.ScriptDone());
  EXPECT_TRUE(link.unexpected.empty());
}

TEST(SynchronizeFailureTest, RefusedCrystalLineNamesItAndItsAnswer) {
  ScriptedLink link;
  link.Expect("?", "Synchronized\r\n");
  link.Expect("Synchronized\r\n", "Synchronized\r\nOK\r\n");
  link.Expect("9999999\r\n", "9999999\r\nERR\r\n");
  isp::BootClient client(link, 115200);
  bool already = false;
  const auto result = client.Synchronize(9999999, already);
  EXPECT_EQ(result.kind, ResultKind::kUnexpected);
  EXPECT_EQ(result.command, "9999999");
  EXPECT_EQ(result.received, "9999999\r\nERR\r\n");
}

using ClientTest = unit::EchoOffClientTest;

TEST_F(ClientTest, CommandsSendOneLineAndNameTheAnswer) {
  struct Case {
    std::string sent;
    std::string answer;
    std::function<isp::CommandResult(isp::BootClient&)> call;
    ResultKind kind;
    ReturnCode code;
  };
  const std::vector<Case> cases = {
      {"U 23130\r\n", "0\r\n", [](auto& c) { return c.Unlock(); }, ResultKind::kSuccess,
       ReturnCode::CMD_SUCCESS},
      {"U 23130\r\n", "16\r\n", [](auto& c) { return c.Unlock(); }, ResultKind::kReturnCode,
       ReturnCode::INVALID_CODE},
      {"B 115200 1\r\n", "0\r\n", [](auto& c) { return c.SetBaudRate(115200, 1); },
       ResultKind::kSuccess, ReturnCode::CMD_SUCCESS},
      {"P 0 3\r\n", "0\r\n", [](auto& c) { return c.Prepare(0, 3); }, ResultKind::kSuccess,
       ReturnCode::CMD_SUCCESS},
      {"P 0 3\r\n", "x\r\n", [](auto& c) { return c.Prepare(0, 3); }, ResultKind::kUnexpected,
       ReturnCode::CMD_SUCCESS},
      {"E 16 29\r\n", "15\r\n", [](auto& c) { return c.Erase(16, 29, 0); }, ResultKind::kReturnCode,
       ReturnCode::CMD_LOCKED},
      {"C 4096 268436224 4096\r\n", "9\r\n",
       [](auto& c) { return c.Copy(4096, 268436224, 4096, 0); }, ResultKind::kReturnCode,
       ReturnCode::SECTOR_NOT_PREPARED_FOR_WRITE_OPERATION},
      {"C 0 268436224 256\r\n", "", [](auto& c) { return c.Copy(0, 268436224, 256, 0); },
       ResultKind::kTimeOut, ReturnCode::CMD_SUCCESS},
      {"G 268436224 T\r\n", "0\r\n", [](auto& c) { return c.Go(268436224, 'T'); },
       ResultKind::kSuccess, ReturnCode::CMD_SUCCESS},
      {"A 1\r\n", "0\r\n", [](auto& c) { return c.SetEcho(true); }, ResultKind::kSuccess,
       ReturnCode::CMD_SUCCESS},
  };
  for (const Case& c : cases) {
    link.Expect(c.sent, c.answer);
    const isp::CommandResult result = c.call(client);
    EXPECT_EQ(result.kind, c.kind) << c.sent;
    EXPECT_EQ(result.code, c.code) << c.sent;
    EXPECT_EQ(result.command + "\r\n", c.sent);
    EXPECT_EQ(result.received, c.answer);
  }
  const isp::CommandResult locked{ResultKind::kReturnCode, ReturnCode::CMD_LOCKED, "", ""};
  EXPECT_EQ(locked.Name(), "CMD_LOCKED");
}

TEST_F(ClientTest, AnswersWithNumbersAreRead) {
  link.Expect("J\r\n", "0\r\n637615927\r\n");
  std::uint32_t id = 0;
  EXPECT_TRUE(client.ReadPartId(id).Ok());
  EXPECT_EQ(id, 637615927u);

  link.Expect("K\r\n", "0\r\n5\r\n2\r\n");
  unsigned major = 0, minor = 0;
  EXPECT_TRUE(client.ReadBootCodeVersion(major, minor).Ok());
  EXPECT_EQ(major, 5u);
  EXPECT_EQ(minor, 2u);

  link.Expect("N\r\n", "0\r\n1\r\n2\r\n3\r\n4294967295\r\n");
  std::array<std::uint32_t, 4> serial{};
  EXPECT_TRUE(client.ReadSerialNumber(serial).Ok());
  EXPECT_EQ(serial, (std::array<std::uint32_t, 4>{1, 2, 3, 4294967295u}));

  link.Expect("I 0 3\r\n", "8\r\n4100\r\n305419896\r\n");
  isp::BlankCheckFault fault;
  const auto blank = client.BlankCheck(0, 3, fault);
  EXPECT_EQ(blank.code, ReturnCode::SECTOR_NOT_BLANK);
  EXPECT_TRUE(fault.known);
  EXPECT_EQ(fault.offset, 4100u);
  EXPECT_EQ(fault.word, 0x12345678u);

  link.Expect("M 512 268436736 3584\r\n", "10\r\n16\r\n");
  std::optional<std::uint32_t> difference;
  const auto compare = client.Compare(512, 268436736, 3584, difference);
  EXPECT_EQ(compare.code, ReturnCode::COMPARE_ERROR);
  EXPECT_EQ(difference, 16u);

  link.Expect("J\r\n", "0\r\nLPC\r\n");
  EXPECT_EQ(client.ReadPartId(id).kind, ResultKind::kUnexpected);
}

TEST_F(ClientTest, WriteSendsDataLinesAndChecksum) {
  link.Expect("W 268436224 16\r\n", "0\r\n");
  link.Expect(std::string(isp::kRestartLine) + "\n1462\r\n", "OK\r\n");
  std::vector<std::size_t> progress;
  const auto result = client.WriteToRam(268436224, isp::kRestartRoutine, 16,
                                        [&](std::size_t sent) { progress.push_back(sent); });
  EXPECT_TRUE(result.Ok()) << result.Name();
  EXPECT_EQ(progress, std::vector<std::size_t>{16});
  EXPECT_EQ(client.Resends(), 0u);
}

TEST_F(ClientTest, ChecksumFollowsEveryTwentyLines) {
  std::vector<std::uint8_t> bytes(1000);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7);
  link.Expect("W 268436224 1000\r\n", "0\r\n");
  link.Expect(ScriptedLink::kAnyBytes, "OK\r\n");
  link.Expect(ScriptedLink::kAnyBytes, "OK\r\n");
  std::vector<std::size_t> progress;
  ASSERT_TRUE(client
                  .WriteToRam(268436224, bytes.data(), bytes.size(),
                              [&](std::size_t sent) { progress.push_back(sent); })
                  .Ok());
  EXPECT_EQ(progress, (std::vector<std::size_t>{900, 1000}));
  ASSERT_EQ(link.sent.size(), 4u);  // A 0, W, two groups
  std::vector<std::uint8_t> decoded;
  for (std::size_t group = 2; group < 4; ++group) {
    std::vector<std::string> lines;
    std::string text = link.sent[group];
    for (std::size_t at; (at = text.find("\r\n")) != std::string::npos; text.erase(0, at + 2))
      lines.push_back(text.substr(0, at));
    EXPECT_EQ(text, "");
    EXPECT_EQ(lines.size(), group == 2 ? 21u : 4u);
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
      const auto line = isp::UuDecodeLine(lines[i]);
      ASSERT_TRUE(line);
      for (std::uint8_t b : *line) sum += b;
      decoded.insert(decoded.end(), line->begin(), line->end());
    }
    EXPECT_EQ(lines.back(), std::to_string(sum));
  }
  EXPECT_EQ(decoded, bytes);
}

TEST_F(ClientTest, ResendIsAnsweredUpToThreeTimes) {
  const std::string data = std::string(isp::kRestartLine) + "\n1462\r\n";
  link.Expect("W 268436224 16\r\n", "0\r\n");
  link.Expect(data, "RESEND\r\n");
  link.Expect(data, "RESEND\r\n");
  link.Expect(data, "OK\r\n");
  EXPECT_TRUE(client.WriteToRam(268436224, isp::kRestartRoutine, 16).Ok());
  EXPECT_EQ(client.Resends(), 2u);

  link.Expect("W 268436224 16\r\n", "0\r\n");
  for (int i = 0; i < 4; ++i) link.Expect(data, "RESEND\r\n");
  const auto storm = client.WriteToRam(268436224, isp::kRestartRoutine, 16);
  EXPECT_EQ(storm.kind, ResultKind::kResendLimit);
  EXPECT_EQ(storm.command, "1462");
  EXPECT_EQ(storm.received, "RESEND\r\n");
}

using unit::ReadAnswer;

TEST_F(ClientTest, ReadTakesBlocksAndAsksAgainForABadOne) {
  std::vector<std::uint8_t> flash(64);
  for (std::size_t i = 0; i < flash.size(); ++i) flash[i] = static_cast<std::uint8_t>(255 - i);
  link.Expect("R 0 64\r\n", "0\r\n" + ReadAnswer(flash, 1));  // a checksum that does not add up
  link.Expect("RESEND\r\n", ReadAnswer(flash));
  link.Expect("OK\r\n", "");
  std::vector<std::uint8_t> read;
  const auto result = client.ReadMemory(0, 64, read);
  EXPECT_TRUE(result.Ok()) << result.Name();
  EXPECT_EQ(read, flash);
  EXPECT_EQ(client.Resends(), 1u);
}

TEST_F(ClientTest, ReadOfMoreThanTwentyLinesComesInBlocks) {
  std::vector<std::uint8_t> flash(1024);
  for (std::size_t i = 0; i < flash.size(); ++i) flash[i] = static_cast<std::uint8_t>(i % 253);
  const std::vector<std::uint8_t> first(flash.begin(), flash.begin() + 900);
  const std::vector<std::uint8_t> second(flash.begin() + 900, flash.end());
  link.Expect("R 512 1024\r\n", "0\r\n" + ReadAnswer(first));
  link.Expect("OK\r\n", ReadAnswer(second));
  link.Expect("OK\r\n", "");
  std::vector<std::uint8_t> read;
  EXPECT_TRUE(client.ReadMemory(512, 1024, read).Ok());
  EXPECT_EQ(read, flash);
}

TEST_F(ClientTest, DeadlinesCountTheLineTimeOfWhatWasSent) {
  // 900 bytes take about 1.3 s as data lines at 9600 baud: a checksum answer
  // 2 s after the write is in time there, but not at 115200 baud.
  std::vector<std::uint8_t> bytes(900, 0x5A);
  ScriptedLink slow_link;
  isp::BootClient slow(slow_link, 9600);
  slow_link.Expect("A 0\r\n", "A 0\r\n0\r\n");
  slow_link.Expect("W 268436224 900\r\n", "0\r\n");
  slow_link.Expect(ScriptedLink::kAnyBytes, "OK\r\n", 2000);
  EXPECT_TRUE(slow.WriteToRam(268436224, bytes.data(), bytes.size()).Ok());

  // The part's own work counts too: an erase answered after 1.5 s.
  link.Expect("E 0 7\r\n", "0\r\n", 1500);
  EXPECT_TRUE(client.Erase(0, 7, 800).Ok());

  link.Expect("W 268436224 900\r\n", "0\r\n");
  link.Expect(ScriptedLink::kAnyBytes, "OK\r\n", 2000);
  EXPECT_EQ(client.WriteToRam(268436224, bytes.data(), bytes.size()).kind, ResultKind::kTimeOut);
}

TEST(ClientLineTest, DataPhaseTurnsEchoOffFirst) {
  ScriptedLink link;
  isp::BootClient client(link, 115200);
  link.Expect("A 0\r\n", "A 0\r\n0\r\n");
  link.Expect("W 268436224 16\r\n", "0\r\n");
  link.Expect(std::string(isp::kRestartLine) + "\n1462\r\n", "OK\r\n");
  EXPECT_TRUE(client.WriteToRam(268436224, isp::kRestartRoutine, 16).Ok());
  EXPECT_TRUE(link.ScriptDone());
}

TEST(ClientLineTest, LostLineAndStopAreToldApart) {
  ScriptedLink link;
  link.lost = true;
  isp::BootClient client(link, 115200);
  link.Expect("U 23130\r\n", "");
  const auto lost = client.Unlock();
  EXPECT_EQ(lost.kind, ResultKind::kLineLost);
  EXPECT_EQ(lost.Name(), "line lost");

  ScriptedLink quiet;
  bool stop = false;
  isp::BootClient stopping(quiet, 115200, [&] { return stop; });
  stop = true;
  EXPECT_EQ(stopping.Unlock().kind, ResultKind::kStopped);
  bool already = false;
  EXPECT_EQ(stopping.Synchronize(12000, already).kind, ResultKind::kStopped);
  EXPECT_TRUE(quiet.sent.empty());
}

TEST(ClientLineTest, StopDuringTheDataLinesWaitsForTheDataPhaseToEnd) {
  // A stop that comes after the first group: the part would take any next
  // line as data, so the second group still goes out; the next command does not.
  ScriptedLink link;
  bool stop = false;
  isp::BootClient client(link, 115200, [&] { return stop; });
  link.Expect("A 0\r\n", "A 0\r\n0\r\n");
  ASSERT_TRUE(client.SetEcho(false).Ok());
  const std::vector<std::uint8_t> bytes(1000, 0x5A);
  link.Expect("W 268436224 1000\r\n", "0\r\n");
  link.Expect(ScriptedLink::kAnyBytes, "OK\r\n");
  link.Expect(ScriptedLink::kAnyBytes, "OK\r\n");
  std::vector<std::size_t> progress;
  const auto written =
      client.WriteToRam(268436224, bytes.data(), bytes.size(), [&](std::size_t sent) {
        progress.push_back(sent);
        stop = true;
      });
  EXPECT_TRUE(written.Ok()) << written.Name();
  EXPECT_EQ(progress, (std::vector<std::size_t>{900, 1000}));
  EXPECT_TRUE(link.ScriptDone());
  EXPECT_EQ(client.Prepare(0, 0).kind, ResultKind::kStopped);
  EXPECT_EQ(link.sent.size(), 4u);  // A 0, W, two groups: no P
}

TEST(ClientLineTest, FirmwareIsAskedToStartItsBootLoader) {
  ScriptedLink link;
  isp::BootClient client(link, 115200);
  link.Expect("!\r", "!", 30);
  EXPECT_TRUE(client.RequestBootLoader(1000));
  link.Expect("!\r", "");
  const std::uint32_t before = link.NowMs();
  EXPECT_FALSE(client.RequestBootLoader(1000));
  EXPECT_GE(link.NowMs() - before, 1000u);
}

}  // namespace
