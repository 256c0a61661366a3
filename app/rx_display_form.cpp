#include "app/rx_display_form.h"

namespace app {
namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

}  // namespace

bool AppendRxDisplayForm(char (&line)[kRxLineSize], std::int32_t& length, std::uint8_t byte) {
  const bool printable = byte >= 32 && byte <= 126;
  const std::int32_t form_length = printable ? 1 : 4;
  if (length < 0 || length + form_length > kRxLineSize - 1) return false;
  char* at = line + length;
  if (printable) {
    at[0] = static_cast<char>(byte);
  } else {
    at[0] = '[';
    at[1] = kHexDigits[byte / 16];
    at[2] = kHexDigits[byte % 16];
    at[3] = ']';
  }
  length += form_length;
  return true;
}

}  // namespace app
