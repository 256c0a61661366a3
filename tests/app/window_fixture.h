#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "app/port_list.h"
#include "tests/app/memory_settings.h"
#include "tests/support/temp_dir.h"

namespace app_test {

// The one QApplication of the test program, made on first use. Anything
// that still reaches the real per-user settings lands in Qt's test folder.
void EnsureApplication();

// A port enumerator that hands out the given ports in order.
app::PortEnumeratorFunction FixedPorts(const std::vector<std::array<std::string, 3>>& ports);

// The simulated module is a process of its own, which on a loaded machine may
// wait for a CPU longer than the dialogue's 200 ms for an echo. Tests of runs
// that must succeed slow the window's clock by this factor
// (comm::Comm::SlowTicks), which gives the module four times the wall time
// for every limit; what the runs send and check stays as it is.
inline constexpr std::uint32_t kLoadedMachineTickSlowdown = 4;

// Lets the window's event loop run until done() holds or timeout_ms pass.
bool RunUntil(const std::function<bool()>& done, int timeout_ms);

// The lights as the operator sees them, ConnectedPanel first: '-' hidden,
// 'g' grey, 'G' green, 'R' red; e.g. "GGg----".
std::string LightRow(const app::TMainForm& form);

// A message box as a test sees it: its text, and the window while it is open.
struct ShownMessage {
  QString text;
  std::string lights;
  bool progress_panel_shown = false;
};

// A shown window in a fresh working directory, whose message boxes are
// recorded instead of waiting for a person, and whose settings and port
// list come from the test.
class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Creates the window; tests that need a window of their own kind make
  // theirs first.
  virtual std::unique_ptr<app::TMainForm> MakeForm();

  // Types the device path into the port field and the file into the file field.
  void Prepare(const std::string& port_path, const std::string& hex_path);
  // Waits for the run to end; false when it did not within timeout_ms.
  bool WaitRunEnd(int timeout_ms = 60000);

  testing_support::ScopedTempDir dir;
  // What the window finds when it is shown: these settings and these ports
  // (port name, friendly name, enumerator), not the machine's.
  MemorySettings settings;
  std::vector<std::array<std::string, 3>> ports;
  std::unique_ptr<app::TMainForm> form;
  std::vector<ShownMessage> messages;
};

}  // namespace app_test
