#include "tests/app/sim_run.h"

#include <QCheckBox>

#include "tests/support/hex_writer.h"

namespace app_test {

void SimRunTest::StartSim(const ByteMap& bytes, const std::vector<std::string>& flags) {
  std::vector<std::string> args = {ISP_SIM_PATH, "--once", "--flash-out", dir.File("flash.bin")};
  args.insert(args.end(), flags.begin(), flags.end());
  sim = std::make_unique<testing_support::SimProcess>(args);
  testing_support::WriteTextFile(dir.File("image.hex"), testing_support::HexFromBytes(bytes));
  Prepare(sim->Path(), dir.File("image.hex"));
  // The start request costs a second and a part in its boot loader ignores it.
  form->StartISPChk->setChecked(false);
}

std::vector<std::uint8_t> SimRunTest::Flash() {
  if (!sim->WaitExit(std::chrono::seconds(5))) sim->Stop();
  return testing_support::ImageRangeOfDump(testing_support::ReadFile(dir.File("flash.bin")));
}

std::string SimRunTest::Log() const {
  return testing_support::ReadFile(dir.File("commlog.txt"));
}

}  // namespace app_test
