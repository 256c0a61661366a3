#include "comm/serial_win32.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string>

#include "comm/clock.h"

namespace comm::win32 {
namespace {

static_assert(sizeof(DWORD) == sizeof(std::uint32_t));

HANDLE AsHandle(void* handle) {
  return static_cast<HANDLE>(handle);
}

// The system's own words for an error code, without the line break and the
// full stop that FormatMessage puts at the end.
std::string SystemText(DWORD code) {
  char text[512] = {};
  const DWORD length =
      FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                     text, static_cast<DWORD>(sizeof text), nullptr);
  std::string words(text, length);
  while (!words.empty() && (words.back() == '\r' || words.back() == '\n' || words.back() == ' ' ||
                            words.back() == '.')) {
    words.pop_back();
  }
  if (words.empty()) words = "Windows error " + std::to_string(code);
  return words;
}

void Describe(OpenError& error, DWORD code) {
  error.kind = FailureFor(code);
  error.system_code = static_cast<int>(code);
  error.text = SystemText(code);
}

// Waits out what is left of a read time-out, so that a read that fails at
// once (an adapter pulled out) costs the same as a quiet line.
void SleepRest(std::uint32_t started, int timeout_ms) {
  if (timeout_ms <= 0) return;
  const std::uint32_t spent = MonotonicMs() - started;
  const auto limit = static_cast<std::uint32_t>(timeout_ms);
  if (spent < limit) SleepMs(limit - spent);
}

COMMTIMEOUTS ToRecord(const Timeouts& timeouts) {
  COMMTIMEOUTS record{};
  record.ReadIntervalTimeout = timeouts.read_interval;
  record.ReadTotalTimeoutMultiplier = timeouts.read_multiplier;
  record.ReadTotalTimeoutConstant = timeouts.read_constant;
  record.WriteTotalTimeoutMultiplier = timeouts.write_multiplier;
  record.WriteTotalTimeoutConstant = timeouts.write_constant;
  return record;
}

}  // namespace

OpenFailure FailureFor(std::uint32_t code) {
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_DEVICE_NOT_CONNECTED:
      return OpenFailure::kNotFound;
    // The serial driver opens a port once; another program's hold shows as
    // access denied (or, where share modes decide, a sharing violation).
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_BUSY:
      return OpenFailure::kBusy;
    case ERROR_PRIVILEGE_NOT_HELD:
      return OpenFailure::kPermission;
    case ERROR_INVALID_FUNCTION:
    case ERROR_INVALID_HANDLE:
    case ERROR_NOT_SUPPORTED:
    case ERROR_INVALID_PARAMETER:
      return OpenFailure::kNotSerial;
    default:
      return OpenFailure::kOther;
  }
}

Timeouts ReadTimeouts(ReadWait wait, int timeout_ms, const Timeouts& current) {
  Timeouts wanted = current;
  switch (wait) {
    case ReadWait::kPoll:
      wanted.read_interval = kOpenTimeouts.read_interval;
      wanted.read_multiplier = kOpenTimeouts.read_multiplier;
      wanted.read_constant = kOpenTimeouts.read_constant;
      break;
    case ReadWait::kAtOnce:
      wanted.read_interval = MAXDWORD;
      wanted.read_multiplier = 0;
      wanted.read_constant = 0;
      break;
    case ReadWait::kFirstByte:
      wanted.read_interval = 0;
      wanted.read_multiplier = 0;
      wanted.read_constant = static_cast<std::uint32_t>(timeout_ms > 0 ? timeout_ms : 1);
      break;
  }
  return wanted;
}

Win32Serial::~Win32Serial() {
  if (handle_ != nullptr) Close();
}

bool Win32Serial::Open(const char* device_path, OpenError& error) {
  error = OpenError{};
  HANDLE handle =
      CreateFileA(device_path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    Describe(error, GetLastError());
    return false;
  }
  DCB state{};
  state.DCBlength = sizeof state;
  if (!GetCommState(handle, &state)) {
    const DWORD code = GetLastError();
    CloseHandle(handle);
    Describe(error, code);
    error.kind = OpenFailure::kNotSerial;
    return false;
  }
  handle_ = handle;
  hung_up_ = false;
  applied_.reset();
  resolution_.emplace();
  return true;
}

bool Win32Serial::Configure(int baud) {
  HANDLE handle = AsHandle(handle_);
  DCB state{};
  state.DCBlength = sizeof state;
  bool ok = GetCommState(handle, &state) != 0;
  if (ok) {
    state.BaudRate = baud > 0 ? static_cast<DWORD>(baud) : state.BaudRate;
    state.ByteSize = 8;
    state.Parity = NOPARITY;
    state.StopBits = ONESTOPBIT;
    state.EvtChar = '\n';
    state.fDtrControl = DTR_CONTROL_DISABLE;
    state.fRtsControl = RTS_CONTROL_DISABLE;
    ok = SetCommState(handle, &state) != 0 && baud > 0;
  }
  COMMTIMEOUTS record{};
  GetCommTimeouts(handle, &record);
  record = ToRecord(kOpenTimeouts);
  if (SetCommTimeouts(handle, &record)) {
    applied_ = kOpenTimeouts;
  } else {
    applied_.reset();
    ok = false;
  }
  return ok;
}

bool Win32Serial::SetModemLine(ModemLine line, bool on) {
  DWORD function = 0;
  if (line == ModemLine::kDtr) {
    function = on ? SETDTR : CLRDTR;
  } else {
    function = on ? SETRTS : CLRRTS;
  }
  return EscapeCommFunction(AsHandle(handle_), function) != 0;
}

