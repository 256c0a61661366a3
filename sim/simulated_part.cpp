#include "simulated_part.hpp"

namespace isp_sim {

SimulatedPart::SimulatedPart(PartSettings settings, std::span<const std::uint8_t> flash_image)
    : settings_(settings),
      memory_(settings_.part),
      wire_(settings_.faults.noise_bytes),
      boot_loader_(memory_, wire_, report_, settings_),
      firmware_(wire_, report_) {
  report_.part = settings_.part.name;
  memory_.load_flash(flash_image);
  start_from_reset_vector();
}

std::size_t SimulatedPart::receive(std::string_view bytes, TimePoint now) {
  if (settings_.faults.silent) return bytes.size();
  wire_.set_clock(now);
  for (std::size_t taken = 0; taken < bytes.size(); ++taken) {
    if (busy(now)) return taken;
    if (running_firmware_) {
      handle(firmware_.on_byte(bytes[taken]));
    } else {
      handle(boot_loader_.on_byte(bytes[taken]));
    }
  }
  return bytes.size();
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
      boot_loader_.restart(crp_level_);
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
  crp_level_ = crp_level_of(memory_.read_word(kCrpWordAddress));
  boot_loader_.restart(crp_level_);
  firmware_.restart();
  const bool valid = memory_.user_code_valid();
  const bool pin_heeded = settings_.isp_pin_low && !crp_rules(crp_level_).isp_pin_ignored;
  running_firmware_ = valid && !pin_heeded;
  report_.user_code_valid = valid;
  report_.firmware_running = running_firmware_;
  report_.code_read_protection = crp_name(crp_level_);
}

}  // namespace isp_sim
