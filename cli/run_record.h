#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace cli {

// What a production line keeps of one programming run: which image went
// into which module, when, where, and how it ended.
struct RunRecord {
  std::string time_utc;        // the run's start, ISO 8601 in UTC: 2026-12-10T23:45:01Z
  std::string station_host;    // the host name of the machine that ran it
  std::string port;            // as the user named it
  std::string adapter_serial;  // the USB adapter's serial number where the system knows it
  std::uint32_t part_id = 0;   // the id the part answered (J); 0 when it never answered
  std::string part_name;       // its row of the part table; empty when unknown
  std::string part_serial;     // the part's serial number (N), as four words in hex
  std::string boot_code;       // the boot code version (K), "major.minor"
  std::string file;            // the image file as the user named it
  std::string image_sha256;    // of the bytes written (after the checksum word), lowercase hex
  std::uint64_t bytes = 0;     // bytes written
  bool passed = false;         // programmed and verified
  std::string error;           // the failure's text; empty when it passed
  std::uint64_t duration_ms = 0;
};

// Where finished runs go: the record file, or a test's list.
using RecordSink = std::function<void(const RunRecord&)>;

}  // namespace cli
