#pragma once

#include <string>
#include <vector>

#include "isp/part_table.h"

namespace isp {

// A part file: JSON, either an array of rows or an object whose "parts" is
// one, each row an object with the fields of PartInfo (comments allowed):
//
//   {"parts": [{"id": "0x12345678", "name": "LPC1115/303",
//               "sectors": [{"size": 4096, "count": 16}],
//               "ram_size": 8192,
//               "ram_buffer_start": "0x10000300", "ram_buffer_end": "0x10001F00",
//               "largest_copy": 4096, "ecc_lines": true,
//               "boot_rom_window": 512, "read_sees_flash": false}]}
//
// Numbers are JSON numbers or strings ("0x1F00" or "8192"). Required: id,
// name, sectors (runs of equal sectors from address 0 up; a run may give
// its "start", which must be where the runs before it end), ram_size and the
// W range. Optional: flash_size (must be the sectors' sum), largest_copy
// (4096), ecc_lines (false), boot_rom_window (512, the larger window of the
// known parts: R and M of a wrong small window would pass over it) and
// read_sees_flash (false). A field that is not one of these is refused too.

// Reads the rows of the text of the file at path. False, with error as
// "PATH:LINE: FIELD: reason" (or "PATH:LINE: reason" where no field is to
// blame), when the text is no JSON, a row lacks a field or has a field of
// the wrong kind, or a row contradicts itself (the W range outside RAM,
// sectors that overlap, two rows with one id).
bool ParsePartFile(const std::string& text, const std::string& path, std::vector<PartRow>& rows,
                   std::string& error);

// ParsePartFile on the file's contents; a file that cannot be read is
// refused with "PATH: cannot be read".
bool ReadPartFile(const std::string& path, std::vector<PartRow>& rows, std::string& error);

}  // namespace isp
