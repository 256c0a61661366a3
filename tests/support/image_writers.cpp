#include "tests/support/image_writers.h"

#include <cstdio>

namespace testing_support {
namespace {

class Writer {
 public:
  explicit Writer(bool big) : big_(big) {}
  void Put(std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
      const int shift = 8 * (big_ ? bytes - 1 - i : i);
      text_.push_back(static_cast<char>(value >> shift & 0xFF));
    }
  }
  std::string& Text() { return text_; }

 private:
  bool big_;
  std::string text_;
};

}  // namespace

std::string ElfFile(const std::vector<ElfSegment>& segments, const ElfKind& kind) {
  const bool wide = kind.elf_class == 2;
  const int word = wide ? 8 : 4;  // addresses and offsets
  const std::uint64_t header_size = wide ? 64 : 52;
  const std::uint64_t entry_size = wide ? 56 : 32;
  Writer out(kind.data == 2);
  out.Text() = std::string(
      "\x7F"
      "ELF",
      4);
  out.Put(kind.elf_class, 1);
  out.Put(kind.data, 1);
  out.Put(1, 1);  // version
  out.Text().resize(16, '\0');
  out.Put(2, 2);  // ET_EXEC
  out.Put(kind.machine, 2);
  out.Put(1, 4);
  out.Put(0, word);            // entry
  out.Put(header_size, word);  // program headers right after the header
  out.Put(0, word);            // no section headers
  out.Put(0, 4);               // flags
  out.Put(header_size, 2);
  out.Put(entry_size, 2);
  out.Put(segments.size(), 2);
  out.Put(wide ? 64 : 40, 2);
  out.Put(0, 2);
  out.Put(0, 2);
  std::uint64_t offset = header_size + entry_size * segments.size();
  for (const ElfSegment& segment : segments) {
    const std::uint64_t memsz = segment.memsz != 0 ? segment.memsz : segment.bytes.size();
    out.Put(segment.type, 4);
    if (wide) out.Put(5, 4);  // flags sit here in the 64-bit header
    out.Put(offset, word);
    out.Put(segment.vaddr, word);
    out.Put(segment.paddr, word);
    out.Put(segment.bytes.size(), word);
    out.Put(memsz, word);
    if (!wide) out.Put(5, 4);
    out.Put(4, word);
    offset += segment.bytes.size();
  }
  for (const ElfSegment& segment : segments)
    out.Text().append(segment.bytes.begin(), segment.bytes.end());
  return out.Text();
}

std::string SRecord(int type, std::uint32_t address, const std::vector<std::uint8_t>& data) {
  const int address_bytes = type == 2 || type == 8 || type == 6 ? 3
                            : type == 3 || type == 7            ? 4
                                                                : 2;
  std::vector<std::uint8_t> record = {
      static_cast<std::uint8_t>(static_cast<std::size_t>(address_bytes) + data.size() + 1)};
  for (int i = address_bytes - 1; i >= 0; --i)
    record.push_back(static_cast<std::uint8_t>(address >> (8 * i)));
  record.insert(record.end(), data.begin(), data.end());
  unsigned sum = 0;
  std::string text = "S" + std::to_string(type);
  char digits[3];
  for (std::uint8_t byte : record) {
    sum += byte;
    std::snprintf(digits, sizeof digits, "%02X", byte);
    text += digits;
  }
  std::snprintf(digits, sizeof digits, "%02X", ~sum & 0xFFu);
  return text + digits;
}

std::string SrecFromBytes(const std::map<std::uint32_t, std::uint8_t>& bytes,
                          int bytes_per_record) {
  std::string text = SRecord(0, 0, {'t', 'e', 's', 't'}) + "\n";
  std::uint32_t records = 0;
  auto it = bytes.begin();
  while (it != bytes.end()) {
    const std::uint32_t start = it->first;
    std::vector<std::uint8_t> data;
    while (it != bytes.end() && it->first == start + data.size() &&
           data.size() < static_cast<std::size_t>(bytes_per_record)) {
      data.push_back(it->second);
      ++it;
    }
    text += SRecord(3, start, data) + "\n";
    ++records;
  }
  return text + SRecord(5, records, {}) + "\n" + SRecord(7, 0, {}) + "\n";
}

}  // namespace testing_support
