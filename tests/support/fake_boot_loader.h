#pragma once

#include <map>
#include <string>

namespace testing_support {

// A scripted boot loader for PtyPeer: echoes every command line and answers
// from a table keyed by the command's first word. Data lines after a "W"
// are echoed only; the checksum line that follows them answers replies["sum"].
// Defaults give a part that accepts everything.
class FakeBootLoader {
 public:
  FakeBootLoader();
  std::string operator()(const std::string& token);

  std::string sync_reply = "Synchronized\r\n";
  std::map<std::string, std::string> replies;
  bool silent = false;

 private:
  int data_lines_left_ = 0;
  bool checksum_due_ = false;
};

}  // namespace testing_support
