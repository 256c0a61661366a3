#include "isp/run_log.h"

#include <cstdio>

#include "isp/output_file.h"

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

void DetachRunLog(comm::Comm& comm) {
  if (comm.CommLog == nullptr) return;
  std::fwrite("End.", 1, 4, comm.CommLog);
  std::fclose(comm.CommLog);
  comm.CommLog = nullptr;
}

}  // namespace isp
