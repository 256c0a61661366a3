#include "isp/image_file.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <vector>

#include "isp/image_loader.h"
#include "isp/input_file.h"

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

bool IsHexDigit(std::uint8_t c) {
  return std::isxdigit(c) != 0;
}

// Whether the bytes begin as a HEX file does: a ':' and the hex digits of a
// record's byte count, address and type. What follows may be wrong: that
// is a HEX file with an error in its first line, for the HEX reader to name.
bool LooksLikeHexText(const std::vector<std::uint8_t>& bytes) {
  std::size_t at = 0;
  while (at < bytes.size() &&
         (bytes[at] == ' ' || bytes[at] == '\t' || bytes[at] == '\r' || bytes[at] == '\n'))
    ++at;
  if (at >= bytes.size() || bytes[at] != ':') return false;
  constexpr std::size_t kRecordStartDigits = 8;  // LL AAAA TT
  std::size_t digits = 0;
  for (++at; at < bytes.size() && IsHexDigit(bytes[at]) && digits < kRecordStartDigits; ++at)
    ++digits;
  return digits == kRecordStartDigits;
}

std::string ShowByte(std::uint8_t byte) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", byte);
  return text;
}

}  // namespace

ImageFormat FormatOfName(const std::string& path) {
  return EndsWithNoCase(path, ".bin") ? ImageFormat::kBinary : ImageFormat::kIntelHex;
}

bool WantsIntelHex(const std::string& path) {
  return EndsWithNoCase(path, ".hex");
}

bool LoadImageFile(const std::string& path, std::uint32_t bin_address, std::uint32_t limit,
                   FlashImage& image, std::string& error) {
  std::vector<std::uint8_t> bytes;
  if (!ReadWholeFile(path, bytes)) {
    error = "Unable to open file.";
    return false;
  }
  if (FormatOfName(path) == ImageFormat::kIntelHex) {
    if (!bytes.empty() && !LooksLikeHexText(bytes)) {
      const auto first = std::find_if(bytes.begin(), bytes.end(), [](std::uint8_t c) {
        return c != ' ' && c != '\t' && c != '\r' && c != '\n';
      });
      std::string why = "it holds only white space";
      if (first != bytes.end()) {
        why = *first == ':' ? "it begins with ':' but no HEX record"
                            : "its first byte is " + ShowByte(*first) + ", not ':'";
      }
      error = path + " holds no Intel HEX text (" + why + "): a raw binary file must end in .bin";
      return false;
    }
    return LoadFlashImage(path, limit, image, error);
  }
  if (LooksLikeHexText(bytes)) {
    error = path +
            " holds Intel HEX text, not raw binary: name it .hex to program its records at their "
            "addresses";
    return false;
  }
  if (bytes.empty()) {
    error = path + " is empty: there is nothing to write";
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
