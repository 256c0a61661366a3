#pragma once

#include "cli/image_argument.h"
#include "cli/link_options.h"

namespace CLI {
class App;
}

namespace cli {

struct VerifyOptions {
  LinkOptions link;
  ImageArgument image;
};

// --address as the binary's start; address_given is set once parsed.
CLI::App* AddVerifyCommand(CLI::App& app, VerifyOptions& options);

// tarvo-cli verify: compares the flash with a file, writing nothing. Exit 0
// when the flash holds the file, 1 when it differs (the first differing
// address and the count said).
int RunVerify(const VerifyOptions& options);

}  // namespace cli
