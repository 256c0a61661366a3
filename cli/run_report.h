#pragma once

#include <memory>
#include <string>

#include "cli/output_options.h"
#include "isp/verified/programmer_events.h"

namespace cli {

// Where a run's events end up: lines for people (RunDisplay) or JSON
// objects for scripts (JsonReport). Besides the programmer's events, what
// the front end itself has to say.
class RunReport : public isp::ProgrammerEvents {
 public:
  virtual void Warning(const std::string& text) = 0;
  virtual void Error(const std::string& text) = 0;
  // A file the run left behind: its name ("commlog.txt") and where it is.
  virtual void FileKept(const std::string& name, const std::string& path) = 0;
  // A line of a command's result under its label ("Serial number").
  virtual void Line(const char* label, const std::string& text) = 0;
  // The run ended before anything was sent (the file or the port failed,
  // already told as an error): a script still gets its result.
  virtual void NotStarted() = 0;
  // The last event: "Complete." or "Failed!", with the write's figures.
  virtual void Finish(bool ok) = 0;
};

// The report the options ask for, on stdout and stderr.
std::unique_ptr<RunReport> MakeRunReport(const OutputOptions& options);

class RunDisplay;
// Lines for people, in the terminal's width and colours, as the options ask.
std::unique_ptr<RunDisplay> MakeRunDisplay(const OutputOptions& options);

}  // namespace cli
