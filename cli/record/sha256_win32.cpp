#include <windows.h>

#include <bcrypt.h>

#include "cli/record/sha256.h"

namespace cli {

std::string Sha256Hex(const std::uint8_t* bytes, std::size_t count) {
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0)))
    return "";
  std::uint8_t digest[32];
  BCRYPT_HASH_HANDLE hash = nullptr;
  bool done = BCRYPT_SUCCESS(BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0));
  // In pieces: BCryptHashData counts in a ULONG.
  while (done && count > 0) {
    const ULONG piece = count > 0x40000000u ? 0x40000000u : static_cast<ULONG>(count);
    done = BCRYPT_SUCCESS(BCryptHashData(hash, const_cast<PUCHAR>(bytes), piece, 0));
    bytes += piece;
    count -= piece;
  }
  done = done && BCRYPT_SUCCESS(BCryptFinishHash(hash, digest, sizeof digest, 0));
  if (hash != nullptr) BCryptDestroyHash(hash);
  BCryptCloseAlgorithmProvider(algorithm, 0);
  return done ? DigestHex(digest, sizeof digest) : "";
}

}  // namespace cli
