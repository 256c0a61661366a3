#include "isp/wire/uuencode.h"

namespace isp {

void UuEncodeGroup(const std::uint8_t* source, int count, char* out) {
  const unsigned b0 = source[0];
  const unsigned b1 = count > 1 ? source[1] : 0u;
  const unsigned b2 = count > 2 ? source[2] : 0u;
  const unsigned c[4] = {b0 >> 2, ((b0 & 3u) << 4) | (b1 >> 4), ((b1 & 15u) << 2) | (b2 >> 6),
                         b2 & 63u};
  for (int i = 0; i < 4; ++i) out[i] = c[i] == 0 ? '`' : static_cast<char>(c[i] + 32u);
  out[4] = '\0';
}

}  // namespace isp
