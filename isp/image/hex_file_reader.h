#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>

#include "isp/image/hex_record.h"
#include "isp/image/image_error.h"
#include "isp/image/text_line_file.h"

namespace isp {

// Reads an Intel HEX file record by record and hands out its data records
// with their addresses; where the bytes go is the caller's business.
//
// The file as a whole must hold firmware: at least one data byte, and an
// end-of-file record after which no data record follows. Lines that do not
// begin with ':' are skipped; a UTF-8 byte-order mark at the very start of
// the file is skipped too. Lines are numbered from 1, counting every line
// break; a missing end-of-file record is reported at the line after the last
// one read (lines + 1), where the record should have been.
class HexFileReader {
 public:
  enum class Step {
    kData,        // Record() is the next data record (at least one byte)
    kEnd,         // the whole file was read and is good
    kInvalid,     // Error() says what is wrong, e.g. "Invalid HEX file: line 3: checksum mismatch"
    kReadFailed,  // the file could not be read to its end
  };

  HexFileReader() = default;
  HexFileReader(const HexFileReader&) = delete;
  HexFileReader& operator=(const HexFileReader&) = delete;

  // Opens the file for reading. Only a regular file is taken, and the open
  // does not block, so a FIFO or a device never holds the caller up. False
  // when it cannot be opened (missing, no access, empty name, not a regular
  // file).
  bool Open(const char* path);
  // Reads the HEX text of a file already read into memory; the bytes must
  // outlive the reader.
  bool OpenBytes(std::span<const std::uint8_t> bytes) { return lines_.OpenBytes(bytes); }

  // Reads on to the next data record, or to the end of the file. Once it has
  // returned anything but kData, it returns the same again.
  Step Next();

  // The data record that Next last returned, and the address of its first
  // byte: its offset plus the base that the last extended segment (02) or
  // linear (04) address record set. Byte i lies at Address() + i; count it
  // without wrapping (64-bit) near the top of the 4 GiB space.
  const HexRecord& Record() const { return record_; }
  std::uint32_t Address() const { return address_; }
  // The number of the line of that record, or of the line where reading
  // stopped.
  int Line() const { return lines_.Number(); }

  // The failure after kInvalid, as a value (kind, line, detail) and in the
  // window's words.
  const ImageError& Problem() const { return problem_; }
  const std::string& Error() const { return error_; }
  // "Invalid HEX file: line N: reason" for the current line, for a caller
  // that refuses a record the reader took (e.g. data outside its flash).
  std::string Invalid(std::string_view reason) const;

 private:
  Step Finish(Step step);
  // Fails on the current line (line_bound) or for the file as a whole.
  Step Fail(ImageErrorKind kind, std::string_view reason, bool line_bound = true);

  TextLineFile lines_;
  HexRecord record_;
  std::uint32_t address_ = 0;
  std::uint32_t base_ = 0;
  bool has_data_ = false;
  bool ended_ = false;  // the end-of-file record has been read
  bool finished_ = false;
  Step final_step_ = Step::kEnd;
  std::string error_;
  ImageError problem_;
};

}  // namespace isp
