#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace cli {

// The SHA-256 digest of the bytes, in lowercase hex (64 digits); the
// system's own library computes it (libcrypto; BCrypt on Windows).
std::string Sha256Hex(const std::uint8_t* bytes, std::size_t count);

// The digest's 32 bytes as lowercase hex.
std::string DigestHex(const std::uint8_t* digest, std::size_t count);

}  // namespace cli
