#pragma once

#include <string>

#include "cli/run_record.h"

namespace cli {

// The record file of a run on several ports, or of a station: each module's
// record, completed with this host, its adapter's serial number and the
// image's digest, is appended to it. A record that could not be kept is an
// error line at once, as on one port ("programmed but not recorded"), and
// the run's exit status becomes 1.
class RecordKeeper {
 public:
  RecordKeeper(std::string path, std::string image_digest);

  // One record at a time: callers on several threads hold their own lock.
  void Keep(RunRecord record);
  bool AllKept() const { return all_kept_; }

 private:
  std::string path_;
  std::string image_digest_;
  std::string host_;
  bool all_kept_ = true;
};

}  // namespace cli
