// The command line's loader: the data records of a HEX or S-record file
// placed at their 32-bit addresses in a flash image. Reading the records is
// the readers' job.
#include "isp/image/image_loader.h"

#include "isp/image/hex_file_reader.h"
#include "isp/image/srec_file_reader.h"

namespace isp {
namespace {

const std::vector<std::uint8_t>& DataOf(const HexFileReader& reader) {
  return reader.Record().data;
}
const std::vector<std::uint8_t>& DataOf(const SrecFileReader& reader) {
  return reader.Data();
}

// Both readers hand out their data records with addresses alike.
template <typename Reader>
bool LoadRecords(const std::string& path, std::uint32_t limit, FlashImage& image,
                 std::string& error) {
  Reader reader;
  if (!reader.Open(path.c_str())) {
    error = "Unable to open file.";
    return false;
  }
  FlashImage fresh;
  for (typename Reader::Step step; (step = reader.Next()) != Reader::Step::kEnd;) {
    if (step == Reader::Step::kReadFailed) {
      error = "Unable to open file.";
      return false;
    }
    if (step == Reader::Step::kInvalid) {
      error = reader.Error();
      return false;
    }
    const std::vector<std::uint8_t>& data = DataOf(reader);
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

}  // namespace

bool LoadFlashImage(const std::string& path, std::uint32_t limit, FlashImage& image,
                    std::string& error) {
  return LoadRecords<HexFileReader>(path, limit, image, error);
}

bool LoadSrecFlashImage(const std::string& path, std::uint32_t limit, FlashImage& image,
                        std::string& error) {
  return LoadRecords<SrecFileReader>(path, limit, image, error);
}

}  // namespace isp
