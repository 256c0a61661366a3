#pragma once

#include <cstdint>

#include "comm/comm.h"
#include "isp/classic/firmware_image.h"
#include "isp/classic/isp_window.h"

namespace isp {

// The state of the one programming run.
struct IspRunState {
  std::int32_t StateNumber = 0;     // the state the next IspStep runs, 0 to 10
  std::int32_t ImagePosition = 0;   // next image byte the block transfer encodes
  std::int32_t BytesTotal = 0;      // bytes the run programs
  std::int32_t BytesRemaining = 0;  // bytes not yet programmed, never below 0
  std::int32_t FlashAddress = 0;    // flash address of the next block
};

// ProgressValue: 0 to 999 while a run goes on, 1000 when it has finished,
// -1 when it has failed (any message already shown).
inline constexpr int kProgressDone = 1000;
inline constexpr int kProgressFailed = -1;

inline constexpr int kStartTickMs = 200;  // tick of the dialogue up to the blank check
inline constexpr int kBlockTickMs = 20;   // tick of the block transfer and the restart

// The programming engine: the HEX loader and the boot-loader dialogue, one
// state per call of IspStep. One object per program.
class IspEngine {
 public:
  IspEngine(comm::Comm& comm, IspWindow& window) : comm_(comm), window_(window) {}

  // 1 when the file was loaded and the run state reset to state 0; 0 after a
  // failure that has been shown to the operator.
  int LoadHexFile(const char* file_name);

  // Runs one state of the dialogue and returns the ProgressValue.
  int IspStep();

  const FirmwareImage& Image() const { return image_; }
  const IspRunState& RunState() const { return run_; }

  static constexpr std::int32_t kBlockSize = 512;
  static constexpr std::int32_t kRamBuffer = 268436224;  // 0x10000300

 private:
  int UnableToOpen(const ImageError& why);
  int Fail(Light light, const char* message);
  // Tells the window why the run ends here, then fails as Fail does (or,
  // without a message, just returns -1).
  int FailStep(const char* step, const char* command, const char* answer);
  int FailStep(const char* step, const char* command, const char* answer, Light light,
               const char* message);
  int StartIsp();
  int Synchronize();
  int ConfirmSynchronization();
  int SetClockFrequency(char* reply);
  int Unlock(char* reply);
  int CheckPartId(char* reply);
  int PrepareSectors(char* reply);
  int EraseSectors(char* reply);
  int BlankCheckSectors(char* reply);
  int WriteBlock(char* reply);
  int RestartModule(char* reply);
  void SaveRejectedBlock();

  comm::Comm& comm_;
  IspWindow& window_;
  FirmwareImage image_;
  IspRunState run_;
};

}  // namespace isp
