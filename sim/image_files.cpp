#include "image_files.hpp"

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace isp_sim {

std::vector<std::uint8_t> read_flash_image(const std::string& path, std::uint32_t flash_size) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw std::runtime_error("cannot open flash image " + path);
  std::vector<std::uint8_t> image;
  char byte = 0;
  while (file.get(byte)) {
    if (image.size() == flash_size) {
      throw std::runtime_error("flash image " + path + " is larger than the flash (" +
                               std::to_string(flash_size) + " bytes)");
    }
    image.push_back(static_cast<std::uint8_t>(byte));
  }
  return image;
}

void write_flash_image(const std::string& path, const std::vector<std::uint8_t>& flash) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(flash.data()),
             static_cast<std::streamsize>(flash.size()));
  if (!file) throw std::runtime_error("cannot write flash image " + path);
}

void write_report(const std::string& path, const nlohmann::json& report) {
  std::ofstream file(path, std::ios::trunc);
  // Bytes a host sent at another rate than the part listens at arrive
  // garbled, and the report quotes what the part received: a byte that is no
  // UTF-8 becomes U+FFFD rather than losing the whole report.
  file << report.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
  if (!file) throw std::runtime_error("cannot write report " + path);
}

}  // namespace isp_sim
