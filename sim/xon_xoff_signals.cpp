#include "xon_xoff_signals.hpp"

#include <algorithm>

namespace isp_sim {

void XonXoffSignals::feed(std::string& payload, std::string& line, TimePoint now) {
  if (every_ == 0) {
    line += payload;
    payload.clear();
    return;
  }
  for (;;) {
    if (xon_owed_) {
      if (!line.empty()) return;  // the XOFF is still on its way
      if (!xon_at_) xon_at_ = now + kPause;
      if (now < *xon_at_) return;
      line += kXon;
      xon_owed_ = false;
      xon_at_.reset();
    }
    if (payload.empty()) return;
    const std::size_t count = std::min<std::size_t>(payload.size(), every_ - since_xoff_);
    line.append(payload, 0, count);
    payload.erase(0, count);
    since_xoff_ += static_cast<unsigned>(count);
    if (since_xoff_ == every_) {
      line += kXoff;
      since_xoff_ = 0;
      xon_owed_ = true;
    }
  }
}

void XonXoffSignals::reset() {
  since_xoff_ = 0;
  xon_owed_ = false;
  xon_at_.reset();
}

}  // namespace isp_sim
