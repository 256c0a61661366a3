#include "cli/station_command.h"

#include <CLI/CLI.hpp>
#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <thread>

#include "cli/common_options.h"
#include "cli/console.h"
#include "cli/failure_text.h"
#include "cli/json_report.h"
#include "cli/link_options.h"
#include "cli/module_run.h"
#include "cli/port_argument.h"
#include "cli/port_list.h"
#include "cli/port_rows_display.h"
#include "cli/record/record_file.h"
#include "cli/record/record_keeper.h"
#include "cli/record/recording_report.h"
#include "cli/run_outcome.h"
#include "cli/run_report.h"
#include "cli/shown_name.h"
#include "cli/stop_signals.h"
#include "cli/verdict_banner.h"
#include "cli/verified_program.h"
#include "comm/clock.h"
#include "comm/comm.h"
#include "isp/run_log.h"

namespace cli {
namespace {

double MonotonicSeconds() {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return std::chrono::duration<double>(now).count();
}

enum class Answer { kNone, kModule, kLineGone };

// Takes whatever is waiting on the line, so that an answer is this poll's.
void Drain(comm::Comm& comm) {
  char buffer[256];
  while (comm.CommReadSome(buffer, sizeof buffer, 0) > 0) {
  }
}

// Sends bytes and waits up to wait_ms for an answer that holds expected
// (any byte at all when expected is empty).
Answer Poll(comm::Comm& comm, const char* bytes, const std::string& expected,
            std::uint32_t wait_ms) {
  Drain(comm);
  const int count = static_cast<int>(std::string(bytes).size());
  if (comm.CommWrite(bytes, count) != count) return Answer::kLineGone;
  const std::uint32_t began = comm::MonotonicMs();
  std::string got;
  for (;;) {
    const std::uint32_t spent = comm::MonotonicMs() - began;
    if (spent >= wait_ms) break;
    char buffer[64];
    const int n = comm.CommReadSome(buffer, sizeof buffer, static_cast<int>(wait_ms - spent));
    if (n > 0) {
      got.append(buffer, static_cast<std::size_t>(n));
      if (expected.empty() || got.find(expected) != std::string::npos) return Answer::kModule;
    } else if (comm.LineLost()) {
      return Answer::kLineGone;
    }
  }
  return comm.LineLost() ? Answer::kLineGone : Answer::kNone;
}

// A fresh module's boot loader answers "?" with "Synchronized".
Answer ModuleArrived(comm::Comm& comm, std::uint32_t wait_ms) {
  return Poll(comm, "?", "Synchronized", wait_ms);
}

// A module still there answers "?" and a line end with something: its
// boot loader "Synchronized" again, or a synchronised one a return code.
// Firmware that keeps silent counts as gone.
Answer ModuleStillThere(comm::Comm& comm, std::uint32_t wait_ms) {
  return Poll(comm, "?\r\n", "", wait_ms);
}

// What every port's worker shares.
class StationBoard {
 public:
  StationBoard(const OutputOptions& output, const std::vector<std::string>& ports)
      : json_(output.json), large_(StyleOf(stdout).redraw), colour_(StyleOf(stdout).colour) {
    if (!json_) {
      // Plain lines, each naming its port: the verdicts stay on the screen.
      PortRowsDisplay::Style style{false, colour_, StyleOf(stderr).colour, output.quiet};
      rows_ = std::make_unique<PortRowsDisplay>(
          stdout, stderr, style, ports, [] { return TerminalColumns(stdout); }, MonotonicSeconds);
      for (std::size_t i = 0; i < ports.size(); ++i) reports_.push_back(rows_->PortReport(i));
    }
  }

  // The report of one module's run on the port at index.
  std::unique_ptr<RunReport> ModuleReport(std::size_t index, const std::string& port) {
    if (json_) return std::make_unique<JsonReport>(stdout, MonotonicSeconds, port);
    return std::make_unique<Forward>(*reports_[index]);
  }

  void Say(std::size_t index, const std::string& port, const std::string& text) {
    if (rows_) {
      rows_->Say(index, text);
      return;
    }
    Emit({{"event", "station"}, {"port", port}, {"text", text}});
  }

  void Done(std::size_t index, const RunRecord& record) {
    const Verdict verdict{record.passed, record.port, record.part_serial, record.error,
                          record.duration_ms};
    if (rows_) {
      rows_->Print(VerdictText(verdict, large_, colour_));
      (void)index;
      return;
    }
    Emit({{"event", "module"},
          {"port", record.port},
          {"passed", record.passed},
          {"part", record.part_name},
          {"serial", record.part_serial},
          {"seconds", static_cast<double>(record.duration_ms) / 1000.0},
          {"error", record.error}});
  }

