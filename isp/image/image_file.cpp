#include "isp/image/image_file.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <vector>

#include "isp/image/elf_image.h"
#include "isp/image/image_loader.h"
#include "isp/image/input_file.h"

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

bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
  std::FILE* file = OpenRegularFile(path.c_str());
  if (file == nullptr) return false;
  std::uint8_t buffer[65536];
  bool good = true;
  for (;;) {
    const std::size_t got = std::fread(buffer, 1, sizeof buffer, file);
    bytes.insert(bytes.end(), buffer, buffer + got);
    if (got < sizeof buffer) {
      good = std::ferror(file) == 0;
      break;
    }
  }
  std::fclose(file);
  return good;
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

std::string ShowByte(std::uint8_t byte) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", byte);
  return text;
}

// What a file that holds no image looks like, after its name.
std::string WhatItLooksLike(const std::vector<std::uint8_t>& bytes, std::size_t first) {
  constexpr const char* kNone = "no ELF, S-record or Intel HEX file";
  if (first >= bytes.size()) return " holds only white space: it is " + std::string(kNone);
  if (LooksLikeText(bytes)) {
    std::string start;
    for (std::size_t at = first; at < bytes.size() && start.size() < 20; ++at) {
      if (bytes[at] == '\r' || bytes[at] == '\n') break;
      start.push_back(bytes[at] < 0x80 ? static_cast<char>(bytes[at]) : '?');
    }
    return " holds text that is " + std::string(kNone) + " (it begins \"" + start +
           "\", where a record begins with 'S' or ':')";
  }
  std::string start;
  for (std::size_t at = 0; at < bytes.size() && at < 4; ++at) start += " " + ShowByte(bytes[at]);
  return " holds binary data that is " + std::string(kNone) + " (its first bytes are" + start +
         "); to write it raw into the flash, give its first byte's address with --address";
}

}  // namespace

ImageFormat FormatOfName(const std::string& path) {
  return EndsWithNoCase(path, ".bin") ? ImageFormat::kBinary : ImageFormat::kIntelHex;
}

bool WantsIntelHex(const std::string& path) {
  return EndsWithNoCase(path, ".hex");
}

bool LoadImageFile(const std::string& path, std::uint32_t bin_address, std::uint32_t limit,
                   FlashImage& image, std::string& error, ImageFormat* format, bool raw_chosen) {
  std::vector<std::uint8_t> bytes;
  if (!ReadWholeFile(path, bytes)) {
    error = "Unable to open file.";
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
    error = path + " is empty: there is nothing to write";
    return false;
  }
  switch (found) {
    case ImageFormat::kElf: {
      FlashImage fresh;
      if (!LoadElfImage(bytes, limit, fresh, error)) {
        error = path + ": " + error;
        return false;
      }
      image = std::move(fresh);
      return true;
    }
    case ImageFormat::kSRecord:
      return LoadSrecFlashImage(path, limit, image, error);
    case ImageFormat::kIntelHex:
      return LoadFlashImage(path, limit, image, error);
    case ImageFormat::kBinary:
      break;
  }
  if (!raw_chosen && FormatOfName(path) != ImageFormat::kBinary) {
    error = path + WhatItLooksLike(bytes, first);
    return false;
  }
  if (bin_address > limit || bytes.size() > limit - bin_address) {
    error = path + ": " + std::to_string(bytes.size()) + " bytes from address " +
            std::to_string(bin_address) + " reach beyond the flash of every known part (" +
            std::to_string(limit / 1024) + " KiB)";
    return false;
  }
  FlashImage fresh;
  fresh.Place(bin_address, bytes.data(), bytes.size(), 0);
  image = std::move(fresh);
  return true;
}

}  // namespace isp
