#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace testing_support {

using ByteMap = std::map<std::uint32_t, std::uint8_t>;

// A test image: size bytes from offset 0 with a pattern that differs from
// block to block.
ByteMap Pattern(std::uint32_t size);
ByteMap Pattern(std::uint32_t from, std::uint32_t to);

// The first 64 KiB of the image as the loader makes it from these bytes:
// zero-filled, with the checksum word that makes the vector table sum to 0.
std::vector<std::uint8_t> LoadedImage(const ByteMap& bytes);

// The flash of a fresh part after a run of these bytes: whole 512-byte
// blocks up to the one that holds the highest byte, erased bytes after it.
std::vector<std::uint8_t> FlashAfterRun(const ByteMap& bytes);

// The flash with word 7 of its vector table set so that words 0 to 7 sum to
// zero, as the command line's programming path sets it.
std::vector<std::uint8_t> WithChecksumWord(std::vector<std::uint8_t> flash);

// The first 64 KiB of a simulator's flash dump, the range the loader writes.
// The simulated part's flash may be larger: the rest of the dump must read
// erased (a test failure otherwise).
std::vector<std::uint8_t> ImageRangeOfDump(const std::string& dump);

}  // namespace testing_support
