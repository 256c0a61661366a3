#pragma once

#include "isp/image/image_error.h"

namespace isp {

// The seven status lights, top to bottom.
enum class Light {
  ConnectedPanel,
  SyncPanel,
  UnlockPanel,
  ErasedPanel,
  BlankPanel,
  ProgPanel,
  RestartPanel
};
inline constexpr int kLightCount = 7;

// The lights' captions as laid out; the engine replaces the ErasedPanel
// caption with one that names the sectors of the run.
inline constexpr const char* kLightCaptions[kLightCount] = {
    "Connect", "Synchronize", "Unlock", "Erase", "Blank Check", "Program", "Restart Module"};

// What a light tells: its step not done (yet), done, or failed. The window
// shows them grey, green and red; the command line as nothing, "ok" and
// "FAILED".
enum class LightState { Idle, Done, Failed };

// The step of the dialogue that failed, for a front end that says why.
struct StepFailure {
  const char* step = "";     // e.g. "synchronising"
  const char* command = "";  // the command sent, line break left off
  const char* answer = "";   // the part's answer, line breaks left off
};

// What the programming engine needs from the window it reports to. The Qt
// window and the command-line front end both implement it.
class IspWindow {
 public:
  virtual ~IspWindow() = default;
  virtual void ShowLight(Light light) = 0;
  virtual void SetLightState(Light light, LightState state) = 0;
  // The ErasedPanel caption names the sectors of the run, e.g. "Erase 0-1\r".
  virtual void SetErasedCaption(const char* caption) = 0;
  virtual void SetTimer1Interval(int ms) = 0;
  virtual bool StartISPChecked() = 0;
  // A modal message box, caption "Error", warning icon, OK button; returns
  // when the operator has closed it.
  virtual void ShowErrorMessage(const char* text) = 0;
  // Lets the window handle what is pending (paint, clicks).
  virtual void ProcessMessages() = 0;
  // A file the run writes ("block.bin") could not be written, for the reason
  // given; the run goes on without it. The window says nothing of it.
  virtual void FileNotWritten(const char* /*file_name*/, const char* /*reason*/) {}
  // A file the run wrote ("block.bin", the block the part refused), so that
  // a front end can say where it went. The window says nothing of it.
  virtual void FileWritten(const char* /*file_name*/) {}
  // Why IspStep is about to return -1: the step, the command sent and what
  // the part answered (empty when nothing came). Called before any message
  // box of the failure; the window says nothing more than its message box.
  virtual void StepFailed(const StepFailure& /*failure*/) {}
  // Why LoadHexFile refuses the file it is about to show an error for: the
  // kind (not found, a folder, a bad record, ...) with its values. Called
  // before the message box; the window says nothing more than its message
  // box.
  virtual void FileNotLoaded(const ImageError& /*error*/) {}
};

}  // namespace isp
