// The command line's care for the user's files: names shown escaped,
// outputs that collide, and the advice for a protected part.
#include <gtest/gtest.h>

#include <filesystem>
#ifndef _WIN32
#include <unistd.h>
#endif

#include "cli/failure_text.h"
#include "cli/file_collisions.h"
#include "cli/shown_name.h"
#include "tests/support/hex_writer.h"
#include "tests/support/temp_dir.h"

namespace {

TEST(ShownNameTest, ControlCharactersAreEscapedAndOtherTextKept) {
  const std::pair<std::string, std::string> cases[] = {
      {"fw.hex", "fw.hex"},
      {"\x1b[2K\rComplete.", "\\x1B[2K\\x0DComplete."},
      {"a\nb\tc\x7f", "a\\x0Ab\\x09c\\x7F"},
      {"csi\xc2\x9b"
       "2J",
       "csi\\xC2\\x9B2J"},                                   // U+009B, a CSI of its own
      {"gr\xc3\xbc\xc3\x9f.bin", "gr\xc3\xbc\xc3\x9f.bin"},  // UTF-8 letters stay
      {"C:\\fw\\app.hex", "C:\\fw\\app.hex"},
      {"trailing\xc2", "trailing\xc2"},
  };
  for (const auto& [name, shown] : cases) EXPECT_EQ(cli::ShownName(name), shown) << shown;
}

TEST(FileCollisionsTest, TheSameFileUnderAnyNameIsFoundWhenOneOfThemIsWritten) {
  testing_support::ScopedTempDir dir;
  testing_support::WriteTextFile(dir.File("fw.hex"), "firmware");
  testing_support::WriteTextFile(dir.File("other.hex"), "firmware");
  std::filesystem::create_directory(dir.File("sub"));
  const std::string clash = ": nothing was sent; give another name";
  using Files = std::vector<cli::FileRole>;
  const struct {
    const char* name;
    Files files;
    std::string expected;  // empty: no collision
  } cases[] = {
      {"same name",
       {{"the image", "fw.hex", false}, {"--log", "fw.hex"}},
       "fw.hex (--log) is the same file as fw.hex (the image)" + clash},
      {"another spelling",
       {{"--out", "sub/../fw.hex"}, {"the image", dir.File("fw.hex"), false}},
       "sub/../fw.hex (--out) is the same file as " + dir.File("fw.hex") + " (the image)" + clash},
      {"not there yet",
       {{"--out", "new.bin"}, {"the traffic log", "./sub/../new.bin"}},
       "new.bin (--out) is the same file as ./sub/../new.bin (the traffic log)" + clash},
      {"two outputs apart", {{"--out", "new.bin"}, {"the traffic log", "commlog.txt"}}, ""},
      {"equal contents, other files", {{"the image", "fw.hex", false}, {"--log", "other.hex"}}, ""},
      {"one there, one not", {{"the image", "fw.hex", false}, {"--log", "sub/fw.hex"}}, ""},
      {"two inputs", {{"the image", "fw.hex", false}, {"the part file", "fw.hex", false}}, ""},
      {"third of three",
       {{"the image", "fw.hex", false}, {"--out", "a.bin"}, {"--log", "sub/../a.bin"}},
       "a.bin (--out) is the same file as sub/../a.bin (--log)" + clash},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(cli::CollidingFiles(c.files).value_or(""), c.expected) << c.name;
  }
#ifndef _WIN32
  ASSERT_EQ(link(dir.File("fw.hex").c_str(), dir.File("hard.hex").c_str()), 0);
  EXPECT_EQ(
      cli::CollidingFiles({{"the image", "fw.hex", false}, {"--log", "hard.hex"}}).value_or(""),
      "hard.hex (--log) is the same file as fw.hex (the image)" + clash);
  // An output that is a link is refused when opened: nothing goes through it.
  ASSERT_EQ(symlink(dir.File("fw.hex").c_str(), dir.File("link.log").c_str()), 0);
  EXPECT_EQ(cli::CollidingFiles({{"the image", "fw.hex", false}, {"--log", "link.log"}}),
            std::nullopt);
  // An input that is a link to an output is the output's file.
  EXPECT_EQ(
      cli::CollidingFiles({{"the image", "link.log", false}, {"--log", "fw.hex"}}).value_or(""),
      "fw.hex (--log) is the same file as link.log (the image)" + clash);
#endif
}

TEST(ProtectionAdviceTest, EachCommandIsAdvisedOnlyItsOwnOptionsAndReadingIsNeverAdvisedAway) {
  using isp::Phase;
  const struct {
    const char* command;
    Phase phase;
    const char* advice;
    std::vector<const char*> never;
  } cases[] = {
      {"read",
       Phase::kRead,
       "so it cannot be read while it is protected",
       {"--erase-all", "--all"}},
      {"verify",
       Phase::kRead,
       "so it cannot be verified while it is protected",
       {"--erase-all", "--all"}},
      {"verify", Phase::kVerify, "so it cannot be verified", {"--erase-all", "--all"}},
      {"program", Phase::kVerify, "so it cannot be verified", {"--erase-all", "--all"}},
      {"erase", Phase::kErase, "erase --all erases the whole flash", {"--erase-all"}},
      {"program",
       Phase::kErase,
       "nothing was erased. To replace all it holds: program --erase-all (the run ends after the "
       "erase), reset the part into its boot loader and program again",
       {"erase --all"}},
      {"program",
       Phase::kWrite,
       "after an erase of every sector (--erase-all), reset the part",
       {"erase --all"}},
      {"info",
       Phase::kIdentify,
       "code read protection (CRP1 or CRP2) refuses it",
       {"--erase-all", "--all"}},
  };
  for (const auto& c : cases) {
    isp::Failure failure;
    failure.phase = c.phase;
    failure.result = {isp::ResultKind::kReturnCode, isp::ReturnCode::CODE_READ_PROTECTION_ENABLED,
                      "R 0 4", "19\r\n"};
    const std::string text =
        cli::DescribeFailure(failure, {"/dev/ttyUSB0", 115200, "fw.hex", c.command});
    EXPECT_NE(text.find(c.advice), std::string::npos) << c.command << ": " << text;
    for (const char* option : c.never) {
      EXPECT_EQ(text.find(option), std::string::npos) << c.command << ": " << text;
    }
  }
}

}  // namespace
