#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace isp {

// One run of equal flash sectors.
struct SectorRun {
  std::uint32_t size;   // bytes per sector
  std::uint32_t count;  // sectors in the run
};

// What the host must know of an LPC part to program it. A row of data: the
// built-in rows are kParts in part_table.cpp; a part file adds or overrides
// rows with the same fields (isp/part_file.h).
struct PartInfo {
  std::uint32_t id;  // the part id that J answers
  const char* name;
  std::uint32_t flash_size;
  std::vector<SectorRun> sectors;  // from address 0 up, covering the flash
  std::uint32_t ram_size;          // RAM at 0x10000000
  std::uint32_t ram_buffer_start;  // the range W may write: [start, end)
  std::uint32_t ram_buffer_end;
  std::uint32_t largest_copy;  // the largest C count the part takes
  bool ecc_lines;              // 16-byte lines that may be programmed once per erase
  // The lowest flash bytes that the boot ROM's vectors cover while the boot
  // loader runs: M never sees the flash there.
  std::uint32_t boot_rom_window;
  // Whether R shows the flash in that window (true) or the boot ROM, as M
  // does (false: the safe assumption, so every built-in row says so).
  bool read_sees_flash = false;
  // The fastest rate the boot loader's B command takes (the user manuals of
  // the LPC11xx, LPC12xx, LPC13xx and LPC17xx all list 230400).
  std::uint32_t max_isp_baud = 230400;
};

// Where a row of the table came from: built in (file empty), or the line of
// the part file that holds it.
struct PartOrigin {
  std::string file;
  int line = 0;
};

// A row read from a part file.
struct PartRow {
  PartInfo part{};
  std::string name;  // the storage of part.name
  PartOrigin origin;
};

// The bytes of [address, address + length) that lie in the window and that R
// cannot read as flash on this part: 0 when R sees the flash there.
std::uint32_t HiddenFromRead(const PartInfo& part, std::uint32_t address, std::uint32_t length);

// A sector's place in the flash.
struct Sector {
  unsigned number;
  std::uint32_t start;
  std::uint32_t size;
};

std::span<const PartInfo> KnownParts();
// Adds the rows to the table, each replacing the row with its id (a row of
// a later call wins). Call before any part is looked up: the table's rows
// stay where they are only until it changes.
void AddPartRows(const std::vector<PartRow>& rows);
// Puts the built-in table back, as it is before any part file was read.
void RestoreBuiltInParts();
// Where the known part's row came from.
PartOrigin OriginOf(const PartInfo& part);
const PartInfo* FindPart(std::uint32_t id);
// The largest flash of any known part: data above it fits no part.
std::uint32_t LargestKnownFlash();

// The part's sectors in address order.
std::vector<Sector> SectorsOf(const PartInfo& part);
// The sector that holds the address (which must lie in the flash).
Sector SectorAt(const PartInfo& part, std::uint32_t address);

// The copy sizes C takes.
inline constexpr std::uint32_t kCopySizes[] = {256, 512, 1024, 4096};

}  // namespace isp