bool Win32Serial::Apply(const Timeouts& timeouts) {
  if (applied_ == timeouts) return true;
  COMMTIMEOUTS record = ToRecord(timeouts);
  if (!SetCommTimeouts(AsHandle(handle_), &record)) {
    applied_.reset();
    return false;
  }
  applied_ = timeouts;
  return true;
}

int Win32Serial::ReadWith(ReadWait wait, int timeout_ms, std::uint8_t* buffer, int count) {
  if (!Apply(ReadTimeouts(wait, timeout_ms, applied_.value_or(kOpenTimeouts)))) {
    hung_up_ = true;  // a device that takes no time-outs any more has gone
    return 0;
  }
  DWORD got = 0;
  if (ReadFile(AsHandle(handle_), buffer, static_cast<DWORD>(count), &got, nullptr)) {
    // An empty read is a quiet line, unless the device has gone: then it
    // refuses its state too.
    DWORD errors = 0;
    if (got == 0 && !ClearCommError(AsHandle(handle_), &errors, nullptr)) hung_up_ = true;
    return static_cast<int>(got);
  }
  // A driver that aborts on a line error refuses every read until the error
  // is cleared; any other failure means the device is gone.
  DWORD errors = 0;
  if (GetLastError() != ERROR_OPERATION_ABORTED ||
      !ClearCommError(AsHandle(handle_), &errors, nullptr)) {
    hung_up_ = true;
  }
  return 0;
}

int Win32Serial::Read(std::uint8_t* buffer, int count, int timeout_ms) {
  if (count <= 0) return 0;
  const std::uint32_t started = MonotonicMs();
  int got = 0;
  if (count == 1 && timeout_ms == static_cast<int>(kOpenTimeouts.read_multiplier)) {
    // The serial unit's polling read runs under the time-outs it opened with.
    got = ReadWith(ReadWait::kPoll, timeout_ms, buffer, 1);
  } else {
    // What has arrived, at once; else the first byte within the time-out
    // and whatever came with it. (The one-call form of this, MAXDWORD for
    // interval and multiplier, is not kept by every driver, nor by Wine.)
    got = ReadWith(ReadWait::kAtOnce, 0, buffer, count);
    if (got == 0 && timeout_ms > 0 && ReadWith(ReadWait::kFirstByte, timeout_ms, buffer, 1) == 1) {
      got = 1 + (count > 1 ? ReadWith(ReadWait::kAtOnce, 0, buffer + 1, count - 1) : 0);
    }
  }
  if (got == 0) SleepRest(started, timeout_ms);
  return got;
}

int Win32Serial::Write(const std::uint8_t* bytes, int count, int ms_per_byte) {
  if (count <= 0) return 0;
  Timeouts wanted = applied_.value_or(kOpenTimeouts);
  wanted.write_multiplier = static_cast<std::uint32_t>(ms_per_byte > 0 ? ms_per_byte : 0);
  wanted.write_constant = 0;
  Apply(wanted);
  DWORD written = 0;
  if (!WriteFile(AsHandle(handle_), bytes, static_cast<DWORD>(count), &written, nullptr)) {
    // A time-out still reports what went out before it.
    DWORD errors = 0;
    ClearCommError(AsHandle(handle_), &errors, nullptr);
  }
  return static_cast<int>(written);
}

bool Win32Serial::SetBaud(int baud, int ms_per_byte) {
  if (baud <= 0) return false;
  HANDLE handle = AsHandle(handle_);
  // The bytes already written must leave at the old rate: wait for the
  // driver's queue, bounded like Drain; only an empty queue is flushed, so
  // that a line held by flow control cannot keep FlushFileBuffers waiting.
  const std::uint32_t started = MonotonicMs();
  DWORD errors = 0;
  COMSTAT status{};
  while (ClearCommError(handle, &errors, &status) && status.cbOutQue > 0 &&
         MonotonicMs() - started < static_cast<std::uint32_t>(ms_per_byte) *
                                       static_cast<std::uint32_t>(status.cbOutQue)) {
    SleepMs(1);
  }
  if (status.cbOutQue == 0) FlushFileBuffers(handle);
  DCB state{};
  state.DCBlength = sizeof state;
  if (GetCommState(handle, &state) == 0) return false;
  state.BaudRate = static_cast<DWORD>(baud);
  return SetCommState(handle, &state) != 0;
}

void Win32Serial::Drain(int ms_per_byte) {
  // Like the synchronous write, the bytes leave before DTR drops: wait until
  // the driver's queue is empty, but no longer than writing them may take.
  HANDLE handle = AsHandle(handle_);
  const std::uint32_t started = MonotonicMs();
  DWORD errors = 0;
  COMSTAT status{};
  while (ClearCommError(handle, &errors, &status) && status.cbOutQue > 0 &&
         MonotonicMs() - started < static_cast<std::uint32_t>(ms_per_byte) *
                                       static_cast<std::uint32_t>(status.cbOutQue)) {
    SleepMs(1);
  }
  // Bytes still queued now would make the close wait for the driver.
  if (status.cbOutQue > 0) PurgeComm(handle, PURGE_TXABORT | PURGE_TXCLEAR);
}

void Win32Serial::Close() {
  HANDLE handle = AsHandle(handle_);
  SetCommMask(handle, 0);
  CloseHandle(handle);
  handle_ = nullptr;
  applied_.reset();
  resolution_.reset();
}

}  // namespace comm::win32

namespace comm {

std::unique_ptr<SerialBackend> MakeSystemSerialBackend() {
  return std::make_unique<win32::Win32Serial>();
}

}  // namespace comm
