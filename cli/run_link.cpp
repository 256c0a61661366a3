#include "cli/run_link.h"

#include <utility>

#include "cli/failure_text.h"
#include "cli/port_argument.h"
#include "cli/run_log_choice.h"
#include "cli/run_outcome.h"
#include "cli/run_report.h"
#include "cli/shown_name.h"
#include "isp/run_log.h"

namespace cli {

LinkMessages MessagesOf(RunReport& report) {
  return {[&report](const std::string& text) { report.Warning(text); },
          [&report](const std::string& text) { report.Error(text); }};
}

RunLink::RunLink(std::string port, OutputOptions output)
    : port_(std::move(port)), output_(std::move(output)) {}

RunLink::~RunLink() {
  if (!open_) return;
  isp::DetachRunLog(comm_, nullptr);
  comm_.CommClose();
}

std::optional<std::string> RunLink::CollidingFiles(std::vector<FileRole> files,
                                                   const char* log_role) const {
  if (!output_.no_log) files.push_back({log_role, output_.log_path});
  return cli::CollidingFiles(files);
}

bool RunLink::Open(unsigned baud, const LinkMessages& messages) {
  const bool opened = comm_.CommOpen(PortArgumentPath(port_).c_str(), static_cast<int>(baud));
  if (PortUsersMatter(opened, comm_.LastOpenError())) {
    for (const std::string& warning : OtherUsersWarnings(port_)) messages.warning(warning);
  }
  if (!opened) {
    messages.error(PortOpenFailureText(port_, comm_.LastOpenError()));
    return false;
  }
  open_ = true;
  std::string why;
  logged_ = AttachChosenLog(comm_, output_, why);
  if (!logged_ && !why.empty()) {
    messages.warning("\"" + ShownName(output_.log_path) + "\" not written: " + why);
  }
  return true;
}

bool RunLink::Close(const LinkMessages& messages) {
  if (!open_) return false;
  open_ = false;
  std::string why;
  const bool whole = isp::DetachRunLog(comm_, &why);
  comm_.CommClose();
  if (!logged_) return false;
  if (!whole) messages.warning(LogIncompleteText(output_.log_path, why));
  return true;
}

std::string RunLink::LogPath() const {
  return AbsolutePath(output_.log_path);
}

}  // namespace cli
