#include "session_runner.hpp"

#include <poll.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <string_view>
#include <system_error>

#include "host_line_rate.hpp"

namespace isp_sim {
namespace {

// How long the last reply may take to reach the host before the simulator lets go of the line.
constexpr std::chrono::milliseconds kDrainLimit{2000};
// How often to look whether the host has read the last reply yet.
constexpr std::chrono::milliseconds kDrainCheck{10};
// Bytes written to the master reach the slave's input queue a moment later, through a kernel
// work queue; until then the queue looks empty although the host has not read them.
constexpr std::chrono::milliseconds kDeliverySettle{50};
// How long bytes the host wrote just before closing may take to reach the master.
constexpr int kCloseSettleMs = 20;
// Most bytes taken from the line at once when it is paced.
constexpr std::size_t kPacedReadLimit = 4096;
// Bytes in the middle of a burst are passed on at most this often.
constexpr std::chrono::microseconds kByteBatch{1000};

// When to pass on paced bytes: the acting-th waiting byte exactly when it is due, those before it
// in batches. The other end acts on a line end (a host takes a reply line at its CR, and the LF
// that follows still takes its own byte time at a slow rate), on XON and XOFF, and on the last
// byte of a burst; waking for every byte in between (43 us apart at 230400 baud) would only cost
// CPU.
std::optional<TimePoint> batched_wake(const LinePacer& pacer, std::size_t acting, TimePoint now) {
  const std::optional<TimePoint> next = pacer.next_due();
  if (!next || acting <= 1) return next;
  return std::min(*pacer.due_time(acting), std::max(*next, now + kByteBatch));
}

// How many of the waiting bytes go up to and including the first one the host acts on.
std::size_t up_to_acting_byte(const std::string& outgoing) {
  static constexpr char kActing[] = {'\r', '\n', '\x11', '\x13'};
  const std::size_t at = outgoing.find_first_of(std::string_view(kActing, sizeof kActing));
  return at == std::string::npos ? outgoing.size() : at + 1;
}

}  // namespace

SessionRunner::SessionRunner(SimulatedPart& part, PtyPort& port, SlaveWatch& watch,
                             StopSignals& signals, Settings settings)
    : part_(part),
      port_(port),
      watch_(watch),
      signals_(signals),
      settings_(settings),
      pacer_(settings.baud_rate),
      input_pacer_(settings.baud_rate),
      flow_control_(settings.xon_xoff_every),
      resets_seen_(part.resets()) {}

SessionEnd SessionRunner::run() {
  for (;;) {
    const TimePoint now = Clock::now();
    feed_part(now);
    collect_output(now);
    send_due_output(now);
    if (finishing_ && drained(now)) return *finishing_;
    if (const auto end = wait_for_events(now)) return *end;
  }
}

void SessionRunner::collect_output(TimePoint now) {
  std::string ready = part_.take_output(now);
  if (watch_.host_present()) payload_ += ready;
  if (const auto rate = part_.take_line_rate_request()) rate_change_ = rate;
  flow_control_.feed(payload_, outgoing_, now);
  follow_rate_change();
}

void SessionRunner::follow_rate_change() {
  // The answer to B leaves at the old rate; the UART takes the new one once it is out.
  if (!rate_change_ || !payload_.empty() || !outgoing_.empty() || part_.next_output_time()) return;
  uart_.set(*rate_change_);
  if (settings_.baud_rate != 0) {
    pace_at(*rate_change_);
    rate_changed_ = true;
  }
  rate_change_.reset();
}

void SessionRunner::pace_at(std::uint32_t rate) {
  pacer_ = LinePacer(rate);
  input_pacer_ = LinePacer(rate);
}

LineRateBytes& SessionRunner::bytes_at_rate() {
  return part_.report().line_rates[uart_.rate().value_or(0)];
}

void SessionRunner::take_input(std::string& input) {
  // Bytes that come after the answer to B has gone out meet the UART at its new rate.
  follow_rate_change();
  if (input.empty()) return;
  const auto host = host_line_rate(port_.master_fd());
  uart_.autobaud(host);
  uart_.carry(input, host);
  part_.report().bytes_received += input.size();
  bytes_at_rate().received += input.size();
}

void SessionRunner::send_due_output(TimePoint now) {
  const std::size_t due = pacer_.due(outgoing_.size(), now);
  if (due == 0) return;
  std::string line = outgoing_.substr(0, due);
  uart_.carry(line, host_line_rate(port_.master_fd()));
  const std::size_t written = port_.write_some(line);
  write_blocked_ = written < due;
  outgoing_.erase(0, written);
  part_.report().bytes_sent += written;
  bytes_at_rate().sent += written;
  pacer_.sent(written, outgoing_.size());
  if (written > 0) last_write_ = now;
  // An XOFF that has just gone out starts its pause now.
  flow_control_.feed(payload_, outgoing_, now);
  follow_rate_change();
}

bool SessionRunner::wants_input(TimePoint now) const {
  return incoming_.empty() && !part_.busy(now) && !input_pacer_.next_due();
}

std::optional<SessionEnd> SessionRunner::wait_for_events(TimePoint now) {
  const short master_events =
      static_cast<short>((wants_input(now) ? POLLIN : 0) | (write_blocked_ ? POLLOUT : 0));
  std::array<pollfd, 3> fds{{
      {signals_.fd(), POLLIN, 0},
      {watch_.fd(), POLLIN, 0},
      {port_.master_fd(), master_events, 0},
  }};
  const std::optional<timespec> timeout = poll_timeout(now);
  if (::ppoll(fds.data(), fds.size(), timeout ? &*timeout : nullptr, nullptr) < 0 &&
      errno != EINTR) {
    throw std::system_error(errno, std::generic_category(), "ppoll");
  }
  // Opens and closes first: bytes from a host that has just opened must find it present.
  if (const auto end = follow_host()) return end;
  if (const auto end = take_host_input((fds[2].revents & POLLIN) != 0)) return end;
  if (signals_.take()) return SessionEnd::kStopSignal;
  // The keeper descriptor spares the master the hang-up state; seeing it anyway means the slave
  // itself was hung up (vhangup), and the line cannot be used again.
  if ((fds[2].revents & (POLLHUP | POLLERR)) != 0) return SessionEnd::kPortFailed;
  if ((fds[2].revents & POLLOUT) != 0) write_blocked_ = false;
  check_part();
  return std::nullopt;
}

std::optional<SessionEnd> SessionRunner::follow_host() {
  SlaveWatch::Changes changes = watch_.drain();
  if (changes.sessions_ended == 0) return std::nullopt;
  // Bytes the host wrote just before closing (a lone "*", say) belong to the session that ended
  // and must reach the part before that session's output is dropped. A host that opens again
  // at once may already have written its own bytes: an open is always seen before the bytes it
  // writes, so looking for opens after the read tells the two apart.
  const std::string pending = read_pending_input();
  changes.sessions_ended += watch_.drain().sessions_ended;
  const bool reopened = watch_.host_present();
  if (!reopened && !pending.empty()) {
    incoming_ += pending;
    feed_part(Clock::now());
  }
  part_.report().hang_ups += changes.sessions_ended;
  part_.discard_output();
  payload_.clear();
  outgoing_.clear();
  flow_control_.reset();
  pacer_.sent(0, 0);  // the queue is empty: the line is idle
  input_pacer_.sent(0, 0);
  write_blocked_ = false;
  if (!reopened) port_.reset_line_after_close();
  if (reopened && !pending.empty()) {
    incoming_ += pending;
    feed_part(Clock::now());
  }
  if (finishing_) return finishing_;
  if (settings_.once) return SessionEnd::kHostHungUp;
  return std::nullopt;
}

std::string SessionRunner::read_pending_input() {
  // With no host on the line, give bytes still on their way through the kernel a moment.
  if (!watch_.host_present()) {
    pollfd master{port_.master_fd(), POLLIN, 0};
    ::poll(&master, 1, kCloseSettleMs);
  }
  std::string input;
  port_.read_available(input);  // a failed line shows again on the next poll
  take_input(input);
  return input;
}

std::optional<SessionEnd> SessionRunner::take_host_input(bool input_ready) {
  const TimePoint now = Clock::now();
  if (part_.busy(now)) {
    // A busy part reads nothing; the host's bytes wait, and the line starts afresh after.
    input_pacer_.sent(0, 0);
    return std::nullopt;
  }
  feed_part(now);
  if (!incoming_.empty()) return std::nullopt;
  std::string input;
  PtyPort::ReadStatus status = PtyPort::ReadStatus::kOk;
  if (settings_.baud_rate == 0) {
    status = port_.read_available(input);
  } else if (input_ready || input_pacer_.next_due()) {
    const std::size_t due = input_pacer_.due(kPacedReadLimit, now);
    if (due > 0) {
      status = port_.read_some(input, due);
      // Fewer bytes than the line could have carried: it has gone idle.
      input_pacer_.sent(input.size(), input.size() < due ? 0 : 1);
    }
  }
  if (!input.empty()) {
    take_input(input);
    incoming_ += input;
    feed_part(now);
  }
  if (status == PtyPort::ReadStatus::kFailed) return SessionEnd::kPortFailed;
  return std::nullopt;
}

void SessionRunner::feed_part(TimePoint now) {
  if (incoming_.empty() || part_.busy(now)) return;
  incoming_.erase(0, part_.receive(incoming_, now));
}

void SessionRunner::check_part() {
  if (part_.resets() != resets_seen_) {
    resets_seen_ = part_.resets();
    // After a reset the boot loader autobauds again, at the pace the simulator was started with.
    uart_.forget();
    rate_change_.reset();
    if (rate_changed_) pace_at(settings_.baud_rate);
    rate_changed_ = false;
    if (settings_.once) finish_after_drain(SessionEnd::kReset);
  }
  if (part_.hang_up_requested()) finish_after_drain(SessionEnd::kHangUpFault);
}

void SessionRunner::finish_after_drain(SessionEnd reason) {
  if (finishing_) return;
  finishing_ = reason;
  finish_deadline_ = Clock::now() + kDrainLimit;
}

bool SessionRunner::drained(TimePoint now) const {
  if (now >= finish_deadline_ || !watch_.host_present()) return true;
  return payload_.empty() && outgoing_.empty() && !flow_control_.xon_owed() &&
         !part_.next_output_time() && now - last_write_ >= kDeliverySettle &&
         port_.unread_by_host() == 0;
}

// To the nanosecond, not the millisecond: the boot loader's UART runs 8N1 (the UART ISP sections
// of UM10398 and UM10360), ten bit times a byte, so a byte at 230400 baud takes 43 us, and a
// reply held back to the next whole millisecond would cost the host a millisecond a command
// that a real part does not.
std::optional<timespec> SessionRunner::poll_timeout(TimePoint now) const {
  std::optional<TimePoint> wake = part_.next_output_time();
  const auto sooner = [&wake](std::optional<TimePoint> candidate) {
    if (candidate && (!wake || *candidate < *wake)) wake = candidate;
  };
  if (!outgoing_.empty() && !write_blocked_)
    sooner(batched_wake(pacer_, up_to_acting_byte(outgoing_), now));
  sooner(flow_control_.next_wake());
  if (part_.busy(now)) {
    sooner(part_.busy_until());
  } else if (incoming_.empty()) {
    // The host's unread bytes matter only while a burst of them is paced.
    if (input_pacer_.next_due()) sooner(batched_wake(input_pacer_, port_.unread_from_host(), now));
  } else {
    sooner(now);
  }
  if (finishing_) sooner(now + kDrainCheck);
  if (!wake) return std::nullopt;
  const auto wait = std::clamp<std::chrono::nanoseconds>(
      std::chrono::ceil<std::chrono::nanoseconds>(*wake - now), std::chrono::nanoseconds::zero(),
      std::chrono::seconds(60));
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(wait);
  return timespec{static_cast<time_t>(seconds.count()),
                  static_cast<long>((wait - seconds).count())};
}

}  // namespace isp_sim