 private:
  // A report that passes everything to a port's long-lived one.
  class Forward final : public RunReport {
   public:
    explicit Forward(RunReport& to) : to_(to) {}
    void PhaseBegun(isp::Phase phase) override { to_.PhaseBegun(phase); }
    void Synchronised(bool already) override { to_.Synchronised(already); }
    void Identified(const isp::PartInfo& part) override { to_.Identified(part); }
    void Erased(const std::vector<isp::SectorSpan>& spans) override { to_.Erased(spans); }
    void BytesWritten(std::uint32_t done, std::uint32_t total) override {
      to_.BytesWritten(done, total);
    }
    void Written(std::uint32_t bytes) override { to_.Written(bytes); }
    void Verified(const isp::Verification& verification) override { to_.Verified(verification); }
    void Restarted() override { to_.Restarted(); }
    void Warned(const isp::Warning& warning) override { to_.Warned(warning); }
    void BytesRead(std::uint32_t done, std::uint32_t total) override { to_.BytesRead(done, total); }
    void Warning(const std::string& text) override { to_.Warning(text); }
    void LineRateSet(unsigned baud) override { to_.LineRateSet(baud); }
    void Error(const std::string& text) override { to_.Error(text); }
    void FileKept(const std::string& name, const std::string& path) override {
      to_.FileKept(name, path);
    }
    void Line(const char* label, const std::string& text) override { to_.Line(label, text); }
    void NotStarted() override { to_.NotStarted(); }
    void Finish(bool ok) override { to_.Finish(ok); }

   private:
    RunReport& to_;
  };

