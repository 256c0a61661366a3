#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <thread>

#include "host_port.hpp"
#include "part_driver.hpp"
#include "part_table.hpp"
#include "tests/support/process.h"
#include "tests/support/temp_dir.h"
#include "uu_codec.hpp"

namespace isp_sim::testing {
namespace {

using namespace std::chrono_literals;
using ::testing_support::ScopedTempDir;
using ::testing_support::SimProcess;

// The simulator's command line: the binary, then these arguments.
std::vector<std::string> WithBinary(std::vector<std::string> args) {
  args.insert(args.begin(), ISP_SIM_BINARY);
  return args;
}

// Sends `line` CR LF and expects `reply` back in full.
void exchange(HostPort& host, const std::string& line, const std::string& reply) {
  host.write(line + "\r\n");
  EXPECT_EQ(host.read(reply.size()), reply) << "after " << line;
}

void synchronise(HostPort& host) {
  host.write("?");
  ASSERT_EQ(host.read(14), "Synchronized\r\n");
  exchange(host, "Synchronized", "Synchronized\r\nOK\r\n");
  host.write("12000\r\r");
  ASSERT_EQ(host.read(11), "12000\r\nOK\r\n");
}

// W at 0x10000300 of at most 20 lines, so one checksum covers it.
void write_ram(HostPort& host, const std::vector<std::uint8_t>& data) {
  const std::string header = "W 268436224 " + std::to_string(data.size());
  exchange(host, header, header + "\r\n0\r\n");
  std::uint32_t sum = 0;
  for (std::size_t offset = 0; offset < data.size(); offset += kUuLineBytes) {
    const std::size_t count = std::min(kUuLineBytes, data.size() - offset);
    const std::string line = uu_encode_line(std::span(data).subspan(offset, count));
    host.write(line + "\r\r");
    EXPECT_EQ(host.read(line.size() + 2), line + "\r\n");
    for (std::size_t i = offset; i < offset + count; ++i) sum += data[i];
  }
  exchange(host, std::to_string(sum), std::to_string(sum) + "\r\nOK\r\n");
}

nlohmann::json read_json(const std::string& path) {
  std::ifstream file(path);
  return nlohmann::json::parse(file);
}

TEST(PtyEndToEnd, PrintsTheSlaveLinksItAndKeepsStateAcrossReopens) {
  ScopedTempDir dir;
  const std::string link = dir.File("lpc");
  std::filesystem::create_symlink("/nonexistent", link);  // a stale link is replaced
  SimProcess sim(WithBinary({"--link", link}));
  ASSERT_EQ(sim.Path().rfind("/dev/pts/", 0), 0u) << sim.Path();
  EXPECT_EQ(std::filesystem::read_symlink(link), sim.Path());

  {
    HostPort host(link);
    synchronise(host);
    exchange(host, "J", "J\r\n0\r\n913309739\r\n");
  }
  {
    HostPort host(link);  // the part stayed synchronised
    exchange(host, "K", "K\r\n0\r\n5\r\n2\r\n");
  }
  {
    HostPort host(sim.Path());
    exchange(host, "A 0", "A 0\r\n0\r\n");
    exchange(host, "J", "0\r\n913309739\r\n");
  }
  sim.Signal(SIGTERM);
  EXPECT_EQ(sim.WaitExit(10s), 0);
  EXPECT_FALSE(std::filesystem::is_symlink(link));
}

TEST(PtyEndToEnd, OutputWhileNoHostHasThePortOpenIsLost) {
  SimProcess sim(WithBinary({"--erase-ms", "300"}));
  {
    HostPort host(sim.Path());
    synchronise(host);
    exchange(host, "U 23130", "U 23130\r\n0\r\n");
    exchange(host, "P 0 0", "P 0 0\r\n0\r\n");
    host.write("E 0 0\r\n");
    EXPECT_EQ(host.read(7), "E 0 0\r\n");
  }  // closed before the erase answers
  std::this_thread::sleep_for(600ms);
  HostPort host(sim.Path());
  exchange(host, "J", "J\r\n0\r\n913309739\r\n");
}

TEST(PtyEndToEnd, NonRootHostCanReopenAfterExclusiveUse) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
  SimProcess sim(WithBinary({}));
  ASSERT_EQ(::chmod(sim.Path().c_str(), 0666), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(10);
    const char* path = sim.Path().c_str();
    const int first = ::open(path, O_RDWR | O_NOCTTY);
    if (first < 0 || ::ioctl(first, TIOCEXCL) != 0) ::_exit(11);
    if (::open(path, O_RDWR | O_NOCTTY) >= 0 || errno != EBUSY) ::_exit(12);  // exclusive
    ::close(first);
    // The simulator clears the flag once it has seen the close.
    for (int attempt = 0; attempt < 200; ++attempt) {
      if (::open(path, O_RDWR | O_NOCTTY) >= 0) ::_exit(0);
      if (errno != EBUSY) ::_exit(13);
      ::usleep(10000);
    }
    ::_exit(14);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 10) GTEST_SKIP() << "cannot switch to uid 65534 here";
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(PtyEndToEnd, OnceEndsOnHangUpAndWritesTheReport) {
  ScopedTempDir dir;
  SimProcess sim(WithBinary({"--once", "--report", dir.File("report.json")}));
  {
    HostPort host(sim.Path());
    synchronise(host);
    EXPECT_EQ(sim.WaitExit(200ms), std::nullopt);  // still there while the host is
  }
  EXPECT_EQ(sim.WaitExit(10s), 0);
  const nlohmann::json report = read_json(dir.File("report.json"));
  EXPECT_EQ(report["synchronised"], true);
  EXPECT_EQ(report["hang_ups"], 1);
  // "?", "Synchronized\r\n", "12000\r\r" in; their answers and echoes out.
  EXPECT_EQ(report["bytes_received"], 22);
  EXPECT_EQ(report["bytes_sent"], 43);
}

TEST(PtyEndToEnd, OnceDeliversTheGoReplyThenEndsWithTheReset) {
  ScopedTempDir dir;
  SimProcess sim(WithBinary({"--once", "--report", dir.File("report.json")}));
  HostPort host(sim.Path());
  synchronise(host);
  exchange(host, "U 23130", "U 23130\r\n0\r\n");
  write_ram(host, kRestartRoutine);
  exchange(host, "G 268436224 T", "G 268436224 T\r\n0\r\n");
  EXPECT_TRUE(host.hung_up(10s));
  EXPECT_EQ(sim.WaitExit(10s), 0);
  const nlohmann::json report = read_json(dir.File("report.json"));
  EXPECT_EQ(report["resets"], 1);
  EXPECT_EQ(report["user_code_valid"], false);
}

TEST(PtyEndToEnd, SigtermWritesFlashAndReport) {
  ScopedTempDir dir;
  const std::vector<std::uint8_t> image = valid_user_code_image();
  std::ofstream(dir.File("in.bin"), std::ios::binary)
      .write(reinterpret_cast<const char*>(image.data()),
             static_cast<std::streamsize>(image.size()));
  SimProcess sim(WithBinary({"--flash-in", dir.File("in.bin"), "--flash-out", dir.File("out.bin"),
                             "--report", dir.File("report.json")}));
  {
    HostPort host(sim.Path());
    host.write("EA=1\r\n");
    EXPECT_EQ(host.read(6), "EA=1\r\n");
    host.write("!\r");
    EXPECT_EQ(host.read(1), "!");
    synchronise(host);
    exchange(host, "U 23130", "U 23130\r\n0\r\n");
    write_ram(host, std::vector<std::uint8_t>(256, 0xA5));
    exchange(host, "P 1 1", "P 1 1\r\n0\r\n");
    exchange(host, "C 4096 268436224 256", "C 4096 268436224 256\r\n0\r\n");
    sim.Signal(SIGTERM);
    EXPECT_EQ(sim.WaitExit(10s), 0);
  }
  std::ifstream out(dir.File("out.bin"), std::ios::binary);
  const std::vector<std::uint8_t> flash{std::istreambuf_iterator<char>(out), {}};
  ASSERT_EQ(flash.size(), default_part().flash_size);  // the whole flash
  EXPECT_TRUE(std::equal(image.begin(), image.end(), flash.begin()));
  EXPECT_EQ(flash[4096], 0xA5);
  EXPECT_EQ(flash[4096 + 255], 0xA5);
  EXPECT_EQ(flash[4096 + 256], 0xFF);

  const nlohmann::json report = read_json(dir.File("report.json"));
  EXPECT_EQ(report["copies"], 1);
  EXPECT_EQ(report["firmware_commands"], nlohmann::json({"EA=1", "!"}));
  EXPECT_EQ(report["firmware_running"], false);
  EXPECT_EQ(report["user_code_valid"], true);
}

TEST(PtyEndToEnd, HangupAfterCopyAnswersTheCopyThenDropsTheLine) {
  SimProcess sim(WithBinary({"--hangup-after", "1"}));
  HostPort host(sim.Path());
  synchronise(host);
  exchange(host, "U 23130", "U 23130\r\n0\r\n");
  write_ram(host, std::vector<std::uint8_t>(256, 0));
  exchange(host, "P 0 0", "P 0 0\r\n0\r\n");
  exchange(host, "C 0 268436224 256", "C 0 268436224 256\r\n0\r\n");
  EXPECT_TRUE(host.hung_up(10s));
  EXPECT_EQ(sim.WaitExit(10s), 0);
}

TEST(PtyEndToEnd, PacedOutputNeverArrivesEarlierThanTheLineAllows) {
  SimProcess sim(WithBinary({"--baud-rate", "9600"}));
  HostPort host(sim.Path());
  synchronise(host);
  const std::string expected_start = "R 1024 400\r\n0\r\n";
  const auto start = std::chrono::steady_clock::now();
  host.write("R 1024 400\r\n");
  // 400 bytes: 8 lines of 45 and one of 40, then the checksum (400 * 255).
  const std::size_t size = expected_start.size() + 8 * 63 + 59 + 8;
  const std::string reply = host.read(size, 10s);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  ASSERT_EQ(reply.size(), size);
  EXPECT_EQ(reply.substr(0, expected_start.size()), expected_start);
  EXPECT_EQ(reply.substr(size - 8), "102000\r\n");
  // Each byte needs 10 bit times at 9600 baud; the last one cannot be here sooner.
  EXPECT_GE(elapsed, std::chrono::microseconds(size * 10'000'000 / 9600));
}

// W data lines and checksums for `data` at 20 lines a block, as one string.
std::string write_data_phase(const std::vector<std::uint8_t>& data) {
  std::string text;
  std::uint32_t sum = 0;
  std::size_t lines_in_block = 0;
  for (std::size_t offset = 0; offset < data.size(); offset += kUuLineBytes) {
    const std::size_t count = std::min(kUuLineBytes, data.size() - offset);
    text += uu_encode_line(std::span(data).subspan(offset, count)) + "\r\n";
    for (std::size_t i = offset; i < offset + count; ++i) sum += data[i];
    if (++lines_in_block == 20 || offset + count == data.size()) {
      text += std::to_string(sum) + "\r\n";
      sum = 0;
      lines_in_block = 0;
    }
  }
  return text;
}

TEST(PtyEndToEnd, PacedInputTakesTheLineTimeOfWhatTheHostWrites) {
  SimProcess sim(WithBinary({"--baud-rate", "115200"}));
  HostPort host(sim.Path());
  synchronise(host);
  exchange(host, "A 0", "A 0\r\n0\r\n");  // no echo: the answers are all that comes back
  exchange(host, "U 23130", "0\r\n");
  exchange(host, "W 268436224 4096", "0\r\n");
  std::vector<std::uint8_t> data(4096);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7);
  const std::string phase = write_data_phase(data);  // 92 lines and 5 checksums
  const auto start = std::chrono::steady_clock::now();
  host.write(phase);
  EXPECT_EQ(host.read(20, 10s), "OK\r\nOK\r\nOK\r\nOK\r\nOK\r\n");
  const auto elapsed = std::chrono::steady_clock::now() - start;
  // The last checksum cannot be in before every byte of the phase has crossed the line.
  EXPECT_GE(elapsed, std::chrono::microseconds(phase.size() * 10'000'000 / 115200));
}

TEST(PtyEndToEnd, UnderALineRateAnEraseTakesItsTimeAndNothingIsReadMeanwhile) {
  SimProcess sim(WithBinary({"--baud-rate", "115200"}));
  HostPort host(sim.Path());
  synchronise(host);
  exchange(host, "U 23130", "U 23130\r\n0\r\n");
  exchange(host, "P 0 0", "P 0 0\r\n0\r\n");
  const auto start = std::chrono::steady_clock::now();
  host.write("E 0 0\r\nJ\r\n");
  const std::string expected = "E 0 0\r\n0\r\nJ\r\n0\r\n913309739\r\n";
  EXPECT_EQ(host.read(expected.size(), 10s), expected);
  EXPECT_GE(std::chrono::steady_clock::now() - start, 100ms);  // one 4 KiB sector
}

TEST(PtyEndToEnd, ExactEchoDialectOnTheLine) {
  SimProcess sim(WithBinary({"--echo", "exact"}));
  HostPort host(sim.Path());
  host.write("?");
  ASSERT_EQ(host.read(14), "Synchronized\r\n");
  exchange(host, "Synchronized", "Synchronized\rOK\r\n");
  exchange(host, "12000", "12000\rOK\r\n");
  exchange(host, "J", "J\r0\r\n913309739\r\n");
  host.write("\r\n\r");
  EXPECT_EQ(host.read(2), "\r\r");
}

TEST(PtyEndToEnd, PartFlagSetsTheGeometryAndTheFlashFilesFollowIt) {
  ScopedTempDir dir;
  std::ofstream(dir.File("in.bin"), std::ios::binary) << std::string(70000, '\x5A');
  SimProcess sim(WithBinary(
      {"--part", "LPC1768", "--flash-in", dir.File("in.bin"), "--flash-out", dir.File("out.bin")}));
  {
    HostPort host(sim.Path());
    synchronise(host);
    exchange(host, "J", "J\r\n0\r\n637615927\r\n");
    exchange(host, "I 17 29", "I 17 29\r\n0\r\n");  // 70000 bytes end in sector 16
    exchange(host, "I 16 16", "I 16 16\r\n8\r\n0\r\n1515870810\r\n");
  }
  sim.Signal(SIGTERM);
  EXPECT_EQ(sim.WaitExit(10s), 0);
  std::ifstream out(dir.File("out.bin"), std::ios::binary);
  const std::string flash{std::istreambuf_iterator<char>(out), {}};
  ASSERT_EQ(flash.size(), 512u * 1024u);
  EXPECT_EQ(flash.substr(0, 70000), std::string(70000, '\x5A'));
  EXPECT_EQ(flash.substr(70000), std::string(512 * 1024 - 70000, '\xFF'));

  const auto too_large = testing_support::RunProcess(
      {ISP_SIM_BINARY, "--part", "LPC1114/301", "--flash-in", dir.File("in.bin")},
      dir.Path().string());
  EXPECT_EQ(too_large.exit_status, 1);
  EXPECT_NE(too_large.err.find("larger than the flash (32768 bytes)"), std::string::npos)
      << too_large.err;
}

TEST(PtyEndToEnd, HelpListsThePartTable) {
  ScopedTempDir dir;
  const auto help = testing_support::RunProcess({ISP_SIM_BINARY, "--help"}, dir.Path().string());
  EXPECT_EQ(help.exit_status, 0);
  for (const PartInfo& part : part_table()) {
    SCOPED_TRACE(std::string(part.name));
    const std::size_t row = help.out.find("  " + std::string(part.name) + " ");
    ASSERT_NE(row, std::string::npos) << help.out;
    const std::string line = help.out.substr(row, help.out.find('\n', row) - row);
    EXPECT_NE(line.find(" " + std::to_string(part.id) + " "), std::string::npos) << line;
    EXPECT_NE(line.find(std::to_string(part.flash_size / 1024) + " KiB"), std::string::npos)
        << line;
  }
  EXPECT_NE(help.out.find("16 x 4 KiB + 14 x 32 KiB"), std::string::npos) << help.out;
}

TEST(PtyEndToEnd, XonXoffAfterEveryNBytesSent) {
  SimProcess sim(WithBinary({"--xon-xoff", "10"}));
  HostPort host(sim.Path());
  host.write("?");
  EXPECT_EQ(host.read(16),
            "Synchroniz\x13\x11"
            "ed\r\n");
  host.write("Synchronized\r\n12000\r\nJ\r\n");
  const std::string payload = "Synchronized\r\nOK\r\n12000\r\nOK\r\nJ\r\n0\r\n913309739\r\n";
  const std::string line = host.read_for(500ms);
  // 4 bytes were sent already: the signals follow payload bytes 6, 16, 26 and 36.
  std::string expected;
  for (std::size_t i = 0; i < payload.size(); ++i) {
    expected += payload[i];
    if ((i + 4 + 1) % 10 == 0) expected += "\x13\x11";
  }
  EXPECT_EQ(line, expected);
}

}  // namespace
}  // namespace isp_sim::testing
