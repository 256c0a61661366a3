#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace testing_support {

// One program header of a test ELF file, with the bytes it carries in the
// file (p_filesz is bytes.size(); memsz may be larger, as for .bss).
struct ElfSegment {
  std::uint32_t type;  // 1 is PT_LOAD
  std::uint32_t vaddr;
  std::uint32_t paddr;
  std::vector<std::uint8_t> bytes;
  std::uint32_t memsz = 0;  // 0: the same as bytes.size()
};

// What the ELF header says: class, byte order and machine.
struct ElfKind {
  std::uint8_t elf_class = 1;  // 1: 32-bit, 2: 64-bit
  std::uint8_t data = 1;       // 1: little-endian, 2: big-endian
  std::uint16_t machine = 40;  // 40: ARM
};

// An executable ELF file with the segments' program headers and bytes, laid
// out as a linker would (header, program headers, then each segment's bytes).
// Fields are written in the byte order the kind says; a 64-bit kind gets a
// 64-bit header.
std::string ElfFile(const std::vector<ElfSegment>& segments, const ElfKind& kind = {});

// One S-record with a correct checksum, e.g. SRecord(1, 0x0010, {0xAA}):
// the address takes 2, 3 or 4 bytes as the type says.
std::string SRecord(int type, std::uint32_t address, const std::vector<std::uint8_t>& data);
// S3 data records for every run of given bytes, an S5 count, then S7.
std::string SrecFromBytes(const std::map<std::uint32_t, std::uint8_t>& bytes,
                          int bytes_per_record = 16);

}  // namespace testing_support
