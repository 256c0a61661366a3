#include "isp/run_log.h"

#include <cstdio>

namespace isp {

void AttachRunLog(comm::Comm& comm) {
  std::FILE* log = std::fopen("commlog.txt", "wb");
  if (log == nullptr) return;
  std::fwrite("Start", 1, 5, log);
  comm.CommLog = log;
}

void DetachRunLog(comm::Comm& comm) {
  if (comm.CommLog == nullptr) return;
  std::fwrite("End.", 1, 4, comm.CommLog);
  std::fclose(comm.CommLog);
  comm.CommLog = nullptr;
}

}  // namespace isp
