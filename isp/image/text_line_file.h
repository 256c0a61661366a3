#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

namespace isp {

// A text file read line by line, as the image readers take it: each whole
// line however long (its first 1024 characters kept), without its line
// break (LF or CR LF), a UTF-8 byte-order mark at the very start skipped,
// lines numbered from 1. The text comes from the file itself, or from its
// bytes already read into memory.
class TextLineFile {
 public:
  TextLineFile() = default;
  ~TextLineFile();
  TextLineFile(const TextLineFile&) = delete;
  TextLineFile& operator=(const TextLineFile&) = delete;

  // Opens a regular file only, without blocking (a FIFO or a device never
  // holds the caller up). False when it cannot be opened or is open already.
  bool Open(const char* path);
  // Reads the lines of bytes that were read from a file; they must outlive
  // the reading. False when something is open already.
  bool OpenBytes(std::span<const std::uint8_t> bytes);
  bool IsOpen() const { return file_ != nullptr || in_memory_; }

  // Reads the next line; false at the end of the file when nothing was read.
  bool Next();
  const std::string& Line() const { return line_; }
  int Number() const { return number_; }
  // Counts on to the line after the last one read: where a record that the
  // file lacks should have been.
  void CountTheLineAfter() { ++number_; }
  // Whether reading stopped at a read error rather than the end.
  bool Failed() const { return file_ != nullptr && std::ferror(file_) != 0; }

 private:
  int NextByte();

  std::FILE* file_ = nullptr;
  bool in_memory_ = false;
  std::span<const std::uint8_t> bytes_;
  std::size_t at_ = 0;
  std::string line_;
  int number_ = 0;
};

}  // namespace isp
