#pragma once

#include <cstdint>
#include <string>

#include "isp/image/flash_image.h"

namespace cli {

// The FILE argument of program and verify, with its --address.
struct ImageArgument {
  std::string file;
  std::uint32_t address = 0;  // where a raw binary begins
  bool address_given = false;
};

// Loads the file as its bytes say (ELF, S-records, Intel HEX, or raw binary
// for .bin or with --address) and
// sets the checksum word of the vector table, as programming does. False,
// with error saying why, when the file is refused; --address is refused for
// a file whose segments or records carry their own addresses. Without a vector
// table in the image, no_vector_table is set.
bool LoadImageArgument(const ImageArgument& argument, isp::FlashImage& image, std::string& error,
                       bool& no_vector_table);

}  // namespace cli
