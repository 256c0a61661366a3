#include "cli/parallel_program.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <thread>

#include "cli/console.h"
#include "cli/failure_text.h"
#include "cli/file_collisions.h"
#include "cli/json_report.h"
#include "cli/module_run.h"
#include "cli/port_argument.h"
#include "cli/port_list.h"
#include "cli/port_rows_display.h"
#include "cli/record/record_keeper.h"
#include "cli/record/recording_report.h"
#include "cli/run_link.h"
#include "cli/run_outcome.h"
#include "cli/run_report.h"
#include "cli/shown_name.h"
#include "cli/stop_signals.h"
#include "cli/verified_program.h"
#include "comm/comm.h"
#include "isp/run_log.h"

namespace cli {
namespace {

double MonotonicSeconds() {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return std::chrono::duration<double>(now).count();
}

// The reports of every port: rows for people, or JSON objects naming their port.
class PortReports {
 public:
  PortReports(const OutputOptions& output, const std::vector<std::string>& ports)
      : json_(output.json) {
    if (!json_) {
      const OutputStyle out = StyleOf(stdout);
      PortRowsDisplay::Style style{out.redraw, out.colour, StyleOf(stderr).colour, output.quiet};
      rows_ = std::make_unique<PortRowsDisplay>(
          stdout, stderr, style, ports, [] { return TerminalColumns(stdout); }, MonotonicSeconds);
    }
    for (std::size_t i = 0; i < ports.size(); ++i) {
      if (json_) {
        reports_.push_back(std::make_unique<JsonReport>(stdout, MonotonicSeconds, ports[i]));
      } else {
        reports_.push_back(rows_->PortReport(i));
      }
    }
  }

  RunReport& Of(std::size_t index) { return *reports_[index]; }

  void Summary(const std::vector<RunRecord>& records, const std::vector<std::string>& logs) {
    if (rows_) {
      rows_->Summary(records, logs);
      return;
    }
    nlohmann::json failed = nlohmann::json::array();
    for (const RunRecord& record : records) {
      if (!record.passed) failed.push_back({{"port", record.port}, {"error", record.error}});
    }
    const nlohmann::json summary{{"event", "summary"},
                                 {"ok", failed.empty()},
                                 {"ports", records.size()},
                                 {"failed", failed}};
    std::fprintf(stdout, "%s\n",
                 summary.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
    std::fflush(stdout);
  }

 private:
  bool json_;
  std::unique_ptr<PortRowsDisplay> rows_;
  std::vector<std::unique_ptr<RunReport>> reports_;
};

// One port's whole run: open, log, program, close. Never throws.
struct PortWork {
  const ProgramOptions& options;
  const isp::FlashImage& image;
  const std::string& port;
  const std::string& log_name;  // empty: no traffic log
  RunReport& report;
  const StopSignals& stop;
};

struct PortEnd {
  RunRecord record;
  int status = kExitFailed;
  std::string log_path;  // where the log went; empty when none was kept
};

PortEnd RunPort(const PortWork& work) {
  PortEnd end;
  // The port's own traffic log, through the run set-up every command uses.
  OutputOptions output = work.options.link.output;
  output.no_log = work.log_name.empty();
  if (!output.no_log) output.log_path = work.log_name;
  RunLink link(work.port, output);
  std::string open_failure;
  const LinkMessages messages = {[&work](const std::string& text) { work.report.Warning(text); },
                                 [&work, &open_failure](const std::string& text) {
                                   open_failure = text;
                                   work.report.Error(text);
                                 }};
  if (!link.Open(work.options.link.baud, messages)) {
    end.record.time_utc = UtcIsoTime(std::chrono::system_clock::now());
    end.record.port = work.port;
    end.record.file = work.options.file;
    end.record.error = open_failure;
    end.status = kExitNotStarted;
    work.report.NotStarted();
    return end;
  }
  ModuleRunResult result =
      ProgramModule(link.Comm(), work.image, work.options, work.port, work.report,
                    [&stop = work.stop] { return stop.Signal(); });
  if (link.Close(messages)) {
    end.log_path = link.LogPath();
    work.report.FileKept(isp::kRunLogName, end.log_path);
  }
  work.report.Finish(result.record.passed);
  end.record = std::move(result.record);
  end.status = result.status;
  return end;
}

// The refusal of the whole command line, before anything runs.
int Refuse(const OutputOptions& output, const std::string& text, int status) {
  const std::unique_ptr<RunReport> report = MakeRunReport(output);
  report->Error(text);
  report->NotStarted();
  return status;
}

}  // namespace

int RunParallelProgram(const ProgramOptions& options, const std::vector<std::string>& ports,
                       const RecordSink& sink) {
  if (const auto refusal = CheckPortList(ports)) {
    return Refuse(options.link.output, refusal->text, refusal->status);
  }
  const OutputOptions& output = options.link.output;
  if (output.log_path != isp::kRunLogName) {
    return Refuse(output,
                  "--log names one file: with several ports each port's traffic goes to "
                  "commlog-<port>.txt (or give --no-log)",
                  kExitUsage);
  }
  std::vector<std::string> logs = PortLogNames(ports);
  if (output.no_log) logs.assign(ports.size(), "");
  std::vector<FileRole> files = {{"the image", options.file, false}};
  for (const std::string& log : logs) {
    if (!log.empty()) files.push_back({"a traffic log", log});
  }
  if (!options.record.empty()) files.push_back({"--record", options.record});
  if (const std::optional<std::string> collision = CollidingFiles(files)) {
    return Refuse(output, *collision, kExitUsage);
  }
  isp::FlashImage image;
  {
    const std::unique_ptr<RunReport> report = MakeRunReport(output);
    if (!PrepareImage(options, *report, image)) {
      report->NotStarted();
      return kExitNotStarted;
    }
  }

  std::optional<RecordKeeper> keeper;
  if (!options.record.empty()) keeper.emplace(options.record, ImageDigest(image));

  // From here on a stop signal ends every run before its next command.
  const StopSignals stop;
  PortReports reports(output, ports);
  std::vector<PortEnd> ends(ports.size());
  std::mutex sink_mutex;
  std::vector<std::thread> workers;
  for (std::size_t i = 0; i < ports.size(); ++i) {
    workers.emplace_back([&, i] {
      ends[i] = RunPort({options, image, ports[i], logs[i], reports.Of(i), stop});
      const std::lock_guard lock(sink_mutex);
      if (keeper) keeper->Keep(ends[i].record);
      if (sink) sink(ends[i].record);
    });
  }
  for (std::thread& worker : workers) worker.join();

  std::vector<RunRecord> records;
  std::vector<std::string> kept;
  bool all_passed = true;
  for (const PortEnd& end : ends) {
    records.push_back(end.record);
    kept.push_back(end.log_path);
    all_passed = all_passed && end.record.passed;
  }
  reports.Summary(records, kept);
  if (stop.Requested()) return StoppedExitStatus(stop.Signal());
  return all_passed && (!keeper || keeper->AllKept()) ? kExitComplete : kExitFailed;
}

}  // namespace cli
