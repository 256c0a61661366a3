// The command line's loader: the data records of a HEX or S-record file
// placed at their 32-bit addresses in a flash image. Reading the records is
// the readers' job.
#include "isp/image/image_loader.h"

#include <vector>

#include "isp/image/file_bytes.h"
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

constexpr ImageFormat FormatOf(const HexFileReader*) {
  return ImageFormat::kIntelHex;
}
constexpr ImageFormat FormatOf(const SrecFileReader*) {
  return ImageFormat::kSRecord;
}

// Both readers hand out their data records with addresses alike.
template <typename Reader>
bool LoadRecords(std::span<const std::uint8_t> bytes, std::uint32_t limit, FlashImage& image,
                 ImageError& error) {
  Reader reader;
  reader.OpenBytes(bytes);
  FlashImage fresh;
  for (typename Reader::Step step; (step = reader.Next()) != Reader::Step::kEnd;) {
    if (step == Reader::Step::kInvalid) {
      error = reader.Problem();
      return false;
    }
    if (step == Reader::Step::kReadFailed) {  // memory is always read to its end
      error = ImageError{};
      error.kind = ImageErrorKind::kReadFailed;
      error.format = FormatOf(&reader);
      return false;
    }
    const std::vector<std::uint8_t>& data = DataOf(reader);
    // Counted without wrapping: a record that runs past the top lies beyond.
    if (std::uint64_t{reader.Address()} + data.size() > limit) {
      error = ImageError{};
      error.kind = ImageErrorKind::kBeyondFlash;
      error.format = FormatOf(&reader);
      error.line = reader.Line();
      error.address = reader.Address();
      error.size = data.size();
      error.limit = limit;
      return false;
    }
    fresh.Place(reader.Address(), data.data(), data.size(), reader.Line());
  }
  image = std::move(fresh);
  return true;
}

template <typename Reader>
bool LoadRecordFile(const std::string& path, std::uint32_t limit, FlashImage& image,
                    ImageError& error) {
  std::vector<std::uint8_t> bytes;
  if (const std::optional<ImageError> unread = ReadFileBytes(path, bytes)) {
    error = *unread;
    error.format = FormatOf(static_cast<const Reader*>(nullptr));
    return false;
  }
  return LoadRecords<Reader>(bytes, limit, image, error);
}

}  // namespace

bool LoadHexImage(std::span<const std::uint8_t> bytes, std::uint32_t limit, FlashImage& image,
                  ImageError& error) {
  return LoadRecords<HexFileReader>(bytes, limit, image, error);
}

bool LoadSrecImage(std::span<const std::uint8_t> bytes, std::uint32_t limit, FlashImage& image,
                   ImageError& error) {
  return LoadRecords<SrecFileReader>(bytes, limit, image, error);
}

bool LoadFlashImage(const std::string& path, std::uint32_t limit, FlashImage& image,
                    ImageError& error) {
  return LoadRecordFile<HexFileReader>(path, limit, image, error);
}

bool LoadSrecFlashImage(const std::string& path, std::uint32_t limit, FlashImage& image,
                        ImageError& error) {
  return LoadRecordFile<SrecFileReader>(path, limit, image, error);
}

}  // namespace isp
