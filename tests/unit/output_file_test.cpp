#include "isp/output_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "tests/support/hex_writer.h"
#include "tests/support/temp_dir.h"

namespace {

using testing_support::ReadFile;
using testing_support::WriteTextFile;

class OutputFileTest : public ::testing::Test {
 protected:
  // Creates name, writes "new" and closes it; the reason when it was refused.
  std::string Create(const std::string& name) {
    std::string why;
    std::FILE* file = isp::CreateOutputFile(dir.File(name).c_str(), why);
    if (file == nullptr) return why;
    std::fputs("new", file);
    std::fclose(file);
    return "";
  }

  testing_support::ScopedTempDir dir;
};

TEST_F(OutputFileTest, NewAndOldRegularFilesAreWrittenAfresh) {
  const mode_t old_mask = umask(022);
  EXPECT_EQ(Create("fresh.bin"), "");
  umask(old_mask);
  EXPECT_EQ(ReadFile(dir.File("fresh.bin")), "new");
  struct stat info {};
  ASSERT_EQ(stat(dir.File("fresh.bin").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0644u);

  WriteTextFile(dir.File("old.bin"), "a much longer old content");
  EXPECT_EQ(Create("old.bin"), "");
  EXPECT_EQ(ReadFile(dir.File("old.bin")), "new");
}

TEST_F(OutputFileTest, NamesThatLeadElsewhereAreRefusedAndLeaveTheirTargetAlone) {
  WriteTextFile(dir.File("victim"), "someone else's file");
  ASSERT_EQ(symlink(dir.File("victim").c_str(), dir.File("link").c_str()), 0);
  ASSERT_EQ(symlink(dir.File("nothing-yet").c_str(), dir.File("dangling").c_str()), 0);
  ASSERT_EQ(link(dir.File("victim").c_str(), dir.File("hard").c_str()), 0);
  ASSERT_EQ(mkfifo(dir.File("fifo").c_str(), 0600), 0);
  ASSERT_EQ(mkfifo(dir.File("read-fifo").c_str(), 0600), 0);
  const int reader = ::open(dir.File("read-fifo").c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  ASSERT_TRUE(std::filesystem::create_directory(dir.File("folder")));
  struct Case {
    const char* name;
    const char* why;
  } cases[] = {
      {"link", "it is a symbolic link"},
      {"dangling", "it is a symbolic link"},
      {"hard", "it has other hard links"},
      {"fifo", "it is not a regular file"},  // and the open does not wait for a reader
      {"read-fifo", "it is not a regular file"},
      {"folder", "Is a directory"},
  };
  for (const Case& c : cases) EXPECT_EQ(Create(c.name), c.why) << c.name;
  EXPECT_EQ(ReadFile(dir.File("victim")), "someone else's file");
  EXPECT_FALSE(std::filesystem::exists(dir.File("nothing-yet")));
  EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link")));
  ::close(reader);
}

}  // namespace
