#include "tests/support/fake_boot_loader.h"

#include <cstdlib>

namespace testing_support {

FakeBootLoader::FakeBootLoader() {
  replies = {{"Synchronized", "OK\r\n"},
             {"12000", "OK\r\n"},
             {"J", "0\r\n913309739\r\n"},
             {"sum", "OK\r\n"},
             {"*", "0\r\n"}};
}

std::string FakeBootLoader::operator()(const std::string& token) {
  if (silent) return "";
  if (token == "?") return sync_reply;
  if (token.empty()) return "";
  const std::string echo = token + "\r\n";
  if (data_lines_left_ > 0) {
    if (--data_lines_left_ == 0) checksum_due_ = true;
    return echo;
  }
  std::string key = token.substr(0, token.find(' '));
  if (checksum_due_) {
    checksum_due_ = false;
    key = "sum";
  } else if (key == "W") {
    const std::size_t count_at = token.rfind(' ');
    const long count = std::strtol(token.c_str() + count_at + 1, nullptr, 10);
    data_lines_left_ = static_cast<int>((count + 44) / 45);
  }
  const auto found = replies.find(key);
  return echo + (found != replies.end() ? found->second : replies["*"]);
}

}  // namespace testing_support
