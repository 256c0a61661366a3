#pragma once

#include <cstdint>
#include <string>

namespace isp {

// What an image file holds.
enum class ImageFormat { kIntelHex, kBinary, kElf, kSRecord };

// Why an image file was refused. The loaders tell the kind and the values;
// a front end puts them into words.
enum class ImageErrorKind {
  // The file did not open, or not to its end.
  kNotFound,        // no such file, nor a folder on its way
  kIsAFolder,       // a directory
  kNotRegularFile,  // a FIFO, a device, a socket
  kNoPermission,    // the system refused access (system_error)
  kCannotOpen,      // any other reason the system gave (system_error; 0 when it gave none)
  kReadFailed,      // it opened, but reading stopped before its end
  // What the bytes hold.
  kEmpty,           // no byte at all
  kOnlyWhiteSpace,  // nothing but white space
  kTextNoImage,     // text in no image format; detail: its first line's start
  kBinaryNoImage,   // binary data in no image format; detail: its first bytes
  // HEX and S-record files (format says which).
  kBadRecord,      // the record on line is malformed; detail: how
  kNoDataRecords,  // not one data byte
  kNoEndRecord,    // line: where the end record should have been
  kDataAfterEnd,   // a data record on line follows the end record
  // Any format: data at or above limit (records: on line; a raw binary:
  // size bytes from address; ELF: segment, at address, size bytes).
  kBeyondFlash,
  // ELF files.
  kElfNotArm32,                // detail: what it is, e.g. "a 64-bit little-endian ELF file"
  kElfHeaderCutShort,          // the file ends within the ELF header
  kElfProgramHeadersTooSmall,  // size: the program header entry's size
  kElfProgramHeadersPastEnd,   // the table reaches past the end of the file
  kElfSegmentPastEnd,          // segment, at address, size bytes: past the end of the file
  kElfNothingToLoad,           // no loadable segment with file bytes
};

struct ImageError {
  ImageErrorKind kind = ImageErrorKind::kCannotOpen;
  ImageFormat format = ImageFormat::kBinary;  // what the file was taken for
  int line = 0;          // the line concerned, counted from 1 (0: the file as a whole)
  int system_error = 0;  // the errno value, where the system gave one
  std::string detail;
  std::uint32_t address = 0;
  std::uint64_t size = 0;
  unsigned segment = 0;
  std::uint32_t limit = 0;  // the flash limit the data was judged against
};

// Whether the error is about opening or reading the file, not its contents.
inline bool IsFileAccessError(ImageErrorKind kind) {
  return kind <= ImageErrorKind::kReadFailed;
}

}  // namespace isp
