#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace isp_sim {

// Raw flash contents for --flash-in: at most `flash_size` bytes. Throws std::runtime_error.
std::vector<std::uint8_t> read_flash_image(const std::string& path, std::uint32_t flash_size);
void write_flash_image(const std::string& path, const std::vector<std::uint8_t>& flash);
void write_report(const std::string& path, const nlohmann::json& report);

}  // namespace isp_sim
