// The boot ROM's window over the lowest flash bytes: program, verify and
// read against isp-sim whose R shows the boot ROM there (its default) or
// the flash (--read-sees-flash), in both echo dialects. The host assumes
// the boot ROM for every part, so its output is the same on both.
#include <sstream>

#include "cli/failure_text.h"
#include "isp/image/image_loader.h"
#include "tests/e2e/e2e_fixture.h"

namespace e2e {
namespace {

using testing_support::Pattern;

struct WindowCase {
  const char* name;
  std::vector<std::string> sim_flags;
  std::uint32_t window;  // bytes from address 0
  std::uint32_t flash_size;
  std::uint32_t ram_buffer;
};

void PrintTo(const WindowCase& c, std::ostream* os) {
  *os << c.name;
}

std::string Hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", value);
  return text;
}

std::vector<std::uint8_t> ExpectedFlash(const ByteMap& bytes, std::uint32_t flash_size) {
  std::vector<std::uint8_t> flash(flash_size, 0xFF);
  for (const auto& [address, value] : bytes) flash[address] = value;
  return testing_support::WithChecksumWord(std::move(flash));
}

// 6144 bytes: a 4096-byte copy at 0 (the vector table, last) and two of 1024.
constexpr std::uint32_t kImageEnd = 0x1800;

class WindowTest : public E2eTest, public ::testing::WithParamInterface<WindowCase> {
 protected:
  testing_support::ProcessResult Run(const std::string& command,
                                     const std::vector<std::string>& args) {
    std::vector<std::string> argv = {command, "--port", Port(), "--no-start-isp"};
    argv.insert(argv.end(), args.begin(), args.end());
    return Cli(argv);
  }
  std::string InRam() const {
    return " (the lowest " + std::to_string(GetParam().window) +
           " in RAM before their copy: the boot ROM hides them in flash)\n";
  }
  std::string NotCompared() const {
    return std::to_string(GetParam().window) + " bytes of the file below " +
           Hex(GetParam().window) + " not compared: the boot ROM hides them from R on this part";
  }
};

TEST_P(WindowTest, ProgramVerifyAndReadSeeTheWindowOnlyWhereTheyCan) {
  const WindowCase& c = GetParam();
  const ByteMap bytes = Pattern(0, kImageEnd);
  const std::vector<std::uint8_t> expected = ExpectedFlash(bytes, c.flash_size);
  StartSim(c.sim_flags, false);

  // Both verify modes complete and say what their "ok" means.
  auto result = Program(bytes, {"--no-start-isp", "--no-run"});
  EXPECT_EQ(result.exit_status, 0) << result.out << result.err;
  EXPECT_EQ(result.err, "");
  EXPECT_NE(result.out.find("\nVerify        ok: the flash holds what the part received (M), "
                            "6144 bytes compared" +
                            InRam()),
            std::string::npos)
      << result.out;
  EXPECT_TRUE(result.out.ends_with("Complete.\n")) << result.out;
  result = Run("program", {"--no-run", "--verify", "read", "image.hex"});
  EXPECT_EQ(result.exit_status, 0) << result.out << result.err;
  EXPECT_EQ(result.err, "");
  EXPECT_NE(result.out.find("\nVerify        ok: the flash equals the file (read back), 6144 "
                            "bytes compared" +
                            InRam()),
            std::string::npos)
      << result.out;

  // verify FILE leaves the window out and says so.
  result = Run("verify", {"image.hex"});
  EXPECT_EQ(result.exit_status, 0) << result.out << result.err;
  EXPECT_EQ(result.err, "");
  const std::string compared = std::to_string(kImageEnd - c.window);
  EXPECT_NE(result.out.find("\nVerify        ok: the flash equals the file (read back), " +
                            compared + " bytes compared; " + NotCompared() + "\n"),
            std::string::npos)
      << result.out;
  // One byte above the window changed in the file: a difference, with its address.
  ByteMap changed = bytes;
  changed[c.window + 0x10] ^= 0x01;
  testing_support::WriteTextFile(dir.File("changed.hex"), testing_support::HexFromBytes(changed));
  result = Run("verify", {"changed.hex"});
  EXPECT_EQ(result.exit_status, 1) << result.out << result.err;
  EXPECT_EQ(result.err, "Error: The flash differs from changed.hex: 1 of " + compared +
                            " bytes differ, the first at " + Hex(c.window + 0x10) + "; " +
                            NotCompared() + "\n");

  // Intel HEX leaves the window out; a raw binary starts above it.
  result = Run("read", {"--out", "dump.hex", "--length", std::to_string(kImageEnd)});
  EXPECT_EQ(result.exit_status, 0) << result.out << result.err;
  EXPECT_EQ(result.err, "Warning: 0x00000000 to " + Hex(c.window - 1) +
                            " left out of dump.hex: the boot ROM hides the lowest " +
                            std::to_string(c.window) +
                            " bytes of the flash from R while its boot loader runs\n");
  isp::FlashImage image;
  isp::ImageError error;
  ASSERT_TRUE(isp::LoadFlashImage(dir.File("dump.hex"), c.flash_size, image, error))
      << cli::ImageErrorText(error);
  EXPECT_FALSE(image.Placed(0, c.window));
  ASSERT_EQ(image.End(), kImageEnd);
  EXPECT_TRUE(std::vector<std::uint8_t>(image.Data() + c.window, image.Data() + kImageEnd) ==
              std::vector<std::uint8_t>(expected.begin() + c.window, expected.begin() + kImageEnd));
  result = Run("read", {"--out", "dump.bin", "--length", "1024"});
  EXPECT_EQ(result.exit_status, 2) << result.out << result.err;
  EXPECT_TRUE(result.err.starts_with("Error: Cannot read 0x00000000 to " + Hex(c.window - 1)))
      << result.err;
  EXPECT_FALSE(FileExists("dump.bin"));
  result = Run("read", {"--out", "dump.bin", "--address", std::to_string(c.window), "--length",
                        std::to_string(kImageEnd - c.window)});
  EXPECT_EQ(result.exit_status, 0) << result.out << result.err;
  const std::string dump = FileText("dump.bin");
  EXPECT_TRUE(std::vector<std::uint8_t>(dump.begin(), dump.end()) ==
              std::vector<std::uint8_t>(expected.begin() + c.window, expected.begin() + kImageEnd));

  sim->Stop();
  EXPECT_TRUE(WholeFlash() == expected);
}

TEST_P(WindowTest, CorruptedRamBeforeTheVectorTableCopyFailsBeforeThatCopy) {
  const WindowCase& c = GetParam();
  // One chunk, at 0: W transfer 0 carries the vector table; its byte 16 goes bad in RAM.
  std::vector<std::string> flags = c.sim_flags;
  flags.insert(flags.end(), {"--corrupt-ram", "0"});
  for (const char* mode : {"ram", "read"}) {
    SCOPED_TRACE(mode);
    StartSim(flags);
    const auto result = Program(Pattern(0, 0x1000), {"--no-start-isp", "--verify", mode});
    EXPECT_EQ(result.exit_status, 1) << result.out << result.err;
    EXPECT_EQ(result.err, "Error: Verify failed in RAM at " + Hex(c.ram_buffer + 16) +
                              " before the copy to 0x00000000: the RAM buffer does not hold what "
                              "was sent, though the part took its checksums (\"R " +
                              std::to_string(c.ram_buffer) + " " + std::to_string(c.window) +
                              "\"); nothing was copied there: try again\n");
    EXPECT_TRUE(result.out.ends_with("Failed!\n")) << result.out;
    const auto report = Report();
    EXPECT_TRUE(report.at("copied_blocks").empty()) << report.dump();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Parts, WindowTest,
    ::testing::Values(WindowCase{"lpc1227_crlf_rom", {}, 512, 128 * 1024, 0x10000300},
                      WindowCase{
                          "lpc1227_crlf_flash", {"--read-sees-flash"}, 512, 128 * 1024, 0x10000300},
                      WindowCase{"lpc1115_exact_rom",
                                 {"--part", "LPC1115/303", "--echo", "exact"},
                                 512,
                                 64 * 1024,
                                 0x10000300},
                      WindowCase{"lpc1115_exact_flash",
                                 {"--part", "LPC1115/303", "--echo", "exact", "--read-sees-flash"},
                                 512,
                                 64 * 1024,
                                 0x10000300},
                      WindowCase{"lpc1768_exact_rom",
                                 {"--part", "LPC1768", "--echo", "exact"},
                                 64,
                                 512 * 1024,
                                 0x10000200},
                      WindowCase{"lpc1768_exact_flash",
                                 {"--part", "LPC1768", "--echo", "exact", "--read-sees-flash"},
                                 64,
                                 512 * 1024,
                                 0x10000200}),
    [](const ::testing::TestParamInfo<WindowCase>& param_info) {
      return std::string(param_info.param.name);
    });

// Two bytes of one block changed so that its sum holds (+1 and -1 at
// 0x1008 and 0x1009, in the first copy's RAM): M compares the flash with
// that RAM and finds them equal, so only a read back sees the fault.
TEST_F(E2eTest, OffsettingLineErrorsPassMButNotTheReadBack) {
  const ByteMap bytes = Pattern(0, kImageEnd);
  StartSim({"--offsetting-error", "0"}, false);
  auto result = Program(bytes, {"--no-start-isp", "--no-run", "--json"});
  EXPECT_EQ(result.exit_status, 0) << result.out << result.err;
  bool verify_seen = false;
  std::istringstream lines(result.out);
  for (std::string line; std::getline(lines, line);) {
    const auto event = nlohmann::json::parse(line);
    if (event.value("phase", "") != "Verify") continue;
    verify_seen = true;
    EXPECT_EQ(event.at("mode"), "ram") << line;
    EXPECT_EQ(event.at("bytes"), 6144) << line;
    EXPECT_EQ(event.at("in_ram"), 512) << line;
    EXPECT_EQ(event.at("not_compared"), 0) << line;
  }
  EXPECT_TRUE(verify_seen) << result.out;
  result = Cli({"verify", "--no-start-isp", "--port", Port(), "image.hex"});
  EXPECT_EQ(result.exit_status, 1) << result.out << result.err;
  EXPECT_TRUE(result.err.starts_with(
      "Error: The flash differs from image.hex: 2 of 5632 bytes differ, the first at 0x00001008;"))
      << result.err;
  sim->Stop();

  StartSim({"--offsetting-error", "0"});
  result = Program(bytes, {"--no-start-isp", "--verify", "read"});
  EXPECT_EQ(result.exit_status, 1) << result.out << result.err;
  EXPECT_EQ(result.err,
            "Error: Verify failed at 0x00001008: the flash does not hold what was written (\"R "
            "4096 1024\"); try again, perhaps with --erase-all\n");
  // Found before the vector table's copy: the part stays in its boot loader.
  const auto report = Report();
  EXPECT_FALSE(report.at("firmware_running").get<bool>()) << report.dump();
  for (const auto& block : report.at("copied_blocks")) EXPECT_NE(block.at("flash"), 0);
}

}  // namespace
}  // namespace e2e
