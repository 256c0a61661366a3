#include "isp/wire/isp_link.h"

#include <algorithm>
#include <climits>

#include "comm/clock.h"

namespace isp {

bool CommLink::Send(std::string_view bytes) {
  const int count = static_cast<int>(std::min<std::size_t>(bytes.size(), INT_MAX));
  return comm_.CommWrite(bytes.data(), count) == count && bytes.size() <= INT_MAX;
}

std::size_t CommLink::Receive(std::uint8_t* buffer, std::size_t max, std::uint32_t timeout_ms) {
  const int most = static_cast<int>(std::min<std::size_t>(max, INT_MAX));
  const int wait = static_cast<int>(std::min<std::uint32_t>(timeout_ms, INT_MAX));
  const int got = comm_.CommReadSome(buffer, most, wait);
  return got > 0 ? static_cast<std::size_t>(got) : 0;
}

std::uint32_t CommLink::NowMs() const {
  return comm::MonotonicMs();
}

}  // namespace isp
