#include "comm/registry_text.h"

#include <cctype>
#include <cstring>
#include <limits>

namespace comm::registry {
namespace {

constexpr std::uint32_t kFirstKeyNameSize = 128;
constexpr std::uint32_t kFirstTextValueSize = 128;
constexpr std::uint32_t kFirstValueWalkSize = 32;
constexpr std::uint32_t kLongestFixedBuffer = 64;

// The next size of a name buffer after a call that left left_size in it; 0
// when that size is beyond what a buffer can have.
std::uint32_t GrownNameSize(std::uint32_t left_size) {
  constexpr std::uint32_t kLargest = std::numeric_limits<std::uint32_t>::max();
  if (left_size > (kLargest - 2) / 2) return 0;
  return 2 * left_size + 2;
}

// Registry text data need not end in a NUL. Terminates data of size bytes
// inside the buffer; false when the buffer has no room left for the NUL.
bool TerminateText(HostBuffer& buffer, std::uint32_t size) {
  if (size > 0 && buffer.Text()[size - 1] == '\0') return true;
  if (size >= buffer.Size()) return false;
  buffer.Text()[size] = '\0';
  return true;
}

// Compares ignoring case, both characters mapped to upper case in the
// current locale.
bool SameLetter(char a, char b) {
  return std::toupper(static_cast<unsigned char>(a)) == std::toupper(static_cast<unsigned char>(b));
}

}  // namespace

ErrorCode OpenSubKeyByIndex(RegistryHost& host, Key parent, std::uint32_t index, AccessMask access,
                            HostBuffer& name, OpenKey& subkey) {
  std::uint32_t size = kFirstKeyNameSize;
  for (;;) {
    if (size == 0 || !name.Renew(size)) return kErrorNotEnoughMemory;
    std::uint32_t left = name.Size();
    const ErrorCode code = host.RegEnumKeyExA(parent, index, name.Text(), &left);
    if (code == kErrorSuccess) break;
    if (code != kErrorMoreData) return code;
    size = GrownNameSize(left);
  }
  return subkey.Open(parent, name.Text(), access);
}

ErrorCode QueryTextValue(RegistryHost& host, Key key, const char* value_name, HostBuffer& text) {
  if (text.Empty() && !text.Renew(kFirstTextValueSize)) return kErrorNotEnoughMemory;
  for (;;) {
    std::uint32_t size = text.Size();
    const ErrorCode code = host.RegQueryValueExA(key, value_name, text.Bytes(), &size);
    if (code == kErrorSuccess && TerminateText(text, size)) return kErrorSuccess;
    if (code != kErrorSuccess && code != kErrorMoreData) return code;
    // Too small: for the data, or (data filling it exactly) for its NUL.
    const std::uint32_t needed = code == kErrorMoreData ? size : size + 1;
    if (needed == 0 || !text.Renew(needed)) return kErrorNotEnoughMemory;
  }
}

ErrorCode EnumValueText(RegistryHost& host, Key key, std::uint32_t index, HostBuffer& name,
                        HostBuffer& data) {
  std::uint32_t name_size = kFirstValueWalkSize;
  std::uint32_t data_size = kFirstValueWalkSize;
  for (;;) {
    if (name_size == 0 || !name.Renew(name_size) || !data.Renew(data_size)) {
      return kErrorNotEnoughMemory;
    }
    std::uint32_t name_left = name.Size();
    std::uint32_t data_left = data.Size();
    const ErrorCode code =
        host.RegEnumValueA(key, index, name.Text(), &name_left, data.Bytes(), &data_left);
    if (code == kErrorSuccess) {
      if (TerminateText(data, data_left)) return kErrorSuccess;
      // The data fills its buffer without a NUL: read it again with room for one.
      name_size = name.Size();
      data_size = data_left + 1;
      if (data_size == 0) return kErrorNotEnoughMemory;
      continue;
    }
    if (code != kErrorMoreData) return code;
    name_size = GrownNameSize(name_left);
    data_size = data_left;
  }
}

bool ValueEqualsIgnoringCase(RegistryHost& host, Key key, const char* value_name,
                             std::uint32_t buffer_size, const char* expected) {
  char buffer[kLongestFixedBuffer] = {};
  if (buffer_size > kLongestFixedBuffer) return false;
  std::uint32_t size = buffer_size;
  if (host.RegQueryValueExA(key, value_name, reinterpret_cast<std::uint8_t*>(buffer), &size) !=
      kErrorSuccess) {
    return false;
  }
  if (size > buffer_size) return false;
  const std::size_t length = strnlen(buffer, size);
  if (length != std::strlen(expected)) return false;
  for (std::size_t i = 0; i < length; ++i) {
    if (!SameLetter(buffer[i], expected[i])) return false;
  }
  return true;
}

bool BeginsWithIgnoringCase(const char* text, const char* prefix) {
  for (; *prefix != '\0'; ++text, ++prefix) {
    if (*text == '\0' || !SameLetter(*text, *prefix)) return false;
  }
  return true;
}

}  // namespace comm::registry
