#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/file_collisions.h"
#include "cli/link_options.h"
#include "cli/run_display.h"
#include "cli/run_link.h"
#include "cli/stop_signals.h"
#include "comm/comm.h"
#include "isp/verified/part_connection.h"
#include "isp/verified/reset_lines.h"
#include "isp/wire/boot_client.h"
#include "isp/wire/isp_link.h"

namespace cli {

// The adapter's lines as the wiring drives them through the serial unit,
// timed by the host's clock; nothing when no wiring is named.
std::unique_ptr<isp::ResetLines> MakeResetLines(comm::Comm& comm, const std::string& wiring);
// Warns when the lines did not move: the part was not reset by them.
void WarnIfLinesRefused(const isp::ResetLines* lines, RunReport& display);

// The boot loader's end of an open port: the client that talks to it at the
// options' rate, the adapter's lines when --isp-lines names them, and the
// options' way into the boot loader as the engine takes it.
class BootLink {
 public:
  BootLink(comm::Comm& comm, const LinkOptions& options, std::function<bool()> stop_requested);
  BootLink(const BootLink&) = delete;
  BootLink& operator=(const BootLink&) = delete;

  isp::BootClient& Client() { return client_; }
  isp::ResetLines* Reset() const { return reset_.get(); }
  const isp::ConnectSettings& Connect() const { return connect_; }

 private:
  isp::CommLink link_;
  isp::BootClient client_;
  std::unique_ptr<isp::ResetLines> reset_;
  isp::ConnectSettings connect_;
};

// One run of a command that reads or erases the part through its boot
// loader (info, read, erase, verify): the port and the run log opened, the
// part brought into its boot loader, synchronised and identified; at the
// end, with the adapter's lines wired, RESET pulsed so that the firmware
// starts, then the log and the port closed. Stop signals end the run
// before the next command goes out.
class BootSession {
 public:
  // command names the command for its advice ("read", "erase", ...).
  explicit BootSession(const LinkOptions& options, const char* command = "");
  ~BootSession();
  BootSession(const BootSession&) = delete;
  BootSession& operator=(const BootSession&) = delete;

  RunReport& Display() { return *display_; }

  // Refuses the run when two of its files, the traffic log among them, are
  // one file: the error shown, false, and the exit status in status.
  bool FilesApart(std::vector<FileRole> files, int& status);

  // Opens the port and reaches an identified part. When it fails, the
  // error has been shown and the exit status is in status.
  bool Start(int& status);
  isp::BootClient& Client() { return boot_->Client(); }
  const isp::PartInfo& Part() const { return *part_; }

  // Ends the run after its work: with --run and no failure, starts the
  // part's firmware; shows the failure, if any, names file in it, then
  // where the traffic log went, and returns the exit status.
  int Finish(const std::optional<isp::Failure>& failure, const std::string& file = "");
  // Ends a run whose work found a fault of its own (already shown): exit 1.
  int FinishFailed();
  // Ends a run refused before the port was opened (already shown): exit 2.
  int NotStarted();

 private:
  void Close();

  LinkOptions options_;
  std::string command_;
  std::unique_ptr<RunReport> display_;
  std::optional<StopSignals> stop_;
  RunLink link_;
  std::optional<BootLink> boot_;
  const isp::PartInfo* part_ = nullptr;
};

}  // namespace cli
