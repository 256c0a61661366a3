// Output files on Windows: a disk file is created or emptied, a device or a
// name with another hard link is refused and left alone.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "isp/image/output_file.h"
#include "tests/support/hex_writer.h"
#include "tests/support/temp_dir.h"

namespace {

TEST(Win32OutputFileTest, DiskFileIsCreatedOrEmptied) {
  testing_support::ScopedTempDir dir;
  const std::string path = dir.File("commlog.txt");
  for (const char* before : {"", "old contents"}) {
    if (*before != '\0') testing_support::WriteTextFile(path, before);
    std::string why;
    std::FILE* file = isp::CreateOutputFile(path.c_str(), why);
    ASSERT_NE(file, nullptr) << why;
    std::fputs("Start", file);
    std::fclose(file);
    EXPECT_EQ(testing_support::ReadFile(path), "Start");
  }
}

TEST(Win32OutputFileTest, DeviceAndHardLinkAreRefused) {
  testing_support::ScopedTempDir dir;
  std::string why;
  EXPECT_EQ(isp::CreateOutputFile("NUL", why), nullptr);
  EXPECT_EQ(why, "it is not a regular file");

  const std::string target = dir.File("target.txt");
  testing_support::WriteTextFile(target, "keep me");
  const std::string link = dir.File("block.bin");
  ASSERT_TRUE(CreateHardLinkA(link.c_str(), target.c_str(), nullptr));
  EXPECT_EQ(isp::CreateOutputFile(link.c_str(), why), nullptr);
  EXPECT_EQ(why, "it has other hard links");
  EXPECT_EQ(testing_support::ReadFile(target), "keep me");
}

}  // namespace
