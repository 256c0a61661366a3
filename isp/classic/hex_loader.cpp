// The window's loader: the data records of a HEX file placed in the 64 KiB
// that a run programs.
#include <new>
#include <string>

#include "isp/classic/isp_engine.h"
#include "isp/image/file_bytes.h"
#include "isp/image/hex_file_reader.h"

namespace isp {
namespace {

std::uint32_t ReadWord(const std::vector<std::uint8_t>& image, std::size_t index) {
  const std::size_t at = index * 4;
  return static_cast<std::uint32_t>(image[at]) | static_cast<std::uint32_t>(image[at + 1]) << 8 |
         static_cast<std::uint32_t>(image[at + 2]) << 16 |
         static_cast<std::uint32_t>(image[at + 3]) << 24;
}

void WriteWord(std::vector<std::uint8_t>& image, std::size_t index, std::uint32_t word) {
  for (std::size_t i = 0; i < 4; ++i)
    image[index * 4 + i] = static_cast<std::uint8_t>(word >> (8 * i));
}

}  // namespace

int IspEngine::UnableToOpen(const ImageError& why) {
  window_.FileNotLoaded(why);
  image_.HighestOffset = 0;
  window_.ShowErrorMessage("Unable to open file.");
  return 0;
}

void FixVectorChecksumWord6(std::vector<std::uint8_t>& image) {
  std::uint32_t sum = 0;
  for (std::size_t word = 0; word < 8; ++word) {
    if (word != 6) sum += ReadWord(image, word);
  }
  WriteWord(image, 6, 0u - sum);
}

int IspEngine::LoadHexFile(const char* file_name) {
  HexFileReader reader;
  if (!reader.Open(file_name))
    return UnableToOpen(WhyNotOpened(file_name == nullptr ? "" : file_name));

  // The file is read into a fresh image; the current one and the run state
  // change only when the whole file was good.
  std::vector<std::uint8_t> fresh;
  try {
    fresh.assign(FirmwareImage::kImageSize, 0);
  } catch (const std::bad_alloc&) {
    image_ = FirmwareImage{};  // the old image is gone, as no new one came
    window_.ShowErrorMessage("Failed to allocate memory.");
    return 0;
  }

  std::uint16_t highest = 0;
  for (HexFileReader::Step step; (step = reader.Next()) != HexFileReader::Step::kEnd;) {
    if (step == HexFileReader::Step::kReadFailed) {
      ImageError unread;
      unread.kind = ImageErrorKind::kReadFailed;
      unread.format = ImageFormat::kIntelHex;
      return UnableToOpen(unread);
    }
    if (step == HexFileReader::Step::kInvalid) {
      window_.FileNotLoaded(reader.Problem());
      window_.ShowErrorMessage(reader.Error().c_str());
      return 0;
    }
    const std::vector<std::uint8_t>& data = reader.Record().data;
    for (std::size_t i = 0; i < data.size(); ++i) {
      // A record never wraps: what runs past the end lies beyond the flash.
      const std::uint64_t address = std::uint64_t{reader.Address()} + i;
      if (address >= FirmwareImage::kFlashSize) {
        ImageError beyond;
        beyond.kind = ImageErrorKind::kBeyondFlash;
        beyond.format = ImageFormat::kIntelHex;
        beyond.line = reader.Line();
        beyond.address = static_cast<std::uint32_t>(address);
        beyond.size = data.size() - i;
        beyond.limit = FirmwareImage::kFlashSize;
        window_.FileNotLoaded(beyond);
        window_.ShowErrorMessage(reader.Invalid("data beyond 64 KiB flash").c_str());
        return 0;
      }
      fresh[address] = data[i];
      if (address > highest) highest = static_cast<std::uint16_t>(address);
    }
  }

  FixVectorChecksumWord6(fresh);
  image_.bytes = std::move(fresh);
  image_.HighestOffset = highest;
  image_.SectorCount = image_.HighestOffset >> FirmwareImage::kSectorShift;

  run_.ImagePosition = 0;
  run_.StateNumber = 0;
  // Counting the highest byte itself, so the block that holds it is sent.
  run_.BytesTotal = image_.HighestOffset + 1;
  run_.BytesRemaining = run_.BytesTotal;

  window_.SetTimer1Interval(kStartTickMs);
  return 1;
}

}  // namespace isp
