#include "cli/image_argument.h"

#include "cli/failure_text.h"
#include "cli/shown_name.h"
#include "isp/image_file.h"
#include "isp/part_table.h"

namespace cli {

bool LoadImageArgument(const ImageArgument& argument, isp::FlashImage& image, std::string& error,
                       bool& no_vector_table) {
  if (argument.address_given && isp::FormatOfName(argument.file) != isp::ImageFormat::kBinary) {
    error = "--address is for a raw binary file (.bin); the records of " +
            ShownName(argument.file) + " carry their own addresses";
    return false;
  }
  if (!isp::LoadImageFile(argument.file, argument.address, isp::LargestKnownFlash(), image,
                          error)) {
    // Every message names the file, and one that does not open says why.
    if (error.rfind(argument.file, 0) != 0) {
      error = FileFailureText(argument.file, error);
    } else {
      error = ShownName(argument.file) + error.substr(argument.file.size());
    }
    return false;
  }
  no_vector_table = !image.SetChecksumWord();
  return true;
}

}  // namespace cli
