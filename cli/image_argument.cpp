#include "cli/image_argument.h"

#include "cli/failure_text.h"
#include "cli/shown_name.h"
#include "isp/image/image_file.h"
#include "isp/part_table.h"

namespace cli {

bool LoadImageArgument(const ImageArgument& argument, isp::FlashImage& image, std::string& error,
                       bool& no_vector_table) {
  isp::ImageFormat format = isp::ImageFormat::kBinary;
  isp::FlashImage loaded;
  const bool good = isp::LoadImageFile(argument.file, argument.address, isp::LargestKnownFlash(),
                                       loaded, error, &format, argument.address_given);
  // An address for a file that carries its own is refused first, whether or
  // not the file loads.
  if (argument.address_given && format != isp::ImageFormat::kBinary) {
    const char* what = format == isp::ImageFormat::kElf ? "segments" : "records";
    error = std::string("--address is for a raw binary file (.bin); the ") + what + " of " +
            argument.file + " carry their own addresses";
    return false;
  }
  if (!good) {
    // Every message names the file, and one that does not open says why.
    if (error.rfind(argument.file, 0) != 0) {
      error = FileFailureText(argument.file, error);
    } else {
      error = ShownName(argument.file) + error.substr(argument.file.size());
    }
    return false;
  }
  image = std::move(loaded);
  no_vector_table = !image.SetChecksumWord7();
  return true;
}

}  // namespace cli
