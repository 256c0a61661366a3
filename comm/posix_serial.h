#pragma once

#include <cstddef>
#include <cstdint>

// The thin POSIX layer under the serial unit: a termios device opened
// exclusively, configured raw 8N1, with one-byte reads that give up after
// about 20 ms.
namespace comm::posix {

// Opens the device exclusively (TIOCEXCL plus an advisory lock, since root
// passes TIOCEXCL). Returns the descriptor, or -1 when the device cannot be
// opened or another opener holds it.
int OpenExclusive(const char* path);

// Raw 8N1 at the given speed; flow-control settings stay as the driver had
// them. Returns false when the device refused the settings.
bool ConfigureLine(int fd, int baud);

// Sets or clears one modem control line (TIOCM_DTR, TIOCM_RTS).
bool SetControlLine(int fd, int line, bool on);

// Reads up to count bytes. Returns at once when bytes are there, otherwise
// after timeout_ms with 0. A hang-up or read error also yields 0, after the
// same wait, so callers never spin.
int ReadTimed(int fd, std::uint8_t* buffer, int count, int timeout_ms);

// Writes count bytes, giving up when the device accepts nothing for
// ms_per_byte times the count. Returns the number of bytes written.
int WriteTimed(int fd, const std::uint8_t* bytes, int count, int ms_per_byte);

// Lets queued bytes leave (within the write time-out), drops DTR, gives up
// the exclusive use and closes the device.
void Close(int fd, int ms_per_byte);

}  // namespace comm::posix
