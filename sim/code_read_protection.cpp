#include "code_read_protection.hpp"

namespace isp_sim {

CrpLevel crp_level_of(std::uint32_t word) {
  switch (word) {
    case 0x12345678:
      return CrpLevel::kCrp1;
    case 0x87654321:
      return CrpLevel::kCrp2;
    case 0x43218765:
      return CrpLevel::kCrp3;
    case 0x4E697370:
      return CrpLevel::kNoIsp;
    default:
      return CrpLevel::kNone;
  }
}

std::string crp_name(CrpLevel level) {
  switch (level) {
    case CrpLevel::kNone:
      return "none";
    case CrpLevel::kCrp1:
      return "CRP1";
    case CrpLevel::kCrp2:
      return "CRP2";
    case CrpLevel::kCrp3:
      return "CRP3";
    case CrpLevel::kNoIsp:
      return "NO_ISP";
  }
  return "none";
}

CrpRules crp_rules(CrpLevel level) {
  CrpRules rules;
  switch (level) {
    case CrpLevel::kNone:
      break;
    case CrpLevel::kNoIsp:  // only the ISP entry pin is affected
      rules.isp_pin_ignored = true;
      break;
    case CrpLevel::kCrp1:
      rules.read_and_compare_refused = true;
      rules.copy_to_sector_0_refused = true;
      rules.lowest_ram_write = 0x10000300;
      rules.erase_of_sector_0_only_with_all = true;
      break;
    // The boot loader runs under CRP3 without valid user code, or when the firmware enters it;
    // it then refuses what CRP2 refuses.
    case CrpLevel::kCrp3:
      rules.isp_pin_ignored = true;
      [[fallthrough]];
    case CrpLevel::kCrp2:
      rules.read_and_compare_refused = true;
      rules.write_copy_and_go_refused = true;
      rules.copy_to_sector_0_refused = true;
      rules.erase_of_sector_0_only_with_all = true;
      rules.erase_only_all = true;
      break;
  }
  return rules;
}

}  // namespace isp_sim
