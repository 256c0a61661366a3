#include <openssl/evp.h>

#include "cli/record/sha256.h"

namespace cli {

std::string Sha256Hex(const std::uint8_t* bytes, std::size_t count) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_Digest(bytes, count, digest, &length, EVP_sha256(), nullptr) != 1) return "";
  return DigestHex(digest, length);
}

}  // namespace cli
