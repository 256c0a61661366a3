#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "isp/image/image_error.h"

namespace isp {

// Reads a regular file whole, once, so that it can be told apart and
// parsed from memory. A FIFO, a device or a directory is refused without
// waiting (see OpenRegularFile). On failure the error says why the file
// did not open (not found, a folder, no regular file, no permission, with
// the system's errno) or that it could not be read to its end.
std::optional<ImageError> ReadFileBytes(const std::string& path, std::vector<std::uint8_t>& bytes);

// Why a file that OpenRegularFile refused did not open, asked of the file
// system right after the refusal: not found, a folder, no regular file, or
// the errno of opening it (kNoPermission for EACCES and EPERM).
ImageError WhyNotOpened(const std::string& path);

}  // namespace isp
