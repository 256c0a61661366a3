#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tests/app/window_fixture.h"
#include "tests/support/flash_image.h"
#include "tests/support/process.h"

namespace app_test {

using testing_support::ByteMap;

// A run of the window against isp-sim on a pseudo-terminal.
class SimRunTest : public WindowTest {
 protected:
  // Starts the simulator (ending after the first reset or hang-up, with its
  // flash written to flash.bin) and prepares the window for a run of bytes.
  void StartSim(const ByteMap& bytes, const std::vector<std::string>& flags = {});
  // The simulator's flash once it has ended: the range the loader writes (the
  // rest must read erased).
  std::vector<std::uint8_t> Flash();
  static std::vector<std::uint8_t> ExpectedFlash(const ByteMap& bytes) {
    return testing_support::FlashAfterRun(bytes);
  }
  static ByteMap Pattern(std::uint32_t size) { return testing_support::Pattern(size); }
  std::string Log() const;

  std::unique_ptr<testing_support::SimProcess> sim;
};

}  // namespace app_test
