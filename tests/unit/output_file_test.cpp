#include "isp/image/output_file.h"

#include "isp/image/replacement_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <vector>

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

TEST_F(OutputFileTest, NoFolderOnThePathIsFollowedThroughALink) {
  ASSERT_TRUE(std::filesystem::create_directory(dir.File("real")));
  ASSERT_EQ(symlink(dir.File("real").c_str(), dir.File("via").c_str()), 0);
  EXPECT_EQ(Create("via/commlog.txt"), "its folder " + dir.File("via") + " is a symbolic link");
  EXPECT_EQ(Create("none/commlog.txt"),
            "its folder " + dir.File("none") + ": No such file or directory");
  EXPECT_EQ(Create("real/./commlog.txt"), "");
  EXPECT_EQ(ReadFile(dir.File("real/commlog.txt")), "new");
  std::string why;
  isp::ReplacementFile file;
  EXPECT_FALSE(file.Open(dir.File("via/dump.bin"), why));
  EXPECT_EQ(why, "its folder " + dir.File("via") + " is a symbolic link");
  EXPECT_FALSE(std::filesystem::exists(dir.File("real/dump.bin")));
}

class ReplacementFileTest : public OutputFileTest {
 protected:
  // The names in the folder, the new file beside the old one included.
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
};

TEST_F(ReplacementFileTest, TheOldFileStaysUntilCommitAndOnlyTheNewOneGoesOnFailure) {
  WriteTextFile(dir.File("keep.bin"), "old");
  ASSERT_EQ(chmod(dir.File("keep.bin").c_str(), 0640), 0);
  {
    // Abandoned, explicitly or by going out of scope: the old file as it was.
    for (const bool explicitly : {true, false}) {
      isp::ReplacementFile file;
      std::string why;
      ASSERT_TRUE(file.Open(dir.File("keep.bin"), why)) << why;
      std::fputs("half a read", file.File());
      std::fflush(file.File());
      EXPECT_EQ(ReadFile(dir.File("keep.bin")), "old");
      EXPECT_EQ(Names().size(), 2u);  // the new file beside it
      if (explicitly) file.Abandon();
    }
    EXPECT_EQ(Names(), std::vector<std::string>{"keep.bin"});
    EXPECT_EQ(ReadFile(dir.File("keep.bin")), "old");
  }
  isp::ReplacementFile file;
  std::string why;
  ASSERT_TRUE(file.Open(dir.File("keep.bin"), why)) << why;
  std::fputs("the whole read", file.File());
  ASSERT_TRUE(file.Commit(why)) << why;
  EXPECT_EQ(ReadFile(dir.File("keep.bin")), "the whole read");
  EXPECT_EQ(Names(), std::vector<std::string>{"keep.bin"});
  struct stat info {};
  ASSERT_EQ(stat(dir.File("keep.bin").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
  // A name that is not there yet.
  ASSERT_TRUE(file.Open(dir.File("fresh.bin"), why)) << why;
  std::fputs("new", file.File());
  ASSERT_TRUE(file.Commit(why)) << why;
  EXPECT_EQ(ReadFile(dir.File("fresh.bin")), "new");
}

TEST_F(ReplacementFileTest, NamesThatLeadElsewhereAreRefusedBeforeAnythingIsMade) {
  WriteTextFile(dir.File("victim"), "someone else's file");
  ASSERT_EQ(symlink(dir.File("victim").c_str(), dir.File("link").c_str()), 0);
  ASSERT_EQ(link(dir.File("victim").c_str(), dir.File("hard").c_str()), 0);
  ASSERT_EQ(mkfifo(dir.File("fifo").c_str(), 0600), 0);
  ASSERT_TRUE(std::filesystem::create_directory(dir.File("folder")));
  const std::pair<const char*, const char*> cases[] = {
      {"link", "it is a symbolic link"},    {"hard", "it has other hard links"},
      {"fifo", "it is not a regular file"}, {"folder", "Is a directory"},
      {"folder/", "Is a directory"},
  };
  const std::vector<std::string> before = Names();
  for (const auto& [name, reason] : cases) {
    isp::ReplacementFile file;
    std::string why;
    EXPECT_FALSE(file.Open(dir.File(name), why)) << name;
    EXPECT_EQ(why, reason) << name;
  }
  EXPECT_EQ(Names(), before);
  EXPECT_EQ(ReadFile(dir.File("victim")), "someone else's file");
}

}  // namespace
