#include "cli/terminal_window.h"

#include <cstdio>

#include "cli/failure_text.h"
#include "cli/shown_name.h"

namespace cli {
namespace {

std::string Coloured(const char* text, const char* colour, bool on) {
  return on ? std::string(colour) + text + "\033[0m" : std::string(text);
}

}  // namespace

TerminalWindow::TerminalWindow(ProgressDisplay& display, bool start_isp, Style style,
                               JsonLines* json)
    : display_(display), start_isp_(start_isp), style_(style), json_(json) {
  for (int i = 0; i < isp::kLightCount; ++i)
    captions_[static_cast<std::size_t>(i)] = isp::kLightCaptions[i];
}

void TerminalWindow::ShowLight(isp::Light) {}

void TerminalWindow::SetLightState(isp::Light light, isp::LightState state) {
  // A light put back to idle has nothing to say.
  if (state == isp::LightState::Idle) return;
  const bool ok = state == isp::LightState::Done;
  std::string caption = captions_[static_cast<std::size_t>(light)];
  if (json_ != nullptr) {
    json_->Phase(caption, ok, "");
    return;
  }
  caption.resize(16, ' ');
  display_.PrintLine(caption +
                     Coloured(ok ? "ok" : "FAILED", ok ? "\033[32m" : "\033[31m", style_.colour));
}

void TerminalWindow::SetErasedCaption(const char* caption) {
  std::string text = caption;
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
  captions_[static_cast<std::size_t>(isp::Light::ErasedPanel)] = text;
}

void TerminalWindow::Error(const std::string& text) {
  if (json_ != nullptr) {
    json_->Error(text);
    return;
  }
  display_.Clear();
  std::fflush(stdout);
  std::fprintf(stderr, "%s %s\n", Coloured("Error:", "\033[31m", style_.colour_err).c_str(),
               text.c_str());
  std::fflush(stderr);
}

void TerminalWindow::Warning(const std::string& text) {
  if (json_ != nullptr) {
    json_->Warning(text);
    return;
  }
  if (style_.quiet) return;
  display_.Clear();
  std::fflush(stdout);
  std::fprintf(stderr, "%s %s\n", Coloured("Warning:", "\033[33m", style_.colour_err).c_str(),
               text.c_str());
  std::fflush(stderr);
}

void TerminalWindow::ShowErrorMessage(const char* text) {
  if (!loading_.empty()) {
    // A file that does not open is named with the reason; otherwise the
    // loader's own words follow the file's name.
    const std::optional<isp::ImageError> why = std::move(load_error_);
    load_error_.reset();
    Error(why && isp::IsFileAccessError(why->kind) ? ImageFailureText(loading_, *why)
                                                   : ShownName(loading_) + ": " + text);
    return;
  }
  std::string message = text;
  if (failure_) message += " (" + *failure_ + ")";
  failure_.reset();
  Error(message);
}

void TerminalWindow::StepFailed(const isp::StepFailure& failure) {
  failure_ = StepFailureText(failure);
}

void TerminalWindow::ReportUnshownFailure() {
  if (!failure_) return;
  std::string text = *failure_;
  failure_.reset();
  // "while erasing: ..." reads as the sentence's end: the start says what.
  Error("The run failed " + text);
}

void TerminalWindow::FileNotWritten(const char* file_name, const char* reason) {
  Warning("\"" + ShownName(file_name) + "\" not written: " + reason);
}

void TerminalWindow::FileWritten(const char* file_name) {
  files_written_.emplace_back(file_name);
}

}  // namespace cli
