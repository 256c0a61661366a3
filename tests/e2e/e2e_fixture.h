#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/support/flash_image.h"
#include "tests/support/hex_writer.h"
#include "tests/support/process.h"
#include "tests/support/temp_dir.h"

namespace e2e {

using testing_support::ByteMap;

// The same tests also run the Windows tarvo-cli.exe under Wine against the
// simulator (tarvo_wine_e2e_tests). There the simulator's pty is reached as
// a Wine COM port, mapped in the Wine prefix to the link that the simulator
// makes. The environment names them:
//   TARVO_WINE_RUN   the program that runs a Windows program under Wine
//   TARVO_WINE_CLI   tarvo-cli.exe
//   TARVO_WINE_PORT  the COM port, e.g. COM5
//   TARVO_WINE_LINK  the path that the prefix maps that port to
#ifdef TARVO_E2E_UNDER_WINE
inline constexpr bool kUnderWine = true;
#else
inline constexpr bool kUnderWine = false;
#endif

// The value of a TARVO_WINE_* variable; a test fails when it is not set.
std::string WineSetting(const char* name);

// Runs tarvo-cli in a temporary working directory against isp-sim.
class E2eTest : public ::testing::Test {
 protected:
  void SetUp() override;
  // The name tarvo-cli opens the simulator under: its pty, or under Wine the
  // COM port that leads to it.
  std::string Port() const;
  // The name tarvo-cli opens another pty under (a test's own peer): the pty,
  // or under Wine the COM port, once its link leads to that pty.
  std::string PortTo(const std::string& pty) const;
  // The command line that starts tarvo-cli, before its arguments.
  static std::vector<std::string> CliCommand();
  // Starts the simulator with its report and flash dump in the temporary
  // directory; it ends by itself after the first reset or hang-up (unless
  // once is false: then the part lives on across the host's opens).
  testing_support::SimProcess& StartSim(const std::vector<std::string>& flags = {},
                                        bool once = true);
  testing_support::ProcessResult Cli(const std::vector<std::string>& args);
  // Cli, but tarvo-cli gets SIGINT once its output holds the text, or
  // after_ms after its start.
  testing_support::ProcessResult CliInterruptedOn(const std::vector<std::string>& args,
                                                  const std::string& text);
  testing_support::ProcessResult CliInterruptedAfter(const std::vector<std::string>& args,
                                                     int after_ms);
  testing_support::ProcessResult Program(const ByteMap& bytes,
                                         const std::vector<std::string>& extra = {});
  // Waits for the simulator to end and reads what it wrote; of the flash, the
  // range the loader writes (the rest must read erased).
  nlohmann::json Report();
  std::vector<std::uint8_t> Flash();
  // The simulator's whole flash dump, however large the part's flash.
  std::vector<std::uint8_t> WholeFlash();
  std::string FileText(const std::string& name) const {
    return testing_support::ReadFile(dir.File(name));
  }
  bool FileExists(const std::string& name) const;
  // A file of the working directory as tarvo-cli names it when it says where
  // the file went: its absolute path, under Wine on drive Z:.
  std::string ShownPath(const std::string& name) const {
    std::string path = (dir.Path() / name).string();
    if (!kUnderWine) return path;
    std::replace(path.begin(), path.end(), '/', '\\');
    return "Z:" + path;
  }
  // The user's part file as tarvo-cli names it (XDG_CONFIG_HOME is the test's).
  std::string UserPartFile() const { return dir.File("config/tarvo/parts.json"); }
  // The line that says where the traffic log went.
  std::string LogLine() const { return "Traffic log   " + ShownPath("commlog.txt") + "\n"; }

  testing_support::ScopedTempDir dir;
  std::unique_ptr<testing_support::SimProcess> sim;

 private:
  // What the tests compare: under Wine the output with LF line ends, after
  // checking that the Windows program ended every line with CR LF.
  static testing_support::ProcessResult Compared(testing_support::ProcessResult result);
};

}  // namespace e2e
