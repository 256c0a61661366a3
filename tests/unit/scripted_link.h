#pragma once

#include <algorithm>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "isp/wire/isp_link.h"
#include "isp/wire/uu_lines.h"

namespace unit {

// A boot loader played from a script, on a clock of its own: each step is
// the exact bytes the host must send (kAnyBytes takes whatever comes) and
// what the part answers, delay_ms later. Waits for bytes that never come move the clock on at once,
// so time-outs cost no time.
class ScriptedLink : public isp::IspLink {
 public:
  struct Step {
    std::string expected;
    std::string answer;
    std::uint32_t delay_ms = 0;
  };

  static constexpr const char* kAnyBytes = "<any>";

  void Expect(std::string expected, std::string answer, std::uint32_t delay_ms = 0) {
    script_.push_back({std::move(expected), std::move(answer), delay_ms});
  }

  // An answer that comes in two parts, the second gap_ms after the first.
  void ExpectInTwo(std::string expected, std::string first, std::string second,
                   std::uint32_t gap_ms) {
    rests_[steps_given_ + script_.size()] = {gap_ms, std::move(second)};
    Expect(std::move(expected), std::move(first));
  }

  bool Send(std::string_view bytes) override {
    sent.emplace_back(bytes);
    if (script_.empty() ||
        (script_.front().expected != bytes && script_.front().expected != kAnyBytes)) {
      unexpected.emplace_back(bytes);
      return true;
    }
    const Step& step = script_.front();
    pending_.push_back({now_ + step.delay_ms, step.answer});
    if (const auto rest = rests_.find(steps_given_); rest != rests_.end()) {
      pending_.push_back({now_ + step.delay_ms + rest->second.due, rest->second.bytes});
    }
    script_.pop_front();
    ++steps_given_;
    return true;
  }

  std::size_t Receive(std::uint8_t* buffer, std::size_t max, std::uint32_t timeout_ms) override {
    if (pending_.empty() || pending_.front().due > now_ + timeout_ms) {
      now_ += timeout_ms;
      return 0;
    }
    Pending& next = pending_.front();
    if (next.due > now_) now_ = next.due;
    const std::size_t count = std::min(max, next.bytes.size());
    next.bytes.copy(reinterpret_cast<char*>(buffer), count);
    next.bytes.erase(0, count);
    if (next.bytes.empty()) pending_.pop_front();
    return count;
  }

  bool LineLost() const override { return lost && pending_.empty(); }
  std::uint32_t NowMs() const override { return now_; }

  bool ScriptDone() const { return script_.empty(); }

  std::vector<std::string> sent;
  std::vector<std::string> unexpected;  // sends that were not the script's next step
  bool lost = false;

 private:
  struct Pending {
    std::uint32_t due;
    std::string bytes;
  };
  std::deque<Step> script_;
  std::size_t steps_given_ = 0;
  std::map<std::size_t, Pending> rests_;  // by step: the second part and its gap
  std::deque<Pending> pending_;
  std::uint32_t now_ = 1000;
};

// The part's answer to one block of an R: the data lines of the bytes and
// their checksum, which sum_offset puts wrong.
inline std::string ReadAnswer(const std::vector<std::uint8_t>& bytes,
                              std::uint32_t sum_offset = 0) {
  std::string answer;
  std::uint32_t sum = sum_offset;
  for (std::size_t at = 0; at < bytes.size(); at += isp::kUuLineBytes) {
    const std::size_t n = std::min(isp::kUuLineBytes, bytes.size() - at);
    answer += isp::UuEncodeLine(bytes.data() + at, n) + "\r\n";
    for (std::size_t i = at; i < at + n; ++i) sum += bytes[i];
  }
  return answer + std::to_string(sum) + "\r\n";
}

}  // namespace unit
