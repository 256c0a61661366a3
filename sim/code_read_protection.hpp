#pragma once

#include <cstdint>
#include <string>

namespace isp_sim {

// Code read protection, set by the word at flash offset 0x2FC and read at every reset.
enum class CrpLevel { kNone, kCrp1, kCrp2, kCrp3, kNoIsp };

inline constexpr std::uint32_t kCrpWordAddress = 0x2FC;

CrpLevel crp_level_of(std::uint32_t word);
// "none", "CRP1", "CRP2", "CRP3" or "NO_ISP".
std::string crp_name(CrpLevel level);

// What the boot loader refuses under a level (answered 19, CODE_READ_PROTECTION_ENABLED).
struct CrpRules {
  bool read_and_compare_refused = false;   // R, M
  bool write_copy_and_go_refused = false;  // W, C, G
  bool copy_to_sector_0_refused = false;   // C into sector 0
  std::uint32_t lowest_ram_write = 0;      // W below this address is refused (0: no limit)
  bool erase_of_sector_0_only_with_all = false;
  bool erase_only_all = false;
  // Valid user code always starts at reset, whatever the ISP entry pin says.
  bool isp_pin_ignored = false;
};

CrpRules crp_rules(CrpLevel level);

}  // namespace isp_sim
