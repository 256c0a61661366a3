#pragma once

#include <string>
#include <vector>

#include "isp/classic/isp_window.h"

namespace testing_support {

// An engine window that writes down what the engine did to it, e.g.
// "show SyncPanel", "SyncPanel green", "caption Erase 0-1\r", "timer 20",
// "error Part not responding", "process",
// "not written block.bin: it is a symbolic link".
class RecordingWindow : public isp::IspWindow {
 public:
  void ShowLight(isp::Light light) override { events.push_back("show " + Name(light)); }
  void SetLightState(isp::Light light, isp::LightState state) override {
    events.push_back(Name(light) + " " + ColourName(state));
  }
  void SetErasedCaption(const char* caption) override {
    events.push_back(std::string("caption ") + caption);
  }
  void SetTimer1Interval(int ms) override {
    timer1_interval = ms;
    events.push_back("timer " + std::to_string(ms));
  }
  bool StartISPChecked() override { return start_isp; }
  void ShowErrorMessage(const char* text) override {
    events.push_back(std::string("error ") + text);
  }
  void ProcessMessages() override { events.push_back("process"); }
  void FileNotWritten(const char* file_name, const char* reason) override {
    events.push_back(std::string("not written ") + file_name + ": " + reason);
  }

  static std::string Name(isp::Light light) {
    static const char* const kNames[] = {"ConnectedPanel", "SyncPanel",  "UnlockPanel",
                                         "ErasedPanel",    "BlankPanel", "ProgPanel",
                                         "RestartPanel"};
    return kNames[static_cast<int>(light)];
  }
  // The colour the window shows the state in.
  static std::string ColourName(isp::LightState state) {
    switch (state) {
      case isp::LightState::Done:
        return "green";
      case isp::LightState::Failed:
        return "red";
      case isp::LightState::Idle:
        break;
    }
    return "grey";
  }

  std::vector<std::string> events;
  bool start_isp = false;
  int timer1_interval = 0;
};

}  // namespace testing_support
