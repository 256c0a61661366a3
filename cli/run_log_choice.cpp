#include "cli/run_log_choice.h"

#include "isp/run_log.h"

namespace cli {

bool AttachChosenLog(comm::Comm& comm, const OutputOptions& options, std::string& why) {
  why.clear();
  if (options.no_log) return false;
  return isp::AttachRunLog(comm, options.log_path, &why);
}

}  // namespace cli
