#pragma once

#include <gtest/gtest.h>

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

// Runs tarvo-cli in a temporary working directory against isp-sim.
class E2eTest : public ::testing::Test {
 protected:
  // Starts the simulator with its report and flash dump in the temporary
  // directory; it ends by itself after the first reset or hang-up (unless
  // once is false: then the part lives on across the host's opens).
  testing_support::SimProcess& StartSim(const std::vector<std::string>& flags = {},
                                        bool once = true);
  testing_support::ProcessResult Cli(const std::vector<std::string>& args);
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

  testing_support::ScopedTempDir dir;
  std::unique_ptr<testing_support::SimProcess> sim;
};

}  // namespace e2e
