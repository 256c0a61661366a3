// The boot-loader dialogue from the start request to the blank check. Each
// call of IspStep runs one state; a failing state leaves StateNumber where it
// is, and only the next LoadHexFile starts a new run.
#include <cstdio>
#include <cstring>
#include <string>

#include "isp/classic/isp_engine.h"

namespace isp {
namespace {

constexpr std::uint32_t kReplyLimitMs = 1000;
constexpr std::uint32_t kEraseLimitMs = 5000;
// Only the first 8 characters of the identification are compared.
constexpr char kPartId[] = "913309739";
constexpr std::size_t kPartIdCompared = 8;

}  // namespace

int IspEngine::Fail(Light light, const char* message) {
  window_.SetLightState(light, LightState::Failed);
  window_.ShowErrorMessage(message);
  return kProgressFailed;
}

int IspEngine::FailStep(const char* step, const char* command, const char* answer) {
  // The texts as the front end shows them: without their line breaks.
  const auto trimmed = [](const char* text) {
    std::string line = text;
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
    return line;
  };
  const std::string sent = trimmed(command);
  const std::string got = trimmed(answer);
  window_.StepFailed({step, sent.c_str(), got.c_str()});
  return kProgressFailed;
}

int IspEngine::FailStep(const char* step, const char* command, const char* answer, Light light,
                        const char* message) {
  FailStep(step, command, answer);
  return Fail(light, message);
}

int IspEngine::IspStep() {
  char reply[comm::Comm::kReplySize + 1] = {};
  comm_.CommFlushInput();  // whatever came since the last tick is stale
  switch (run_.StateNumber) {
    case 0:
      return StartIsp();
    case 1:
      return Synchronize();
    case 2:
      return ConfirmSynchronization();
    case 3:
      return SetClockFrequency(reply);
    case 4:
      return Unlock(reply);
    case 5:
      return CheckPartId(reply);
    case 6:
      return PrepareSectors(reply);
    case 7:
      return EraseSectors(reply);
    case 8:
      return BlankCheckSectors(reply);
    case 9:
      return WriteBlock(reply);
    case 10:
      return RestartModule(reply);
    default:
      return kProgressFailed;
  }
}

int IspEngine::StartIsp() {
  // Asks the module's firmware to enter its boot loader; a module that does
  // not answer is no failure.
  if (window_.StartISPChecked()) {
    comm_.SendLine("!");
    comm_.CommWaitFor("!", 1, kReplyLimitMs);
  }
  run_.StateNumber = 1;
  window_.ShowLight(Light::SyncPanel);
  char caption[32];
  std::snprintf(caption, sizeof caption, "Erase 0-%d\r", image_.SectorCount);
  window_.SetErasedCaption(caption);
  return 0;
}

int IspEngine::Synchronize() {
  comm_.CommWrite("?", 1);
  if (!comm_.CommWaitFor("Synchronized\r", 13, kReplyLimitMs)) {
    return FailStep("synchronising", "?", "", Light::SyncPanel, "Part not responding");
  }
  run_.StateNumber = 2;
  return 0;
}

int IspEngine::ConfirmSynchronization() {
  char bytes[5] = {};
  comm_.SendLine("Synchronized\r\n");
  if (!comm_.CommReadCount(bytes, 4, kReplyLimitMs)) {
    return FailStep("confirming the synchronisation", "Synchronized", bytes, Light::SyncPanel,
                    "Part not synchronized");
  }
  run_.StateNumber = 3;
  window_.SetLightState(Light::SyncPanel, LightState::Done);
  return 1;
}

int IspEngine::SetClockFrequency(char* reply) {
  comm_.SendCommand("12000\r", reply);
  if (reply[0] != 'O') {
    return FailStep("setting the crystal frequency", "12000", reply, Light::UnlockPanel,
                    "Freq not acknowledged");
  }
  run_.StateNumber = 4;
  window_.ShowLight(Light::UnlockPanel);
  return 2;
}

int IspEngine::Unlock(char* reply) {
  if (comm_.SendCommand("U 23130\r", reply) == 0 || reply[0] != '0') {
    return FailStep("unlocking", "U 23130", reply, Light::UnlockPanel, "Unlock failed");
  }
  run_.StateNumber = 5;
  window_.ShowLight(Light::ErasedPanel);
  window_.SetLightState(Light::UnlockPanel, LightState::Done);
  return 3;
}

int IspEngine::CheckPartId(char* reply) {
  comm_.SendCommand("J\r\n", reply);  // the return code line
  if (comm_.CommReadLine(reply, comm::Comm::kReplySize, kReplyLimitMs) == 0) {
    return FailStep("reading the part id", "J", reply);
  }
  if (std::strncmp(reply, kPartId, kPartIdCompared) != 0) {
    return FailStep("reading the part id", "J", reply, Light::ErasedPanel, "Invalid part ID");
  }
  run_.StateNumber = 6;
  return 3;
}

int IspEngine::PrepareSectors(char* reply) {
  char command[32];
  std::snprintf(command, sizeof command, "P 0 %d", image_.SectorCount);
  if (comm_.SendFormatted("P 0 %d\r", image_.SectorCount, reply) == 0) {
    return FailStep("preparing the sectors for the erase", command, reply);
  }
  if (reply[0] != '0') {
    return FailStep("preparing the sectors for the erase", command, reply, Light::ErasedPanel,
                    "Failed prep erase");
  }
  run_.StateNumber = 7;
  return 3;
}

int IspEngine::EraseSectors(char* reply) {
  std::snprintf(reply, comm::Comm::kReplySize + 1, "E 0 %d\r", image_.SectorCount);
  comm_.SendLine(reply);
  char command[32];
  std::snprintf(command, sizeof command, "E 0 %d", image_.SectorCount);
  if (comm_.CommReadLine(reply, comm::Comm::kReplySize, kEraseLimitMs) == 0) {
    return FailStep("erasing", command, reply);
  }
  if (reply[0] != '0')
    return FailStep("erasing", command, reply, Light::ErasedPanel, "Failed erase");
  run_.StateNumber = 8;
  window_.ShowLight(Light::BlankPanel);
  window_.SetLightState(Light::ErasedPanel, LightState::Done);
  return 3;
}

int IspEngine::BlankCheckSectors(char* reply) {
  char command[32];
  std::snprintf(command, sizeof command, "I 0 %d", image_.SectorCount);
  if (comm_.SendFormatted("I 0 %d\r", image_.SectorCount, reply) == 0) {
    return FailStep("checking the sectors are blank", command, reply);
  }
  if (reply[0] != '0') {
    return FailStep("checking the sectors are blank", command, reply, Light::BlankPanel,
                    "Failed blank check");
  }
  run_.StateNumber = 9;
  run_.FlashAddress = 0;
  window_.ShowLight(Light::ProgPanel);
  window_.SetTimer1Interval(kBlockTickMs);
  window_.SetLightState(Light::BlankPanel, LightState::Done);
  return 3;
}

}  // namespace isp
