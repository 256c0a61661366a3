#pragma once

#include <string>
#include <vector>

#include "cli/link_options.h"
#include "isp/verified/part_details.h"

namespace CLI {
class App;
}

namespace cli {

struct InfoOptions {
  LinkOptions link;
};

CLI::App* AddInfoCommand(CLI::App& app, InfoOptions& options);

// tarvo-cli info: what the boot loader tells of the attached part.
int RunInfo(const InfoOptions& options);

// The label and text of each line that info prints for the part.
std::vector<std::pair<const char*, std::string>> DetailLines(const isp::PartDetails& details);

}  // namespace cli
