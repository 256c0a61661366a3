#include "isp/run_log.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "isp/image/output_file.h"

namespace isp {

bool AttachRunLog(comm::Comm& comm, std::string* why) {
  return AttachRunLog(comm, kRunLogName, why);
}

bool AttachRunLog(comm::Comm& comm, const std::string& path, std::string* why) {
  std::string reason;
  std::FILE* log = CreateOutputFile(path.c_str(), reason);
  if (log == nullptr) {
    if (why != nullptr) *why = reason;
    return false;
  }
  std::fwrite("Start", 1, 5, log);
  comm.CommLog = log;
  return true;
}

bool DetachRunLog(comm::Comm& comm, std::string* why) {
  std::FILE* log = comm.CommLog;
  if (log == nullptr) return true;
  comm.CommLog = nullptr;
  std::fwrite("End.", 1, 4, log);
  // A write that failed earlier leaves the stream's error set; the flush
  // tries the rest once more and leaves the system's reason in errno.
  errno = 0;
  bool whole = std::fflush(log) == 0 && !std::ferror(log);
  const int error = errno;
  whole = std::fclose(log) == 0 && whole;
  if (!whole && why != nullptr) {
    *why = error != 0 ? std::strerror(error) : "the disk refused the data";
  }
  return whole;
}

}  // namespace isp
