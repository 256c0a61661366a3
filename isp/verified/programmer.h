#pragma once

#include <optional>

#include "isp/image/flash_image.h"
#include "isp/verified/line_rate_switch.h"
#include "isp/verified/part_connection.h"
#include "isp/verified/part_details.h"
#include "isp/verified/programmer_events.h"
#include "isp/verified/reset_lines.h"
#include "isp/wire/boot_client.h"

namespace isp {

struct ProgramSettings {
  // The way into the boot loader. With the adapter's lines (connect.reset)
  // the end of the run resets the part into the new firmware too, in place
  // of the restart routine.
  ConnectSettings connect;
  bool erase_all = false;
  bool verify = true;
  VerifyMode verify_mode = VerifyMode::kRam;
  bool run = true;  // restart the part into the new firmware at the end
  // The faster rate for the long transfers, once the part is identified.
  LineRateRequest line_rate;
  // When set, the part's boot code version and serial number are read into
  // it once the part is identified (for the record of the run).
  PartIdentity* identity = nullptr;
};

// Runs one programming of an image on a part through the client:
// synchronise, identify, erase the planned sectors, write and verify each
// chunk, restart. The image's checksum word must already be in place.
class Programmer {
 public:
  Programmer(BootClient& client, ProgrammerEvents& events) : client_(client), events_(events) {}

  // Nothing when the run succeeded, else where it failed.
  std::optional<Failure> Run(const FlashImage& image, const ProgramSettings& settings);

  // Time the part may take for its flash work, beyond the line time.
  static constexpr std::uint32_t kCopyMsPer256 = 5;

 private:
  std::optional<Failure> Steps(const FlashImage& image, const ProgramSettings& settings);
  std::optional<Failure> Synchronise(const ProgramSettings& settings);
  std::optional<Failure> Identify(const FlashImage& image, const PartInfo*& part);
  std::optional<Failure> Erase(const PartInfo& part, const WritePlan& plan);
  std::optional<Failure> CheckProtection(bool& refused);
  std::optional<Failure> Write(const FlashImage& image, const PartInfo& part, const WritePlan& plan,
                               const ProgramSettings& settings);
  std::optional<Failure> WriteChunk(const FlashImage& image, const PartInfo& part,
                                    const WritePlan& plan, const Chunk& chunk,
                                    const ProgramSettings& settings, std::uint32_t& done);
  std::optional<Failure> Restart(const WritePlan& plan, PartReset* reset);

  BootClient& client_;
  ProgrammerEvents& events_;
};

}  // namespace isp
