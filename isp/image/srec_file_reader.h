#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "isp/image/image_error.h"
#include "isp/image/text_line_file.h"

namespace isp {

// Reads a Motorola S-record file record by record and hands out its data
// records (S1, S2, S3) with their addresses; where the bytes go is the
// caller's business. The same shape as the HEX reader.
//
// Every record's checksum is checked. S0 (header) is skipped; S5 and S6
// must count the data records before them; S7, S8 and S9 end the file. The
// file as a whole must hold at least one data byte and an end record after
// which no data record follows. Lines that do not begin with 'S' are skipped,
// and so is a UTF-8 byte-order mark at the very start. Lines are numbered
// from 1; a missing end record is reported at the line after the last one.
class SrecFileReader {
 public:
  enum class Step {
    kData,        // Data() is the next data record's bytes (at least one)
    kEnd,         // the whole file was read and is good
    kInvalid,     // Error() says what is wrong, e.g. "Invalid S-record file: line 3: checksum
                  // mismatch"
    kReadFailed,  // the file could not be read to its end
  };

  SrecFileReader() = default;
  SrecFileReader(const SrecFileReader&) = delete;
  SrecFileReader& operator=(const SrecFileReader&) = delete;

  // Opens a regular file without blocking; false when it cannot be opened.
  bool Open(const char* path);
  // Reads the S-record text of a file already read into memory; the bytes
  // must outlive the reader.
  bool OpenBytes(std::span<const std::uint8_t> bytes) { return lines_.OpenBytes(bytes); }

  // Reads on to the next data record, or to the end of the file. Once it has
  // returned anything but kData, it returns the same again.
  Step Next();

  // The bytes of the data record that Next last returned, and the address
  // of its first byte; count Address() + size without wrapping (64-bit).
  const std::vector<std::uint8_t>& Data() const { return data_; }
  std::uint32_t Address() const { return address_; }
  int Line() const { return lines_.Number(); }

  // The failure after kInvalid, as a value (kind, line, detail) and in words.
  const ImageError& Problem() const { return problem_; }
  const std::string& Error() const { return error_; }
  // "Invalid S-record file: line N: reason" for the current line.
  std::string Invalid(std::string_view reason) const;

 private:
  Step Finish(Step step);
  // Fails on the current line (line_bound) or for the file as a whole.
  Step Fail(ImageErrorKind kind, std::string_view reason, bool line_bound = true);
  Step Malformed(std::string_view reason) { return Fail(ImageErrorKind::kBadRecord, reason); }

  TextLineFile lines_;
  std::vector<std::uint8_t> data_;
  std::uint32_t address_ = 0;
  std::uint32_t data_records_ = 0;  // S1/S2/S3 records read, for S5/S6
  bool has_data_ = false;
  bool ended_ = false;
  bool finished_ = false;
  Step final_step_ = Step::kEnd;
  std::string error_;
  ImageError problem_;
};

}  // namespace isp
