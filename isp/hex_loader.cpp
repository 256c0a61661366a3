#include <sys/stat.h>

#include <cstdio>
#include <new>
#include <string>

#include "isp/isp_engine.h"

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

// The longest record (255 data bytes) is 521 characters; a longer line is
// read to its end, but only this much of it is kept.
constexpr std::size_t kKeptLineLength = 1024;

// Reads one whole line, however long, without its line break (LF or CR LF).
// False at the end of the file when nothing was read.
bool ReadLine(std::FILE* file, std::string& line) {
  line.clear();
  bool any = false;
  int c = 0;
  while ((c = std::fgetc(file)) != EOF && c != '\n') {
    any = true;
    if (line.size() < kKeptLineLength) line.push_back(static_cast<char>(c));
  }
  if (c == EOF && !any) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

// Only a regular file is read: a directory reads as nothing and a device
// such as /dev/zero never ends.
std::FILE* OpenRegularFile(const char* file_name) {
  std::FILE* file = std::fopen(file_name, "rb");
  if (file == nullptr) return nullptr;
  struct stat info {};
  if (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) {
    std::fclose(file);
    return nullptr;
  }
  return file;
}

}  // namespace

int IspEngine::UnableToOpen() {
  image_.HighestOffset = 0;
  window_.ShowErrorMessage("Unable to open file.");
  return 0;
}

void FixVectorChecksum(std::vector<std::uint8_t>& image) {
  std::uint32_t sum = 0;
  for (std::size_t word = 0; word < 8; ++word) {
    if (word != 6) sum += ReadWord(image, word);
  }
  WriteWord(image, 6, 0u - sum);
}

int IspEngine::LoadHexFile(const char* file_name) {
  std::FILE* file = OpenRegularFile(file_name);
  if (file == nullptr) return UnableToOpen();

  // The file is read into a fresh image; the current one and the run state
  // change only when the whole file was good.
  std::vector<std::uint8_t> fresh;
  try {
    fresh.assign(FirmwareImage::kImageSize, 0);
  } catch (const std::bad_alloc&) {
    std::fclose(file);
    image_ = FirmwareImage{};  // the old image is gone, as no new one came
    window_.ShowErrorMessage("Failed to allocate memory.");
    return 0;
  }

  HexParse parse(fresh);
  std::string line;
  for (int number = 1; ReadLine(file, line); ++number) {
    if (ParseHexLine(line, parse) == kHexLineMalformed) {
      std::fclose(file);
      const std::string message =
          "Invalid HEX file: line " + std::to_string(number) + ": " + parse.error;
      window_.ShowErrorMessage(message.c_str());
      return 0;
    }
  }
  const bool read_failed = std::ferror(file) != 0;
  std::fclose(file);
  if (read_failed) return UnableToOpen();

  FixVectorChecksum(fresh);
  image_.bytes = std::move(fresh);
  image_.HighestOffset = parse.highest;
  image_.HasData = parse.has_data;
  image_.SectorCount = image_.HighestOffset >> FirmwareImage::kSectorShift;

  run_.ImagePosition = 0;
  run_.StateNumber = 0;
  // Counting the highest byte itself, so the block that holds it is sent.
  run_.BytesTotal = image_.HasData ? image_.HighestOffset + 1 : 0;
  run_.BytesRemaining = run_.BytesTotal;

  window_.SetTimer1Interval(kStartTickMs);
  return 1;
}

}  // namespace isp
