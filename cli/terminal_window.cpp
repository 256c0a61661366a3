#include "cli/terminal_window.h"

#include <cstdio>

namespace cli {

TerminalWindow::TerminalWindow(ProgressDisplay& display, bool start_isp, bool colour)
    : display_(display), start_isp_(start_isp), colour_(colour) {
  for (int i = 0; i < isp::kLightCount; ++i)
    captions_[static_cast<std::size_t>(i)] = isp::kLightCaptions[i];
}

void TerminalWindow::ShowLight(isp::Light) {}

void TerminalWindow::SetLightColour(isp::Light light, std::uint32_t colour) {
  if (colour != isp::kLightGreen && colour != isp::kLightRed) return;
  const bool ok = colour == isp::kLightGreen;
  std::string caption = captions_[static_cast<std::size_t>(light)];
  caption.resize(16, ' ');
  const char* mark = ok ? "ok" : "FAILED";
  if (colour_) {
    display_.PrintLine(caption + (ok ? "\033[32m" : "\033[31m") + mark + "\033[0m");
  } else {
    display_.PrintLine(caption + mark);
  }
}

void TerminalWindow::SetErasedCaption(const char* caption) {
  std::string text = caption;
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
  captions_[static_cast<std::size_t>(isp::Light::ErasedPanel)] = text;
}

void TerminalWindow::ShowErrorMessage(const char* text) {
  display_.Clear();
  std::fprintf(stderr, "Error: %s\n", text);
  std::fflush(stderr);
}

void TerminalWindow::FileNotWritten(const char* file_name, const char* reason) {
  display_.Clear();
  std::fprintf(stderr, "Warning: \"%s\" not written: %s\n", file_name, reason);
  std::fflush(stderr);
}

}  // namespace cli
