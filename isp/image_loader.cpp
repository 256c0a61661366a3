// The command line's loader: the data records of a HEX file placed at their
// 32-bit addresses in a flash image. Reading the records is the shared
// reader's job.
#include "isp/image_loader.h"

#include "isp/hex_file_reader.h"
#include "isp/srec_file_reader.h"

namespace isp {

bool LoadFlashImage(const std::string& path, std::uint32_t limit, FlashImage& image,
                    std::string& error) {
  HexFileReader reader;
  if (!reader.Open(path.c_str())) {
    error = "Unable to open file.";
    return false;
  }
  FlashImage fresh;
  for (HexFileReader::Step step; (step = reader.Next()) != HexFileReader::Step::kEnd;) {
    if (step == HexFileReader::Step::kReadFailed) {
      error = "Unable to open file.";
      return false;
    }
    if (step == HexFileReader::Step::kInvalid) {
      error = reader.Error();
      return false;
    }
    const std::vector<std::uint8_t>& data = reader.Record().data;
    // Counted without wrapping: a record that runs past the top lies beyond.
    if (std::uint64_t{reader.Address()} + data.size() > limit) {
      error = reader.Invalid("data beyond the flash of every known part (" +
                             std::to_string(limit / 1024) + " KiB)");
      return false;
    }
    fresh.Place(reader.Address(), data.data(), data.size(), reader.Line());
  }
  image = std::move(fresh);
  return true;
}

bool LoadSrecFlashImage(const std::string& path, std::uint32_t limit, FlashImage& image,
                        std::string& error) {
  SrecFileReader reader;
  if (!reader.Open(path.c_str())) {
    error = "Unable to open file.";
    return false;
  }
  FlashImage fresh;
  for (SrecFileReader::Step step; (step = reader.Next()) != SrecFileReader::Step::kEnd;) {
    if (step == SrecFileReader::Step::kReadFailed) {
      error = "Unable to open file.";
      return false;
    }
    if (step == SrecFileReader::Step::kInvalid) {
      error = reader.Error();
      return false;
    }
    const std::vector<std::uint8_t>& data = reader.Data();
    if (std::uint64_t{reader.Address()} + data.size() > limit) {
      error = reader.Invalid("data beyond the flash of every known part (" +
                             std::to_string(limit / 1024) + " KiB)");
      return false;
    }
    fresh.Place(reader.Address(), data.data(), data.size(), reader.Line());
  }
  image = std::move(fresh);
  return true;
}

}  // namespace isp
