#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cli/file_collisions.h"
#include "cli/output_options.h"
#include "comm/comm.h"

namespace cli {

class RunReport;

// What a run's display is told while its port opens and closes; each path
// shows it in its own manner.
struct LinkMessages {
  std::function<void(const std::string& text)> warning;
  std::function<void(const std::string& text)> error;  // the port did not open
};

// The report's own Warning and Error.
LinkMessages MessagesOf(RunReport& report);

// The serial port of one run and its traffic log, opened, attached and
// closed alike for every command that talks to a boot loader (program, its
// --classic run, info, read, erase, verify and run).
class RunLink {
 public:
  RunLink(std::string port, OutputOptions output);
  // Closes what is still open without a word: the paths close it themselves.
  ~RunLink();
  RunLink(const RunLink&) = delete;
  RunLink& operator=(const RunLink&) = delete;

  // The run's files and its traffic log, when it writes one (named by
  // log_role): the text for the first two that are one file, while at
  // least one of them is written.
  std::optional<std::string> CollidingFiles(std::vector<FileRole> files,
                                            const char* log_role) const;

  // Opens the port at the rate: the port's other users named, one warning
  // each, when they matter, the failure as an error (then false), and the traffic
  // log that --log and --no-log choose attached, with a warning when it
  // cannot be written.
  bool Open(unsigned baud, const LinkMessages& messages);
  bool IsOpen() const { return open_; }
  comm::Comm& Comm() { return comm_; }

  // Detaches the log and closes the port, warning when the log is not
  // whole. True when a log was written: it is at LogPath().
  bool Close(const LinkMessages& messages);
  std::string LogPath() const;

 private:
  std::string port_;
  OutputOptions output_;
  comm::Comm comm_;
  bool open_ = false;
  bool logged_ = false;
};

}  // namespace cli
