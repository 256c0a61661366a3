// Writing the image one 512-byte block per tick through the controller's
// RAM buffer, and the restart that starts the new firmware.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "isp/classic/isp_engine.h"
#include "isp/image/output_file.h"
#include "isp/wire/restart_routine.h"
#include "isp/wire/uuencode.h"

namespace isp {
namespace {

constexpr int kLinesPerBlock = 12;
constexpr int kBytesPerLine = 45;
constexpr int kLastLineBytes = IspEngine::kBlockSize - (kLinesPerBlock - 1) * kBytesPerLine;  // 17
constexpr std::uint32_t kReplyLimitMs = 1000;
constexpr const char* kRejectedBlockName = "block.bin";

}  // namespace

void IspEngine::SaveRejectedBlock() {
  run_.ImagePosition -= kBlockSize;
  std::string why;
  std::FILE* dump = CreateOutputFile(kRejectedBlockName, why);
  if (dump == nullptr) {
    window_.FileNotWritten(kRejectedBlockName, why.c_str());
    return;
  }
  const bool written = std::fwrite(image_.bytes.data() + run_.ImagePosition, 1, kBlockSize, dump) ==
                       static_cast<std::size_t>(kBlockSize);
  if (std::fclose(dump) == 0 && written) window_.FileWritten(kRejectedBlockName);
}

int IspEngine::WriteBlock(char* reply) {
  comm_.SendFormatted("P 0 %d\r", image_.SectorCount, reply);  // reply not judged
  comm_.SendFormatted("W 268436224 %d\r", kBlockSize, reply);  // reply not judged

  int checksum = 0;
  for (int line_number = 0; line_number < kLinesPerBlock; ++line_number) {
    const int count = line_number == kLinesPerBlock - 1 ? kLastLineBytes : kBytesPerLine;
    char text[2 + 4 * ((kBytesPerLine + 2) / 3) + 1];
    int length = 0;
    text[length++] = static_cast<char>(count + 32);
    for (int group = 0; group < count; group += 3) {
      const int n = std::min(3, count - group);
      const std::uint8_t* source = image_.bytes.data() + run_.ImagePosition;
      UuEncodeGroup(source, n, text + length);
      length += 4;
      for (int i = 0; i < n; ++i) checksum += source[i];
      run_.ImagePosition += n;
    }
    text[length++] = '\r';
    text[length] = '\0';
    comm_.SendLine(text);
  }

  char sum_line[16];
  std::snprintf(sum_line, sizeof sum_line, "%d\r", checksum);
  comm_.SendLine(sum_line);
  comm_.CommReadLine(reply, comm::Comm::kReplySize, kReplyLimitMs);
  if (std::strncmp(reply, "OK", 2) != 0) {
    FailStep("writing the block to RAM (its checksum)", sum_line, reply);
    SaveRejectedBlock();
    return kProgressFailed;
  }

  run_.BytesRemaining = std::max(0, run_.BytesRemaining - kBlockSize);

  // Only a copy answered '0' reached flash: a reply that does not come within
  // its limit (a part reset or a line cut during the copy) fails like a refusal.
  if (comm_.SendFormatted("C %d 268436224 512\r", run_.FlashAddress, reply) == 0 ||
      reply[0] != '0') {
    char command[48];
    std::snprintf(command, sizeof command, "C %d 268436224 512", run_.FlashAddress);
    return FailStep("copying the block to flash", command, reply);
  }
  run_.FlashAddress += kBlockSize;

  if (run_.BytesRemaining > 0) {
    return std::min(999, (run_.BytesTotal - run_.BytesRemaining) * 1000 / run_.BytesTotal);
  }
  window_.SetLightState(Light::ProgPanel, LightState::Done);
  window_.ShowLight(Light::RestartPanel);
  window_.SetTimer1Interval(kBlockTickMs);
  run_.StateNumber = 10;
  return 999;
}

int IspEngine::RestartModule(char* reply) {
  // None of the replies is judged: the routine resets the controller.
  comm_.SendCommand("W 268436224 16\r", reply);
  comm_.SendCommand(kRestartLine, reply);
  comm_.SendCommand("1462\r", reply);
  comm_.SendCommand("G 268436224 T\r", reply);
  window_.SetLightState(Light::RestartPanel, LightState::Done);
  window_.ProcessMessages();
  return kProgressDone;
}

}  // namespace isp
