#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace isp_sim {

// A run of equal flash sectors.
struct SectorRun {
  std::uint32_t size;
  unsigned count;
};

// One LPC part as its ROM boot loader sees it. RAM starts at 0x10000000 on every part here.
struct PartInfo {
  std::uint32_t id;  // what "J" answers
  std::string_view name;
  std::uint32_t flash_size;
  SectorRun sectors[2];  // small sectors first; an unused run has count 0
  std::uint32_t ram_size;
  // Where "W" may write: above the boot loader's variables, below the top 256 bytes that hold
  // its stack and the scratch space of its flash commands. The end is exclusive.
  std::uint32_t ram_buffer_start;
  std::uint32_t ram_buffer_end;
  bool ecc_lines;  // every 16-byte flash line carries ECC and may be programmed once per erase
  // While the boot loader runs, this many bytes at flash address 0 are covered by the boot ROM's
  // own vectors, for M and (unless --read-sees-flash) for R.
  std::uint32_t boot_rom_window;
};

inline constexpr std::uint32_t kRamBase = 0x10000000;

// The parts the simulator knows; the first is the default.
std::span<const PartInfo> part_table();
const PartInfo& default_part();
std::optional<PartInfo> find_part_by_id(std::uint32_t id);
// Case does not matter: "lpc1768" finds LPC1768.
std::optional<PartInfo> find_part_by_name(std::string_view name);
// The parts whose name begins with the text, case as it may be: "LPC1114" finds LPC1114/301,
// "LPC17" both LPC17xx rows.
std::vector<PartInfo> find_parts_by_prefix(std::string_view prefix);

}  // namespace isp_sim
