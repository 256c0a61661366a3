#include "simulated_part.hpp"

namespace isp_sim {

SimulatedPart::SimulatedPart(PartSettings settings, std::span<const std::uint8_t> flash_image)
    : settings_(settings),
      wire_(settings_.faults.noise_bytes),
      boot_loader_(memory_, wire_, report_, settings_),
      firmware_(wire_, report_) {
  memory_.load_flash(flash_image);
  start_from_reset_vector();
}

void SimulatedPart::receive(std::string_view bytes, TimePoint now) {
  if (settings_.faults.silent) return;
  wire_.set_clock(now);
  for (char byte : bytes) {
    if (running_firmware_) {
      handle(firmware_.on_byte(byte));
    } else {
      handle(boot_loader_.on_byte(byte));
    }
  }
}

std::string SimulatedPart::take_output(TimePoint now) {
  return wire_.take_ready(now);
}

void SimulatedPart::handle(BootEvent event) {
  switch (event) {
    case BootEvent::kNone:
      break;
    case BootEvent::kSystemReset:
      reset();
      break;
    case BootEvent::kHangUp:
      hang_up_requested_ = true;
      break;
  }
}

void SimulatedPart::handle(FirmwareEvent event) {
  switch (event) {
    case FirmwareEvent::kNone:
      break;
    case FirmwareEvent::kEnterBootLoader:
      running_firmware_ = false;
      report_.firmware_running = false;
      boot_loader_.restart();
      break;
    case FirmwareEvent::kSystemReset:
      reset();
      break;
  }
}

void SimulatedPart::reset() {
  ++report_.resets;
  start_from_reset_vector();
}

void SimulatedPart::start_from_reset_vector() {
  boot_loader_.restart();
  firmware_.restart();
  running_firmware_ = memory_.user_code_valid();
  report_.user_code_valid = running_firmware_;
  report_.firmware_running = running_firmware_;
}

}  // namespace isp_sim
