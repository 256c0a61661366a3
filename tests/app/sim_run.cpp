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
  if (!sim->WaitExit(5000)) sim->Stop();
  const std::string bytes = testing_support::ReadFile(dir.File("flash.bin"));
  return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

std::vector<std::uint8_t> SimRunTest::ExpectedFlash(const ByteMap& bytes) {
  std::vector<std::uint8_t> image(0x10000, 0);
  for (const auto& [address, value] : bytes) image[address] = value;
  // The loader puts the checksum of the vector table into word 7.
  std::uint32_t sum = 0;
  for (std::size_t word = 0; word < 8; ++word) {
    if (word == 6) continue;
    for (std::size_t i = 0; i < 4; ++i) {
      sum += static_cast<std::uint32_t>(image[word * 4 + i]) << (8 * i);
    }
  }
  const std::uint32_t checksum = 0u - sum;
  for (std::size_t i = 0; i < 4; ++i)
    image[24 + i] = static_cast<std::uint8_t>(checksum >> (8 * i));
  // Whole 512-byte blocks are written; the rest stays erased.
  const std::uint32_t highest = bytes.empty() ? 0 : bytes.rbegin()->first;
  const std::size_t programmed = (highest / 512 + 1) * 512;
  std::vector<std::uint8_t> flash(0x10000, 0xFF);
  std::copy(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(programmed), flash.begin());
  return flash;
}

ByteMap SimRunTest::Pattern(std::uint32_t size) {
  ByteMap bytes;
  for (std::uint32_t i = 0; i < size; ++i)
    bytes[i] = static_cast<std::uint8_t>((i * 31 + i / 256) & 0xFF);
  return bytes;
}

std::string SimRunTest::Log() const {
  return testing_support::ReadFile(dir.File("commlog.txt"));
}

}  // namespace app_test
