#include "app/monitor_hook.h"

#include <cstring>
#include <string>

#include "app/main_form.h"

namespace app {

bool MonitorHook::MonitorShown() const {
  return form_.unit.MonitorShown != 0;
}

void MonitorHook::MonitorSent(std::uint32_t colour, const char* text, int count) {
  // The bytes sent need not end in a zero; "%s" must stop at the count.
  const std::string line(text, strnlen(text, static_cast<std::size_t>(count > 0 ? count : 0)));
  form_.MonitorPrintf(colour, "%s", line.c_str());
}

void MonitorHook::MonitorAppendRx(std::uint32_t colour, const std::uint8_t* bytes, int count) {
  form_.MonitorAppendRx(colour, bytes, count);
}

}  // namespace app
