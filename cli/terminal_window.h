#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "cli/json_lines.h"
#include "cli/progress_display.h"
#include "isp/classic/isp_window.h"

namespace cli {

// The engine's window on a terminal: a line for every light that turns
// green or red, error messages on stderr, each naming the step that failed
// and what the part answered. With json set, JSON lines instead (--json).
class TerminalWindow : public isp::IspWindow {
 public:
  struct Style {
    bool colour = false;      // "ok" and "FAILED" in colour
    bool colour_err = false;  // "Error:" and "Warning:" in colour
    bool quiet = false;       // errors only
  };

  TerminalWindow(ProgressDisplay& display, bool start_isp, Style style, JsonLines* json = nullptr);

  void ShowLight(isp::Light light) override;
  void SetLightState(isp::Light light, isp::LightState state) override;
  void SetErasedCaption(const char* caption) override;
  void SetTimer1Interval(int ms) override { timer1_interval_ = ms; }
  bool StartISPChecked() override { return start_isp_; }
  void ShowErrorMessage(const char* text) override;
  void ProcessMessages() override {}
  // A warning on stderr: the run goes on without the file.
  void FileNotWritten(const char* file_name, const char* reason) override;
  void FileWritten(const char* file_name) override;
  void StepFailed(const isp::StepFailure& failure) override;
  void FileNotLoaded(const isp::ImageError& error) override { load_error_ = error; }

  // A warning of the front end's own, in the window's manner.
  void Warning(const std::string& text);
  // While a file loads, the loader's messages name it and the reason; an
  // empty path ends that.
  void LoadingFile(const std::string& path) { loading_ = path; }
  // An error of the front end's own (a stop signal, a port that does not open).
  void Error(const std::string& text);
  // Says why the run failed when the engine gave a reason but no message.
  void ReportUnshownFailure();
  // The files the run wrote ("block.bin"), as the engine named them.
  const std::vector<std::string>& FilesWritten() const { return files_written_; }

  int Timer1Interval() const { return timer1_interval_; }

 private:
  ProgressDisplay& display_;
  bool start_isp_;
  Style style_;
  JsonLines* json_;
  int timer1_interval_ = 200;
  std::array<std::string, isp::kLightCount> captions_;
  std::optional<std::string> failure_;  // the step's reason, until it is shown
  std::vector<std::string> files_written_;
  std::string loading_;
  std::optional<isp::ImageError> load_error_;  // why the file did not load, until it is shown
};

}  // namespace cli
