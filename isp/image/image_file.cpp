#include "isp/image/image_file.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "isp/image/elf_image.h"
#include "isp/image/file_bytes.h"
#include "isp/image/image_loader.h"

namespace isp {
namespace {

bool EndsWithNoCase(const std::string& text, const std::string& tail) {
  if (text.size() < tail.size()) return false;
  return std::equal(tail.begin(), tail.end(), text.end() - static_cast<long>(tail.size()),
                    [](char a, char b) {
                      return std::tolower(static_cast<unsigned char>(a)) ==
                             std::tolower(static_cast<unsigned char>(b));
                    });
}

// Control bytes other than tab and line breaks: raw firmware has them (a
// vector table holds zero bytes), HEX and S-record text never does.
bool LooksLikeText(const std::vector<std::uint8_t>& bytes) {
  const std::size_t sample = std::min<std::size_t>(bytes.size(), 4096);
  for (std::size_t i = 0; i < sample; ++i) {
    const std::uint8_t c = bytes[i];
    if ((c < 0x20 && c != '\t' && c != '\r' && c != '\n' && c != '\f') || c == 0x7F) return false;
  }
  return true;
}

// The first byte that is not white space (nor the UTF-8 byte-order mark).
std::size_t FirstVisible(const std::vector<std::uint8_t>& bytes) {
  std::size_t at = bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF;
  at *= 3;
  while (at < bytes.size() && std::isspace(bytes[at]) != 0) ++at;
  return at;
}

// What a file that holds no image looks like: how its text begins (at
// most 20 characters of its first line) or its first 4 bytes.
ImageError NoImage(const std::vector<std::uint8_t>& bytes, std::size_t first) {
  ImageError error;
  if (first >= bytes.size()) {
    error.kind = ImageErrorKind::kOnlyWhiteSpace;
    return error;
  }
  if (LooksLikeText(bytes)) {
    error.kind = ImageErrorKind::kTextNoImage;
    for (std::size_t at = first; at < bytes.size() && error.detail.size() < 20; ++at) {
      if (bytes[at] == '\r' || bytes[at] == '\n') break;
      error.detail.push_back(static_cast<char>(bytes[at]));
    }
    return error;
  }
  error.kind = ImageErrorKind::kBinaryNoImage;
  error.detail.assign(bytes.begin(),
                      bytes.begin() + static_cast<long>(std::min<std::size_t>(bytes.size(), 4)));
  return error;
}

}  // namespace

ImageFormat FormatOfName(const std::string& path) {
  return EndsWithNoCase(path, ".bin") ? ImageFormat::kBinary : ImageFormat::kIntelHex;
}

bool WantsIntelHex(const std::string& path) {
  return EndsWithNoCase(path, ".hex");
}

bool LoadImageFile(const std::string& path, std::uint32_t bin_address, std::uint32_t limit,
                   FlashImage& image, ImageError& error, ImageFormat* format, bool raw_chosen) {
  std::vector<std::uint8_t> bytes;
  if (const std::optional<ImageError> unread = ReadFileBytes(path, bytes)) {
    error = *unread;
    return false;
  }
  ImageFormat found = ImageFormat::kBinary;
  const std::size_t first = FirstVisible(bytes);
  if (IsElf(bytes)) {
    found = ImageFormat::kElf;
  } else if (first < bytes.size() && LooksLikeText(bytes)) {
    if (bytes[first] == ':') found = ImageFormat::kIntelHex;
    if (bytes[first] == 'S' && first + 1 < bytes.size() && std::isdigit(bytes[first + 1]) != 0)
      found = ImageFormat::kSRecord;
  }
  if (format != nullptr) *format = found;
  if (bytes.empty()) {
    error = ImageError{};
    error.kind = ImageErrorKind::kEmpty;
    return false;
  }
  switch (found) {
    case ImageFormat::kElf:
      return LoadElfImage(bytes, limit, image, error);
    case ImageFormat::kSRecord:
      return LoadSrecImage(bytes, limit, image, error);
    case ImageFormat::kIntelHex:
      return LoadHexImage(bytes, limit, image, error);
    case ImageFormat::kBinary:
      break;
  }
  if (!raw_chosen && FormatOfName(path) != ImageFormat::kBinary) {
    error = NoImage(bytes, first);
    return false;
  }
  if (bin_address > limit || bytes.size() > limit - bin_address) {
    error = ImageError{};
    error.kind = ImageErrorKind::kBeyondFlash;
    error.address = bin_address;
    error.size = bytes.size();
    error.limit = limit;
    return false;
  }
  FlashImage fresh;
  fresh.Place(bin_address, bytes.data(), bytes.size(), 0);
  image = std::move(fresh);
  return true;
}

}  // namespace isp