  void Emit(const nlohmann::json& object) {
    std::fprintf(stdout, "%s\n",
                 object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
    std::fflush(stdout);
  }

  bool json_;
  bool large_;
  bool colour_;
  std::unique_ptr<PortRowsDisplay> rows_;
  std::vector<std::unique_ptr<RunReport>> reports_;
};

struct PortStation {
  const StationOptions& options;
  const ProgramOptions& program;  // as each module is programmed
  const isp::FlashImage& image;
  std::size_t index;
  const std::string& port;
  const std::string& log_name;
  StationBoard& board;
  const StationTiming& timing;
  const std::function<int()>& stop_signal;
  const std::function<void(const RunRecord&)>& done;
};

bool Stopped(const PortStation& station) {
  return station.stop_signal && station.stop_signal() != 0;
}

void Pause(const PortStation& station) {
  comm::SleepMs(station.timing.poll_ms);
}

// One module on the open port: programmed, recorded, shown.
void ProgramOne(const PortStation& station, comm::Comm& comm) {
  const std::unique_ptr<RunReport> report = station.board.ModuleReport(station.index, station.port);
  std::string why;
  const bool logged = !station.log_name.empty() && isp::AttachRunLog(comm, station.log_name, &why);
  if (!logged && !why.empty()) {
    report->Warning("\"" + ShownName(station.log_name) + "\" not written: " + why);
  }
  // Once begun, a module is finished: a stop ends the station after it.
  ModuleRunResult result =
      ProgramModule(comm, station.image, station.program, station.port, *report, {});
  std::string log_why;
  const bool log_whole = isp::DetachRunLog(comm, &log_why);
  if (logged && !log_whole) report->Warning(LogIncompleteText(station.log_name, log_why));
  report->Finish(result.record.passed);
  station.done(result.record);
  station.board.Done(station.index, result.record);
}

void RunPortStation(const PortStation& station) {
  comm::Comm comm;
  const std::string path = PortArgumentPath(station.port);
  bool said_waiting = false;
  while (!Stopped(station)) {
    if (!comm.IsOpen()) {
      if (!comm.CommOpen(path.c_str(), static_cast<int>(station.program.link.baud))) {
        if (!said_waiting)
          station.board.Say(station.index, station.port, "waiting for the adapter");
        said_waiting = true;
        Pause(station);
        continue;
      }
      said_waiting = false;
    }
    if (!said_waiting) station.board.Say(station.index, station.port, "waiting for a module");
    said_waiting = true;
    const Answer arrived = ModuleArrived(comm, station.timing.poll_ms);
    if (arrived == Answer::kLineGone) {
      comm.CommClose();
      said_waiting = false;
      Pause(station);
      continue;
    }
    if (arrived == Answer::kNone) continue;
    said_waiting = false;
    ProgramOne(station, comm);
    if (Stopped(station)) break;
    station.board.Say(station.index, station.port, "remove the module");
    unsigned silent = 0;
    while (!Stopped(station) && silent < station.timing.silent_polls) {
      const Answer there = ModuleStillThere(comm, station.timing.poll_ms);
      if (there == Answer::kLineGone) {
        comm.CommClose();
        break;
      }
      silent = there == Answer::kNone ? silent + 1 : 0;
      if (there == Answer::kModule) Pause(station);
    }
  }
  comm.CommClose();
}

// The refusal of the whole command line, before anything runs.
int Refuse(const OutputOptions& output, const std::string& text, int status) {
  const std::unique_ptr<RunReport> report = MakeRunReport(output);
  report->Error(text);
  report->NotStarted();
  return status;
}

}  // namespace

CLI::App* AddStationCommand(CLI::App& app, StationOptions& options) {
  ProgramOptions& program = options.program;
  CLI::App* command = app.add_subcommand(
      "station",
      "Program module after module: on each port wait for a module's boot loader to answer, "
      "program and verify it, show PASS or FAIL with its serial number, wait for it to be "
      "removed, then for the next. Ctrl-C ends it after the module under way.");
  command
      ->add_option("-p,--port", options.ports, "A serial port of the station (give one for each)")
      ->allow_extra_args(false);
  command->add_option("--ports-file", options.ports_file,
                      "A file that names further ports, one a line (\"#\" begins a comment)");
  command->add_option("FILE", program.file, "The image: Intel HEX, S-records, ELF or raw binary")
      ->required();
  AddBaudOption(*command, program.link.baud);
  command->add_option("--crystal-khz", program.link.crystal_khz, "The part's crystal in kHz")
      ->capture_default_str()
      ->check(CLI::Range(1u, 1000000u));
  command->add_flag("--erase-all", program.erase_all,
                    "Erase every sector, not only those the image touches");
  command->add_flag_callback(
      "--no-verify", [&program] { program.verify = false; },
      "Do not compare the flash with the image after writing");
  command
      ->add_option("--verify", program.verify_mode,
                   "ram: M compares each copy with what the part received (default); read: read "
                   "every written byte back and compare it with the file")
      ->check(CLI::IsMember({"ram", "read"}));
  command->add_flag_callback(
      "--no-run", [&program] { program.link.run_firmware = false; },
      "Leave each part in its boot loader instead of starting the image");
  command->add_flag("--allow-lock", program.allow_lock,
                    "Program an image that sets CRP3 or NO_ISP (locks the part)");
  command
      ->add_option("--address", program.address,
                   "Where a raw binary (.bin) begins in the flash (default 0)")
      ->each([&program](const std::string& text) {
        program.address_given = true;
        program.address_text = text;
      });
  command->add_flag("--allow-partial-sector-0", program.allow_partial_sector_0,
                    "Program an image that begins inside sector 0 but not at 0");
  AddIspLinesOption(*command, program.link.isp_lines);
  command
      ->add_option("--record", program.record,
                   "Add each module's record (time, host, port, part and its serial number, "
                   "image SHA-256, result) to this file: .jsonl (JSON lines) or .db (SQLite)")
      ->check([](const std::string& file) { return RecordNameRefusal(file).value_or(""); });
  AddOutputOptions(*command, program.link.output);
  command->add_flag("--no-log", program.link.output.no_log, "Write no traffic logs");
  AddExitStatusFooter(*command);
  return command;
}

int RunStation(const StationOptions& options, const RecordSink& sink,
               const std::function<int()>& stop_signal, const StationTiming& timing) {
  const OutputOptions& output = options.program.link.output;
  std::vector<std::string> ports = options.ports;
  if (!options.ports_file.empty()) {
    std::string why;
    const auto listed = ReadPortsFile(options.ports_file, why);
    if (!listed) {
      return Refuse(output, ShownName(options.ports_file) + ": " + why, kExitNotStarted);
    }
    ports.insert(ports.end(), listed->begin(), listed->end());
  }
  // An adapter that is not there yet is waited for.
  if (const auto refusal = CheckPortList(ports, false)) {
    return Refuse(output, refusal->text, refusal->status);
  }
  isp::FlashImage image;
  {
    const std::unique_ptr<RunReport> report = MakeRunReport(output);
    if (!PrepareImage(options.program, *report, image)) {
      report->NotStarted();
      return kExitNotStarted;
    }
  }
  std::optional<RecordKeeper> keeper;
  if (!options.program.record.empty()) keeper.emplace(options.program.record, ImageDigest(image));
  ProgramOptions program = options.program;
  // The module has answered "?": its boot loader is running already.
  program.link.start_isp = false;
  std::vector<std::string> logs = PortLogNames(ports);
  if (output.no_log) logs.assign(ports.size(), "");

  StationBoard board(output, ports);
  std::mutex done_mutex;
  bool any_failed = false;
  const std::function<void(const RunRecord&)> done = [&](const RunRecord& record) {
    const std::lock_guard lock(done_mutex);
    if (!record.passed) any_failed = true;
    if (keeper) keeper->Keep(record);
    if (sink) sink(record);
  };
  std::vector<std::thread> workers;
  for (std::size_t i = 0; i < ports.size(); ++i) {
    workers.emplace_back([&, i] {
      RunPortStation(
          {options, program, image, i, ports[i], logs[i], board, timing, stop_signal, done});
    });
  }
  for (std::thread& worker : workers) worker.join();
  return any_failed || (keeper && !keeper->AllKept()) ? kExitFailed : kExitComplete;
}

int RunStationCommand(const StationOptions& options, const RecordSink& sink) {
  const StopSignals stop;
  return RunStation(options, sink, [&stop] { return stop.Signal(); });
}

}  // namespace cli
