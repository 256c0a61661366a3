#pragma once

#include <cstdio>
#include <string>

namespace isp {

// An output that replaces a file the user may want to keep (read --out): the
// data goes into a new file beside it (same folder, created exclusively,
// never through a symbolic link), which is flushed, synced and renamed over
// the old file only by Commit. Until then the old file is untouched; when
// the run fails, is stopped or the object goes, only the new file is
// removed. A name that is a symbolic link, no regular file, a file with
// other hard links or a file not writable by the user is refused, as
// CreateOutputFile refuses it.
class ReplacementFile {
 public:
  ReplacementFile() = default;
  ~ReplacementFile();
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  // Creates the new file; false with why set when path cannot be written.
  bool Open(const std::string& path, std::string& why);
  std::FILE* File() const { return file_; }
  // Writes the data to the new file; false when the system refused it, its
  // reason kept for Commit.
  bool Write(const void* data, std::size_t size);
  // Puts the data in place; false with the system's reason (e.g. "No space
  // left on device") when it could not be written whole: the old file stays.
  bool Commit(std::string& why);
  // Removes the new file; the old one stays as it was.
  void Abandon();

 private:
  std::string path_;
  std::string leaf_;  // the old file's name in its folder
  std::string temp_;  // the new file's name (in the folder, on POSIX)
  std::FILE* file_ = nullptr;
  int folder_ = -1;  // POSIX: the folder, opened without following links
  int error_ = 0;    // errno of the first write that failed
};

}  // namespace isp
