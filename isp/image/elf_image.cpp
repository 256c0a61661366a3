#include "isp/image/elf_image.h"

#include <bit>
#include <cstring>

#if __has_include(<elf.h>)
#include <elf.h>
#else
// The few ELF structures and values read here, for hosts without <elf.h>
// (mingw); the layouts are those of the ELF standard.
#include <cstdint>
using Elf32_Half = std::uint16_t;
using Elf32_Word = std::uint32_t;
using Elf32_Addr = std::uint32_t;
using Elf32_Off = std::uint32_t;
constexpr int EI_NIDENT = 16;
struct Elf32_Ehdr {
  unsigned char e_ident[EI_NIDENT];
  Elf32_Half e_type;
  Elf32_Half e_machine;
  Elf32_Word e_version;
  Elf32_Addr e_entry;
  Elf32_Off e_phoff;
  Elf32_Off e_shoff;
  Elf32_Word e_flags;
  Elf32_Half e_ehsize;
  Elf32_Half e_phentsize;
  Elf32_Half e_phnum;
  Elf32_Half e_shentsize;
  Elf32_Half e_shnum;
  Elf32_Half e_shstrndx;
};
struct Elf32_Phdr {
  Elf32_Word p_type;
  Elf32_Off p_offset;
  Elf32_Addr p_vaddr;
  Elf32_Addr p_paddr;
  Elf32_Word p_filesz;
  Elf32_Word p_memsz;
  Elf32_Word p_flags;
  Elf32_Word p_align;
};
constexpr int EI_CLASS = 4;
constexpr int EI_DATA = 5;
constexpr unsigned char ELFCLASS32 = 1;
constexpr unsigned char ELFCLASS64 = 2;
constexpr unsigned char ELFDATA2LSB = 1;
constexpr unsigned char ELFDATA2MSB = 2;
constexpr Elf32_Half EM_386 = 3;
constexpr Elf32_Half EM_PPC = 20;
constexpr Elf32_Half EM_ARM = 40;
constexpr Elf32_Half EM_X86_64 = 62;
constexpr Elf32_Half EM_AVR = 83;
constexpr Elf32_Half EM_AARCH64 = 183;
constexpr Elf32_Half EM_RISCV = 243;
constexpr Elf32_Word PT_LOAD = 1;
#endif

namespace isp {
namespace {

// The structures are read by copying the file's bytes, which gives their
// values only on a little-endian host, as every host this builds for is.
static_assert(std::endian::native == std::endian::little, "ELF fields are read little-endian");

std::string MachineName(unsigned machine) {
  switch (machine) {
    case EM_ARM:
      return "ARM";
    case EM_386:
      return "x86";
    case EM_X86_64:
      return "x86-64";
    case EM_AARCH64:
      return "AArch64";
    case EM_RISCV:
      return "RISC-V";
    case EM_AVR:
      return "AVR";
    case EM_PPC:
      return "PowerPC";
    default:
      return "machine " + std::to_string(machine);
  }
}

// "a 64-bit big-endian ELF file for AArch64", from the identification
// bytes and the machine field, which sits at the same place in every class.
std::string WhatItIs(const std::vector<std::uint8_t>& bytes) {
  const unsigned char elf_class = bytes.size() > EI_CLASS ? bytes[EI_CLASS] : 0;
  const unsigned char data = bytes.size() > EI_DATA ? bytes[EI_DATA] : 0;
  std::string text = "a ";
  text += elf_class == ELFCLASS32 ? "32-bit " : elf_class == ELFCLASS64 ? "64-bit " : "";
  text += data == ELFDATA2LSB ? "little-endian " : data == ELFDATA2MSB ? "big-endian " : "";
  text += "ELF file";
  if (bytes.size() >= 20 && (data == ELFDATA2LSB || data == ELFDATA2MSB)) {
    const unsigned machine = data == ELFDATA2LSB ? unsigned{bytes[18]} | unsigned{bytes[19]} << 8
                                                 : unsigned{bytes[18]} << 8 | unsigned{bytes[19]};
    text += " for " + MachineName(machine);
  }
  return text;
}

}  // namespace

bool IsElf(const std::vector<std::uint8_t>& bytes) {
  return bytes.size() >= 4 && bytes[0] == 0x7F && bytes[1] == 'E' && bytes[2] == 'L' &&
         bytes[3] == 'F';
}

namespace {

ImageError ElfError(ImageErrorKind kind) {
  ImageError error;
  error.kind = kind;
  error.format = ImageFormat::kElf;
  return error;
}

}  // namespace

bool LoadElfImage(const std::vector<std::uint8_t>& bytes, std::uint32_t limit, FlashImage& image,
                  ImageError& error) {
  if (bytes.size() < EI_NIDENT || bytes[EI_CLASS] != ELFCLASS32 || bytes[EI_DATA] != ELFDATA2LSB) {
    error = ElfError(ImageErrorKind::kElfNotArm32);
    error.detail = WhatItIs(bytes);
    return false;
  }
  Elf32_Ehdr header;
  if (bytes.size() < sizeof header) {
    error = ElfError(ImageErrorKind::kElfHeaderCutShort);
    return false;
  }
  std::memcpy(&header, bytes.data(), sizeof header);
  if (header.e_machine != EM_ARM) {
    error = ElfError(ImageErrorKind::kElfNotArm32);
    error.detail = WhatItIs(bytes);
    return false;
  }
  if (header.e_phnum > 0 && header.e_phentsize < sizeof(Elf32_Phdr)) {
    error = ElfError(ImageErrorKind::kElfProgramHeadersTooSmall);
    error.size = header.e_phentsize;
    return false;
  }
  const std::uint64_t table_end =
      std::uint64_t{header.e_phoff} + std::uint64_t{header.e_phnum} * header.e_phentsize;
  if (table_end > bytes.size()) {
    error = ElfError(ImageErrorKind::kElfProgramHeadersPastEnd);
    return false;
  }
  FlashImage fresh;
  for (unsigned index = 0; index < header.e_phnum; ++index) {
    Elf32_Phdr segment;
    std::memcpy(&segment, bytes.data() + header.e_phoff + std::size_t{index} * header.e_phentsize,
                sizeof segment);
    if (segment.p_type != PT_LOAD || segment.p_filesz == 0) continue;
    const auto refuse = [&](ImageErrorKind kind) {
      error = ElfError(kind);
      error.segment = index;
      error.address = segment.p_paddr;
      error.size = segment.p_filesz;
      error.limit = limit;
      return false;
    };
    if (std::uint64_t{segment.p_offset} + segment.p_filesz > bytes.size())
      return refuse(ImageErrorKind::kElfSegmentPastEnd);
    if (std::uint64_t{segment.p_paddr} + segment.p_filesz > limit)
      return refuse(ImageErrorKind::kBeyondFlash);
    // No line to name: the segment's place is its address.
    fresh.Place(segment.p_paddr, bytes.data() + segment.p_offset, segment.p_filesz, 0);
  }
  if (!fresh.HasData()) {
    error = ElfError(ImageErrorKind::kElfNothingToLoad);
    return false;
  }
  image = std::move(fresh);
  return true;
}

}  // namespace isp
