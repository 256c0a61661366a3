#include "cli/image_argument.h"

#include "cli/failure_text.h"
#include "isp/image/image_file.h"
#include "isp/part_table.h"

namespace cli {

bool LoadImageArgument(const ImageArgument& argument, isp::FlashImage& image, std::string& error,
                       bool& no_vector_table) {
  isp::ImageFormat format = isp::ImageFormat::kBinary;
  isp::FlashImage loaded;
  isp::ImageError refused;
  const bool good = isp::LoadImageFile(argument.file, argument.address, isp::LargestKnownFlash(),
                                       loaded, refused, &format, argument.address_given);
  // An address for a file that carries its own is refused first, whether or
  // not the file loads.
  if (argument.address_given && format != isp::ImageFormat::kBinary) {
    const char* what = format == isp::ImageFormat::kElf ? "segments" : "records";
    error = std::string("--address is for a raw binary file (.bin); the ") + what + " of " +
            argument.file + " carry their own addresses";
    return false;
  }
  if (!good) {
    error = ImageFailureText(argument.file, refused);
    return false;
  }
  image = std::move(loaded);
  no_vector_table = !image.SetChecksumWord7();
  return true;
}

}  // namespace cli
