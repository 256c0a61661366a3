#include "comm/serial_win32.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "comm/comm.h"
#include "tests/support/hex_writer.h"
#include "tests/support/temp_dir.h"

namespace {

using comm::OpenFailure;
using comm::win32::Timeouts;

constexpr std::uint32_t kMax = 0xFFFFFFFFu;

TEST(Win32SerialTest, ErrorCodesMapToTheirReason) {
  struct Case {
    std::uint32_t code;
    OpenFailure kind;
  } cases[] = {
      {2, OpenFailure::kNotFound},   // ERROR_FILE_NOT_FOUND
      {3, OpenFailure::kNotFound},   // ERROR_PATH_NOT_FOUND
      {5, OpenFailure::kBusy},       // ERROR_ACCESS_DENIED: the port is held
      {32, OpenFailure::kBusy},      // ERROR_SHARING_VIOLATION
      {1, OpenFailure::kNotSerial},  // ERROR_INVALID_FUNCTION
      {1117, OpenFailure::kOther},   // ERROR_IO_DEVICE
  };
  for (const Case& c : cases) EXPECT_EQ(comm::win32::FailureFor(c.code), c.kind) << c.code;
}

TEST(Win32SerialTest, EachReadWaitSetsOnlyTheReadTimeouts) {
  using comm::win32::ReadWait;
  const Timeouts written_slowly{7, 7, 7, 40, 3};
  struct Case {
    ReadWait wait;
    int timeout_ms;
    std::uint32_t interval, multiplier, constant;
  } cases[] = {
      {ReadWait::kPoll, 20, kMax, 20, 0},      // the serial unit's one-byte read
      {ReadWait::kAtOnce, 0, kMax, 0, 0},      // what has arrived, without waiting
      {ReadWait::kAtOnce, 500, kMax, 0, 0},    // the time-out plays no part
      {ReadWait::kFirstByte, 500, 0, 0, 500},  // one byte within 500 ms
      {ReadWait::kFirstByte, 0, 0, 0, 1},      // never 0, which would wait forever
  };
  for (const Case& c : cases) {
    const Timeouts t = comm::win32::ReadTimeouts(c.wait, c.timeout_ms, written_slowly);
    const auto wait = static_cast<int>(c.wait);
    EXPECT_EQ(t.read_interval, c.interval) << wait << " " << c.timeout_ms;
    EXPECT_EQ(t.read_multiplier, c.multiplier) << wait << " " << c.timeout_ms;
    EXPECT_EQ(t.read_constant, c.constant) << wait << " " << c.timeout_ms;
    EXPECT_EQ(t.write_multiplier, 40u);
    EXPECT_EQ(t.write_constant, 3u);
  }
  EXPECT_EQ(comm::win32::kOpenTimeouts, (Timeouts{kMax, 20, 0, 20, 0}));
}

TEST(Win32SerialTest, MissingPortIsNotFoundWithTheSystemsWords) {
  comm::win32::Win32Serial port;
  comm::OpenError error;
  EXPECT_FALSE(port.Open("\\\\.\\COM199", error));
  EXPECT_EQ(error.kind, OpenFailure::kNotFound);
  EXPECT_NE(error.system_code, 0);
  EXPECT_FALSE(error.text.empty());
  EXPECT_NE(error.text.back(), '\n');
}

TEST(Win32SerialTest, DeviceWithoutSerialStateIsRefused) {
  // A file opens like any device, but it has no line settings.
  testing_support::ScopedTempDir dir;
  testing_support::WriteTextFile(dir.File("not-a-port"), "x");
  comm::win32::Win32Serial port;
  comm::OpenError error;
  EXPECT_FALSE(port.Open(dir.File("not-a-port").c_str(), error));
  EXPECT_EQ(error.kind, OpenFailure::kNotSerial);
  EXPECT_FALSE(error.text.empty());
  // The refused device was closed again: it can be opened once more.
  comm::win32::Win32Serial again;
  EXPECT_FALSE(again.Open(dir.File("not-a-port").c_str(), error));
  EXPECT_EQ(error.kind, OpenFailure::kNotSerial);
}

TEST(Win32SerialTest, SerialUnitReportsWhyAPortDidNotOpen) {
  comm::Comm comm;
  EXPECT_EQ(comm.CommOpen("\\\\.\\COM199", 115200), 0);
  EXPECT_FALSE(comm.IsOpen());
  EXPECT_EQ(comm.LastOpenError().kind, OpenFailure::kNotFound);
}

}  // namespace
