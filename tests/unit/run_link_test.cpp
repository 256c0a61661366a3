// The port and traffic log of a boot-loader command's run: what the run is
// told while they open and close, and which files are checked against the log.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli/run_link.h"
#include "isp/run_log.h"
#include "tests/support/pty_peer.h"
#include "tests/support/temp_dir.h"

namespace {

// Every message with its kind, in the order they came.
struct HeardMessages {
  std::vector<std::string> heard;
  cli::LinkMessages Messages() {
    return {[this](const std::string& text) { heard.push_back("warning: " + text); },
            [this](const std::string& text) { heard.push_back("error: " + text); }};
  }
};

TEST(RunLinkTest, TheLogIsAttachedAsTheOptionsChooseAndKeptOnlyWhenWritten) {
  testing_support::ScopedTempDir dir;
  testing_support::PtyPeer peer;
  const struct {
    const char* name;
    std::string log_path;
    bool no_log;
    std::string warning_start;  // empty: nothing is said
    bool kept;
  } cases[] = {
      {"the default log", isp::kRunLogName, false, "", true},
      {"--log elsewhere", "run.log", false, "", true},
      {"--no-log", isp::kRunLogName, true, "", false},
      {"a folder that is not there", "missing/run.log", false,
       "warning: \"missing/run.log\" not written: ", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(c.log_path);  // left by an earlier case
    cli::OutputOptions output;
    output.log_path = c.log_path;
    output.no_log = c.no_log;
    HeardMessages said;
    cli::RunLink link(peer.Path(), output);
    ASSERT_TRUE(link.Open(115200, said.Messages()));
    EXPECT_TRUE(link.IsOpen());
    // What goes out on the port lands in the log.
    link.Comm().CommWrite("?", 1);
    ASSERT_TRUE(peer.WaitReceived(1, 10000));
    peer.ClearReceived();
    if (c.warning_start.empty()) {
      EXPECT_TRUE(said.heard.empty());
    } else {
      ASSERT_EQ(said.heard.size(), 1u);
      EXPECT_EQ(said.heard[0].rfind(c.warning_start, 0), 0u) << said.heard[0];
    }
    said.heard.clear();
    EXPECT_EQ(link.Close(said.Messages()), c.kept);
    EXPECT_FALSE(link.IsOpen());
    EXPECT_TRUE(said.heard.empty());
    EXPECT_EQ(std::filesystem::exists(c.log_path), c.kept && !c.no_log);
    if (c.kept) {
      EXPECT_TRUE(std::filesystem::path(link.LogPath()).is_absolute()) << link.LogPath();
      EXPECT_TRUE(std::filesystem::equivalent(link.LogPath(), dir.File(c.log_path)));
      EXPECT_NE(std::filesystem::file_size(c.log_path), 0u);
    }
    // A second close has nothing left to do.
    EXPECT_FALSE(link.Close(said.Messages()));
  }
}

TEST(RunLinkTest, APortThatDoesNotOpenIsAnErrorAndLeavesNoLog) {
  testing_support::ScopedTempDir dir;
  HeardMessages said;
  cli::RunLink link(dir.File("no-such-port"), cli::OutputOptions{});
  EXPECT_FALSE(link.Open(115200, said.Messages()));
  EXPECT_FALSE(link.IsOpen());
  ASSERT_EQ(said.heard.size(), 1u);
  EXPECT_EQ(said.heard[0].rfind("error: ", 0), 0u) << said.heard[0];
  EXPECT_NE(said.heard[0].find("no-such-port"), std::string::npos) << said.heard[0];
  EXPECT_FALSE(link.Close(said.Messages()));
  EXPECT_FALSE(std::filesystem::exists(isp::kRunLogName));
}

TEST(RunLinkTest, TheTrafficLogIsAmongTheFilesCheckedUnlessThereIsNone) {
  testing_support::ScopedTempDir dir;
  const std::vector<cli::FileRole> out = {{"--out", isp::kRunLogName}};
  cli::OutputOptions output;
  EXPECT_EQ(cli::RunLink("port", output).CollidingFiles(out, "the traffic log"),
            "commlog.txt (--out) is the same file as commlog.txt (the traffic log): nothing "
            "was sent; give another name");
  output.log_path = "other.txt";
  EXPECT_EQ(cli::RunLink("port", output).CollidingFiles(out, "--log"), std::nullopt);
  output.log_path = isp::kRunLogName;
  output.no_log = true;
  EXPECT_EQ(cli::RunLink("port", output).CollidingFiles(out, "--log"), std::nullopt);
}

}  // namespace
