// A part the host does not know, made known by a part file of the user's
// own: program and info work with it, parts lists it with its file and
// line, and a malformed file stops the run before the port opens.
#include <filesystem>

#include "tests/e2e/e2e_fixture.h"

namespace e2e {
namespace {

using testing_support::Pattern;

// The LPC1115/303's geometry under an id no built-in row has.
const std::string kNewPart =
    "{\"parts\": [\n"
    "  {\"id\": \"0x12345678\", \"name\": \"Board X\",\n"
    "   \"sectors\": [{\"size\": 4096, \"count\": 16}], \"ram_size\": 8192,\n"
    "   \"ram_buffer_start\": \"0x10000300\", \"ram_buffer_end\": \"0x10001F00\",\n"
    "   \"ecc_lines\": true}\n"
    "]}\n";
const std::vector<std::string> kSim = {"--part", "LPC1115/303", "--id-override", "0x12345678"};

class PartFileTest : public E2eTest {
 protected:
  void WriteUserPartFile(const std::string& text) {
    std::filesystem::create_directories(dir.File("config/tarvo"));
    testing_support::WriteTextFile(UserPartFile(), text);
  }
};

TEST_F(PartFileTest, AnAddedPartIsProgrammedAndDescribed) {
  testing_support::WriteTextFile(dir.File("board.json"), kNewPart);
  StartSim(kSim, false);
  const ByteMap bytes = Pattern(0, 0x2100);
  testing_support::WriteTextFile(dir.File("app.hex"), testing_support::HexFromBytes(bytes));
  auto result = Cli({"program", "--port", Port(), "--no-start-isp", "--no-run", "--parts",
                     "board.json", "app.hex"});
  EXPECT_EQ(result.exit_status, 0) << result.out << result.err;
  EXPECT_NE(result.out.find("Identify      Board X, 64 KiB flash\n"), std::string::npos)
      << result.out;
  EXPECT_NE(result.out.find("\nVerify        ok: the flash holds what the part received (M), "),
            std::string::npos)
      << result.out;

  result = Cli({"info", "--port", Port(), "--no-start-isp", "--parts", "board.json"});
  EXPECT_EQ(result.exit_status, 0) << result.out << result.err;
  EXPECT_NE(result.out.find("Part          Board X\n"
                            "Part id       0x12345678 (305419896)\n"
                            "Flash         64 KiB\n"
                            "RAM           8 KiB\n"
                            "Sectors       16 sectors: 0-15 x 4 KiB\n"),
            std::string::npos)
      << result.out;
  // run meets the part too: it starts the firmware of the part the file adds.
  result = Cli({"run", "--port", Port(), "--no-start-isp", "--parts", "board.json"});
  EXPECT_EQ(result.exit_status, 0) << result.out << result.err;
  sim->Stop();
  const auto flash = WholeFlash();
  ASSERT_EQ(flash.size(), 64u * 1024);
  for (const auto& [address, value] : bytes) {
    // Word 7 of the vector table becomes its checksum.
    if (address < 28 || address >= 32) {
      ASSERT_EQ(flash[address], value) << address;
    }
  }
  EXPECT_EQ(flash[0x2100], 0xFF);
}

TEST_F(PartFileTest, TheUsersOwnFileIsReadAndPartsSaysWhereEachRowCameFrom) {
  if (kUnderWine)
    GTEST_SKIP() << "the Windows program's own part file lies in the prefix's %APPDATA%";
  WriteUserPartFile(kNewPart);
  StartSim(kSim);
  auto result = Cli({"info", "--port", Port(), "--no-start-isp"});
  EXPECT_EQ(result.exit_status, 0) << result.out << result.err;
  EXPECT_NE(result.out.find("Part          Board X\n"), std::string::npos) << result.out;

  // --parts overrides the user's row of the same id.
  std::string renamed = kNewPart;
  renamed.replace(renamed.find("Board X"), 7, "Board Y");
  testing_support::WriteTextFile(dir.File("more.json"), "\n" + renamed);
  result = Cli({"parts", "--parts", "more.json"});
  EXPECT_EQ(result.exit_status, 0) << result.out << result.err;
  EXPECT_TRUE(result.out.starts_with("name ")) << result.out;
  EXPECT_NE(result.out.find("\nLPC1768        0x26013F37 512 KiB  16 x 4 KiB + 14 x 32 KiB"),
            std::string::npos)
      << result.out;
  const std::size_t row = result.out.find("\nBoard Y        0x12345678  64 KiB  16 x 4 KiB");
  ASSERT_NE(row, std::string::npos) << result.out;
  const std::string line = result.out.substr(row + 1, result.out.find('\n', row + 1) - row - 1);
  EXPECT_TRUE(line.ends_with(" more.json:3")) << line;
  EXPECT_EQ(result.out.find("Board X"), std::string::npos) << result.out;
  EXPECT_TRUE(result.out.find(" built in\n") != std::string::npos) << result.out;
}

TEST_F(PartFileTest, MalformedPartFilesStopTheRunBeforeThePortOpens) {
  const struct {
    const char* file;
    std::string text;
    std::vector<std::string> args;
    std::string error;  // after "Error: "
  } cases[] = {
      {"bad.json",
       "[{\"id\": 5,\n  \"name\": \"X\", \"size\": 1}]",
       {"program", "--parts", "bad.json", "app.hex"},
       "bad.json:2: size: no such field"},
      {"ram.json",
       "[{\"id\": 5, \"name\": \"X\", \"sectors\": [{\"size\": 4096, \"count\": 1}],\n"
       "  \"ram_size\": 4096,\n  \"ram_buffer_start\": \"0x20000000\",\n"
       "  \"ram_buffer_end\": \"0x10000F00\"}]",
       {"info", "--parts", "ram.json"},
       "ram.json:3: ram_buffer_start: 0x20000000 lies outside the 4096 bytes of RAM (0x10000000 "
       "to 0x10000FFF)"},
      {"", "", {"read", "--parts", "none.json", "--out", "x.bin"}, "none.json: no such part file"},
      {"user", "[{\"id\": 5,\n", {"erase", "--all"}, "PARTFILE:2: not valid JSON: syntax error"},
  };
  testing_support::WriteTextFile(dir.File("app.hex"), testing_support::HexFromBytes(Pattern(16)));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.error);
    std::string error = c.error;
    if (std::string(c.file) == "user") {
      // The Windows program's own part file lies in the Wine prefix's %APPDATA%.
      if (kUnderWine) continue;
      WriteUserPartFile(c.text);
      error.replace(0, 8, UserPartFile());
    } else if (c.file[0] != '\0') {
      testing_support::WriteTextFile(dir.File(c.file), c.text);
    }
    std::vector<std::string> args = c.args;
    args.insert(args.begin() + 1, {"--port", "COM9"});
    const auto result = Cli(args);
    EXPECT_EQ(result.exit_status, 2) << result.out << result.err;
    EXPECT_TRUE(result.err.starts_with("Error: " + error)) << result.err;
    EXPECT_EQ(result.err.find("COM9"), std::string::npos) << result.err;
  }
}

}  // namespace
}  // namespace e2e
