#pragma once

#include <array>
#include <string>

#include "cli/progress_display.h"
#include "isp/isp_window.h"

namespace cli {

// The engine's window on a terminal: a line for every light that turns
// green or red, error messages on stderr.
class TerminalWindow : public isp::IspWindow {
 public:
  TerminalWindow(ProgressDisplay& display, bool start_isp, bool colour);

  void ShowLight(isp::Light light) override;
  void SetLightColour(isp::Light light, std::uint32_t colour) override;
  void SetErasedCaption(const char* caption) override;
  void SetTimer1Interval(int ms) override { timer1_interval_ = ms; }
  bool StartISPChecked() override { return start_isp_; }
  void ShowErrorMessage(const char* text) override;
  void ProcessMessages() override {}
  // A warning on stderr: the run goes on without the file.
  void FileNotWritten(const char* file_name, const char* reason) override;

  int Timer1Interval() const { return timer1_interval_; }

 private:
  ProgressDisplay& display_;
  bool start_isp_;
  bool colour_;
  int timer1_interval_ = 200;
  std::array<std::string, isp::kLightCount> captions_;
};

}  // namespace cli
